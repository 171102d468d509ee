#include "ui/clean_now.h"

namespace zent {

bool CleanNow::Running() { return run_ != nullptr && !run_->HasEnded(); }

bool CleanNow::Start() {
  if (Running()) return false;
  run_ = launcher_.StartAsAdministrator(saverPath_, "/S");
  return run_ != nullptr;
}

}  // namespace zent
