// The file-format and icon scans on the in-memory registry and files: what
// each reports, what it never reports (protected extensions, names the repair
// could not remove as one file type, values that name nothing certain, paths
// that may still name a file) and how input stops them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "regscan/com_scans.h"
#include "regscan/file_type_scans.h"
#include "regscan/icon_scans.h"
#include "tests/native/run_fixture.h"

namespace zent {
namespace {

using platform::MakeDwordValue;
using platform::MakeTextValue;
using platform::RegRoot;
using platform::RegValue;

const RegValue kGone = MakeTextValue("\"C:\\App\\Gone.exe\" \"%1\"");

class ClassesRootScans : public ::testing::Test, protected testing::RunFixture {
 protected:
  ClassesRootScans() {
    memory.files.AddDrive('D', platform::kDriveFixed);  // present, not checked
    for (const char* file : {"C:\\APP\\THERE.EXE", "C:\\J.DOE SMITH\\APP.EXE",
                             "C:\\FOO.EXEC\\BAR.EXE", "C:\\WINDOWS\\SYSTEM32\\SHELL32.DLL"}) {
      memory.files.AddFile(file);
    }
    memory.shell.SetEnvironment("SystemRoot", "C:\\Windows");
    state.ExcludedFiles.Append("C:\\APP\\KEEP.EXE ");
  }

  void Set(const std::string& key, std::string_view name, const RegValue& value) {
    memory.registry.SetValue(RegRoot::ClassesRoot, key, name, value);
  }
  // An extension of the type (empty: none) whose type opens with `command`.
  void AddExtension(const std::string& extension, const RegValue& type, const RegValue& command) {
    Set(extension, "", type);
    const bool typed = type.type == platform::kRegSz && !type.data.empty();
    Set((typed ? type.data : extension) + "\\shell\\open\\command", "", command);
  }

