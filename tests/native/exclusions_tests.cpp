// The exclusion files and lists on the in-memory platform: the line rules of
// the shipped and the user's files, line endings, files that are missing,
// locked or garbage, and the whole-entry membership the sweeps rely on.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/exclusions.h"
#include "common/path_helpers.h"
#include "platform/memory/memory_platform.h"

namespace zent {
namespace {

using namespace std::string_literals;
using Entries = std::vector<std::string>;

FolderVariables SampleFolders() {
  return FolderVariables{.winDirectory = "C:\\Windows",
                         .sysDirectory = "C:\\Windows\\System32",
                         .programsFolder = "C:\\Start\\Programs",
                         .recentFolder = "C:\\Profile\\Recent",
                         .startMenuFolder = "C:\\Start",
                         .documentsFolder = "",
                         .desktopFolder = "C:\\Profile\\Desktop",
                         .startUpFolder = "C:\\Start\\Programs\\StartUp",
                         .sendToFolder = "C:\\Profile\\SendTo",
                         .fontsFolder = "C:\\Windows\\Fonts",
                         .personalFolder = "C:\\Profile\\Documents"};
}

struct LineCase {
  std::string line;
  std::string entry;
};

void PrintTo(const LineCase& c, std::ostream* out) { *out << '"' << c.line << '"'; }

class ExclusionLineExpansion : public ::testing::TestWithParam<LineCase> {
 protected:
  ExclusionLineExpansion() { memory_.shell.SetEnvironment("WINDIR", "C:\\Windows"); }
  memory::MemoryPlatform memory_;
};

TEST_P(ExclusionLineExpansion, GivesTheEntry) {
  EXPECT_EQ(ExpandExclusionLine(memory_.shell, SampleFolders(), GetParam().line), GetParam().entry);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ExclusionLineExpansion,
    ::testing::Values(
        LineCase{"c:\\plain\\entry", "C:\\PLAIN\\ENTRY"}, LineCase{";C:\\WINDOWS", ""},
        LineCase{";", ""}, LineCase{" ;C:\\X", " ;C:\\X"},
        LineCase{"\"%WINDIR%\\TEMP\"", "C:\\Windows\\TEMP"}, LineCase{"%UNSET%\\X", "%UNSET%\\X"},
        // A "*" anywhere makes a variable line, whose first character goes.
        LineCase{"C:\\TEMP\\*.TMP", ":\\TEMP\\*.TMP"}, LineCase{"*DOCUMENTSDIR\\X", "\\X"},
        LineCase{"*windir\\system\\x.dll", "C:\\Windows\\SYSTEM\\X.DLL"},
        LineCase{"\"*SYSDIR\\A\\*\\B\"", "C:\\Windows\\System32\\A\\*\\B"},
        LineCase{"*FOO\\BAR", "FOO\\BAR"}, LineCase{"*\\X", "\\X"},
        // Without a backslash there is no variable name: only the "*" goes.
        LineCase{"*WINDIR", "WINDIR"}, LineCase{"*", ""},
        // The first character goes whole, even when it is not ASCII.
        LineCase{"é*X", "*X"}, LineCase{"€*WINDIR\\X", "*WINDIR\\X"}));

TEST(ExclusionLineExpansion, EveryVariableNamesItsOwnFolder) {
  memory::MemoryPlatform memory;
  const FolderVariables folders = SampleFolders();
  const std::vector<std::pair<std::string, std::string>> variables = {
      {"WINDIR", folders.winDirectory},          {"SYSDIR", folders.sysDirectory},
      {"PROGRAMSDIR", folders.programsFolder},   {"RECENTDIR", folders.recentFolder},
      {"STARTMENUDIR", folders.startMenuFolder}, {"DOCUMENTSDIR", folders.documentsFolder},
      {"DESKTOPDIR", folders.desktopFolder},     {"STARTUPDIR", folders.startUpFolder},
      {"SENDTODIR", folders.sendToFolder},       {"FONTSDIR", folders.fontsFolder},
      {"PERSONALDIR", folders.personalFolder}};
  for (const auto& [name, folder] : variables) {
    EXPECT_EQ(ExpandExclusionLine(memory.shell, folders, "*" + name + "\\F.DAT"),
              folder + "\\F.DAT")
        << name;
  }
}

class ExclusionFiles : public ::testing::Test {
 protected:
  ExclusionFiles() {
    memory_.files.AddFolder("C:\\PRODUCT");
    memory_.shell.SetEnvironment("WINDIR", "C:\\Windows");
  }
  static std::string PathOf(std::string_view name) { return "C:\\PRODUCT\\" + std::string(name); }
  void Write(std::string_view name, std::string_view bytes) {
    memory_.files.AddFile(PathOf(name), bytes);
  }
  Entries Load(std::string_view name, bool expand) {
    LoadExclusionFile(memory_.files, memory_.shell, folders_, PathOf(name), list_, expand);
    return list_.Entries();
  }

