#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/memory/memory_platform.h"
#include "sysinfo/drive_list.h"

namespace zent {
namespace {

using Option = DriveListOption;
using platform::Rect;

const TypeNameTexts kSaverTypeNames = {"Unbekannt", "Diskettenlaufwerk", "Festplatte", "CD-ROM",
                                       "Netzwerklaufwerk"};

std::vector<std::string> RowTexts(const DriveList& drives) {
  std::vector<std::string> texts;
  for (std::size_t row = 0; row < drives.RowCount(); ++row) texts.push_back(drives.RowText(row));
  return texts;
}

class RecordingCanvas final : public platform::Canvas {
 public:
  void FillBackground(const Rect& r) override { Log("FillBackground " + Coords(r)); }
  void SetPixel(int x, int y, platform::Color) override {
    Log("SetPixel " + std::to_string(x) + "," + std::to_string(y));
  }
  void TextOut(int x, int y, std::string_view text) override {
    Log("TextOut " + std::to_string(x) + "," + std::to_string(y) + " " + std::string(text));
  }
  void Log(std::string call) { calls.push_back(std::move(call)); }

  std::vector<std::string> calls;

 private:
  static std::string Coords(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
  }
};

class RecordingImageList final : public platform::ImageList {
 public:
  explicit RecordingImageList(int count) : count_(count) {}
  int Count() const override { return count_; }
  void Draw(platform::Canvas& canvas, int index, int x, int y, bool enabled) const override {
    auto* recording = dynamic_cast<RecordingCanvas*>(&canvas);
    ASSERT_NE(recording, nullptr) << "image drawn onto another surface";
    recording->Log("Image " + std::to_string(index) + " " + std::to_string(x) + "," +
                   std::to_string(y) + (enabled ? " enabled" : " disabled"));
  }

 private:
  int count_;
};

// The machine of the usual example: floppy A, fixed C with a label, CD-ROM D,
// network drive F without a label.
class DriveListTest : public ::testing::Test {
 protected:
  DriveListTest() {
    memory.files.AddDrive('A', platform::kDriveRemovable, "FLOPPY");
    memory.files.AddDrive('C', platform::kDriveFixed, "SYSTEM");
    memory.files.AddDrive('D', platform::kDriveCdRom, "INSTALL_CD");
    memory.files.AddDrive('F', platform::kDriveRemote, "");
    drives.SetTypeNames(kSaverTypeNames);
  }

  void Read(DriveListOptions options) {
    drives.SetOptions(options);
    drives.ReadDrives(memory.system);
  }