  // Each row as name | target | key.
  std::vector<std::string> Rows() const {
    const FindingCategory& found = categories.Item(0).category;
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < found.EntryCount(); ++i) {
      rows.push_back(found.EntryNames()[i] + " | " + found.TargetPaths()[i] + " | " +
                     found.EntryKeys()[i]);
    }
    return rows;
  }
};

struct FormatCase {
  std::string label;
  RegValue type;
  RegValue command;
  std::string reported;      // the program shown; empty: never reported
  std::string verbKey = {};  // another verb of the extension or its type
  RegValue verbCommand = {};
  bool verbUnreadable = false;
  std::string verbValueName = {};  // of the verb's command key
};

void PrintTo(const FormatCase& c, std::ostream* out) { *out << c.label; }

std::string LabelOf(const ::testing::TestParamInfo<FormatCase>& info) { return info.param.label; }

class FormatScan : public ClassesRootScans, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(FormatScan, ReportsTheExtensionOnlyWhenItsProgramIsSurelyGone) {
  const FormatCase& c = GetParam();
  AddExtension(".abc", c.type, c.command);
  if (!c.verbKey.empty()) Set(c.verbKey + "\\command", c.verbValueName, c.verbCommand);
  memory.registry.SetInaccessible(RegRoot::ClassesRoot, c.verbKey + "\\command", c.verbUnreadable);
  ScanFileFormats(run);
  const std::string typeName = c.type.type == platform::kRegSz ? c.type.data : "";
  const auto expected = c.reported.empty() ? std::vector<std::string>()
                                           : std::vector{typeName + " | " + c.reported + " | .abc"};
  EXPECT_EQ(Rows(), expected);
  EXPECT_EQ(categories.Item(0).category.SelectionFlags(),
            std::vector<std::uint8_t>(expected.size(), 1));
}

const RegValue kType = MakeTextValue("abcfile");
const RegValue kThere = MakeTextValue("\"C:\\APP\\THERE.EXE\" /p \"%1\"");

INSTANTIATE_TEST_SUITE_P(
    Formats, FormatScan,
    ::testing::Values(
        FormatCase{"ProgramGone", kType, kGone, "C:\\APP\\GONE.EXE "},
        FormatCase{"NoTypeOwnCommand", MakeTextValue(""), kGone, "C:\\APP\\GONE.EXE "},
        FormatCase{"ProgramThere", kType, MakeTextValue("c:\\app\\there.exe %1"), ""},
        FormatCase{"CommaAfterProgram", kType, MakeTextValue("\"C:\\APP\\THERE.EXE\",1"), ""},
        FormatCase{"BlankInFolder", kType, MakeTextValue("C:\\J.DOE SMITH\\APP.EXE %1"), ""},
        FormatCase{"ExeInsideFolderName", kType, MakeTextValue("C:\\FOO.EXEC\\BAR.EXE"), ""},
        FormatCase{"BareHostProgram", kType, MakeTextValue("rundll32.exe gone.dll,Open %1"), ""},
        FormatCase{"UncheckedDrive", kType, MakeTextValue("D:\\GONE.EXE %1"), ""},
        FormatCase{"VariableLeft", kType, MakeTextValue("C:\\%NOWHERE%\\GONE.EXE %1"), ""},
        FormatCase{"NoProgram", kType, MakeTextValue("C:\\APP\\GONE.BAT %1"), ""},
        FormatCase{"ExcludedAsCut", kType, MakeTextValue("C:\\APP\\KEEP.EXE %1"), ""},
        FormatCase{"TypeIsAClass", MakeTextValue("CLSID\\{1}"), kGone, ""},
        FormatCase{"TypeIsSharedKey", MakeTextValue("Directory"), kGone, ""},
        FormatCase{"TypeIsKeyPath", MakeTextValue("abc\\file"), kGone, ""},
        FormatCase{"TypeIsExtension", MakeTextValue(".abc"), kGone, ""},
        FormatCase{"TypeBlankPadded", MakeTextValue("abcfile "), kGone, ""},
        FormatCase{"TypeNumber", MakeDwordValue(7), kGone, ""},
        FormatCase{"CommandNumber", kType, MakeDwordValue(7), ""},
        FormatCase{"CommandExpandable", kType, RegValue{platform::kRegExpandSz, "C:\\GONE.EXE"},
                   ""},
        FormatCase{"CommandCutShort", kType, RegValue{platform::kRegSz, "C:\\GONE.EXE", false}, ""},
        FormatCase{"PrintThere", kType, kGone, "", "abcfile\\shell\\print", kThere},
        FormatCase{"NoTypePrintThere", MakeTextValue(""), kGone, "", ".abc\\shell\\Print", kThere},
        FormatCase{"ExtensionsOwnPrintThere", kType, kGone, "", ".abc\\shell\\print", kThere},
        FormatCase{"PrintUnreadable", kType, kGone, "", "abcfile\\shell\\print", kGone, true},
        FormatCase{"PrintExpandable", kType, kGone, "", "abcfile\\shell\\print",
                   RegValue{platform::kRegExpandSz, "C:\\GONE.EXE"}},
        FormatCase{"PrintOnUncheckedDrive", kType, kGone, "", "abcfile\\shell\\print",
                   MakeTextValue("D:\\GONE.EXE /p")},
        FormatCase{"PrintDelegates", kType, kGone, "", "abcfile\\shell\\print",
                   MakeTextValue("{11111111-2222-3333-4444-555555555555}"), false,
                   "DelegateExecute"},
        FormatCase{"PrintDropTarget", kType, kGone, "", "abcfile\\shell\\print\\DropTarget",
                   MakeTextValue("C:\\GONE.EXE")},
        FormatCase{"EveryVerbGone", kType, kGone, "C:\\APP\\GONE.EXE ", "abcfile\\shell\\print",
                   MakeTextValue("C:\\APP\\GONE.EXE /p %1")}),
    LabelOf);

TEST_F(ClassesRootScans, FormatsTestTheCommandOfTheTypesVerb) {
  AddExtension(".abc", kType, MakeTextValue("C:\\DECOY.EXE"));
  Set("abcfile\\shell", "", MakeTextValue("edit"));
  Set("abcfile\\shell\\edit\\command", "", kGone);
  AddExtension(".def", MakeTextValue("deffile"), kGone);
  Set("deffile\\shell", "", MakeTextValue("edit"));
  Set("deffile\\shell\\edit\\command", "", MakeTextValue("C:\\APP\\THERE.EXE"));
  ScanFileFormats(run);
  EXPECT_EQ(Rows(), std::vector<std::string>{"abcfile | C:\\APP\\GONE.EXE  | .abc"});
}

TEST_F(ClassesRootScans, FormatsPassOverProtectedExtensionsAndTheirTypes) {
  for (const char* extension : {".zzz", ".EXEX", ".386", ".ex", "*", ".Lnk"}) {
    AddExtension(extension, MakeTextValue(""), kGone);
  }
  AddExtension(".bat", MakeTextValue("batfile"), kGone);
  AddExtension(".xyz", MakeTextValue("BatFile"), kGone);  // its type serves ".bat" too
  AddExtension(".abc", kType, kGone);
  AddExtension(".aaa", kType, kGone);
  ScanFileFormats(run);
  EXPECT_EQ(Rows(),
            (std::vector<std::string>{
                "abcfile | C:\\APP\\GONE.EXE  | .aaa", "abcfile | C:\\APP\\GONE.EXE  | .abc",
                " | C:\\APP\\GONE.EXE  | .ex", " | C:\\APP\\GONE.EXE  | .zzz"}));
  EXPECT_EQ(categories.Item(0).CategoryIndex, 0);
  EXPECT_EQ(categories.Item(0).category.SelectionFlags(), std::vector<std::uint8_t>(4, 1));
}

TEST_F(ClassesRootScans, FormatsStopOnInputOnlyWhileKeysAreListed) {
  AddExtension(".abc", kType, kGone);  // with its type: two keys at the root
  memory.pump.onPump = [this](int call) { state.AbortRequested = call == 3; };
  ScanFileFormats(run);  // status line, ".abc", then "abcfile"
  EXPECT_TRUE(Rows().empty());
  EXPECT_TRUE(categories.Item(0).category.SelectionFlags().empty());

  categories.Clear();
  state.AbortRequested = false;
  memory.pump.calls = 0;
  memory.pump.onPump = [this](int call) {
    state.AbortRequested = state.AbortRequested || call > 3;
  };
  ScanFileFormats(run);
  EXPECT_EQ(Rows().size(), 1U);
  EXPECT_EQ(categories.Item(0).category.SelectionFlags(), std::vector<std::uint8_t>{1});
}

TEST(CutIconModulePath, KeepsTheModuleOfAnIndexedReference) {
  const std::pair<std::string, std::string> cases[] = {
      {"c:\\app\\app.exe,3", "C:\\APP\\APP.EXE"},
      {"C:\\LIB.DLL,-12", "C:\\LIB.DLL"},
      {"C:\\X\\CTL.OCX,1", "C:\\X\\CTL.OCX"},
      {"C:\\X\\APP.EXE", ""},
      {"C:\\X\\A.ICO", ""},
      {"C:\\X\\A.ICL,2", ""},
      {"C:\\A.DLL,\\B.EXE,1", "C:\\A.DLL"},
      {"C:\\A.EXE,\\B.DLL,1", "C:\\A.EXE"},
  };
  for (const auto& [reference, module] : cases) {
    EXPECT_EQ(CutIconModulePath(reference), module) << reference;
  }
}

TEST_F(ClassesRootScans, IconsReportOnlyModulesSurelyGone) {
  const std::pair<std::string, RegValue> references[] = {
      {"a", MakeTextValue("\"c:\\app\\gone.dll\",1")},
      {"b", MakeTextValue("%SystemRoot%\\system32\\shell32.dll,4")},
      {"c", MakeTextValue("C:\\APP\\GONE.ICO")},
      {"d", MakeTextValue("C:\\%NOWHERE%\\GONE.DLL,1")},
      {"e", MakeTextValue("D:\\GONE.DLL,1")},
      {"f", platform::MakeDwordValue(1)},
      {"g", RegValue{platform::kRegExpandSz, "C:\\GONE.DLL,1"}},
      {"h", RegValue{platform::kRegSz, "C:\\GONE.DLL,1", false}},
  };
  Set(std::string(kClassesKey), "", MakeTextValue(""));
  for (const auto& [name, reference] : references) Set(name + "\\DefaultIcon", "", reference);
  Set(std::string(kClassesKey) + "\\{C1}\\ToolboxBitmap32", "", MakeTextValue("C:\\X.OCX,1"));
  ScanIcons(run);
  EXPECT_EQ(Rows(), (std::vector<std::string>{
                        "DefaultIcon | C:\\APP\\GONE.DLL | a\\DefaultIcon",
                        "ToolboxBitmap32 | C:\\X.OCX | CLSID\\{C1}\\ToolboxBitmap32"}));
  EXPECT_EQ(categories.Item(0).CategoryIndex, 10);
  EXPECT_EQ(categories.Item(0).category.SelectionFlags(), std::vector<std::uint8_t>(2, 1));
}

TEST_F(ClassesRootScans, IconsEndEachPassOnInputButKeepTheRowsFound) {
  for (const char* key : {"a", "b", "CLSID\\{C1}", "CLSID\\{C2}"}) {
    Set(std::string(key) + "\\DefaultIcon", "", MakeTextValue("C:\\GONE.EXE,0"));
  }
  memory.pump.onPump = [this](int call) { state.AbortRequested = call >= 3; };
  ScanIcons(run);  // status line, "a", then "b"
  EXPECT_EQ(itemLabel, "{C1}");
  EXPECT_EQ(Rows(), std::vector<std::string>{"DefaultIcon | C:\\GONE.EXE | a\\DefaultIcon"});
  EXPECT_EQ(categories.Item(0).category.SelectionFlags(), std::vector<std::uint8_t>{1});
}

TEST_F(ClassesRootScans, IconsStartOnlyWhereClassesAreRegistered) {
  Set("a\\DefaultIcon", "", MakeTextValue("C:\\GONE.EXE,0"));
  ScanIcons(run);
  EXPECT_TRUE(categories.Empty());
}

}  // namespace
}  // namespace zent
