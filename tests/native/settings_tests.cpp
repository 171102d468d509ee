#include "ui/settings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/registry_helpers.h"
#include "platform/memory/memory_platform.h"
#include "ui/clean_now.h"
#include "ui/dialog_form.h"

namespace zent {
namespace {

constexpr auto kRoot = platform::RegRoot::LocalMachine;

std::string NoText(int) { return {}; }
void NotTold(const std::string& message) { ADD_FAILURE() << "told: " << message; }

struct Stored {
  const char* name;
  std::int32_t value;
};

struct DialogState {
  bool mainProgram;
  std::string stars;
  int speed;
  bool block;
  bool alwaysDelete;
};

DialogState StateOf(Form& dialog) {
  return {MainProgramModeButton(dialog).checked, StarCountEdit(dialog).text,
          SpeedBar(dialog).position, BlockStarsBox(dialog).checked,
          AlwaysDeleteButton(dialog).checked};
}

struct LoadCase {
  const char* title;
  bool keyExists;
  std::vector<Stored> values;
  DialogState expected;
};

class LoadSettingsTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadSettingsTest, PutsStoredValuesIntoTheControls) {
  const LoadCase& test = GetParam();
  memory::MemoryPlatform machine;
  if (test.keyExists) {
    machine.registry.Create(kRoot, kSaverSettingsKey);
  }
  for (const Stored& stored : test.values) {
    ASSERT_TRUE(
        RegWriteNumber(machine.registry, kRoot, kSaverSettingsKey, stored.name, stored.value));
  }
  Form dialog = MakeConfigurationDialog();
  FillStarCountFromArrows(dialog);

  const bool deleteWriteProtected = LoadSettings(dialog, machine.registry);

  const DialogState state = StateOf(dialog);
  EXPECT_EQ(state.mainProgram, test.expected.mainProgram);
  EXPECT_NE(SafetyModeButton(dialog).checked, state.mainProgram);
  EXPECT_EQ(state.stars, test.expected.stars);
  EXPECT_EQ(state.speed, test.expected.speed);
  EXPECT_EQ(state.block, test.expected.block);
  EXPECT_EQ(state.alwaysDelete, test.expected.alwaysDelete);
  EXPECT_NE(NeverDeleteButton(dialog).checked, state.alwaysDelete);
  EXPECT_EQ(deleteWriteProtected, test.expected.alwaysDelete);
}

const DialogState kDefaults{false, "100", 2, true, false};

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadSettingsTest,
    ::testing::Values(
        LoadCase{"NoKeyKeepsDefaults", false, {}, kDefaults},
        LoadCase{"EmptyKeyTurnsBlocksOff", true, {}, {false, "100", 2, false, false}},
        LoadCase{"AllValues",
                 true,
                 {{"MODE", 2}, {"STARS", 500}, {"SPEED", 7}, {"BLOCK", 1}, {"WRITE-PROTECT", 2}},
                 {true, "500", 7, true, true}},
        LoadCase{"ModeThreeAndWriteProtectThreeChangeNothing",
                 true,
                 {{"MODE", 3}, {"BLOCK", 1}, {"WRITE-PROTECT", 3}},
                 {false, "100", 2, true, false}},
        LoadCase{"ModeOneAfterDefaults",
                 true,
                 {{"MODE", 1}, {"WRITE-PROTECT", 1}, {"BLOCK", 1}},
                 kDefaults},
        LoadCase{"BlockOtherThanOneIsOff", true, {{"BLOCK", 2}}, {false, "100", 2, false, false}},
        LoadCase{"NonPositiveStarsAndSpeedIgnored",
                 true,
                 {{"STARS", 0}, {"SPEED", -3}, {"BLOCK", 1}},
                 kDefaults},
        LoadCase{"NegativeStarsIgnored", true, {{"STARS", -50}, {"BLOCK", 1}}, kDefaults},
        LoadCase{"SpeedAboveTenShowsTen",
                 true,
                 {{"SPEED", 11}, {"BLOCK", 1}},
                 {false, "100", 10, true, false}},
        LoadCase{"StarsAbove5000LoadedUnchanged",
                 true,
                 {{"STARS", 7000}, {"BLOCK", 1}},
                 {false, "7000", 2, true, false}}),
    [](const ::testing::TestParamInfo<LoadCase>& testCase) {
      return std::string(testCase.param.title);
    });

struct Unreadable {
  const char* name;
  platform::RegValue stored;
};

