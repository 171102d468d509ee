// The five scans that walk a single key, on the in-memory registry and files:
// what each reports, what it must never report (paths it cannot check, paths
// the system could not look at) and what input in the middle leaves behind.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "regscan/list_scans.h"
#include "tests/native/run_fixture.h"
#include "tests/native/scan_rows.h"

namespace zent {
namespace {

using platform::FsError;
using platform::MakeTextValue;
using platform::RegRoot;
using platform::RegValue;

RegValue ExpandableText(std::string text) { return {platform::kRegExpandSz, std::move(text)}; }

using testing::OnlyCategory;
using testing::Row;
using testing::RowsOf;

class ListScans : public ::testing::Test, protected testing::RunFixture {
 protected:
  ListScans() {
    memory.files.AddDrive('D', platform::kDriveFixed);  // present, not checked
    memory.files.AddFolder("C:\\TOOLS");
    memory.files.AddFile("C:\\TOOLS\\PRESENT.EXE");
    memory.files.AddFile("C:\\TOOLS\\RUN.CMD");
    memory.files.AddFile("C:\\WINDOWS\\HELP\\THERE.HLP");
    memory.files.AddFile("C:\\WINDOWS\\FONTS\\THERE.TTF");
    memory.files.AddFile("C:\\WINDOWS\\MEDIA\\THERE.WAV");
    memory.files.AddFile("C:\\WINDOWS\\SYSTEM\\THERE.DLL");
    memory.files.AddFile("C:\\APP\\FONT.TTF");
    memory.files.AddFolder("C:\\LOCKED");
    memory.files.AddFolder("C:\\SHARED\\10.0");
    memory.files.FailPath("C:\\LOCKED", FsError::AccessDenied);
    memory.shell.SetEnvironment("TOOLS", "C:\\Tools");
    state.FontsDir = "C:\\WINDOWS\\FONTS";
  }

  const CategoryItem& Only() const { return OnlyCategory(categories); }

