#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zent::platform {

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

// The stored registry type, as the system numbers it. Types the helpers do not
// tell apart (multi-string, 64-bit integer, ...) keep their own number.
enum RegType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
  kRegQword = 11,
};

// A value's type and data. For the string types (text, expandable text,
// multi-string) `data` holds UTF-8 text without the terminating NUL (the
// strings of a multi-string are separated by NUL); for every other type it holds
// the raw bytes as stored (a 32-bit integer: 4 bytes, least significant first).
struct RegValue {
  std::uint32_t type = kRegNone;
  std::string data;
  // False for text that was stored without its terminator or with an odd last
  // byte: another program wrote it carelessly, and `data` is only the nearest
  // reading of it, perhaps cut short.
  bool textWhole = true;

  friend bool operator==(const RegValue&, const RegValue&) = default;
};

RegValue MakeTextValue(std::string_view text);
RegValue MakeDwordValue(std::int32_t number);
RegValue MakeBinaryValue(std::string_view bytes);

// The rights a key is opened with; each operation asks for the least it needs,
// as a standard user may read most of the machine's keys but change none.
enum class RegAccess {
  Read,      // query and list values and subkeys
  SetValue,  // query, set and delete values
  Remove,    // list and delete: the key itself, or what lies below it
  Full,      // everything
};

// An open key. Destroying it closes the handle.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // nullopt when the value does not exist or cannot be read.
  virtual std::optional<RegValue> QueryValue(std::string_view name) const = 0;
  // The type and the bytes exactly as stored, for text types too (UTF-16LE
  // with its terminator, or with whatever embedded NUL, missing terminator or
  // odd last byte another program left): what a backup must restore.
  virtual std::optional<RegValue> QueryStoredValue(std::string_view name) const = 0;
  virtual bool SetValue(std::string_view name, const RegValue& value) = 0;
  virtual std::vector<std::string> SubkeyNames() const = 0;
  virtual std::vector<std::string> ValueNames() const = 0;
  virtual bool DeleteValue(std::string_view name) = 0;
  // Deletes a direct subkey that has no subkeys of its own; fails otherwise.
  virtual bool DeleteSubkey(std::string_view name) = 0;
};

// The two views 64-bit Windows keeps of HKEY_LOCAL_MACHINE\SOFTWARE: the one of
// 64-bit programs and the one of 32-bit programs ("Wow6432Node").
enum class RegView { Bits64, Bits32 };

// Key paths are relative to the root, parts separated by "\", without a leading
// backslash; the empty path names the root itself. Names compare without regard
// to case, as in the system's registry.
class Registry {
 public:
  virtual ~Registry() = default;
  // nullptr when the key does not exist or cannot be opened with that access.
  virtual std::unique_ptr<RegistryKey> Open(RegRoot root, std::string_view path,
                                            RegAccess access) = 0;
  // Opens the key for reading and setting values, creating it and missing
  // parents first; nullptr when that is refused.
  virtual std::unique_ptr<RegistryKey> Create(RegRoot root, std::string_view path) = 0;
  // True when the key itself is a link to another key, which Open follows:
  // a walk that went through it would see that key a second time, or come
  // back to where it started. False for a plain key and a missing one, and
  // from a registry that has no links.
  virtual bool IsLink(RegRoot /*root*/, std::string_view /*path*/) { return false; }
  // The registry as programs of that width see it, whichever this one is; on
  // a system with one view only, this registry itself. Every registry answers
  // it itself: a wrapper that fell back on its own view would hide the other.
  virtual Registry& InView(RegView view) = 0;
};

}  // namespace zent::platform
