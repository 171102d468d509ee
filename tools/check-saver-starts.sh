#!/usr/bin/env bash
# Starts the screen saver in a throwaway Wine sandbox (tools/wine-sandbox.sh)
# in each of its modes, checks what it shows and that it ends with exit code 0:
#   "/P"          (the preview) by itself, at once, showing no window;
#   "/S"          (the saver) shows its window and starts a cleaning run, and
#                 ends once it sees input: the mouse is moved and a key pressed
#                 every second once the run has begun;
#   no argument   (the configuration dialog, as with "/c:1234" from the
#                 display settings) shows the dialog, by its caption, and no
#                 other window, starts no cleaning run, and ends once the
#                 dialog is closed with Alt+F4, as with its close button.
# A cleaning run always makes the backup folder in the product's folder,
# which the check names in the sandbox's registry. Without that folder in the
# registry, and started from a folder outside the prefix's drives, the saver
# makes its backup folder and run log in C:\BACKUP and writes nothing into
# the folder it was started from.
#
#   tools/check-saver-starts.sh build/win64/ZentSaver.scr
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
  if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "usage: $0 path/to/ZentSaver.scr" >&2
    exit 2
  fi
  exec "$here/wine-sandbox.sh" --copy "$1" -- "$here/check-saver-starts.sh" --inside \
    "$(basename "$1")"
fi

# --- inside the sandbox -----------------------------------------------------

# shellcheck source=tools/lib/report-stop.sh
source "$here/lib/report-stop.sh"

program="C:\\zent-run\\$2"
product_key='HKLM\SOFTWARE\Ortavo\Kelvaro-ZENT'
product_folder="$WINEPREFIX/drive_c/ZentStartCheck"
dialog_caption='Kelvaro 99  ULVEX Screen Saver Configuration'
failures=0

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

if ! wine64 "$ZENT_REG" add "$product_key" /v EXEPath /d 'C:\ZentStartCheck' /f /reg:64 >/dev/null; then
  echo "FAIL the product folder could not be set in the registry"
  exit 1
fi

# What the program has shown so far: the dialog's window (by its caption)
# and the names of its other windows. Wine names the X window class after the
# lower-cased program file.
dialog_window=
other_windows=()
look_at_windows() {
  local class ids id name
  class=$(printf '%s' "${program##*\\}" | tr '[:upper:]' '[:lower:]' | sed 's/\./\\./g')
  ids=$(xdotool search --onlyvisible --classname "^$class\$" 2>/dev/null) || return 0
  for id in $ids; do
    name=$(xdotool getwindowname "$id" 2>/dev/null) || continue
    if [ "$name" = "$dialog_caption" ]; then
      dialog_window=$id
    elif [[ " ${other_windows[*]} " != *" \"$name\" "* ]]; then
      other_windows+=("\"$name\"")
    fi
  done
}

backup_folder="$product_folder/BACKUP"
run_started() { [ -d "$backup_folder" ]; }

poke_with_input() {
  xdotool mousemove $((100 + RANDOM % 600)) $((100 + RANDOM % 400)) >/dev/null 2>&1 || true
  xdotool key --clearmodifiers shift >/dev/null 2>&1 || true
}

close_dialog() {
  xdotool windowfocus "$dialog_window" >/dev/null 2>&1 || true
  xdotool key --clearmodifiers alt+F4 >/dev/null 2>&1 || true
}

# check LABEL SECONDS EXPECT [ARGS...]: starts the saver with ARGS and waits
# at most SECONDS for its end. EXPECT: nothing (no window, no run), saver
# (its window and a cleaning run; then input once a second) or dialog (the
# dialog alone, no run; it is closed once seen).
check() {
  local label=$1 limit=$2 expect=$3
  shift 3
  rm -rf "$product_folder" "$backup_folder"
  dialog_window=
  other_windows=()
  local started=$SECONDS status=0 ended=1
  wine64 "$program" "$@" &
  local pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    if [ $((SECONDS - started)) -ge "$limit" ]; then
      fail "$label: still running after $limit s"
      kill "$pid" 2>/dev/null || true
      wineserver -k >/dev/null 2>&1 || true
      ended=0
      break
    fi
    look_at_windows
    case "$expect" in
      saver)
        if { [ ${#other_windows[@]} -gt 0 ] && run_started; } ||
          [ $((SECONDS - started)) -ge 20 ]; then
          poke_with_input
        fi
        ;;
      dialog) [ -z "$dialog_window" ] || close_dialog ;;
    esac
    sleep 1
  done
  wait "$pid" || status=$?
  local wrong=()
  if [ "$ended" = 1 ] && [ "$status" -ne 0 ]; then wrong+=("exit code $status"); fi
  case "$expect" in
    saver)
      [ ${#other_windows[@]} -gt 0 ] || wrong+=("no saver window appeared")
      [ -z "$dialog_window" ] || wrong+=("the configuration dialog appeared")
      run_started || wrong+=("no cleaning run started (no backup folder)")
      ;;
    *)
      if [ "$expect" = dialog ] && [ -z "$dialog_window" ]; then
        wrong+=("the configuration dialog did not appear")
      fi
      if [ "$expect" = nothing ] && [ -n "$dialog_window" ]; then
        wrong+=("the configuration dialog appeared")
      fi
      [ ${#other_windows[@]} -eq 0 ] || wrong+=("other windows appeared: ${other_windows[*]}")
      ! run_started || wrong+=("a cleaning run started (its backup folder was made)")
      ;;
  esac
  if [ ${#wrong[@]} -gt 0 ]; then
    local text
    printf -v text '%s; ' "${wrong[@]}"
    fail "$label: ${text%; }"
  elif [ "$ended" = 1 ]; then
    echo "ok   $label: ended after $((SECONDS - started)) s"
  fi
}

check "preview (/P)" 20 nothing /P
check "saver (/S), ended by input" 90 saver /S
check "configuration dialog, closed with Alt+F4" 30 dialog
check "configuration dialog (/c:1234), closed with Alt+F4" 30 dialog /c:1234

wine64 "$ZENT_REG" delete "$product_key" /v EXEPath /f /reg:64 >/dev/null
elsewhere="$ZENT_SANDBOX/elsewhere"
mkdir -p "$elsewhere"
backup_folder="$WINEPREFIX/drive_c/BACKUP"
cd "$elsewhere"
check "saver (/S) without a product folder, from a folder outside the prefix" 90 saver /S
cd "$OLDPWD"
written=$(ls -A "$elsewhere")
[ -z "$written" ] || fail "files written into the folder the saver was started from: $written"
if ! grep -q 'backup folder: C:\\BACKUP (no main program folder is known' \
  "$backup_folder/ZentRun.log" 2>/dev/null; then
  fail "the run log in C:\\BACKUP does not say why the backup folder lies there"
fi

[ "$failures" -eq 0 ] || exit 1
echo "the saver starts and ends in every mode"
