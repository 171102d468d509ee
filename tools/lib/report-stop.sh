# shellcheck shell=bash
# Sourced by the test and demo scripts. When "set -e" ends the script at a
# command that failed (one inside "$(...)" would end it without a word), the
# script's EXIT trap names that command (of a pipeline: its last part), and
# the step in stop_context when the script sets one. An "exit N" the script
# chose itself (after its FAIL lines) is left alone.
stop_context=
report_stop() {
  local status=$1 command=$2
  [ "$status" -ne 0 ] || return 0
  case "$command" in exit | exit\ *) return 0 ;; esac
  echo "$(basename "$0"): stopped${stop_context:+ in \"$stop_context\"} at \"$command\" (exit code $status)" >&2
}
trap 'report_stop "$?" "$BASH_COMMAND"' EXIT
