#!/usr/bin/env bash
# Builds and runs every test: the core's unit tests natively (sanitizers on),
# the Win32 layer's tests under Wine in a throwaway prefix, the 32-bit build,
# bounded fuzzing runs and the formatting check.
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=tools/lib/report-stop.sh
source tools/lib/report-stop.sh
jobs=$(nproc)
summary=()
stop_context=setup

step() {
  stop_context=$*
  echo
  echo "=== $* ==="
}

tools/setup.sh

step "Formatting"
mapfile -t sources < <(git ls-files -co --exclude-standard '*.cpp' '*.h')
clang-format --dry-run -Werror "${sources[@]}"
summary+=("formatting: ${#sources[@]} files clean")

step "Layers"
tools/check-layers.sh
summary+=("layers: every include points down")

step "Native unit tests (gcc, AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
build/native/native_tests --gtest_brief=1 | tee build/native/test-output.txt
summary+=("native: $(grep -E '^\[  PASSED  \]' build/native/test-output.txt)")

step "Windows x86_64 build and tests under Wine"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"
tools/wine-tests.sh build/win64/wine_tests.exe --gtest_brief=1 | tee build/win64/test-output.txt
summary+=("wine: $(grep -E '^\[  PASSED  \]' build/win64/test-output.txt)")
tools/check-saver-starts.sh build/win64/ZentSaver.scr
summary+=("wine: the saver starts and ends")
tools/check-saver-preview.sh build/win64/ZentSaver.scr build/win64/preview_host.exe
summary+=("wine: the preview runs inside its host only, ends with it, and never cleans")
tools/check-saver-behaviour.sh build/win64/ZentSaver.scr
summary+=("wine: the saver shows its starfield and ends on input")
tools/check-saver-sweeps.sh build/win64/ZentSaver.scr build/win64/sweep_fixtures.exe
summary+=("wine: the saver's sweep puts exactly the planted junk into the recycle bin")
tools/check-dialog-settings.sh build/win64/ZentSaver.scr
summary+=("wine: the dialog stores its settings, however it is closed")
tools/check-clean-now.sh build/win64/ZentSaver.scr
summary+=("wine: \"Clean now\" runs the saver beside the open dialog")
tools/check-saver-unreadable-settings.sh build/win64/ZentSaver.scr
summary+=("wine: the saver runs whatever its stored settings hold")
tools/check-report.sh build/win64/ZentReport.exe build/win64/ZentSaver.scr
summary+=("wine: the dry-run report lists exactly what the saver then removes, and changes nothing")
tools/check-run-log.sh build/win64/ZentSaver.scr build/win64/sweep_fixtures.exe
summary+=("wine: the run log says what a run removed, left and where input stopped it")
tools/check-registry-views.sh build/win64/ZentSaver.scr
summary+=("wine: the demo's registry values are in the saver's (64-bit) view; the saver removes the orphans of both views and its backup restores each into its own")
tools/check-product-views.sh build/win64/ZentSaver.scr
summary+=("wine: the main program's keys are found in the 32-bit view and settings go back there")
tools/check-dialog-dpi.sh build/win64/wine_tests.exe
summary+=("wine: the dialog's texts fit their controls at 96 and 144 dpi")

step "Windows i686 build"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
tools/check-program-resources.py build/win64/ZentSaver.scr build/win32/ZentSaver.scr
summary+=("win32: built; both builds carry the icon, manifest and version details")

step "Fuzzing (bounded)"
tools/run-fuzzers.sh build/fuzz
summary+=("fuzz: targets ran without a finding")

echo
echo "=== Summary ==="
printf '%s\n' "${summary[@]}"
