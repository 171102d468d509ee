// The registry repair on the in-memory platform, with a fake registry editor
// that exports the in-memory registry.
#include "run/registry_repair.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "run/backup_check.h"
#include "run/reg_file_reader.h"
#include "run/run_log.h"
#include "tests/native/fake_exporter.h"
#include "tests/native/run_fixture.h"

namespace zent {
namespace {

using platform::MakeDwordValue;
using platform::MakeTextValue;
using platform::RegRoot;
using Lines = std::vector<std::string>;

constexpr char kBackupDir[] = "C:\\KZ\\BACKUP";
constexpr char kRunning[] = "C:\\KZ\\BACKUP\\1.reg";
constexpr char kScratch[] = "C:\\KZ\\BACKUP\\dummy.reg";
// The memory file system stamps files Tuesday, 8 December 2026, 10:30.
constexpr char kDated[] = "C:\\KZ\\BACKUP\\Di081220261030.reg";
constexpr char kGone[] = "C:\\GONE\\PROG.EXE";
constexpr char kHelpKey[] = "SOFTWARE\\Microsoft\\Windows\\Help";
constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

// A repair on the in-memory platform with the product in C:\KZ.
struct RepairScene {
  RepairScene() {
    f.state.IsWinNT = true;
    f.state.UnattendedMode = true;
    f.state.RepairRunning = true;
    f.state.ProductDirectory = "C:\\KZ";
    f.memory.files.AddFolder("C:\\KZ");
    f.memory.launcher.onRun = [this](std::string_view command) {
      return testing::FakeRegedit(f.memory, command);
    };
  }

  memory::MemoryRegistry& Registry() { return f.memory.registry; }

  CategoryItem& AddCategory(int index, const std::vector<Finding>& findings,
                            std::uint8_t flag = 1) {
    CategoryItem& item = f.categories.Add(index, "category");
    item.category.CreateLists();
    for (const auto& finding : findings) item.category.Record(finding);
    item.category.SetAllFlags(flag);
    return item;
  }

  void Repair() { repair.Repair(); }

