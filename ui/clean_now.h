#pragma once

// The dialog's "Clean now": a cleaning run of this saver ("/S") started with
// administrator rights, so that it also cleans what a run with the user's
// own rights has to leave. The run goes on beside the open dialog; while it
// goes on, another press starts nothing.

#include <memory>
#include <string>

#include "platform/system.h"

namespace zent {

class CleanNow {
 public:
  // `saverPath`: the full path of this saver's own program file.
  CleanNow(platform::ProgramLauncher& launcher, std::string saverPath)
      : launcher_(launcher), saverPath_(std::move(saverPath)) {}

  // True when a run was started now.
  bool Start();
  // Whether the run started last is still going.
  bool Running();

 private:
  platform::ProgramLauncher& launcher_;
  std::string saverPath_;
  std::unique_ptr<platform::StartedProgram> run_;
};

}  // namespace zent
