#include "tests/both/test_platform.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

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

}  // namespace zent::testing
