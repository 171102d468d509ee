// The whole-registry scan on the in-memory registry and files: which values
// it reports and how, where it walks and where not, and that it ends on
// links, loops, locked keys and trees deeper than the registry allows.
#include "regscan/whole_registry_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run/registry_repair.h"
#include "tests/native/fake_exporter.h"
#include "tests/native/run_fixture.h"
#include "tests/native/scan_rows.h"

namespace zent {
namespace {

using platform::MakeTextValue;
using platform::RegRoot;
using platform::RegValue;

using testing::OnlyCategory;
using testing::Row;
using testing::RowsOf;

class WholeRegistry : public ::testing::Test, protected testing::RunFixture {
 protected:
  WholeRegistry() {
    memory.files.AddDrive('D', platform::kDriveFixed);
    memory.files.AddDrive('E', platform::kDriveFixed);  // present, not checked
    state.CheckDrives[3] = 1;
    memory.files.AddFile("C:\\TOOLS\\PRESENT.EXE");
    memory.files.AddFile("C:\\USERS\\J.DOE SMITH\\APP.EXE");
    memory.files.AddFolder("C:\\MY.APP DIR\\SUB");
    memory.files.AddFile("C:\\WINDOWS\\SYSTEM32\\ONLY64.DLL");
    memory.shell.SetEnvironment("GONE", "C:\\Gone");
    state.WinDir = "C:\\WINDOWS";
  }

  const CategoryItem& Only() const { return OnlyCategory(categories); }

