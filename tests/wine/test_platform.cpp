#include "tests/both/test_platform.h"

#include <windows.h>

#include <sddl.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"

namespace zent::testing {
namespace {

// These tests write to the registry and the disk for real. They run only in
// the throwaway Wine prefix of tools/wine-sandbox.sh, which announces itself
// and its spare drive through the environment; anywhere else they stop.
std::string SandboxVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') {
    std::fprintf(stderr,
                 "%s is not set: the Wine tests run only inside tools/wine-sandbox.sh "
                 "(use tools/wine-tests.sh).\n",
                 name);
    std::fflush(stderr);
    std::exit(3);
  }
  return value;
}

std::string FixturesDrive() {
  static const std::string drive = [] {
    SandboxVariable("ZENT_SANDBOX");
    std::string letter = SandboxVariable("ZENT_FIXTURES_DRIVE");
    if (letter.size() == 1) letter += ':';
    return letter;
  }();
  return drive;
}

win32::Win32Platform& Win32() {
  static win32::Win32Platform platform;
  return platform;
}

std::string UniqueName(char prefix) {
  static int number = 0;
  return prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++number);
}

[[noreturn]] void Fail(const char* what, const std::string& key) {
  std::fprintf(stderr, "%s %s\n", what, key.c_str());
  std::exit(3);
}

// The string form of the user's security identifier, which names the
// user's hive in the system's own registry paths.
std::wstring UserSid() {
  win32::UniqueKernelObject token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) Fail("no token", "");
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::string buffer(size, '\0');
  win32::UniqueLocalMemory<wchar_t*> text;
  if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size) ||
      !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, text.put())) {
    Fail("no user identifier", "");
  }
  return text.get();
}

}  // namespace

platform::Platform& TestPlatform() {
  FixturesDrive();
  return Win32().platform();
}

std::string NewTestFolder() {
  const std::string folder = FixturesDrive() + "\\" + UniqueName('T') + "\\";
  if (!Win32().files.CreateFolders(folder)) {
    std::fprintf(stderr, "cannot create the test folder %s\n", folder.c_str());
    std::exit(3);
  }
  return folder;
}

std::string NewTestKey() {
  FixturesDrive();
  return "Software\\ZentTests\\" + UniqueName('K');
}

void StoreTextNotWhole(const std::string& key, std::string_view name, std::uint32_t type,
                       std::string_view text) {
  win32::UniqueHkey raw;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, win32::Widen(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                      nullptr, raw.put(), nullptr) != ERROR_SUCCESS) {
    std::fprintf(stderr, "cannot create the test key %s\n", key.c_str());
    std::exit(3);
  }
  // Half a character after the text; the system adds no terminator behind it.
  const std::wstring wide = win32::Widen(text);
  std::string bytes(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
  bytes.push_back('x');
  if (RegSetValueExW(raw.get(), win32::Widen(name).c_str(), 0, type,
                     reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS) {
    std::fprintf(stderr, "cannot store the test value %s\n", key.c_str());
    std::exit(3);
  }
}

void CreateLinkKey(const std::string& link, const std::string& target) {
  win32::UniqueHkey raw;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, win32::Widen(link).c_str(), 0, nullptr,
                      REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, raw.put(),
                      nullptr) != ERROR_SUCCESS) {
    Fail("cannot create the link key", link);
  }
  // The target in the system's own form, stored without a terminator.
  const std::wstring path = L"\\Registry\\User\\" + UserSid() + L"\\" + win32::Widen(target);
  if (RegSetValueExW(raw.get(), L"SymbolicLinkValue", 0, REG_LINK,
                     reinterpret_cast<const BYTE*>(path.data()),
                     static_cast<DWORD>(path.size() * sizeof(wchar_t))) != ERROR_SUCCESS) {
    Fail("cannot point the link key at", target);
  }
}

}  // namespace zent::testing
