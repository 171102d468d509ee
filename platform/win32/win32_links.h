#pragma once

#include "platform/shell.h"

namespace zent::win32 {

// Reads shortcuts through the shell's link object (IShellLinkW with
// IPersistFile). The thread must have initialised COM; without it every load
// fails. A link path or target too long for the object's buffers is refused
// rather than read cut short, since a cut path names another file.
class Win32ShellLinks final : public platform::ShellLinks {
 public:
  std::optional<platform::LinkContent> Load(std::string_view path) override;
};

// Writes a shortcut to `target` through the same object; for tests that need
// real link files. False when the object or the file cannot be made.
bool SaveShellLink(std::string_view linkPath, std::string_view target);

}  // namespace zent::win32
