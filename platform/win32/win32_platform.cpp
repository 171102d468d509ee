#include "platform/win32/win32_platform.h"

#include <windows.h>

namespace zent::win32 {
namespace {

unsigned AddQuietErrorMode() {
  const UINT previous = SetErrorMode(0);
  SetErrorMode(previous | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  return previous;
}

}  // namespace

Win32Platform::Win32Platform()
    : previousErrorMode_(AddQuietErrorMode()), platform_{registry, files, shell, system,
                                                         launcher, pump,  clock, resources} {}

Win32Platform::~Win32Platform() { SetErrorMode(previousErrorMode_); }

}  // namespace zent::win32
