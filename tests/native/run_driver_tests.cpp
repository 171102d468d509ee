#include "run/run_driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "regscan/list_scans.h"
#include "tests/native/run_fixture.h"

namespace zent {
namespace {

using platform::MakeBinaryValue;
using platform::MakeDwordValue;
using platform::MakeTextValue;
using platform::RegRoot;
using platform::RegValue;

std::vector<char> DriveLetters(const DriveFlags& flags) {
  std::vector<char> letters;
  for (std::size_t i = 0; i < flags.size(); ++i) {
    if (flags[i]) letters.push_back(static_cast<char>('A' + i));
  }
  return letters;
}

std::vector<std::string> SwitchesOn(const CleaningSwitches& switches) {
  std::vector<std::string> names;
  for (const SwitchDefinition& definition : kSwitchTable) {
    if (switches.On(definition.which)) names.emplace_back(definition.valueName);
  }
  return names;
}

// Every step records its name with the status line and RepairRunning as it
// found them.
class RunDriverTest : public ::testing::Test {
 protected:
  RunDriverTest() {
    for (std::size_t i = 0; i < kScanCount; ++i) {
      steps.scans[i] = [this, i] { Record("scan " + std::to_string(i)); };
    }
    steps.repair = [this] { Record("repair"); };
    steps.junkSweep = [this] { Record("junk"); };
    steps.cacheSweep = [this] { Record("cache"); };
    // As the saver prepared them: the fixed disks C and D.
    fixture.state.SweepDrives[2] = fixture.state.SweepDrives[3] = 1;
    fixture.state.CheckDrives[3] = 1;
  }

  void Record(const std::string& step) {
    calls.push_back(step);
    labels.push_back(fixture.statusLabel);
    repairRunning.push_back(fixture.state.RepairRunning);
  }

  void SetOption(const std::string& name, RegValue value) {
    fixture.memory.registry.SetValue(RegRoot::LocalMachine, kOptionsKey, name, std::move(value));
  }
  void SetOption(const std::string& name, int number) { SetOption(name, MakeDwordValue(number)); }

  void RunMainProgramSource() { RunCleaningPass(fixture.run, {.mainProgram = true}, steps); }

