#!/usr/bin/env bash
# Checks the saver's picture in the display settings' little monitor, in a
# throwaway Wine sandbox (tools/wine-sandbox.sh): a host program plays the
# settings (a white window holding a blue monitor) and starts the saver with
# "/p <monitor>". The saver's preview window must be a visible child of the
# monitor covering it exactly, the white around the monitor must stay white,
# the saver must end by itself when the monitor is destroyed, and the
# product's registry key and folder must be as before (the preview never
# cleans). "/p" with a number that is no window, and "/p:" with none, end at
# once.
#
# What the stars look like is not judged here: Wine 8 does not show on the
# screen what a process draws into a child of another process's window (the
# preview window is there, but the monitor keeps its own colour). The picture
# itself is tested on the core (StarPreview), with the saver's starfield.
#
#   tools/check-saver-preview.sh build/win64/ZentSaver.scr build/win64/preview_host.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
  if [ $# -ne 2 ] || [ ! -f "$1" ] || [ ! -f "$2" ]; then
    echo "usage: $0 path/to/ZentSaver.scr path/to/preview_host.exe" >&2
    exit 2
  fi
  exec "$here/wine-sandbox.sh" --copy "$1" --copy "$2" -- "$here/check-saver-preview.sh" \
    --inside "$(basename "$1")" "$(basename "$2")"
fi

# --- inside the sandbox -----------------------------------------------------

# shellcheck source=tools/lib/report-stop.sh
source "$here/lib/report-stop.sh"

program="C:\\zent-run\\$2"
host="C:\\zent-run\\$3"
product_key='HKLM\SOFTWARE\Ortavo\Kelvaro-ZENT'
product_folder="$WINEPREFIX/drive_c/ZentPreviewCheck"
outbox=$(mktemp -d)
failures=0

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

product_key_now() {
  wine64 "$ZENT_REG" query "$product_key" /s /reg:64 2>/dev/null | tr -d '\r' || true
}

mkdir -p "$product_folder"
wine64 "$ZENT_REG" add "$product_key" /v EXEPath /d 'C:\ZentPreviewCheck' /f /reg:64 >/dev/null
for setting in STARS:400 SPEED:3 BLOCK:1 MODE:2; do
  wine64 "$ZENT_REG" add "$product_key\\Saver" /v "${setting%%:*}" /t REG_DWORD /d "${setting#*:}" /f \
    /reg:64 >/dev/null
done
registry_before=$(product_key_now)

for arguments in '/p 123457' '/p:' '/P'; do
  # shellcheck disable=SC2086  # the arguments are words
  if timeout 20 wine64 "$program" $arguments >/dev/null 2>&1; then
    echo "ok   \"$arguments\" ends at once"
  else
    fail "\"$arguments\" did not end with exit code 0 within 20 s"
  fi
done

wine64 "$host" "$program" 6 >"$outbox/host.txt" 2>&1 &
host_pid=$!
sleep 4
shot="$outbox/screen.png"
import -window root "$shot"
if wait "$host_pid"; then
  echo "ok   the saver ended by itself when its monitor was destroyed"
else
  fail "the preview did not end as it should: $(tr -d '\r' <"$outbox/host.txt" | tail -n 1)"
fi

read -r _ left top width height < <(tr -d '\r' <"$outbox/host.txt" | grep '^monitor ')
# Counts the pixels of a region by kind: black, grey (stars), white, other.
pixel_kinds() {
  convert "$shot" -crop "$1" +repage -depth 8 txt:- | awk -F'[()]' 'NR > 1 {
      split($2, c, ","); r = c[1] + 0; g = c[2] + 0; b = c[3] + 0
      if (r == 0 && g == 0 && b == 0) black++
      else if (r == 255 && g == 255 && b == 255) white++
      else if (r == g && g == b) grey++
      else other++
    } END { printf "%d %d %d %d\n", black, grey, white, other }'
}
expected="preview window found $left $top $((left + width)) $((top + height)) visible 1"
if tr -d '\r' <"$outbox/host.txt" | grep -x "$expected" >/dev/null; then
  echo "ok   the preview is a visible child window covering the monitor"
else
  fail "no preview window covering the monitor: $(tr -d '\r' <"$outbox/host.txt" | grep preview)"
fi
# The frame around the monitor: 20 pixels on each side.
read -r black grey _ other < <(pixel_kinds "$((width + 40))x20+$((left - 20))+$((top - 20))")
read -r black2 grey2 _ other2 < <(pixel_kinds "$((width + 40))x20+$((left - 20))+$((top + height))")
if [ $((black + grey + other + black2 + grey2 + other2)) -eq 0 ]; then
  echo "ok   nothing was drawn outside the monitor"
else
  fail "pixels outside the monitor changed"
fi

if [ "$(product_key_now)" = "$registry_before" ] && [ -z "$(ls -A "$product_folder")" ]; then
  echo "ok   the product's registry key and folder are as before"
else
  fail "the preview changed the product's registry key or folder"
  diff <(printf '%s\n' "$registry_before") <(product_key_now) || true
fi
rm -rf "$outbox"

[ "$failures" -eq 0 ] || exit 1
echo "the preview runs inside its host only, ends with it, and never cleans"
