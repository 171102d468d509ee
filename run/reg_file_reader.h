#pragma once

// Reads registry-editor scripts back: the exporter's files and the running
// backup alike. The data of each value is given as the NT family's registry
// stores it once the script is imported, so that it can be compared byte for
// byte with what a key holds before anything is removed. Malformed lines are
// counted and skipped, as the editor skips them; nothing in the input can make
// the reader fail in another way.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zent {

enum class ScriptFormat {
  Regedit4,  // "REGEDIT4": hex(2) and hex(7) data are single-byte text
  Version5,  // "Windows Registry Editor Version 5.00": all data as stored
};

struct ScriptValue {
  std::string name;  // UTF-8; empty for the default value ("@")
  std::uint32_t type = 0;
  // As stored: text as UTF-16LE with its terminating NUL, a "dword:" as four
  // bytes least significant first, hex data as written.
  std::string data;
  bool remove = false;  // "name"=- deletes the value on import
};

struct ScriptKey {
  std::string path;     // as on the key line: the root in full, then the path
  bool remove = false;  // [-path] deletes the key with everything below it
  std::vector<ScriptValue> values;
};

struct RegScript {
  std::vector<ScriptKey> keys;  // in file order; a key may appear more than once
  std::size_t malformedLines = 0;
};

// Reads a script from its file bytes: UTF-16LE with its byte-order mark,
// UTF-8 with its mark, else single-byte. Several scripts one after the other
// (each with its own header) read as one. nullopt when the first line that is
// not blank is neither header.
std::optional<RegScript> ReadRegScript(std::string_view bytes);

// What importing the script leaves, by key and then value name, both upper
// case (names compare without regard to case). Later lines win; deletions
// take out what earlier lines put in.
using ImportedKey = std::map<std::string, ScriptValue>;
using ImportedScript = std::map<std::string, ImportedKey>;
ImportedScript ImportedContent(const RegScript& script);

// The stored form of a text value written as "text" in a script.
std::string StoredText(std::string_view utf8);

}  // namespace zent