  // Names of the files in the backup folder, sorted.
  std::vector<std::string> BackupFolderFiles() {
    std::vector<std::string> names;
    for (const auto& entry : f.memory.files.List(std::string(kBackupDir) + "\\*.*", 0).entries) {
      names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // The lines of every dated backup, in name order.
  Lines DatedBackupLines() {
    Lines lines;
    for (const auto& name : BackupFolderFiles()) {
      if (name == "1.reg" || name == "dummy.reg") continue;
      const auto content = f.memory.files.Content(std::string(kBackupDir) + "\\" + name);
      const auto decoded = DecodeScriptLines(content.value_or(""));
      lines.insert(lines.end(), decoded.begin(), decoded.end());
    }
    return lines;
  }

  bool DatedBackupHolds(const std::string& line) {
    const auto lines = DatedBackupLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  testing::RunFixture f;
  RegistryRepair repair{f.run};
};

class RegistryRepairTest : public ::testing::Test, public RepairScene {};

std::string Command(const std::string& key) {
  return "REGEDIT /e \"" + std::string(kScratch) + "\" \"" + key + "\"";
}

// --- every category's rule -----------------------------------------------

enum class Outcome { KeyRemoved, ValueRemoved, DefaultEmptied, ValueEmptied };

struct CategoryCase {
  std::string label;
  int categoryIndex;
  Finding finding;
  RegRoot root;  // where the orphaned entry lies
  std::string key;
  std::string value;
  std::string exported;  // the key the editor is asked for; empty: a value block
  Outcome outcome;
};

void PrintTo(const CategoryCase& c, std::ostream* out) { *out << c.label; }

class CategoryRule : public RegistryRepairTest,
                     public ::testing::WithParamInterface<CategoryCase> {};

TEST_P(CategoryRule, BacksUpThenRemovesOrEmptiesOnlyTheFinding) {
  const auto& c = GetParam();
  Registry().SetValue(c.root, c.key, c.value, MakeTextValue(kGone));
  Registry().SetValue(c.root, c.key, "Keep", MakeTextValue("stays"));
  AddCategory(c.categoryIndex, {c.finding});
  if (c.categoryIndex == 11) f.categories.Item(0).category.SetFlag(0, 1);

  Repair();

  const Lines expectedCommands = c.exported.empty() ? Lines{} : Lines{Command(c.exported)};
  EXPECT_EQ(f.memory.launcher.commands, expectedCommands);
  const auto value = Registry().Value(c.root, c.key, c.value);
  switch (c.outcome) {
    case Outcome::KeyRemoved:
      EXPECT_FALSE(Registry().KeyExists(c.root, c.key));
      break;
    case Outcome::ValueRemoved:
      EXPECT_FALSE(value);
      EXPECT_EQ(Registry().Value(c.root, c.key, "Keep"), MakeTextValue("stays"));
      break;
    case Outcome::DefaultEmptied:
    case Outcome::ValueEmptied:
      EXPECT_EQ(value, MakeTextValue(""));
      EXPECT_EQ(Registry().Value(c.root, c.key, "Keep"), MakeTextValue("stays"));
      break;
  }
  if (c.exported.empty()) {
    EXPECT_TRUE(DatedBackupHolds("\"" + c.value + "\"=\"C:\\\\GONE\\\\PROG.EXE\""));
  } else {
    EXPECT_TRUE(DatedBackupHolds("[" + c.exported + "]"));
  }
  EXPECT_EQ(BackupFolderFiles(), Lines{"Di081220261030.reg"});
  EXPECT_TRUE(f.categories.Empty());
  EXPECT_FALSE(f.state.RepairRunning);
}

const std::string kCv = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
const std::string kLm = "HKEY_LOCAL_MACHINE\\";
const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kSound = "AppEvents\\Schemes\\Apps\\.Default\\SystemStart\\.current";
constexpr auto HKCR = RegRoot::ClassesRoot;
constexpr auto HKCU = RegRoot::CurrentUser;
constexpr auto HKLM = RegRoot::LocalMachine;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Categories, CategoryRule, ::testing::Values(
    CategoryCase{"FileFormatWithoutType", 0, {"", kGone, ".xyz", ""},
                 HKCR, ".xyz", "", "HKEY_CLASSES_ROOT\\.xyz", Outcome::KeyRemoved},
    CategoryCase{"ComClass", 1, {"Desc", kGone, "{C1}", ""},
                 HKCR, "CLSID\\{C1}\\InprocServer32", "", "HKEY_CLASSES_ROOT\\CLSID\\{C1}",
                 Outcome::KeyRemoved},
    CategoryCase{"TypeLibrary", 2, {"Lib", kGone, "{T1}", "1.0"},
                 HKCR, "TypeLib\\{T1}", "", "HKEY_CLASSES_ROOT\\TypeLib\\{T1}",
                 Outcome::KeyRemoved},
    CategoryCase{"SharedDll", 3, {"A.DLL", "C:\\GONE\\A.DLL", "", ""},
                 HKLM, kCv + "SharedDLLS", "C:\\GONE\\A.DLL", kLm + kCv + "SharedDLLS",
                 Outcome::ValueRemoved},
    CategoryCase{"Uninstall", 4, {"App", kGone, "App1", ""},
                 HKLM, kUninstall + "App1", "", kLm + kUninstall + "App1", Outcome::KeyRemoved},
    CategoryCase{"Autorun", 5, {"Tool", kGone, "", ""},
                 HKLM, kCv + "Run", "Tool", kLm + kCv + "Run", Outcome::ValueRemoved},
    CategoryCase{"Font", 6, {"Gone (TrueType)", kGone, "", ""},
                 HKLM, kCv + "Fonts", "Gone (TrueType)", kLm + kCv + "Fonts",
                 Outcome::ValueRemoved},
    CategoryCase{"SoundKeyStaysWithEmptyDefault", 7, {"SystemStart", kGone, "", ".Default"},
                 HKCU, kSound, "", "HKEY_CURRENT_USER\\" + kSound, Outcome::DefaultEmptied},
    CategoryCase{"Help", 8, {"gone.hlp", kGone, "", ""},
                 HKLM, kHelpKey, "gone.hlp", kLm + kHelpKey, Outcome::ValueRemoved},
    CategoryCase{"AppPath", 9, {"gone.exe", kGone, "", ""},
                 HKLM, kAppPaths + std::string("gone.exe"), "", kLm + kAppPaths + "gone.exe",
                 Outcome::KeyRemoved},
    CategoryCase{"IconKeyStaysWithEmptyDefault", 10,
                 {"DefaultIcon", kGone, "xyzfile\\DefaultIcon", ""},
                 HKCR, "xyzfile\\DefaultIcon", "", "HKEY_CLASSES_ROOT\\xyzfile\\DefaultIcon",
                 Outcome::DefaultEmptied},
    CategoryCase{"WholeRegistryValueIsEmptied", 11,
                 {"Dir", kGone, "HKEY_LOCAL_MACHINE\\Software\\Gone", ""},
                 HKLM, "Software\\Gone", "Dir", "", Outcome::ValueEmptied}),
    [](const auto& testCase) { return testCase.param.label; });
// clang-format on

// --- rules with more than one step -------------------------------------------

TEST_F(RegistryRepairTest, FileFormatExportsAndRemovesTheExtensionThenTheTypeKey) {
  Registry().SetValue(RegRoot::ClassesRoot, ".xyz", "", MakeTextValue("xyzfile"));
  Registry().SetValue(RegRoot::ClassesRoot, "xyzfile\\shell\\open\\command", "",
                      MakeTextValue(kGone));
  AddCategory(0, {{"xyzfile", kGone, ".xyz", ""}});

  Repair();

  EXPECT_EQ(f.memory.launcher.commands,
            (Lines{Command("HKEY_CLASSES_ROOT\\.xyz"), Command("HKEY_CLASSES_ROOT\\xyzfile")}));
  // The system's own editor, by its full path, never one found by searching.
  EXPECT_EQ(f.memory.launcher.programs,
            (Lines{"C:\\WINDOWS\\regedit.exe", "C:\\WINDOWS\\regedit.exe"}));
  EXPECT_FALSE(Registry().KeyExists(RegRoot::ClassesRoot, ".xyz"));
  EXPECT_FALSE(Registry().KeyExists(RegRoot::ClassesRoot, "xyzfile"));
  // Two exporter outputs one after the other, each with its own header.
  const auto lines = DatedBackupLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Windows Registry Editor Version 5.00"), 2);
  EXPECT_TRUE(DatedBackupHolds("[HKEY_CLASSES_ROOT\\xyzfile\\shell\\open\\command]"));
  EXPECT_TRUE(DatedBackupHolds("@=\"C:\\\\GONE\\\\PROG.EXE\""));
}

TEST_F(RegistryRepairTest, AFileFormatFindingNeverNamesAWiderOrSharedKey) {
  const Lines badTypes = {"CLSID",    "CLSID\\",  "*",    "directory", "Folder",
                          " txtfile", "txtfile ", ".txt", "a\\b"};
  const Lines badExtensions = {"txt", ".", ".a\\b", " .txt"};
  std::vector<Finding> findings;
  for (std::size_t i = 0; i < badTypes.size(); ++i) {
    const std::string extension = ".z" + std::to_string(i);
    Registry().SetValue(RegRoot::ClassesRoot, extension, "", MakeTextValue(badTypes[i]));
    findings.push_back({badTypes[i], kGone, extension, ""});
  }
  for (const auto& extension : badExtensions) findings.push_back({"", kGone, extension, ""});
  for (const auto& shared : {"CLSID\\{1}", "*\\shell", "Directory", "Folder", "txtfile", ".txt",
                             "a\\b", "txt", ".a\\b"}) {
    Registry().SetValue(RegRoot::ClassesRoot, shared, "", MakeTextValue(kGone));
  }
  AddCategory(0, findings);

  Repair();

  for (const auto& shared :
       {"CLSID", "*", "Directory", "Folder", "txtfile", ".txt", "a\\b", "txt", ".a\\b"}) {
    EXPECT_TRUE(Registry().KeyExists(RegRoot::ClassesRoot, shared)) << shared;
  }
  // The extension keys themselves were fine and went.
  EXPECT_FALSE(Registry().KeyExists(RegRoot::ClassesRoot, ".z0"));
  EXPECT_EQ(f.memory.launcher.commands.size(), badTypes.size());
}

TEST_F(RegistryRepairTest, TwoAutorunValuesShareOneExportMadeBeforeTheFirstRemoval) {
  Registry().SetValue(RegRoot::LocalMachine, kRunKey, "One", MakeTextValue(kGone));
  Registry().SetValue(RegRoot::LocalMachine, kRunKey, "Two", MakeTextValue(kGone));
  bool bothPresentAtExport = false;
  f.memory.launcher.onRun = [&](std::string_view command) {
    bothPresentAtExport = Registry().Value(RegRoot::LocalMachine, kRunKey, "One") &&
                          Registry().Value(RegRoot::LocalMachine, kRunKey, "Two");
    return testing::FakeRegedit(f.memory, command);
  };
  AddCategory(5, {{"One", kGone, "", ""}, {"Two", kGone, "", ""}});

  Repair();

  EXPECT_EQ(f.memory.launcher.commands.size(), 1u);
  EXPECT_TRUE(bothPresentAtExport);
  EXPECT_FALSE(Registry().Value(RegRoot::LocalMachine, kRunKey, "One"));
  EXPECT_FALSE(Registry().Value(RegRoot::LocalMachine, kRunKey, "Two"));
  EXPECT_TRUE(DatedBackupHolds("\"One\"=\"C:\\\\GONE\\\\PROG.EXE\""));
  EXPECT_TRUE(DatedBackupHolds("\"Two\"=\"C:\\\\GONE\\\\PROG.EXE\""));
}

TEST_F(RegistryRepairTest, AFailedOnceExportIsRetriedByTheNextFinding) {
  for (const char* name : {"a.hlp", "b.hlp", "c.hlp"}) {
    Registry().SetValue(RegRoot::LocalMachine, kHelpKey, name, MakeTextValue(kGone));
  }
  int runs = 0;
  f.memory.launcher.onRun = [&](std::string_view command) {
    return ++runs > 1 && testing::FakeRegedit(f.memory, command);
  };
  AddCategory(8, {{"a.hlp", kGone, "", ""}, {"b.hlp", kGone, "", ""}, {"c.hlp", kGone, "", ""}});

  Repair();

  EXPECT_EQ(runs, 2);
  EXPECT_TRUE(Registry().Value(RegRoot::LocalMachine, kHelpKey, "a.hlp"));
  EXPECT_FALSE(Registry().Value(RegRoot::LocalMachine, kHelpKey, "b.hlp"));
  EXPECT_FALSE(Registry().Value(RegRoot::LocalMachine, kHelpKey, "c.hlp"));
}

// --- failed backups remove nothing ----------------------------------------

struct ExporterFault {
  std::string label;
  std::function<bool(memory::MemoryPlatform&, std::string_view)> run;
};

void PrintTo(const ExporterFault& c, std::ostream* out) { *out << c.label; }

class FailedExport : public RegistryRepairTest,
                     public ::testing::WithParamInterface<ExporterFault> {};

TEST_P(FailedExport, LeavesEveryEntryInPlace) {
  f.memory.launcher.onRun = [this](std::string_view command) {
    return GetParam().run(f.memory, command);
  };
  Registry().SetValue(RegRoot::LocalMachine, std::string(kAppPaths) + "gone.exe", "",
                      MakeTextValue(kGone));
  Registry().SetValue(RegRoot::LocalMachine, kRunKey, "Tool", MakeTextValue(kGone));
  AddCategory(9, {{"gone.exe", kGone, "", ""}});
  AddCategory(5, {{"Tool", kGone, "", ""}});

  Repair();

  EXPECT_TRUE(Registry().KeyExists(RegRoot::LocalMachine, std::string(kAppPaths) + "gone.exe"));
  EXPECT_TRUE(Registry().Value(RegRoot::LocalMachine, kRunKey, "Tool"));
  EXPECT_EQ(f.memory.launcher.commands.size(), 2u);
  EXPECT_EQ(DatedBackupLines(), Lines{});
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FailedExport,
    ::testing::Values(ExporterFault{"NotStarted", [](auto&, auto) { return false; }},
                      ExporterFault{"WroteNoFile", [](auto&, auto) { return true; }},
                      ExporterFault{"WroteAnEmptyFile",
                                    [](memory::MemoryPlatform& m, std::string_view command) {
                                      m.files.WriteWhole(testing::ParseExportCommand(command)->file,
                                                         "\xFF\xFE");
                                      return true;
                                    }}),
    [](const auto& testCase) { return testCase.param.label; });

TEST_F(RegistryRepairTest, AStaleScratchFileThatCannotBeDeletedIsNotTakenForAnExport) {
  f.memory.files.AddFolder(kBackupDir);
  // An old export of another key: a reader would find a key line in it.
  f.memory.files.AddFile(kScratch, std::string("\xFF\xFE[\0x\0]\0", 8), platform::kAttrReadOnly);
  f.memory.launcher.onRun = [](std::string_view) { return true; };
  Registry().SetValue(RegRoot::LocalMachine, std::string(kAppPaths) + "gone.exe", "",
                      MakeTextValue(kGone));
  AddCategory(9, {{"gone.exe", kGone, "", ""}});

  Repair();

  EXPECT_TRUE(Registry().KeyExists(RegRoot::LocalMachine, std::string(kAppPaths) + "gone.exe"));
}

TEST_F(RegistryRepairTest, AnExportWhoseTextCannotBeCarriedOverExactlyRemovesNothing) {
  const std::string key = std::string(kAppPaths) + "gone.exe";
  Registry().SetValue(RegRoot::LocalMachine, key, "", MakeTextValue(kGone));
  // A value name holding a lone surrogate, as the registry allows: read as
  // text it would come back under another name.
  f.memory.launcher.onRun = [this, key](std::string_view command) {
    const auto text = Utf8ToUtf16Le(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\" +
        key + "]\r\n\"");
    const auto rest = Utf8ToUtf16Le("\"=\"x\"\r\n\r\n");
    f.memory.files.WriteWhole(testing::ParseExportCommand(command)->file,
                              "\xFF\xFE" + *text + std::string("\x00\xD8", 2) + *rest);
    return true;
  };
  AddCategory(9, {{"gone.exe", kGone, "", ""}});

  Repair();

  EXPECT_TRUE(Registry().KeyExists(RegRoot::LocalMachine, key));
  EXPECT_EQ(DatedBackupLines(), Lines{});
}

TEST_F(RegistryRepairTest, AKeyThatCannotBeQuotedIsNeitherExportedNorRemoved) {
  const std::string key = std::string(kAppPaths) + "a\" \"HKEY_LOCAL_MACHINE\\SOFTWARE";
  Registry().SetValue(RegRoot::LocalMachine, key, "", MakeTextValue(kGone));
  AddCategory(9, {{"a\" \"HKEY_LOCAL_MACHINE\\SOFTWARE", kGone, "", ""}});

  Repair();

  EXPECT_TRUE(f.memory.launcher.commands.empty());
  EXPECT_TRUE(Registry().KeyExists(RegRoot::LocalMachine, key));
}

// --- values -------------------------------------------------------------------

TEST_F(RegistryRepairTest, ValueBlockOnTheWindows95FamilyIsSingleByteRegedit4) {
  f.state.IsWinNT = false;
  Registry().SetValue(RegRoot::CurrentUser, "X", "", MakeTextValue("C:\\A"));
  AddCategory(11, {{"(Standard)", "C:\\A", "HKEY_CURRENT_USER\\X", ""}}).category.SetFlag(0, 1);

  Repair();

  EXPECT_EQ(f.memory.files.Content(kDated),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n@=\"C:\\\\A\"\r\n");
  EXPECT_EQ(Registry().Value(RegRoot::CurrentUser, "X", ""), MakeTextValue(""));
}

TEST_F(RegistryRepairTest, OnTheWindows95FamilyWhatTheCodePageLacksIsNeitherSavedNorRemoved) {
  f.state.IsWinNT = false;
  const std::string latin = std::string(kAppPaths) + "grüße.exe";
  const std::string greek = std::string(kAppPaths) + "ωmega.exe";
  Registry().SetValue(RegRoot::LocalMachine, latin, "", MakeTextValue(kGone));
  Registry().SetValue(RegRoot::LocalMachine, greek, "", MakeTextValue(kGone));
  Registry().SetValue(RegRoot::CurrentUser, "X", "Ω", MakeTextValue(kGone));
  AddCategory(9, {{"grüße.exe", kGone, "", ""}, {"ωmega.exe", kGone, "", ""}});
  AddCategory(11, {{"Ω", kGone, "HKEY_CURRENT_USER\\X", ""}}).category.SetFlag(0, 1);

  Repair();

  EXPECT_FALSE(Registry().KeyExists(RegRoot::LocalMachine, latin));
  EXPECT_TRUE(Registry().KeyExists(RegRoot::LocalMachine, greek));
  EXPECT_EQ(Registry().Value(RegRoot::CurrentUser, "X", "Ω"), MakeTextValue(kGone));
  const auto bytes = f.memory.files.Content(kDated).value_or("");
  EXPECT_FALSE(bytes.starts_with("\xFF\xFE"));
  EXPECT_NE(bytes.find("App Paths\\gr\xFC\xDF"
                       "e.exe]\r\n"),
            std::string::npos);
}

TEST_F(RegistryRepairTest, NumbersStayUntouchedAndTextThatIsNotOneLineIsSavedAsBytes) {
  // Where a finding without a known root or key path could wrongly land.
  Registry().SetValue(RegRoot::CurrentUser, "Software\\N", "Dir", MakeTextValue(kGone));
  Registry().SetValue(RegRoot::CurrentUser, "", "Dir", MakeTextValue(kGone));
  Registry().SetValue(RegRoot::CurrentUser, "Software\\N", "Count", MakeDwordValue(5));
  Registry().SetValue(RegRoot::CurrentUser, "Software\\N", "Lines", MakeTextValue("a\r\nb"));
  Registry().SetValue(RegRoot::ClassesRoot, "numfile\\DefaultIcon", "", MakeDwordValue(7));
  Registry().SetValue(RegRoot::ClassesRoot, "txtfile\\DefaultIcon", "", MakeTextValue(kGone));
  auto& whole = AddCategory(11, {{"Count", kGone, "HKEY_CURRENT_USER\\Software\\N", ""},
                                 {"Lines", kGone, "HKEY_CURRENT_USER\\Software\\N", ""},
                                 {"Dir", kGone, "HKEY_NOWHERE\\Software\\N", ""},
                                 {"Dir", kGone, "HKEY_CURRENT_USER", ""}});
  whole.category.SetAllFlags(1);
  AddCategory(10, {{"DefaultIcon", kGone, "numfile\\DefaultIcon", ""},
                   {"DefaultIcon", kGone, "txtfile\\DefaultIcon", ""}});

  Repair();

  EXPECT_EQ(Registry().Value(RegRoot::CurrentUser, "Software\\N", "Count"), MakeDwordValue(5));
  EXPECT_EQ(Registry().Value(RegRoot::CurrentUser, "Software\\N", "Lines"), MakeTextValue(""));
  EXPECT_TRUE(DatedBackupHolds("\"Lines\"=hex(1):61,00,0d,00,0a,00,62,00,00,00"));
  EXPECT_EQ(Registry().Value(RegRoot::ClassesRoot, "numfile\\DefaultIcon", ""), MakeDwordValue(7));
  // The repair went on with the next finding.
  EXPECT_EQ(Registry().Value(RegRoot::ClassesRoot, "txtfile\\DefaultIcon", ""), MakeTextValue(""));
  EXPECT_FALSE(DatedBackupHolds("\"Count\"=\"5\""));
  EXPECT_EQ(Registry().Value(RegRoot::CurrentUser, "Software\\N", "Dir"), MakeTextValue(kGone));
  EXPECT_EQ(Registry().Value(RegRoot::CurrentUser, "", "Dir"), MakeTextValue(kGone));
}

// --- the backup folder and the dated name ------------------------------------

TEST_F(RegistryRepairTest, WithoutCategoriesTheFolderIsMadeAndNoBackupWritten) {
  Repair();
  EXPECT_EQ(f.memory.files.FolderExists(kBackupDir), platform::Presence::Present);
  EXPECT_EQ(BackupFolderFiles(), Lines{});
  EXPECT_FALSE(f.state.RepairRunning);
}

TEST_F(RegistryRepairTest, BackupFolderIsThePathSettingElseBackupBesideTheProduct) {
  EXPECT_EQ(repair.BackupDirectory(), "C:\\KZ\\BACKUP");
  Registry().SetValue(RegRoot::LocalMachine, "Software\\ORTAVO\\Kelvaro-ZENT", "Path",
                      MakeTextValue("C:\\SAVE\\"));
  EXPECT_EQ(repair.BackupDirectory(), "C:\\SAVE");
  Registry().SetValue(RegRoot::LocalMachine, std::string(kAppPaths) + "gone.exe", "",
                      MakeTextValue(kGone));
  AddCategory(9, {{"gone.exe", kGone, "", ""}});
  Repair();
  EXPECT_TRUE(f.memory.files.Content("C:\\SAVE\\Di081220261030.reg"));
}

TEST_F(RegistryRepairTest, ABackupOfTheSameMinuteIsKeptBesideTheNewOne) {
  f.memory.files.AddFolder(kBackupDir);
  f.memory.files.AddFile(kDated, "earlier run");
  Registry().SetValue(RegRoot::LocalMachine, kHelpKey, "a.hlp", MakeTextValue(kGone));
  AddCategory(8, {{"a.hlp", kGone, "", ""}});

  Repair();

  EXPECT_EQ(f.memory.files.Content(kDated), "earlier run");
  EXPECT_EQ(BackupFolderFiles(), (Lines{"Di081220261030.reg", "Di081220261030_2.reg"}));
  EXPECT_TRUE(DatedBackupHolds("\"a.hlp\"=\"C:\\\\GONE\\\\PROG.EXE\""));
}

TEST_F(RegistryRepairTest, ARunningBackupLeftByAnEarlierRunGetsItsOwnDatedName) {
  f.memory.files.AddFolder(kBackupDir);
  f.memory.files.AddFile(kRunning, "left over");
  f.memory.files.SetLastWriteTime(kRunning, {2026, 12, 7, 9, 5, 0, 1});
  Registry().SetValue(RegRoot::LocalMachine, kHelpKey, "a.hlp", MakeTextValue(kGone));
  AddCategory(8, {{"a.hlp", kGone, "", ""}});

  Repair();

  EXPECT_EQ(f.memory.files.Content("C:\\KZ\\BACKUP\\Mo071220260905.reg"), "left over");
  EXPECT_EQ(BackupFolderFiles(), (Lines{"Di081220261030.reg", "Mo071220260905.reg"}));
  EXPECT_FALSE(Registry().Value(RegRoot::LocalMachine, kHelpKey, "a.hlp"));
}

TEST_F(RegistryRepairTest, ALeftOverBackupThatCannotBeMovedStopsTheRepair) {
  f.memory.files.AddFolder(kBackupDir);
  f.memory.files.AddFile(kRunning, "left over");
  f.memory.files.FailPath(kRunning, platform::FsError::AccessDenied);
  Registry().SetValue(RegRoot::LocalMachine, kHelpKey, "a.hlp", MakeTextValue(kGone));
  AddCategory(8, {{"a.hlp", kGone, "", ""}});

  Repair();

  EXPECT_TRUE(Registry().Value(RegRoot::LocalMachine, kHelpKey, "a.hlp"));
  EXPECT_TRUE(f.memory.launcher.commands.empty());
  f.memory.files.ClearFailures();
  EXPECT_EQ(f.memory.files.Content(kRunning), "left over");
  EXPECT_FALSE(f.state.RepairRunning);
}

// --- input during the repair -------------------------------------------------

// Five App Paths keys and two help values, all selected.
struct AbortingScene : RepairScene {
  static constexpr int kFindings = 5;

  AbortingScene() {
    std::vector<Finding> findings;
    for (int k = 0; k < kFindings; ++k) {
      const std::string name = "app" + std::to_string(k) + ".exe";
      Registry().SetValue(RegRoot::LocalMachine, kAppPaths + name, "", MakeTextValue(kGone));
      findings.push_back({name, kGone, "", ""});
    }
    AddCategory(9, findings);
    Registry().SetValue(RegRoot::LocalMachine, kHelpKey, "a.hlp", MakeTextValue(kGone));
    Registry().SetValue(RegRoot::LocalMachine, kHelpKey, "b.hlp", MakeTextValue(kGone));
    AddCategory(8, {{"a.hlp", kGone, "", ""}, {"b.hlp", kGone, "", ""}});
  }

  // What the saver window does on input.
  void EndSaver() {
    f.state.AbortRequested = true;
    if (f.state.RepairRunning) repair.FinishBackup();
    f.state.RepairRunning = false;
  }

  // Every removed entry must be in a dated backup, none only in 1.reg.
  void ExpectEveryRemovalBackedUp() {
    EXPECT_FALSE(f.memory.files.Content(kRunning)) << "backup left in 1.reg";
    for (int k = 0; k < kFindings; ++k) {
      const std::string key = kAppPaths + ("app" + std::to_string(k) + ".exe");
      if (Registry().KeyExists(RegRoot::LocalMachine, key)) continue;
      EXPECT_TRUE(DatedBackupHolds("[HKEY_LOCAL_MACHINE\\" + key + "]")) << key;
    }
    for (const char* name : {"a.hlp", "b.hlp"}) {
      if (Registry().Value(RegRoot::LocalMachine, kHelpKey, name)) continue;
      EXPECT_TRUE(DatedBackupHolds("\"" + std::string(name) + "\"=\"C:\\\\GONE\\\\PROG.EXE\""))
          << name;
    }
  }
};

class AbortingRepair : public ::testing::Test, public AbortingScene {};

TEST_F(AbortingRepair, InputDuringTheThirdExportStillLeavesItsBackupDated) {
  int exports = 0;
  bool armed = false;
  f.memory.launcher.onRun = [&](std::string_view command) {
    armed = ++exports == 3;
    return testing::FakeRegedit(f.memory, command);
  };
  f.memory.pump.onPump = [&](int) {
    if (!armed) return;
    armed = false;
    EndSaver();
  };

  Repair();

  EXPECT_EQ(exports, 3);
  EXPECT_FALSE(Registry().KeyExists(RegRoot::LocalMachine, std::string(kAppPaths) + "app2.exe"));
  EXPECT_TRUE(Registry().KeyExists(RegRoot::LocalMachine, std::string(kAppPaths) + "app3.exe"));
  EXPECT_EQ(BackupFolderFiles(), (Lines{"Di081220261030.reg", "Di081220261030_2.reg"}));
  ExpectEveryRemovalBackedUp();
  EXPECT_EQ(f.categories.Count(), 2u);
}

TEST_F(AbortingRepair, InputAtAnyMessageHandlingLeavesNoBackupOnlyInTheRunningFile) {
  f.memory.pump.onPump = nullptr;
  Repair();
  const int pumpsOfAWholeRun = f.memory.pump.calls;
  ASSERT_GT(pumpsOfAWholeRun, 20);

  for (int at = 1; at <= pumpsOfAWholeRun; ++at) {
    SCOPED_TRACE("input at message handling " + std::to_string(at));
    AbortingScene fresh;
    fresh.f.memory.pump.onPump = [&fresh, at](int call) {
      if (call == at) fresh.EndSaver();
    };
    fresh.Repair();
    fresh.ExpectEveryRemovalBackedUp();
    EXPECT_FALSE(fresh.f.state.RepairRunning);
  }
}

TEST_F(AbortingRepair, AnEditorThatHangsIsEndedAtTheTimeLimitWhileTheSaverGoesOn) {
  testing::MakeRegeditHang(f.memory,
                           [](const auto& request) { return request.key.ends_with("app1.exe"); });
  int pumpsWhileHung = 0;
  f.memory.pump.onPump = [&](int) { pumpsWhileHung += f.memory.launcher.running; };
  RegistryRepair limited(f.run, 1000);

  limited.Repair();

  EXPECT_EQ(f.memory.launcher.terminated, 1);
  EXPECT_EQ(f.memory.launcher.running, 0);
  EXPECT_GT(pumpsWhileHung, 10);
  EXPECT_LT(f.memory.launcher.waits, 1000);
  EXPECT_TRUE(Registry().KeyExists(RegRoot::LocalMachine, std::string(kAppPaths) + "app1.exe"));
  for (const char* gone : {"app0.exe", "app2.exe", "app3.exe", "app4.exe"}) {
    EXPECT_FALSE(Registry().KeyExists(RegRoot::LocalMachine, std::string(kAppPaths) + gone));
  }
  EXPECT_FALSE(Registry().Value(RegRoot::LocalMachine, kHelpKey, "b.hlp"));
  EXPECT_FALSE(f.memory.files.Content(kScratch));
  ExpectEveryRemovalBackedUp();
}

TEST_F(AbortingRepair, InputWhileTheEditorHangsEndsItAndTheRepairAtOnce) {
  testing::MakeRegeditHang(f.memory,
                           [](const auto& request) { return request.key.ends_with("app1.exe"); });
  f.memory.pump.onPump = [&](int) {
    if (f.memory.launcher.running > 0 && !f.state.AbortRequested) EndSaver();
  };

  Repair();

  EXPECT_EQ(f.memory.launcher.terminated, 1);
  EXPECT_EQ(f.memory.launcher.waits, 1);
  EXPECT_EQ(f.memory.launcher.commands.size(), 2u);
  EXPECT_FALSE(Registry().KeyExists(RegRoot::LocalMachine, std::string(kAppPaths) + "app0.exe"));
  EXPECT_TRUE(Registry().KeyExists(RegRoot::LocalMachine, std::string(kAppPaths) + "app1.exe"));
  EXPECT_EQ(BackupFolderFiles(), Lines{"Di081220261030.reg"});
  ExpectEveryRemovalBackedUp();
  EXPECT_EQ(f.categories.Count(), 2u);
}

// --- the backup restores exactly what goes ------------------------------------

// What importing every dated backup writes.
ImportedScript ImportedDatedBackups(RepairScene& scene) {
  std::string all;
  for (const auto& line : scene.DatedBackupLines()) all += line + "\r\n";
  const auto script = ReadRegScript(all);
  return script ? ImportedContent(*script) : ImportedScript{};
}

// An exporter that loses what the issue saw editors lose: 8-byte numbers
// written as "dword:", text cut at a NUL.
bool LossyExport(memory::MemoryPlatform& m, std::string_view command) {
  const auto request = testing::ParseExportCommand(command);
  if (!testing::FakeRegedit(m, command) || !request) return false;
  auto lines = DecodeScriptLines(m.files.Content(request->file).value_or(""));
  for (auto& line : lines) {
    const auto at = line.find("=hex(4):");
    if (at != std::string::npos) line = line.substr(0, at) + "=dword:00000001";
  }
  m.files.WriteWhole(request->file,
                     EncodeScriptLines(lines, BackupEncoding::Utf16Le, true).value_or(""));
  return true;
}

struct InexactExport {
  std::string label;
  std::function<bool(memory::MemoryPlatform&, std::string_view)> run;
};

void PrintTo(const InexactExport& c, std::ostream* out) { *out << c.label; }

class InexactExportTest : public RegistryRepairTest,
                          public ::testing::WithParamInterface<InexactExport> {};

TEST_P(InexactExportTest, TheProductAddsExactLinesSoImportRestoresEveryByte) {
  const std::string app = std::string(kAppPaths) + "gone.exe";
  Registry().SetValue(RegRoot::LocalMachine, app, "", MakeTextValue(kGone));
  Registry().SetStoredValue(RegRoot::LocalMachine, app, "Wide", platform::kRegDword,
                            "\x01\x02\x03\x04\x05\x06\x07\x08");
  Registry().SetStoredValue(RegRoot::LocalMachine, app + "\\Sub", "Nul", platform::kRegSz,
                            std::string("a\0\0\0b\0\0\0", 8));
  Registry().SetValue(RegRoot::LocalMachine, kHelpKey, "gone.hlp", MakeTextValue(kGone));
  Registry().SetStoredValue(RegRoot::LocalMachine, kHelpKey, "kept", platform::kRegDword,
                            std::string("\x09\0\0\0\0\0\0\x01", 8));
  const auto appTree = ReadKeyTree(Registry(), RegRoot::LocalMachine, app);
  const auto helpTree = ReadKeyTree(Registry(), RegRoot::LocalMachine, kHelpKey);
  f.memory.launcher.onRun = [this](std::string_view command) {
    return GetParam().run(f.memory, command);
  };
  AddCategory(9, {{"gone.exe", kGone, "", ""}});
  AddCategory(8, {{"gone.hlp", kGone, "", ""}});

  Repair();

  EXPECT_FALSE(Registry().KeyExists(RegRoot::LocalMachine, app));
  EXPECT_FALSE(Registry().Value(RegRoot::LocalMachine, kHelpKey, "gone.hlp"));
  const auto imported = ImportedDatedBackups(*this);
  EXPECT_TRUE(NotRestoredBy(imported, "HKEY_LOCAL_MACHINE", appTree).empty());
  EXPECT_TRUE(NotRestoredBy(imported, "HKEY_LOCAL_MACHINE", helpTree).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Exporters, InexactExportTest,
    ::testing::Values(InexactExport{"LosesNumbersAndText", LossyExport},
                      InexactExport{"CutShort",
                                    [](memory::MemoryPlatform& m, std::string_view command) {
                                      testing::FakeRegedit(m, command);
                                      const auto file = testing::ParseExportCommand(command)->file;
                                      auto lines = DecodeScriptLines(*m.files.Content(file));
                                      lines.resize(3);
                                      m.files.WriteWhole(
                                          file,
                                          *EncodeScriptLines(lines, BackupEncoding::Utf16Le, true));
                                      return true;
                                    }}),
    [](const auto& testCase) { return testCase.param.label; });

TEST_F(RegistryRepairTest, AValueChangedSinceTheParentExportIsSavedAgainBeforeItGoes) {
  Registry().SetValue(RegRoot::LocalMachine, kHelpKey, "a.hlp", MakeTextValue(kGone));
  Registry().SetValue(RegRoot::LocalMachine, kHelpKey, "b.hlp", MakeTextValue(kGone));
  bool changed = false;
  f.memory.pump.onPump = [&](int) {
    if (changed || Registry().Value(RegRoot::LocalMachine, kHelpKey, "a.hlp")) return;
    changed = true;
    Registry().SetValue(RegRoot::LocalMachine, kHelpKey, "b.hlp", MakeTextValue("C:\\NEW"));
  };
  AddCategory(8, {{"a.hlp", kGone, "", ""}, {"b.hlp", kGone, "", ""}});

  Repair();

  EXPECT_FALSE(Registry().Value(RegRoot::LocalMachine, kHelpKey, "b.hlp"));
  const StoredKey now{kHelpKey, {{"b.hlp", {platform::kRegSz, StoredText("C:\\NEW")}}}};
  EXPECT_TRUE(NotRestoredBy(ImportedDatedBackups(*this), "HKEY_LOCAL_MACHINE", {now}).empty());
}

// A key whose export cannot be made exact (beside a number the export
// shortens): the single-byte backup lacks a character, a subkey's name cannot
// be one key line, or the editor writes its lines under another key's name.
struct UnverifiableKey {
  std::string label;
  bool isWinNT;
  std::string subkey;
  platform::RegValue extra;
  std::string exportedAs = {};  // replaces the key's name on its key lines
};

bool ExportUnder(memory::MemoryPlatform& m, std::string_view command, const std::string& key,
                 const std::string& exportedAs) {
  const auto request = testing::ParseExportCommand(command);
  if (!LossyExport(m, command)) return false;
  if (exportedAs.empty() || request->key != key) return true;
  auto lines = DecodeScriptLines(m.files.Content(request->file).value_or(""));
  for (auto& line : lines) {
    if (line.starts_with("[" + key)) line.replace(1, key.size(), exportedAs);
  }
  m.files.WriteWhole(request->file, *EncodeScriptLines(lines, BackupEncoding::Utf16Le, true));
  return true;
}

void PrintTo(const UnverifiableKey& c, std::ostream* out) { *out << c.label; }

class UnverifiableExport : public RegistryRepairTest,
                           public ::testing::WithParamInterface<UnverifiableKey> {};

TEST_P(UnverifiableExport, StaysOutOfTheBackupWhileTheOthersGoIntoIt) {
  f.state.IsWinNT = GetParam().isWinNT;
  const std::string odd = std::string(kAppPaths) + "odd.exe";
  for (const char* name : {"a.exe", "odd.exe", "b.exe"}) {
    Registry().SetValue(HKLM, std::string(kAppPaths) + name, "", MakeTextValue(kGone));
  }
  Registry().SetStoredValue(HKLM, odd, "Three", platform::kRegDword, "\x01\x02\x03");
  Registry().SetValue(HKLM, odd, "Extra", GetParam().extra);
  Registry().SetValue(HKLM, odd + "\\" + GetParam().subkey, "v", MakeTextValue("sub"));
  f.memory.launcher.onRun = [this, odd](std::string_view command) {
    return ExportUnder(f.memory, command, kLm + odd, GetParam().exportedAs);
  };
  RunLog log(f.memory.files, f.memory.clock, "C:\\KZ");
  log.PassStarted();
  f.run.journal = &log;
  AddCategory(9, {{"a.exe", kGone, "", ""}, {"odd.exe", kGone, "", ""}, {"b.exe", kGone, "", ""}});

  Repair();

  EXPECT_TRUE(Registry().KeyExists(HKLM, odd));
  std::vector<std::string> restored;
  for (const auto& entry : ImportedDatedBackups(*this)) restored.push_back(entry.first);
  EXPECT_EQ(restored, (Lines{UpperCaseUtf8(kLm + kAppPaths + "a.exe"),
                             UpperCaseUtf8(kLm + kAppPaths + "b.exe")}));
  EXPECT_NE(f.memory.files.Content("C:\\KZ\\ZentRun.log")
                .value_or("")
                .find("left alone key " + kLm + odd + ": its backup failed"),
            std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, UnverifiableExport,
    ::testing::Values(
        UnverifiableKey{"CodePageLacksACharacter", false, "Sub",
                        platform::RegValue{platform::kRegExpandSz, "%X%\\\xCE\xA9"}},
        UnverifiableKey{"SubkeyNameHoldsALineFeed", true, "Line\nFeed", MakeTextValue("x")},
        UnverifiableKey{"ExportsAnotherKey", true, "Sub", MakeTextValue("x"),
                        "HKEY_CURRENT_USER\\Other"},
        UnverifiableKey{"ExportsASiblingStartingWithItsName", true, "Sub", MakeTextValue("x"),
                        kLm + kAppPaths + "odd.exeX"},
        UnverifiableKey{"ExportsItsParent", true, "Sub", MakeTextValue("x"),
                        kLm + "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths"},
        UnverifiableKey{"ExportsAnotherView", true, "Sub", MakeTextValue("x"),
                        kLm + "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\"
                              "CurrentVersion\\App Paths\\odd.exe"},
        UnverifiableKey{"ExportsAnotherRoot", true, "Sub", MakeTextValue("x"),
                        std::string("HKEY_CURRENT_USER\\") + kAppPaths + "odd.exe"},
        UnverifiableKey{"ExportsASiblingUnderTheShortRootName", true, "Sub", MakeTextValue("x"),
                        std::string("hklm\\") + kAppPaths + "ODD.EXEX"}),
    [](const auto& testCase) { return testCase.param.label; });

TEST_F(RegistryRepairTest, AnAppendThatBreaksOffLeavesNoPartOfItsBlockAndRemovesNothing) {
  for (const char* name : {"a.exe", "b.exe", "c.exe"}) {
    Registry().SetValue(RegRoot::LocalMachine, std::string(kAppPaths) + name, "",
                        MakeTextValue(kGone));
  }
  // The second block breaks off after an odd number of bytes.
  f.memory.files.appendBreaksAfter = [](int call) {
    return call == 2 ? std::optional<std::size_t>(7) : std::nullopt;
  };
  AddCategory(9, {{"a.exe", kGone, "", ""}, {"b.exe", kGone, "", ""}, {"c.exe", kGone, "", ""}});

  Repair();

  EXPECT_FALSE(Registry().KeyExists(RegRoot::LocalMachine, std::string(kAppPaths) + "a.exe"));
  EXPECT_TRUE(Registry().KeyExists(RegRoot::LocalMachine, std::string(kAppPaths) + "b.exe"));
  EXPECT_FALSE(Registry().KeyExists(RegRoot::LocalMachine, std::string(kAppPaths) + "c.exe"));
  const auto content = f.memory.files.Content(kDated).value_or("");
  const auto script = ReadRegScript(content);
  ASSERT_TRUE(script);
  EXPECT_EQ(script->malformedLines, 0u);
  EXPECT_EQ(script->keys.size(), 2u);
  EXPECT_TRUE(DecodesWithoutLoss(content));
}

// The backup folder cannot be made, or the running backup cannot be given
// its dated name: what was removed until then is in a backup that imports.
struct FileFault {
  std::string label;
  std::function<void(memory::MemoryFileSystem&)> inject;
  bool entriesGo;  // whether the backups succeed before the fault strikes
};

void PrintTo(const FileFault& c, std::ostream* out) { *out << c.label; }

class FileFaultTest : public RegistryRepairTest, public ::testing::WithParamInterface<FileFault> {};

TEST_P(FileFaultTest, EveryRemovedEntryIsInABackupThatImports) {
  const std::string app = std::string(kAppPaths) + "gone.exe";
  Registry().SetValue(RegRoot::LocalMachine, app, "", MakeTextValue(kGone));
  Registry().SetValue(RegRoot::LocalMachine, kHelpKey, "gone.hlp", MakeTextValue(kGone));
  const auto appTree = ReadKeyTree(Registry(), RegRoot::LocalMachine, app);
  const auto helpTree = ReadKeyTree(Registry(), RegRoot::LocalMachine, kHelpKey);
  GetParam().inject(f.memory.files);
  AddCategory(9, {{"gone.exe", kGone, "", ""}});
  AddCategory(8, {{"gone.hlp", kGone, "", ""}});

  Repair();
  f.memory.files.ClearFailures();
  f.memory.files.refuseRenames = false;

  const bool gone = !Registry().KeyExists(RegRoot::LocalMachine, app);
  EXPECT_EQ(gone, GetParam().entriesGo);
  EXPECT_EQ(!Registry().Value(RegRoot::LocalMachine, kHelpKey, "gone.hlp"), gone);
  std::string all;
  for (const auto& name : BackupFolderFiles()) {
    const auto content = f.memory.files.Content(std::string(kBackupDir) + "\\" + name);
    const auto script = ReadRegScript(content.value_or(""));
    ASSERT_TRUE(script) << name;
    EXPECT_EQ(script->malformedLines, 0u) << name;
    for (const auto& line : DecodeScriptLines(content.value_or(""))) all += line + "\r\n";
  }
  if (!gone) return;
  const auto imported = ImportedContent(ReadRegScript(all).value_or(RegScript{}));
  EXPECT_TRUE(NotRestoredBy(imported, "HKEY_LOCAL_MACHINE", appTree).empty());
  EXPECT_TRUE(NotRestoredBy(imported, "HKEY_LOCAL_MACHINE", helpTree).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FileFaultTest,
    ::testing::Values(FileFault{"BackupFolderCannotBeMade",
                                [](memory::MemoryFileSystem& files) {
                                  files.FailPath(kBackupDir, platform::FsError::AccessDenied);
                                },
                                false},
                      FileFault{"FinalRenameFails",
                                [](memory::MemoryFileSystem& files) { files.refuseRenames = true; },
                                true}),
    [](const auto& testCase) { return testCase.param.label; });

// --- the exporter when the editor cannot be started ----------------------------

TEST(RegistryRepairExporter, TheConsoleExporterTakesOverOnlyFromAnEditorThatNeedsRightsOrIsGone) {
  using platform::StartFailure;
  constexpr char kEditor[] = "C:\\WINDOWS\\regedit.exe";
  constexpr char kConsole[] = "C:\\WINDOWS\\SYSTEM32\\reg.exe";
  const std::string console = std::string("the console exporter ") + kConsole;
  struct Row {
    StartFailure editorFails;
    bool winNT, consoleExports;
    std::string exporter;  // as the run log names it; empty: no export ran
  } const rows[] = {
      {StartFailure::None, true, false, std::string("the registry editor ") + kEditor},
      {StartFailure::ElevationRequired, true, true,
       console + " (the registry editor needs administrator rights)"},
      {StartFailure::NotFound, true, true, console + " (the registry editor is missing)"},
      {StartFailure::Other, true, false, ""},
      {StartFailure::ElevationRequired, false, false, ""},  // single-byte running backup
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.exporter + (row.winNT ? "" : " 95 family"));
    RepairScene scene;
    scene.f.state.IsWinNT = row.winNT;
    scene.f.memory.launcher.startFailure = [&](std::string_view program) {
      return program == kEditor ? row.editorFails : StartFailure::None;
    };
    RunLog log(scene.f.memory.files, scene.f.memory.clock, kBackupDir);
    scene.f.run.journal = &log;
    log.PassStarted();
    for (const std::string name : {"one.exe", "two.exe"}) {
      scene.Registry().SetValue(RegRoot::LocalMachine, kAppPaths + name, "", MakeTextValue(kGone));
    }
    scene.AddCategory(9, {{"one.exe", kGone, "", ""}, {"two.exe", kGone, "", ""}});
    scene.Repair();

    // The editor is asked once; the choice holds for the whole repair.
    EXPECT_EQ(scene.f.memory.launcher.programs,
              (row.consoleExports ? Lines{kEditor, kConsole, kConsole} : Lines{kEditor, kEditor}));
    const bool removed = !row.exporter.empty();
    EXPECT_EQ(scene.DatedBackupHolds("[HKEY_LOCAL_MACHINE\\" + std::string(kAppPaths) + "two.exe]"),
              removed);
    EXPECT_NE(scene.Registry().KeyExists(RegRoot::LocalMachine, kAppPaths + std::string("two.exe")),
              removed);
    const std::string logText = scene.f.memory.files.Content(log.Path()).value_or("");
    EXPECT_EQ(logText.find("exporter: ") != std::string::npos, removed);
    if (removed) {
      EXPECT_NE(logText.find("exporter: " + row.exporter + "\r\n"), std::string::npos);
    }
  }
}

// --- the exporter's command line -------------------------------------------------

TEST(ExportCommand, QuotesFileAndKeyAndKeepsToTheLengthLimit) {
  EXPECT_EQ(ExportCommand("C:\\B\\dummy.reg", "HKEY_CLASSES_ROOT\\.x y"),
            "REGEDIT /e \"C:\\B\\dummy.reg\" \"HKEY_CLASSES_ROOT\\.x y\"");
  const std::string fixed = "REGEDIT /e \"C:\\d.reg\" \"\"";
  const std::string fits(kMaxExportCommandLength - fixed.size(), 'k');
  EXPECT_EQ(ExportCommand("C:\\d.reg", fits)->size(), kMaxExportCommandLength);
  EXPECT_FALSE(ExportCommand("C:\\d.reg", fits + "k"));
  // Characters count, not bytes.
  const std::string wide = std::string(fits.size() - 1, 'k') + "Ω";
  EXPECT_TRUE(ExportCommand("C:\\d.reg", wide));
  EXPECT_FALSE(ExportCommand("C:\\d.reg", "HKEY_CLASSES_ROOT\\a\"b"));
  EXPECT_FALSE(ExportCommand("C:\\d.reg", "HKEY_CLASSES_ROOT\\a\nb"));
  // The console exporter: short root, a key's last backslash kept out of the quote.
  EXPECT_EQ(ConsoleExportCommand("C:\\d.reg", RegRoot::LocalMachine, "A\\B\\"),
            "REG EXPORT \"HKLM\\A\\B\\\\\" \"C:\\d.reg\" /y");
  EXPECT_FALSE(ConsoleExportCommand("C:\\d.reg", RegRoot::ClassesRoot, "a\"b"));
}

}  // namespace
}  // namespace zent
