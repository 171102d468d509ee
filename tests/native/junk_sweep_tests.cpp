// The junk-file sweep on the in-memory platform: what it takes by name, what
// it walks and what it refuses, and how it judges shortcuts.
#include "sweep/junk_sweep.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/utf8.h"
#include "sweep/sweep_guards.h"
#include "tests/native/run_fixture.h"

namespace zent {
namespace {

using memory::MemoryShellLinks;
using namespace platform;  // attribute constants

TEST(JunkKinds, ByNameAndSize) {
  struct Case {
    const char* name;
    std::uint64_t size;
    std::vector<FileCategoryIndex> kinds;
  };
  const Case cases[] = {
      {"~DF12.TMP", 9, {kTempInstallFiles}},
      {"A.$$$", 9, {kTempInstallFiles}},
      {"X.~DF", 9, {kBackupCopies}},
      {"X.~A", 9, {kBackupCopies}},
      {"X.~", 9, {}},
      {"X.~ABC", 9, {}},
      {"X.B~K", 9, {kBakFiles}},
      {"X.---", 9, {kBakFiles}},
      {"page.tmp", 9, {kTempFiles}},
      {"~A.BAK", 9, {kTempInstallFiles, kBakFiles}},
      {"HELP.GID", 4, {}},
      {"HELP.GID", 5, {kHelpIndexes}},
      {"FILE0000.CHK", 0, {}},
      {"FILE0007.CHK", 1, {kCheckDiskFragments}},
      {"edb.chk", 100, {}},
      {"FILE00A1.CHK", 100, {}},
      {"Start.lnk", 9, {kShortcuts}},
      {"DOS.PIF", 9, {kDosShortcuts}},
      {"X.JPEG", 9, {}},
  };
  for (const Case& c : cases) {
    const std::string upper = UpperCaseUtf8(std::string("C:\\D\\") + c.name);
    EXPECT_EQ(JunkKindsOf(upper, c.name, c.size), c.kinds) << c.name;
  }
}

class JunkSweepTest : public ::testing::Test, public testing::RunFixture {
 protected:
  JunkSweepTest() {
    state.SweepDrives[2] = 1;
    state.UnattendedMode = true;
    for (const auto& definition : kSwitchTable) state.Switches.Set(definition.which, true);
  }

  void AddLink(const std::string& path, const std::string& target, bool folder = false,
               std::uint32_t attributes = kAttrArchive) {
    memory.files.AddFile(path, MemoryShellLinks::MakeLinkContent(target, folder), attributes);
  }
  void Sweep() { SweepJunkFiles(run, shellLink); }
  std::vector<std::string> Recorded(FileCategoryIndex index) {
    const CategoryItem* item = categories.Find(index);
    return item ? item->category.EntryNames() : std::vector<std::string>{};
  }
  bool Exists(const std::string& path) {
    return memory.files.FileExists(path) == Presence::Present ||
           memory.files.FolderExists(path) == Presence::Present;
  }

