# shellcheck shell=bash
# Following a running saver (sourced, not run, inside a Wine sandbox). The
# saver sends each change of its status line to the debugger channel as
# "ZentSaver status: TEXT" (OutputDebugStringW); its window keeps its caption.
# Wine writes those lines to the program's standard error when its debug
# channels say so, which the sandbox turns off. Start the saver with
#
#   WINEDEBUG=$saver_status_channels wine64 "$program" /S 2>"$log" &
#
# and ask saver_status_reached "$log" "Search completed.".

# Wine 8 reports the text on its "seh" channel, later versions on "debugstr".
# shellcheck disable=SC2034  # used by the scripts that source this file
saver_status_channels='-all,warn+seh,+debugstr'

# saver_status_reached LOG TEXT: the saver's status has read TEXT.
saver_status_reached() {
  grep -qF "ZentSaver status: $2\\n\"" "$1"
}

# saver_status_seen LOG: the saver has reported a status at all.
saver_status_seen() {
  grep -qF 'ZentSaver status: ' "$1"
}

# saver_errors LOG: what the saver wrote to its standard error besides its
# status reports (for a failure report).
saver_errors() {
  grep -vF 'ZentSaver status: ' "$1" | tail -n 20 || true
}

# end_saver_with_key PID [KEY] [SECONDS]: presses KEY (Escape) as a user would
# and waits up to SECONDS (30) for the saver to end; false, with the saver
# stopped, when it stayed.
end_saver_with_key() {
  local pid=$1 key=${2:-Escape} seconds=${3:-30} _
  xdotool key --clearmodifiers "$key" >/dev/null 2>&1 || true
  for _ in $(seq "$((seconds * 2))"); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.5
  done
  kill "$pid" 2>/dev/null || true
  return 1
}
