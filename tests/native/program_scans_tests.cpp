// The uninstall and autostart scans on the in-memory registry and files: how a
// command line is cut to its program, which programs count as gone, and that
// values holding no text never end a scan nor make an entry look orphaned.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "regscan/file_type_scans.h"
#include "regscan/list_scans.h"
#include "regscan/program_scans.h"
#include "tests/native/run_fixture.h"
#include "tests/native/scan_rows.h"

namespace zent {
namespace {

using platform::MakeBinaryValue;
using platform::MakeDwordValue;
using platform::MakeTextValue;
using platform::RegRoot;
using platform::RegValue;

RegValue Typed(std::uint32_t type, std::string data) { return {type, std::move(data)}; }
// Text another program stored without its terminator or with an odd last byte.
RegValue NotWhole(std::string text) { return {platform::kRegSz, std::move(text), false}; }

using testing::Row;
using testing::RowsOf;

class ProgramScans : public ::testing::Test, protected testing::RunFixture {
 protected:
  ProgramScans() {
    memory.files.AddDrive('D', platform::kDriveFixed);  // present, not checked
    memory.files.AddFile("C:\\TOOLS\\PRESENT.EXE");
    memory.files.AddFile("C:\\FOO.EXEC\\BAR.EXE");
    memory.files.AddFile("C:\\WINDOWS\\RUNDLL32.EXE");
    memory.shell.SetEnvironment("TOOLS", "C:\\Tools");
  }

  void SetEntry(const std::string& entry, std::string_view name, RegValue value) {
    memory.registry.SetValue(RegRoot::LocalMachine, std::string(kUninstallKey) + "\\" + entry, name,
                             std::move(value));
  }
  void SetAutorun(std::string_view name, RegValue value) {
    memory.registry.SetValue(RegRoot::LocalMachine, kAutorunKey, name, std::move(value));
  }

  std::vector<Row> Rows(std::size_t index) const {
    return RowsOf(categories.Item(index).category, &FindingCategory::EntryKeys);
  }
};

struct CommandCase {
  std::string label;
  std::string command;
  std::string reported;  // the program the row shows; empty: never reported
};

void PrintTo(const CommandCase& c, std::ostream* out) { *out << c.label; }

class CommandLines : public ProgramScans, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandLines, BothScansReportOnlyAGoneProgram) {
  const CommandCase& c = GetParam();
  SetEntry(c.label, "UninstallString", MakeTextValue(c.command));
  SetEntry(c.label, "DisplayName", MakeTextValue("Shown"));
  SetAutorun(c.label, MakeTextValue(c.command));

  ScanUninstall(run);
  ScanAutorun(run);

