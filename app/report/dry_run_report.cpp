#include "app/report/dry_run_report.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <exception>
#include <ostream>
#include <string_view>
#include <utility>

#include "app/cleaning_steps.h"
#include "common/product_views.h"
#include "common/registry_helpers.h"
#include "run/registry_repair.h"
#include "run/saver_settings.h"
#include "sweep/sweep_guards.h"

namespace zent::report {

const char* const kUsageText =
    "ZentReport: lists what a cleaning run of the screen saver would remove, and\n"
    "changes nothing.\n"
    "\n"
    "  --safety             the saver's fixed safety set (the default)\n"
    "  --main-program       the main program's switches and drives from its options key\n"
    "  --categories=A,B,... only these switches, by their option names, for example\n"
    "                       REG-APPS,REG-FONTS,FILES-TMP,CUSTOM-TMPFOLDERS\n"
    "  --drives=CDE         sweep and check these drives instead of the fixed disks\n"
    "  --json               the report as JSON (UTF-8)\n"
    "  --help               this text\n"
    "\n"
    "Exit codes: 0 the run completed, 1 it failed or could not run, 2 bad arguments.\n";

namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::optional<Switch> SwitchNamed(std::string_view name) {
  const std::string upper = Upper(name);
  for (const SwitchDefinition& definition : kSwitchTable) {
    if (definition.valueName == upper) return definition.which;
  }
  return std::nullopt;
}

std::string ParseCategories(std::string_view list, ReportRequest& request) {
  while (!list.empty()) {
    const auto comma = list.find(',');
    const std::string_view name = list.substr(0, comma);
    const auto which = SwitchNamed(name);
    if (!which) return "unknown category \"" + std::string(name) + "\" (see --help)";
    request.categories.push_back(*which);
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
  }
  if (request.categories.empty()) return "--categories= names no category";
  return {};
}

std::string ParseDrives(std::string_view letters, ReportRequest& request) {
  request.drives = Upper(letters);
  if (request.drives.empty()) return "--drives= names no drive";
  const bool letterOnly =
      std::ranges::all_of(request.drives, [](char c) { return c >= 'A' && c <= 'Z'; });
  if (!letterOnly) return "--drives= takes drive letters only, such as --drives=CD";
  return {};
}

// One argument; the empty text when it was understood.
std::string ParseOne(std::string_view argument, ReportRequest& request, int& sources) {
  constexpr std::string_view kCategories = "--categories=";
  constexpr std::string_view kDrives = "--drives=";
  if (argument == "--help" || argument == "-h" || argument == "/?") {
    request.help = true;
  } else if (argument == "--json") {
    request.json = true;
  } else if (argument == "--safety") {
    request.source = OptionSource::Safety;
    ++sources;
  } else if (argument == "--main-program") {
    request.source = OptionSource::MainProgram;
    ++sources;
  } else if (argument.starts_with(kCategories)) {
    request.source = OptionSource::Chosen;
    ++sources;
    return ParseCategories(argument.substr(kCategories.size()), request);
  } else if (argument.starts_with(kDrives)) {
    return ParseDrives(argument.substr(kDrives.size()), request);
  } else {
    return "unknown argument \"" + std::string(argument) + "\" (see --help)";
  }
  return {};
}

}  // namespace

ParsedArguments ParseReportArguments(const std::vector<std::string>& arguments) {
  ReportRequest request;
  int sources = 0;
  for (const std::string& argument : arguments) {
    if (auto error = ParseOne(argument, request, sources); !error.empty()) return {{}, error};
  }
  if (sources > 1) {
    return {{}, "choose one option source: --safety, --main-program or --categories="};
  }
  if (request.source == OptionSource::MainProgram && !request.drives.empty()) {
    return {{}, "--drives= does not go with --main-program, whose options name the drives"};
  }
  return {request, {}};
}

// Lets the wrapped pump run, then shows where the run is.
class DryRun::ProgressPump final : public platform::MessagePump {
 public:
  explicit ProgressPump(platform::MessagePump& inner) : inner_(inner) {}
  void Pump() override {
    inner_.Pump();
    if (show_) show_();
  }
  std::function<void()> show_;

 private:
  platform::MessagePump& inner_;
};

namespace {

platform::Platform WithPump(platform::Platform& base, platform::MessagePump& pump) {
  return {base.registry, base.files, base.shell, base.system,
          base.launcher, pump,       base.clock, base.resources};
}

// Chosen categories bring the switch of their whole group, as the main
// program's options would hold it.
void SetChosenSwitches(const std::vector<Switch>& chosen, CleaningSwitches& switches) {
  switches.AllOff();
  for (const Switch which : chosen) {
    switches.Set(which, true);
    for (const SwitchDefinition& definition : kSwitchTable) {
      if (definition.which != which) continue;
      if (definition.valueName.starts_with("REG-")) switches.Set(Switch::CustomReg, true);
      if (!definition.valueName.starts_with("REG-")) switches.Set(Switch::CustomFiles, true);
    }
  }
}

std::optional<DriveFlags> DrivesNamed(std::string_view letters, platform::SystemQueries& system,
                                      std::string& missing) {
  DriveFlags drives{};
  for (const char letter : letters) {
    const std::uint32_t type = system.DriveType(std::string(1, letter) + ":\\");
    if (type == platform::kDriveUnknown || type == platform::kDriveNoRootDir) {
      missing = std::string(1, letter);
      return std::nullopt;
    }
    drives[static_cast<std::size_t>(letter - 'A')] = 1;
  }
  return drives;
}

}  // namespace

