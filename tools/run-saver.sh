#!/usr/bin/env bash
# The main job: installs what is missing, builds the saver and runs it in a
# throwaway Wine sandbox (never ~/.wine; the sandbox has no z: drive, so the
# Linux file system is out of its reach). Arguments go to the saver ("/S" when
# none are given: the screen saver itself; "/C" opens the settings dialog).
#
# "/S" is a demonstration of a cleaning run: the sandbox's registry is first
# seeded (tools/lib/seed-demo-registry.sh) with the product's settings asking
# for eleven registry scans and, for each, an entry that names a file which is
# gone and one whose file exists. The saver runs until its status reads
# "Search completed." (at most 120 s); then the script tells which entries were
# removed, which stayed, and where the dated backup of the removed ones is. The
# file sweep walks the sandbox's fixtures drive, where a tree of junk and
# keepers is planted (tools/lib/seed-demo-junk.sh); the script lists what went
# to the recycle bin and what stayed. It fails when an orphaned entry stayed or
# a valid one went, or when a junk file stayed or a keeper went.
#
# On the user's display the saver then runs on until it sees input. Without a
# display it runs on a virtual screen: a picture of the screen is taken when
# the run has completed, a key press ends the saver, and the picture is left
# in build/screenshots/saver.png. Other arguments behave as before: on a
# virtual screen (tools/screenshot-saver.sh) or on the user's display.
#
#   tools/run-saver.sh [/S | /C | /P]
#
# ZENT_SAVER=path/to/ZentSaver.scr runs that build instead of building one.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# --- inside the sandbox -----------------------------------------------------

completion_title='Search completed.'
completion_timeout=120

# The saver reports its status line on the debugger channel, which Wine
# writes to the log (tools/lib/saver-status.sh). False when the saver ended
# first (input on the user's display) or the time ran out.
wait_for_completion() {
  local pid=$1 log=$2 deadline=$((SECONDS + completion_timeout))
  while [ "$SECONDS" -lt "$deadline" ]; do
    kill -0 "$pid" 2>/dev/null || return 1
    saver_status_reached "$log" "$completion_title" && return 0
    sleep 0.5
  done
  return 1
}

# The run log the saver keeps beside its backups.
show_run_log() {
  local log
  log=$(demo_unix_path "$demo_product\\BACKUP\\ZentRun.log")
  if [ ! -f "$log" ]; then
    echo "No run log in $demo_product\\BACKUP."
    return
  fi
  echo "The run log, $demo_product\\BACKUP\\ZentRun.log:"
  tr -d '\r' <"$log" | sed '1s/^\xEF\xBB\xBF//; s/^/  /'
}

run_demo_inside() {
  local program="C:\\zent-run\\$1" picture=$2
  shift 2
  # shellcheck source=tools/lib/report-stop.sh
  source "$here/lib/report-stop.sh"
  # shellcheck source=tools/lib/seed-demo-registry.sh
  source "$here/lib/seed-demo-registry.sh"
  seed_demo
  # shellcheck source=tools/lib/seed-demo-junk.sh
  source "$here/lib/seed-demo-junk.sh"
  seed_demo_junk
  # shellcheck source=tools/lib/saver-status.sh
  source "$here/lib/saver-status.sh"
  local status_log
  status_log=$(mktemp)
  WINEDEBUG=$saver_status_channels wine64 "$program" "$@" 2>"$status_log" &
  local pid=$! completed=0 status=0
  echo "The saver is cleaning; waiting for \"$completion_title\" ..."
  if wait_for_completion "$pid" "$status_log"; then
    completed=1
    echo "The saver's status reads \"$completion_title\""
  elif kill -0 "$pid" 2>/dev/null; then
    echo "run-saver: no \"$completion_title\" within $completion_timeout s" >&2
  else
    echo "run-saver: the saver ended before its run completed" >&2
    saver_errors "$status_log" >&2
  fi
  if [ "$picture" = picture ]; then
    sleep 1
    import -window root "$ZENT_OUTPUT/saver.png" || echo "run-saver: the picture failed" >&2
    end_saver_with_key "$pid" ||
      echo "run-saver: the saver did not end on a key press; stopped" >&2
  else
    echo "The saver goes on showing its stars: move the mouse or press a key to end it."
  fi
  wait "$pid" || status=$?
  echo "ZentSaver.scr $* ended with exit code $status"
  show_run_log
  if ! report_demo; then
    echo "run-saver: $demo_unexpected entries did not end as they should (marked above)" >&2
    exit 1
  fi
  if ! report_demo_junk; then
    echo "run-saver: files did not end as they should (marked above)" >&2
    exit 1
  fi
  [ "$completed" = 1 ] && exit "$status"
  exit 1
}

if [ "${1:-}" = --inside ]; then
  shift
  run_demo_inside "$@"
fi

# --- outside ----------------------------------------------------------------

cd "$here/.."
if [ -n "${ZENT_SAVER:-}" ]; then
  program=$ZENT_SAVER
else
  tools/setup.sh
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 --target zent_saver
  program=build/win64/ZentSaver.scr
fi
[ -f "$program" ] || { echo "run-saver: $program does not exist" >&2; exit 2; }

[ $# -gt 0 ] || set -- /S
if [ "$(printf '%s' "$1" | tr '[:lower:]' '[:upper:]')" != /S ]; then
  if [ -z "${DISPLAY:-}" ]; then
    echo "No display: running ZentSaver.scr $* on a virtual screen in a sandbox Wine prefix ..."
    exec tools/screenshot-saver.sh "$program" build/screenshots/saver.png "$@"
  fi
  echo "Running ZentSaver.scr $* in a sandbox Wine prefix ..."
  status=0
  tools/wine-sandbox.sh -- "$program" "$@" || status=$?
  echo "ZentSaver.scr ended with exit code $status"
  exit "$status"
fi

for tool in xdotool import; do
  command -v "$tool" >/dev/null || { echo "run-saver: $tool is missing (tools/setup.sh)" >&2; exit 2; }
done
if [ -n "${DISPLAY:-}" ]; then
  echo "Running ZentSaver.scr $* in a sandbox Wine prefix on your display ..."
  exec tools/wine-sandbox.sh --copy "$program" -- \
    tools/run-saver.sh --inside "$(basename "$program")" no-picture "$@"
fi

# The sandbox brings its own virtual screen; the picture comes out of it
# through a folder of ours.
echo "No display: running ZentSaver.scr $* on a virtual screen in a sandbox Wine prefix ..."
outbox=$(mktemp -d)
trap 'rm -rf "$outbox"' EXIT
status=0
env -u DISPLAY tools/wine-sandbox.sh --copy "$program" --output "$outbox" -- \
  tools/run-saver.sh --inside "$(basename "$program")" picture "$@" || status=$?
if [ -f "$outbox/saver.png" ]; then
  mkdir -p build/screenshots
  cp "$outbox/saver.png" build/screenshots/saver.png
  echo "screenshot: build/screenshots/saver.png"
fi
exit "$status"