  std::vector<Row> Rows() const {
    for (const auto& key : Only().category.EntryKeys()) EXPECT_EQ(key, "");
    return RowsOf(Only().category, &FindingCategory::EntryDetails);
  }
};

// --- Application paths ---------------------------------------------------

struct AppPathCase {
  std::string label;
  std::string name;
  std::optional<RegValue> program;  // the default value
  std::optional<std::string> path;  // the "Path" value
  std::string reported;             // empty: never reported
};

void PrintTo(const AppPathCase& c, std::ostream* out) { *out << c.label; }

class AppPathScan : public ListScans, public ::testing::WithParamInterface<AppPathCase> {};

TEST_P(AppPathScan, ReportsWhatTheEntryNamesWhenItIsMissing) {
  const AppPathCase& c = GetParam();
  const std::string key = std::string(kAppPathsKey) + "\\" + c.name;
  Set(RegRoot::LocalMachine, key, "Other", MakeTextValue("x"));
  if (c.program) Set(RegRoot::LocalMachine, key, "", *c.program);
  if (c.path) Set(RegRoot::LocalMachine, key, "Path", MakeTextValue(*c.path));

  ScanAppPaths(run);

  std::vector<Row> expected;
  if (!c.reported.empty()) expected.push_back({c.name, c.reported, ""});
  EXPECT_EQ(Rows(), expected);
  EXPECT_EQ(Only().category.SelectionFlags(), std::vector<std::uint8_t>(expected.size(), 1));
}

INSTANTIATE_TEST_SUITE_P(
    Entries, AppPathScan,
    ::testing::Values(
        AppPathCase{"ProgramFolderAsDefault", "FOO.EXE", MakeTextValue("C:\\TOOLS"), std::nullopt,
                    "C:\\TOOLS\\FOO.EXE"},
        AppPathCase{"ProgramFolderAsDefaultHoldsIt", "PRESENT.EXE", MakeTextValue("C:\\TOOLS"),
                    std::nullopt, ""},
        AppPathCase{"EmptyDefaultWithPath", "FOO.EXE", MakeTextValue(""), "C:\\TOOLS\\",
                    "C:\\TOOLS\\FOO.EXE"},
        AppPathCase{"NoDefaultWithPath", "FOO.EXE", std::nullopt, "C:\\TOOLS",
                    "C:\\TOOLS\\FOO.EXE"},
        AppPathCase{"QuotedLowerCaseProgram", "foo.exe", MakeTextValue("\"c:\\gone\\foo.exe\""),
                    std::nullopt, "C:\\GONE\\FOO.EXE"},
        AppPathCase{"ProgramOfOtherKindPresent", "RUN.EXE", MakeTextValue("C:\\TOOLS\\RUN.CMD"),
                    std::nullopt, ""},
        AppPathCase{"ProgramOfOtherKindGone", "RUN.EXE", MakeTextValue("C:\\GONE\\RUN.CMD"),
                    std::nullopt, "C:\\GONE\\RUN.CMD\\RUN.EXE"},
        AppPathCase{"ProgramPresent", "PRESENT.EXE", MakeTextValue("C:\\Tools\\Present.exe"),
                    std::nullopt, ""},
        AppPathCase{"ProgramOfOtherName", "FOO.EXE", MakeTextValue("C:\\TOOLS\\BAR.EXE"),
                    "C:\\TOOLS", "C:\\TOOLS\\BAR.EXE"},
        AppPathCase{"ProgramWithVariable", "FOO.EXE", MakeTextValue("%tools%\\FOO.EXE"),
                    std::nullopt, "C:\\Tools\\FOO.EXE"},
        AppPathCase{"FolderGone", "FOO", MakeTextValue("C:\\TOOLS\\PRESENT.EXE"), "C:\\GONE\\",
                    "C:\\GONE"},
        AppPathCase{"FolderPresent", "FOO", std::nullopt, "c:\\tools\\", ""},
        AppPathCase{"NonProgramWithoutPath", "FOO", MakeTextValue("C:\\GONE\\FOO.EXE"),
                    std::nullopt, ""},
        AppPathCase{"SeveralFolders", "FOO.EXE", MakeTextValue("C:\\GONE\\FOO.EXE"),
                    "C:\\GONE;C:\\TOOLS", ""},
        AppPathCase{"SeveralFoldersNonProgram", "FOO", std::nullopt, "C:\\GONE;C:\\OTHER", ""},
        // An expandable default is the program as well, once expanded.
        AppPathCase{"ExpandableDefaultPresent", "NP.EXE", ExpandableText("%TOOLS%\\PRESENT.EXE"),
                    "C:\\TOOLS", ""},
        AppPathCase{"ExpandableDefaultAlone", "FOO.EXE", ExpandableText("C:\\GONE\\FOO.EXE"),
                    std::nullopt, "C:\\GONE\\FOO.EXE"},
        AppPathCase{"UncheckedDrive", "FOO.EXE", MakeTextValue("D:\\GONE\\FOO.EXE"), std::nullopt,
                    ""},
        AppPathCase{"NetworkFolder", "FOO.EXE", MakeTextValue(""), "\\\\SERVER\\SHARE", ""},
        AppPathCase{"BareProgramName", "FOO.EXE", MakeTextValue("FOO.EXE"), std::nullopt, ""},
        // A bare name is found by searching, wherever the folder in "Path" lies.
        AppPathCase{"BareProgramNameWithGoneFolder", "FOO.EXE", MakeTextValue("foo.exe"),
                    "C:\\GONE", ""},
        AppPathCase{"FolderCannotBeRead", "FOO.EXE", MakeTextValue("C:\\LOCKED\\FOO.EXE"),
                    std::nullopt, ""},
        AppPathCase{"FolderCannotBeReadNonProgram", "FOO", std::nullopt, "C:\\LOCKED\\SUB", ""}),
    [](const auto& testCase) { return testCase.param.label; });

TEST_F(ListScans, AppPathsInRunOrderWithOnePumpEach) {
  for (const char* name : {"zed.exe", "Alpha.exe", "MID.EXE"}) {
    Set(RegRoot::LocalMachine, std::string(kAppPathsKey) + "\\" + name, "",
        MakeTextValue("C:\\GONE"));
  }
  ScanAppPaths(run);
  EXPECT_EQ(Rows(), (std::vector<Row>{{"Alpha.exe", "C:\\GONE\\Alpha.exe", ""},
                                      {"MID.EXE", "C:\\GONE\\MID.EXE", ""},
                                      {"zed.exe", "C:\\GONE\\zed.exe", ""}}));
  EXPECT_EQ(Only().caption, "Apps\n3 ");
  EXPECT_EQ(Only().CategoryIndex, 9);
  EXPECT_EQ(memory.pump.calls, 4);
}

TEST_F(ListScans, ScansWithoutTheirKeyAddNothing) {
  ScanAppPaths(run);
  ScanHelpFiles(run);
  ScanSharedDlls(run);
  ScanSystemSounds(run);
  EXPECT_TRUE(categories.Empty());
}

// --- Help files -----------------------------------------------------------

TEST_F(ListScans, HelpFilesAreLookedForInTheirFolder) {
  const std::string key(kHelpFilesKey);
  Set(RegRoot::LocalMachine, key, "X.HLP", MakeTextValue("C:\\WINDOWS\\HELP\\"));
  Set(RegRoot::LocalMachine, key, "there.hlp", MakeTextValue("c:\\windows\\help"));
  Set(RegRoot::LocalMachine, key, "Y.HLP", MakeTextValue("%WINDIR%\\HELP\\\\"));
  Set(RegRoot::LocalMachine, key, "Z.HLP", MakeTextValue("D:\\HELP"));
  Set(RegRoot::LocalMachine, key, "W.HLP", MakeTextValue("HELP"));
  Set(RegRoot::LocalMachine, key, "L.HLP", MakeTextValue("C:\\LOCKED"));
  Set(RegRoot::LocalMachine, key, "", MakeTextValue("C:\\WINDOWS\\HELP"));
  ScanHelpFiles(run);
  EXPECT_EQ(Rows(), (std::vector<Row>{{"X.HLP", "C:\\WINDOWS\\HELP\\X.HLP", ""},
                                      {"Y.HLP", "C:\\WINDOWS\\HELP\\Y.HLP", ""}}));
  EXPECT_EQ(Only().CategoryIndex, 8);
}

// --- Shared libraries ---------------------------------------------------

TEST_F(ListScans, SharedFilesAreTestedAsStoredUnlessExcludedOrExtensionless) {
  const std::string key(kSharedDllsKey);
  state.ExcludedFiles.Append("C:\\WINDOWS\\SYSTEM\\KEEP.DLL");
  for (const char* name : {"c:\\windows\\system\\Gone.dll", "C:\\WINDOWS\\SYSTEM\\THERE.DLL",
                           "C:\\Windows\\System\\keep.dll", "C:\\WINDOWS\\SYSTEM\\NOEXT",
                           "C:\\DIR.X\\GONE", "D:\\GONE.DLL", "%WINDIR%\\GONE.DLL",
                           "\"C:\\GONE.DLL\"", "C:\\LOCKED\\GONE.DLL", "C:\\SHARED\\10.0"}) {
    Set(RegRoot::LocalMachine, key, name, platform::MakeDwordValue(1));
  }
  ScanSharedDlls(run);
  EXPECT_EQ(Rows(), (std::vector<Row>{{"Gone.dll", "c:\\windows\\system\\Gone.dll", ""}}));
  EXPECT_EQ(Only().caption, "DLLs\n");  // the single-entry phrase, empty in the table
}

// --- Fonts ---------------------------------------------------------------

TEST_F(ListScans, FontFilesLieInTheFontsFolderUnlessGivenInFull) {
  const std::string key(kFontsKey);
  Set(RegRoot::LocalMachine, key, "Arial (TrueType)", MakeTextValue("arial.ttf"));
  Set(RegRoot::LocalMachine, key, "There", MakeTextValue("THERE.TTF"));
  Set(RegRoot::LocalMachine, key, "Own font", MakeTextValue("C:\\APP\\FONT.TTF"));
  Set(RegRoot::LocalMachine, key, "Own gone", MakeTextValue("C:\\APP\\GONE.TTF"));
  Set(RegRoot::LocalMachine, key, "Network", MakeTextValue("\\\\SERVER\\F.TTF"));
  Set(RegRoot::LocalMachine, key, "Empty", MakeTextValue(""));
  ScanFonts(run);
  EXPECT_EQ(Rows(), (std::vector<Row>{{"Arial (TrueType)", "C:\\WINDOWS\\FONTS\\ARIAL.TTF", ""},
                                      {"Own gone", "C:\\APP\\GONE.TTF", ""}}));
}

TEST_F(ListScans, FontValuesThatNameNoFileOrAFaceTheSystemHasStay) {
  const std::string key(kFontsKey);
  memory.system.fontFaces = {"Courier", "MS Sans Serif", "Cambria Math"};
  Set(RegRoot::LocalMachine, key, "Bytes", platform::MakeBinaryValue("\x01\x02\x03\x04"));
  Set(RegRoot::LocalMachine, key, "Here", MakeTextValue("\\??\\C:\\APP\\FONT.TTF"));
  Set(RegRoot::LocalMachine, key, "Gone", MakeTextValue("\\??\\C:\\APP\\GONE.TTF"));
  Set(RegRoot::LocalMachine, key, "Unix", MakeTextValue("\\??\\unix\\usr\\share\\x.ttf"));
  Set(RegRoot::LocalMachine, key, "Rooted", MakeTextValue("\\FONTS\\X.TTF"));
  Set(RegRoot::LocalMachine, key, "Drive", MakeTextValue("C:X.TTF"));
  Set(RegRoot::LocalMachine, key, "Courier 10,12,15", MakeTextValue("coure.fon"));
  Set(RegRoot::LocalMachine, key, "MS Sans Serif", MakeTextValue("sserife.fon"));
  Set(RegRoot::LocalMachine, key, "Cambria & Cambria Math (TrueType)", MakeTextValue("c.ttc"));
  Set(RegRoot::LocalMachine, key, "Courier New (TrueType)", MakeTextValue("cour.ttf"));
  ScanFonts(run);
  EXPECT_EQ(Rows(),
            (std::vector<Row>{{"Courier New (TrueType)", "C:\\WINDOWS\\FONTS\\COUR.TTF", ""},
                              {"Gone", "C:\\APP\\GONE.TTF", ""}}));
}

TEST_F(ListScans, FontsOnAnUncheckedDriveAreNeverReported) {
  state.FontsDir = "D:\\FONTS";
  Set(RegRoot::LocalMachine, std::string(kFontsKey), "Arial", MakeTextValue("ARIAL.TTF"));
  ScanFonts(run);
  EXPECT_TRUE(Rows().empty());
}

TEST_F(ListScans, FontsWithoutTheirKeyGiveAnEmptyClosedCategory) {
  ScanFonts(run);
  EXPECT_EQ(Only().caption, "Fonts\n0 ");
  EXPECT_EQ(Only().CategoryIndex, 6);
  EXPECT_TRUE(Only().category.SelectionFlags().empty());
}

// --- System sounds ------------------------------------------------------

class SoundScan : public ListScans {
 protected:
  void SetSound(const std::string& application, const std::string& event, RegValue sound) {
    Set(RegRoot::CurrentUser,
        std::string(kSoundAppsKey) + "\\" + application + "\\" + event + "\\.current", "",
        std::move(sound));
  }
};

TEST_F(SoundScan, ReportsMissingSoundsWithTheirApplication) {
  SetSound(".Default", "SystemAsterisk", MakeTextValue("%WinDir%\\media\\ding.wav"));
  SetSound(".Default", "Maximize", MakeTextValue("C:\\WINDOWS\\MEDIA\\THERE.WAV"));
  SetSound(".Default", "Minimize", MakeTextValue("chord.wav"));
  SetSound("Explorer", "EmptyRecycleBin", MakeTextValue("\"C:\\GONE\\RECYCLE.WAV\""));
  SetSound("Explorer", "Navigating", ExpandableText("C:\\GONE\\START.WAV"));
  SetSound("Explorer", "Locked", MakeTextValue("C:\\LOCKED\\X.WAV"));
  SetSound("Game", "Win", MakeTextValue("D:\\GAME\\WIN.WAV"));
  Set(RegRoot::CurrentUser, std::string(kSoundAppsKey) + "\\Empty", "", MakeTextValue(""));

  ScanSystemSounds(run);
  EXPECT_EQ(Rows(),
            (std::vector<Row>{{"SystemAsterisk", "C:\\WINDOWS\\MEDIA\\DING.WAV", ".Default"},
                              {"EmptyRecycleBin", "C:\\GONE\\RECYCLE.WAV", "Explorer"}}));
  EXPECT_EQ(Only().CategoryIndex, 7);
  EXPECT_EQ(Only().category.SelectionFlags(), (std::vector<std::uint8_t>{1, 1}));
  EXPECT_EQ(memory.pump.calls, 1 + 7);  // one per event, none per application
}

TEST_F(SoundScan, InputStopsAtTheNextEventLeavingAnUnselectedCategory) {
  SetSound("A", "E1", MakeTextValue("C:\\GONE\\1.WAV"));
  SetSound("A", "E2", MakeTextValue("C:\\GONE\\2.WAV"));
  SetSound("B", "E3", MakeTextValue("C:\\GONE\\3.WAV"));
  memory.pump.onPump = [this](int call) {
    if (call == 3) state.AbortRequested = true;  // while E2 is shown
  };
  ScanSystemSounds(run);
  EXPECT_EQ(itemLabel, "E2");
  EXPECT_EQ(Rows(), (std::vector<Row>{{"E1", "C:\\GONE\\1.WAV", "A"}}));
  EXPECT_EQ(Only().caption, "");  // the first caption, replaced by its empty text
  EXPECT_TRUE(Only().category.SelectionFlags().empty());
  EXPECT_EQ(memory.pump.calls, 3);
}

// --- Input in the middle of a list scan ---------------------------------

TEST_F(ListScans, InputLeavesTheItemWithItsFirstCaptionAndNoFlags) {
  for (const char* name : {"A.EXE", "B.EXE", "C.EXE"}) {
    Set(RegRoot::LocalMachine, std::string(kAppPathsKey) + "\\" + name, "",
        MakeTextValue("C:\\GONE"));
  }
  memory.pump.onPump = [this](int call) {
    if (call == 4) state.AbortRequested = true;  // while C.EXE is shown
  };
  ScanAppPaths(run);
  ScanFonts(run);  // starts after the input: adds nothing
  EXPECT_EQ(itemLabel, "C.EXE");
  EXPECT_EQ(Only().caption, "Apps");
  EXPECT_EQ(Rows().size(), 2u);
  EXPECT_TRUE(Only().category.SelectionFlags().empty());
  EXPECT_EQ(Only().category.Flag(0), 0);
}

}  // namespace
}  // namespace zent
