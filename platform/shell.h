#pragma once

#include <string>
#include <string_view>

namespace zent::platform {

enum class RecycleOutcome {
  Recycled,  // the file is in the recycle bin and gone from its place
  Refused,   // the file stays where it was (no bin, too large, in use, ...)
};

class Shell {
 public:
  virtual ~Shell() = default;
  // Moves one file into the recycle bin without any dialog. Never deletes it
  // for good: a file the bin does not take stays where it is.
  virtual RecycleOutcome MoveToRecycleBin(std::string_view fullPath) = 0;
  // Expands %NAME% references in full; unknown names stay as written.
  virtual std::string ExpandEnvironment(std::string_view text) = 0;
  // Upper case by the system's locale rules.
  virtual std::string UpperCase(std::string_view text) = 0;
};

}  // namespace zent::platform
