#pragma once

// The saver settings: how the stars look, where the cleaning options come
// from and whether write-protected junk may go. They are stored as integers
// under one key, read from the user's own copy when there is one, else from
// the machine's key; the saver, its preview, the dialog and the dry-run
// report all read them here.

#include <cstdint>
#include <string_view>

#include "common/product_views.h"
#include "platform/registry.h"

namespace zent {

inline constexpr auto kSaverSettingsKeyPath = ProductSubkey("Saver");
inline constexpr std::string_view kSaverSettingsKey = ProductSubkeyPath(kSaverSettingsKeyPath);

// Where the cleaning options come from, as "MODE" stores it.
enum class OptionSourceSetting : std::int32_t { Safety = 1, MainProgram = 2 };

struct SaverSettings {
  OptionSourceSetting optionSource = OptionSourceSetting::Safety;  // "MODE"
  std::int32_t starCount = 100;                                    // "STARS", as stored
  std::int32_t speed = 2;                                          // "SPEED", 1 to 10
  bool blockStars = true;                                          // "BLOCK": 2 x 2 pixels
  bool deleteWriteProtected = false;  // "WRITE-PROTECT": 2 = always, 1 = never

  friend bool operator==(const SaverSettings&, const SaverSettings&) = default;
};

inline constexpr std::int32_t kMinSpeed = 1;
inline constexpr std::int32_t kMaxSpeed = 10;

// The user's key when it exists, else the machine's key in the view holding
// it; defaults for a missing key. Keys are opened for reading only. A value
// that is missing, out of range or no number keeps its default, except
// "BLOCK", which is off in a key that lacks it.
SaverSettings LoadSaverSettings(platform::Registry& registry);

enum class SettingsStore {
  MachineKey,  // for every user of the machine; a user's own copy is gone
  UserKey,     // for this user only: the machine's key is closed to them
  NotSaved,    // neither key took them; both are as they were
};

// Writes all values or none into the machine's key when this user may write
// it (then drops the user's own copy, which would hide them), else into the
// user's key.
SettingsStore SaveSaverSettings(platform::Registry& registry, const SaverSettings& settings);

}  // namespace zent
