#!/usr/bin/env bash
# Shows the drive list over the drives of a throwaway Wine prefix (C: fixed,
# the sandbox's spare drives) on a virtual screen and saves a picture of it.
#
#   tools/screenshot-drive-list.sh [build-dir] [output.png]
#
# build-dir defaults to build/win64 (its drive_list_demo target is built
# first); the picture goes to build/screenshots/drive-list.png.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=tools/lib/demo-screen.sh
source tools/lib/demo-screen.sh

build_dir=${1:-build/win64}
output=${2:-build/screenshots/drive-list.png}
title="Drive list"

require_screen_tools
cmake --build "$build_dir" --target drive_list_demo >/dev/null
mkdir -p "$(dirname "$output")"

start_screen 800x600
capture_demo "$title" "$output" "$build_dir/drive_list_demo.exe" --close-after 20
