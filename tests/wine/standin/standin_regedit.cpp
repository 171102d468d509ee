// A stand-in "regedit.exe" for the check that the saver never starts a
// program of that name lying in its own or the current folder: it leaves an
// empty file named after itself with ".started" added, and nothing else.
#include <windows.h>

#include <string>

#include "platform/win32/handles.h"

int wmain() {
  std::wstring path(MAX_PATH, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  path.resize(length);
  path += L".started";
  const zent::win32::UniqueFile marker(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return marker ? 0 : 1;
}
