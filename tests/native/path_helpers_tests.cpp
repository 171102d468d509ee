// Path texts on the in-memory platform: command lines as the registry and
// shortcuts hold them, paths with environment references, and the drive tests.
#include <gtest/gtest.h>

#include <string>

#include "common/path_helpers.h"
#include "platform/memory/memory_platform.h"

namespace zent {
namespace {

using namespace std::string_literals;

struct CommandCase {
  std::string text;
  std::string path;
};

void PrintTo(const CommandCase& c, std::ostream* out) { *out << '"' << c.text << '"'; }

class CommandPathExtraction : public ::testing::TestWithParam<CommandCase> {
 protected:
  memory::MemoryPlatform memory_;
};

TEST_P(CommandPathExtraction, LeavesTheNamedPath) {
  std::string text = GetParam().text;
  ExtractCommandPath(memory_.shell, text);
  EXPECT_EQ(text, GetParam().path);
}

// The command lines met in the registry and in shortcuts.
INSTANTIATE_TEST_SUITE_P(
    TypicalCommandLines, CommandPathExtraction,
    ::testing::Values(CommandCase{"C:\\WINDOWS\\NOTEPAD.EXE %1", "C:\\WINDOWS\\NOTEPAD.EXE"},
                      CommandCase{"c:\\apps\\tool.exe /s", "C:\\APPS\\TOOL.EXE"},
                      CommandCase{"RUNDLL32.EXE SHELL32.DLL,Control_RunDLL", "RUNDLL32.EXE"},
                      CommandCase{"C:\\WINDOWS\\RUNDLL32.EXE C:\\PROGRA~1\\APP\\X.DLL,Uninstall",
                                  "C:\\WINDOWS\\RUNDLL32.EXE"},
                      CommandCase{"C:\\PROGRAM FILES\\APP\\APP.EXE",
                                  "C:\\PROGRAM FILES\\APP\\APP.EXE"},
                      CommandCase{"C:\\DATA\\FILE.DATA /X", ""},
                      CommandCase{"\"C:\\PROGRAM FILES\\APP\\APP.EXE\" /S", ""},
                      CommandCase{"C:\\APP\\SETUP -X", "C:\\APP\\SETUP -X"},
                      CommandCase{"C:\\APP\\..\\X.EXE", "C:\\APP\\..\\X.EXE"}));

INSTANTIATE_TEST_SUITE_P(
    Edges, CommandPathExtraction,
    ::testing::Values(
        // Too short, no dot, or two dots in a row: only upper-cased, even
        // with a control character or an option inside.
        CommandCase{"", ""}, CommandCase{"a.b", "A.B"}, CommandCase{"c:\\x y", "C:\\X Y"},
        CommandCase{"x.exe\nfoo\\..\\y /s", "X.EXE\nFOO\\..\\Y /S"},
        CommandCase{"C:\\NO DOT\r\n /S", "C:\\NO DOT\r\n /S"},
        // A second drive path cuts the text just after its colon.
        CommandCase{"C:\\A.B\\TOOLD:\\X", "C:\\A.B\\TOOLD:"},
        CommandCase{"C:\\X.EXE,D:\\Y.DLL", "C:\\X.EXE"},
        CommandCase{"\\\\SERVER\\X.EXE C:\\Y.TXT", "\\\\SERVER\\X.EXE"},
        // Control characters end the path.
        CommandCase{"C:\\X.EXE\r\n/S", "C:\\X.EXE"}, CommandCase{"C:\\X.EXE\nA /S", "C:\\X.EXE"},
        CommandCase{"C:\\X.EXE\x7F /S", "C:\\X.EXE"}, CommandCase{"C:\\X.EXE\0 /S"s, "C:\\X.EXE"},
        CommandCase{"C:\\X\x7F.EXE", "C:\\X"},
        // Blank, comma and slash after an extension; the last character is
        // never a cut.
        CommandCase{"C:\\X.EXE/S", "C:\\X.EXE"}, CommandCase{"C:\\X.EXE ", "C:\\X.EXE "},
        CommandCase{"C:\\X.EXE  ", "C:\\X.EXE"},
        // No extension of three characters before the blank.
        CommandCase{"C:\\APPS\\TOOL.EXE1 ARG", "C:\\APPS\\TOOL.EXE1 ARG"},
        CommandCase{"C:\\APPS\\TOOL.EXE1 -Q", ""}, CommandCase{"C:\\X.\\AB /S", ""},
        // A cut path that still holds an option is empty.
        CommandCase{"C:\\A /B\\X.EXE C", ""},
        // Near the start the first four characters stand for the extension.
        CommandCase{".a b", ".A"}, CommandCase{".exe /x", ".EXE"},
        // Characters, not bytes: a non-ASCII extension is three characters.
        CommandCase{"c:\\dateien\\übung.exe /s", "C:\\DATEIEN\\ÜBUNG.EXE"},
        CommandCase{"C:\\DIR\\FILE.äbc /S", "C:\\DIR\\FILE.ÄBC"},
        CommandCase{"é:\\a.b\\toold:\\x", "É:\\A.B\\TOOLD:"},
        // A byte that is no UTF-8 is one character and stays as it was.
        CommandCase{"C:\\X\xFF.EXE /S", "C:\\X\xFF.EXE"},
        CommandCase{"C:\\X.\xFF\xFE\xFD /S", "C:\\X.\xFF\xFE\xFD"}));

class PathNormalization : public ::testing::Test {
 protected:
  PathNormalization() { memory_.shell.SetEnvironment("WINDIR", "C:\\Windows"); }
  std::string Normalize(std::string_view text) { return NormalizePath(memory_.shell, text); }
  memory::MemoryPlatform memory_;
};

TEST_F(PathNormalization, ExpandedFolderKeepsItsOwnCaseAndLosesTheQuotes) {
  EXPECT_EQ(Normalize("\"%windir%\\notepad.exe\""), "C:\\Windows\\NOTEPAD.EXE");
}

TEST_F(PathNormalization, RemovesQuotesWhereverTheyStand) {
  EXPECT_EQ(Normalize("c:\\\"program files\"\\a\"\"pp.exe\""), "C:\\PROGRAM FILES\\APP.EXE");
  EXPECT_EQ(Normalize("\"\"\""), "");
}

TEST_F(PathNormalization, RemovesQuotesThatComeWithAnExpandedValue) {
  memory_.shell.SetEnvironment("QUOTED", "\"D:\\Tools\"");
  EXPECT_EQ(Normalize("%QUOTED%\\x.exe"), "D:\\Tools\\X.EXE");
}

TEST_F(PathNormalization, UnknownVariableStaysUpperCased) {
  EXPECT_EQ(Normalize("%nosuchvar%\\x.dll"), "%NOSUCHVAR%\\X.DLL");
}

TEST_F(PathNormalization, LongExpansionIsKeptWhole) {
  const std::string deep = "D:\\" + std::string(3000, 'd');
  memory_.shell.SetEnvironment("DEEP", deep);
  EXPECT_EQ(Normalize("%DEEP%\\app.exe"), deep + "\\APP.EXE");
}

struct StripCase {
  std::string text;
  std::string stripped;
};

class TrailingBackslashes : public ::testing::TestWithParam<StripCase> {};

TEST_P(TrailingBackslashes, AreRemoved) {
  EXPECT_EQ(StripTrailingBackslashes(GetParam().text), GetParam().stripped);
}

INSTANTIATE_TEST_SUITE_P(Texts, TrailingBackslashes,
                         ::testing::Values(StripCase{"", ""}, StripCase{"\\\\\\", ""},
                                           StripCase{"C:\\", "C:"},
                                           StripCase{"C:\\DIR\\\\", "C:\\DIR"},
                                           StripCase{"C:\\DIR", "C:\\DIR"},
                                           StripCase{"\\\\SERVER\\SHARE", "\\\\SERVER\\SHARE"}));

DriveFlags OnlyDrive(char letter) {
  DriveFlags flags{};
  flags[*DriveIndex(letter)] = 1;
  return flags;
}

struct DriveCase {
  std::string path;
  bool onCheckDrive;
};

class CheckDriveTest : public ::testing::TestWithParam<DriveCase> {};

TEST_P(CheckDriveTest, AcceptsOnlyPathsOnTheSelectedDrive) {
  EXPECT_EQ(IsOnCheckDrive(OnlyDrive('C'), GetParam().path), GetParam().onCheckDrive);
}

INSTANTIATE_TEST_SUITE_P(Paths, CheckDriveTest,
                         ::testing::Values(DriveCase{"C:\\X", true}, DriveCase{"c:\\x", true},
                                           DriveCase{"C:\\WINDOWS\\NOTEPAD.EXE", true},
                                           DriveCase{"C:\\", false}, DriveCase{"C:", false},
                                           DriveCase{"", false}, DriveCase{"D:\\X", false},
                                           DriveCase{"C:/X", false}, DriveCase{"C:X\\", false},
                                           DriveCase{"\\\\C\\X", false}, DriveCase{"X.EXE", false},
                                           DriveCase{"\"C:\\X\"", false}));

TEST(CheckDrive, CharactersNextToTheLettersNeverCount) {
  DriveFlags all{};
  all.fill(1);
  for (const char first : {'@', '[', '`', '{', '1', ':', '\xC3'}) {
    EXPECT_FALSE(IsOnCheckDrive(all, std::string{first} + ":\\X")) << first;
  }
  EXPECT_TRUE(IsOnCheckDrive(all, "Z:\\X"));
  EXPECT_TRUE(IsOnCheckDrive(all, "a:\\X"));
}

TEST(CheckDrive, OnlyFlagOneSelects) {
  DriveFlags flags{};
  flags[*DriveIndex('C')] = 2;
  EXPECT_FALSE(IsOnCheckDrive(flags, "C:\\X"));
}

class FolderOnCheckDrive : public ::testing::Test {
 protected:
  FolderOnCheckDrive() {
    memory_.files.AddDrive('D', platform::kDriveFixed);
    memory_.files.AddFolder("D:\\DATA");
    memory_.files.AddFile("C:\\WINDOWS\\WIN.INI");
  }
  bool IsFolder(std::string_view path) {
    return IsFolderOnCheckDrive(memory_.files, OnlyDrive('C'), path);
  }
  memory::MemoryPlatform memory_;
};

TEST_F(FolderOnCheckDrive, ExistingFolderOnTheSelectedDrive) {
  EXPECT_TRUE(IsFolder("C:\\WINDOWS"));
  EXPECT_TRUE(IsFolder("c:\\windows\\system32"));
}

TEST_F(FolderOnCheckDrive, FilesMissingPathsAndOtherDrivesAreNoFolders) {
  EXPECT_FALSE(IsFolder("C:\\WINDOWS\\WIN.INI"));
  EXPECT_FALSE(IsFolder("C:\\NOWHERE"));
  EXPECT_FALSE(IsFolder("D:\\DATA"));
  EXPECT_FALSE(IsFolder("C:\\"));
}

TEST_F(FolderOnCheckDrive, FolderWhoseAttributesCannotBeReadIsNone) {
  memory_.files.FailPath("C:\\WINDOWS", platform::FsError::AccessDenied);
  EXPECT_FALSE(IsFolder("C:\\WINDOWS"));
}

TEST(Utf8Characters, StrayBytesAreCharactersOfTheirOwn) {
  EXPECT_EQ(CharacterLength("\xC3\xA4", 0), 2u);
  EXPECT_EQ(CharacterLength("\xE2\x82\xAC", 0), 3u);
  EXPECT_EQ(CharacterLength("\xF0\x9F\x98\x80", 0), 4u);
  EXPECT_EQ(CharacterLength("\xC3", 0), 1u);          // cut off
  EXPECT_EQ(CharacterLength("\xC0\xAF", 0), 1u);      // overlong "/"
  EXPECT_EQ(CharacterLength("\xED\xA0\x80", 0), 1u);  // surrogate
  EXPECT_EQ(CharacterLength("\xF4\x90\x80\x80", 0), 1u);
  EXPECT_TRUE(IsValidUtf8("C:\\ÜBUNG\\ДОМ"));
  EXPECT_FALSE(IsValidUtf8("C:\\\xC4RGER"));
}

}  // namespace
}  // namespace zent