  TShellLink shellLink{memory.links};
};

TEST_F(JunkSweepTest, WalksFilesBeforeSubfoldersAndKeepsWhatIsProtected) {
  memory.files.AddFile("C:\\A.TMP", "x");
  memory.files.AddFolder("C:\\JUNK");
  memory.files.AddFile("C:\\JUNK\\B.TMP", "x");
  memory.files.AddFile("C:\\JUNK\\KEEP.TXT", "x");
  memory.files.AddFile("C:\\JUNK\\NAMED.TMP", "x");
  memory.files.AddFile("C:\\JUNK\\CLOUD.TMP", "x", kAttrArchive | kAttrRecallOnDataAccess);
  memory.files.AddFile("C:\\JUNK\\PENDING.TMP", "x");
  const std::string tooLong = "C:\\JUNK\\" + std::string(250, 'L') + ".TMP";
  memory.files.AddFile(tooLong, "x");
  memory.files.AddFile("C:\\JUNK\\edb.chk", "x");
  memory.files.AddFile("C:\\JUNK\\HELP.GID", std::string("\x3F\x5F\x03\x00\x01", 5));
  memory.files.AddFile("C:\\JUNK\\OTHER.GID", "plain text");
  memory.files.AddFile("C:\\JUNK\\HUGE.GID", std::string("\x3F\x5F\x03\x00\x01", 5));
  memory.files.SetListedSize("C:\\JUNK\\HUGE.GID", 3ull << 30);
  memory.files.AddFolder("C:\\JUNK\\SUB");
  memory.files.AddFile("C:\\JUNK\\SUB\\C.BAK", "x");
  memory.files.AddFolder("C:\\.HIDDEN");
  memory.files.AddFile("C:\\.HIDDEN\\D.TMP", "x");
  memory.files.AddFolder("C:\\EXCLUDED");
  memory.files.AddFile("C:\\EXCLUDED\\E.TMP", "x");
  memory.files.AddFolder("C:\\LINKED", kAttrDirectory | kAttrReparsePoint);
  memory.files.AddFile("C:\\LINKED\\F.TMP", "x");
  memory.files.AddFolder("C:\\~LINKED", kAttrDirectory | kAttrReparsePoint);
  memory.files.AddFile("C:\\~LINKED\\G.TXT", "x");
  memory.files.AddFolder("C:\\$RECYCLE.BIN", kAttrDirectory | kAttrHidden | kAttrSystem);
  memory.files.AddFile("C:\\$RECYCLE.BIN\\H.TXT", "x");
  state.ExcludedFiles.Append("NAMED.TMP");
  state.ExcludedDirs.Append("c:\\excluded");
  memory.registry.SetValue(RegRoot::LocalMachine, kSessionManagerKey, "PendingFileRenameOperations",
                           {kRegMultiSz, std::string("\\??\\C:\\JUNK\\PENDING.TMP\0\0", 26)});

  Sweep();

  EXPECT_EQ(Recorded(kTempFiles),
            (std::vector<std::string>{"C:\\A.TMP", "C:\\JUNK\\B.TMP", "C:\\JUNK\\PENDING.TMP"}));
  EXPECT_EQ(Recorded(kHelpIndexes),
            (std::vector<std::string>{"C:\\JUNK\\HELP.GID", "C:\\JUNK\\HUGE.GID"}));
  EXPECT_EQ(Recorded(kBakFiles), std::vector<std::string>{"C:\\JUNK\\SUB\\C.BAK"});
  EXPECT_TRUE(Recorded(kTempFolders).empty());
  EXPECT_EQ(memory.shell.RecycledPaths(),
            (std::vector<std::string>{"C:\\A.TMP", "C:\\JUNK\\B.TMP", "C:\\JUNK\\HELP.GID",
                                      "C:\\JUNK\\HUGE.GID", "C:\\JUNK\\SUB\\C.BAK"}));
  for (const char* kept : {"C:\\JUNK\\CLOUD.TMP", "C:\\JUNK\\PENDING.TMP", "C:\\JUNK\\edb.chk",
                           "C:\\JUNK\\OTHER.GID", "C:\\LINKED\\F.TMP", "C:\\~LINKED\\G.TXT",
                           "C:\\$RECYCLE.BIN\\H.TXT", "C:\\.HIDDEN\\D.TMP"}) {
    EXPECT_TRUE(Exists(kept)) << kept;
  }
  EXPECT_TRUE(Exists(tooLong));
  EXPECT_EQ(categories.Count(), kFileCategories.size());
  EXPECT_EQ(categories.Find(kTempFiles)->category.SelectionFlags().size(), 3u);
}

TEST_F(JunkSweepTest, TemporaryFolderGoesExceptWhatIsExcludedInside) {
  memory.files.AddFolder("C:\\~TEMP");
  memory.files.AddFile("C:\\~TEMP\\X.TXT", "four");
  memory.files.AddFile("C:\\~TEMP\\KEEP.DLL", "x");
  memory.files.AddFolder("C:\\~TEMP\\SAVED");
  memory.files.AddFolder("C:\\~TEMP\\EMPTY");
  memory.files.AddFolder("C:\\~TEMP\\$STORE", kAttrDirectory | kAttrHidden | kAttrSystem);
  memory.files.AddFile("C:\\~TEMP\\$STORE\\Z.DAT", "xx");
  memory.files.AddFolder("C:\\~GONE");
  memory.files.AddFile("C:\\~GONE\\Y.TXT", "x");
  state.ExcludedFiles.Append("KEEP.DLL");
  state.ExcludedDirs.Append("C:\\~TEMP\\SAVED");

  Sweep();

  EXPECT_EQ(Recorded(kTempFolders), (std::vector<std::string>{"C:\\~TEMP", "C:\\~GONE"}));
  EXPECT_EQ(categories.Find(kTempFolders)->category.EntryDetails()[0], "5");
  EXPECT_TRUE(Exists("C:\\~TEMP\\KEEP.DLL"));
  EXPECT_TRUE(Exists("C:\\~TEMP\\SAVED"));
  EXPECT_TRUE(Exists("C:\\~TEMP\\$STORE\\Z.DAT"));
  EXPECT_FALSE(Exists("C:\\~TEMP\\X.TXT"));
  EXPECT_FALSE(Exists("C:\\~TEMP\\EMPTY"));
  EXPECT_FALSE(Exists("C:\\~GONE"));
}

TEST_F(JunkSweepTest, AbortEndsTheWalkAtTheNextFolderWithoutClosing) {
  memory.files.AddFolder("C:\\JUNK");
  memory.files.AddFile("C:\\JUNK\\B.TMP", "x");
  memory.files.AddFolder("C:\\JUNK\\SUB");
  memory.files.AddFile("C:\\JUNK\\SUB\\C.TMP", "x");
  memory.pump.onPump = [this](int) {
    if (statusLabel == "C:\\JUNK\\") state.AbortRequested = true;
  };

  Sweep();

  EXPECT_EQ(Recorded(kTempFiles), std::vector<std::string>{"C:\\JUNK\\B.TMP"});
  EXPECT_TRUE(categories.Find(kTempFiles)->category.SelectionFlags().empty());
}

// Input stops a temporary folder's size walk and deletion after the file or
// folder at hand: what is in the bin stays there, the rest stays in place.
TEST_F(JunkSweepTest, InputStopsATemporaryFolderAtOnce) {
  struct Case {
    const char* when;
    std::function<bool(int pump, std::size_t recycled)> input;
    std::size_t recycled;
    bool recorded;
  };
  const Case cases[] = {
      {"while the walk shows the drive", [](int pump, std::size_t) { return pump == 2; }, 0, false},
      {"while sizing", [](int pump, std::size_t) { return pump == 3; }, 0, false},
      {"after the first file", [](int, std::size_t recycled) { return recycled == 1; }, 1, true},
      {"after the last file", [](int, std::size_t recycled) { return recycled == 8; }, 8, true},
  };
  for (const Case& c : cases) {
    std::string folder = "C:\\~TEMP";
    for (const char* level : {"", "\\A", "\\B", "\\C"}) {
      folder += level;
      memory.files.AddFile(folder + "\\ONE.TXT", "x");
      memory.files.AddFile(folder + "\\TWO.TXT", "x");
    }
    const std::size_t before = memory.shell.RecycledPaths().size();
    memory.pump.calls = 0;
    memory.pump.onPump = [&](int pump) {
      if (c.input(pump, memory.shell.RecycledPaths().size() - before)) state.AbortRequested = true;
    };
    categories.Clear();
    state.AbortRequested = false;

    Sweep();

    EXPECT_EQ(memory.shell.RecycledPaths().size() - before, c.recycled) << c.when;
    EXPECT_EQ(Recorded(kTempFolders).size(), c.recorded ? 1u : 0u) << c.when;
    EXPECT_TRUE(Exists(folder)) << c.when;
  }
}

TEST_F(JunkSweepTest, WithEverySwitchOffNothingIsRecorded) {
  state.Switches.AllOff();
  memory.files.AddFile("C:\\A.TMP", "x");
  Sweep();
  EXPECT_TRUE(categories.Empty());
  EXPECT_TRUE(Exists("C:\\A.TMP"));
}

TEST_F(JunkSweepTest, ShortcutsAreJudgedByTheTargetTheyLoadedWith) {
  memory.files.AddDrive('D', kDriveRemovable);
  memory.files.AddFolder("C:\\L");
  memory.files.AddFolder("C:\\Users\\J.Doe Smith");
  memory.files.AddFile("C:\\Users\\J.Doe Smith\\app.exe", "x");
  memory.files.AddFolder("C:\\PRESENT");
  // The read-only dead link stays on disk, so a garbage link after it could be
  // judged by its target.
  struct Case {
    const char* link;
    const char* target;
    bool folder;
    bool recorded;
    std::uint32_t attributes = kAttrArchive;
  };
  const Case cases[] = {
      {"C:\\L\\1ROOT.LNK", "C:\\", false, false},
      {"C:\\L\\2READONLY.LNK", "C:\\OLD\\APP.EXE", false, true, kAttrReadOnly},
      {"C:\\L\\3GARBAGE.LNK", nullptr, false, false},
      {"C:\\L\\4OTHERDRIVE.LNK", "D:\\OLD\\APP.EXE", false, false},
      {"C:\\L\\5DEADFOLDER.LNK", "C:\\GONE", true, true},
      {"C:\\L\\6FOLDER.LNK", "C:\\Present", true, false},
      {"C:\\L\\7BLANKS.LNK", "C:\\Users\\J.Doe Smith\\app.exe", false, false},
      {"C:\\L\\8EXCLUDED.LNK", "C:\\OLD\\TOOL.COM", false, false},
      {"C:\\L\\9DOS.PIF", "C:\\OLD\\DOS.EXE", false, true},
      {"C:\\L\\AUNPLUGGED.LNK", "E:\\DATA\\REPORT.DOC", false, false},
      {"C:\\L\\BUNPLUGGED.LNK", "E:\\DATA", true, false},
      {"C:\\L\\C32BITVIEW.LNK", "C:\\Windows\\System32\\only32.exe", false, false},
  };
  for (const Case& c : cases) {
    if (c.target) {
      AddLink(c.link, c.target, c.folder, c.attributes);
    } else {
      memory.files.AddFile(c.link, "not a link");
    }
  }
  state.ExcludedFiles.Append(".COM");
  state.CheckDrives[4] = 1;  // E: is a stick not plugged in
  state.WinDir = "C:\\Windows";
  memory.files.AddFile("C:\\Windows\\SysWOW64\\only32.exe", "x");

  Sweep();

  std::vector<std::string> recorded = Recorded(kShortcuts);
  for (const auto& path : Recorded(kDosShortcuts)) recorded.push_back(path);
  for (const Case& c : cases) {
    const bool isRecorded = std::ranges::find(recorded, c.link) != recorded.end();
    EXPECT_EQ(isRecorded, c.recorded) << c.link;
    const bool stays = !c.recorded || c.attributes == kAttrReadOnly;
    EXPECT_EQ(Exists(c.link), stays) << c.link;
  }
  EXPECT_EQ(categories.Find(kShortcuts)->category.TargetPaths()[0], "C:\\OLD\\APP.EXE");
}

TEST(ShellLinkComponent, AFailedLoadKeepsTheLastLinkAndReports) {
  memory::MemoryPlatform memory;
  memory.files.AddFile("C:\\A.LNK", MemoryShellLinks::MakeLinkContent("C:\\APP.EXE", false));
  memory.files.AddFile("C:\\B.LNK", "garbage");
  std::vector<std::string> reports;
  TShellLink link(memory.links, [&reports](std::string_view text, std::string_view caption) {
    reports.push_back(std::string(caption) + " " + std::string(text));
  });
  link.Quiet = false;
  link.SetPath("C:\\A.LNK");
  link.SetPath("C:\\B.LNK");
  EXPECT_FALSE(link.Success);
  EXPECT_EQ(link.Path(), "C:\\A.LNK");
  EXPECT_EQ(link.Target, "C:\\APP.EXE");
  EXPECT_EQ(reports, std::vector<std::string>{"!! Error !! File not found (or not link)"});
  link.SetUpdate(false);
  EXPECT_TRUE(link.Success);
}

}  // namespace
}  // namespace zent
