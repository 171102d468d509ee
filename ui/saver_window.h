#pragma once

// The saver window's portable half: the starfield, the message line, the
// close-on-input rule and the hidden components the cleaning run works with,
// together with the two procedures that open and end the saver. The Win32
// window owns one SaverWindowModel, forwards its timer and input messages to
// it and draws the message line from StatusLabel().

#include <functional>
#include <string>
#include <vector>

#include "common/exclusions.h"
#include "common/path_helpers.h"
#include "common/product_views.h"
#include "platform/platform.h"
#include "run/findings.h"
#include "run/run_state.h"
#include "sysinfo/drive_list.h"
#include "sysinfo/os_info.h"
#include "ui/input_rule.h"
#include "ui/starfield.h"

namespace zent {

// The star settings as the configuration dialog's controls hold them (its
// reader turns the star-count text into a number).
struct StarSettings {
  int starCount = 100;  // highest star index
  int speed = 5;
  bool blockStars = false;
};

// The visible message line (`StatusLabel`): where it sits and what it says.
// Its visibility blinks with the starfield.
struct MessageLine {
  std::string text;
  int top = 0;
  int left = 0;
  int width = 0;
  bool centred = true;
};

// What ending the saver does outside the core.
struct SaverHooks {
  std::function<void()> stopTimer;
  // The dated rename of the running registry backup; runs only while the
  // repair runs.
  std::function<void()> finishBackup;
  // Saver mode: ask the application to terminate.
  std::function<void()> requestTermination;
  // Preview: close the window, which ends the dialog's modal preview.
  std::function<void()> closeWindow;
};

class SaverWindowModel {
 public:
  static constexpr int kPleaseWaitText = 400;
  static constexpr const char* kProductPathValue = "EXEPath";

  // `random` places the stars; without one the window uses its own generator,
  // seeded from the clock on every PrepareSaver. The system facts are gathered
  // here, once.
  SaverWindowModel(platform::Platform& platform, SaverRunState& state, TextLoader loadText,
                   RandomSource* random = nullptr);

  void SetHooks(SaverHooks hooks) { hooks_ = std::move(hooks); }

  // Seeds the starfield and sets up the message line; in saver mode also fills
  // the drive lists, directories, exclusion lists and drive selections of the
  // run. Called before the timer is enabled.
  void PrepareSaver(const StarSettings& stars);

  // One tick of the star timer: moves the stars and blinks the message line.
  void Tick(platform::Canvas& canvas);

  // Any input event; true when it ended the saver.
  bool HandleInput(InputEvent event, int x, int y);

  // Ends the saver or the preview. Safe to run again on later input.
  void EndSaver();

  // The dialog's preview: set before PrepareSaver, cleared after the preview.
  void SetPreviewMode(bool preview) { previewMode_ = preview; }
  bool PreviewMode() const { return previewMode_; }
  // Forgets the first mouse-move position (FirstMoveSeen := false).
  void ResetFirstMove() { inputRule_.Reset(); }
  bool FirstMoveSeen() const { return inputRule_.FirstMoveSeen(); }

  int StarCount() const { return starfield_.StarCount(); }
  int StarSpeed() const { return starfield_.StarSpeed(); }
  bool BlockStars() const { return starfield_.BlockStars(); }
  const Starfield& Stars() const { return starfield_; }
  const MessageLine& StatusLabel() const { return statusLabel_; }
  MessageLine& StatusLabel() { return statusLabel_; }
  bool MessageVisible() const { return starfield_.MessageVisible(); }

  // Where the saver window goes: over every monitor, in screen coordinates.
  // The starfield spreads over all of it; the message line stays in the
  // middle of the primary monitor.
  platform::Rect SaverArea() const { return platform_.system.VirtualScreen(); }

  // What the cleaning run works with; none of it is shown.
  // Their checked rows give SweepDrives and CheckDrives.
  DriveList SweepDriveList;
  DriveList CheckDriveList;
  zent::SystemFacts SystemFacts;
  ExclusionList ExcludedDirList;
  ExclusionList ExcludedFileList;
  // The item the run is working on; kept, never drawn.
  std::string ItemLabel;
  // The findings register's index of categories; emptied when the saver is
  // prepared.
  zent::CategoryList CategoryList;

 private:
  void SeedStarfield(const StarSettings& stars);
  void PlaceMessageLine();
  void PrepareDriveLists();
  void PrepareDirectories();
  void PrepareExclusions();
  void SelectFixedDrives();
  FolderVariables FolderVariablesOf() const;

  platform::Platform& platform_;
  SaverRunState& state_;
  TextLoader loadText_;
  SeededRandom ownRandom_;
  RandomSource* random_;
  bool ownsRandom_;
  SaverHooks hooks_;
  Starfield starfield_;
  CloseOnInputRule inputRule_;
  MessageLine statusLabel_;
  bool previewMode_ = false;
};

}  // namespace zent
