#pragma once

// The scans that test program command lines: entries of the software-removal
// list whose uninstall program is gone, and autostart values whose program is
// gone. Each adds its category to the findings register and leaves the rows
// there for the repair.

#include <string>
#include <string_view>

#include "platform/shell.h"
#include "run/run_context.h"

namespace zent {

// The keys these scans walk, under HKEY_LOCAL_MACHINE; the repair removes the
// selected entries there.
inline constexpr std::string_view kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr std::string_view kAutorunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\run";

// The program a normalised command line runs, as the rows show it: the text up
// to its first ".EXE" (without one, its first ".DLL") and the one character
// after it, then ExtractCommandPath. Empty when the text names neither.
std::string ProgramOfCommand(platform::Shell& shell, std::string_view commandLine);

// Software-removal entries whose uninstall program is gone.
void ScanUninstall(RunContext& run);
// Autostart values whose program is gone.
void ScanAutorun(RunContext& run);

}  // namespace zent
