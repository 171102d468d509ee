// Plays the display settings for the saver's preview: a white window holding
// a blue "little monitor", whose handle the saver gets as "/p <handle>".
//
//   preview_host <saver> <seconds>
//
// Prints the monitor's place on the screen ("monitor LEFT TOP WIDTH HEIGHT"),
// starts the saver, keeps the windows up for the given time (a picture of the
// screen is taken meanwhile), then destroys the monitor as the settings do
// when they close and waits for the saver to end. Exit code 0 when the saver
// ended by itself with exit code 0 within 10 s; 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "platform/win32/handles.h"

namespace {

constexpr int kMonitorLeft = 120, kMonitorTop = 90, kMonitorWidth = 152, kMonitorHeight = 112;
constexpr DWORD kEndWait = 10000;  // ms

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWindow(const wchar_t* className, COLORREF colour, DWORD style, int left, int top,
                int width, int height, HWND parent) {
  WNDCLASSW description{};
  description.lpfnWndProc = WindowProc;
  description.hInstance = GetModuleHandleW(nullptr);
  description.hbrBackground = CreateSolidBrush(colour);
  description.lpszClassName = className;
  RegisterClassW(&description);
  return CreateWindowExW(0, className, L"Zent preview host", style, left, top, width, height,
                         parent, nullptr, description.hInstance, nullptr);
}

// Handles messages for `milliseconds`.
void PumpFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(10);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fwprintf(stderr, L"usage: preview_host <saver> <seconds>\n");
    return 2;
  }
  const HWND frame = MakeWindow(L"ZentPreviewFrame", RGB(255, 255, 255), WS_POPUP | WS_VISIBLE, 40,
                                40, 400, 300, nullptr);
  const HWND monitor = MakeWindow(L"ZentPreviewMonitor", RGB(0, 0, 255), WS_CHILD | WS_VISIBLE,
                                  kMonitorLeft, kMonitorTop, kMonitorWidth, kMonitorHeight, frame);
  if (frame == nullptr || monitor == nullptr) return 1;
  POINT corner{0, 0};
  ClientToScreen(monitor, &corner);
  std::printf("monitor %ld %ld %d %d\n", corner.x, corner.y, kMonitorWidth, kMonitorHeight);
  std::fflush(stdout);

  std::wstring command = L"\"" + std::wstring(argv[1]) + L"\" /p " +
                         std::to_wstring(reinterpret_cast<std::uintptr_t>(monitor));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    std::printf("the saver could not be started (error %lu)\n", GetLastError());
    return 1;
  }
  const zent::win32::UniqueKernelObject process(started.hProcess);
  const zent::win32::UniqueKernelObject thread(started.hThread);

  PumpFor(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) * 1000);
  const HWND preview = FindWindowExW(monitor, nullptr, nullptr, nullptr);
  RECT area{};
  if (preview != nullptr) GetWindowRect(preview, &area);
  std::printf("preview window %s %ld %ld %ld %ld visible %d\n", preview ? "found" : "missing",
              area.left, area.top, area.right, area.bottom, preview ? IsWindowVisible(preview) : 0);
  std::fflush(stdout);
  DestroyWindow(monitor);
  const DWORD start = GetTickCount();
  while (WaitForSingleObject(process.get(), 50) == WAIT_TIMEOUT) {
    PumpFor(50);
    if (GetTickCount() - start > kEndWait) {
      std::printf("the saver was still running %lu s after its monitor went\n", kEndWait / 1000);
      TerminateProcess(process.get(), 1);
      return 1;
    }
  }
  DWORD code = 1;
  GetExitCodeProcess(process.get(), &code);
  std::printf("the saver ended with exit code %lu\n", code);
  DestroyWindow(frame);
  return code == 0 ? 0 : 1;
}
