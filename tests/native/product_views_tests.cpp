// The main program's keys on 64-bit Windows: the saver reads each from the
// 64-bit view and, where it is missing there, from the 32-bit view, and
// writes its settings back to the view it read them from.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/registry_helpers.h"
#include "run/registry_repair.h"
#include "run/run_driver.h"
#include "tests/native/run_fixture.h"
#include "ui/dialog_form.h"
#include "ui/saver_window.h"
#include "ui/settings.h"

namespace zent {
namespace {

using platform::MakeDwordValue;
using platform::MakeTextValue;
using platform::RegRoot;
using Lines = std::vector<std::string>;

constexpr RegRoot HKLM = RegRoot::LocalMachine;
constexpr char kProduct[] = "SOFTWARE\\Ortavo\\Kelvaro-ZENT";

// What one view holds of the product's keys; an empty text: not there.
struct ViewContent {
  std::string exePath, backupPath;
  bool options = false;  // "Options" with the COM scan on (64-bit) or the icon scan (32-bit)
  int stars = 0;         // "Saver" with MODE 2 and this star count; 0: no "Saver" key
};

struct ViewCase {
  std::string label;
  ViewContent view64, view32;
  std::string productDirectory, backupDirectory;
  Switch optionsOn;   // the switch the options read turn on
  std::string stars;  // what the dialog loads
  bool savedTo32;     // where the dialog's settings go
};

void PrintTo(const ViewCase& c, std::ostream* out) { *out << c.label; }

void Seed(memory::MemoryRegistry& view, const ViewContent& content, Switch scan) {
  if (!content.exePath.empty())
    view.SetValue(HKLM, kProduct, "EXEPath", MakeTextValue(content.exePath));
  if (!content.backupPath.empty())
    view.SetValue(HKLM, kProduct, "Path", MakeTextValue(content.backupPath));
  if (content.options) {
    view.SetValue(HKLM, kOptionsKey, "CUSTOM-REG", MakeDwordValue(1));
    view.SetValue(HKLM, kOptionsKey, scan == Switch::RegCom ? "REG-COM" : "REG-ICONS",
                  MakeDwordValue(1));
  }
  if (content.stars != 0) {
    view.SetValue(HKLM, kSaverSettingsKey, "MODE", MakeDwordValue(2));
    view.SetValue(HKLM, kSaverSettingsKey, "STARS", MakeDwordValue(content.stars));
  }
}

class ProductViews : public ::testing::TestWithParam<ViewCase> {};

TEST_P(ProductViews, EachKeyIsReadFromTheViewHoldingItAndSettingsGoBackThere) {
  const ViewCase& c = GetParam();
  testing::RunFixture f;
  Seed(f.memory.registry, c.view64, Switch::RegCom);
  Seed(f.memory.registry.View32(), c.view32, Switch::RegIcons);

  SaverWindowModel model{f.memory.platform(), f.state, [](int) { return std::string(); }};
  model.PrepareSaver({100, 5, false});
  EXPECT_EQ(f.state.ProductDirectory, c.productDirectory);
  EXPECT_EQ(RegistryRepair(f.run).BackupDirectory(), c.backupDirectory);
  RunCleaningPass(f.run, {false, true}, {});
  EXPECT_EQ(f.state.OptionSource, kMainProgramOptions);
  EXPECT_TRUE(f.state.Switches.On(c.optionsOn));

  Form dialog = MakeConfigurationDialog();
  FillStarCountFromArrows(dialog);
  LoadSettings(dialog, f.memory.registry);
  EXPECT_EQ(StarCountEdit(dialog).text, c.stars);
  StarCountEdit(dialog).text = "42";
  EXPECT_EQ(
      SaveSettings(
          dialog, f.memory.registry, [](int) { return std::string(); }, [](const std::string&) {}),
      SettingsStore::MachineKey);
  auto& saved = c.savedTo32 ? f.memory.registry.View32() : f.memory.registry;
  auto& other = c.savedTo32 ? f.memory.registry : f.memory.registry.View32();
  EXPECT_EQ(RegReadNumberOrZero(saved, HKLM, kSaverSettingsKey, "STARS"), 42);
  EXPECT_NE(RegReadNumberOrZero(other, HKLM, kSaverSettingsKey, "STARS"), 42);
}

const ViewContent kMainProgram32{"C:\\P32", "C:\\B32", true, 321};

INSTANTIATE_TEST_SUITE_P(
    Placements, ProductViews,
    ::testing::Values(ViewCase{"OnlyInThe32BitView",
                               {},
                               kMainProgram32,
                               "C:\\P32",
                               "C:\\B32",
                               Switch::RegIcons,
                               "321",
                               true},
                      ViewCase{"The64BitViewFirst",
                               {"C:\\P64", "C:\\B64", true, 654},
                               kMainProgram32,
                               "C:\\P64",
                               "C:\\B64",
                               Switch::RegCom,
                               "654",
                               false},
                      // The saver's own first save made the product key in the 64-bit view.
                      ViewCase{"SaverSettingsIn64MainProgramIn32",
                               {"", "", false, 654},
                               kMainProgram32,
                               "C:\\P32",
                               "C:\\B32",
                               Switch::RegIcons,
                               "654",
                               false},
                      ViewCase{"NoSaverSettingsAnywhere",
                               {"C:\\P64", "", true, 0},
                               {"", "", false, 0},
                               "C:\\P64",
                               "C:\\P64\\BACKUP",
                               Switch::RegCom,
                               "100",
                               false}),
    [](const auto& testCase) { return testCase.param.label; });

// Without a main program folder given in full, the backup folder and the
// exclusion files lie in the Windows drive's root, never the current one.
TEST(ProductFilesFolder, WithoutAFullProductFolderTheWindowsDrivesRootIsUsed) {
  struct Row {
    std::optional<platform::RegValue> exePath, backupPath;
    std::string windows, backupDirectory;  // empty: none, so nothing is backed up
  } const rows[] = {
      {{}, {}, "C:\\WINDOWS", "C:\\BACKUP"},
      {MakeTextValue(""), {}, "C:\\WINDOWS", "C:\\BACKUP"},
      {platform::MakeBinaryValue("12345678"), {}, "C:\\WINDOWS", "C:\\BACKUP"},  // reads as ""
      {MakeTextValue("KZ"), {}, "d:\\winnt\\", "d:\\BACKUP"},
      {MakeTextValue("\\KZ"), {}, "D:\\W", "D:\\BACKUP"},
      {MakeTextValue("D:\\KZ\\"), MakeTextValue("SAVE"), "C:\\W", "D:\\KZ\\BACKUP"},
      {{}, {}, "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.backupDirectory);
    testing::RunFixture f;
    f.memory.system.windowsDirectory = row.windows;
    if (row.exePath) f.memory.registry.SetValue(HKLM, kProduct, "EXEPath", *row.exePath);
    if (row.backupPath) f.memory.registry.SetValue(HKLM, kProduct, "Path", *row.backupPath);
    f.memory.files.AddDrive('D', platform::kDriveFixed, "DATA");
    f.memory.files.AddFolder("D:\\KZ");
    for (const std::string folder : {"C:", "D:", "D:\\KZ"}) {
      f.memory.files.WriteWhole(folder + "\\FILESEXP.INI", folder + "\\X");
    }
    SaverWindowModel model{f.memory.platform(), f.state, [](int) { return std::string(); }};
    model.PrepareSaver({100, 5, false});
    RegistryRepair repair(f.run);

    EXPECT_EQ(repair.BackupDirectory(), row.backupDirectory);
    // The run log says why the backups lie in a drive's root.
    EXPECT_EQ(repair.BackupDirectoryNote().empty(), !row.backupDirectory.ends_with(":\\BACKUP"));
    // The one exclusion file of the folder the backups go beside.
    const std::string folder = row.backupDirectory.substr(0, row.backupDirectory.rfind('\\'));
    EXPECT_EQ(f.state.ExcludedFiles.Entries(),
              folder.empty() ? Lines{} : Lines{UpperCaseUtf8(folder + "\\X")});
  }
}

}  // namespace
}  // namespace zent
