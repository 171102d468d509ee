#!/usr/bin/env bash
# Opens the configuration dialog in a throwaway Wine sandbox
# (tools/wine-sandbox.sh) on the demo machine (tools/lib/seed-demo-registry.sh)
# and presses "Clean now" on its first page: a cleaning run of the saver must
# start beside the open dialog (under Wine "runas" starts it with the same
# rights) and complete, leaving a dated backup and a run-log block in the
# product's backup folder, while the dialog stays open; after the run has
# ended, the dialog still closes normally and stores its settings.
#
#   tools/check-clean-now.sh build/win64/ZentSaver.scr
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
  if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "usage: $0 path/to/ZentSaver.scr" >&2
    exit 2
  fi
  command -v xdotool >/dev/null || { echo "$0: xdotool is missing (tools/setup.sh)" >&2; exit 2; }
  exec "$here/wine-sandbox.sh" --copy "$1" -- "$here/check-clean-now.sh" --inside \
    "$(basename "$1")"
fi

# --- inside the sandbox -----------------------------------------------------

# shellcheck source=tools/lib/report-stop.sh
source "$here/lib/report-stop.sh"
# shellcheck source=tools/lib/seed-demo-registry.sh
source "$here/lib/seed-demo-registry.sh"
# shellcheck source=tools/lib/saver-status.sh
source "$here/lib/saver-status.sh"

program="C:\\zent-run\\$2"
backup_folder=$(demo_unix_path "$demo_product\\BACKUP")
status_log=$(mktemp)
failures=0

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

dialog_window() {
  xdotool search --onlyvisible --name 'Screen Saver Configuration$' 2>/dev/null | head -n 1
}
saver_window() {
  xdotool search --onlyvisible --name '^Screensaver$' 2>/dev/null | head -n 1
}

# wait_for SECONDS COMMAND...: until the command succeeds; false after SECONDS.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

dated_backups() {
  find "$backup_folder" -maxdepth 1 -iname '*.reg' ! -iname 1.reg ! -iname dummy.reg 2>/dev/null
}
has_dated_backup() { [ -n "$(dated_backups)" ]; }
run_completed() { saver_status_reached "$status_log" 'Search completed.'; }
dialog_shown() { [ -n "$(dialog_window)" ]; }
saver_gone() { [ -z "$(saver_window)" ]; }

stop_context='seeding the demo machine'
seed_demo >/dev/null

stop_context='the dialog'
# A working folder on the prefix's own drive, as Windows gives a program.
cd "$WINEPREFIX/drive_c/zent-run"
WINEDEBUG=$saver_status_channels wine64 "$program" 2>"$status_log" &
dialog_pid=$!
if ! wait_for 60 dialog_shown; then
  echo "FAIL the dialog did not appear"
  exit 1
fi
window=$(dialog_window)
sleep 1
# shellcheck disable=SC2034  # SCREEN and WINDOW come with the geometry
eval "$(xdotool getwindowgeometry --shell "$window")"
frame=$(((WIDTH - 482) / 2))
client_x=$((X + frame))
client_y=$((Y + HEIGHT - 473 - frame))
click_at() {
  xdotool mousemove "$((client_x + $1))" "$((client_y + $2))" click 1
  sleep 0.5
}
click_at 25 10                   # the first page's tab
click_at $((4 + 8 + 30)) $((22 + 304 + 8)) # "Clean now"

stop_context='the cleaning run'
if wait_for 180 run_completed; then
  echo "ok   the button started a cleaning run that completed"
else
  fail "no cleaning run completed after the button was pressed"
  saver_errors "$status_log"
fi
if kill -0 "$dialog_pid" 2>/dev/null; then
  echo "ok   the dialog stayed open while the run went on"
else
  fail "the dialog's program ended when the run started"
fi
if has_dated_backup; then
  echo "ok   a dated backup: $(basename "$(dated_backups | head -n 1)")"
else
  fail "no dated backup in $demo_product\\BACKUP"
fi
log="$backup_folder/ZentRun.log"
if [ -f "$log" ] && grep -q '^=== ZentSaver run started' <<<"$(tr -d '\r' <"$log" | sed '1s/^\xEF\xBB\xBF//')"; then
  echo "ok   the run log holds the run's block"
else
  fail "no run-log block in $demo_product\\BACKUP\\ZentRun.log"
fi

stop_context='ending the run'
xdotool key --clearmodifiers Escape >/dev/null 2>&1 || true
wait_for 30 saver_gone || fail "the saver's window stayed after a key press"
if dialog_shown; then
  echo "ok   the dialog is still shown after the run"
else
  fail "the dialog is gone after the run"
fi

stop_context='closing the dialog'
xdotool windowactivate --sync "$(dialog_window)" >/dev/null 2>&1 || true
xdotool key --clearmodifiers alt+F4 >/dev/null 2>&1 || true
if wait_for 20 bash -c "! kill -0 $dialog_pid 2>/dev/null"; then
  wait "$dialog_pid" && echo "ok   the dialog closed normally" || fail "the dialog ended with an error"
else
  fail "the dialog did not close"
  kill "$dialog_pid" 2>/dev/null || true
fi

[ "$failures" -eq 0 ] || exit 1
echo "Clean now runs the saver beside the open dialog"
