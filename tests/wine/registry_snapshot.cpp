#include "tests/wine/registry_snapshot.h"

#include <cstdio>

namespace zent::testing {
namespace {

using platform::RegAccess;
using platform::RegRoot;
using platform::RegValue;

std::string_view RootName(RegRoot root) {
  switch (root) {
    case RegRoot::ClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case RegRoot::CurrentUser:
      return "HKEY_CURRENT_USER";
    case RegRoot::LocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case RegRoot::Users:
      return "HKEY_USERS";
    case RegRoot::CurrentConfig:
      return "HKEY_CURRENT_CONFIG";
  }
  return "?";
}

std::string Join(const std::string& path, const std::string& name) {
  return path.empty() ? name : path + "\\" + name;
}

// Type and bytes, with printable bytes shown as they are and the rest in hex.
std::string Describe(const RegValue& value) {
  std::string text = "type " + std::to_string(value.type) + " [";
  for (const char c : value.data) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f) {
      text += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", byte);
      text += hex;
    }
  }
  return text + "]";
}

bool IsSameOrBelow(const std::string& key, const std::string& top) {
  return key == top || (key.size() > top.size() && key.starts_with(top) && key[top.size()] == '\\');
}

}  // namespace

std::string FullKeyName(const RegLocation& location) {
  return Join(std::string(RootName(location.root)), location.path);
}

void RegistrySnapshot::Take(platform::Registry& registry, const RegLocation& location) {
  Walk(registry, location.root, location.path);
}

void RegistrySnapshot::Walk(platform::Registry& registry, RegRoot root, const std::string& path) {
  const auto key = registry.Open(root, path, RegAccess::Read);
  if (key == nullptr) return;
  Values& values = keys_[FullKeyName({root, path})];
  for (const auto& name : key->ValueNames()) {
    // A value that cannot be read is recorded as such, not left out.
    // Bytes as stored: a text cut at a NUL must not pass for the whole.
    values[name] = key->QueryStoredValue(name).value_or(RegValue{0xffffffff, "<unreadable>"});
  }
  for (const auto& name : key->SubkeyNames()) Walk(registry, root, Join(path, name));
}

void RegistrySnapshot::RemoveKey(const RegLocation& location) {
  const std::string top = FullKeyName(location);
  std::erase_if(keys_, [&](const auto& entry) { return IsSameOrBelow(entry.first, top); });
}

void RegistrySnapshot::RemoveValue(const RegLocation& key, std::string_view name) {
  const auto found = keys_.find(FullKeyName(key));
  if (found != keys_.end()) found->second.erase(std::string(name));
}

void RegistrySnapshot::SetValue(const RegLocation& key, std::string_view name, RegValue value) {
  keys_[FullKeyName(key)][std::string(name)] = std::move(value);
}

bool RegistrySnapshot::HasKey(const RegLocation& location) const {
  return keys_.contains(FullKeyName(location));
}

std::vector<std::string> Differences(const RegistrySnapshot& expected,
                                     const RegistrySnapshot& actual) {
  std::vector<std::string> lines;
  for (const auto& [key, values] : expected.Keys()) {
    const auto found = actual.Keys().find(key);
    if (found == actual.Keys().end()) {
      lines.push_back("missing key [" + key + "]");
      continue;
    }
    for (const auto& [name, value] : values) {
      const auto there = found->second.find(name);
      if (there == found->second.end()) {
        lines.push_back("[" + key + "] missing value \"" + name + "\" " + Describe(value));
      } else if (!(there->second == value)) {
        lines.push_back("[" + key + "] value \"" + name + "\" expected " + Describe(value) +
                        ", got " + Describe(there->second));
      }
    }
    for (const auto& [name, value] : found->second) {
      if (!values.contains(name)) {
        lines.push_back("[" + key + "] unexpected value \"" + name + "\" " + Describe(value));
      }
    }
  }
  for (const auto& [key, values] : actual.Keys()) {
    if (!expected.Keys().contains(key)) lines.push_back("unexpected key [" + key + "]");
  }
  return lines;
}

}  // namespace zent::testing
