#include "ui/settings.h"

#include <algorithm>
#include <cstdint>

#include "common/registry_helpers.h"
#include "ui/dialog_form.h"
#include "ui/interface_texts.h"

namespace zent {

void ShowSettings(Form& dialog, const SaverSettings& settings) {
  const bool mainProgram = settings.optionSource == OptionSourceSetting::MainProgram;
  CheckRadioButton(dialog, mainProgram ? MainProgramModeButton(dialog) : SafetyModeButton(dialog));
  StarCountEdit(dialog).text = std::to_string(settings.starCount);
  SetTrackBarPosition(SpeedBar(dialog), settings.speed);
  BlockStarsBox(dialog).checked = settings.blockStars;
  CheckRadioButton(dialog, settings.deleteWriteProtected ? AlwaysDeleteButton(dialog)
                                                         : NeverDeleteButton(dialog));
}

SaverSettings SettingsFromDialog(const Form& dialog) {
  SaverSettings settings;
  settings.optionSource = MainProgramModeButton(dialog).checked ? OptionSourceSetting::MainProgram
                                                                : OptionSourceSetting::Safety;
  settings.starCount = ParseInteger(StarCountEdit(dialog).text);
  settings.speed = SpeedBar(dialog).position;
  settings.blockStars = BlockStarsBox(dialog).checked;
  settings.deleteWriteProtected = AlwaysDeleteButton(dialog).checked;
  return settings;
}

bool LoadSettings(Form& dialog, platform::Registry& registry) {
  const SaverSettings settings = LoadSaverSettings(registry);
  ShowSettings(dialog, settings);
  return settings.deleteWriteProtected;
}

SettingsStore SaveSettings(const Form& dialog, platform::Registry& registry,
                           const TextLoader& loadText,
                           const std::function<void(const std::string&)>& tell) {
  const auto notSaved = [&](const std::string& reason) {
    tell(loadText(kSettingsNotSavedText) + "\n" + reason);
  };
  SaverSettings settings;
  try {
    // Checked before anything is written: a half-stored key would mix old
    // and new settings.
    settings = SettingsFromDialog(dialog);
  } catch (const ConversionError& error) {
    notSaved(error.what());
    return SettingsStore::NotSaved;
  }
  const SettingsStore store = SaveSaverSettings(registry, settings);
  if (store == SettingsStore::NotSaved) notSaved(loadText(kSettingsKeysClosedText));
  return store;
}

StarSettings StarSettingsOf(const SaverSettings& settings) {
  StarSettings stars;
  // A count stored below zero would size the star arrays negatively; it draws
  // no stars instead.
  stars.starCount = std::clamp<std::int32_t>(settings.starCount, -1, kMaxStarCount);
  stars.speed = settings.speed;
  stars.blockStars = settings.blockStars;
  return stars;
}

StarSettings ReadStarSettings(const Form& dialog) {
  return StarSettingsOf(SettingsFromDialog(dialog));
}

}  // namespace zent
