#pragma once

// The saver settings in the configuration dialog: its controls show a
// SaverSettings value and give one back; storing it tells the user when
// neither the machine's nor the user's key took it.

#include <functional>
#include <string>

#include "platform/registry.h"
#include "run/run_state.h"
#include "run/saver_settings.h"
#include "ui/components.h"
#include "ui/saver_window.h"

namespace zent {

inline constexpr int kMaxStarCount = 5000;

// Puts the settings into the dialog's controls. The star-count arrows keep
// their own position.
void ShowSettings(Form& dialog, const SaverSettings& settings);

// The settings the controls show. Raises ConversionError when the star-count
// text is not a number.
SaverSettings SettingsFromDialog(const Form& dialog);

// LoadSaverSettings into the controls; returns whether write-protected files
// may be deleted.
bool LoadSettings(Form& dialog, platform::Registry& registry);

// Stores what the controls show. When that fails (a star count that is no
// number, or no key this user may write) nothing is written and `tell` gets
// one message for the user, saying so and why.
SettingsStore SaveSettings(const Form& dialog, platform::Registry& registry,
                           const TextLoader& loadText,
                           const std::function<void(const std::string&)>& tell);

// The star settings as the saver draws them: the count (the highest star
// index) capped at 5000; a negative count becomes -1, no stars at all.
StarSettings StarSettingsOf(const SaverSettings& settings);

// The same from the (possibly unsaved) controls, for the dialog's preview.
// Raises ConversionError when the star-count text is not a number.
StarSettings ReadStarSettings(const Form& dialog);

}  // namespace zent
