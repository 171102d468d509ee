#pragma once

#include "platform/canvas.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/shell.h"
#include "platform/system.h"

namespace zent::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() = 0;
  virtual std::uint64_t TickMilliseconds() = 0;
};

// The operating system as the core sees it. The shipped program fills it with
// the Win32 implementations, the unit tests with the in-memory ones.
struct Platform {
  Registry& registry;
  FileSystem& files;
  Shell& shell;
  SystemQueries& system;
  ProgramLauncher& launcher;
  MessagePump& pump;
  Clock& clock;
  TextResources& resources;
};

}  // namespace zent::platform
