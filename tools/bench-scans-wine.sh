#!/usr/bin/env bash
# Runs the registry-scan benchmark against Wine's real registry, in a
# throwaway sandbox (tools/wine-sandbox.sh): it plants its own classes,
# extensions, libraries, programs and files, so it never runs anywhere else.
#
#   tools/bench-scans-wine.sh build/win64/scan_benchmark.exe [scale]   (default 0.1)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ $# -lt 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 path/to/scan_benchmark.exe [scale]" >&2
  exit 2
fi
# shellcheck disable=SC2016  # expanded by the inner shell
exec "$here/wine-sandbox.sh" --copy "$1" -- \
  bash -c 'exec wine64 "C:\\zent-run\\$1" "$2"' bash "$(basename "$1")" "${2:-0.1}"