DryRun::DryRun(platform::Platform& live, platform::ShellLinks& links, TextLoader loadText)
    : guard_(live),
      pump_(std::make_unique<ProgressPump>(live.pump)),
      platform_(WithPump(guard_.platform(), *pump_)),
      state_(platform_.shell),
      model_(platform_, state_, loadText),
      shellLink_(links),
      run_{platform_,
           state_,
           model_.CategoryList,
           std::move(loadText),
           model_.StatusLabel().text,
           model_.ItemLabel} {}

DryRun::~DryRun() = default;

DryRun::Refusal DryRun::Prepare(const ReportRequest& request) {
  model_.PrepareSaver(StarSettings{});
  // The saver's own setting decides whether write-protected junk goes.
  state_.DeleteWriteProtected = LoadSaverSettings(platform_.registry).deleteWriteProtected;
  state_.IsWinNT = model_.SystemFacts.Platform() == "WinNT";
  state_.UnattendedMode = false;
  elevated_ = platform_.system.IsElevated();
  source_ = request.source;
  if (!request.drives.empty()) {
    std::string missing;
    const auto drives = DrivesNamed(request.drives, platform_.system, missing);
    if (!drives) return {kExitUsage, "drive " + missing + ": does not exist"};
    state_.SweepDrives = state_.CheckDrives = *drives;
  }
  switch (request.source) {
    case OptionSource::Safety:
      choice_ = {.safety = true};
      break;
    case OptionSource::MainProgram:
      if (!RegKeyExists(ProductKeyView(platform_.registry, kOptionsKey),
                        platform::RegRoot::LocalMachine, kOptionsKey)) {
        return {kExitFailed, "the main program's options key HKEY_LOCAL_MACHINE\\" +
                                 std::string(kOptionsKey) + " does not exist"};
      }
      choice_ = {.mainProgram = true};
      break;
    case OptionSource::Chosen:
      SetChosenSwitches(request.categories, state_.Switches);
      choice_ = {};
      break;
  }
  return {};
}

CleaningSteps DryRun::Steps() {
  CleaningSteps steps = CleaningStepsOf(run_, nullptr, shellLink_, model_.SystemFacts);
  // The file sweeps add their categories after every registry scan's.
  for (auto* sweep : {&steps.junkSweep, &steps.cacheSweep}) {
    *sweep = [this, step = std::move(*sweep)] {
      if (!firstFileItem_) firstFileItem_ = model_.CategoryList.Count();
      step();
    };
  }
  return steps;
}

bool DryRun::Run(const CleaningSteps& steps) {
  try {
    RunCleaningPass(run_, choice_, steps);
    pendingRenames_ = ReadPendingRenames(platform_.registry, platform_.shell, platform_.files);
  } catch (const std::exception& error) {
    failure_ = error.what();
  }
  // A refusal the pass caught and went past still fails the run.
  const auto refused = guard_.RefusedCalls();
  if (!refused.empty()) {
    failure_ = "the run tried to change the system (" + refused.front() + ")";
    if (refused.size() > 1) failure_ += " and " + std::to_string(refused.size() - 1) + " more";
  }
  return failure_.empty();
}

std::size_t DryRun::FirstFileItem() const {
  return std::min(firstFileItem_.value_or(Categories().Count()), Categories().Count());
}

Fate DryRun::FateOf(std::size_t item, std::size_t finding) const {
  const CategoryItem& registryItem = Categories().Item(item);
  const FindingCategory& category = registryItem.category;
  if (item < FirstFileItem()) {
    if (category.Flag(finding) != 1) return Fate::LeftAlone;
    return NeedsAdministratorRights(platform_.registry, registryItem.CategoryIndex, category,
                                    finding)
               ? Fate::NeedsRights
               : Fate::Removed;
  }
  const std::string& path = category.EntryNames().at(finding);
  // The system renames or deletes these itself at the next start.
  if (pendingRenames_.contains(path)) return Fate::LeftAlone;
  // The deletion leaves a write-protected file, or one whose attributes it
  // cannot read, unless write-protected files may go.
  if (!state_.DeleteWriteProtected) {
    const platform::AttributeResult read = platform_.files.Attributes(path);
    if (!read.ok() || (read.attributes & platform::kAttrReadOnly) != 0) return Fate::LeftAlone;
  }
  return platform_.files.MayDelete(path) ? Fate::Removed : Fate::NeedsRights;
}

void DryRun::OnProgress(std::function<void(const std::string&, const std::string&)> show) {
  if (!show) {
    pump_->show_ = nullptr;
    return;
  }
  pump_->show_ = [this, show = std::move(show)] { show(run_.statusLabel, run_.itemLabel); };
}

}  // namespace zent::report