  memory::MemoryPlatform memory_;
  FolderVariables folders_ = SampleFolders();
  ExclusionList list_{memory_.shell};
};

TEST_F(ExclusionFiles, ShippedFileExpandsAndUpperCasesItsLines) {
  Write("DIRSEXP.INI",
        ";C:\\WINDOWS\r\n\"%WINDIR%\\TEMP\"\r\n*windir\\Cache\r\nC:\\TEMP\\*.TMP\r\n"
        "*DOCUMENTSDIR\\X\r\n\r\n*FOO\\BAR\r\n");
  EXPECT_EQ(Load("DIRSEXP.INI", true), (Entries{"C:\\WINDOWS\\TEMP", "C:\\WINDOWS\\CACHE",
                                                ":\\TEMP\\*.TMP", "\\X", "FOO\\BAR"}));
}

TEST_F(ExclusionFiles, UserFileIsTakenAsItStands) {
  Write("DIRSEXP_USER.INI", ";C:\\Windows\r\n\"%WINDIR%\\temp\"\r\n*WINDIR\\X\r\n");
  EXPECT_EQ(Load("DIRSEXP_USER.INI", false),
            (Entries{";C:\\WINDOWS", "\"%WINDIR%\\TEMP\"", "*WINDIR\\X"}));
  EXPECT_FALSE(list_.Contains("C:\\WINDOWS\\TEMP"));
}

// A trailing separator or blank names no other file, in the shipped and the
// user's files, single-byte or UTF-16; a short name protects its long path.
TEST_F(ExclusionFiles, EntriesMatchTheLongPathsTheWalksBuild) {
  memory_.files.AddFile("C:\\Program Files\\App\\KEEP.DAT");
  memory_.files.SetShortName("C:\\Program Files", "PROGRA~1");
  const struct {
    const char* file;
    std::string bytes;
    bool expand;
    const char* probe;
  } cases[] = {
      {"DIRSEXP.INI", "C:\\Games\\\r\n", true, "C:\\GAMES"},
      {"DIRSEXP_USER.INI", "C:\\Tools\\ \r\n", false, "C:\\TOOLS"},
      {"FILESEXP_USER.INI",
       "\xFF\xFE"
       "W\0I\0N\0.\0I\0N\0I\0 \0\r\0"s,
       false, "WIN.INI"},
      {"FILESEXP_USER.INI", "C:\\PROGRA~1\\APP\\KEEP.DAT\r\n", false,
       "C:\\Program Files\\App\\KEEP.DAT"},
  };
  for (const auto& c : cases) {
    ExclusionList list(memory_.shell);
    memory_.files.WriteWhole(PathOf(c.file), c.bytes);
    LoadExclusionFile(memory_.files, memory_.shell, folders_, PathOf(c.file), list, c.expand);
    EXPECT_TRUE(list.Contains(c.probe)) << c.file << ": " << c.probe;
  }
}

TEST_F(ExclusionFiles, EntryListedTwiceInAnyCaseIsHeldOnce) {
  Write("DIRSEXP.INI", "C:\\Games\r\nc:\\games\r\n");
  Write("DIRSEXP_USER.INI", "C:\\GAMES\r\nC:\\Tools\r\n");
  Load("DIRSEXP.INI", true);
  EXPECT_EQ(Load("DIRSEXP_USER.INI", false), (Entries{"C:\\GAMES", "C:\\TOOLS"}));
}

TEST_F(ExclusionFiles, EveryLineEndingEndsALine) {
  const Entries expected = {"A.DLL", "B.DLL", "C.DLL"};
  for (const std::string bytes :
       {"A.DLL\rB.DLL\rC.DLL", "A.DLL\nB.DLL\nC.DLL\n", "A.DLL\r\nB.DLL\r\nC.DLL\r\n",
        "A.DLL\r\n\r\nB.DLL\n\rC.DLL\r\r"}) {
    ExclusionList list(memory_.shell);
    memory_.files.WriteWhole(PathOf("FILESEXP.INI"), bytes);
    LoadExclusionFile(memory_.files, memory_.shell, folders_, PathOf("FILESEXP.INI"), list, true);
    EXPECT_EQ(list.Entries(), expected) << ::testing::PrintToString(bytes);
  }
}

TEST_F(ExclusionFiles, MissingFileAddsNothing) {
  list_.Append("C:\\RECYCLED");
  EXPECT_EQ(Load("FILESEXP.INI", true), Entries{"C:\\RECYCLED"});
}

TEST_F(ExclusionFiles, FileThatCannotBeReadAddsNothing) {
  Write("FILESEXP.INI", "LOCKED.DLL\r\n");
  const auto held = memory_.files.OpenExclusive(PathOf("FILESEXP.INI"));
  ASSERT_NE(held, nullptr);
  EXPECT_TRUE(Load("FILESEXP.INI", true).empty());

  memory_.files.FailPath(PathOf("FILESEXP.INI"), platform::FsError::AccessDenied);
  EXPECT_TRUE(Load("FILESEXP.INI", false).empty());
}

TEST_F(ExclusionFiles, NulEndsALineAndKeepsWhatFollows) {
  Write("DIRSEXP.INI", "C:\\KEEP\0JUNK\r\nC:\\NEXT\r\n"s);
  EXPECT_EQ(Load("DIRSEXP.INI", true), (Entries{"C:\\KEEP", "JUNK", "C:\\NEXT"}));
}

TEST_F(ExclusionFiles, CodePageBytesAreReadAsWindows1252) {
  Write("DIRSEXP_USER.INI", "C:\\\xC4rger\r\nC:\\\x80uro\x9F\r\n");
  EXPECT_EQ(Load("DIRSEXP_USER.INI", false), (Entries{"C:\\ÄRGER", "C:\\€URO\u0178"}));
}

TEST_F(ExclusionFiles, Utf8FileIsReadAsUtf8WithoutItsMark) {
  Write("DIRSEXP_USER.INI",
        "\xEF\xBB\xBF"
        "C:\\Ärger\r\nC:\\Дом\r\n");
  EXPECT_EQ(Load("DIRSEXP_USER.INI", false), (Entries{"C:\\ÄRGER", "C:\\ДОМ"}));
}

TEST_F(ExclusionFiles, Utf16FileWithItsMarkIsDecoded) {
  Write("FILESEXP_USER.INI",
        "\xFF\xFE"
        "W\0I\0N\0.\0I\0N\0I\0\r\0\n\0\xC4\0\x3D\xD8\x00\xDE\r\0"s);
  EXPECT_EQ(Load("FILESEXP_USER.INI", false), (Entries{"WIN.INI", "Ä\U0001F600"}));
}

TEST_F(ExclusionFiles, Utf16SurrogatesWithoutTheirPartnerBecomeReplacements) {
  Write("FILESEXP_USER.INI",
        "\xFF\xFE"
        "A\0\x4E\xDD"
        "B\0\r\0\x3D\xD8\r\0\x3D\xD8"s);
  EXPECT_EQ(Load("FILESEXP_USER.INI", false), (Entries{"A\uFFFDB", "\uFFFD"}));
}

TEST_F(ExclusionFiles, BinaryGarbageGivesOnlyCleanEntries) {
  std::mt19937 random(20261208);
  std::string bytes(64 * 1024, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  Write("FILESEXP.INI", bytes);
  Write("FILESEXP_USER.INI", bytes);
  Load("FILESEXP.INI", true);
  const Entries entries = Load("FILESEXP_USER.INI", false);

  ASSERT_FALSE(entries.empty());
  std::set<std::string> seen;
  for (const std::string& entry : entries) {
    EXPECT_FALSE(entry.empty());
    EXPECT_TRUE(IsValidUtf8(entry));
    EXPECT_EQ(entry.find_first_of("\r\n\0"s), std::string::npos);
    EXPECT_EQ(memory_.shell.UpperCase(entry), entry);
    EXPECT_TRUE(seen.insert(entry).second) << "held twice: " << entry;
  }
}

TEST_F(ExclusionFiles, MegabyteLineIsOneEntry) {
  const std::string line = "C:\\" + std::string(1 << 20, 'x');
  Write("DIRSEXP.INI", "\"" + line + "\"\r\nC:\\AFTER\r\n");
  const Entries entries = Load("DIRSEXP.INI", true);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], memory_.shell.UpperCase(line));
  EXPECT_EQ(entries[1], "C:\\AFTER");
}

TEST(ExclusionList, MatchesWholeEntriesWithoutRegardToCase) {
  memory::MemoryPlatform memory;
  ExclusionList files(memory.shell);
  files.AppendIfAbsent("WIN.INI");
  files.AppendIfAbsent("C:\\ÄRGER\\X.DLL");
  files.AppendIfAbsent(".LNK");

  EXPECT_TRUE(files.Contains("win.ini"));
  EXPECT_TRUE(files.Contains("c:\\ärger\\x.dll"));
  EXPECT_TRUE(files.Contains(".lnk"));
  EXPECT_FALSE(files.Contains("C:\\WINDOWS\\WIN.INI"));
  EXPECT_FALSE(files.Contains("WIN.IN"));
  EXPECT_FALSE(files.Contains("WIN.INI "));
  EXPECT_FALSE(files.Contains("*.INI"));
  EXPECT_FALSE(files.Contains(""));
}

TEST(ExclusionList, AppendIfAbsentRefusesEmptyAndEqualEntries) {
  memory::MemoryPlatform memory;
  ExclusionList dirs(memory.shell);
  dirs.Append("C:\\RECYCLED");
  dirs.Append("C:\\RECYCLED");
  EXPECT_FALSE(dirs.AppendIfAbsent("c:\\recycled"));
  EXPECT_FALSE(dirs.AppendIfAbsent(""));
  EXPECT_TRUE(dirs.AppendIfAbsent("C:\\TEMP"));
  EXPECT_EQ(dirs.Entries(), (Entries{"C:\\RECYCLED", "C:\\RECYCLED", "C:\\TEMP"}));
}

TEST_F(ExclusionFiles, FourFilesLoadInTheirOrderAfterTheRecycleBins) {
  Write("FILESEXP.INI", "*SYSDIR\\KERNEL32.DLL\r\nWIN.INI\r\n");
  Write("DIRSEXP.INI", "*WINDIR\\FONTS\r\n");
  Write("FILESEXP_USER.INI", "win.ini\r\nmy.dat\r\n");
  Write("DIRSEXP_USER.INI", "C:\\Games\r\n;C:\\WINDOWS\r\n");
  ExclusionList files(memory_.shell), dirs(memory_.shell);
  dirs.Append("C:\\RECYCLED");
  dirs.Append("C:\\RECYCLER");

  LoadExclusionFiles(memory_.files, memory_.shell, folders_, "C:\\PRODUCT", files, dirs);
  EXPECT_EQ(files.Entries(), (Entries{"C:\\WINDOWS\\SYSTEM32\\KERNEL32.DLL", "WIN.INI", "MY.DAT"}));
  EXPECT_EQ(dirs.Entries(), (Entries{"C:\\RECYCLED", "C:\\RECYCLER", "C:\\WINDOWS\\FONTS",
                                     "C:\\GAMES", ";C:\\WINDOWS"}));
}

// Without a folder the four names would lead to the root of the current drive
// (C: on the in-memory platform): nothing is read from there.
TEST_F(ExclusionFiles, WithoutAFolderNothingIsTakenFromTheCurrentDrivesRoot) {
  memory_.files.AddFile("C:\\FILESEXP.INI", "WIN.INI\r\n");
  memory_.files.AddFile("C:\\DIRSEXP.INI", "*WINDIR\\FONTS\r\n");
  memory_.files.AddFile("C:\\FILESEXP_USER.INI", "my.dat\r\n");
  memory_.files.AddFile("C:\\DIRSEXP_USER.INI", "C:\\Games\r\n");
  ExclusionList files(memory_.shell), dirs(memory_.shell);

  LoadExclusionFiles(memory_.files, memory_.shell, folders_, "", files, dirs);
  EXPECT_EQ(files.Entries(), Entries{});
  EXPECT_EQ(dirs.Entries(), Entries{});
  LoadExclusionFiles(memory_.files, memory_.shell, folders_, "C:", files, dirs);
  EXPECT_EQ(files.Entries(), (Entries{"WIN.INI", "MY.DAT"}));
  EXPECT_EQ(dirs.Entries(), (Entries{"C:\\WINDOWS\\FONTS", "C:\\GAMES"}));
}

}  // namespace
}  // namespace zent
