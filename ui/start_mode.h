#pragma once

// How Windows starts a screen saver: "/S" runs it, "/P <window>" (some hosts
// write "/P:<window>") asks for the little picture inside the display
// settings, anything else opens the configuration dialog. Only the first
// argument chooses the mode, in any letter case.

#include <cstdint>
#include <string>
#include <vector>

namespace zent {

enum class StartMode { Saver, Preview, Dialog };

struct StartRequest {
  StartMode mode = StartMode::Dialog;
  // The preview's host window; 0 when the preview names none that can be one,
  // and the program then ends at once.
  std::uintptr_t previewHost = 0;
};

// `arguments` without the program's own name.
StartRequest ParseStartArguments(const std::vector<std::string>& arguments);

}  // namespace zent
