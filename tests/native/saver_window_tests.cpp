#include "ui/saver_window.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/registry_helpers.h"
#include "platform/memory/memory_platform.h"

namespace zent {
namespace {

using platform::RegRoot;

class NullCanvas final : public platform::Canvas {
 public:
  void FillBackground(const platform::Rect&) override {}
  void SetPixel(int, int, platform::Color) override { ++pixels; }
  void TextOut(int, int, std::string_view) override {}
  int pixels = 0;
};

std::vector<char> DriveLetters(const DriveFlags& flags) {
  std::vector<char> letters;
  for (std::size_t i = 0; i < 26; ++i) {
    if (flags[i]) letters.push_back(static_cast<char>('A' + i));
  }
  return letters;
}

class SaverWindowTest : public ::testing::Test {
 protected:
  SaverWindowTest() {
    memory.files.AddDrive('D', platform::kDriveFixed, "DATA");
    memory.files.AddDrive('E', platform::kDriveCdRom, "DISC");
    memory.files.AddDrive('F', platform::kDriveRemote, "SHARE");
    model.SetHooks(
        {[this] { calls.push_back("stopTimer"); }, [this] { calls.push_back("finishBackup"); },
         [this] { calls.push_back("terminate"); }, [this] { calls.push_back("close"); }});
  }

  void SetProductDirectory(const std::string& folder) {
    memory.registry.SetValue(RegRoot::LocalMachine, "SOFTWARE\\Ortavo\\Kelvaro-ZENT", "EXEPath",
                             platform::MakeTextValue(folder));
  }

