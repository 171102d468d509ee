#pragma once

// The process-wide values the saver window, the cleaning run and the sweeps
// share. One instance lives as long as the program.

#include <functional>
#include <string>

#include "common/exclusions.h"
#include "common/path_helpers.h"
#include "platform/shell.h"
#include "run/switches.h"

namespace zent {

// An interface text by its id; the empty text for an id the table lacks.
using TextLoader = std::function<std::string(int id)>;

struct SaverRunState {
  explicit SaverRunState(platform::Shell& shell) : ExcludedFiles(shell), ExcludedDirs(shell) {}

  // True only while the registry repair runs; ending the saver then finishes
  // the running backup.
  bool RepairRunning = false;
  std::string WinDir;
  std::string SysDir;
  std::string FontsDir;
  std::string ProductDirectory;
  ExclusionList ExcludedFiles;
  ExclusionList ExcludedDirs;
  DriveFlags SweepDrives{};
  DriveFlags CheckDrives{};
  // Set on the first input that ends the saver, never cleared; every long loop
  // of the run polls it.
  bool AbortRequested = false;
  // The first argument was not "/S": preparation stops after the starfield.
  bool DialogMode = false;
  // The system is of the NT family: the whole-registry scan never runs, and
  // the registry editor exports in Unicode.
  bool IsWinNT = false;
  // Set at every start: the sweeps delete as they find, and a failed backup
  // rename shows no message.
  bool UnattendedMode = false;
  // The saver setting "WRITE-PROTECT": write-protected junk files may go.
  bool DeleteWriteProtected = false;
  // 1 = the fixed safety set, 2 = the main program's options; 0 until read.
  int OptionSource = 0;
  CleaningSwitches Switches;
};

}  // namespace zent
