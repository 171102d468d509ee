#pragma once

// Proof that a backup restores what a removal takes: the key tree as the
// removal will find it, compared value by value, byte for byte, with what
// importing the backup's script would write.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry.h"
#include "run/backup_file.h"
#include "run/reg_file_reader.h"

namespace zent {

struct StoredKey {
  std::string path;                                                // below the root
  std::vector<std::pair<std::string, platform::RegValue>> values;  // as stored
};

// The key and every key below it, opened with full access as the removal
// opens them. A key that cannot be opened so is left out: the removal cannot
// take it either. Empty when the key itself cannot be opened.
std::vector<StoredKey> ReadKeyTree(platform::Registry& registry, platform::RegRoot root,
                                   std::string_view path);

// One value as stored, through the same full access; nullopt when missing.
std::optional<platform::RegValue> ReadStoredValue(platform::Registry& registry,
                                                  platform::RegRoot root, std::string_view path,
                                                  std::string_view name);

// What of `keys` importing the script would not restore exactly: keys it has
// no key line for (with their values) and values it does not write with the
// same type and bytes.
std::vector<StoredKey> NotRestoredBy(const ImportedScript& imported, std::string_view rootName,
                                     const std::vector<StoredKey>& keys);

// A block that restores `keys` exactly: header, then each key line with its
// values as exact hex lines. nullopt when a name cannot be written, or the
// block would not read back as those very values (the single-byte form cannot
// carry every text exactly).
std::optional<std::vector<std::string>> ExactBlockLines(BackupEncoding encoding,
                                                        std::string_view rootName,
                                                        const std::vector<StoredKey>& keys);

// Whether every key line of the script, one that deletes included, names the
// key `path` of `root` or a key below it, compared as the registry compares
// names (without regard to case), the root written in full or short
// ("HKLM"). Imported, any other line would rewrite a key the repair leaves.
bool NamesOnlyKeyTree(const RegScript& script, platform::RegRoot root, std::string_view path);

// Whether the lines, written in that encoding, restore `keys` exactly.
bool LinesRestore(const std::vector<std::string>& lines, BackupEncoding encoding,
                  std::string_view rootName, const std::vector<StoredKey>& keys);

}  // namespace zent
