#pragma once

// The scans of the class registrations under HKEY_CLASSES_ROOT: COM classes
// whose in-process server is gone, and type libraries whose 32-bit library
// file is gone. Each adds its category to the findings register; the repair
// removes the whole class or library key of a selected row.

#include <string_view>

#include "run/run_context.h"

namespace zent {

// The keys these scans walk, under HKEY_CLASSES_ROOT.
inline constexpr std::string_view kClassesKey = "CLSID";
inline constexpr std::string_view kTypeLibrariesKey = "TypeLib";

// Classes with a description whose in-process server file is gone.
void ScanComServers(RunContext& run);
// Type libraries whose 32-bit library file is gone (and no 64-bit one is
// there either).
void ScanActiveX(RunContext& run);

}  // namespace zent
