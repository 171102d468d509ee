// The recycle bin under Wine, which keeps it as a freedesktop trash in the
// sandbox (mapped to ZENT_TRASH_DRIVE): a file goes there whole, and where the
// bin cannot take it the file stays where it was, whatever the shell did.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/win32/text.h"
#include "tests/both/test_platform.h"

namespace zent {
namespace {

using platform::Presence;
using platform::RecycleOutcome;

platform::Platform& P() { return testing::TestPlatform(); }

std::string TrashDrive() {
  const char* drive = std::getenv("ZENT_TRASH_DRIVE");
  return drive ? drive : "";
}

std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : P().files.List(folder + "*.*", 0x3F).entries) {
    if (entry.name != "." && entry.name != "..") names.push_back(entry.name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Takes the trash's "files" folder away and puts a plain file in its place,
// so that Wine's trash fails on every file, as a full or missing bin would.
class BrokenTrash {
 public:
  BrokenTrash() {
    EXPECT_TRUE(P().files.Rename(Files(), Files() + ".away"));
    EXPECT_TRUE(P().files.WriteWhole(Files(), "not a folder"));
  }
  ~BrokenTrash() {
    P().files.Delete(Files());
    P().files.Rename(Files() + ".away", Files());
  }

 private:
  static std::string Files() { return TrashDrive() + "\\files"; }
};

// What SHFileOperation alone does when the bin cannot take a file: it deletes
// it for good without a word. This is why the shell layer guards it.
void ShellDeleteWithUndo(const std::string& path) {
  std::wstring from = win32::Widen(path);
  from.append(2, L'\0');
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  SHFileOperationW(&operation);
}

class Win32RecycleBin : public ::testing::Test {
 protected:
  void SetUp() override {
    if (TrashDrive().empty()) GTEST_SKIP() << "tools/wine-sandbox.sh maps the trash";
    folder_ = testing::NewTestFolder();
  }
  std::string folder_;
};

TEST_F(Win32RecycleBin, MovesTheFileWholeIntoTheTrash) {
  const auto path = folder_ + "Ωmega 漢字.tmp";
  ASSERT_TRUE(P().files.WriteWhole(path, "junk content"));
  EXPECT_EQ(P().shell.MoveToRecycleBin(path), RecycleOutcome::Recycled);
  EXPECT_EQ(P().files.FileExists(path), Presence::Missing);
  EXPECT_TRUE(NamesIn(folder_).empty()) << "no second name may stay behind";
  EXPECT_EQ(P().files.ReadWhole(TrashDrive() + "\\files\\Ωmega 漢字.tmp"), "junk content");
  EXPECT_EQ(P().files.FileExists(TrashDrive() + "\\info\\Ωmega 漢字.tmp.trashinfo"),
            Presence::Present);
}

TEST_F(Win32RecycleBin, TheShellAloneWouldDeleteForGoodWhenTheBinRefuses) {
  const auto path = folder_ + "sacrificed.tmp";
  ASSERT_TRUE(P().files.WriteWhole(path, "gone"));
  const BrokenTrash broken;
  ShellDeleteWithUndo(path);
  EXPECT_EQ(P().files.FileExists(path), Presence::Missing);
  EXPECT_EQ(P().files.FileExists(TrashDrive() + "\\files.away\\sacrificed.tmp"), Presence::Missing);
}

TEST_F(Win32RecycleBin, AFileTheBinRefusesStaysWithItsContent) {
  const auto path = folder_ + "keep me.doc";
  ASSERT_TRUE(P().files.WriteWhole(path, "precious"));
  ASSERT_TRUE(P().files.SetAttributes(path, platform::kAttrHidden));
  {
    const BrokenTrash broken;
    EXPECT_EQ(P().shell.MoveToRecycleBin(path), RecycleOutcome::Refused);
  }
  EXPECT_EQ(P().files.ReadWhole(path), "precious");
  EXPECT_TRUE(P().files.Attributes(path).attributes & platform::kAttrHidden);
  EXPECT_EQ(NamesIn(folder_), std::vector<std::string>{"keep me.doc"});
}

TEST_F(Win32RecycleBin, AFileOnADriveWithoutBinStays) {
  const char* drive = std::getenv("ZENT_NOBIN_DRIVE");
  if (drive == nullptr) GTEST_SKIP() << "tools/wine-tests.sh maps a drive without bin";
  const std::string folder = std::string(drive) + "\\nobin\\";
  ASSERT_TRUE(P().files.CreateFolders(folder));
  const auto path = folder + "usb stick.txt";
  ASSERT_TRUE(P().files.WriteWhole(path, "on another device"));
  EXPECT_EQ(P().shell.MoveToRecycleBin(path), RecycleOutcome::Refused);
  EXPECT_EQ(P().files.ReadWhole(path), "on another device");
  EXPECT_EQ(NamesIn(folder), std::vector<std::string>{"usb stick.txt"});
}

// The shell takes no path beyond MAX_PATH, so such a file goes by its short
// name; the bin still records where it came from, under its own name.
TEST_F(Win32RecycleBin, APathBeyondMaxPathGoesByItsShortName) {
  std::string deep = folder_;
  for (int i = 0; i < 5; ++i) deep += std::string(55, static_cast<char>('k' + i)) + "\\";
  ASSERT_TRUE(P().files.CreateFolders(deep));
  const auto path = deep + "a rather long file name.tmp";
  ASSERT_GT(path.size(), 300u);
  ASSERT_TRUE(P().files.WriteWhole(path, "deep junk"));
  EXPECT_EQ(P().shell.MoveToRecycleBin(path), RecycleOutcome::Recycled);
  EXPECT_EQ(P().files.FileExists(path), Presence::Missing);
  EXPECT_TRUE(NamesIn(deep).empty());

  const std::string origin =
      "/lllllllllllllllllllllllllllllllllllllllllllllllllllllll/"
      "mmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmm/"
      "nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn/"
      "ooooooooooooooooooooooooooooooooooooooooooooooooooooooo/"
      "a%20rather%20long%20file%20name.tmp\n";
  int found = 0;
  for (const auto& info : NamesIn(TrashDrive() + "\\info\\")) {
    const auto text = P().files.ReadWhole(TrashDrive() + "\\info\\" + info);
    if (!text || text->find(origin) == std::string::npos) continue;
    ++found;
    const auto stored = info.substr(0, info.size() - std::string(".trashinfo").size());
    EXPECT_EQ(P().files.ReadWhole(TrashDrive() + "\\files\\" + stored), "deep junk");
  }
  EXPECT_EQ(found, 1);
}

TEST_F(Win32RecycleBin, RefusesWhatIsNotExactlyOneFile) {
  ASSERT_TRUE(P().files.WriteWhole(folder_ + "a.tmp", "a"));
  ASSERT_TRUE(P().files.WriteWhole(folder_ + "b.tmp", "b"));
  ASSERT_TRUE(P().files.CreateFolders(folder_ + "sub"));
  ASSERT_TRUE(P().files.WriteWhole(folder_ + "sub\\inner.txt", "inner"));
  ASSERT_TRUE(P().files.WriteWhole(folder_ + "ro.tmp", "read-only"));
  ASSERT_TRUE(P().files.SetAttributes(folder_ + "ro.tmp", platform::kAttrReadOnly));
  const std::vector<std::string> refused = {
      folder_ + "ro.tmp",
      folder_ + "*.tmp",
      folder_ + "?.tmp",
      folder_ + "sub",
      folder_ + "sub\\",
      folder_ + "missing.tmp",
      folder_ + "a.tmp" + std::string("\0", 1) + folder_ + "b.tmp",
      "",
  };
  for (const auto& path : refused) {
    EXPECT_EQ(P().shell.MoveToRecycleBin(path), RecycleOutcome::Refused) << path;
  }
  EXPECT_EQ(NamesIn(folder_), (std::vector<std::string>{"a.tmp", "b.tmp", "ro.tmp", "sub"}));
  EXPECT_EQ(P().files.ReadWhole(folder_ + "sub\\inner.txt"), "inner");
  EXPECT_EQ(P().files.ReadWhole(folder_ + "ro.tmp"), "read-only");
  EXPECT_TRUE(P().files.SetAttributes(folder_ + "ro.tmp", 0));
}

TEST_F(Win32RecycleBin, ARelativePathIsTakenFromTheCurrentFolder) {
  ASSERT_TRUE(P().files.WriteWhole(folder_ + "relative.tmp", "here"));
  wchar_t previous[MAX_PATH];
  ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(win32::Widen(folder_).c_str()));
  const auto outcome = P().shell.MoveToRecycleBin("relative.tmp");
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(outcome, RecycleOutcome::Recycled);
  EXPECT_TRUE(NamesIn(folder_).empty());
}

TEST(Win32Shell, ExpandsEnvironmentOfAnyLength) {
  auto& shell = P().shell;
  const std::string longValue(5000, 'v');
  ASSERT_TRUE(SetEnvironmentVariableW(L"ZENT_LONG", win32::Widen(longValue).c_str()));
  ASSERT_TRUE(SetEnvironmentVariableW(L"ZENT_GREEK", L"Ωμέγα"));
  EXPECT_EQ(shell.ExpandEnvironment("<%ZENT_LONG%>"), "<" + longValue + ">");
  EXPECT_EQ(shell.ExpandEnvironment("%zent_greek%\\%ZENT_UNSET%"), "Ωμέγα\\%ZENT_UNSET%");
  EXPECT_EQ(shell.ExpandEnvironment(std::string("%ZENT_GREEK%\0%ZENT_GREEK%", 25)),
            std::string("Ωμέγα\0Ωμέγα", sizeof "Ωμέγα\0Ωμέγα" - 1));
  EXPECT_EQ(shell.ExpandEnvironment(""), "");
}

TEST(Win32Shell, UpperCaseKeepsWhatHasNoCapital) {
  auto& shell = P().shell;
  EXPECT_EQ(shell.UpperCase("straße ǆ ﬁ 漢字 123"), "STRAßE Ǆ ﬁ 漢字 123");
  EXPECT_EQ(shell.UpperCase(std::string("a\0b", 3)), std::string("A\0B", 3));
  EXPECT_EQ(shell.UpperCase(""), "");
}

}  // namespace
}  // namespace zent
