#include "ui/win32/saver_window.h"

#include <windowsx.h>

#include <array>

// GdiCanvas draws the stars; its header keeps TextOut as the canvas's name.
#include "platform/win32/text.h"
#include "sysinfo/win32/drive_list_box.h"

namespace zent::win32 {
namespace {

constexpr wchar_t kClassName[] = L"ZentSaverWindow";
constexpr UINT_PTR kStarTimer = 1;
constexpr UINT kTimerInterval = 1;  // ms; the system rounds it up to its own minimum
constexpr int kMessageLineHeight = 13;
constexpr int kFontPoints = 8;
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

bool RegisterSaverClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  // One device context for the window's life: the starfield asks for it on
  // every tick.
  windowClass.style = CS_OWNDC | CS_DBLCLKS;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = kClassName;
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HFONT CreateMessageFont(HWND window) {
  const WindowDc dc(window);
  const int pixelsPerInch = dc ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
  LOGFONTW font{};
  font.lfHeight = -MulDiv(kFontPoints, pixelsPerInch, 72);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(font.lfFaceName, L"MS Sans Serif", LF_FACESIZE);
  return CreateFontIndirectW(&font);
}

// A 32 x 32 cursor whose masks keep every screen pixel as it is.
HCURSOR CreateBlankCursor(HINSTANCE instance) {
  constexpr int kSize = 32;
  std::array<BYTE, kSize * kSize / 8> keepScreen;
  std::array<BYTE, kSize * kSize / 8> noInk{};
  keepScreen.fill(0xFF);
  return CreateCursor(instance, 0, 0, kSize, kSize, keepScreen.data(), noInk.data());
}

}  // namespace

SaverWindow::SaverWindow(HINSTANCE instance, TForm2& form) : instance_(instance), form_(form) {
  if (!RegisterSaverClass(instance_, WindowProc)) return;
  CreateWindowExW(0, kClassName, kCaption, WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                  GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance_, this);
  if (window_ != nullptr) font_.reset(CreateMessageFont(window_));
}

SaverWindow::~SaverWindow() {
  StopTimer();
  if (window_ != nullptr) DestroyWindow(window_);
}

void SaverWindow::UseBlankCursor() {
  if (!blankCursor_) blankCursor_.reset(CreateBlankCursor(instance_));
}

SaverHooks SaverWindow::Hooks(std::function<void()> finishBackup) {
  SaverHooks hooks;
  hooks.stopTimer = [this] { StopTimer(); };
  hooks.finishBackup = std::move(finishBackup);
  hooks.requestTermination = [] { PostQuitMessage(0); };
  hooks.closeWindow = [this] { CloseModal(); };
  return hooks;
}

void SaverWindow::EnableTimer() {
  if (window_ == nullptr || timerRunning_) return;
  timerRunning_ = SetTimer(window_, kStarTimer, kTimerInterval, nullptr) != 0;
}

void SaverWindow::StopTimer() {
  if (!timerRunning_) return;
  KillTimer(window_, kStarTimer);
  timerRunning_ = false;
}

void SaverWindow::Show() {
  if (window_ == nullptr) return;
  shownVisible_ = false;
  shownText_.clear();
  SetWindowPos(window_, HWND_TOPMOST, 0, 0, GetSystemMetrics(SM_CXSCREEN),
               GetSystemMetrics(SM_CYSCREEN), SWP_SHOWWINDOW);
  SetForegroundWindow(window_);
  SetFocus(window_);
  if (blankCursor_) SetCursor(blankCursor_.get());
  UpdateWindow(window_);
}

void SaverWindow::ShowModal() {
  if (window_ == nullptr) return;
  modalRunning_ = true;
  Show();
  MSG message;
  while (modalRunning_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // The end of the program belongs to the main loop.
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  modalRunning_ = false;
  StopTimer();
  ShowWindow(window_, SW_HIDE);
}

void SaverWindow::CloseModal() {
  modalRunning_ = false;
  ShowWindow(window_, SW_HIDE);
}

LRESULT CALLBACK SaverWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<SaverWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<SaverWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

LRESULT SaverWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (HandleInputMessage(message, lParam)) return 0;
  switch (message) {
    case WM_TIMER:
      if (wParam == kStarTimer) Tick();
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_SETCURSOR:
      if (blankCursor_ && LOWORD(lParam) == HTCLIENT) {
        SetCursor(blankCursor_.get());
        return TRUE;
      }
      break;
    case WM_SYSCOMMAND:
      // No second saver over this one, and no closing from the system menu:
      // only input ends the saver.
      if ((wParam & 0xFFF0) == SC_SCREENSAVE) return 0;
      if ((wParam & 0xFFF0) == SC_CLOSE && !form_.PreviewMode()) return 0;
      break;
    case WM_CLOSE:
      // Closed from outside (the session ends): end the saver the usual way
      // rather than leave the program running without its window.
      form_.EndSaver();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

bool SaverWindow::HandleInputMessage(UINT message, LPARAM lParam) {
  InputEvent event;
  switch (message) {
    case WM_MOUSEMOVE:
      event = InputEvent::MouseMove;
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
      event = InputEvent::MouseDown;
      break;
    case WM_LBUTTONUP:
      event = InputEvent::Click;
      break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_XBUTTONDBLCLK:
      event = InputEvent::DoubleClick;
      break;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      event = InputEvent::MouseWheel;
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      event = InputEvent::KeyDown;
      break;
    default:
      return false;
  }
  form_.HandleInput(event, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
  return true;
}

void SaverWindow::Tick() {
  const WindowDc dc(window_);
  if (!dc) return;
  GdiCanvas canvas(dc.get(), kBlack);
  form_.Timer1Timer(canvas);
  const bool visible = form_.MessageVisible();
  if (visible != shownVisible_ || (visible && form_.Label1().text != shownText_)) {
    DrawMessageLine(dc.get());
  }
  ReportStatus();
}

// Tools outside the program follow the run's phase through the debugger
// channel; the window keeps its name, which the task list shows.
void SaverWindow::ReportStatus() {
  const std::string& status = form_.Label1().text;
  if (status == reportedStatus_) return;
  reportedStatus_ = status;
  const std::wstring line = kStatusReportPrefix + Widen(status) + L"\n";
  OutputDebugStringW(line.c_str());
}

void SaverWindow::Paint() {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window_, &paint);
  if (dc != nullptr) DrawMessageLine(dc);
  EndPaint(window_, &paint);
}

RECT SaverWindow::MessageLineRect() const {
  const MessageLine& line = form_.Label1();
  return {line.left, line.top, line.left + line.width, line.top + kMessageLineHeight};
}

// A hidden line leaves black where it stood, as the window's background shows
// through; a visible one is drawn on that black without a background.
void SaverWindow::DrawMessageLine(HDC dc) {
  RECT area = MessageLineRect();
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  shownVisible_ = form_.MessageVisible();
  shownText_ = form_.Label1().text;
  if (!shownVisible_ || shownText_.empty()) return;
  const std::wstring text = Widen(shownText_);
  const HGDIOBJ previousFont = font_ ? SelectObject(dc, font_.get()) : nullptr;
  const int previousMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF previousColor = SetTextColor(dc, kWhite);
  const UINT alignment = form_.Label1().centred ? DT_CENTER : DT_LEFT;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
            alignment | DT_TOP | DT_SINGLELINE | DT_EXPANDTABS);
  SetTextColor(dc, previousColor);
  SetBkMode(dc, previousMode);
  if (previousFont != nullptr) SelectObject(dc, previousFont);
}

}  // namespace zent::win32