// The saver starts unattended: a value that is no number loads as if it were
// missing, never as an error.
TEST(LoadSettings, UnreadableValueCountsAsMissing) {
  const Stored kGood[] = {
      {"MODE", 2}, {"STARS", 500}, {"SPEED", 7}, {"BLOCK", 1}, {"WRITE-PROTECT", 2}};
  const auto longBinary = platform::MakeBinaryValue(std::string(32, '\x01'));
  for (const Unreadable& bad :
       {Unreadable{"STARS", platform::MakeTextValue("abc")},
        Unreadable{"STARS", platform::MakeTextValue("99999999999999999999")},
        Unreadable{"MODE", longBinary}, Unreadable{"SPEED", longBinary},
        Unreadable{"BLOCK", platform::MakeTextValue("yes")},
        Unreadable{"WRITE-PROTECT", platform::MakeTextValue("2x")}}) {
    SCOPED_TRACE(std::string(bad.name) + ", " + std::to_string(bad.stored.data.size()) + " bytes");
    memory::MemoryPlatform missing;
    memory::MemoryPlatform unreadable;
    for (const Stored& good : kGood) {
      if (std::string_view(good.name) == bad.name) continue;
      RegWriteNumber(missing.registry, kRoot, kSaverSettingsKey, good.name, good.value);
      RegWriteNumber(unreadable.registry, kRoot, kSaverSettingsKey, good.name, good.value);
    }
    unreadable.registry.SetValue(kRoot, kSaverSettingsKey, bad.name, bad.stored);
    Form expected = MakeConfigurationDialog();
    FillStarCountFromArrows(expected);
    Form loaded = MakeConfigurationDialog();
    FillStarCountFromArrows(loaded);

    const bool expectedDelete = LoadSettings(expected, missing.registry);
    bool deleteWriteProtected = true;
    EXPECT_NO_THROW(deleteWriteProtected = LoadSettings(loaded, unreadable.registry));

    const DialogState want = StateOf(expected);
    const DialogState got = StateOf(loaded);
    EXPECT_EQ(got.mainProgram, want.mainProgram);
    EXPECT_EQ(got.stars, want.stars);
    EXPECT_EQ(got.speed, want.speed);
    EXPECT_EQ(got.block, want.block);
    EXPECT_EQ(got.alwaysDelete, want.alwaysDelete);
    EXPECT_EQ(deleteWriteProtected, expectedDelete);
  }
}

TEST(LoadSettings, ArrowsContinueFromTheirOwnPosition) {
  memory::MemoryPlatform machine;
  RegWriteNumber(machine.registry, kRoot, kSaverSettingsKey, "STARS", 500);
  Form dialog = MakeConfigurationDialog();
  FillStarCountFromArrows(dialog);
  LoadSettings(dialog, machine.registry);
  ASSERT_EQ(StarCountEdit(dialog).text, "500");

  const Control& arrows = StarCountArrows(dialog);
  MoveStarCountArrows(dialog, arrows.position + arrows.step);
  EXPECT_EQ(StarCountEdit(dialog).text, "102");
}

TEST(SaveSettings, WrittenSettingsReadBackIdentically) {
  memory::MemoryPlatform machine;
  Form dialog = MakeConfigurationDialog();
  CheckRadioButton(dialog, MainProgramModeButton(dialog));
  CheckRadioButton(dialog, AlwaysDeleteButton(dialog));
  StarCountEdit(dialog).text = "7000";
  SpeedBar(dialog).position = 9;
  BlockStarsBox(dialog).checked = false;

  SaveSettings(dialog, machine.registry, NoText, NotTold);
  EXPECT_EQ(RegReadNumberOrZero(machine.registry, kRoot, kSaverSettingsKey, "STARS"), 7000);
  EXPECT_EQ(RegReadNumberOrZero(machine.registry, kRoot, kSaverSettingsKey, "MODE"), 2);
  EXPECT_EQ(RegReadNumberOrZero(machine.registry, kRoot, kSaverSettingsKey, "WRITE-PROTECT"), 2);

  Form reloaded = MakeConfigurationDialog();
  EXPECT_TRUE(LoadSettings(reloaded, machine.registry));
  const DialogState saved = StateOf(dialog);
  const DialogState loaded = StateOf(reloaded);
  EXPECT_EQ(loaded.mainProgram, saved.mainProgram);
  EXPECT_EQ(loaded.stars, saved.stars);
  EXPECT_EQ(loaded.speed, saved.speed);
  EXPECT_EQ(loaded.block, saved.block);
  EXPECT_EQ(loaded.alwaysDelete, saved.alwaysDelete);
}

