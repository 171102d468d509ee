#pragma once

#include "platform/platform.h"

namespace zent::win32 {

class Win32System final : public platform::SystemQueries {
 public:
  std::string WindowsDirectory() override;
  std::string SystemDirectory() override;
  int ScreenWidth() override;
  int ScreenHeight() override;
  platform::Rect VirtualScreen() override;
  int ColorBits() override;
  std::optional<std::string> UserName() override;
  std::optional<std::string> ComputerName() override;
  int PlatformId() override;
  std::uint32_t ProcessorType() override;
  std::uint32_t DriveType(std::string_view root) override;
  std::optional<std::string> VolumeName(std::string_view root) override;
  std::string AbbreviatedDayName(int dayOfWeek) override;
  bool HasFontFace(std::string_view face) override;
  bool IsElevated() override;
};

class Win32Launcher final : public platform::ProgramLauncher {
 public:
  platform::ProgramStart StartProgramHidden(std::string_view programPath,
                                            std::string_view commandLine) override;
  std::unique_ptr<platform::StartedProgram> StartAsAdministrator(
      std::string_view programPath, std::string_view arguments) override;
};

class Win32Pump final : public platform::MessagePump {
 public:
  void Pump() override;
};

class Win32Clock final : public platform::Clock {
 public:
  platform::LocalTime Now() override;
  std::uint64_t TickMilliseconds() override;
};

}  // namespace zent::win32
