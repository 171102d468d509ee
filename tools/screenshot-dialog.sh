#!/usr/bin/env bash
# Shows the configuration dialog, one run per page, in a throwaway Wine prefix
# on a virtual screen and saves a picture of each page.
#
#   tools/screenshot-dialog.sh [build-dir] [output-dir]
#
# build-dir defaults to build/win64 (its dialog_demo target is built first);
# the pictures go to build/screenshots/dialog-page1.png, -page2.png, -page3.png.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=tools/lib/demo-screen.sh
source tools/lib/demo-screen.sh

build_dir=${1:-build/win64}
output_dir=${2:-build/screenshots}
title="Kelvaro 99  ULVEX Screen Saver Configuration"

require_screen_tools
cmake --build "$build_dir" --target dialog_demo >/dev/null
mkdir -p "$output_dir"

start_screen 1024x768
for page in 0 1 2; do
  capture_demo "$title" "$output_dir/dialog-page$((page + 1)).png" \
    "$build_dir/dialog_demo.exe" --page "$page" --close-after 20
done