  std::vector<Row> Rows() const { return RowsOf(Only().category, &FindingCategory::EntryKeys); }
};

// --- what a value names ----------------------------------------------------

struct ValueCase {
  std::string label;
  std::string name;
  RegValue value;
  std::string reported;  // empty: never reported
};

void PrintTo(const ValueCase& c, std::ostream* out) { *out << c.label; }

class WholeRegistryValue : public WholeRegistry, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(WholeRegistryValue, IsReportedOnlyWhenItNamesNothingThere) {
  const ValueCase& c = GetParam();
  Set(RegRoot::CurrentUser, "Tools", c.name, c.value);
  ScanOtherEntries(run);
  std::vector<Row> expected;
  if (!c.reported.empty()) {
    expected.push_back(
        {c.name.empty() ? "(Standard)" : c.name, c.reported, "HKEY_CURRENT_USER\\Tools"});
  }
  EXPECT_EQ(Rows(), expected);
}

RegValue Expandable(std::string text) { return {platform::kRegExpandSz, std::move(text)}; }

INSTANTIATE_TEST_SUITE_P(
    Values, WholeRegistryValue,
    ::testing::Values(
        ValueCase{"ProgramWithOption", "Cmd", MakeTextValue("C:\\GONE\\TOOL.EXE /S"),
                  "C:\\GONE\\TOOL.EXE"},
        ValueCase{"OptionWithoutExtension", "Cmd", MakeTextValue("C:\\GONE\\TOOL /S"), ""},
        ValueCase{"PathList", "List", MakeTextValue("C:\\GONE\\A.EXE;C:\\GONE\\B.EXE"), ""},
        ValueCase{"NameIsASwitch", "/x", MakeTextValue("C:\\GONE\\X.EXE"), ""},
        ValueCase{"MissingFolder", "Data", MakeTextValue("D:\\Data\\"), "D:\\DATA"},
        ValueCase{"ExistingFolder", "Dir", MakeTextValue("c:\\tools\\"), ""},
        ValueCase{"DefaultValue", "", MakeTextValue("C:\\GONE\\X.EXE"), "C:\\GONE\\X.EXE"},
        ValueCase{"ExpandableText", "Exp", Expandable("%GONE%\\X.EXE"), "C:\\GONE\\X.EXE"},
        ValueCase{"UncheckedDrive", "Other", MakeTextValue("E:\\GONE.EXE"), ""},
        ValueCase{"ExistingFile", "Here", MakeTextValue("\"C:\\TOOLS\\PRESENT.EXE\" %1"), ""},
        ValueCase{"CutInsideAFolderName", "App", MakeTextValue("C:\\USERS\\J.DOE SMITH\\APP.EXE"),
                  ""},
        ValueCase{"FolderWithDotAndBlank", "Dir", MakeTextValue("C:\\MY.APP DIR\\SUB"), ""},
        ValueCase{"OtherViewOfSystemFolder", "Dll",
                  MakeTextValue("C:\\WINDOWS\\SYSNATIVE\\ONLY64.DLL"), ""},
        ValueCase{"Number", "N", platform::MakeDwordValue(7), ""},
        ValueCase{"TextNotStoredWhole", "T", RegValue{platform::kRegSz, "C:\\GONE\\X.EXE", false},
                  ""}),
    [](const auto& testCase) { return testCase.param.label; });

// --- where it walks ----------------------------------------------------------

TEST_F(WholeRegistry, WalksItsThreeStartsInOrderPastTheSkippedKeys) {
  const RegValue gone = MakeTextValue("C:\\GONE\\X.EXE");
  Set(RegRoot::CurrentConfig, "Enum", "V", gone);  // "\Enum" is no skipped path
  Set(RegRoot::CurrentUser, "Software", "V", gone);
  Set(RegRoot::CurrentUser, "Software\\Classes\\X", "V", gone);
  Set(RegRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "V", gone);
  Set(RegRoot::CurrentUser, "", "V", gone);
  Set(RegRoot::LocalMachine, "SOFTWARE\\Tool\\Deep", "V", gone);
  Set(RegRoot::LocalMachine, "SOFTWARE\\Classes", "V", gone);
  Set(RegRoot::LocalMachine, "SYSTEM\\X", "V", gone);
  Set(RegRoot::ClassesRoot, "X", "V", gone);
  Set(RegRoot::Users, "X", "V", gone);

  ScanOtherEntries(run);

  const std::string target = "C:\\GONE\\X.EXE";
  EXPECT_EQ(Rows(), (std::vector<Row>{{"V", target, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tool\\Deep"},
                                      {"V", target, "HKEY_CURRENT_USER\\"},
                                      {"V", target, "HKEY_CURRENT_USER\\Software"},
                                      {"V", target, "HKEY_CURRENT_CONFIG\\Enum"}}));
  EXPECT_EQ(Only().CategoryIndex, 11);
  EXPECT_EQ(Only().category.SelectionFlags(), std::vector<std::uint8_t>(4, 0));
  EXPECT_EQ(itemLabel, "\\Enum");
}

// A locked key must not leave the walk looking at its parent once more.
TEST_F(WholeRegistry, NeverGoesThroughALinkOrALockedKeySoEachKeyIsSeenOnce) {
  const RegValue gone = MakeTextValue("C:\\GONE\\X.EXE");
  Set(RegRoot::CurrentUser, "Tools", "V", gone);
  Set(RegRoot::CurrentUser, "Tools\\Inner", "V", gone);
  Set(RegRoot::CurrentUser, "Tools\\Locked", "V", gone);
  Set(RegRoot::LocalMachine, "SOFTWARE\\Shared", "V", gone);
  memory.registry.SetInaccessible(RegRoot::CurrentUser, "Tools\\Locked", true);
  memory.registry.SetLink(RegRoot::CurrentUser, "Tools\\Inner\\Loop", RegRoot::CurrentUser,
                          "Tools");
  memory.registry.SetLink(RegRoot::CurrentUser, "Tools\\Shared", RegRoot::LocalMachine,
                          "SOFTWARE\\Shared");

  ScanOtherEntries(run);

  EXPECT_EQ(Rows(),
            (std::vector<Row>{{"V", "C:\\GONE\\X.EXE", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Shared"},
                              {"V", "C:\\GONE\\X.EXE", "HKEY_CURRENT_USER\\Tools"},
                              {"V", "C:\\GONE\\X.EXE", "HKEY_CURRENT_USER\\Tools\\Inner"}}));
  // The status line, then one pump per key: SOFTWARE, Shared, the user's
  // root, Tools, Inner, and the configuration's root.
  EXPECT_EQ(memory.pump.calls, 1 + 6);
}

TEST_F(WholeRegistry, StopsAtTheDeepestLevelTheRegistryAllows) {
  std::string path = "K";  // level 1 below the user's root
  for (int level = 1; level <= kMaxWalkDepth; ++level, path += "\\K") {
    if (level >= kMaxWalkDepth - 2) {
      Set(RegRoot::CurrentUser, path, "V", MakeTextValue("C:\\GONE\\" + std::to_string(level)));
    }
  }
  ScanOtherEntries(run);
  // Levels 510 and 511 are examined, 512 not.
  ASSERT_EQ(Only().category.EntryCount(), 2u);
  EXPECT_EQ(Only().category.TargetPaths()[1], "C:\\GONE\\" + std::to_string(kMaxWalkDepth - 1));
}

TEST_F(WholeRegistry, InputEndsTheWalkButTheCategoryIsClosed) {
  Set(RegRoot::CurrentUser, "A", "V", MakeTextValue("C:\\GONE\\A.EXE"));
  Set(RegRoot::CurrentUser, "B", "V", MakeTextValue("C:\\GONE\\B.EXE"));
  memory.pump.onPump = [this](int call) {
    if (call == 4) state.AbortRequested = true;  // while "\B" is shown
  };
  ScanOtherEntries(run);
  EXPECT_EQ(itemLabel, "\\B");
  EXPECT_EQ(Rows().size(), 1u);
  EXPECT_EQ(Only().caption, "\n");  // the caption and the single-entry phrase, both empty
  EXPECT_EQ(Only().category.SelectionFlags(), std::vector<std::uint8_t>{0});
}

TEST_F(WholeRegistry, TheRepairRemovesNothingItFound) {
  state.IsWinNT = state.UnattendedMode = state.RepairRunning = true;
  state.ProductDirectory = "C:\\KZ";
  memory.files.AddFolder("C:\\KZ");
  memory.launcher.onRun = [this](std::string_view command) {
    return testing::FakeRegedit(memory, command);
  };
  Set(RegRoot::CurrentUser, "Tools", "V", MakeTextValue("C:\\GONE\\X.EXE"));
  ScanOtherEntries(run);
  ASSERT_EQ(Only().category.EntryCount(), 1u);
  RegistryRepair(run).Repair();
  EXPECT_EQ(memory.registry.Value(RegRoot::CurrentUser, "Tools", "V"),
            MakeTextValue("C:\\GONE\\X.EXE"));
}

}  // namespace
}  // namespace zent