  ASSERT_EQ(categories.Count(), 2u);
  std::vector<Row> uninstall, autorun;
  if (!c.reported.empty()) {
    uninstall.push_back({"Shown", c.reported, c.label});
    autorun.push_back({c.label, c.reported, ""});
  }
  EXPECT_EQ(Rows(0), uninstall);
  EXPECT_EQ(Rows(1), autorun);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, CommandLines,
    ::testing::Values(
        // The blank after ".EXE" stays in the row, as the cut leaves it.
        CommandCase{"QuotedWithArguments", "\"C:\\Program Files\\App\\uninst.exe\" /S",
                    "C:\\PROGRAM FILES\\APP\\UNINST.EXE "},
        // More cuts that keep a character after the extension or end inside a
        // path are tested with the scan pattern's command orphan test.
        CommandCase{"PresentWithArguments", "C:\\Tools\\present.exe /X", ""},
        CommandCase{"ExeInFolderName", "C:\\FOO.EXEC\\BAR.EXE", ""},
        CommandCase{"ExeTwice", "C:\\GONE\\SETUP.EXE C:\\TOOLS\\PRESENT.EXE",
                    "C:\\GONE\\SETUP.EXE "},
        CommandCase{"ModuleWithEntry", "C:\\GONE\\X.DLL,Uninstall", "C:\\GONE\\X.DLL,"},
        CommandCase{"ModuleInBareHost", "RUNDLL C:\\GONE\\X.DLL,Uninstall", ""},
        CommandCase{"PresentHost", "C:\\WINDOWS\\RUNDLL32.EXE C:\\GONE\\X.DLL,Run", ""},
        CommandCase{"SetupInformation", "C:\\WINDOWS\\INF\\GONE.INF", ""},
        CommandCase{"Variable", "%TOOLS%\\gone.exe", "C:\\TOOLS\\GONE.EXE"},
        CommandCase{"UncheckedDrive", "D:\\GONE\\UNINST.EXE", ""},
        CommandCase{"BareProgram", "UNINST.EXE /S", ""},
        CommandCase{"LetterAfterExtension", "C:\\GONE\\X.EXE\xC3\xA4 1", "C:\\GONE\\X.EXE\xC3\x84"},
        CommandCase{"Empty", "", ""}),
    [](const auto& testCase) { return testCase.param.label; });

// Each form planted in every scan that reads a command line (file types,
// uninstall, autorun, App Paths): kept while its program is there, found once
// it is gone. "%D" stands for the program's folder.
class CommandForms : public ProgramScans, public ::testing::WithParamInterface<std::string> {
 protected:
  std::vector<std::size_t> Found(const std::string& folder) {
    std::string command = GetParam();
    command.replace(command.find("%D"), 2, folder);
    SetEntry("App", "UninstallString", MakeTextValue(command));
    SetAutorun("App", MakeTextValue(command));
    Set(RegRoot::ClassesRoot, ".app", "", MakeTextValue("appfile"));
    Set(RegRoot::ClassesRoot, "appfile\\shell\\open\\command", "", MakeTextValue(command));
    Set(RegRoot::LocalMachine, std::string(kAppPathsKey) + "\\app.exe", "", MakeTextValue(command));
    categories.Clear();
    for (const auto scan : {ScanFileFormats, ScanUninstall, ScanAutorun, ScanAppPaths}) scan(run);
    std::vector<std::size_t> counts;
    for (std::size_t i = 0; i < categories.Count(); ++i) {
      counts.push_back(categories.Item(i).category.EntryCount());
    }
    return counts;
  }
};

TEST_P(CommandForms, KeepAProgramThatIsThereAndFindOneThatIsGone) {
  memory.files.AddFile("C:\\Program Files\\App\\app.exe");
  EXPECT_EQ(Found("C:\\Program Files\\App"), std::vector<std::size_t>(4, 0));
  EXPECT_EQ(Found("C:\\Program Files\\Gone"), std::vector<std::size_t>(4, 1));
}

INSTANTIATE_TEST_SUITE_P(Forms, CommandForms,
                         ::testing::Values("\"%D\\app.exe\"--minimized",
                                           "\"%D\\app.exe\"-open \"%1\"",
                                           "\"%D\\app.exe\"(startup)", "\"%D\\app.exe\"=1",
                                           "\"%D\\app.exe\" /x", "%D\\app.exe\t-background"));

TEST_F(ProgramScans, UninstallGoesOnPastValuesThatHoldNoCertainText) {
  const std::string gone = "C:\\GONE\\UNINST.EXE";
  SetEntry("{1-long-binary}", "UninstallString", MakeBinaryValue(gone));
  SetEntry("{2-number}", "UninstallString", MakeDwordValue(7));
  SetEntry("{3-list}", "UninstallString", Typed(platform::kRegMultiSz, gone));
  SetEntry("{4-expandable}", "UninstallString", Typed(platform::kRegExpandSz, "%TOOLS%\\U.EXE"));
  SetEntry("{4-expandable}", "DisplayName", MakeTextValue("Tool"));
  SetEntry("{5-numeric-name}", "UninstallString", MakeTextValue(gone));
  SetEntry("{5-numeric-name}", "DisplayName", MakeDwordValue(5));
  SetEntry("{6-no-command}", "DisplayName", MakeTextValue("Nothing"));
  SetEntry("{7-no-name}", "UninstallString", MakeTextValue(gone));
  SetEntry("{8-not-whole}", "UninstallString", NotWhole(gone));

  ScanUninstall(run);

  ASSERT_EQ(categories.Count(), 1u);
  EXPECT_EQ(Rows(0), (std::vector<Row>{{"Tool", "C:\\TOOLS\\U.EXE", "{4-expandable}"},
                                       {"", gone, "{5-numeric-name}"},
                                       {"", gone, "{7-no-name}"}}));
  const CategoryItem& item = categories.Item(0);
  EXPECT_EQ(item.CategoryIndex, 4);
  EXPECT_EQ(item.caption, "Uninstall\n3 ");
  EXPECT_EQ(item.category.SelectionFlags(), std::vector<std::uint8_t>(3, 1));
}

TEST_F(ProgramScans, AutorunReadsPlainTextAndExcludesWholeCommandLines) {
  state.ExcludedFiles.Append("C:\\GONE\\KEEP.EXE /S");
  state.ExcludedFiles.Append("C:\\GONE\\ALONE.EXE");
  SetAutorun("Kept", MakeTextValue("c:\\gone\\keep.exe /s"));
  SetAutorun("Alone", MakeTextValue("C:\\GONE\\ALONE.EXE /S"));
  SetAutorun("Expandable", Typed(platform::kRegExpandSz, "C:\\GONE\\X.EXE"));
  SetAutorun("Binary", MakeBinaryValue("C:\\GONE\\X.EXE"));
  SetAutorun("Number", MakeDwordValue(1));

  ScanAutorun(run);

  ASSERT_EQ(categories.Count(), 1u);
  EXPECT_EQ(Rows(0), (std::vector<Row>{{"Alone", "C:\\GONE\\ALONE.EXE ", ""}}));
  EXPECT_EQ(categories.Item(0).CategoryIndex, 5);
  EXPECT_EQ(categories.Item(0).caption, "Autorun\n");
}

TEST_F(ProgramScans, WithoutTheirKeyTheScansAddNothing) {
  ScanUninstall(run);
  ScanAutorun(run);
  EXPECT_TRUE(categories.Empty());
}

}  // namespace
}  // namespace zent
