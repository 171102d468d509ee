#!/usr/bin/env bash
# The main job: installs what is missing, builds the saver and runs it in a
# throwaway Wine sandbox (never ~/.wine; the sandbox has no z: drive, so the
# Linux file system is out of its reach). Arguments go to the saver ("/S" when
# none are given: the screen saver itself; "/C" opens the settings dialog).
#
# On the user's display the saver runs until it sees input. Without a display
# it runs on a virtual screen (tools/screenshot-saver.sh): a picture of the
# screen is taken after a few seconds, a key press ends the saver, and the
# picture is left in build/screenshots/saver.png.
#
#   tools/run-saver.sh [/S | /C | /P]
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target zent_saver

[ $# -gt 0 ] || set -- /S
if [ -z "${DISPLAY:-}" ]; then
  echo "No display: running ZentSaver.scr $* on a virtual screen in a sandbox Wine prefix ..."
  exec tools/screenshot-saver.sh build/win64/ZentSaver.scr build/screenshots/saver.png "$@"
fi
echo "Running ZentSaver.scr $* in a sandbox Wine prefix ..."
status=0
tools/wine-sandbox.sh --copy build/win64/ZentSaver.scr -- \
  wine 'C:\zent-run\ZentSaver.scr' "$@" || status=$?
echo "ZentSaver.scr ended with exit code $status"
exit "$status"