TEST(SaveSettings, DefaultsAreStoredAsNumbers) {
  memory::MemoryPlatform machine;
  Form dialog = MakeConfigurationDialog();
  FillStarCountFromArrows(dialog);
  SaveSettings(dialog, machine.registry, NoText, NotTold);
  for (const Stored& expected : {Stored{"MODE", 1}, Stored{"STARS", 100}, Stored{"SPEED", 2},
                                 Stored{"BLOCK", 1}, Stored{"WRITE-PROTECT", 1}}) {
    const auto value = machine.registry.Value(kRoot, kSaverSettingsKey, expected.name);
    ASSERT_TRUE(value.has_value()) << expected.name;
    EXPECT_EQ(value->type, platform::kRegDword) << expected.name;
    EXPECT_EQ(RegReadNumberOrZero(machine.registry, kRoot, kSaverSettingsKey, expected.name),
              expected.value);
  }
}

const SaverSettings kStored{OptionSourceSetting::Safety, 500, 7, false, true};
const SaverSettings kUsers{OptionSourceSetting::MainProgram, 300, 4, true, false};

void Plant(memory::MemoryRegistry& registry, platform::RegRoot root, const SaverSettings& s) {
  RegWriteNumber(registry, root, kSaverSettingsKey, "MODE", static_cast<int>(s.optionSource));
  RegWriteNumber(registry, root, kSaverSettingsKey, "STARS", s.starCount);
  RegWriteNumber(registry, root, kSaverSettingsKey, "SPEED", s.speed);
  RegWriteNumber(registry, root, kSaverSettingsKey, "BLOCK", s.blockStars ? 1 : 0);
  RegWriteNumber(registry, root, kSaverSettingsKey, "WRITE-PROTECT",
                 s.deleteWriteProtected ? 2 : 1);
}

// As for a user who may read a key but not change it or add keys below it.
void Close(memory::MemoryRegistry& registry, platform::RegRoot root) {
  registry.Create(root, "SOFTWARE");
  registry.SetReadOnly(root, "SOFTWARE", true);
  registry.SetReadOnly(root, kSaverSettingsKey, true);
}

struct PlaceCase {
  const char* title;
  bool userCopy;     // the user has a copy of their own (kUsers)
  bool machineOpen;  // this user may write the machine's key (which holds kStored)
  bool userOpen;
  bool writesRefused;  // keys open for writing, but every value refused
  const char* typedStars;
  SettingsStore store;
  std::int32_t machineStarsAfter;
  bool userCopyAfter;
  SaverSettings loadedAfter;
};

class SettingsPlaceTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(SettingsPlaceTest, LoadsTheUsersCopyFirstAndSavesAllOrNothing) {
  const PlaceCase& c = GetParam();
  constexpr auto kUser = platform::RegRoot::CurrentUser;
  memory::MemoryPlatform machine;
  Plant(machine.registry, kRoot, kStored);
  if (c.userCopy) Plant(machine.registry, kUser, kUsers);
  if (!c.machineOpen) Close(machine.registry, kRoot);
  if (!c.userOpen) Close(machine.registry, kUser);
  machine.registry.RefuseWrites(c.writesRefused);
  EXPECT_EQ(LoadSaverSettings(machine.registry), c.userCopy ? kUsers : kStored);

  Form dialog = MakeConfigurationDialog();
  LoadSettings(dialog, machine.registry);
  CheckRadioButton(dialog, MainProgramModeButton(dialog));
  StarCountEdit(dialog).text = c.typedStars;
  SpeedBar(dialog).position = 9;
  std::vector<std::string> told;
  SettingsStore store = SettingsStore::NotSaved;
  EXPECT_NO_THROW(store = SaveSettings(
                      dialog, machine.registry, [](int id) { return std::to_string(id); },
                      [&](const std::string& message) { told.push_back(message); }));

  EXPECT_EQ(store, c.store);
  EXPECT_EQ(told.size(), c.store == SettingsStore::NotSaved ? 1u : 0u);
  for (const std::string& message : told) EXPECT_TRUE(message.starts_with("410\n")) << message;
  EXPECT_EQ(machine.registry.Value(kRoot, kSaverSettingsKey, "STARS"),
            platform::MakeDwordValue(c.machineStarsAfter));
  EXPECT_EQ(machine.registry.KeyExists(kUser, kSaverSettingsKey), c.userCopyAfter);
  EXPECT_EQ(LoadSaverSettings(machine.registry), c.loadedAfter);
}

