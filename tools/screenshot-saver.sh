#!/usr/bin/env bash
# Runs the screen saver in a throwaway Wine sandbox (tools/wine-sandbox.sh) on
# a virtual screen, takes a picture of the whole screen after a few seconds,
# then ends it with a key press (Escape; a window that stays, the settings
# dialog, is closed with Alt+F4) and says where the picture is.
#
#   tools/screenshot-saver.sh [program.scr] [output.png] [saver arguments]
#
# program.scr defaults to build/win64/ZentSaver.scr (built first), the picture
# to build/screenshots/saver.png, the arguments to "/S". ZENT_SHOT_DELAY sets
# the seconds before the picture (default 4).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" = --inside ]; then
  program="C:\\zent-run\\$2"
  shift 2
  wine64 "$program" "$@" &
  pid=$!
  if ! timeout 60 xdotool search --sync --onlyvisible --name '.' >/dev/null 2>&1; then
    echo "screenshot: no window appeared" >&2
  fi
  sleep "${ZENT_SHOT_DELAY:-4}"
  import -window root "$ZENT_OUTPUT/shot.png" || echo "screenshot: the picture failed" >&2
  xdotool key --clearmodifiers Escape >/dev/null 2>&1 || true
  for second in $(seq 30); do
    kill -0 "$pid" 2>/dev/null || break
    if [ "$second" = 3 ]; then
      # Not the saver: close the window in front as with its close button.
      window=$(xdotool search --onlyvisible --name '.' 2>/dev/null | tail -n 1) || true
      if [ -n "$window" ]; then
        xdotool windowfocus "$window" key --clearmodifiers alt+F4 >/dev/null 2>&1 || true
      fi
    fi
    sleep 1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "screenshot: the program did not end on a key press; stopped" >&2
    kill "$pid" 2>/dev/null || true
    wineserver -k >/dev/null 2>&1 || true
  fi
  status=0
  wait "$pid" || status=$?
  exit "$status"
fi

cd "$here/.."
program=${1:-build/win64/ZentSaver.scr}
output=${2:-build/screenshots/saver.png}
shift $(($# < 2 ? $# : 2))
[ $# -gt 0 ] || set -- /S

for tool in xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing (tools/setup.sh)" >&2; exit 2; }
done
if [ "$program" = build/win64/ZentSaver.scr ]; then
  cmake --build build/win64 --target zent_saver >/dev/null
fi
[ -f "$program" ] || { echo "screenshot: $program does not exist" >&2; exit 2; }

# Without a DISPLAY of our own, the sandbox starts a virtual screen; the
# picture comes out of it through a folder of ours.
outbox=$(mktemp -d)
trap 'rm -rf "$outbox"' EXIT
status=0
env -u DISPLAY "$here/wine-sandbox.sh" --copy "$program" --output "$outbox" -- \
  "$here/screenshot-saver.sh" --inside "$(basename "$program")" "$@" || status=$?
if [ -f "$outbox/shot.png" ]; then
  mkdir -p "$(dirname "$output")"
  cp "$outbox/shot.png" "$output"
  echo "screenshot: $output"
fi
echo "ZentSaver.scr $* ended with exit code $status"
exit "$status"
