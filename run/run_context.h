#pragma once

// What every step of the cleaning run works with: the platform, the shared
// state, the findings register, the interface texts and the two lines of the
// saver window (the visible status line and the hidden item line).

#include <string>

#include "platform/platform.h"
#include "run/findings.h"
#include "run/run_journal.h"
#include "run/run_state.h"

namespace zent {

struct RunContext {
  platform::Platform& platform;
  SaverRunState& state;
  CategoryList& categories;
  TextLoader loadText;
  std::string& statusLabel;  // `StatusLabel`
  std::string& itemLabel;    // `ItemLabel`
  // Where the run's record goes; none by default.
  RunJournal* journal = nullptr;

  std::string LoadText(int id) const { return loadText ? loadText(id) : std::string(); }
  RunJournal& Journal() const { return journal ? *journal : RunJournal::None(); }
  // Lets the pending window messages run; true when input has asked to stop.
  bool PumpAndCheckAbort() {
    platform.pump.Pump();
    return state.AbortRequested;
  }
};

}  // namespace zent
