// Lines of a shipped exclusion file, of any shape: the entry never keeps a
// quote, a comment is empty, a line without "*" is only normalised, and the
// path after a variable stays as written.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/exclusions.h"
#include "common/path_helpers.h"
#include "platform/memory/memory_platform.h"
#include "tests/fuzz/fuzz_checks.h"

using zent::fuzz::Require;

namespace {

zent::memory::MemoryPlatform& Memory() {
  static zent::memory::MemoryPlatform memory;
  static const bool prepared = [] {
    memory.shell.SetEnvironment("TEMP", "C:\\Users\\Tester\\AppData\\Local\\Temp");
    memory.shell.SetEnvironment("USERPROFILE", "C:\\Users\\Ärger");
    memory.shell.SetEnvironment("E", "*");
    return true;
  }();
  (void)prepared;
  return memory;
}

const zent::FolderVariables& Folders() {
  static const zent::FolderVariables folders{.winDirectory = "C:\\Windows",
                                             .sysDirectory = "C:\\Windows\\System32",
                                             .programsFolder = "C:\\Start\\Programme",
                                             .recentFolder = "C:\\Profil\\Zuletzt",
                                             .startMenuFolder = "C:\\Start",
                                             .documentsFolder = "",
                                             .desktopFolder = "C:\\Profil\\Desktop",
                                             .startUpFolder = "C:\\Start\\Autostart",
                                             .sendToFolder = "C:\\Profil\\SendTo",
                                             .fontsFolder = "C:\\Windows\\Fonts",
                                             .personalFolder = "C:\\Profil\\Eigene Dateien"};
  return folders;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& shell = Memory().shell;
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::string entry = zent::ExpandExclusionLine(shell, Folders(), line);
  const std::string normalized = zent::NormalizePath(shell, line);

  Require(entry.find('"') == std::string::npos, "an expanded entry holds no quote");
  if (line.starts_with(';')) {
    Require(entry.empty(), "a comment gives no entry");
  } else if (normalized.find('*') == std::string::npos) {
    Require(entry == normalized, "a line without a variable is only normalised");
  } else {
    const std::string rest = normalized.substr(zent::CharacterLength(normalized, 0));
    const auto backslash = rest.find('\\');
    const std::string_view tail = backslash == std::string::npos
                                      ? std::string_view(rest)
                                      : std::string_view(rest).substr(backslash);
    Require(entry.ends_with(tail), "the path after the variable stays as written");
  }
  if (zent::fuzz::WellFormedUtf8(line)) {
    Require(zent::fuzz::WellFormedUtf8(entry), "a well-formed line gives a well-formed entry");
  }
  return 0;
}
