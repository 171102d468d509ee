#!/usr/bin/env bash
# Opens the configuration dialog (the saver started without an argument) in a
# throwaway Wine sandbox (tools/wine-sandbox.sh) on a virtual screen, changes
# its settings with the mouse and the keyboard as a user would, closes it and
# reads the stored values back with the 64-bit "reg query". Three rounds, each
# closed another way (Escape, Apply, Alt+F4, which is the close button's
# way); each round starts from what the last one stored, so the values it
# leaves alone must survive loading and storing unchanged.
#
#   tools/check-dialog-settings.sh build/win64/ZentSaver.scr
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
  if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "usage: $0 path/to/ZentSaver.scr" >&2
    exit 2
  fi
  command -v xdotool >/dev/null || { echo "$0: xdotool is missing (tools/setup.sh)" >&2; exit 2; }
  exec "$here/wine-sandbox.sh" --copy "$1" -- "$here/check-dialog-settings.sh" --inside \
    "$(basename "$1")"
fi

# --- inside the sandbox -----------------------------------------------------

# shellcheck source=tools/lib/report-stop.sh
source "$here/lib/report-stop.sh"

program="C:\\zent-run\\$2"
settings_key='HKLM\SOFTWARE\Ortavo\Kelvaro-ZENT\Saver'
failures=0
dialog_pid=
window=

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

# The dialog's client area is 482 x 473; whatever the X window has around it
# is the frame, equal on the left, right and bottom.
client_x=0
client_y=0
# Where the tab control puts its pages in the client area under Wine.
page_x=4
page_y=22

# The dialog's window, found by its program (Wine names the X window class
# after the lower-cased program file); it is the program's only visible one.
find_dialog() {
  local class
  class=$(printf '%s' "${program##*\\}" | tr '[:upper:]' '[:lower:]' | sed 's/\./\\./g')
  xdotool search --onlyvisible --classname "^$class\$" 2>/dev/null | head -n 1
}

open_dialog() {
  wine64 "$program" &
  dialog_pid=$!
  local deadline=$((SECONDS + 60))
  window=
  while [ -z "$window" ] && [ "$SECONDS" -lt "$deadline" ]; do
    kill -0 "$dialog_pid" 2>/dev/null || break
    window=$(find_dialog)
    [ -n "$window" ] || sleep 0.2
  done
  if [ -z "$window" ]; then
    fail "the dialog did not appear"
    return 1
  fi
  sleep 1  # let it paint and take the focus
  # shellcheck disable=SC2034  # SCREEN and WINDOW come with the geometry
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$window")"
  local frame=$(((WIDTH - 482) / 2))
  client_x=$((X + frame))
  client_y=$((Y + HEIGHT - 473 - frame))
  xdotool windowfocus "$window" >/dev/null 2>&1 || true
}

# click_at X Y: a click at a point of the client area.
click_at() {
  xdotool mousemove "$((client_x + $1))" "$((client_y + $2))" click 1
  sleep 0.3
}

# click_on_page LEFT TOP: a click a little inside a control laid out at
# (LEFT, TOP) on a page.
click_on_page() { click_at "$((page_x + $1 + 30))" "$((page_y + $2 + 8))"; }

keys() {
  xdotool key --clearmodifiers "$@"
  sleep 0.3
}

# Tabs of the pages, at a point each tab covers whatever the font's width.
show_page() {
  case "$1" in
    1) click_at 25 10 ;;
    2) click_at 90 10 ;;
    3) click_at 155 10 ;;
  esac
}

set_star_count() {
  click_on_page 104 72 # the star-count edit
  keys End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
  xdotool type --delay 50 "$1"
}

# set_speed N: the track bar takes the focus on a click; Home is its minimum 1.
set_speed() {
  click_on_page 200 128
  keys Home
  for _ in $(seq 2 "$1"); do keys Right; done
}

# ends_within LABEL: the dialog's program ends with exit code 0 within 20 s.
ends_within() {
  local label=$1 waited=0 status=0
  while kill -0 "$dialog_pid" 2>/dev/null && [ "$waited" -lt 100 ]; do
    sleep 0.2
    waited=$((waited + 1))
  done
  if kill -0 "$dialog_pid" 2>/dev/null; then
    fail "$label: the dialog is still open after 20 s"
    kill "$dialog_pid" 2>/dev/null || true
    wineserver -k >/dev/null 2>&1 || true
    wait "$dialog_pid" 2>/dev/null || true
    dialog_pid=
    return 1
  fi
  wait "$dialog_pid" || status=$?
  dialog_pid=
  if [ "$status" -ne 0 ]; then
    fail "$label: exit code $status"
    return 1
  fi
}

# The number a value of the settings key holds, in the 64-bit view the saver
# writes to; nothing when there is no such value.
stored_value() {
  local output
  output=$(wine64 "$ZENT_REG" query "$settings_key" /v "$1" /reg:64 2>/dev/null) || return 0
  printf '%s\n' "$output" | tr -d '\r' |
    awk -v name="$1" '$1 == name && $2 == "REG_DWORD" { print $3 }'
}

# expect_stored LABEL NAME=VALUE...: the settings key holds these numbers.
expect_stored() {
  local label=$1 pair name want got wrong=()
  shift
  for pair in "$@"; do
    name=${pair%=*}
    want=${pair#*=}
    got=$(stored_value "$name")
    if [ -z "$got" ]; then
      wrong+=("$name missing")
    elif [ "$((got))" -ne "$want" ]; then
      wrong+=("$name=$((got)), not $want")
    fi
  done
  if [ ${#wrong[@]} -eq 0 ]; then
    echo "ok   $label: $*"
  else
    fail "$label: ${wrong[*]}"
  fi
}

if [ -n "$(stored_value MODE)" ]; then
  fail "the sandbox already holds saver settings"
fi

# Round 1, from the defaults (safety settings, 100 stars, speed 2, blocks,
# never delete): everything changed, closed with Escape.
if open_dialog; then
  set_star_count 321
  set_speed 7
  click_on_page 8 192 # the 4-pixel check box: off
  show_page 1
  click_on_page 8 200 # main program settings
  show_page 3
  click_on_page 8 104 # always delete write-protected files
  keys Escape
  if ends_within "closed with Escape"; then
    expect_stored "Escape stores the settings" MODE=2 STARS=321 SPEED=7 BLOCK=0 WRITE-PROTECT=2
  fi
fi

# Round 2: only the star count changed, closed with Apply.
if open_dialog; then
  set_star_count 4500
  click_at $((392 + 44)) $((432 + 16)) # Apply
  if ends_within "closed with Apply"; then
    expect_stored "Apply stores the settings" MODE=2 STARS=4500 SPEED=7 BLOCK=0 WRITE-PROTECT=2
  fi
fi

# Round 3: back to the safe choices, closed as by the close button.
if open_dialog; then
  click_on_page 8 192 # the 4-pixel check box: on again
  show_page 1
  click_on_page 8 104 # safety settings
  show_page 3
  click_on_page 8 64 # never delete write-protected files
  keys alt+F4
  if ends_within "closed with Alt+F4"; then
    expect_stored "closing stores the settings" MODE=1 STARS=4500 SPEED=7 BLOCK=1 WRITE-PROTECT=1
  fi
fi

[ "$failures" -eq 0 ] || exit 1
echo "the dialog stores what its controls show, however it is closed"
