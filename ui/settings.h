#pragma once

// The saver settings: integer values under one registry key, held in memory
// by the configuration dialog's controls.

#include <string_view>

#include "platform/registry.h"
#include "ui/components.h"
#include "ui/saver_window.h"

namespace zent {

inline constexpr std::string_view kSaverSettingsKey = "SOFTWARE\\Ortavo\\Kelvaro-ZENT\\Saver";
inline constexpr int kMaxStarCount = 5000;

// Registry into the dialog's controls; a missing key leaves the defaults. A
// value that cannot be read as a number counts as missing.
// Returns whether write-protected files may be deleted (always-delete chosen).
bool LoadSettings(Form& dialog, platform::Registry& registry);

// The dialog's controls into the registry in the order MODE, STARS, SPEED,
// BLOCK, WRITE-PROTECT. A star count that is not a number raises
// ConversionError after MODE has been written, leaving the rest unwritten.
void SaveSettings(const Form& dialog, platform::Registry& registry);

// The star settings as the saver uses them, from the (possibly unsaved)
// controls. The count (the highest star index) is capped at 5000; a
// negative count becomes -1, no stars at all.
// Raises ConversionError when the star-count text is not a number.
StarSettings ReadStarSettings(const Form& dialog);

}  // namespace zent
