#include "run/run_driver.h"

#include <algorithm>
#include <string>

#include "common/product_views.h"
#include "common/registry_errors.h"
#include "common/registry_helpers.h"

namespace zent {
namespace {

using platform::RegRoot;

// The scan switches by CategoryIndex, which is also the order they are read.
constexpr std::array<Switch, kScanCount> kScanSwitches = {
    Switch::RegFileFormate, Switch::RegCom,     Switch::RegActiveX, Switch::RegSharedDlls,
    Switch::RegUninstall,   Switch::RegAutorun, Switch::RegFonts,   Switch::RegMedia,
    Switch::RegHelps,       Switch::RegApps,    Switch::RegIcons,   Switch::RegSonstiges,
};

constexpr std::array kWholeRunSwitches = {Switch::CustomReg, Switch::CustomFiles,
                                          Switch::CustomCache, Switch::CustomTmpFolders};

constexpr std::array kFileSwitches = {
    Switch::FilesLnks,         Switch::FilesPif,     Switch::FilesGid, Switch::FilesChk,
    Switch::FilesTmpInstFiles, Switch::FilesBackups, Switch::FilesTmp, Switch::FilesBak};

std::string_view ValueName(Switch which) {
  for (const SwitchDefinition& definition : kSwitchTable) {
    if (definition.which == which) return definition.valueName;
  }
  return {};
}

// The main program writes its options; whatever it left there must not stop
// the run. Anything but the number 1 - another number, a word, a long binary,
// nothing at all - leaves the switch off.
bool ReadsAsOne(platform::Registry& registry, std::string_view valueName) {
  return RegValueEquals(registry, RegRoot::LocalMachine, kOptionsKey, valueName, 1);
}

int OptionSourceOf(OptionSourceChoice choice) {
  int source = 0;
  if (choice.safety) source = kSafetyOptions;
  if (choice.mainProgram) source = kMainProgramOptions;
  return source;
}

void ReadDrives(platform::Registry& registry, std::string_view prefix, DriveFlags& drives) {
  drives.fill(0);
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    drives[static_cast<std::size_t>(letter - 'A')] =
        ReadsAsOne(registry, std::string(prefix) + letter);
  }
}

template <std::size_t N>
void ReadSwitches(platform::Registry& registry, const std::array<Switch, N>& group,
                  CleaningSwitches& switches) {
  for (const Switch which : group) switches.Set(which, ReadsAsOne(registry, ValueName(which)));
}

void ReadMainProgramOptions(platform::Registry& registry, SaverRunState& state) {
  ReadDrives(registry, "DRIVE_", state.SweepDrives);
  ReadDrives(registry, "CHECKDRIVE_", state.CheckDrives);
  CleaningSwitches& switches = state.Switches;
  switches.AllOff();
  ReadSwitches(registry, kWholeRunSwitches, switches);
  // The cache sweep walks its folders with the junk sweep's rules.
  if (switches.On(Switch::CustomCache)) switches.Set(Switch::CustomFiles, true);
  ReadSwitches(registry, kScanSwitches, switches);
  if (state.IsWinNT) switches.Set(Switch::RegSonstiges, false);
  ReadSwitches(registry, kFileSwitches, switches);
}

void SetSafetySwitches(CleaningSwitches& switches) {
  for (const SwitchDefinition& definition : kSwitchTable) {
    switches.Set(definition.which, definition.safety);
  }
}

// The drive selections stay as the saver prepared them unless the main
// program's options replace them.
void ChooseOptions(RunContext& run, OptionSourceChoice choice) {
  SaverRunState& state = run.state;
  platform::Registry& registry = ProductKeyView(run.platform.registry, kOptionsKey);
  state.OptionSource = OptionSourceOf(choice);
  if (state.OptionSource == kMainProgramOptions &&
      !RegKeyExists(registry, RegRoot::LocalMachine, kOptionsKey)) {
    state.OptionSource = kSafetyOptions;
  }
  if (state.OptionSource == kMainProgramOptions) ReadMainProgramOptions(registry, state);
  if (state.OptionSource == kSafetyOptions) SetSafetySwitches(state.Switches);
}

// Runs one step; the first step after which input has asked to stop is the
// one the record names as aborted.
void RunOneStep(const RunContext& run, const std::function<void()>& step, RunStep which,
                std::size_t scanIndex = 0) {
  const bool abortedBefore = run.state.AbortRequested;
  if (step) step();
  if (!abortedBefore && run.state.AbortRequested) {
    run.Journal().Aborted(which, static_cast<int>(scanIndex));
  }
}

// Ascending CategoryIndex, so the categories stand in that order in the list.
void RunScans(const RunContext& run, const CleaningSteps& steps) {
  const CleaningSwitches& switches = run.state.Switches;
  if (!switches.On(Switch::CustomReg)) return;
  for (std::size_t index = 0; index < kScanCount; ++index) {
    if (!switches.On(kScanSwitches[index])) continue;
    if (index == kWholeRegistryScan && run.state.IsWinNT) continue;
    RunOneStep(run, steps.scans[index], RunStep::Scan, index);
  }
}

// The categories the scans added, after whatever the list held before.
void RecordRegistryFindings(const RunContext& run, std::size_t firstScanItem) {
  for (std::size_t item = firstScanItem; item < run.categories.Count(); ++item) {
    const CategoryItem& category = run.categories.Item(item);
    const auto& flags = category.category.SelectionFlags();
    const auto selected = static_cast<std::size_t>(std::count(flags.begin(), flags.end(), 1));
    run.Journal().RegistryFound(category.CategoryIndex, category.category.EntryCount(), selected);
  }
}

// Runs even when no scan ran: it prepares the backup folder either way.
void RunRepair(RunContext& run, const CleaningSteps& steps) {
  run.statusLabel = kRepairStatusText;
  run.state.RepairRunning = true;
  RunOneStep(run, steps.repair, RunStep::Repair);
  run.state.RepairRunning = false;
}

void RunSweeps(const RunContext& run, const CleaningSteps& steps) {
  const CleaningSwitches& switches = run.state.Switches;
  if (switches.On(Switch::CustomFiles)) RunOneStep(run, steps.junkSweep, RunStep::JunkSweep);
  if (switches.On(Switch::CustomCache)) RunOneStep(run, steps.cacheSweep, RunStep::CacheSweep);
}

// The sweeps' categories follow whatever the repair left in the list.
void RecordFileFindings(const RunContext& run, std::size_t firstFileItem) {
  for (std::size_t item = firstFileItem; item < run.categories.Count(); ++item) {
    const CategoryItem& category = run.categories.Item(item);
    run.Journal().FilesFound(category.CategoryIndex, category.category.EntryCount());
  }
}

}  // namespace

void RunCleaningPass(RunContext& run, OptionSourceChoice choice, const CleaningSteps& steps) {
  run.Journal().PassStarted();
  ChooseOptions(run, choice);
  run.Journal().OptionsChosen(run.state.OptionSource,
                              choice.mainProgram && run.state.OptionSource == kSafetyOptions);
  const std::size_t firstScanItem = run.categories.Count();
  RunScans(run, steps);
  RecordRegistryFindings(run, firstScanItem);
  RunRepair(run, steps);
  const std::size_t firstFileItem = run.categories.Count();
  RunSweeps(run, steps);
  RecordFileFindings(run, firstFileItem);
  run.statusLabel = kCompletedStatusText;
  run.Journal().PassEnded();
}

}  // namespace zent
