#include "ui/saver_window.h"

#include <utility>

#include "common/product_folder.h"
#include "common/product_views.h"
#include "common/registry_helpers.h"

namespace zent {

namespace {

// The German names the drive lists show for the drive kinds.
const TypeNameTexts kDriveTypeNames = {"Unbekannt", "Diskettenlaufwerk", "Festplatte", "CD-ROM",
                                       "Netzwerklaufwerk"};

void CheckFixedRows(DriveList& drives) {
  for (std::size_t row = 0; row < drives.RowCount(); ++row) {
    drives.SetChecked(row, drives.DriveType(row) == platform::kDriveFixed);
  }
}

DriveFlags CheckedDrives(const DriveList& drives) {
  DriveFlags flags{};
  for (std::size_t row = 0; row < drives.RowCount(); ++row) {
    if (!drives.Checked(row)) continue;
    if (const auto index = DriveIndex(drives.DriveLetter(row))) flags[*index] = 1;
  }
  return flags;
}

}  // namespace

SaverWindowModel::SaverWindowModel(platform::Platform& platform, SaverRunState& state,
                                   TextLoader loadText, RandomSource* random)
    : SystemFacts(platform),
      ExcludedDirList(platform.shell),
      ExcludedFileList(platform.shell),
      platform_(platform),
      state_(state),
      loadText_(std::move(loadText)),
      random_(random != nullptr ? random : &ownRandom_),
      ownsRandom_(random == nullptr) {}

void SaverWindowModel::PrepareSaver(const StarSettings& stars) {
  SeedStarfield(stars);
  if (state_.DialogMode) return;
  state_.RepairRunning = false;
  PrepareDriveLists();
  PrepareDirectories();
  PrepareExclusions();
  SelectFixedDrives();
  CategoryList.Clear();
}

void SaverWindowModel::SeedStarfield(const StarSettings& stars) {
  if (ownsRandom_) {
    ownRandom_.Reseed(static_cast<std::uint32_t>(platform_.clock.TickMilliseconds()));
  }
  PlaceMessageLine();
  const platform::Rect area = SaverArea();
  starfield_.Prepare(stars.starCount, stars.speed, stars.blockStars, area.right - area.left,
                     area.bottom - area.top, *random_);
}

// In the window's coordinates, which start at the saver area's corner.
void SaverWindowModel::PlaceMessageLine() {
  const platform::Rect area = SaverArea();
  statusLabel_.top = platform_.system.ScreenHeight() / 2 - area.top;
  statusLabel_.left = -area.left;
  statusLabel_.width = platform_.system.ScreenWidth();
  statusLabel_.centred = true;
  statusLabel_.text = loadText_ ? loadText_(kPleaseWaitText) : std::string();
}

void SaverWindowModel::PrepareDriveLists() {
  for (DriveList* drives : {&SweepDriveList, &CheckDriveList}) {
    drives->SetTypeNames(kDriveTypeNames);
    drives->SetOptions(DriveListOptions::All());
    drives->ReadDrives(platform_.system);
  }
}

void SaverWindowModel::PrepareDirectories() {
  state_.WinDir = SystemFacts.WinDirectory();
  state_.SysDir = SystemFacts.SysDirectory();
  state_.FontsDir = SystemFacts.FontsFolder();
  state_.ProductDirectory =
      RegReadTextOrEmpty(ProductValueView(platform_.registry, kProductKey, kProductPathValue),
                         platform::RegRoot::LocalMachine, kProductKey, kProductPathValue);
}

void SaverWindowModel::PrepareExclusions() {
  // The recycle bins of every listed drive, drive A always among them: the
  // sweeps must never walk into files the user has already thrown away.
  for (std::size_t row = 0; row < SweepDriveList.RowCount(); ++row) {
    const std::string drive(1, SweepDriveList.DriveLetter(row));
    ExcludedDirList.Append(drive + ":\\RECYCLED");
    ExcludedDirList.Append(drive + ":\\RECYCLER");
    ExcludedDirList.Append(drive + ":\\$RECYCLE.BIN");
  }
  LoadExclusionFiles(platform_.files, platform_.shell, FolderVariablesOf(),
                     ProductFilesFolder(state_.ProductDirectory, state_.WinDir), ExcludedFileList,
                     ExcludedDirList);
  state_.ExcludedFiles = ExcludedFileList;
  state_.ExcludedDirs = ExcludedDirList;
}

void SaverWindowModel::SelectFixedDrives() {
  CheckFixedRows(SweepDriveList);
  CheckFixedRows(CheckDriveList);
  state_.SweepDrives = CheckedDrives(SweepDriveList);
  state_.CheckDrives = CheckedDrives(CheckDriveList);
}

FolderVariables SaverWindowModel::FolderVariablesOf() const {
  FolderVariables folders;
  folders.winDirectory = SystemFacts.WinDirectory();
  folders.sysDirectory = SystemFacts.SysDirectory();
  folders.programsFolder = SystemFacts.ProgramsFolder();
  folders.recentFolder = SystemFacts.RecentFolder();
  folders.startMenuFolder = SystemFacts.StartMenuFolder();
  folders.documentsFolder = SystemFacts.DocumentsFolder();
  folders.desktopFolder = SystemFacts.DesktopFolder();
  folders.startUpFolder = SystemFacts.StartUpFolder();
  folders.sendToFolder = SystemFacts.SendToFolder();
  folders.fontsFolder = SystemFacts.FontsFolder();
  folders.personalFolder = SystemFacts.PersonalFolder();
  return folders;
}

void SaverWindowModel::Tick(platform::Canvas& canvas) { starfield_.Tick(canvas, *random_); }

bool SaverWindowModel::HandleInput(InputEvent event, int x, int y) {
  if (!inputRule_.ShouldEnd(event, x, y)) return false;
  EndSaver();
  return true;
}

void SaverWindowModel::EndSaver() {
  if (hooks_.stopTimer) hooks_.stopTimer();
  state_.AbortRequested = true;
  // Input that arrives while the queue drains may run EndSaver again inside
  // this call; every step below tolerates that.
  platform_.pump.Pump();
  if (state_.RepairRunning) {
    if (hooks_.finishBackup) hooks_.finishBackup();
    // Cleared here as well, so that a second EndSaver never renames twice.
    state_.RepairRunning = false;
  }
  starfield_.Release();
  if (!previewMode_) {
    if (hooks_.requestTermination) hooks_.requestTermination();
  } else if (hooks_.closeWindow) {
    hooks_.closeWindow();
  }
}

}  // namespace zent
