#pragma once

#include "platform/shell.h"

namespace zent::win32 {

class Win32Shell final : public platform::Shell {
 public:
  // Sends the file to the bin through the shell, but first gives it a second
  // name (a hard link) in its own folder. The shell deletes a file for good,
  // silently, whenever the bin cannot take it (too large, no bin on that
  // drive, a policy, a broken trash under Wine); the second name keeps the
  // data alive, and its link count afterwards tells a move into the bin (the
  // count is unchanged) from a deletion (one name fewer), after which the file
  // is put back under its own name. Where no second name can be made (FAT,
  // no write access to the folder) the file is left alone.
  platform::RecycleOutcome MoveToRecycleBin(std::string_view fullPath) override;
  std::string ExpandEnvironment(std::string_view text) override;
  std::string UpperCase(std::string_view text) override;
  // Every folder the known-folder manager lists that has a path here.
  std::vector<platform::KnownFolder> KnownFolders() override;
};

}  // namespace zent::win32
