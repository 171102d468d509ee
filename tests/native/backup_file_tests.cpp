// The registry script text of the backups, without any process or registry.
#include "run/backup_file.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_platform.h"
#include "platform/utf8.h"

namespace zent {
namespace {

using Lines = std::vector<std::string>;

struct EscapeCase {
  std::string text;
  std::string escaped;
};

class ScriptEscaping : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(ScriptEscaping, DoublesBackslashesAndEscapesQuotes) {
  EXPECT_EQ(EscapeScriptText(GetParam().text), GetParam().escaped);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ScriptEscaping,
    ::testing::Values(EscapeCase{"C:\\A", "C:\\\\A"},
                      EscapeCase{"\\\\server\\share", "\\\\\\\\server\\\\share"},
                      EscapeCase{"say \"hi\"", "say \\\"hi\\\""},
                      EscapeCase{"\"C:\\P F\\x.exe\" /s", "\\\"C:\\\\P F\\\\x.exe\\\" /s"},
                      EscapeCase{"trailing\\", "trailing\\\\"}, EscapeCase{"", ""},
                      EscapeCase{"Grüße", "Grüße"}));

TEST(ValueBlock, DefaultValueOfAKeyInTheSingleByteForm) {
  EXPECT_EQ(ValueBlockLines(BackupEncoding::Windows1252, "HKEY_CURRENT_USER", "X", "", "C:\\A"),
            (Lines{"REGEDIT4", "", "[HKEY_CURRENT_USER\\X]", "@=\"C:\\\\A\""}));
}

TEST(ValueBlock, NamedValueUnderTheUnicodeHeaderKeepsTheKeyPathUnescaped) {
  EXPECT_EQ(
      ValueBlockLines(BackupEncoding::Utf16Le, "HKEY_LOCAL_MACHINE", "Software\\A \"B\"",
                      "Na\\me \"q\"", "\\\\server\\x"),
      (Lines{"Windows Registry Editor Version 5.00", "", "[HKEY_LOCAL_MACHINE\\Software\\A \"B\"]",
             "\"Na\\\\me \\\"q\\\"\"=\"\\\\\\\\server\\\\x\""}));
}

TEST(ValueBlock, TextsThatCannotBeOneLineGiveNoBlock) {
  const std::string nul("a\0b", 3);
  for (const std::string& bad : {std::string("a\rb"), std::string("a\nb"), nul}) {
    EXPECT_FALSE(ValueBlockLines(BackupEncoding::Utf16Le, "HKEY_CURRENT_USER", "K", "", bad));
    EXPECT_FALSE(ValueBlockLines(BackupEncoding::Utf16Le, "HKEY_CURRENT_USER", "K", bad, "t"));
    EXPECT_FALSE(ValueBlockLines(BackupEncoding::Utf16Le, "HKEY_CURRENT_USER", bad, "", "t"));
  }
}

TEST(DecodeScript, Utf16WithMarkAndEveryLineEnd) {
  const auto wide = Utf8ToUtf16Le("REGEDIT4\r\n\r\n[K]\n\"Ä\"=\"€\"\rlast\r\n");
  ASSERT_TRUE(wide);
  EXPECT_EQ(DecodeScriptLines("\xFF\xFE" + *wide),
            (Lines{"REGEDIT4", "", "[K]", "\"Ä\"=\"€\"", "last"}));
}

TEST(DecodeScript, MarkedUtf8LosesItsMarkOtherBytesAreWindows1252) {
  EXPECT_EQ(DecodeScriptLines("\xEF\xBB\xBF[K]\r\n\"n\"=\"\xC3\xA4\""),
            (Lines{"[K]", "\"n\"=\"ä\""}));
  EXPECT_EQ(DecodeScriptLines("[K]\r\n\"\xE4\"=\"\x80\x81\"\r\n\r\n"),
            (Lines{"[K]", "\"ä\"=\"€\u0081\"", ""}));
  // A single-byte export whose bytes happen to form UTF-8 keeps its characters.
  EXPECT_EQ(DecodeScriptLines("[K\xC3\xA4]\r\n"), (Lines{"[KÃ¤]"}));
  EXPECT_EQ(DecodeScriptLines(""), Lines{});
}

TEST(DecodeScript, Utf16WithAnUnpairedSurrogateOrAnOddByteWouldLoseText) {
  const auto wide = Utf8ToUtf16Le("[K]\r\n@=\"\xEF\xBF\xBD\"\r\n");
  ASSERT_TRUE(wide);
  EXPECT_TRUE(DecodesWithoutLoss("\xFF\xFE" + *wide));
  EXPECT_TRUE(DecodesWithoutLoss("[K\xE4]\r\n"));
  EXPECT_FALSE(DecodesWithoutLoss("\xFF\xFE" + *wide + std::string("\x00\xD8", 2)));
  EXPECT_FALSE(DecodesWithoutLoss(std::string("\xFF\xFE\x00\xDC[\0", 6)));
  EXPECT_FALSE(DecodesWithoutLoss("\xFF\xFE" + *wide + "x"));
}

TEST(EncodeScript, Utf16PutsTheMarkOnlyAtTheFileStart) {
  const Lines lines = {"[K]", "@=\"Ω\""};
  const auto first = EncodeScriptLines(lines, BackupEncoding::Utf16Le, true);
  const auto later = EncodeScriptLines(lines, BackupEncoding::Utf16Le, false);
  ASSERT_TRUE(first && later);
  EXPECT_EQ(*first, "\xFF\xFE" + *later);
  EXPECT_EQ(later->substr(0, 4), std::string("[\0K\0", 4));
  EXPECT_EQ(later->substr(later->size() - 4), std::string("\r\0\n\0", 4));
  EXPECT_EQ(DecodeScriptLines(*first), lines);
}

TEST(EncodeScript, Windows1252TakesItsOwnCharactersAndRefusesOthers) {
  EXPECT_EQ(EncodeScriptLines({"€ä", ""}, BackupEncoding::Windows1252, true),
            std::string("\x80\xE4\r\n\r\n"));
  EXPECT_FALSE(EncodeScriptLines({"Ω"}, BackupEncoding::Windows1252, false));
  EXPECT_FALSE(EncodeScriptLines({"\xFF"}, BackupEncoding::Utf16Le, false));
}

TEST(AppendBackupBlock, FirstBlockCreatesTheFileLaterBlocksOnlyAppend) {
  memory::MemoryFileSystem files;
  files.AddDrive('C', platform::kDriveFixed);
  files.AddFolder("C:\\B");
  const std::string path = "C:\\B\\1.reg";
  const Lines first = {"Windows Registry Editor Version 5.00", "", "[HKEY_X\\A]", ""};
  const Lines second = {"Windows Registry Editor Version 5.00", "", "[HKEY_X\\B]", "@=\"b\""};
  ASSERT_TRUE(AppendBackupBlock(files, path, first, BackupEncoding::Utf16Le));
  const auto afterFirst = files.Content(path);
  ASSERT_TRUE(AppendBackupBlock(files, path, second, BackupEncoding::Utf16Le));
  const auto content = files.Content(path);
  ASSERT_TRUE(afterFirst && content);
  // The first block's bytes stay exactly as written; one mark at the start.
  EXPECT_EQ(content->substr(0, afterFirst->size()), *afterFirst);
  EXPECT_EQ(content->find("\xFF\xFE", 2), std::string::npos);
  Lines both = first;
  both.insert(both.end(), second.begin(), second.end());
  EXPECT_EQ(DecodeScriptLines(*content), both);
  // Text the single-byte form cannot hold leaves the file as it was.
  EXPECT_FALSE(AppendBackupBlock(files, path, {"Ω"}, BackupEncoding::Windows1252));
  EXPECT_EQ(files.Content(path), content);
}

TEST(AppendBackupBlock, AnEmptyFileLeftByAFailedFirstWriteGetsTheMark) {
  memory::MemoryFileSystem files;
  files.AddDrive('C', platform::kDriveFixed);
  files.AddFolder("C:\\B");
  files.AddFile("C:\\B\\1.reg", "");
  ASSERT_TRUE(AppendBackupBlock(files, "C:\\B\\1.reg", {"[K]"}, BackupEncoding::Utf16Le));
  EXPECT_EQ(files.Content("C:\\B\\1.reg"), std::string("\xFF\xFE[\0K\0]\0\r\0\n\0", 12));
}

TEST(DatedBackupName, DayNameThenTwoDigitFieldsAndTheYear) {
  EXPECT_EQ(DatedBackupName({2026, 12, 7, 14, 35, 59, 1}, "Mo"), "Mo071220261435");
  EXPECT_EQ(DatedBackupName({2027, 1, 3, 0, 5, 0, 0}, "Sun"), "Sun030120270005");
  // A locale's day name never makes the name unusable as a file name.
  EXPECT_EQ(DatedBackupName({2027, 1, 3, 0, 5, 0, 0}, "S/u:n?"), "Sun030120270005");
}

class MoveToDatedNameTest : public ::testing::Test {
 protected:
  MoveToDatedNameTest() {
    files.AddDrive('C', platform::kDriveFixed);
    files.AddFolder("C:\\B");
    files.AddFile("C:\\B\\1.reg", "new");
  }
  memory::MemoryFileSystem files;
};

TEST_F(MoveToDatedNameTest, TakesTheDatedNameWhenFree) {
  EXPECT_EQ(MoveToDatedName(files, "C:\\B\\1.reg", "C:\\B", "Mo071220261435"),
            "C:\\B\\Mo071220261435.reg");
  EXPECT_EQ(files.Content("C:\\B\\Mo071220261435.reg"), "new");
  EXPECT_FALSE(files.Content("C:\\B\\1.reg"));
}

TEST_F(MoveToDatedNameTest, ABackupOfTheSameMinuteIsKeptAndTheNextFreeSuffixTaken) {
  files.AddFile("C:\\B\\Mo071220261435.reg", "older");
  files.AddFile("C:\\B\\Mo071220261435_2.reg", "old");
  EXPECT_EQ(MoveToDatedName(files, "C:\\B\\1.reg", "C:\\B", "Mo071220261435"),
            "C:\\B\\Mo071220261435_3.reg");
  EXPECT_EQ(files.Content("C:\\B\\Mo071220261435.reg"), "older");
  EXPECT_EQ(files.Content("C:\\B\\Mo071220261435_2.reg"), "old");
  EXPECT_EQ(files.Content("C:\\B\\Mo071220261435_3.reg"), "new");
}

TEST_F(MoveToDatedNameTest, AFailedMoveLeavesTheRunningFile) {
  EXPECT_FALSE(MoveToDatedName(files, "C:\\B\\1.reg", "C:\\NO SUCH FOLDER", "Mo071220261435"));
  EXPECT_EQ(files.Content("C:\\B\\1.reg"), "new");
}

TEST(Utf16Le, RoundTripsBeyondTheBasicPlaneAndMendsLoneSurrogates) {
  const std::string text = "a€\xF0\x9F\x98\x80";
  const auto wide = Utf8ToUtf16Le(text);
  ASSERT_TRUE(wide);
  EXPECT_EQ(*wide, std::string("a\0\xAC\x20\x3D\xD8\x00\xDE", 8));
  EXPECT_EQ(Utf16LeToUtf8(*wide), text);
  EXPECT_EQ(Utf16LeToUtf8(std::string("\x00\xD8x\0y", 5)), "\xEF\xBF\xBDx");
}

}  // namespace
}  // namespace zent
