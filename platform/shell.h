#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zent::platform {

enum class RecycleOutcome {
  Recycled,  // the file is in the recycle bin and gone from its place
  Refused,   // the file stays where it was (no bin, too large, in use, ...)
};

// A folder the system knows by name (Pictures, Program Files, the profile...).
struct KnownFolder {
  std::string path;
  bool isBrowserCache = false;  // the Internet cache, cookies or history
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
  // Every known folder of the user and of the system that has a path here.
  virtual std::vector<KnownFolder> KnownFolders() = 0;
};

// What the shell's link object read from a shortcut file. A property whose
// read failed is nullopt; the others hold what the link stores.
struct LinkContent {
  std::optional<std::string> workingDirectory;
  std::optional<std::string> target;  // as stored, never resolved
  bool targetIsFolder = false;        // the directory bit of the stored find data
  std::optional<std::string> description;
  std::optional<std::string> arguments;
};

// The shell's link object, for reading shortcuts (".LNK", ".PIF"). Nothing is
// ever written back to a link, and a moved target is never searched for.
class ShellLinks {
 public:
  virtual ~ShellLinks() = default;
  // nullopt when the link object cannot be made, or the file is missing or
  // does not load as a link.
  virtual std::optional<LinkContent> Load(std::string_view path) = 0;
};

}  // namespace zent::platform
