#include "ui/settings.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "common/product_views.h"
#include "common/registry_helpers.h"
#include "ui/dialog_form.h"

namespace zent {

namespace {

constexpr auto kRoot = platform::RegRoot::LocalMachine;

// The saver starts unattended: a value that is not a number (a word, a number
// too large, a long binary) counts as missing, as the option switches do.
std::int32_t ReadValue(platform::Registry& registry, std::string_view name) {
  return RegReadNumberOrZero(registry, kRoot, kSaverSettingsKey, name);
}

void WriteValue(platform::Registry& registry, std::string_view name, std::int32_t number) {
  // A refused write is not reported to the user; the dialog just closes.
  RegWriteNumber(registry, kRoot, kSaverSettingsKey, name, number);
}

}  // namespace

bool LoadSettings(Form& dialog, platform::Registry& system) {
  platform::Registry& registry = ProductKeyView(system, kSaverSettingsKey);
  if (!RegKeyExists(registry, kRoot, kSaverSettingsKey)) {
    return false;
  }
  const std::int32_t mode = ReadValue(registry, "MODE");
  if (mode == 1) {
    CheckRadioButton(dialog, SafetyModeButton(dialog));
  } else if (mode == 2) {
    CheckRadioButton(dialog, MainProgramModeButton(dialog));
  }
  if (const std::int32_t stars = ReadValue(registry, "STARS"); stars > 0) {
    StarCountEdit(dialog).text = std::to_string(stars);
  }
  if (const std::int32_t speed = ReadValue(registry, "SPEED"); speed > 0) {
    SetTrackBarPosition(SpeedBar(dialog), speed);
  }
  // Unlike a missing key, a key without "BLOCK" turns the blocks off.
  BlockStarsBox(dialog).checked = ReadValue(registry, "BLOCK") == 1;
  const std::int32_t writeProtect = ReadValue(registry, "WRITE-PROTECT");
  if (writeProtect == 1) {
    CheckRadioButton(dialog, NeverDeleteButton(dialog));
  } else if (writeProtect == 2) {
    CheckRadioButton(dialog, AlwaysDeleteButton(dialog));
  }
  return AlwaysDeleteButton(dialog).checked;
}

void SaveSettings(const Form& dialog, platform::Registry& system) {
  // Back where they were read from; a first save goes to the 64-bit view.
  platform::Registry& registry = ProductKeyView(system, kSaverSettingsKey);
  WriteValue(registry, "MODE", MainProgramModeButton(dialog).checked ? 2 : 1);
  WriteValue(registry, "STARS", ParseInteger(StarCountEdit(dialog).text));
  WriteValue(registry, "SPEED", SpeedBar(dialog).position);
  WriteValue(registry, "BLOCK", BlockStarsBox(dialog).checked ? 1 : 0);
  WriteValue(registry, "WRITE-PROTECT", AlwaysDeleteButton(dialog).checked ? 2 : 1);
}

StarSettings ReadStarSettings(const Form& dialog) {
  const std::int32_t typed = ParseInteger(StarCountEdit(dialog).text);
  StarSettings settings;
  // A count typed below zero would size the star arrays negatively; it draws
  // no stars instead.
  settings.starCount = std::clamp<std::int32_t>(typed, -1, kMaxStarCount);
  settings.speed = SpeedBar(dialog).position;
  settings.blockStars = BlockStarsBox(dialog).checked;
  return settings;
}

}  // namespace zent