  memory::MemoryPlatform memory;
  SaverRunState state{memory.shell};
  std::vector<int> textIds;
  std::vector<std::string> calls;
  SaverWindowModel model{memory.platform(), state, [this](int id) {
                           textIds.push_back(id);
                           return std::string("Please wait...");
                         }};
};

TEST_F(SaverWindowTest, SafetySelectionHoldsTheFixedDrivesAndEveryRecycleBin) {
  model.PrepareSaver({100, 5, false});
  EXPECT_EQ(DriveLetters(state.SweepDrives), (std::vector<char>{'C', 'D'}));
  EXPECT_EQ(DriveLetters(state.CheckDrives), (std::vector<char>{'C', 'D'}));
  EXPECT_EQ(
      state.ExcludedDirs.Entries(),
      (std::vector<std::string>{
          "A:\\RECYCLED", "A:\\RECYCLER", "A:\\$RECYCLE.BIN", "C:\\RECYCLED", "C:\\RECYCLER",
          "C:\\$RECYCLE.BIN", "D:\\RECYCLED", "D:\\RECYCLER", "D:\\$RECYCLE.BIN", "E:\\RECYCLED",
          "E:\\RECYCLER", "E:\\$RECYCLE.BIN", "F:\\RECYCLED", "F:\\RECYCLER", "F:\\$RECYCLE.BIN"}));
  EXPECT_TRUE(state.ExcludedFiles.Entries().empty());
  EXPECT_EQ(model.SweepDriveList.TypeNames()[kTypeNameRemote], "Netzwerklaufwerk");
  EXPECT_EQ(model.CheckDriveList.TypeNames()[kTypeNameRemovable], "Diskettenlaufwerk");
  ASSERT_EQ(model.CheckDriveList.RowCount(), 5u);
  EXPECT_FALSE(model.CheckDriveList.Checked(0));  // A
  EXPECT_TRUE(model.CheckDriveList.Checked(1));   // C
}

TEST_F(SaverWindowTest, ExclusionFilesFollowTheRecycleBinsInLoadOrder) {
  SetProductDirectory("C:\\PROG");
  memory.files.AddFolder("C:\\PROG");
  memory.files.AddFile("C:\\PROG\\DIRSEXP.INI", "*WINDIR\\TEMP\r\n");
  memory.files.AddFile("C:\\PROG\\DIRSEXP_USER.INI", "d:\\keep\r\n");
  memory.files.AddFile("C:\\PROG\\FILESEXP.INI", "%WINDIR%\\WIN.INI\r\n");
  memory.files.AddFile("C:\\PROG\\FILESEXP_USER.INI", "pagefile.sys\r\n");
  model.PrepareSaver({100, 5, false});
  EXPECT_EQ(state.ProductDirectory, "C:\\PROG");
  const auto& dirs = state.ExcludedDirs.Entries();
  ASSERT_EQ(dirs.size(), 17u);
  EXPECT_EQ(dirs[15], "C:\\WINDOWS\\TEMP");
  EXPECT_EQ(dirs[16], "D:\\KEEP");
  EXPECT_EQ(state.ExcludedFiles.Entries(),
            (std::vector<std::string>{"C:\\WINDOWS\\WIN.INI", "PAGEFILE.SYS"}));
  EXPECT_TRUE(state.ExcludedFiles.Contains("pagefile.SYS"));
}

struct ProductPath {
  const char* title;
  std::optional<platform::RegValue> stored;
};

// A product folder that is missing, empty or unreadable leaves the exclusion
// files at the root of the Windows drive; the saver starts.
TEST_F(SaverWindowTest, WithoutAReadableProductFolderTheExclusionFilesComeFromTheRoot) {
  memory.files.AddFile("C:\\FILESEXP.INI", "%WINDIR%\\WIN.INI\r\n");
  memory.files.AddFile("C:\\DIRSEXP_USER.INI", "d:\\keep\r\n");
  for (const ProductPath& test :
       {ProductPath{"missing", std::nullopt}, ProductPath{"empty", platform::MakeTextValue("")},
        ProductPath{"long binary", platform::MakeBinaryValue(std::string(32, '\x7F'))}}) {
    SCOPED_TRACE(test.title);
    RegRemoveValue(memory.registry, RegRoot::LocalMachine, kProductKey,
                   SaverWindowModel::kProductPathValue);
    if (test.stored) {
      memory.registry.SetValue(RegRoot::LocalMachine, kProductKey,
                               SaverWindowModel::kProductPathValue, *test.stored);
    }
    SaverRunState runState{memory.shell};
    SaverWindowModel saver{memory.platform(), runState, [](int) { return std::string(); }};

    EXPECT_NO_THROW(saver.PrepareSaver({100, 5, false}));
    EXPECT_EQ(runState.ProductDirectory, "");
    EXPECT_EQ(runState.ExcludedFiles.Entries(), std::vector<std::string>{"C:\\WINDOWS\\WIN.INI"});
    EXPECT_TRUE(runState.ExcludedDirs.Contains("D:\\KEEP"));
  }
}

TEST_F(SaverWindowTest, SaverModePublishesDirectoriesAndClearsTheRunFlags) {
  state.RepairRunning = true;
  model.CategoryList.Add(9, "left over");
  model.PrepareSaver({100, 5, false});
  EXPECT_FALSE(state.RepairRunning);
  EXPECT_EQ(state.WinDir, "C:\\WINDOWS");
  EXPECT_EQ(state.SysDir, "C:\\WINDOWS\\SYSTEM32");
  EXPECT_EQ(state.FontsDir, model.SystemFacts.FontsFolder());
  EXPECT_TRUE(state.ProductDirectory.empty());
  EXPECT_TRUE(model.CategoryList.Empty());
}

TEST_F(SaverWindowTest, MessageLineIsCentredAcrossTheScreenMiddle) {
  model.PrepareSaver({20, 5, false});
  EXPECT_EQ(textIds, (std::vector<int>{400}));
  const auto& line = model.StatusLabel();
  EXPECT_EQ(line.text, "Please wait...");
  EXPECT_EQ(line.top, 384);
  EXPECT_EQ(line.left, 0);
  EXPECT_EQ(line.width, 1024);
  EXPECT_TRUE(line.centred);
  EXPECT_TRUE(model.MessageVisible());
}

// The window covers every monitor; the stars spread from the middle of all of
// them, the message line stays in the middle of the primary one.
TEST_F(SaverWindowTest, SaverAreaSpansEveryMonitor) {
  struct Case {
    platform::Rect screen;
    int centreX, centreY, lineLeft, lineTop;
  };
  const Case cases[] = {
      {{0, 0, 1024, 768}, 512, 384, 0, 384},
      {{0, 0, 2048, 768}, 1024, 384, 0, 384},
      {{-1280, -256, 1024, 768}, 1152, 512, 1280, 640},
  };
  for (const Case& c : cases) {
    memory.system.virtualScreen = c.screen;
    model.PrepareSaver({20, 5, false});
    const platform::Rect area = model.SaverArea();
    EXPECT_EQ(std::vector<int>({area.left, area.top, area.right, area.bottom}),
              std::vector<int>({c.screen.left, c.screen.top, c.screen.right, c.screen.bottom}));
    EXPECT_EQ(model.Stars().ScreenCenterX(), c.centreX) << c.screen.left;
    EXPECT_EQ(model.Stars().ScreenCenterY(), c.centreY) << c.screen.left;
    EXPECT_EQ(model.StatusLabel().left, c.lineLeft) << c.screen.left;
    EXPECT_EQ(model.StatusLabel().top, c.lineTop) << c.screen.left;
    EXPECT_EQ(model.StatusLabel().width, 1024);
  }
}

TEST_F(SaverWindowTest, DialogModeStopsAfterTheStarfield) {
  state.DialogMode = true;
  state.RepairRunning = true;
  model.PrepareSaver({6000, 4, true});
  EXPECT_EQ(model.StarCount(), 5000);
  EXPECT_EQ(model.StarSpeed(), 4);
  EXPECT_TRUE(model.BlockStars());
  EXPECT_EQ(model.Stars().ArrayLength(), 5004u);
  EXPECT_EQ(model.SweepDriveList.RowCount(), 0u);
  EXPECT_TRUE(state.ExcludedDirs.Entries().empty());
  EXPECT_EQ(DriveLetters(state.SweepDrives), std::vector<char>{});
  EXPECT_TRUE(state.RepairRunning);
}

TEST_F(SaverWindowTest, FirstMoveIsRecordedAndTheNextElsewhereEndsTheSaver) {
  model.PrepareSaver({10, 5, false});
  EXPECT_FALSE(model.HandleInput(InputEvent::MouseMove, 40, 40));
  EXPECT_FALSE(model.HandleInput(InputEvent::MouseMove, 40, 40));
  EXPECT_FALSE(state.AbortRequested);
  EXPECT_TRUE(model.HandleInput(InputEvent::MouseMove, 41, 40));
  EXPECT_TRUE(state.AbortRequested);
  EXPECT_EQ(calls, (std::vector<std::string>{"stopTimer", "terminate"}));
  EXPECT_EQ(memory.pump.calls, 1);
  EXPECT_EQ(model.Stars().ArrayLength(), 0u);
}

TEST_F(SaverWindowTest, EndSaverFinishesTheBackupOnlyWhileTheRepairRuns) {
  model.PrepareSaver({10, 5, false});
  state.RepairRunning = true;
  model.EndSaver();
  EXPECT_FALSE(state.RepairRunning);
  model.EndSaver();
  EXPECT_EQ(calls, (std::vector<std::string>{"stopTimer", "finishBackup", "terminate", "stopTimer",
                                             "terminate"}));
  EXPECT_TRUE(state.AbortRequested);
  NullCanvas canvas;
  model.Tick(canvas);
  EXPECT_EQ(canvas.pixels, 0);
}

TEST_F(SaverWindowTest, InputArrivingWhileEndSaverPumpsFinishesTheBackupOnce) {
  model.PrepareSaver({10, 5, false});
  state.RepairRunning = true;
  memory.pump.onPump = [this](int call) {
    if (call == 1) model.HandleInput(InputEvent::KeyDown, 0, 0);
  };
  model.HandleInput(InputEvent::MouseDown, 0, 0);
  int backups = 0;
  for (const auto& call : calls) backups += call == "finishBackup" ? 1 : 0;
  EXPECT_EQ(backups, 1);
  EXPECT_EQ(model.Stars().ArrayLength(), 0u);
}

TEST_F(SaverWindowTest, PreviewInputClosesTheWindowAndAPreviewCanRunAgain) {
  state.DialogMode = true;
  model.SetPreviewMode(true);
  model.ResetFirstMove();
  model.PrepareSaver({30, 5, false});
  EXPECT_TRUE(model.HandleInput(InputEvent::MouseWheel, 0, 0));
  EXPECT_EQ(calls, (std::vector<std::string>{"stopTimer", "close"}));

  model.ResetFirstMove();
  model.PrepareSaver({30, 5, false});
  NullCanvas canvas;
  model.Tick(canvas);
  EXPECT_GE(canvas.pixels, 31);
  EXPECT_FALSE(model.HandleInput(InputEvent::MouseMove, 3, 3));
}

}  // namespace
}  // namespace zent
