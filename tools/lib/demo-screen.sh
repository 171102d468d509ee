# shellcheck shell=bash
# Shared by the demo screenshot scripts (sourced, not run): a private virtual
# screen, a demo program in a Wine sandbox on it, and a picture of its window.
# Both are ended by an EXIT trap, also when a step fails.

require_screen_tools() {
  local tool
  for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null ||
      { echo "screenshot: $tool is missing (tools/setup.sh)" >&2; exit 2; }
  done
}

xvfb_pid=
sandbox_pid=
end_screen_and_sandbox() {
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

# start_screen WIDTHxHEIGHT: our own screen, so that pictures can be taken
# while the sandbox runs; the sandbox uses it instead of starting its own.
start_screen() {
  trap end_screen_and_sandbox EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  exec {display_fd}<> <(:)
  Xvfb -displayfd "$display_fd" -screen 0 "$1x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  local display_number=
  read -r -t 10 display_number <&"$display_fd" || true
  exec {display_fd}<&-
  [ -n "$display_number" ] || { echo "screenshot: Xvfb did not start" >&2; exit 2; }
  export DISPLAY=":$display_number"
}

# capture_demo TITLE OUTPUT DEMO [ARGS...]: runs the demo in a sandbox (it
# closes its window by itself, well after the picture) and saves a picture of
# the window named TITLE, with a margin around it.
capture_demo() {
  local title=$1 output=$2
  shift 2
  tools/wine-sandbox.sh -- "$@" &
  sandbox_pid=$!
  local window
  window=$(timeout 90 xdotool search --sync --name "^$title\$" | head -n 1) || true
  [ -n "$window" ] || { echo "screenshot: the window \"$title\" did not appear" >&2; exit 1; }
  sleep 2  # let it paint
  # Declared so that the eval below sets locals only; SCREEN and WINDOW go unused.
  # shellcheck disable=SC2034
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$window")"
  local margin=16
  import -window root -crop "$((WIDTH + 2 * margin))x$((HEIGHT + 2 * margin))+$((X > margin ? X - margin : 0))+$((Y > margin ? Y - margin : 0))" +repage "$output"
  echo "screenshot: $output"
  wait "$sandbox_pid"
  sandbox_pid=
}
