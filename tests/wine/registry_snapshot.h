#pragma once

// A record of registry subtrees, key for key and value for value (type and
// bytes as stored), taken through the platform's registry, so that a test can tell
// exactly what a run changed and whether restoring a backup undid it.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace zent::testing {

struct RegLocation {
  platform::RegRoot root = platform::RegRoot::CurrentUser;
  std::string path;
};

// "HKEY_LOCAL_MACHINE\SOFTWARE\X" for {LocalMachine, "SOFTWARE\X"}.
std::string FullKeyName(const RegLocation& location);

class RegistrySnapshot {
 public:
  using Values = std::map<std::string, platform::RegValue>;

  // Adds the key and everything below it; a missing key adds nothing.
  void Take(platform::Registry& registry, const RegLocation& location);

  // Edits that describe what a run is expected to do.
  void RemoveKey(const RegLocation& location);  // with everything below it
  void RemoveValue(const RegLocation& key, std::string_view name);
  void SetValue(const RegLocation& key, std::string_view name, platform::RegValue value);

  bool HasKey(const RegLocation& location) const;
  const std::map<std::string, Values>& Keys() const { return keys_; }

 private:
  void Walk(platform::Registry& registry, platform::RegRoot root, const std::string& path);

  std::map<std::string, Values> keys_;  // by FullKeyName
};

// Readable lines naming every key or value that differs; empty when equal.
std::vector<std::string> Differences(const RegistrySnapshot& expected,
                                     const RegistrySnapshot& actual);

}  // namespace zent::testing
