// The steps every registry scan shares, on the in-memory platform: start
// checks, the category item and status line, the sorted work list, the orphan
// test and what a scan stopped by input leaves behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "regscan/scan_pattern.h"
#include "tests/native/run_fixture.h"

namespace zent {
namespace {

using platform::FsError;
using platform::MakeBinaryValue;
using platform::MakeTextValue;
using platform::RegRoot;

constexpr char kKey[] = "SOFTWARE\\Vendor\\List";

class ScanPattern : public ::testing::Test, protected testing::RunFixture {
 protected:
  void AddValue(std::string_view name) {
    memory.registry.SetValue(RegRoot::LocalMachine, kKey, name, MakeTextValue("x"));
  }

  // Records a row for every name it is shown, as a scan rule that finds
  // everything orphaned.
  void RunRecordingScan(RegCategory category) {
    RunListScan(run, {category, {RegRoot::LocalMachine, kKey}, true, WorkList::ValueNames},
                [this](RegistryScan& scan, const std::string& name) {
                  examined.push_back(name);
                  scan.Record({name, "C:\\" + name, {}, {}});
                });
  }

  std::vector<std::string> examined;
};

TEST_F(ScanPattern, DoesNotStartAfterInputOrWithoutItsBaseKey) {
  AddValue("A");
  RegistryScan scan(run, RegCategory::HelpFiles);
  const ScanBaseKey base{RegRoot::LocalMachine, kKey};
  EXPECT_TRUE(scan.CanStart(base));
  EXPECT_FALSE(scan.CanStart(ScanBaseKey{RegRoot::LocalMachine, "SOFTWARE\\Vendor\\None"}));
  EXPECT_TRUE(scan.CanStart(std::nullopt));
  state.AbortRequested = true;
  EXPECT_FALSE(scan.CanStart(base));
  EXPECT_FALSE(scan.CanStart(std::nullopt));

  RunRecordingScan(RegCategory::HelpFiles);
  EXPECT_TRUE(categories.Empty());
  EXPECT_EQ(memory.pump.calls, 0);
}

TEST_F(ScanPattern, OpeningShowsCaptionAndStatusByTheirTextIds) {
  memory.resources.texts[20314] = "System sounds";
  memory.resources.texts[20305] = "Looking for sounds";
  memory.resources.texts[20300] = "Looking for programs";
  RegistryScan sounds(run, RegCategory::SystemSounds);
  sounds.Open();
  EXPECT_EQ(sounds.item().caption, "System sounds");
  EXPECT_EQ(sounds.item().CategoryIndex, 7);
  EXPECT_EQ(statusLabel, "Looking for sounds");
  EXPECT_EQ(memory.pump.calls, 1);

  // Without a caption id the German caption stays; the status text is always
  // replaced, by nothing when the table lacks the id.
  memory.resources.texts.erase(20305);
  RegistryScan apps(run, RegCategory::AppPaths);
  apps.Open();
  EXPECT_EQ(apps.item().caption, "Apps");
  EXPECT_EQ(statusLabel, "Looking for programs");
  RegistryScan fonts(run, RegCategory::Fonts);
  fonts.Open();
  EXPECT_EQ(statusLabel, "");
  EXPECT_EQ(categories.Count(), 3u);
}

TEST_F(ScanPattern, WalksTheNamesInCaseInsensitiveOrderAndSelectsEveryRow) {
  for (const char* name : {"beta", "Alpha", "\xC3\xA4rger", "ALPHA2", "Gamma"}) AddValue(name);
  RunRecordingScan(RegCategory::HelpFiles);
  EXPECT_EQ(examined,
            (std::vector<std::string>{"Alpha", "ALPHA2", "beta", "Gamma", "\xC3\xA4rger"}));
  EXPECT_EQ(itemLabel, "\xC3\xA4rger");
  EXPECT_EQ(memory.pump.calls, 1 + 5);  // status line, then one per item
  const CategoryItem& item = categories.Item(0);
  EXPECT_EQ(item.caption, "Helps\n5 ");
  EXPECT_EQ(item.category.SelectionFlags(), std::vector<std::uint8_t>(5, 1));
}

TEST_F(ScanPattern, WholeRegistryFindingsStayUnselected) {
  AddValue("A");
  AddValue("B");
  RunRecordingScan(RegCategory::OtherEntries);
  EXPECT_EQ(categories.Item(0).category.SelectionFlags(), (std::vector<std::uint8_t>{0, 0}));
}

TEST_F(ScanPattern, InputStopsTheScanAfterTheItemItShows) {
  for (const char* name : {"A", "B", "C", "D"}) AddValue(name);
  memory.pump.onPump = [this](int call) {
    if (call == 3) state.AbortRequested = true;  // while "B" is shown
  };
  RunRecordingScan(RegCategory::SharedDlls);
  EXPECT_EQ(examined, (std::vector<std::string>{"A"}));
  EXPECT_EQ(itemLabel, "B");
  ASSERT_EQ(categories.Count(), 1u);
  const CategoryItem& item = categories.Item(0);
  EXPECT_EQ(item.caption, "DLLs");
  EXPECT_EQ(item.category.EntryNames(), (std::vector<std::string>{"A"}));
  EXPECT_TRUE(item.category.SelectionFlags().empty());
  EXPECT_EQ(item.category.Flag(0), 0);
}

TEST_F(ScanPattern, SortsNamesEqualInUpperCaseInAFixedOrder) {
  std::vector<std::string> names = {"b", "a", "B", "A", ""};
  SortNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"", "A", "a", "B", "b"}));
}

