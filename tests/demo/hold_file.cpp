// Holds a file open for reading and writing, sharing nothing, as a program
// that has the file in use does, so that a sandboxed saver run meets a file
// it must leave alone.
//
//   hold_file <path> <seconds>
//
// Prints "holding" once the file is open, then keeps it open for the time
// given (or until it is ended). Exit code 0; 1 when the file could not be
// opened.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "platform/win32/handles.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fwprintf(stderr, L"usage: hold_file <path> <seconds>\n");
    return 2;
  }
  const zent::win32::UniqueFile file(CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    std::fwprintf(stderr, L"hold_file: cannot open %ls (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  std::printf("holding\n");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) * 1000);
  return 0;
}
