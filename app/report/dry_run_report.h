#pragma once

// The dry-run report: the saver's cleaning pass, prepared as the saver
// prepares it and with the same scans and sweeps, run through a platform that
// refuses every change, without the repair and with the sweeps only
// recording. It prints what a run would remove, per category, as text or JSON.

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/platform.h"
#include "platform/read_only_platform.h"
#include "run/findings.h"
#include "run/run_context.h"
#include "run/run_driver.h"
#include "run/run_state.h"
#include "run/switches.h"
#include "sweep/shell_link.h"
#include "ui/saver_window.h"

namespace zent::report {

inline constexpr int kExitComplete = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

enum class OptionSource { Safety, MainProgram, Chosen };

struct ReportRequest {
  OptionSource source = OptionSource::Safety;
  // Chosen: the switches to turn on, by their option names ("REG-APPS").
  std::vector<Switch> categories;
  // Upper-case drive letters that replace the drives the saver would sweep
  // and check; empty: the saver's own choice.
  std::string drives;
  bool json = false;
  bool help = false;
};

// A request, or the message that tells what is wrong with the arguments.
struct ParsedArguments {
  std::optional<ReportRequest> request;
  std::string error;
};

ParsedArguments ParseReportArguments(const std::vector<std::string>& arguments);

extern const char* const kUsageText;

// What happens to a finding when the saver runs.
enum class Fate {
  Removed,
  LeftAlone,
  NeedsRights,  // left alone: this user may not remove it
};

// One run of the pass, read-only. The live platform is only ever reached
// through the wrapper.
class DryRun {
 public:
  DryRun(platform::Platform& live, platform::ShellLinks& links, TextLoader loadText);
  ~DryRun();
  DryRun(const DryRun&) = delete;
  DryRun& operator=(const DryRun&) = delete;

  // Prepares the run state as the saver does, then applies the request's
  // source and drives. kExitComplete when the run can go ahead, else the exit
  // code and why not.
  struct Refusal {
    int exitCode = kExitComplete;
    std::string message;
  };
  Refusal Prepare(const ReportRequest& request);
  // The saver's steps without the repair.
  CleaningSteps Steps();
  // Runs the pass; false when it failed or tried a change (see Failure()).
  bool Run(const CleaningSteps& steps);
  const std::string& Failure() const { return failure_; }

  RunContext& Context() { return run_; }
  const CategoryList& Categories() const { return model_.CategoryList; }
  OptionSource Source() const { return source_; }
  // Whether the run has administrator rights (a saver Windows starts has not).
  bool Elevated() const { return elevated_; }
  // Items from this index on came from the file sweeps.
  std::size_t FirstFileItem() const;
  Fate FateOf(std::size_t item, std::size_t finding) const;
  // Called with the status and item lines whenever the run lets messages run.
  void OnProgress(std::function<void(const std::string&, const std::string&)> show);

 private:
  class ProgressPump;

  platform::ReadOnlyPlatform guard_;
  std::unique_ptr<ProgressPump> pump_;
  platform::Platform platform_;
  SaverRunState state_;
  SaverWindowModel model_;
  TShellLink shellLink_;
  RunContext run_;
  OptionSource source_ = OptionSource::Safety;
  bool elevated_ = false;
  OptionSourceChoice choice_;
  std::optional<std::size_t> firstFileItem_;
  std::unordered_set<std::string> pendingRenames_;
  std::string failure_;
};

struct ReportStreams {
  std::ostream& out;
  std::ostream& err;
  // Progress lines go to `err` (only a terminal wants them).
  bool progress = false;
};

// The whole program: arguments, run, report; returns the exit code.
int RunReportProgram(platform::Platform& live, platform::ShellLinks& links, TextLoader loadText,
                     const std::vector<std::string>& arguments, ReportStreams streams);

// The register as text or JSON (UTF-8, escaped).
void WriteText(std::ostream& out, const DryRun& run);
void WriteJson(std::ostream& out, const DryRun& run);

}  // namespace zent::report