struct OrphanCase {
  std::string path;
  bool orphanedFile;
  bool orphanedFolder;
};

void PrintTo(const OrphanCase& c, std::ostream* out) { *out << '"' << c.path << '"'; }

class OrphanTest : public ::testing::TestWithParam<OrphanCase>, protected testing::RunFixture {
 protected:
  OrphanTest() {
    memory.files.AddDrive('D', platform::kDriveFixed);
    memory.files.AddFile("C:\\APP\\THERE.DLL");
    memory.files.AddFolder("C:\\APP\\SUB");
    memory.files.AddFolder("C:\\LOCKED");
    memory.files.FailPath("C:\\LOCKED", FsError::AccessDenied);
    memory.files.AddDrive('E', platform::kDriveRemovable);
    memory.files.FailPath("E:\\", FsError::DeviceNotReady);
    state.CheckDrives[4] = 1;   // E:, checked but without a medium
    state.CheckDrives[16] = 1;  // Q:, checked but not there at all
  }
};

TEST_P(OrphanTest, OnlyCheckablePathsTheSystemReportsMissing) {
  EXPECT_EQ(IsOrphanedFile(memory.files, state.CheckDrives, GetParam().path),
            GetParam().orphanedFile);
  EXPECT_EQ(IsOrphanedFolder(memory.files, state.CheckDrives, GetParam().path),
            GetParam().orphanedFolder);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OrphanTest,
    ::testing::Values(
        OrphanCase{"C:\\APP\\GONE.DLL", true, true}, OrphanCase{"c:\\app\\gone.dll", true, true},
        OrphanCase{"C:\\APP\\THERE.DLL", false, true},  // a file is no folder
        OrphanCase{"C:\\APP\\SUB", true, false},        // nor a folder a file
        OrphanCase{"C:\\NOWHERE\\GONE.DLL", true, true},
        // The system could not look: not missing.
        OrphanCase{"C:\\LOCKED\\GONE.DLL", false, false}, OrphanCase{"E:\\GONE.DLL", false, false},
        // A drive that cannot be listed; a variable left unexpanded.
        OrphanCase{"Q:\\GONE.DLL", false, false}, OrphanCase{"C:\\%NOVAR%\\GONE", false, false},
        // Not checkable: another drive, no drive, a network path.
        OrphanCase{"D:\\GONE.DLL", false, false}, OrphanCase{"GONE.DLL", false, false},
        OrphanCase{"APP\\GONE.DLL", false, false},
        OrphanCase{"\\\\SERVER\\SHARE\\GONE.DLL", false, false},
        OrphanCase{"C:GONE.DLL", false, false}, OrphanCase{"C:\\", false, false},
        OrphanCase{"", false, false}));

struct CommandCase {
  std::string command;  // normalised
  std::string program;  // as a scan's cut leaves it
  bool orphaned;
};

void PrintTo(const CommandCase& c, std::ostream* out) { *out << '"' << c.command << '"'; }

class CommandOrphanTest : public ::testing::TestWithParam<CommandCase>,
                          protected testing::RunFixture {
 protected:
  CommandOrphanTest() {
    memory.files.AddDrive('D', platform::kDriveFixed);
    memory.files.AddFile("C:\\USERS\\J.DOE SMITH\\APP.EXE");
    memory.files.AddFile("C:\\FOO.EXEC\\BAR.EXE");
    memory.files.AddFile("C:\\X\\Y.DLL");
    memory.files.AddFile("C:\\X\\APP.EXE");
    memory.files.AddFile("C:\\PROGRAM FILES\\ASP.NET WEB\\V2.0\\X.DLL");
    memory.files.AddFolder("C:\\LOCKED");
    memory.files.FailPath("C:\\LOCKED", FsError::AccessDenied);
    state.CheckDrives[16] = 1;  // Q:, checked but not there at all
  }
};

