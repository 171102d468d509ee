// Plants what a shell script cannot for the saver's sweep and run-log checks
// (tools/check-saver-sweeps.sh, tools/check-run-log.sh):
//
//   sweep_fixtures link <shortcut> <target>
//       writes a shortcut to <target> through the shell's link object, as
//       Explorer would; the target need not exist.
//   sweep_fixtures attributes <path> <hex>
//       gives <path> the attribute bits <hex> (such as 6 for hidden and
//       system) and fails unless they read back so.
//   sweep_fixtures attributes <file>
//       prints the attributes of <file> in hexadecimal ("0x6").
//   sweep_fixtures symlink <link> <target>
//       makes <link> a symbolic link to the file <target> (CreateSymbolicLinkW).
//   sweep_fixtures hardlink <link> <existing>
//       makes <link> a second name of the file <existing> (CreateHardLinkW).
//   sweep_fixtures hidesystem <file>
//       gives <file> the hidden and system attributes.
//   sweep_fixtures hold <file> <signal>
//       opens <file> for exclusive use, creates the file <signal> once the
//       file is held, and keeps it held until <signal> is removed (at most
//       five minutes).
//
// Exit code 0 on success, 1 when the shortcut or the hold failed, 2 on wrong
// arguments.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_links.h"

namespace {

constexpr DWORD kLongestHold = 5 * 60 * 1000;  // ms
constexpr DWORD kPollInterval = 100;           // ms

int MakeLink(const wchar_t* link, const wchar_t* target) {
  const zent::win32::ComApartment com;
  if (!com.ok() ||
      !zent::win32::SaveShellLink(zent::win32::Narrow(link), zent::win32::Narrow(target))) {
    std::fprintf(stderr, "sweep_fixtures: the shortcut %ls could not be written\n", link);
    return 1;
  }
  return 0;
}

int SetAttributes(const wchar_t* path, const wchar_t* hex) {
  const DWORD wanted = std::wcstoul(hex, nullptr, 16);
  if (!SetFileAttributesW(path, wanted) || (GetFileAttributesW(path) & wanted) != wanted) {
    std::fprintf(stderr, "sweep_fixtures: %ls did not take the attributes %ls\n", path, hex);
    return 1;
  }
  return 0;
}

bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

bool MakeFile(const wchar_t* path) {
  const zent::win32::UniqueFile made(
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(made);
}

int Hold(const wchar_t* file, const wchar_t* signal) {
  const zent::win32::UniqueFile held(CreateFileW(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!held) {
    std::fprintf(stderr, "sweep_fixtures: %ls could not be opened (%lu)\n", file, GetLastError());
    return 1;
  }
  if (!MakeFile(signal)) {
    std::fprintf(stderr, "sweep_fixtures: the signal %ls could not be made\n", signal);
    return 1;
  }
  for (DWORD waited = 0; waited < kLongestHold && Exists(signal); waited += kPollInterval) {
    Sleep(kPollInterval);
  }
  return 0;
}

int Report(bool done, const char* what, const wchar_t* path) {
  if (done) return 0;
  std::fprintf(stderr, "sweep_fixtures: %s %ls failed (%lu)\n", what, path, GetLastError());
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (argc == 4 && command == L"link") return MakeLink(argv[2], argv[3]);
  if (argc == 4 && command == L"hold") return Hold(argv[2], argv[3]);
  if (argc == 4 && command == L"attributes") return SetAttributes(argv[2], argv[3]);
  if (argc == 4 && command == L"symlink") {
    return Report(CreateSymbolicLinkW(argv[2], argv[3], 0) != 0, "symlink", argv[2]);
  }
  if (argc == 4 && command == L"hardlink") {
    return Report(CreateHardLinkW(argv[2], argv[3], nullptr) != 0, "hardlink", argv[2]);
  }
  if (argc == 3 && command == L"attributes") {
    const DWORD attributes = GetFileAttributesW(argv[2]);
    std::printf("0x%lx\n", attributes);
    return Report(attributes != INVALID_FILE_ATTRIBUTES, "attributes", argv[2]);
  }
  if (argc == 3 && command == L"hidesystem") {
    return Report(SetFileAttributesW(argv[2], FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM) != 0,
                  "hidesystem", argv[2]);
  }
  std::fprintf(stderr,
               "usage: sweep_fixtures link <shortcut> <target> | attributes <path> [<hex>] | "
               "symlink <link> <target> | hardlink <link> <existing> | hidesystem <file> | "
               "hold <file> <signal>\n");
  return 2;
}
