#!/usr/bin/env bash
# Shows the configuration dialog, one run per page, in a throwaway Wine prefix
# on a virtual screen and saves a picture of each page.
#
#   tools/screenshot-dialog.sh [build-dir] [output-dir]
#
# build-dir defaults to build/win64 (its dialog_demo target is built first);
# the pictures go to build/screenshots/dialog-page1.png, -page2.png, -page3.png.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build/win64}
output_dir=${2:-build/screenshots}
title="Kelvaro 99  ULVEX Screen Saver Configuration"

for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing (tools/setup.sh)" >&2; exit 2; }
done
cmake --build "$build_dir" --target dialog_demo >/dev/null
demo="$build_dir/dialog_demo.exe"
mkdir -p "$output_dir"

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

# Our own screen, so that the pictures can be taken while the sandbox runs.
exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
display_number=
read -r -t 10 display_number <&"$display_fd" || true
exec {display_fd}<&-
[ -n "$display_number" ] || { echo "screenshot: Xvfb did not start" >&2; exit 2; }
export DISPLAY=":$display_number"

for page in 0 1 2; do
  output="$output_dir/dialog-page$((page + 1)).png"
  # The demo closes the dialog by itself; the picture is taken well before.
  tools/wine-sandbox.sh -- "$demo" --page "$page" --close-after 20 &
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
done
