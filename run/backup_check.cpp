#include "run/backup_check.h"

#include <algorithm>

#include "common/concat.h"
#include "platform/utf8.h"

namespace zent {

using platform::RegAccess;
using platform::RegRoot;
using platform::RegValue;

namespace {

void ReadTreeInto(platform::Registry& registry, RegRoot root, const std::string& path,
                  std::vector<StoredKey>& keys) {
  const auto key = registry.Open(root, path, RegAccess::Read);
  if (!key) return;
  StoredKey stored{path, {}};
  for (const auto& name : key->ValueNames()) {
    if (auto value = key->QueryStoredValue(name)) stored.values.emplace_back(name, *value);
  }
  keys.push_back(std::move(stored));
  for (const auto& sub : key->SubkeyNames()) {
    ReadTreeInto(registry, root, Concat({path, "\\", sub}), keys);
  }
}

// "\A\B\" names the same key as "A\B", as the removal reads it.
std::string_view KeyPath(std::string_view path) {
  while (path.starts_with('\\')) path.remove_prefix(1);
  while (path.ends_with('\\')) path.remove_suffix(1);
  return path;
}

struct RootSpelling {
  std::string_view name;  // upper case
  RegRoot root;
};

// Every spelling of a root the registry editor imports.
constexpr RootSpelling kRootSpellings[] = {
    {"HKEY_CLASSES_ROOT", RegRoot::ClassesRoot},
    {"HKCR", RegRoot::ClassesRoot},
    {"HKEY_CURRENT_USER", RegRoot::CurrentUser},
    {"HKCU", RegRoot::CurrentUser},
    {"HKEY_LOCAL_MACHINE", RegRoot::LocalMachine},
    {"HKLM", RegRoot::LocalMachine},
    {"HKEY_USERS", RegRoot::Users},
    {"HKU", RegRoot::Users},
    {"HKEY_CURRENT_CONFIG", RegRoot::CurrentConfig},
    {"HKCC", RegRoot::CurrentConfig},
};

std::optional<RegRoot> RootSpelled(std::string_view name) {
  const std::string upper = UpperCaseUtf8(name);
  for (const auto& spelling : kRootSpellings) {
    if (spelling.name == upper) return spelling.root;
  }
  return std::nullopt;
}

// `upperPath` is the asked key's path in upper case; "APPX" is not below "APP".
bool NamesKeyOrBelow(std::string_view line, RegRoot root, const std::string& upperPath) {
  const auto split = line.find('\\');
  if (split == std::string_view::npos || RootSpelled(line.substr(0, split)) != root) return false;
  const std::string path = UpperCaseUtf8(line.substr(split + 1));
  return path == upperPath || path.starts_with(upperPath + "\\");
}

bool Restores(const ImportedKey& imported, const std::string& name, const RegValue& value) {
  const auto found = imported.find(UpperCaseUtf8(name));
  return found != imported.end() && found->second.type == value.type &&
         found->second.data == value.data;
}

}  // namespace

std::vector<StoredKey> ReadKeyTree(platform::Registry& registry, RegRoot root,
                                   std::string_view path) {
  std::vector<StoredKey> keys;
  ReadTreeInto(registry, root, std::string(KeyPath(path)), keys);
  return keys;
}

std::optional<RegValue> ReadStoredValue(platform::Registry& registry, RegRoot root,
                                        std::string_view path, std::string_view name) {
  const auto key = registry.Open(root, KeyPath(path), RegAccess::Read);
  return key ? key->QueryStoredValue(name) : std::nullopt;
}

std::vector<StoredKey> NotRestoredBy(const ImportedScript& imported, std::string_view rootName,
                                     const std::vector<StoredKey>& keys) {
  std::vector<StoredKey> missing;
  for (const auto& key : keys) {
    const auto line = imported.find(UpperCaseUtf8(Concat({rootName, "\\", key.path})));
    if (line == imported.end()) {
      missing.push_back(key);
      continue;
    }
    StoredKey inexact{key.path, {}};
    for (const auto& [name, value] : key.values) {
      if (!Restores(line->second, name, value)) inexact.values.emplace_back(name, value);
    }
    if (!inexact.values.empty()) missing.push_back(std::move(inexact));
  }
  return missing;
}

bool NamesOnlyKeyTree(const RegScript& script, RegRoot root, std::string_view path) {
  const std::string upperPath = UpperCaseUtf8(KeyPath(path));
  return std::all_of(script.keys.begin(), script.keys.end(), [&](const ScriptKey& key) {
    return NamesKeyOrBelow(key.path, root, upperPath);
  });
}

std::optional<std::vector<std::string>> ExactBlockLines(BackupEncoding encoding,
                                                        std::string_view rootName,
                                                        const std::vector<StoredKey>& keys) {
  std::vector<std::string> lines{std::string(ScriptHeader(encoding)), std::string()};
  for (const auto& key : keys) {
    lines.push_back(Concat({"[", rootName, "\\", key.path, "]"}));
    for (const auto& [name, value] : key.values) {
      const auto valueLines = ExactValueLines(name, value);
      if (!valueLines) return std::nullopt;
      lines.insert(lines.end(), valueLines->begin(), valueLines->end());
    }
    lines.emplace_back();
  }
  if (!LinesRestore(lines, encoding, rootName, keys)) return std::nullopt;
  return lines;
}

bool LinesRestore(const std::vector<std::string>& lines, BackupEncoding encoding,
                  std::string_view rootName, const std::vector<StoredKey>& keys) {
  const auto bytes = EncodeScriptLines(lines, encoding, true);
  const auto script = bytes ? ReadRegScript(*bytes) : std::nullopt;
  return script && NotRestoredBy(ImportedContent(*script), rootName, keys).empty();
}

}  // namespace zent
