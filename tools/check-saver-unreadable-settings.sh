#!/usr/bin/env bash
# Starts the screen saver ("/S") in a throwaway Wine sandbox
# (tools/wine-sandbox.sh) with a stored setting that cannot be read as a
# number, one case at a time, and checks that it runs as with the value
# missing: no error box, a cleaning run that reaches "Search completed." (as
# the saver reports its status, tools/lib/saver-status.sh), and a key press
# that ends it with exit code 0. The values are written with
# "wine64 reg add ... /reg:64", the registry view the 64-bit saver reads.
#
#   tools/check-saver-unreadable-settings.sh build/win64/ZentSaver.scr
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
  if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "usage: $0 path/to/ZentSaver.scr" >&2
    exit 2
  fi
  command -v xdotool >/dev/null || { echo "$0: xdotool is missing (tools/setup.sh)" >&2; exit 2; }
  exec "$here/wine-sandbox.sh" --copy "$1" -- "$here/check-saver-unreadable-settings.sh" \
    --inside "$(basename "$1")"
fi

# --- inside the sandbox -----------------------------------------------------

# shellcheck source=tools/lib/report-stop.sh
source "$here/lib/report-stop.sh"

program="C:\\zent-run\\$2"
product_key='HKLM\SOFTWARE\Ortavo\Kelvaro-ZENT'
settings_key="$product_key\\Saver"
error_box_title=Bildschirmschoner
long_binary=$(printf '%064d' 1)  # 32 bytes
failures=0
# shellcheck source=tools/lib/saver-status.sh
source "$here/lib/saver-status.sh"
status_log=$(mktemp)

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

reg64() { wine64 "$ZENT_REG" "$@" /reg:64 >/dev/null 2>&1; }

# seed NAME TYPE DATA: a fresh product key whose saver settings ask for the
# main program's options (there are none: a short run), then the one value,
# "EXEPath" in the product key, the others among the settings.
seed() {
  local name=$1 type=$2 data=$3 key=$settings_key
  reg64 delete "$product_key" /f || true
  reg64 add "$settings_key" /v MODE /t REG_DWORD /d 2 /f
  [ "$name" != EXEPath ] || key=$product_key
  reg64 add "$key" /v "$name" /t "$type" /d "$data" /f
}

error_box_shown() { xdotool search --name "^$error_box_title\$" >/dev/null 2>&1; }

# run_case LABEL NAME TYPE DATA
run_case() {
  local label=$1 status=0 pid deadline
  seed "$2" "$3" "$4"
  WINEDEBUG=$saver_status_channels wine64 "$program" /S 2>"$status_log" &
  pid=$!
  deadline=$((SECONDS + 90))
  while [ "$SECONDS" -lt "$deadline" ] && kill -0 "$pid" 2>/dev/null &&
    ! saver_status_reached "$status_log" "Search completed." && ! error_box_shown; do
    sleep 0.5
  done
  if error_box_shown; then
    fail "$label: an error box \"$error_box_title\" appeared"
  elif saver_status_reached "$status_log" "Search completed."; then
    echo "ok   $label: the cleaning run reached \"Search completed.\""
  else
    fail "$label: no \"Search completed.\" within 90 s"
    saver_errors "$status_log"
  fi
  if ! end_saver_with_key "$pid" space 15; then
    fail "$label: still running 15 s after a key press"
    wineserver -k >/dev/null 2>&1 || true
  fi
  wait "$pid" || status=$?
  if [ "$status" -eq 0 ]; then
    echo "ok   $label: ended by a key press with exit code 0"
  else
    fail "$label: exit code $status"
  fi
}

run_case '"STARS"="abc"' STARS REG_SZ abc
run_case '"STARS"="99999999999999999999"' STARS REG_SZ 99999999999999999999
run_case '"MODE" a 32-byte binary' MODE REG_BINARY "$long_binary"
run_case '"EXEPath" a 32-byte binary' EXEPath REG_BINARY "$long_binary"

[ "$failures" -eq 0 ] || exit 1
echo "the saver runs whatever its stored settings hold"