  memory::MemoryPlatform memory;
  DriveList drives;
};

TEST(DriveListOptions, DefaultsToAllSevenWithTheStoredBitValues) {
  const DriveList drives;
  EXPECT_EQ(drives.Options(), DriveListOptions::All());
  EXPECT_EQ(drives.Options().Bits(), 127);
  const std::vector<std::pair<Option, int>> bits = {
      {Option::ShowDriveA, 1}, {Option::ShowImages, 2}, {Option::ShowName, 4},
      {Option::ShowFixed, 8},  {Option::ShowCDROM, 16}, {Option::ShowRemovable, 32},
      {Option::ShowRemote, 64}};
  for (const auto& [option, bit] : bits) {
    EXPECT_EQ(DriveListOptions{option}.Bits(), bit);
    EXPECT_EQ(DriveListOptions::All().Without(option).Bits(), 127 - bit);
  }
  EXPECT_EQ(DriveListOptions::FromBits(0xFF), DriveListOptions::All());
}

TEST(DriveListTables, StartWithLetterZTypeZeroAndNoNames) {
  const DriveList drives;
  EXPECT_EQ(drives.RowCount(), 0u);
  for (std::size_t n = 0; n < DriveList::kTableSize; ++n) {
    EXPECT_EQ(drives.DriveLetters()[n], 'Z');
    EXPECT_EQ(drives.DriveTypes()[n], 0);
    EXPECT_EQ(drives.VolumeNames()[n], "");
  }
  EXPECT_EQ(drives.RowHeight(), 40);
}

TEST_F(DriveListTest, DefaultOptionsListTheExampleMachine) {
  Read(DriveListOptions::All());
  EXPECT_EQ(RowTexts(drives), (std::vector<std::string>{"0", "2", "3", "5"}));
  EXPECT_EQ(drives.VolumeNames()[0], "");
  EXPECT_EQ(drives.VolumeNames()[2], "SYSTEM");
  EXPECT_EQ(drives.VolumeNames()[3], "");  // CD-ROM drives are not asked
  EXPECT_EQ(drives.VolumeNames()[5], "Unknown");
  EXPECT_EQ(drives.DriveLetters()[5], 'F');
  EXPECT_EQ(drives.DriveTypes()[5], platform::kDriveRemote);
  // E does not exist, which the system reports as a drive without a root.
  EXPECT_EQ(drives.DriveLetters()[4], 'E');
  EXPECT_EQ(drives.DriveTypes()[4], platform::kDriveNoRootDir);
}

TEST_F(DriveListTest, RowOfDriveCAnswersWithItsLetterTypeAndName) {
  Read(DriveListOptions::All());
  ASSERT_EQ(drives.RowText(1), "2");
  EXPECT_EQ(drives.DriveLetter(1), 'C');
  EXPECT_EQ(drives.DriveType(1), 3);
  EXPECT_EQ(drives.VolumeName(1), "SYSTEM");
  EXPECT_EQ(drives.DriveLetter(0), 'A');
  EXPECT_EQ(drives.DriveType(0), platform::kDriveRemovable);
  EXPECT_EQ(drives.VolumeName(2), "");
}

TEST_F(DriveListTest, DriveAIsListedOnlyThroughItsOptionAndNeverAsked) {
  Read(DriveListOptions::All().Without(Option::ShowDriveA));
  EXPECT_EQ(RowTexts(drives), (std::vector<std::string>{"2", "3", "5"}));
  EXPECT_EQ(drives.DriveLetters()[0], 'Z');

  DriveList withoutFloppy;
  memory::MemoryPlatform noDriveA;
  withoutFloppy.ReadDrives(noDriveA.system);
  EXPECT_EQ(RowTexts(withoutFloppy), (std::vector<std::string>{"0", "2"}));
  EXPECT_EQ(withoutFloppy.DriveType(0), platform::kDriveRemovable);
}

TEST_F(DriveListTest, RamDiskIsNeverListed) {
  memory.files.AddDrive('R', platform::kDriveRamDisk, "RAMDISK");
  Read(DriveListOptions::All());
  EXPECT_EQ(RowTexts(drives), (std::vector<std::string>{"0", "2", "3", "5"}));
  EXPECT_EQ(drives.DriveTypes()[17], platform::kDriveRamDisk);
  EXPECT_EQ(drives.VolumeNames()[17], "");
}

struct KindOptionCase {
  const char* label;
  Option option;
  std::vector<std::string> rowsWithout;
};

void PrintTo(const KindOptionCase& c, std::ostream* out) { *out << c.label; }

class DriveListKindOption : public DriveListTest,
                            public ::testing::WithParamInterface<KindOptionCase> {};

TEST_P(DriveListKindOption, LeavesOutOnlyItsKind) {
  memory.files.AddDrive('B', platform::kDriveRemovable);
  Read(DriveListOptions::All().Without(GetParam().option));
  EXPECT_EQ(RowTexts(drives), GetParam().rowsWithout);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DriveListKindOption,
    ::testing::Values(KindOptionCase{"removable", Option::ShowRemovable, {"0", "2", "3", "5"}},
                      KindOptionCase{"fixed", Option::ShowFixed, {"0", "1", "3", "5"}},
                      KindOptionCase{"cdrom", Option::ShowCDROM, {"0", "1", "2", "5"}},
                      KindOptionCase{"remote", Option::ShowRemote, {"0", "1", "2", "3"}}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST_F(DriveListTest, VolumeNamesAreReadOnlyForListedFixedAndRemoteDrives) {
  memory.files.AddDrive('G', platform::kDriveFixed, "HIDDEN");
  Read(DriveListOptions::All().Without(Option::ShowFixed));
  EXPECT_EQ(drives.DriveTypes()[6], platform::kDriveFixed);
  EXPECT_EQ(drives.VolumeNames()[6], "");
  EXPECT_EQ(drives.VolumeNames()[2], "");
  EXPECT_EQ(drives.VolumeNames()[5], "Unknown");
}

TEST_F(DriveListTest, NoVolumeNamesWithoutShowName) {
  Read(DriveListOptions::All().Without(Option::ShowName));
  EXPECT_EQ(RowTexts(drives), (std::vector<std::string>{"0", "2", "3", "5"}));
  for (const auto& name : drives.VolumeNames()) EXPECT_EQ(name, "");
}

TEST_F(DriveListTest, UnreadableVolumeIsNamedUnknown) {
  memory.files.AddDrive('F', platform::kDriveRemote, "SHARE");
  memory.files.FailPath("F:\\", platform::FsError::DeviceNotReady);
  Read(DriveListOptions::All());
  EXPECT_EQ(drives.VolumeNames()[5], "Unknown");
}

TEST_F(DriveListTest, ReadingAgainAppendsRows) {
  Read(DriveListOptions::All());
  drives.ReadDrives(memory.system);
  EXPECT_EQ(RowTexts(drives), (std::vector<std::string>{"0", "2", "3", "5", "0", "2", "3", "5"}));
}

TEST_F(DriveListTest, EachRowKeepsItsOwnCheckState) {
  Read(DriveListOptions::All());
  for (std::size_t row = 0; row < drives.RowCount(); ++row) EXPECT_FALSE(drives.Checked(row));
  drives.SetChecked(1, true);
  drives.SetChecked(3, true);
  drives.SetChecked(3, false);
  EXPECT_FALSE(drives.Checked(0));
  EXPECT_TRUE(drives.Checked(1));
  EXPECT_FALSE(drives.Checked(2));
  EXPECT_FALSE(drives.Checked(3));
}

TEST_F(DriveListTest, RowIndexBeyondTheListThrowsOutOfRange) {
  Read(DriveListOptions::All());
  const std::size_t past = drives.RowCount();
  RecordingCanvas canvas;
  EXPECT_THROW(drives.DriveType(past), std::out_of_range);
  EXPECT_THROW(drives.VolumeName(past), std::out_of_range);
  EXPECT_THROW(drives.DriveLetter(static_cast<std::size_t>(-1)), std::out_of_range);
  EXPECT_THROW(drives.RowText(past), std::out_of_range);
  EXPECT_THROW(drives.Checked(past), std::out_of_range);
  EXPECT_THROW(drives.SetChecked(past, true), std::out_of_range);
  EXPECT_THROW(drives.DrawDrive(past, Rect{}, canvas), std::out_of_range);
  EXPECT_TRUE(canvas.calls.empty());
  EXPECT_THROW(DriveList().DriveLetter(0), std::out_of_range);
}

// ---------------------------------------------------------------- drawing

constexpr Rect kRow{10, 80, 210, 120};

struct DrawCase {
  const char* label;
  std::size_t row;
  DriveListOptions drawOptions;
  int imageCount;  // 0: no image list assigned
  std::vector<std::string> calls;
};

void PrintTo(const DrawCase& c, std::ostream* out) { *out << c.label; }

class DriveListDrawing : public DriveListTest, public ::testing::WithParamInterface<DrawCase> {};

TEST_P(DriveListDrawing, DrawsTheRowExactly) {
  const auto& c = GetParam();
  Read(DriveListOptions::All());
  const RecordingImageList images(c.imageCount);
  if (c.imageCount > 0) drives.SetImageList(&images);
  drives.SetOptions(c.drawOptions);
  RecordingCanvas canvas;
  drives.DrawDrive(c.row, kRow, canvas);
  EXPECT_EQ(canvas.calls, c.calls);
}

const auto kAll = DriveListOptions::All();

INSTANTIATE_TEST_SUITE_P(
    Rows, DriveListDrawing,
    ::testing::Values(DrawCase{"fixed_with_name_and_image",
                               1,
                               kAll,
                               4,
                               {"FillBackground 10,80,210,120", "TextOut 58,84 Festplatte C:\\",
                                "TextOut 58,100 Name: SYSTEM", "Image 1 18,82 enabled"}},
                      DrawCase{"floppy_has_no_name_line",
                               0,
                               kAll,
                               4,
                               {"FillBackground 10,80,210,120",
                                "TextOut 58,92 Diskettenlaufwerk A:\\", "Image 0 18,82 enabled"}},
                      DrawCase{"cdrom",
                               2,
                               kAll,
                               4,
                               {"FillBackground 10,80,210,120", "TextOut 58,92 CD-ROM D:\\",
                                "Image 2 18,82 enabled"}},
                      DrawCase{
                          "remote_without_label_shows_unknown",
                          3,
                          kAll,
                          4,
                          {"FillBackground 10,80,210,120", "TextOut 58,84 Netzwerklaufwerk F:\\",
                           "TextOut 58,100 Name: Unknown", "Image 3 18,82 enabled"}},
                      DrawCase{"without_show_name_one_line",
                               1,
                               kAll.Without(Option::ShowName),
                               4,
                               {"FillBackground 10,80,210,120", "TextOut 58,92 Festplatte C:\\",
                                "Image 1 18,82 enabled"}},
                      DrawCase{"without_show_images_text_at_left_and_no_image",
                               1,
                               kAll.Without(Option::ShowImages),
                               4,
                               {"FillBackground 10,80,210,120", "TextOut 14,84 Festplatte C:\\",
                                "TextOut 14,100 Name: SYSTEM"}},
                      DrawCase{"no_image_list_keeps_the_image_room",
                               1,
                               kAll,
                               0,
                               {"FillBackground 10,80,210,120", "TextOut 58,84 Festplatte C:\\",
                                "TextOut 58,100 Name: SYSTEM"}},
                      DrawCase{"image_index_beyond_the_list_is_not_drawn",
                               2,
                               kAll,
                               2,
                               {"FillBackground 10,80,210,120", "TextOut 58,92 CD-ROM D:\\"}},
                      DrawCase{"last_image_of_a_short_list_is_drawn",
                               1,
                               kAll,
                               2,
                               {"FillBackground 10,80,210,120", "TextOut 58,84 Festplatte C:\\",
                                "TextOut 58,100 Name: SYSTEM", "Image 1 18,82 enabled"}}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

// A network drive that is gone when the drives are read a second time keeps
// its old row, now of a type the list does not know.
TEST_F(DriveListTest, RowOfUnknownTypeUsesTheUnknownNameAndGetsNoIcon) {
  Read(DriveListOptions::All().Without(Option::ShowName));
  memory.files.AddDrive('F', platform::kDriveNoRootDir);
  drives.ReadDrives(memory.system);
  ASSERT_EQ(drives.RowText(3), "5");
  ASSERT_EQ(drives.DriveType(3), platform::kDriveNoRootDir);
  const RecordingImageList images(4);
  drives.SetImageList(&images);
  RecordingCanvas canvas;
  drives.DrawDrive(3, kRow, canvas);
  EXPECT_EQ(canvas.calls, (std::vector<std::string>{"FillBackground 10,80,210,120",
                                                    "TextOut 58,92 Unbekannt F:\\"}));
}

}  // namespace
}  // namespace zent
