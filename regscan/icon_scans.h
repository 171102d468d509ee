#pragma once

// The scan of icon references under HKEY_CLASSES_ROOT ("DefaultIcon",
// "ToolboxBitmap32") that name an icon inside a program or library module that
// is gone. It adds its category to the findings register; the repair empties
// the reference of a selected row and keeps its key.

#include <string>
#include <string_view>

#include "regscan/scan_pattern.h"
#include "run/run_context.h"

namespace zent {

// The module an icon reference "C:\X\APP.EXE,3" takes its icon from, upper-
// cased and without the comma and index; empty for a reference without an
// index (a module alone, an ".ICO" file) or of another kind of module.
std::string CutIconModulePath(std::string_view reference);

// One pass over the subkeys of `base` (empty: the root of HKEY_CLASSES_ROOT),
// recording the icon keys below them that name a module that is gone. Ends
// early, with the rows found so far, when input asks to stop.
void ScanIconKeys(RegistryScan& scan, std::string_view base);

// Icon references of the class keys and of the registered classes ("CLSID")
// whose module is gone. Starts only where classes are registered.
void ScanIcons(RunContext& run);

}  // namespace zent
