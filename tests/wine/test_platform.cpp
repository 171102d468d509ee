#include "tests/both/test_platform.h"

#include <windows.h>

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

}  // namespace zent::testing