TEST_P(CommandOrphanTest, OnlyWhenNoReadingNamesAFileThere) {
  const CommandCase& c = GetParam();
  EXPECT_EQ(IsOrphanedCommand(memory.files, state.CheckDrives, c.command, c.program), c.orphaned);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandOrphanTest,
    ::testing::Values(
        // The cut ended inside the path; the whole text or a part before a
        // blank names the program.
        CommandCase{"C:\\USERS\\J.DOE SMITH\\APP.EXE", "C:\\USERS\\J.DOE", false},
        CommandCase{"C:\\USERS\\J.DOE SMITH\\GONE.EXE", "C:\\USERS\\J.DOE", true},
        CommandCase{"C:\\FOO.EXEC\\BAR.EXE /S", "C:\\FOO.EXEC", false},
        CommandCase{"\"C:\\PROGRAM FILES\\ASP.NET WEB\\V2.0\\X.DLL\" /U",
                    "C:\\PROGRAM FILES\\ASP.NET", false},
        // The character kept after the extension.
        CommandCase{"C:\\X\\Y.DLL,ENTRY", "C:\\X\\Y.DLL,", false},
        CommandCase{"C:\\X\\APP.EXE %1", "C:\\X\\APP.EXE ", false},
        CommandCase{"C:\\X\\GONE.EXE /S", "C:\\X\\GONE.EXE ", true},
        // Programs that cannot be checked.
        CommandCase{"C:\\%NOVAR%\\GONE.EXE", "C:\\%NOVAR%\\GONE.EXE", false},
        CommandCase{"D:\\GONE.EXE", "D:\\GONE.EXE", false},
        CommandCase{"C:\\LOCKED\\GONE.EXE", "C:\\LOCKED\\GONE.EXE", false},
        CommandCase{"Q:\\GONE.EXE /S", "Q:\\GONE.EXE ", false},
        CommandCase{"RUNDLL32.EXE C:\\X\\GONE.DLL", "RUNDLL32.EXE", false},
        CommandCase{"C:\\X\\GONE.TXT", "", false}));

// A 64-bit machine seen by a 32-bit program: the variables name both
// program folders, and the system folder has three names.
class FileViewsTest : public ::testing::TestWithParam<OrphanCase>, protected testing::RunFixture {
 protected:
  FileViewsTest() {
    memory.shell.SetEnvironment("ProgramFiles", "C:\\Program Files (x86)");
    memory.shell.SetEnvironment("ProgramFiles(x86)", "C:\\Program Files (x86)");
    memory.shell.SetEnvironment("ProgramW6432", "C:\\Program Files\\");
    memory.shell.SetEnvironment("CommonProgramFiles", "C:\\Program Files (x86)\\Common Files");
    memory.shell.SetEnvironment("CommonProgramW6432", "C:\\Program Files\\Common Files");
    memory.files.AddFile("C:\\WINDOWS\\SYSWOW64\\ONLY32.DLL");
    memory.files.AddFile("C:\\WINDOWS\\SYSTEM32\\ONLY64.DLL");
    memory.files.AddFile("C:\\PROGRAM FILES\\APP\\A.EXE");
    memory.files.AddFile("C:\\PROGRAM FILES (X86)\\COMMON FILES\\C.DLL");
    memory.files.AddFolder("C:\\WINDOWS\\SYSTEM32\\DRIVERS");
    views = FileViews::Of(memory.shell, "C:\\Windows\\");
  }
  FileViews views;
};

TEST_P(FileViewsTest, AFileInAnyViewIsThere) {
  EXPECT_EQ(IsOrphanedFile(memory.files, state.CheckDrives, GetParam().path, views),
            GetParam().orphanedFile);
  EXPECT_EQ(IsOrphanedFolder(memory.files, state.CheckDrives, GetParam().path, views),
            GetParam().orphanedFolder);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FileViewsTest,
    ::testing::Values(OrphanCase{"C:\\WINDOWS\\SYSTEM32\\ONLY32.DLL", false, true},
                      OrphanCase{"c:\\windows\\sysnative\\only64.dll", false, true},
                      OrphanCase{"C:\\WINDOWS\\SYSWOW64\\DRIVERS", true, false},
                      OrphanCase{"C:\\WINDOWS\\SYSTEM32\\GONE.DLL", true, true},
                      OrphanCase{"C:\\WINDOWS\\SYSTEM32X\\ONLY32.DLL", true, true},
                      OrphanCase{"C:\\PROGRAM FILES (X86)\\APP\\A.EXE", false, true},
                      OrphanCase{"C:\\PROGRAM FILES\\COMMON FILES\\C.DLL", false, true},
                      OrphanCase{"C:\\PROGRAM FILES\\APP\\GONE.EXE", true, true}));

TEST_F(ScanPattern, ValueThatCannotBeReadAsTextReadsEmpty) {
  memory.registry.SetValue(RegRoot::LocalMachine, kKey, "Long", MakeBinaryValue("12345"));
  memory.registry.SetValue(RegRoot::LocalMachine, kKey, "Short", MakeBinaryValue("\x01\x02"));
  memory.registry.SetValue(RegRoot::LocalMachine, kKey, "Text", MakeTextValue("C:\\A"));
  EXPECT_EQ(ReadScanText(memory.registry, RegRoot::LocalMachine, kKey, "Long"), "");
  EXPECT_EQ(ReadScanText(memory.registry, RegRoot::LocalMachine, kKey, "Short"), "513");
  EXPECT_EQ(ReadScanText(memory.registry, RegRoot::LocalMachine, kKey, "Text"), "C:\\A");
}

}  // namespace
}  // namespace zent