  testing::RunFixture fixture;
  CleaningSteps steps;
  std::vector<std::string> calls;
  std::vector<std::string> labels;
  std::vector<bool> repairRunning;
};

const std::vector<std::string> kSafetyCalls = {"scan 2", "scan 5",  "scan 6", "scan 7", "scan 8",
                                               "scan 9", "scan 10", "repair", "junk"};

TEST_F(RunDriverTest, SafetySourceRunsItsScansInCategoryOrderThenRepairAndJunkSweep) {
  RunCleaningPass(fixture.run, {.safety = true}, steps);

  EXPECT_EQ(fixture.state.OptionSource, kSafetyOptions);
  EXPECT_EQ(calls, kSafetyCalls);
  EXPECT_EQ(SwitchesOn(fixture.state.Switches),
            (std::vector<std::string>{"CUSTOM-REG", "REG-ACTIVEX", "REG-AUTORUN", "REG-FONTS",
                                      "REG-MEDIA", "REG-HELPS", "REG-APPS", "REG-ICONS",
                                      "CUSTOM-FILES", "FILES-PIF", "FILES-GID", "FILES-CHK"}));
  EXPECT_EQ(DriveLetters(fixture.state.SweepDrives), (std::vector<char>{'C', 'D'}));
  EXPECT_EQ(DriveLetters(fixture.state.CheckDrives), (std::vector<char>{'C', 'D'}));
}

TEST_F(RunDriverTest, SafetySourceIgnoresTheMainProgramsOptions) {
  SetOption("REG-COM", 1);
  SetOption("DRIVE_E", 1);
  RunCleaningPass(fixture.run, {.safety = true}, steps);
  EXPECT_EQ(calls, kSafetyCalls);
  EXPECT_EQ(DriveLetters(fixture.state.SweepDrives), (std::vector<char>{'C', 'D'}));
}

TEST_F(RunDriverTest, MissingOptionsKeyFallsBackToTheSafetySetAndTheSaversDrives) {
  RunMainProgramSource();
  EXPECT_EQ(fixture.state.OptionSource, kSafetyOptions);
  EXPECT_EQ(calls, kSafetyCalls);
  EXPECT_EQ(DriveLetters(fixture.state.SweepDrives), (std::vector<char>{'C', 'D'}));
  EXPECT_EQ(DriveLetters(fixture.state.CheckDrives), (std::vector<char>{'C', 'D'}));
}

TEST_F(RunDriverTest, BothButtonsSelectedTakeTheMainProgramsOptions) {
  SetOption("CUSTOM-REG", 1);
  SetOption("REG-COM", 1);
  RunCleaningPass(fixture.run, {.safety = true, .mainProgram = true}, steps);
  EXPECT_EQ(fixture.state.OptionSource, kMainProgramOptions);
  EXPECT_EQ(calls, (std::vector<std::string>{"scan 1", "repair"}));
}

TEST_F(RunDriverTest, NeitherButtonLeavesEverySwitchOffAndRunsOnlyTheRepair) {
  SetOption("CUSTOM-REG", 1);
  RunCleaningPass(fixture.run, {}, steps);
  EXPECT_EQ(fixture.state.OptionSource, 0);
  EXPECT_TRUE(SwitchesOn(fixture.state.Switches).empty());
  EXPECT_EQ(calls, (std::vector<std::string>{"repair"}));
  EXPECT_EQ(fixture.statusLabel, kCompletedStatusText);
}

TEST_F(RunDriverTest, MainProgramOptionsReplaceEverySwitchAndBothDriveSelections) {
  fixture.state.Switches.Set(Switch::FilesBak, true);  // left over, must go
  fixture.state.SweepDrives[26] = 1;
  SetOption("CUSTOM-REG", 1);
  SetOption("REG-FILE_FORMATE", 1);
  SetOption("REG-ICONS", 1);
  SetOption("REG-SONSTIGES", 1);
  SetOption("CUSTOM-FILES", 1);
  SetOption("FILES-TMP", 1);
  SetOption("DRIVE_A", 1);
  SetOption("DRIVE_Z", 1);
  SetOption("CHECKDRIVE_E", 1);

  RunMainProgramSource();

  EXPECT_EQ(fixture.state.OptionSource, kMainProgramOptions);
  EXPECT_EQ(calls, (std::vector<std::string>{"scan 0", "scan 10", "scan 11", "repair", "junk"}));
  EXPECT_EQ(SwitchesOn(fixture.state.Switches),
            (std::vector<std::string>{"CUSTOM-REG", "REG-FILE_FORMATE", "REG-ICONS",
                                      "REG-SONSTIGES", "CUSTOM-FILES", "FILES-TMP"}));
  EXPECT_EQ(DriveLetters(fixture.state.SweepDrives), (std::vector<char>{'A', 'Z'}));
  EXPECT_EQ(DriveLetters(fixture.state.CheckDrives), (std::vector<char>{'E'}));
}

TEST_F(RunDriverTest, RegistryCleaningOffStillRunsTheRepairUnderItsStatusText) {
  SetOption("CUSTOM-REG", 0);
  SetOption("REG-APPS", 1);
  RunMainProgramSource();
  EXPECT_EQ(calls, (std::vector<std::string>{"repair"}));
  EXPECT_EQ(labels, (std::vector<std::string>{std::string(kRepairStatusText)}));
  EXPECT_EQ(fixture.statusLabel, kCompletedStatusText);
}

TEST_F(RunDriverTest, RepairRunningIsSetOnlyAroundTheRepair) {
  RunCleaningPass(fixture.run, {.safety = true}, steps);
  ASSERT_EQ(calls.size(), repairRunning.size());
  for (std::size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(repairRunning[i], calls[i] == "repair") << calls[i];
  }
  EXPECT_FALSE(fixture.state.RepairRunning);
}

TEST_F(RunDriverTest, CacheCleaningForcesTheJunkSweepOn) {
  SetOption("CUSTOM-FILES", 0);
  SetOption("CUSTOM-CACHE", 1);
  RunMainProgramSource();
  EXPECT_TRUE(fixture.state.Switches.On(Switch::CustomFiles));
  EXPECT_EQ(calls, (std::vector<std::string>{"repair", "junk", "cache"}));
}

TEST_F(RunDriverTest, StepsNotBuiltYetAreSkipped) {
  steps.scans[2] = nullptr;
  steps.junkSweep = nullptr;
  RunCleaningPass(fixture.run, {.safety = true}, steps);
  EXPECT_EQ(calls, (std::vector<std::string>{"scan 5", "scan 6", "scan 7", "scan 8", "scan 9",
                                             "scan 10", "repair"}));
  EXPECT_EQ(fixture.statusLabel, kCompletedStatusText);
}

// Input during the first scan: the driver goes on through every step, the
// later scans end at their start without adding a category, and the pass still
// ends with its completion text.
TEST_F(RunDriverTest, AbortDuringTheFirstScanLeavesOnlyItsCategory) {
  for (const char* name : {"CUSTOM-REG", "REG-SHARED_DLLS", "REG-FONTS", "REG-MEDIA", "REG-HELPS",
                           "REG-APPS", "CUSTOM-FILES", "CHECKDRIVE_C"}) {
    SetOption(name, 1);
  }
  const auto set = [this](RegRoot root, const std::string& key, const char* name,
                          const char* data) {
    fixture.memory.registry.SetValue(root, key, name, MakeTextValue(data));
  };
  set(RegRoot::LocalMachine, std::string(kSharedDllsKey), "C:\\GONE\\A.DLL", "1");
  set(RegRoot::LocalMachine, std::string(kSharedDllsKey), "C:\\GONE\\B.DLL", "1");
  set(RegRoot::LocalMachine, std::string(kFontsKey), "Gone", "C:\\GONE\\F.TTF");
  set(RegRoot::CurrentUser, std::string(kSoundAppsKey) + "\\App\\Event\\.current", "",
      "C:\\GONE\\E.WAV");
  set(RegRoot::LocalMachine, std::string(kHelpFilesKey), "H.HLP", "C:\\GONE");
  set(RegRoot::LocalMachine, std::string(kAppPathsKey) + "\\X.EXE", "", "C:\\GONE\\X.EXE");
  RunContext& run = fixture.run;
  steps.scans[3] = [&run] { ScanSharedDlls(run); };
  steps.scans[6] = [&run] { ScanFonts(run); };
  steps.scans[7] = [&run] { ScanSystemSounds(run); };
  steps.scans[8] = [&run] { ScanHelpFiles(run); };
  steps.scans[9] = [&run] { ScanAppPaths(run); };
  fixture.memory.pump.onPump = [this](int call) {
    if (call == 3) fixture.state.AbortRequested = true;  // while B.DLL is shown
  };

  RunMainProgramSource();

  EXPECT_EQ(calls, (std::vector<std::string>{"repair", "junk"}));
  ASSERT_EQ(fixture.categories.Count(), 1u);
  const CategoryItem& item = fixture.categories.Item(0);
  EXPECT_EQ(item.CategoryIndex, 3);
  EXPECT_EQ(item.caption, "DLLs");
  EXPECT_EQ(item.category.TargetPaths(), (std::vector<std::string>{"C:\\GONE\\A.DLL"}));
  EXPECT_TRUE(item.category.SelectionFlags().empty());
  EXPECT_EQ(fixture.memory.pump.calls, 3);
  EXPECT_EQ(fixture.statusLabel, kCompletedStatusText);
  EXPECT_FALSE(fixture.state.RepairRunning);
}

class WholeRegistryScanTest : public RunDriverTest, public ::testing::WithParamInterface<bool> {};

TEST_P(WholeRegistryScanTest, RunsOnlyOutsideTheNtFamily) {
  const bool isWinNt = GetParam();
  fixture.state.IsWinNT = isWinNt;
  SetOption("CUSTOM-REG", 1);
  SetOption("REG-SONSTIGES", 1);
  RunMainProgramSource();
  EXPECT_EQ(fixture.state.Switches.On(Switch::RegSonstiges), !isWinNt);
  const std::vector<std::string> expected =
      isWinNt ? std::vector<std::string>{"repair"} : std::vector<std::string>{"scan 11", "repair"};
  EXPECT_EQ(calls, expected);
}

INSTANTIATE_TEST_SUITE_P(Platforms, WholeRegistryScanTest, ::testing::Bool(),
                         [](const auto& testCase) { return testCase.param ? "WinNT" : "Win95"; });

struct StoredValue {
  const char* label;
  RegValue value;
  bool readsAsOne;
};

// The same rule for drive values and switches: only the number 1 is on, and
// nothing stored there may stop the run.
class OptionValueTest : public RunDriverTest, public ::testing::WithParamInterface<StoredValue> {};

TEST_P(OptionValueTest, CountsAsOnOnlyWhenItReadsAsOne) {
  const StoredValue& stored = GetParam();
  SetOption("CUSTOM-REG", 1);
  SetOption("DRIVE_D", stored.value);
  SetOption("CHECKDRIVE_D", stored.value);
  SetOption("REG-APPS", stored.value);
  SetOption("FILES-BAK", stored.value);

  ASSERT_NO_THROW(RunMainProgramSource());

  const std::vector<char> drives = stored.readsAsOne ? std::vector<char>{'D'} : std::vector<char>{};
  EXPECT_EQ(DriveLetters(fixture.state.SweepDrives), drives);
  EXPECT_EQ(DriveLetters(fixture.state.CheckDrives), drives);
  EXPECT_EQ(fixture.state.Switches.On(Switch::RegApps), stored.readsAsOne);
  EXPECT_EQ(fixture.state.Switches.On(Switch::FilesBak), stored.readsAsOne);
  EXPECT_EQ(calls.front() == "scan 9", stored.readsAsOne);
  EXPECT_EQ(fixture.statusLabel, kCompletedStatusText);
}

INSTANTIATE_TEST_SUITE_P(
    Values, OptionValueTest,
    ::testing::Values(
        StoredValue{"Text1", MakeTextValue("1"), true},
        StoredValue{"Integer1", MakeDwordValue(1), true},
        StoredValue{"Text01", MakeTextValue("01"), true},
        StoredValue{"TextWithBlanks", MakeTextValue(" 1 "), true},
        StoredValue{"OneByteBinary", MakeBinaryValue(std::string("\x01", 1)), true},
        StoredValue{"FourByteBinary", MakeBinaryValue(std::string("\x01\0\0\0", 4)), true},
        StoredValue{"Integer0", MakeDwordValue(0), false},
        StoredValue{"Integer2", MakeDwordValue(2), false},
        StoredValue{"IntegerMinus1", MakeDwordValue(-1), false},
        StoredValue{"Text2", MakeTextValue("2"), false},
        StoredValue{"WordYes", MakeTextValue("yes"), false},
        StoredValue{"EmptyText", MakeTextValue(""), false},
        StoredValue{"TextOneAndMore", MakeTextValue("1x"), false},
        StoredValue{"FiveByteBinary", MakeBinaryValue(std::string("\x01\0\0\0\0", 5)), false},
        StoredValue{"ExpandableText1", RegValue{platform::kRegExpandSz, "1"}, false},
        StoredValue{"MultiText1", RegValue{platform::kRegMultiSz, "1"}, false}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST_F(RunDriverTest, MissingValuesLeaveDrivesAndSwitchesOff) {
  SetOption("CUSTOM-REG", 1);
  RunMainProgramSource();
  EXPECT_TRUE(DriveLetters(fixture.state.SweepDrives).empty());
  EXPECT_TRUE(DriveLetters(fixture.state.CheckDrives).empty());
  EXPECT_EQ(SwitchesOn(fixture.state.Switches), (std::vector<std::string>{"CUSTOM-REG"}));
  EXPECT_EQ(calls, (std::vector<std::string>{"repair"}));
}

}  // namespace
}  // namespace zent
