#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace zent::win32 {

using platform::RegAccess;
using platform::RegRoot;
using platform::RegValue;

namespace {

HKEY RootKey(RegRoot root) {
  switch (root) {
    case RegRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegRoot::CurrentUser:
      return HKEY_CURRENT_USER;
    case RegRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegRoot::Users:
      return HKEY_USERS;
    case RegRoot::CurrentConfig:
      return HKEY_CURRENT_CONFIG;
  }
  return HKEY_CURRENT_USER;
}

REGSAM Rights(RegAccess access) {
  switch (access) {
    case RegAccess::Read:
      return KEY_READ;
    case RegAccess::SetValue:
      return KEY_QUERY_VALUE | KEY_SET_VALUE;
    case RegAccess::Remove:
      // Deleting a key takes DELETE on the key itself (its parent's rights do
      // not matter); listing is what a walk of the keys below it needs.
      return DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE;
    case RegAccess::Full:
      return KEY_ALL_ACCESS;
  }
  return KEY_READ;
}

bool HoldsNul(std::string_view text) { return text.find('\0') != std::string_view::npos; }

// The key path as the API wants it. A leading backslash, which the API would
// refuse, means the same path; a NUL would cut the name short and reach
// another key, so such a path names nothing.
std::optional<std::wstring> KeyPath(std::string_view path) {
  if (HoldsNul(path)) return std::nullopt;
  while (path.starts_with('\\')) path.remove_prefix(1);
  return Widen(path);
}

bool IsTextType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Stored UTF-16 text without its terminator(s); a multi-string keeps the NULs
// between its strings.
std::string TextFromStored(DWORD type, const std::string& bytes) {
  std::wstring wide(bytes.size() / sizeof(wchar_t), L'\0');
  std::memcpy(wide.data(), bytes.data(), wide.size() * sizeof(wchar_t));
  if (type == REG_MULTI_SZ) {
    while (!wide.empty() && wide.back() == L'\0') wide.pop_back();
  } else if (const auto end = wide.find(L'\0'); end != std::wstring::npos) {
    wide.resize(end);
  }
  return Narrow(wide);
}

// Text as the system itself writes it: whole UTF-16 units, the last one a NUL.
bool IsStoredWhole(const std::string& bytes) {
  if (bytes.empty()) return true;  // stored with no data at all: the empty text
  if (bytes.size() % sizeof(wchar_t) != 0) return false;
  return bytes[bytes.size() - 1] == '\0' && bytes[bytes.size() - 2] == '\0';
}

std::string StoredFromText(DWORD type, std::string_view text) {
  std::wstring wide = Widen(text);
  wide.push_back(L'\0');
  if (type == REG_MULTI_SZ) wide.push_back(L'\0');
  return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

class Win32Key final : public platform::RegistryKey {
 public:
  explicit Win32Key(UniqueHkey key) : key_(std::move(key)) {}

  std::optional<RegValue> QueryValue(std::string_view name) const override {
    auto stored = QueryStoredValue(name);
    if (!stored || !IsTextType(stored->type)) return stored;
    return RegValue{stored->type, TextFromStored(stored->type, stored->data),
                    IsStoredWhole(stored->data)};
  }

  std::optional<RegValue> QueryStoredValue(std::string_view name) const override {
    if (HoldsNul(name)) return std::nullopt;
    const std::wstring wideName = Widen(name);
    std::string bytes(256, '\0');
    for (;;) {
      DWORD type = REG_NONE;
      DWORD size = static_cast<DWORD>(bytes.size());
      const LONG status = RegQueryValueExW(key_.get(), wideName.c_str(), nullptr, &type,
                                           reinterpret_cast<BYTE*>(bytes.data()), &size);
      if (status == ERROR_MORE_DATA) {
        bytes.resize(std::max<std::size_t>(size, bytes.size() * 2));
        continue;
      }
      if (status != ERROR_SUCCESS) return std::nullopt;
      bytes.resize(size);
      return RegValue{type, std::move(bytes)};
    }
  }

  bool SetValue(std::string_view name, const RegValue& value) override {
    if (HoldsNul(name)) return false;
    const std::string bytes =
        IsTextType(value.type) ? StoredFromText(value.type, value.data) : value.data;
    if (bytes.size() > MAXDWORD) return false;
    return RegSetValueExW(key_.get(), Widen(name).c_str(), 0, value.type,
                          reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
  }

  std::vector<std::string> SubkeyNames() const override {
    return EnumerateNames([this](DWORD index, wchar_t* name, DWORD* length) {
      return RegEnumKeyExW(key_.get(), index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
  }

  std::vector<std::string> ValueNames() const override {
    return EnumerateNames([this](DWORD index, wchar_t* name, DWORD* length) {
      return RegEnumValueW(key_.get(), index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
  }

  bool DeleteValue(std::string_view name) override {
    if (HoldsNul(name)) return false;
    return RegDeleteValueW(key_.get(), Widen(name).c_str()) == ERROR_SUCCESS;
  }

  bool DeleteSubkey(std::string_view name) override {
    // An empty name would delete this key itself, a path a key further down.
    if (name.empty() || HoldsNul(name) || name.find('\\') != std::string_view::npos) {
      return false;
    }
    return RegDeleteKeyW(key_.get(), Widen(name).c_str()) == ERROR_SUCCESS;
  }

 private:
  // Walks an enumeration by index, growing the name buffer whenever a name
  // does not fit (value names may be far longer than key names).
  template <typename EnumerateOne>
  static std::vector<std::string> EnumerateNames(EnumerateOne enumerateOne) {
    std::vector<std::string> names;
    std::wstring buffer(256, L'\0');
    for (DWORD index = 0;;) {
      DWORD length = static_cast<DWORD>(buffer.size());
      const LONG status = enumerateOne(index, buffer.data(), &length);
      if (status == ERROR_MORE_DATA) {
        if (buffer.size() >= 1 << 20) break;
        buffer.resize(buffer.size() * 2);
        continue;
      }
      if (status != ERROR_SUCCESS) break;
      names.push_back(Narrow(std::wstring_view(buffer.data(), length)));
      ++index;
    }
    return names;
  }

  UniqueHkey key_;
};

}  // namespace

Win32Registry::~Win32Registry() = default;

// The flags are ignored where there is only one view (32-bit Windows).
platform::Registry& Win32Registry::InView(platform::RegView view) {
  const bool bits64 = view == platform::RegView::Bits64;
  const std::uint32_t flag = bits64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
  if (flag == viewFlag_) return *this;
  auto& registry = views_[bits64 ? 0 : 1];
  if (!registry) registry = std::make_unique<Win32Registry>(flag);
  return *registry;
}

std::unique_ptr<platform::RegistryKey> Win32Registry::Open(RegRoot root, std::string_view path,
                                                           RegAccess access) {
  const auto keyPath = KeyPath(path);
  if (!keyPath) return nullptr;
  const REGSAM rights = Rights(access) | viewFlag_;
  UniqueHkey key;
  if (RegOpenKeyExW(RootKey(root), keyPath->c_str(), 0, rights, key.put()) != ERROR_SUCCESS) {
    return nullptr;
  }
  return std::make_unique<Win32Key>(std::move(key));
}

std::unique_ptr<platform::RegistryKey> Win32Registry::Create(RegRoot root, std::string_view path) {
  const auto keyPath = KeyPath(path);
  if (!keyPath) return nullptr;
  UniqueHkey key;
  if (RegCreateKeyExW(RootKey(root), keyPath->c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      Rights(RegAccess::SetValue) | viewFlag_, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS) {
    return nullptr;
  }
  return std::make_unique<Win32Key>(std::move(key));
}

// A link key holds the path of its target in "SymbolicLinkValue", of the link
// type; it can only be seen by opening the link itself instead of its target.
bool Win32Registry::IsLink(RegRoot root, std::string_view path) {
  const auto keyPath = KeyPath(path);
  if (!keyPath || keyPath->empty()) return false;
  UniqueHkey key;
  if (RegOpenKeyExW(RootKey(root), keyPath->c_str(), REG_OPTION_OPEN_LINK,
                    KEY_QUERY_VALUE | viewFlag_, key.put()) != ERROR_SUCCESS) {
    return false;
  }
  DWORD type = REG_NONE;
  return RegQueryValueExW(key.get(), L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
             ERROR_SUCCESS &&
         type == REG_LINK;
}

}  // namespace zent::win32
