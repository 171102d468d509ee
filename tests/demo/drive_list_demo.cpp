// Shows the drive list over this machine's drives in a window of its own, so
// its look can be checked; the saver itself keeps its drive lists hidden.
//
//   drive_list_demo [--close-after <seconds>]
//
// Prints the rows it lists, then runs until the window is closed or the given
// time has passed.
#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>
// platform::Canvas::TextOut keeps its own name; the system's function is
// TextOutW.
#undef TextOut

#include <cstdio>
#include <cwchar>
#include <string>

#include "platform/win32/win32_platform.h"
#include "sysinfo/win32/drive_list_box.h"

namespace {

using zent::DriveList;
using zent::win32::DriveListBox;
using zent::win32::GdiImageList;

constexpr int kListId = 100;
constexpr UINT_PTR kCloseTimer = 1;
constexpr int kListWidth = 320;
constexpr int kMargin = 12;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      // Closed as the user would close it, which destroys it.
      if (wParam == kCloseTimer) SendMessageW(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

HWND CreateMainWindow(int clientWidth, int clientHeight) {
  WNDCLASSW description{};
  description.lpfnWndProc = WindowProc;
  description.hInstance = GetModuleHandleW(nullptr);
  description.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  description.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  description.lpszClassName = L"ZentDriveListDemo";
  RegisterClassW(&description);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRect(&frame, style, FALSE);
  return CreateWindowExW(0, description.lpszClassName, L"Drive list", style, 40, 40,
                         frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                         description.hInstance, nullptr);
}

// The shell's drive icons, by resource number, in the list's image order:
// 3.5" floppy, hard disk, CD-ROM, network drive.
void AddDriveIcons(GdiImageList& images) {
  wchar_t folder[MAX_PATH] = {};
  GetSystemDirectoryW(folder, MAX_PATH);
  const std::wstring shell = std::wstring(folder) + L"\\shell32.dll";
  for (const int resource : {7, 9, 12, 10}) {
    HICON icon = nullptr;
    if (ExtractIconExW(shell.c_str(), -resource, &icon, nullptr, 1) != 1 || icon == nullptr) return;
    const bool added = images.AddIcon(icon);
    DestroyIcon(icon);
    if (!added) return;
  }
}

UINT CloseAfterSeconds(int argc, wchar_t** argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::wcscmp(argv[i], L"--close-after") == 0) {
      return static_cast<UINT>(std::wcstoul(argv[i + 1], nullptr, 10));
    }
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Quiet critical errors: an empty removable drive must not ask the user.
  zent::win32::Win32Platform platform;
  DriveList drives;
  drives.SetTypeNames(
      {"Unbekannt", "Diskettenlaufwerk", "Festplatte", "CD-ROM", "Netzwerklaufwerk"});
  drives.ReadDrives(platform.system);
  GdiImageList images(32, 32);
  AddDriveIcons(images);
  std::printf("%d drive icons\n", images.Count());
  drives.SetImageList(&images);
  for (std::size_t row = 0; row < drives.RowCount(); ++row) {
    drives.SetChecked(row, drives.DriveType(row) == zent::platform::kDriveFixed);
    std::printf("row %s: %c: type %u name \"%s\"\n", drives.RowText(row).c_str(),
                drives.DriveLetter(row), drives.DriveType(row), drives.VolumeName(row).c_str());
  }
  std::fflush(stdout);

  const int listHeight = 6 * DriveList::kRowHeight + 4;
  const HWND window = CreateMainWindow(kListWidth + 2 * kMargin, listHeight + 2 * kMargin);
  if (window == nullptr) return 1;
  DriveListBox box(window, kListId,
                   RECT{kMargin, kMargin, kMargin + kListWidth, kMargin + listHeight}, drives);
  box.ShowRows();
  SendMessageW(box.Handle(), LB_SETCURSEL, drives.RowCount() > 1 ? 1 : 0, 0);
  ShowWindow(box.Handle(), SW_SHOW);
  ShowWindow(window, SW_SHOW);
  SetFocus(box.Handle());
  if (const UINT seconds = CloseAfterSeconds(argc, argv)) {
    SetTimer(window, kCloseTimer, seconds * 1000, nullptr);
  }

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
