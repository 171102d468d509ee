#!/usr/bin/env bash
# The main program is a 32-bit program: on 64-bit Windows its keys lie in the
# 32-bit view of HKLM\SOFTWARE. This check seeds the product's folder
# ("EXEPath"), its options and the saver settings only there ("reg add
# /reg:32") in a throwaway Wine sandbox (tools/wine-sandbox.sh), and checks
# that the 64-bit saver uses them:
#   - "/S" runs with the options (the settings choose them): the shared-DLL
#     scan, which the safety set leaves off, removes its orphan, the help
#     scan, which only the safety set runs, leaves its one; the dated backup
#     lies in the 32-bit view's product folder;
#   - the dialog, closed with Escape, stores the settings back into the
#     32-bit view and makes no key in the 64-bit one.
#
#   tools/check-product-views.sh build/win64/ZentSaver.scr
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
  if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "usage: $0 path/to/ZentSaver.scr" >&2
    exit 2
  fi
  command -v xdotool >/dev/null || { echo "$0: xdotool is missing (tools/setup.sh)" >&2; exit 2; }
  exec "$here/wine-sandbox.sh" --copy "$1" -- "$here/check-product-views.sh" --inside \
    "$(basename "$1")"
fi

# --- inside the sandbox -----------------------------------------------------

# shellcheck source=tools/lib/report-stop.sh
source "$here/lib/report-stop.sh"
# shellcheck source=tools/lib/saver-status.sh
source "$here/lib/saver-status.sh"

program="C:\\zent-run\\$2"
product='HKLM\SOFTWARE\Ortavo\Kelvaro-ZENT'
product_folder="$WINEPREFIX/drive_c/ZentViews"
shared='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs'
gone_dll='C:\ZentViewsGone\zentviews.dll'
help_key='HKLM\SOFTWARE\Microsoft\Windows\Help'
status_log=$(mktemp)
failures=0
pid=

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

# in_view VIEW KEY [NAME]: the key (or its value NAME) is there in that view.
in_view() {
  if [ $# -eq 2 ]; then
    wine64 "$ZENT_REG" query "$2" "/reg:$1" >/dev/null 2>&1
  else
    wine64 "$ZENT_REG" query "$2" /v "$3" "/reg:$1" >/dev/null 2>&1
  fi
}

# add VIEW KEY NAME TYPE DATA
add() {
  wine64 "$ZENT_REG" add "$2" /v "$3" /t "$4" /d "$5" /f "/reg:$1" >/dev/null
}

# The program's visible window (Wine names the X window class after the
# lower-cased program file).
find_window() {
  local class
  class=$(printf '%s' "${program##*\\}" | tr '[:upper:]' '[:lower:]' | sed 's/\./\\./g')
  { xdotool search --onlyvisible --classname "^$class\$" 2>/dev/null || true; } | head -n 1
}

# ends_within LABEL SECONDS [ACTION]: the program ends within SECONDS; ACTION
# runs once a second meanwhile.
ends_within() {
  local label=$1 limit=$2 action=${3:-true} started=$SECONDS status=0
  while kill -0 "$pid" 2>/dev/null && [ $((SECONDS - started)) -lt "$limit" ]; do
    $action
    sleep 1
  done
  if kill -0 "$pid" 2>/dev/null; then
    fail "$label: still running after $limit s"
    kill "$pid" 2>/dev/null || true
    wineserver -k >/dev/null 2>&1 || true
  fi
  wait "$pid" || status=$?
  pid=
  [ "$status" -eq 0 ] || fail "$label: exit code $status"
}

# Input ends the saver once its run has completed.
end_saver_when_done() {
  saver_status_reached "$status_log" "Search completed." || return 0
  xdotool mousemove $((100 + RANDOM % 600)) $((100 + RANDOM % 400)) >/dev/null 2>&1 || true
  xdotool key --clearmodifiers shift >/dev/null 2>&1 || true
}

close_dialog() {
  local window
  window=$(find_window)
  [ -n "$window" ] || return 0
  xdotool windowfocus "$window" >/dev/null 2>&1 || true
  xdotool key --clearmodifiers Escape >/dev/null 2>&1 || true
}

stop_context="seeding the 32-bit view"
add 32 "$product" EXEPath REG_SZ 'C:\ZentViews'
add 32 "$product\\Saver" MODE REG_DWORD 2
for switch in CUSTOM-REG REG-SHARED_DLLS CHECKDRIVE_C; do
  add 32 "$product\\Options" "$switch" REG_DWORD 1
done
add 64 "$shared" "$gone_dll" REG_DWORD 1
add 64 "$help_key" zentviews.hlp REG_SZ 'C:\ZentViewsGone'
stop_context=
if in_view 64 "$product"; then
  fail "the product's key is in the 64-bit view too"
fi

WINEDEBUG=$saver_status_channels wine64 "$program" /S 2>"$status_log" &
pid=$!
ends_within "the saver with the options of the 32-bit view" 180 end_saver_when_done
if ! saver_status_reached "$status_log" "Search completed."; then
  fail "the run did not complete"
  saver_errors "$status_log"
fi
if in_view 64 "$shared" "$gone_dll"; then
  fail "the orphaned shared DLL stayed: the options were not used"
else
  echo "ok   the shared-DLL scan the options switch on removed its orphan"
fi
if in_view 64 "$help_key" zentviews.hlp; then
  echo "ok   the help scan the options leave off kept its orphan"
else
  fail "the orphaned help value went: the safety set was used"
fi
if compgen -G "$product_folder/BACKUP/*.reg" >/dev/null; then
  echo "ok   the backup lies in the product folder of the 32-bit view"
else
  fail "no backup in $product_folder/BACKUP"
fi

wine64 "$program" &
pid=$!
ends_within "the dialog closed with Escape" 60 close_dialog
if in_view 32 "$product\\Saver" STARS && ! in_view 64 "$product\\Saver"; then
  echo "ok   the dialog stored its settings in the 32-bit view"
else
  fail "the dialog's settings did not go back to the 32-bit view alone"
fi
if in_view 64 "$product"; then fail "the dialog made the product's key in the 64-bit view"; fi

[ "$failures" -eq 0 ] || exit 1
echo "the 64-bit saver reads and writes the product's keys where the main program keeps them"
