#pragma once

// The whole-registry scan: every text value below the places the other scans
// do not cover that names a file or folder which is gone. Its findings are
// recorded unselected, so a run removes none of them.

#include <array>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "run/run_context.h"

namespace zent {

// Where the walk starts, in this order: a root and a key path below it.
struct KeyPosition {
  platform::RegRoot root;
  std::string path;
};

// Keys skipped with everything below them, by their upper-cased path as the
// walk forms it (a first-level key has a leading "\", deeper ones none), under
// any root.
inline constexpr std::array<std::string_view, 13> kSkippedKeyPaths = {
    "ENUM",
    "HARDWARE",
    "\\HARDWARE",
    "HARDWARE\\DEVICEMAP",
    "SAM",
    "SOFTWARE\\CLASSES",
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\APP PATHS",
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN",
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\FONTS",
    "SOFTWARE\\MICROSOFT\\WINDOWS\\HELP",
    "APPEVENTS\\SCHEMES\\APPS",
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHAREDDLLS",
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL",
};

// The registry nests keys no deeper; a walk that goes further has met a loop.
inline constexpr int kMaxWalkDepth = 512;

// The name a row gives a key's default value.
inline constexpr std::string_view kDefaultValueName = "(Standard)";

bool IsSkippedKeyPath(std::string_view keyPath);

// The path of a subkey: below a start with an empty path "\" + name, below
// any other key the parent's path without its leading "\", a "\" and the name.
std::string SubkeyPath(std::string_view parentPath, std::string_view name);

// "HKEY_CURRENT_USER\Software": the root's full name, "\", and the key path
// without a leading "\".
std::string DisplayPath(const KeyPosition& position);

// Walks from each start position and adds the whole-registry category with
// every row unselected; the category is closed also when input stopped the
// walk, with the rows found so far.
void ScanOtherEntries(RunContext& run);

}  // namespace zent
