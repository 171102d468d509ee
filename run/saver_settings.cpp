#include "run/saver_settings.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "common/registry_helpers.h"

namespace zent {

using platform::RegAccess;
using platform::RegistryKey;
using platform::RegRoot;
using platform::RegValue;
using platform::RegView;

namespace {

struct StoredNumber {
  std::string_view name;
  std::int32_t number;
};

using StoredNumbers = std::array<StoredNumber, 5>;

StoredNumbers NumbersOf(const SaverSettings& settings) {
  return {{{"MODE", static_cast<std::int32_t>(settings.optionSource)},
           {"STARS", settings.starCount},
           {"SPEED", settings.speed},
           {"BLOCK", settings.blockStars ? 1 : 0},
           {"WRITE-PROTECT", settings.deleteWriteProtected ? 2 : 1}}};
}

// Integers and binaries of up to four bytes as stored, text as a decimal
// number; nothing for anything else. The saver starts unattended, so a value
// that is no number counts as missing, never as an error.
std::optional<std::int32_t> NumberIn(const RegValue& value) {
  if (value.type == platform::kRegSz) {
    try {
      return ParseInteger(value.data);
    } catch (const ConversionError&) {
      return std::nullopt;
    }
  }
  if ((value.type != platform::kRegDword && value.type != platform::kRegBinary) ||
      value.data.size() > 4) {
    return std::nullopt;
  }
  std::uint32_t bits = 0;
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    bits |= std::uint32_t{static_cast<unsigned char>(value.data[i])} << (8 * i);
  }
  return static_cast<std::int32_t>(bits);
}

std::int32_t NumberOrZero(const RegistryKey& key, std::string_view name) {
  const auto value = key.QueryValue(name);
  return value ? NumberIn(*value).value_or(0) : 0;
}

SaverSettings SettingsIn(const RegistryKey& key) {
  SaverSettings settings;
  const std::int32_t mode = NumberOrZero(key, "MODE");
  if (mode == 1 || mode == 2) settings.optionSource = static_cast<OptionSourceSetting>(mode);
  if (const std::int32_t stars = NumberOrZero(key, "STARS"); stars > 0) {
    settings.starCount = stars;
  }
  if (const std::int32_t speed = NumberOrZero(key, "SPEED"); speed > 0) {
    settings.speed = std::min(speed, kMaxSpeed);
  }
  // Unlike a missing key, a key without "BLOCK" turns the blocks off.
  settings.blockStars = NumberOrZero(key, "BLOCK") == 1;
  const std::int32_t writeProtect = NumberOrZero(key, "WRITE-PROTECT");
  if (writeProtect == 1 || writeProtect == 2) settings.deleteWriteProtected = writeProtect == 2;
  return settings;
}

std::unique_ptr<RegistryKey> OpenForReading(platform::Registry& registry, RegRoot root) {
  return registry.Open(root, kSaverSettingsKey, RegAccess::Read);
}

// A 32-bit build of the saver, or an older one, may have stored the machine's
// settings in the 32-bit view; they are read and written back there. A first
// save goes to the 64-bit view.
platform::Registry& MachineView(platform::Registry& registry) {
  platform::Registry& view64 = registry.InView(RegView::Bits64);
  if (OpenForReading(view64, RegRoot::LocalMachine)) return view64;
  platform::Registry& view32 = registry.InView(RegView::Bits32);
  return OpenForReading(view32, RegRoot::LocalMachine) ? view32 : view64;
}

// All of them or none: a value refused halfway puts back those written before.
bool WriteAll(RegistryKey& key, const SaverSettings& settings) {
  const StoredNumbers numbers = NumbersOf(settings);
  std::array<std::optional<RegValue>, numbers.size()> before;
  for (std::size_t i = 0; i < numbers.size(); ++i) before[i] = key.QueryValue(numbers[i].name);
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    if (key.SetValue(numbers[i].name, platform::MakeDwordValue(numbers[i].number))) continue;
    for (std::size_t j = 0; j < i; ++j) {
      if (before[j]) {
        key.SetValue(numbers[j].name, *before[j]);
      } else {
        key.DeleteValue(numbers[j].name);
      }
    }
    return false;
  }
  return true;
}

// Into the key of `root`, created when missing; a key this call created and
// could not fill is taken away again, as an empty key would turn the blocks
// off.
bool SaveInto(platform::Registry& registry, RegRoot root, const SaverSettings& settings) {
  const bool existed = OpenForReading(registry, root) != nullptr;
  const auto key = registry.Create(root, kSaverSettingsKey);
  if (key && WriteAll(*key, settings)) return true;
  if (key && !existed) RegRemoveKey(registry, root, kSaverSettingsKey);
  return false;
}

}  // namespace

SaverSettings LoadSaverSettings(platform::Registry& registry) {
  if (const auto own = OpenForReading(registry, RegRoot::CurrentUser)) return SettingsIn(*own);
  const auto machine = OpenForReading(MachineView(registry), RegRoot::LocalMachine);
  return machine ? SettingsIn(*machine) : SaverSettings{};
}

SettingsStore SaveSaverSettings(platform::Registry& registry, const SaverSettings& settings) {
  if (SaveInto(MachineView(registry), RegRoot::LocalMachine, settings)) {
    // A copy that cannot be dropped is brought up to date instead, so that
    // it shows the same settings.
    if (!RegRemoveKey(registry, RegRoot::CurrentUser, kSaverSettingsKey)) {
      SaveInto(registry, RegRoot::CurrentUser, settings);
    }
    return SettingsStore::MachineKey;
  }
  return SaveInto(registry, RegRoot::CurrentUser, settings) ? SettingsStore::UserKey
                                                            : SettingsStore::NotSaved;
}

}  // namespace zent
