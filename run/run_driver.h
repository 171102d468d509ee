#pragma once

// One cleaning pass while the saver shows: choose where the switches come
// from, run the enabled registry scans in CategoryIndex order, the repair,
// then the file sweeps, and report the phase on the status line.

#include <array>
#include <cstddef>
#include <functional>
#include <string_view>

#include "common/product_views.h"
#include "run/run_context.h"

namespace zent {

inline constexpr auto kOptionsKeyPath = ProductSubkey("Options");
inline constexpr std::string_view kOptionsKey = ProductSubkeyPath(kOptionsKeyPath);
inline constexpr std::string_view kRepairStatusText = "Deleting orphaned registry-entries";
inline constexpr std::string_view kCompletedStatusText = "Search completed.";

inline constexpr int kSafetyOptions = 1;
inline constexpr int kMainProgramOptions = 2;

inline constexpr std::size_t kScanCount = 12;
// The whole-registry scan: left out on the NT family.
inline constexpr std::size_t kWholeRegistryScan = 11;

// The work of a pass. scans[i] is the scan of CategoryIndex i. A step that is
// empty is not part of this build and is skipped.
struct CleaningSteps {
  std::array<std::function<void()>, kScanCount> scans;
  std::function<void()> repair, junkSweep, cacheSweep;
};

// Which of the dialog's option-source buttons is checked: the safety set or
// the main program's options. Both checked cannot come from the dialog; the
// main program wins then. Neither checked leaves the switches as they are.
struct OptionSourceChoice {
  bool safety = false;
  bool mainProgram = false;
};

// The pass never tests AbortRequested itself: the steps do, and after an
// abort they end at once, so the pass still ends with its completion text.
void RunCleaningPass(RunContext& run, OptionSourceChoice choice, const CleaningSteps& steps);

}  // namespace zent
