// The Internet-cache sweep on the in-memory platform: where the registry says
// the caches are, which of those folders are refused, and what is taken.
#include "sweep/cache_sweep.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/native/run_fixture.h"

namespace zent {
namespace {

using platform::MakeTextValue;
using platform::RegRoot;

class CacheSweepTest : public ::testing::Test, public testing::RunFixture {
 protected:
  CacheSweepTest() {
    state.UnattendedMode = true;
    state.Switches.Set(Switch::CustomCache, true);
    state.WinDir = "C:\\WINDOWS";
    memory.shell.SetEnvironment("USERPROFILE", "C:\\Users\\tester");
  }
  void SetDirectory(const std::string& folder) {
    memory.registry.SetValue(RegRoot::LocalMachine, kCachePathsKey, "Directory",
                             MakeTextValue(folder));
  }
  std::vector<std::string> Recorded() {
    return categories.Find(kCacheCategory)->category.EntryNames();
  }
};

TEST_F(CacheSweepTest, FoldersComeFromTheFourSourcesInOrder) {
  SetDirectory("C:\\WINDOWS\\Temporary Internet Files");
  const std::string server = "C:\\PROGRA~1\\BROWSER\\PROGRAM\\BROWSER.EXE -automation";
  for (const char* value : {"LocalServer", "LocalServer32"}) {
    memory.registry.SetValue(RegRoot::ClassesRoot, std::string(kBrowserServerKey) + value, "",
                             MakeTextValue(server));
  }
  for (const char* user : {"zed", "Anna"}) {
    memory.registry.SetValue(RegRoot::LocalMachine, std::string(kNavigatorUsersKey) + "\\" + user,
                             "DirRoot", MakeTextValue(std::string("C:\\NAV\\") + user));
  }
  EXPECT_EQ(CacheFolders(run),
            (std::vector<std::string>{"C:\\WINDOWS\\TEMPORARY INTERNET FILES", "C:\\WINDOWS\\Cache",
                                      "C:\\PROGRA~1\\BROWSER\\PROGRAM\\Cache",
                                      "C:\\NAV\\ANNA\\CACHE", "C:\\NAV\\ANNA\\ARCHIVE",
                                      "C:\\NAV\\ZED\\CACHE", "C:\\NAV\\ZED\\ARCHIVE"}));
  SetDirectory("C:\\CACHE");
  EXPECT_EQ(CacheFolders(run)[0], "C:\\CACHE");
  EXPECT_EQ(CacheFolders(run)[1], "C:\\PROGRA~1\\BROWSER\\PROGRAM\\Cache");
}

TEST_F(CacheSweepTest, FoldersNamingOrHoldingWhatMustStayAreRefused) {
  const std::vector<std::string> kept =
      ProtectedFolders(run, {"C:\\Users\\tester\\Desktop", "D:\\Docs"});
  struct Case {
    const char* folder;
    bool refused;
  };
  const Case cases[] = {
      {"C:\\", true},
      {"C:", true},
      {"c:\\windows", true},
      {"C:\\USERS", true},
      {"C:\\Users\\tester\\", true},
      {"D:\\DOCS", true},
      {"C:\\WINDOWS\\TEMPORARY INTERNET FILES", false},
      {"C:\\Users\\tester\\Desktop\\Cache", false},
      {"C:\\WIN", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsRefusedCacheFolder(memory.shell, c.folder, kept), c.refused) << c.folder;
  }
}

TEST_F(CacheSweepTest, CachedWebFilesGoAndEverythingElseStays) {
  SetDirectory("C:\\WINDOWS\\Temporary Internet Files");
  const std::string cache = "C:\\WINDOWS\\Temporary Internet Files\\";
  for (const char* name :
       {"INDEX.HTML", "STYLE.CSS", "X.JPEG", "SUB\\PAGE.HTM", "SUB\\A.JS", "~X\\PIC.GIF"}) {
    memory.files.AddFile(cache + name, "x");
  }
  memory.files.AddFolder(cache + "LINKED", platform::kAttrDirectory | platform::kAttrReparsePoint);
  memory.files.AddFile(cache + "LINKED\\B.JPG", "x");
  memory.files.AddFile("C:\\WINDOWS\\Cache\\C.ART", "x");
  const std::string upper = "C:\\WINDOWS\\TEMPORARY INTERNET FILES\\";

  SweepInternetCaches(run, {});

  EXPECT_EQ(Recorded(), (std::vector<std::string>{upper + "INDEX.HTML", upper + "SUB\\PAGE.HTM",
                                                  upper + "SUB\\A.JS", upper + "~X\\PIC.GIF",
                                                  "C:\\WINDOWS\\CACHE\\C.ART"}));
  EXPECT_EQ(memory.shell.RecycledPaths().size(), 5u);
  EXPECT_TRUE(memory.files.Content(cache + "STYLE.CSS"));
  EXPECT_TRUE(memory.files.Content(cache + "X.JPEG"));
  EXPECT_TRUE(memory.files.Content(cache + "LINKED\\B.JPG"));
  EXPECT_EQ(categories.Find(kCacheCategory)->category.SelectionFlags().size(), 5u);
}

TEST_F(CacheSweepTest, AProfileNamedAsCacheIsLeftAlone) {
  SetDirectory("C:\\Users\\tester");
  memory.files.AddFile("C:\\Users\\tester\\Documents\\REPORT.HTM", "x");
  memory.files.AddFile("C:\\Users\\Cache\\OLD.GIF", "x");
  SweepInternetCaches(run, {});
  EXPECT_EQ(Recorded(), std::vector<std::string>{"C:\\USERS\\CACHE\\OLD.GIF"});
  EXPECT_TRUE(memory.files.Content("C:\\Users\\tester\\Documents\\REPORT.HTM"));
}

// What the registry names is judged only once resolved: every spelling that
// lands on a drive, a known folder or a folder above one takes nothing, while
// the browser's own cache is swept at its real path.
struct NamedCache {
  const char* name;
  const char* directory;
  std::vector<std::string> recycled;
};

class CacheNamedAs : public CacheSweepTest, public ::testing::WithParamInterface<NamedCache> {
 protected:
  CacheNamedAs() {
    const std::string profile = "C:\\Users\\tester";
    const std::string cache = profile + "\\AppData\\Local\\INetCache";
    for (const std::string& file : std::vector<std::string>{
             "C:\\WINDOWS\\SYSTEM32\\SHELL.HTM", "C:\\Program Files\\App\\HELP.HTM",
             profile + "\\Pictures\\HOLIDAY.JPG", cache + "\\A.JPG"}) {
      memory.files.AddFile(file, "x");
    }
    memory.files.SetShortName("C:\\Program Files", "PROGRA~1");
    memory.files.AddJunction("C:\\LINKS\\PROFILE", profile);
    memory.shell.knownFolders = {{profile, false},
                                 {profile + "\\Pictures", false},
                                 {profile + "\\AppData\\Local", false},
                                 {"C:\\Program Files", false},
                                 {cache, true}};
  }
};

TEST_P(CacheNamedAs, IsJudgedWhereItLeads) {
  SetDirectory(GetParam().directory);
  SweepInternetCaches(run, {});
  EXPECT_EQ(memory.shell.RecycledPaths(), GetParam().recycled);
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, CacheNamedAs,
    ::testing::Values(NamedCache{"DriveRootWithDot", "C:\\.", {}},
                      NamedCache{"DriveRootWithSlash", "C:\\/", {}},
                      NamedCache{"SystemFolderDotDot", "C:\\WINDOWS\\SYSTEM32\\..", {}},
                      NamedCache{"TrailingDot", "C:\\WINDOWS.", {}},
                      NamedCache{"DoubledSeparator", "C:\\\\WINDOWS", {}},
                      NamedCache{"ShortName", "C:\\PROGRA~1", {}},
                      NamedCache{"AboveTheProfile", "%USERPROFILE%\\..", {}},
                      NamedCache{"KnownFolder", "C:\\Users\\tester\\Pictures", {}},
                      NamedCache{"LinkOnTheWay", "C:\\LINKS\\PROFILE\\Pictures", {}},
                      NamedCache{"BrowserCache",
                                 "C:\\Users\\tester\\AppData\\Local\\INetCache\\.",
                                 {"C:\\USERS\\TESTER\\APPDATA\\LOCAL\\INETCACHE\\A.JPG"}}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace zent
