#pragma once

// The scans that walk the names of a single key: application paths, help
// files, shared libraries, fonts and system sounds. Each adds its category to
// the findings register and leaves the rows there for the repair.

#include <string_view>

#include "run/run_context.h"

namespace zent {

// The keys these scans walk; the repair removes the selected entries there.
inline constexpr std::string_view kAppPathsKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";  // HKEY_LOCAL_MACHINE
inline constexpr std::string_view kHelpFilesKey =
    "SOFTWARE\\Microsoft\\Windows\\Help";  // HKEY_LOCAL_MACHINE
inline constexpr std::string_view kSharedDllsKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLS";  // HKEY_LOCAL_MACHINE
inline constexpr std::string_view kFontsKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";                     // HKEY_LOCAL_MACHINE
inline constexpr std::string_view kSoundAppsKey = "AppEvents\\Schemes\\Apps";  // HKEY_CURRENT_USER

// Programs registered under "App Paths" whose program file or folder is gone.
void ScanAppPaths(RunContext& run);
// Help file registrations whose file is not in the folder they name.
void ScanHelpFiles(RunContext& run);
// Shared-library reference counts for files that are gone.
void ScanSharedDlls(RunContext& run);
// Installed fonts whose font file is gone.
void ScanFonts(RunContext& run);
// Sounds of the current scheme whose sound file is gone.
void ScanSystemSounds(RunContext& run);

}  // namespace zent
