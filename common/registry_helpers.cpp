#include "common/registry_helpers.h"

#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/utf8.h"

namespace zent {
namespace {

using platform::RegAccess;
using platform::RegistryKey;
using platform::RegRoot;
using platform::RegValue;

constexpr std::size_t kNumberBytes = 4;
// The system's registry nests keys at most this deep; a walk that goes further
// is following a link back into itself.
constexpr int kMaxKeyDepth = 512;

// "\Software\X" names the same key as "Software\X"; a trailing "\" adds
// nothing either, and would leave RegRemoveKey without a name to delete.
std::string_view KeyPath(std::string_view key) {
  while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
  return key;
}

std::unique_ptr<RegistryKey> Open(platform::Registry& registry, RegRoot root, std::string_view key,
                                  RegAccess access) {
  return registry.Open(root, KeyPath(key), access);
}

std::optional<RegValue> ReadValue(platform::Registry& registry, RegRoot root, std::string_view key,
                                  std::string_view name) {
  const auto opened = Open(registry, root, key, RegAccess::Read);
  if (!opened) return std::nullopt;
  return opened->QueryValue(name);
}

// Integers and binaries hold the number least significant byte first. Short
// data (a zero-length binary, a malformed integer) reads with the missing high
// bytes as zero; longer data is not a number at all.
std::optional<std::int32_t> NumberFromBytes(const std::string& bytes) {
  if (bytes.size() > kNumberBytes) return std::nullopt;
  std::uint32_t bits = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bits |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  }
  return static_cast<std::int32_t>(bits);
}

std::string BytesFromNumber(std::int32_t number) { return platform::MakeDwordValue(number).data; }

std::optional<std::string> ValueAsText(const RegValue& value) {
  switch (value.type) {
    case platform::kRegSz:
      return value.data;
    case platform::kRegDword:
    case platform::kRegBinary: {
      const auto number = NumberFromBytes(value.data);
      return number ? std::optional(std::to_string(*number)) : std::nullopt;
    }
    default:
      return std::string();
  }
}

std::optional<std::int32_t> ValueAsNumber(const RegValue& value) {
  switch (value.type) {
    case platform::kRegSz:
      return TryParseInteger(value.data);
    case platform::kRegDword:
    case platform::kRegBinary:
      return NumberFromBytes(value.data);
    default:
      return 0;
  }
}

// The new data for a value of `type`; nullopt for the types that are never
// written (expandable text and everything the helpers do not tell apart) and
// for a text that is no number where a number is stored.
std::optional<RegValue> TextInType(std::uint32_t type, std::string_view text) {
  if (type == platform::kRegSz) return platform::MakeTextValue(text);
  if (type != platform::kRegDword && type != platform::kRegBinary) return std::nullopt;
  const auto number = TryParseInteger(text);
  if (!number) return std::nullopt;
  if (type == platform::kRegDword) return platform::MakeDwordValue(*number);
  return platform::MakeBinaryValue(BytesFromNumber(*number));
}

std::optional<RegValue> NumberInType(std::uint32_t type, std::int32_t number) {
  switch (type) {
    case platform::kRegSz:
      return platform::MakeTextValue(std::to_string(number));
    case platform::kRegDword:
      return platform::MakeDwordValue(number);
    case platform::kRegBinary:
      return platform::MakeBinaryValue(BytesFromNumber(number));
    default:
      return std::nullopt;
  }
}

// Deletes every subkey below `path`, last to first, leaving the key itself.
void RemoveSubkeys(platform::Registry& registry, RegRoot root, const std::string& path, int depth) {
  if (depth >= kMaxKeyDepth) return;
  const auto key = registry.Open(root, path, RegAccess::Remove);
  if (!key) return;
  const auto names = key->SubkeyNames();
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    RemoveSubkeys(registry, root, path + "\\" + *name, depth + 1);
    key->DeleteSubkey(*name);
  }
}

// A registry link below a key would be followed by every open and delete of
// its path, into a key elsewhere that was never found: such a key is left.
bool HoldsLink(platform::Registry& registry, RegRoot root, const std::string& path, int depth) {
  if (registry.IsLink(root, path)) return true;
  if (depth >= kMaxKeyDepth) return false;
  const auto key = registry.Open(root, path, RegAccess::Read);
  if (!key) return false;
  for (const auto& name : key->SubkeyNames()) {
    if (HoldsLink(registry, root, path + "\\" + name, depth + 1)) return true;
  }
  return false;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A link is not walked through (it may lead back above itself); the removal
// refuses a tree that holds one anyway, whatever the rights.
bool MayRemoveTree(platform::Registry& registry, RegRoot root, const std::string& path, int depth) {
  if (registry.IsLink(root, path)) return true;
  const auto key = registry.Open(root, path, RegAccess::Remove);
  if (!key) return false;
  if (depth >= kMaxKeyDepth) return true;
  for (const auto& name : key->SubkeyNames()) {
    if (!MayRemoveTree(registry, root, path + "\\" + name, depth + 1)) return false;
  }
  return true;
}

}  // namespace

bool RegKeyExists(platform::Registry& registry, RegRoot root, std::string_view key) {
  return Open(registry, root, key, RegAccess::Read) != nullptr;
}

