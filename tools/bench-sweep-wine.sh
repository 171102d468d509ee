#!/usr/bin/env bash
# Runs the junk-walk benchmark on a real folder tree under Wine, in a
# throwaway sandbox (tools/wine-sandbox.sh): it plants its own tree of folders
# and files below the temporary folder, so it never runs anywhere else.
#
#   tools/bench-sweep-wine.sh build/win64/sweep_benchmark.exe [scale] [levels]
#
# scale defaults to 0.1; levels, the shallower depth of the deep-folder
# figure, to 100 times the scale.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ $# -lt 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 path/to/sweep_benchmark.exe [scale]" >&2
  exit 2
fi
# shellcheck disable=SC2016  # expanded by the inner shell
exec "$here/wine-sandbox.sh" --copy "$1" -- \
  bash -c 'exec wine64 "C:\\zent-run\\$1" "${@:2}"' bash "$(basename "$1")" "${2:-0.1}" ${3:+"$3"}
