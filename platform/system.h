#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/canvas.h"

namespace zent::platform {

// Drive types as the system numbers them.
enum DriveType : std::uint32_t {
  kDriveUnknown = 0,
  kDriveNoRootDir = 1,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdRom = 5,
  kDriveRamDisk = 6,
};

class SystemQueries {
 public:
  virtual ~SystemQueries() = default;
  virtual std::string WindowsDirectory() = 0;
  virtual std::string SystemDirectory() = 0;
  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
  // What all monitors together cover, in screen coordinates: the primary
  // monitor's top-left corner is (0, 0), so the origin is negative when a
  // monitor stands left of or above it.
  virtual Rect VirtualScreen() = 0;
  virtual int ColorBits() = 0;  // bits per pixel x colour planes
  virtual std::optional<std::string> UserName() = 0;
  virtual std::optional<std::string> ComputerName() = 0;
  virtual int PlatformId() = 0;               // 0 Win32s, 1 Windows 95 family, 2 NT family
  virtual std::uint32_t ProcessorType() = 0;  // 386, 486, 586, ...
  virtual std::uint32_t DriveType(std::string_view root) = 0;  // root: "C:\"
  // nullopt when the volume cannot be read.
  virtual std::optional<std::string> VolumeName(std::string_view root) = 0;
  // The user's locale's abbreviated name of a weekday (0 = Sunday), as dates
  // are written in file names ("Mo" in German, "Mon" in English).
  virtual std::string AbbreviatedDayName(int dayOfWeek) = 0;
  // True when the system has a font of this face name loaded (compared
  // without regard to case), wherever its file lies; false when it cannot
  // tell.
  virtual bool HasFontFace(std::string_view /*face*/) { return false; }
  // True when this process runs with administrator rights (an elevated token,
  // or the administrators group enabled in it); false when it cannot tell.
  virtual bool IsElevated() { return false; }
};

// A program started in the background. Letting go of it ends the program if
// it is still running: nothing the saver starts outlives the step that waits
// for it.
class RunningProgram {
 public:
  virtual ~RunningProgram() = default;
  // Waits until the program has ended, at most `milliseconds`, and returns
  // sooner when a window message arrives for this thread, so the caller can
  // let it run; true once the program has ended.
  virtual bool WaitForEnd(std::uint32_t milliseconds) = 0;
  // Ends the program at once, whatever it was doing.
  virtual void Terminate() = 0;
};

// Why a program could not be started.
enum class StartFailure {
  None,               // it was started
  ElevationRequired,  // it asks for rights this process's token lacks
  NotFound,           // no program file at that path
  Other,
};

struct ProgramStart {
  std::unique_ptr<RunningProgram> program;  // null when it could not be started
  StartFailure failure = StartFailure::None;
};

// A program started for the user: it runs on by itself, whatever becomes of
// this handle.
class StartedProgram {
 public:
  virtual ~StartedProgram() = default;
  // True once the program has ended; never waits.
  virtual bool HasEnded() = 0;
};

class ProgramLauncher {
 public:
  virtual ~ProgramLauncher() = default;
  // Starts the program at `programPath` (a full path) without showing a window
  // and without waiting for it; without a program, the reason it could not
  // be started. The command line's first word only names the program and is
  // never searched for, so a program of that name in the current or the
  // caller's folder is not run.
  virtual ProgramStart StartProgramHidden(std::string_view programPath,
                                          std::string_view commandLine) = 0;
  // Starts the program at `programPath` (a full path) with `arguments` as the
  // shell does, with administrator rights: the system asks the user to agree
  // or for an administrator's password. nullptr when it was not started
  // (refused, cancelled, missing).
  virtual std::unique_ptr<StartedProgram> StartAsAdministrator(std::string_view programPath,
                                                               std::string_view arguments) = 0;
};

class MessagePump {
 public:
  virtual ~MessagePump() = default;
  // Lets the pending window messages of this thread run.
  virtual void Pump() = 0;
};

}  // namespace zent::platform