bool RegHasValueStartingWith(platform::Registry& registry, RegRoot root, std::string_view key,
                             std::string_view prefix) {
  const auto opened = Open(registry, root, key, RegAccess::Read);
  if (!opened) return false;
  const auto wanted = UpperCodePoints(prefix);
  for (const auto& name : opened->ValueNames()) {
    if (UpperCodePoints(name).starts_with(wanted)) return true;
  }
  return false;
}

bool RegRemoveKey(platform::Registry& registry, RegRoot root, std::string_view key) {
  const std::string path(KeyPath(key));
  // An empty path names the root: emptying a whole root is never what a
  // caller means, and the root itself cannot go.
  if (path.empty() || HoldsLink(registry, root, path, 0)) return false;
  RemoveSubkeys(registry, root, path, 0);
  const auto cut = path.rfind('\\');
  const auto parentPath = cut == std::string::npos ? std::string() : path.substr(0, cut);
  const auto leaf = cut == std::string::npos ? path : path.substr(cut + 1);
  // Deleting a key takes the rights on it, not on its parent, which a
  // standard user may often only read (the classes' shared keys).
  if (const auto parent = registry.Open(root, parentPath, RegAccess::Read)) {
    parent->DeleteSubkey(leaf);
  }
  return !RegKeyExists(registry, root, path);
}

bool RegRemoveValue(platform::Registry& registry, RegRoot root, std::string_view key,
                    std::string_view name) {
  if (!RegKeyExists(registry, root, key)) return true;
  const auto opened = Open(registry, root, key, RegAccess::SetValue);
  if (!opened) return false;
  opened->DeleteValue(name);
  return !opened->QueryValue(name).has_value();
}

std::optional<std::string> TryReadText(platform::Registry& registry, RegRoot root,
                                       std::string_view key, std::string_view name) {
  const auto value = ReadValue(registry, root, key, name);
  return value ? ValueAsText(*value) : std::nullopt;
}

std::optional<std::string> RegReadString(platform::Registry& registry, RegRoot root,
                                         std::string_view key, std::string_view name,
                                         TextTypes accepted) {
  auto value = ReadValue(registry, root, key, name);
  if (!value) return std::string();
  const bool isAccepted =
      value->type == platform::kRegSz ||
      (value->type == platform::kRegExpandSz && accepted == TextTypes::PlainOrExpandable);
  if (!isAccepted || !value->textWhole) return std::nullopt;
  return std::move(value->data);
}

std::optional<std::int32_t> TryReadNumber(platform::Registry& registry, RegRoot root,
                                          std::string_view key, std::string_view name) {
  const auto value = ReadValue(registry, root, key, name);
  return value ? ValueAsNumber(*value) : std::nullopt;
}

std::string RegReadTextOrEmpty(platform::Registry& registry, RegRoot root, std::string_view key,
                               std::string_view name) {
  return TryReadText(registry, root, key, name).value_or(std::string());
}

std::int32_t RegReadNumberOrZero(platform::Registry& registry, RegRoot root, std::string_view key,
                                 std::string_view name) {
  return TryReadNumber(registry, root, key, name).value_or(0);
}

bool RegValueEquals(platform::Registry& registry, RegRoot root, std::string_view key,
                    std::string_view name, std::int32_t number) {
  return TryReadNumber(registry, root, key, name) == number;
}

bool RegWriteText(platform::Registry& registry, RegRoot root, std::string_view key,
                  std::string_view name, std::string_view text) {
  if (const auto opened = Open(registry, root, key, RegAccess::SetValue)) {
    if (const auto stored = opened->QueryValue(name)) {
      if (const auto value = TextInType(stored->type, text)) opened->SetValue(name, *value);
    }
  }
  return RegReadTextOrEmpty(registry, root, key, name) == text;
}

bool RegWriteNumber(platform::Registry& registry, RegRoot root, std::string_view key,
                    std::string_view name, std::int32_t number) {
  {
    const auto opened = registry.Create(root, KeyPath(key));
    if (!opened) return false;
    const auto stored = opened->QueryValue(name);
    const auto value = stored ? NumberInType(stored->type, number)
                              : std::optional(platform::MakeDwordValue(number));
    if (value && !opened->SetValue(name, *value)) return false;
  }
  return RegValueEquals(registry, root, key, name, number);
}

bool RegMayRemoveKey(platform::Registry& registry, RegRoot root, std::string_view key) {
  const std::string path(KeyPath(key));
  return !RegKeyExists(registry, root, path) || MayRemoveTree(registry, root, path, 0);
}

bool RegMayWriteValues(platform::Registry& registry, RegRoot root, std::string_view key) {
  return !RegKeyExists(registry, root, key) ||
         Open(registry, root, key, RegAccess::SetValue) != nullptr;
}

std::int32_t ParseInteger(std::string_view text) {
  const auto number = TryParseInteger(text);
  if (!number) throw ConversionError(text);
  return *number;
}

std::optional<std::int32_t> TryParseInteger(std::string_view text) {
  std::string_view rest = text;
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  while (!rest.empty() && IsBlank(rest.back())) rest.remove_suffix(1);
  const bool negative = !rest.empty() && rest.front() == '-';
  if (!rest.empty() && (rest.front() == '-' || rest.front() == '+')) rest.remove_prefix(1);
  if (rest.empty()) return std::nullopt;

  // The magnitude of the most negative number is one more than the largest.
  const std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + negative;
  std::int64_t magnitude = 0;
  for (const char c : rest) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace zent
