#include "ui/saver_window.h"

#include <utility>

#include "common/registry_helpers.h"

namespace zent {

namespace {

// The German names the drive lists show for the drive kinds.
const TypeNameTexts kDriveTypeNames = {"Unbekannt", "Diskettenlaufwerk", "Festplatte", "CD-ROM",
                                       "Netzwerklaufwerk"};

void CheckFixedRows(TOrtavoDrives& drives) {
  for (std::size_t row = 0; row < drives.RowCount(); ++row) {
    drives.SetChecked(row, drives.GetDriveTyp(row) == platform::kDriveFixed);
  }
}

DriveFlags CheckedDrives(const TOrtavoDrives& drives) {
  DriveFlags flags{};
  for (std::size_t row = 0; row < drives.RowCount(); ++row) {
    if (!drives.Checked(row)) continue;
    if (const auto index = DriveIndex(drives.GetDriveChar(row))) flags[*index] = 1;
  }
  return flags;
}

}  // namespace

TForm2::TForm2(platform::Platform& platform, SaverRunState& state, TextLoader loadText,
               RandomSource* random)
    : OSInfo1(platform),
      ListBox1(platform.shell),
      ListBox2(platform.shell),
      platform_(platform),
      state_(state),
      loadText_(std::move(loadText)),
      random_(random != nullptr ? random : &ownRandom_),
      ownsRandom_(random == nullptr) {}

void TForm2::PrepareSaver(const StarSettings& stars) {
  SeedStarfield(stars);
  if (state_.DialogMode) return;
  state_.RepairRunning = false;
  PrepareDriveLists();
  PrepareDirectories();
  PrepareExclusions();
  SelectFixedDrives();
  CategoryList.Clear();
}

void TForm2::SeedStarfield(const StarSettings& stars) {
  if (ownsRandom_) {
    ownRandom_.Reseed(static_cast<std::uint32_t>(platform_.clock.TickMilliseconds()));
  }
  PlaceMessageLine();
  starfield_.Prepare(stars.starCount, stars.speed, stars.blockStars, platform_.system.ScreenWidth(),
                     platform_.system.ScreenHeight(), *random_);
}

void TForm2::PlaceMessageLine() {
  label1_.top = platform_.system.ScreenHeight() / 2;
  label1_.left = 0;
  label1_.width = platform_.system.ScreenWidth();
  label1_.centred = true;
  label1_.text = loadText_ ? loadText_(kPleaseWaitText) : std::string();
}

void TForm2::PrepareDriveLists() {
  for (TOrtavoDrives* drives : {&OrtavoDrives1, &OrtavoDrives2}) {
    drives->SetTypeNames(kDriveTypeNames);
    drives->SetOptions(TOrtavoDrivesOptions::All());
    drives->ReadDrives(platform_.system);
  }
}

void TForm2::PrepareDirectories() {
  state_.WinDir = OSInfo1.WinDirectory();
  state_.SysDir = OSInfo1.SysDirectory();
  state_.FontsDir = OSInfo1.FontsFolder();
  state_.ProductDirectory = RegReadTextOrEmpty(platform_.registry, platform::RegRoot::LocalMachine,
                                               kProductKey, kProductPathValue);
}

void TForm2::PrepareExclusions() {
  // The recycle bins of every listed drive, drive A always among them: the
  // sweeps must never walk into files the user has already thrown away.
  for (std::size_t row = 0; row < OrtavoDrives1.RowCount(); ++row) {
    const std::string drive(1, OrtavoDrives1.GetDriveChar(row));
    ListBox1.Append(drive + ":\\RECYCLED");
    ListBox1.Append(drive + ":\\RECYCLER");
  }
  LoadExclusionFiles(platform_.files, platform_.shell, FolderVariablesOf(), state_.ProductDirectory,
                     ListBox2, ListBox1);
  state_.ExcludedFiles = ListBox2;
  state_.ExcludedDirs = ListBox1;
}

void TForm2::SelectFixedDrives() {
  CheckFixedRows(OrtavoDrives1);
  CheckFixedRows(OrtavoDrives2);
  state_.SweepDrives = CheckedDrives(OrtavoDrives1);
  state_.CheckDrives = CheckedDrives(OrtavoDrives2);
}

FolderVariables TForm2::FolderVariablesOf() const {
  FolderVariables folders;
  folders.winDirectory = OSInfo1.WinDirectory();
  folders.sysDirectory = OSInfo1.SysDirectory();
  folders.programsFolder = OSInfo1.ProgramsFolder();
  folders.recentFolder = OSInfo1.RecentFolder();
  folders.startMenuFolder = OSInfo1.StartMenuFolder();
  folders.documentsFolder = OSInfo1.DocumentsFolder();
  folders.desktopFolder = OSInfo1.DesktopFolder();
  folders.startUpFolder = OSInfo1.StartUpFolder();
  folders.sendToFolder = OSInfo1.SendToFolder();
  folders.fontsFolder = OSInfo1.FontsFolder();
  folders.personalFolder = OSInfo1.PersonalFolder();
  return folders;
}

void TForm2::Timer1Timer(platform::Canvas& canvas) { starfield_.Tick(canvas, *random_); }

bool TForm2::HandleInput(InputEvent event, int x, int y) {
  if (!inputRule_.ShouldEnd(event, x, y)) return false;
  EndSaver();
  return true;
}

void TForm2::EndSaver() {
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
