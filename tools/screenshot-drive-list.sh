#!/usr/bin/env bash
# Shows the drive list over the drives of a throwaway Wine prefix (C: fixed,
# the sandbox's spare drives) on a virtual screen and saves a picture of it.
#
#   tools/screenshot-drive-list.sh [build-dir] [output.png]
#
# build-dir defaults to build/win64 (its drive_list_demo target is built
# first); the picture goes to build/screenshots/drive-list.png.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build/win64}
output=${2:-build/screenshots/drive-list.png}
title="Drive list"

for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing (tools/setup.sh)" >&2; exit 2; }
done
cmake --build "$build_dir" --target drive_list_demo >/dev/null
demo="$build_dir/drive_list_demo.exe"
mkdir -p "$(dirname "$output")"

xvfb_pid=
sandbox_pid=
cleanup() {
  local status=$?
  trap - EXIT INT TERM
  if [ -n "$sandbox_pid" ]; then
    kill "$sandbox_pid" 2>/dev/null || true  # its own trap clears the prefix
    wait "$sandbox_pid" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Our own screen, so that the picture can be taken while the sandbox runs; the
# sandbox uses it instead of starting one of its own.
exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
display_number=
read -r -t 10 display_number <&"$display_fd" || true
exec {display_fd}<&-
[ -n "$display_number" ] || { echo "screenshot: Xvfb did not start" >&2; exit 2; }
export DISPLAY=":$display_number"

# The demo closes its window by itself; the picture is taken well before.
tools/wine-sandbox.sh -- "$demo" --close-after 20 &
sandbox_pid=$!

window=$(timeout 90 xdotool search --sync --name "^$title\$" | head -n 1) || true
[ -n "$window" ] || { echo "screenshot: the window \"$title\" did not appear" >&2; exit 1; }
sleep 2  # let it paint
eval "$(xdotool getwindowgeometry --shell "$window")"
margin=16
import -window root -crop "$((WIDTH + 2 * margin))x$((HEIGHT + 2 * margin))+$((X > margin ? X - margin : 0))+$((Y > margin ? Y - margin : 0))" +repage "$output"
echo "screenshot: $output"

wait "$sandbox_pid"
sandbox_pid=
