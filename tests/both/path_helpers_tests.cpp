// Path texts and exclusion files on the platform under test: the system's own
// environment expansion and upper case, and exclusion files read from a disk.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/exclusions.h"
#include "common/path_helpers.h"
#include "tests/both/test_platform.h"

namespace zent {
namespace {

using Entries = std::vector<std::string>;

TEST(SystemPathTexts, WindowsFolderKeepsTheCaseTheSystemGivesIt) {
  platform::Shell& shell = testing::TestPlatform().shell;
  const std::string windows = shell.ExpandEnvironment("%WINDIR%");
  ASSERT_NE(windows, "%WINDIR%");
  EXPECT_EQ(NormalizePath(shell, "\"%windir%\\notepad.exe\""), windows + "\\NOTEPAD.EXE");
}

TEST(SystemPathTexts, CommandPathIsUpperCasedBeyondAscii) {
  std::string text = "c:\\übung\\дом.exe /s";
  ExtractCommandPath(testing::TestPlatform().shell, text);
  EXPECT_EQ(text, "C:\\ÜBUNG\\ДОМ.EXE");
}

TEST(SystemPathTexts, ExclusionMembershipIgnoresCaseBeyondAscii) {
  ExclusionList dirs(testing::TestPlatform().shell);
  dirs.AppendIfAbsent("C:\\ÄRGER\\ДОМ");
  EXPECT_TRUE(dirs.Contains("c:\\ärger\\дом"));
  EXPECT_FALSE(dirs.Contains("c:\\ärger"));
}

TEST(SystemPathTexts, ExclusionFileOnDiskIsReadInItsCodePage) {
  platform::Platform& system = testing::TestPlatform();
  const std::string path = testing::NewTestFolder() + "DIRSEXP_USER.INI";
  ASSERT_TRUE(system.files.WriteWhole(path, "c:\\\xC4rger\rC:\\Temp\nc:\\temp\r\n"));
  ExclusionList dirs(system.shell);
  LoadExclusionFile(system.files, system.shell, FolderVariables{}, path, dirs, false);
  EXPECT_EQ(dirs.Entries(), (Entries{"C:\\ÄRGER", "C:\\TEMP"}));
}

}  // namespace
}  // namespace zent
