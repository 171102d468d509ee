#include "sysinfo/drive_list.h"

namespace zent {
namespace {

constexpr std::size_t kDriveA = 0;
constexpr std::size_t kFirstQueriedDrive = 1;  // B
constexpr std::size_t kLastDrive = 25;         // Z
constexpr int kTextLeftWithImages = 48;
constexpr int kTextLeftPlain = 4;
constexpr int kFirstLineTop = 4;
constexpr int kNameLineTop = 20;
constexpr int kSingleLineTop = 12;
constexpr int kImageLeft = 8;
constexpr int kImageTop = 2;
constexpr int kNoImage = -1;

char LetterOf(std::size_t drive) { return static_cast<char>('A' + drive); }

std::string RootOf(char letter) { return std::string{letter, ':', '\\'}; }

// The image of a drive kind, which is also its type name's place after the
// unknown type's.
int ImageIndex(std::uint16_t driveType) {
  switch (driveType) {
    case platform::kDriveRemovable:
      return 0;
    case platform::kDriveFixed:
      return 1;
    case platform::kDriveCdRom:
      return 2;
    case platform::kDriveRemote:
      return 3;
    default:
      return kNoImage;
  }
}

bool HasVolumeName(std::uint32_t driveType) {
  return driveType == platform::kDriveFixed || driveType == platform::kDriveRemote;
}

}  // namespace

DriveList::DriveList() {
  driveLetters_.fill('Z');
  driveTypes_.fill(0);
}

bool DriveList::Lists(std::uint32_t driveType) const {
  using enum DriveListOption;
  switch (driveType) {
    case platform::kDriveRemovable:
      return options_.Has(ShowRemovable);
    case platform::kDriveFixed:
      return options_.Has(ShowFixed);
    case platform::kDriveCdRom:
      return options_.Has(ShowCDROM);
    case platform::kDriveRemote:
      return options_.Has(ShowRemote);
    default:
      return false;
  }
}

void DriveList::AddRow(std::size_t drive) { rows_.push_back(Row{drive, false}); }

// Drive A is never asked about: it is listed as a removable drive, whether it
// exists or not, exactly when ShowDriveA is set.
void DriveList::ReadDrives(platform::SystemQueries& system) {
  if (options_.Has(DriveListOption::ShowDriveA)) {
    driveLetters_[kDriveA] = 'A';
    volumeNames_[kDriveA].clear();
    driveTypes_[kDriveA] = platform::kDriveRemovable;
    AddRow(kDriveA);
  }
  for (std::size_t drive = kFirstQueriedDrive; drive <= kLastDrive; ++drive) {
    const char letter = LetterOf(drive);
    const std::uint32_t type = system.DriveType(RootOf(letter));
    if (type == platform::kDriveUnknown) continue;
    driveLetters_[drive] = letter;
    driveTypes_[drive] = static_cast<std::uint16_t>(type);
    if (!Lists(type)) continue;
    if (options_.Has(DriveListOption::ShowName) && HasVolumeName(type)) {
      const auto name = system.VolumeName(RootOf(letter));
      volumeNames_[drive] = name && !name->empty() ? *name : "Unknown";
    }
    AddRow(drive);
  }
}

std::string DriveList::RowText(std::size_t row) const {
  return std::to_string(rows_.at(row).drive);
}

bool DriveList::Checked(std::size_t row) const { return rows_.at(row).checked; }

void DriveList::SetChecked(std::size_t row, bool checked) { rows_.at(row).checked = checked; }

std::uint16_t DriveList::DriveType(std::size_t row) const {
  return driveTypes_[rows_.at(row).drive];
}

const std::string& DriveList::VolumeName(std::size_t row) const {
  return volumeNames_[rows_.at(row).drive];
}

char DriveList::DriveLetter(std::size_t row) const { return driveLetters_[rows_.at(row).drive]; }

void DriveList::DrawDrive(std::size_t row, const platform::Rect& rect,
                          platform::Canvas& canvas) const {
  const std::size_t drive = rows_.at(row).drive;
  const bool showImages = options_.Has(DriveListOption::ShowImages);
  canvas.FillBackground(rect);

  const int x = rect.left + (showImages ? kTextLeftWithImages : kTextLeftPlain);
  const int imageIndex = ImageIndex(driveTypes_[drive]);
  const std::string line =
      typeNames_[static_cast<std::size_t>(imageIndex + 1)] + " " + driveLetters_[drive] + ":\\";
  const std::string& volumeName = volumeNames_[drive];
  if (options_.Has(DriveListOption::ShowName) && !volumeName.empty()) {
    canvas.TextOut(x, rect.top + kFirstLineTop, line);
    canvas.TextOut(x, rect.top + kNameLineTop, "Name: " + volumeName);
  } else {
    canvas.TextOut(x, rect.top + kSingleLineTop, line);
  }

  if (showImages && images_ != nullptr && imageIndex != kNoImage && imageIndex < images_->Count()) {
    images_->Draw(canvas, imageIndex, rect.left + kImageLeft, rect.top + kImageTop, true);
  }
}

}  // namespace zent
