#!/usr/bin/env bash
# The main job: installs what is missing, builds the saver and runs it in a
# throwaway Wine sandbox (never ~/.wine; the sandbox has no z: drive, so the
# Linux file system is out of its reach). Arguments go to the saver ("/S" when
# none are given: the screen saver itself; "/C" opens the settings dialog).
#
#   tools/run-saver.sh [/S | /C | /P]
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target zent_saver

[ $# -gt 0 ] || set -- /S
echo "Running ZentSaver.scr $* in a sandbox Wine prefix ..."
status=0
tools/wine-sandbox.sh --copy build/win64/ZentSaver.scr -- \
  wine 'C:\zent-run\ZentSaver.scr' "$@" || status=$?
echo "ZentSaver.scr ended with exit code $status"
exit "$status"
