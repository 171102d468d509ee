#pragma once

#include <string>

#include "platform/platform.h"

namespace zent {

// Facts about the running system, gathered once when the object is built and
// never refreshed: the saver reads them at start and the machine does not
// change under it in a way that matters for one run.
class SystemFacts {
 public:
  SystemFacts(platform::SystemQueries& system, platform::Registry& registry);
  explicit SystemFacts(platform::Platform& platform)
      : SystemFacts(platform.system, platform.registry) {}

  int ScreenWidth() const { return screenWidth_; }
  int ScreenHeight() const { return screenHeight_; }
  int ColorBits() const { return colorBits_; }
  const std::string& UserName() const { return userName_; }
  const std::string& ComputerName() const { return computerName_; }
  // "Win32", "Win95" or "WinNT"; empty for any other platform.
  const std::string& Platform() const { return platform_; }
  // "386", "486", "Pentium" or "x".
  const std::string& Processor() const { return processor_; }
  const std::string& WinDirectory() const { return winDirectory_; }
  const std::string& SysDirectory() const { return sysDirectory_; }
  const std::string& ProgramsFolder() const { return programsFolder_; }
  const std::string& RecentFolder() const { return recentFolder_; }
  const std::string& StartMenuFolder() const { return startMenuFolder_; }
  // Never read: the user's documents are in PersonalFolder.
  const std::string& DocumentsFolder() const { return documentsFolder_; }
  const std::string& DesktopFolder() const { return desktopFolder_; }
  const std::string& StartUpFolder() const { return startUpFolder_; }
  const std::string& SendToFolder() const { return sendToFolder_; }
  const std::string& NetHoodFolder() const { return netHoodFolder_; }
  const std::string& FontsFolder() const { return fontsFolder_; }
  const std::string& PersonalFolder() const { return personalFolder_; }

 private:
  void ReadShellFolders(platform::Registry& registry);

  int screenWidth_ = 0;
  int screenHeight_ = 0;
  int colorBits_ = 0;
  std::string userName_;
  std::string computerName_;
  std::string platform_;
  std::string processor_;
  std::string winDirectory_;
  std::string sysDirectory_;
  std::string programsFolder_;
  std::string recentFolder_;
  std::string startMenuFolder_;
  std::string documentsFolder_;
  std::string desktopFolder_;
  std::string startUpFolder_;
  std::string sendToFolder_;
  std::string netHoodFolder_;
  std::string fontsFolder_;
  std::string personalFolder_;
};

}  // namespace zent
