#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_links.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_resources.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_system.h"

namespace zent::win32 {

// The real operating system behind the core's interfaces. While it lives, the
// process fails critical errors (a drive without a medium, a removed disk)
// quietly instead of asking the user, so a scan never stops at a dialog.
class Win32Platform {
 public:
  Win32Platform();
  ~Win32Platform();
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  Win32Registry registry;
  Win32FileSystem files;
  Win32Shell shell;
  Win32ShellLinks links;
  Win32System system;
  Win32Launcher launcher;
  Win32Pump pump;
  Win32Clock clock;
  Win32Resources resources;
  platform::Platform& platform() { return platform_; }

 private:
  unsigned previousErrorMode_;
  platform::Platform platform_;
};

}  // namespace zent::win32
