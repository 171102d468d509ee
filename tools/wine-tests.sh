#!/usr/bin/env bash
# Runs the Wine test program in a throwaway sandbox (tools/wine-sandbox.sh)
# and exits with its exit code. GoogleTest arguments pass through:
#
#   tools/wine-tests.sh build/win64/wine_tests.exe [--gtest_filter=...] [--gtest_brief=1]
#
# Besides the sandbox's own drives the tests get a folder that the sandbox
# user cannot read (ZENT_UNREADABLE_FOLDER, for "could not look" answers) and
# a drive without a recycle bin (ZENT_NOBIN_DRIVE, W:) and a folder holding a
# symbolic link to a folder beside it (ZENT_LINK_HOLDER, the link is "link"),
# which Wine lists with the reparse-point attribute. A stand-in registry
# editor built beside the program (standin_regedit.exe) goes with it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ $# -lt 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 path/to/wine_tests.exe [gtest arguments]" >&2
  exit 2
fi
program=$1
shift

# Runs inside the sandbox, as the sandbox user.
# shellcheck disable=SC2016
inside='
  mkdir -p "$ZENT_FIXTURES/unreadable"
  echo content >"$ZENT_FIXTURES/unreadable/file.txt"
  chmod 000 "$ZENT_FIXTURES/unreadable"
  export ZENT_UNREADABLE_FOLDER="${ZENT_FIXTURES_DRIVE}\unreadable"
  mkdir -p "$ZENT_FIXTURES/link-target" "$ZENT_FIXTURES/link-holder"
  echo precious >"$ZENT_FIXTURES/link-target/precious.txt"
  ln -s ../link-target "$ZENT_FIXTURES/link-holder/link"
  export ZENT_LINK_HOLDER="${ZENT_FIXTURES_DRIVE}\link-holder"
  program=$1
  shift
  exec wine64 "C:\\zent-run\\$program" "$@"
'

# The stand-in registry editor the tests plant, when it was built beside them.
copies=()
standin="$(dirname "$program")/standin_regedit.exe"
[ ! -f "$standin" ] || copies+=(--copy "$standin")

output=$(mktemp)
trap 'rm -f "$output"' EXIT

set +e
"$here/wine-sandbox.sh" --nobin-drive W --copy "$program" "${copies[@]}" -- \
  bash -c "$inside" bash "$(basename "$program")" "$@" 2>&1 | tee "$output"
status=${PIPESTATUS[0]}
set -e

# A crash or a stop by the sandbox guard ends the program before GoogleTest
# prints its summary; say so rather than leave a silent non-zero code.
lists_only=false
for argument in "$@"; do
  case "$argument" in --gtest_list_tests | --help | -h | -\?) lists_only=true ;; esac
done
if ! $lists_only && ! grep -qE '^\[==========\] [0-9]+ tests? from .* ran\.' "$output"; then
  echo "wine-tests: the test program ended without a test summary (exit code $status)" >&2
  [ "$status" -ne 0 ] || status=1
fi
exit "$status"
