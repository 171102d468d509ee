#!/usr/bin/env bash
# Runs the screen saver in a throwaway Wine sandbox (tools/wine-sandbox.sh) on
# a virtual screen and checks what a user sees and does:
#   - "/S" covers the screen with a black window showing grey stars that move,
#     and a blinking message line across the middle;
#   - a second copy started meanwhile ends at once, the first runs on;
#   - the pointer at rest does not end the saver, moving the mouse does (by
#     the second report at a new point: whether the window's appearance
#     under the pointer already counts as the first report is Wine's timing,
#     so the exact first-report rule is left to the Wine tests, which send
#     the reports themselves);
#   - a key press ends it;
#   - "/P" and "/p" end at once;
#   - the window keeps its caption "Screensaver" while the status line changes,
#     which the saver reports on the debugger channel instead.
# Every end must come with exit code 0.
#
#   tools/check-saver-behaviour.sh build/win64/ZentSaver.scr [screenshot.png]
#
# With a second argument the screenshot of the running saver is kept there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
  if [ $# -lt 1 ] || [ $# -gt 2 ] || [ ! -f "$1" ]; then
    echo "usage: $0 path/to/ZentSaver.scr [screenshot.png]" >&2
    exit 2
  fi
  for tool in xdotool import convert python3; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is missing (tools/setup.sh)" >&2; exit 2; }
  done
  outbox=$(mktemp -d)
  trap 'rm -rf "$outbox"' EXIT
  status=0
  "$here/wine-sandbox.sh" --copy "$1" --output "$outbox" -- "$here/check-saver-behaviour.sh" \
    --inside "$(basename "$1")" || status=$?
  if [ -n "${2:-}" ] && [ -f "$outbox/saver.png" ]; then
    mkdir -p "$(dirname "$2")"
    cp "$outbox/saver.png" "$2"
    echo "screenshot: $2"
  fi
  exit "$status"
fi

# --- inside the sandbox -----------------------------------------------------

# shellcheck source=tools/lib/report-stop.sh
source "$here/lib/report-stop.sh"

program="C:\\zent-run\\$2"
outbox=$ZENT_OUTPUT
failures=0
saver_pid=

# shellcheck source=tools/lib/saver-status.sh
source "$(dirname "$0")/lib/saver-status.sh"
status_log=$(mktemp)

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

# The saver's window, found by its program: Wine names the X window class
# after the lower-cased program file.
find_saver_window() {
  local class
  class=$(printf '%s' "${program##*\\}" | tr '[:upper:]' '[:lower:]' | sed 's/\./\\./g')
  xdotool search --onlyvisible --classname "^$class\$" 2>/dev/null | head -n 1
}

# Waits until the saver window is on the screen; false when the saver ends
# first or after 60 s.
wait_for_window() {
  local deadline=$((SECONDS + 60))
  while [ "$SECONDS" -lt "$deadline" ]; do
    kill -0 "$saver_pid" 2>/dev/null || return 1
    [ -n "$(find_saver_window)" ] && return 0
    sleep 0.2
  done
  return 1
}

# What the screen and the sandbox hold, for a failure report.
describe_screen() {
  echo "       X windows with a name:"
  xwininfo -root -tree 2>/dev/null | grep -E '^ +0x[0-9a-f]+ "' | sed 's/^ */         /' || true
  echo "       Wine processes:"
  pgrep -a -i -f 'wine|[.]exe|[.]scr' | sed 's/^/         /' || true
}

# As when Windows starts a saver, the pointer has rested for a while.
start_saver() {
  xdotool mousemove 500 400 >/dev/null 2>&1 || true
  sleep 1
  WINEDEBUG=$saver_status_channels wine64 "$program" /S 2>"$status_log" &
  saver_pid=$!
  if ! wait_for_window; then
    if kill -0 "$saver_pid" 2>/dev/null; then
      fail "$1: the saver window did not appear"
      describe_screen
    else
      fail "$1: the saver ended before its window was seen"
    fi
    stop_saver
    return 1
  fi
  sleep 2  # let the stars move out from the centre
}

stop_saver() {
  if [ -n "$saver_pid" ]; then
    kill "$saver_pid" 2>/dev/null || true
    wineserver -k >/dev/null 2>&1 || true
    wait "$saver_pid" 2>/dev/null || true
  fi
  saver_pid=
}

# ends_within LABEL SECONDS: the saver ends with exit code 0 within SECONDS.
ends_within() {
  local label=$1 limit=$2 waited=0 status=0
  while kill -0 "$saver_pid" 2>/dev/null && [ "$waited" -lt "$limit" ]; do
    sleep 1
    waited=$((waited + 1))
  done
  if kill -0 "$saver_pid" 2>/dev/null; then
    fail "$label: still running after $limit s"
    stop_saver
    return
  fi
  wait "$saver_pid" || status=$?
  saver_pid=
  if [ "$status" -eq 0 ]; then echo "ok   $label"; else fail "$label: exit code $status"; fi
}

still_running() {
  if kill -0 "$saver_pid" 2>/dev/null; then echo "ok   $1"; else fail "$1: the saver ended"; fi
}

# quick_end LABEL ARGS...: the program ends by itself within 20 s, exit code 0.
quick_end() {
  local label=$1 status=0
  shift
  if timeout 20 wine64 "$program" "$@"; then
    echo "ok   $label"
  else
    status=$?
    fail "$label: exit code $status (124: still running after 20 s)"
  fi
}

check_screen() {
  local shot="$outbox/saver.png" size
  import -window root "$shot"
  size=$(identify -format '%w %h' "$shot")
  # shellcheck disable=SC2086  # width and height
  if convert "$shot" -depth 8 rgb:- | python3 "$(dirname "$0")/analyse-starfield.py" $size; then
    echo "ok   the screen is black with grey stars"
  else
    fail "the screen does not show the starfield"
  fi
  local later="$outbox/later.png" changed
  sleep 1
  import -window root "$later"
  changed=$(compare -metric AE "$shot" "$later" null: 2>&1 >/dev/null || true)
  if [ "${changed%% *}" != 0 ]; then
    echo "ok   the stars move ($changed pixels changed in a second)"
  else
    fail "the screen did not change in a second"
  fi
  rm -f "$later"
}

# The message line sits at half the screen height and blinks: some of a dozen
# quick pictures of its band show the text, others hardly anything (a star may
# cross the band). It is looked at once the run has completed: while a scan
# runs the line may be empty, as the scans' own texts are not in the string
# table, and a long scan would leave nothing to see.
check_message_line() {
  local size width height counts=() band lit
  size=$(identify -format '%w %h' "$outbox/saver.png")
  width=${size% *}
  height=${size#* }
  for _ in $(seq 12); do
    band="$outbox/band.png"
    import -window root -crop "${width}x13+0+$((height / 2))" +repage "$band"
    lit=$(convert "$band" -threshold 0 -format '%[fx:round(mean*w*h)]' info:)
    counts+=("$lit")
  done
  rm -f "$band"
  local most=0 fewest=999999
  for lit in "${counts[@]}"; do
    [ "$lit" -gt "$most" ] && most=$lit
    [ "$lit" -lt "$fewest" ] && fewest=$lit
  done
  if [ "$most" -ge 30 ] && [ $((fewest * 2)) -lt "$most" ]; then
    echo "ok   the message line blinks (lit pixels in its band: ${counts[*]})"
  else
    fail "the message line does not show and blink (lit pixels in its band: ${counts[*]})"
  fi
}

# Once the run has completed, the window still bears its name.
check_caption() {
  local deadline=$((SECONDS + 60)) name
  while [ "$SECONDS" -lt "$deadline" ] && ! saver_status_reached "$status_log" "Search completed."; do
    sleep 0.5
  done
  if saver_status_reached "$status_log" "Search completed."; then
    echo "ok   the status line is reported on the debugger channel up to \"Search completed.\""
  else
    fail "the debugger channel did not carry the status up to \"Search completed.\""
    saver_errors "$status_log"
  fi
  name=$(xdotool getwindowname "$(find_saver_window)" 2>/dev/null || true)
  if [ "$name" = Screensaver ]; then
    echo "ok   the window's caption stays \"Screensaver\""
  else
    fail "the window's caption reads \"$name\""
  fi
}

quick_end "\"/P\" ends at once" /P
quick_end "\"/p 1234\" ends at once" /p 1234

if start_saver "starfield"; then
  check_screen
  check_caption
  check_message_line
  quick_end "a second copy (/S) ends at once" /S
  still_running "the first copy runs on after the second ended"
  sleep 1
  still_running "the pointer at rest does not end the saver"
  xdotool mousemove 510 410
  sleep 1
  if kill -0 "$saver_pid" 2>/dev/null; then xdotool mousemove 700 600; fi
  ends_within "moving the mouse ends the saver" 15
fi

if start_saver "key press"; then
  xdotool key --clearmodifiers space
  ends_within "a key press ends the saver" 15
fi

stop_saver
[ "$failures" -eq 0 ] || exit 1
echo "the saver shows its starfield and ends on input"
