#!/usr/bin/env bash
# Starts the screen saver in a throwaway Wine sandbox (tools/wine-sandbox.sh)
# in each of its modes and checks that it ends with exit code 0:
#   "/P"          (the preview) by itself, at once;
#   "/S"          (the saver) once it sees input: the mouse is moved and a key
#                 pressed every second;
#   no argument   (the configuration dialog, as with "/c:1234" from the
#                 display settings) once it is closed with Alt+F4,
#                 as with its close button.
#
#   tools/check-saver-starts.sh build/win64/ZentSaver.scr
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
  if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "usage: $0 path/to/ZentSaver.scr" >&2
    exit 2
  fi
  exec "$here/wine-sandbox.sh" --copy "$1" -- bash "$here/check-saver-starts.sh" --inside \
    "$(basename "$1")"
fi

# --- inside the sandbox -----------------------------------------------------

program="C:\\zent-run\\$2"
failures=0

poke_with_input() {
  xdotool mousemove $((100 + RANDOM % 600)) $((100 + RANDOM % 400)) >/dev/null 2>&1 || true
  xdotool key --clearmodifiers shift >/dev/null 2>&1 || true
}

poke_with_close() {
  local window
  window=$(xdotool search --onlyvisible --name '.' 2>/dev/null | tail -n 1) || true
  [ -n "$window" ] || return 0
  xdotool windowfocus "$window" >/dev/null 2>&1 || true
  xdotool key --clearmodifiers alt+F4 >/dev/null 2>&1 || true
}

# check LABEL SECONDS POKE [ARGS...]: starts the saver with ARGS, pokes it
# once a second (POKE: none, input or close) and waits at most SECONDS.
check() {
  local label=$1 limit=$2 poke=$3
  shift 3
  local started=$SECONDS status=0
  wine "$program" "$@" &
  local pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    if [ $((SECONDS - started)) -ge "$limit" ]; then
      echo "FAIL $label: still running after $limit s"
      kill "$pid" 2>/dev/null || true
      wineserver -k >/dev/null 2>&1 || true
      wait "$pid" 2>/dev/null || true
      failures=$((failures + 1))
      return
    fi
    sleep 1
    case "$poke" in
      input) poke_with_input ;;
      close) poke_with_close ;;
    esac
  done
  wait "$pid" || status=$?
  if [ "$status" -eq 0 ]; then
    echo "ok   $label: ended after $((SECONDS - started)) s"
  else
    echo "FAIL $label: exit code $status"
    failures=$((failures + 1))
  fi
}

check "preview (/P)" 20 none /P
check "saver (/S), ended by input" 90 input /S
check "configuration dialog, closed with Alt+F4" 30 close
check "configuration dialog (/c:1234), closed with Alt+F4" 30 close /c:1234

[ "$failures" -eq 0 ] || exit 1
echo "the saver starts and ends in every mode"