// kUsers and kStored as the dialog leaves them: main program, 4321 stars,
// speed 9.
const SaverSettings kTypedOverUsers{OptionSourceSetting::MainProgram, 4321, 9, true, false};
const SaverSettings kTypedOverStored{OptionSourceSetting::MainProgram, 4321, 9, false, true};

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsPlaceTest,
    ::testing::Values(PlaceCase{"MachineKeyTakesThemAndTheUsersCopyGoes", true, true, true, false,
                                "4321", SettingsStore::MachineKey, 4321, false, kTypedOverUsers},
                      PlaceCase{"ClosedMachineKeyLeavesThemToTheUser", false, false, true, false,
                                "4321", SettingsStore::UserKey, 500, true, kTypedOverStored},
                      PlaceCase{"ClosedMachineKeyUpdatesTheUsersCopy", true, false, true, false,
                                "4321", SettingsStore::UserKey, 500, true, kTypedOverUsers},
                      PlaceCase{"NeitherKeyTakesThem", false, false, false, false, "4321",
                                SettingsStore::NotSaved, 500, false, kStored},
                      PlaceCase{"StarCountNoNumberWritesNothing", false, true, true, false, "12a",
                                SettingsStore::NotSaved, 500, false, kStored},
                      PlaceCase{"RefusedValuesLeaveNoEmptyUserKey", false, true, true, true, "4321",
                                SettingsStore::NotSaved, 500, false, kStored}),
    [](const ::testing::TestParamInfo<PlaceCase>& testCase) {
      return std::string(testCase.param.title);
    });

TEST(CleanNow, StartsOneRunAtATimeWithAdministratorRights) {
  memory::MemoryPlatform machine;
  CleanNow cleanNow(machine.launcher, "C:\\Zent Saver\\ZENT.SCR");
  machine.launcher.refuseAdministrator = true;
  EXPECT_FALSE(cleanNow.Start());
  machine.launcher.refuseAdministrator = false;
  EXPECT_TRUE(cleanNow.Start());
  EXPECT_FALSE(cleanNow.Start());
  EXPECT_TRUE(cleanNow.Running());
  machine.launcher.EndAdministratorPrograms();
  EXPECT_TRUE(cleanNow.Start());
  const std::vector<std::string> twoRuns(2, "C:\\Zent Saver\\ZENT.SCR /S");
  EXPECT_EQ(machine.launcher.administratorStarts, twoRuns);
}

struct StarCase {
  const char* typed;
  int starCount;
};

TEST(ReadStarSettings, CapsTheCountAndNeverGoesBelowNoStars) {
  for (const StarCase& test :
       {StarCase{"100", 100}, StarCase{"5000", 5000}, StarCase{"7000", 5000}, StarCase{"0", 0},
        StarCase{"-1", -1}, StarCase{"-2147483648", -1}, StarCase{" 20 ", 20}}) {
    Form dialog = MakeConfigurationDialog();
    StarCountEdit(dialog).text = test.typed;
    SpeedBar(dialog).position = 4;
    BlockStarsBox(dialog).checked = false;
    const StarSettings settings = ReadStarSettings(dialog);
    EXPECT_EQ(settings.starCount, test.starCount) << test.typed;
    EXPECT_EQ(settings.speed, 4);
    EXPECT_FALSE(settings.blockStars);
  }
  Form dialog = MakeConfigurationDialog();
  StarCountEdit(dialog).text = "";
  EXPECT_THROW(ReadStarSettings(dialog), ConversionError);
}

TEST(ConfigurationDialog, StartsWithTheDefaultSettings) {
  Form dialog = MakeConfigurationDialog();
  FillStarCountFromArrows(dialog);
  EXPECT_EQ(dialog.Find("PageControl1").position, 1);
  EXPECT_EQ(StarCountEdit(dialog).text, "100");
  const Control& arrows = StarCountArrows(dialog);
  EXPECT_EQ(arrows.minimum, 20);
  EXPECT_EQ(arrows.maximum, 5000);
  MoveStarCountArrows(dialog, 6000);
  EXPECT_EQ(StarCountEdit(dialog).text, "5000");
  EXPECT_THROW(dialog.Find("Edit2"), std::out_of_range);
}

}  // namespace
}  // namespace zent
