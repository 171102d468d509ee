#pragma once

// On 64-bit Windows a program sees one of two views of the system folder and
// of the program folders: a 32-bit program finds the 32-bit files under
// "System32" and "Program Files" and reaches the 64-bit ones only through
// "Sysnative" and the W6432 variables; a 64-bit program sees it the other way
// round. A registry entry written by a program of the other kind names its
// file in the view the scanning program does not see, so the file is looked
// for in every view before it counts as gone.

#include <string>
#include <string_view>
#include <vector>

#include "platform/shell.h"

namespace zent {

class FileViews {
 public:
  // No folder has other views (a 32-bit system, or nothing known).
  FileViews() = default;
  // The folders of this machine: the three names of the system folder under
  // `winDir`, and the program folders and shared program folders as the
  // environment names them. A variable the system does not define, or a
  // folder that has only one name, adds nothing.
  static FileViews Of(platform::Shell& shell, std::string_view winDir);

  // `path` in each other view of the folder it starts with, upper-cased;
  // empty when it lies in no such folder.
  std::vector<std::string> OtherViews(std::string_view path) const;

 private:
  // Each group is one folder under each of its names, upper-cased.
  std::vector<std::vector<std::string>> groups_;
};

}  // namespace zent
