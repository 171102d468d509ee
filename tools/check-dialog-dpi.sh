#!/usr/bin/env bash
# Checks the configuration dialog's layout at 96 and at 144 dpi, in a
# throwaway Wine sandbox (tools/wine-sandbox.sh). A process takes the screen's
# resolution from "LogPixels" when it starts, so each resolution is set in the
# sandbox's registry first and then gets its own run of the dialog's Wine
# tests that hold at any resolution: every line of text ends inside its
# control, every control inside its page, and the layout and font have grown
# with the resolution.
#
#   tools/check-dialog-dpi.sh build/win64/wine_tests.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
  if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "usage: $0 path/to/wine_tests.exe" >&2
    exit 2
  fi
  exec "$here/wine-sandbox.sh" --copy "$1" -- "$here/check-dialog-dpi.sh" --inside "$(basename "$1")"
fi

# --- inside the sandbox -----------------------------------------------------

tests="C:\\zent-run\\$2"
filter='DialogWindowTest.EveryLineOfTextEndsInsideItsPage:DialogWindowTest.LayoutFollowsTheScreenResolution'
failures=0
for dpi in 96 144; do
  # Depending on its version Wine takes the user's or the machine's value: both are set.
  for key in 'HKCU\Control Panel\Desktop' \
    'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    wine64 "$ZENT_REG" add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f /reg:64 >/dev/null
  done
  log=$(mktemp)
  if ZENT_EXPECT_DPI=$dpi wine64 "$tests" --gtest_filter="$filter" >"$log" 2>/dev/null; then
    echo "$dpi dpi: $(tr -d '\r' <"$log" | grep -E '^\[  PASSED' || echo 'no tests ran')"
    grep -q '^\[  PASSED  \] 2 tests' <(tr -d '\r' <"$log") || failures=$((failures + 1))
  else
    echo "FAIL at $dpi dpi:"
    tr -d '\r' <"$log" | grep -v '^\[ \(RUN\|  *OK\) ' | sed 's/^/  /'
    failures=$((failures + 1))
  fi
  rm -f "$log"
done
[ "$failures" -eq 0 ] && echo "dialog layout: fits at 96 and 144 dpi"
exit $((failures > 0))
