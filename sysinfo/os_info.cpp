#include "sysinfo/os_info.h"

#include <cstdint>
#include <string_view>

#include "common/registry_errors.h"
#include "common/registry_helpers.h"

namespace zent {
namespace {

constexpr std::string_view kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string PlatformText(int platformId) {
  switch (platformId) {
    case 0:
      return "Win32";
    case 1:
      return "Win95";
    case 2:
      return "WinNT";
    default:
      return {};
  }
}

std::string ProcessorText(std::uint32_t processorType) {
  switch (processorType) {
    case 386:
      return "386";
    case 486:
      return "486";
    case 586:
      return "Pentium";
    default:
      return "x";
  }
}

// A shell folder stored in a type that cannot be read as text (a long binary
// written by some tool) is no folder we could use; it must not stop the saver
// from starting, so it reads as missing.
std::string ShellFolder(platform::Registry& registry, std::string_view name) {
  return RegReadTextOrEmpty(registry, platform::RegRoot::CurrentUser, kShellFoldersKey, name);
}

}  // namespace

SystemFacts::SystemFacts(platform::SystemQueries& system, platform::Registry& registry) {
  winDirectory_ = system.WindowsDirectory();
  sysDirectory_ = system.SystemDirectory();
  screenWidth_ = system.ScreenWidth();
  screenHeight_ = system.ScreenHeight();
  colorBits_ = system.ColorBits();
  userName_ = system.UserName().value_or("");
  computerName_ = system.ComputerName().value_or("");
  platform_ = PlatformText(system.PlatformId());
  processor_ = ProcessorText(system.ProcessorType());
  ReadShellFolders(registry);
}

void SystemFacts::ReadShellFolders(platform::Registry& registry) {
  programsFolder_ = ShellFolder(registry, "Programs");
  recentFolder_ = ShellFolder(registry, "Recent");
  startMenuFolder_ = ShellFolder(registry, "Start Menu");
  startUpFolder_ = ShellFolder(registry, "StartUp");
  desktopFolder_ = ShellFolder(registry, "Desktop");
  fontsFolder_ = ShellFolder(registry, "Fonts");
  netHoodFolder_ = ShellFolder(registry, "NetHood");
  personalFolder_ = ShellFolder(registry, "Personal");
  sendToFolder_ = ShellFolder(registry, "SendTo");
}

}  // namespace zent
