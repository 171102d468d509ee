#include "ui/win32/preview_window.h"

#include <chrono>
#include <optional>

#include "platform/win32/canvas.h"
#include "platform/win32/handles.h"
#include "ui/star_preview.h"
#include "ui/tick_pacer.h"
#include "ui/win32/window_procedure.h"

namespace zent::win32 {
namespace {

constexpr wchar_t kClassName[] = L"ZentPreviewWindow";
constexpr UINT_PTR kStarTimer = 1;
constexpr UINT kTimerInterval = 4;  // ms: well within a frame, see TickPacer

std::int64_t NowMicroseconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::microseconds>(now).count();
}

class PreviewWindow {
 public:
  PreviewWindow(HINSTANCE instance, HWND host, const StarSettings& stars) {
    RECT area{};
    if (!GetClientRect(host, &area) || !Register(instance)) return;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    preview_.Prepare(stars, width, height, GetSystemMetrics(SM_CXSCREEN), GetTickCount());
    // A host too small for a frame gets no stars, but the preview still lives
    // as long as its host.
    frame_.emplace(width, height);
    CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, width, height, host, nullptr,
                    instance, this);
    if (window_) SetTimer(window_.get(), kStarTimer, kTimerInterval, nullptr);
  }
  PreviewWindow(const PreviewWindow&) = delete;
  PreviewWindow& operator=(const PreviewWindow&) = delete;

  bool Shown() const { return static_cast<bool>(window_); }

 private:
  static bool Register(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = WindowProcedure<PreviewWindow>::Procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }

  friend struct WindowProcedure<PreviewWindow>;
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_TIMER:
        if (wParam == kStarTimer && pacer_.Admit(NowMicroseconds())) Tick();
        return 0;
      case WM_PAINT: {
        const PaintDc dc(window);
        if (dc && *frame_) frame_->CopyArea(dc.get(), dc.area(), nullptr);
        return 0;
      }
      case WM_ERASEBKGND:
        if (*frame_) return 1;  // the frame covers the whole window
        break;
      case WM_DESTROY:
        // The host went away, and the system took the preview with it.
        KillTimer(window, kStarTimer);
        PostQuitMessage(0);
        return 0;
      default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  void Tick() {
    if (!*frame_) return;
    preview_.Tick(frame_->Canvas());
    const WindowDc dc(window_.get());
    if (dc) frame_->CopyChanges(dc.get(), nullptr);
  }

  StarPreview preview_;
  // Made before the window, which draws only from it.
  std::optional<DibFrame> frame_;
  TickPacer pacer_;
  UniqueWindow window_;
};

}  // namespace

void RunPreview(HINSTANCE instance, HWND host, const StarSettings& stars) {
  if (!IsWindow(host)) return;
  PreviewWindow preview(instance, host, stars);
  if (!preview.Shown()) return;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace zent::win32
