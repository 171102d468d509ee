#include "ui/win32/saver_window.h"

#include <windowsx.h>

#include <array>
#include <chrono>

#include "platform/win32/text.h"

namespace zent::win32 {
namespace {

constexpr wchar_t kClassName[] = L"ZentSaverWindow";
constexpr UINT_PTR kStarTimer = 1;
// ms: asks well within a frame, so that the pacer lets the ticks through on its
// beat; the system rounds it up to its own minimum.
constexpr UINT kTimerInterval = 4;
constexpr int kMessageLineHeight = 13;
constexpr int kFontPoints = 8;
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

bool RegisterSaverClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  // One device context for the window's life: every tick copies to it.
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

std::int64_t NowMicroseconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::microseconds>(now).count();
}

platform::Rect ToPlatform(const RECT& rect) {
  return {rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace

SaverWindow::SaverWindow(HINSTANCE instance, SaverWindowModel& model)
    : instance_(instance), model_(model) {
  if (!RegisterSaverClass(instance_, WindowProcedure<SaverWindow>::Procedure)) return;
  const platform::Rect area = model_.SaverArea();
  CreateWindowExW(0, kClassName, kCaption, WS_POPUP, area.left, area.top, area.right - area.left,
                  area.bottom - area.top, nullptr, nullptr, instance_, this);
  if (!window_) return;
  font_.reset(CreateMessageFont(window_.get()));
  MakeFrame();
}

// A frame of the window's size; a new one, black, when the size changed.
void SaverWindow::MakeFrame() {
  RECT client{};
  GetClientRect(window_.get(), &client);
  const platform::FrameCanvas* canvas = frame_ ? &frame_->Canvas() : nullptr;
  if (canvas != nullptr && canvas->Width() == client.right && canvas->Height() == client.bottom) {
    return;
  }
  frame_.reset();
  frame_.emplace(client.right, client.bottom);
  if (!*frame_) frame_.reset();
}

// The window goes before the font and the cursor it may still be using.
SaverWindow::~SaverWindow() {
  StopTimer();
  window_.reset();
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
  if (!window_ || timerRunning_) return;
  timerRunning_ = SetTimer(window_.get(), kStarTimer, kTimerInterval, nullptr) != 0;
}

void SaverWindow::StopTimer() {
  if (!timerRunning_) return;
  KillTimer(window_.get(), kStarTimer);
  timerRunning_ = false;
}

void SaverWindow::Show() {
  if (!window_) return;
  shownVisible_ = false;
  shownText_.clear();
  // Every monitor, as they stand now.
  const platform::Rect area = model_.SaverArea();
  SetWindowPos(window_.get(), HWND_TOPMOST, area.left, area.top, area.right - area.left,
               area.bottom - area.top, SWP_SHOWWINDOW);
  // Black again: stars of an earlier preview are no longer remembered, so no
  // tick would erase them.
  MakeFrame();
  if (frame_) {
    platform::FrameCanvas& canvas = frame_->Canvas();
    canvas.FillBackground({0, 0, canvas.Width(), canvas.Height()});
  }
  SetForegroundWindow(window_.get());
  SetFocus(window_.get());
  if (blankCursor_) SetCursor(blankCursor_.get());
  UpdateWindow(window_.get());
}

void SaverWindow::ShowModal() {
  if (!window_) return;
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
  ShowWindow(window_.get(), SW_HIDE);
}

void SaverWindow::CloseModal() {
  modalRunning_ = false;
  ShowWindow(window_.get(), SW_HIDE);
}

// The default handling gets `window`, not window_: while the destructor
// destroys the window, window_ has already let go of it.
LRESULT SaverWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (HandleInputMessage(message, lParam)) return 0;
  switch (message) {
    case WM_TIMER:
      if (wParam == kStarTimer) Tick();
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      // The frame covers the whole window: erasing first would flash black.
      if (frame_) return 1;
      break;
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
      if ((wParam & 0xFFF0) == SC_CLOSE && !model_.PreviewMode()) return 0;
      break;
    case WM_CLOSE:
      // Closed from outside (the session ends): end the saver the usual way
      // rather than leave the program running without its window.
      model_.EndSaver();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
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
  model_.HandleInput(event, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
  return true;
}

void SaverWindow::Tick() {
  ReportStatus();
  if (pacer_.Admit(NowMicroseconds())) DrawTick();
}

void SaverWindow::DrawTick() {
  if (!frame_) return DrawTickOnWindow();
  model_.Tick(frame_->Canvas());
  NoteMessageLineChange();
  const WindowDc dc(window_.get());
  if (dc) frame_->CopyChanges(dc.get(), this);
}

// Without a frame the stars go onto the window pixel by pixel, and the message
// line is drawn whole when it changed.
void SaverWindow::DrawTickOnWindow() {
  const WindowDc dc(window_.get());
  if (!dc) return;
  GdiCanvas canvas(dc.get(), kBlack);
  model_.Tick(canvas);
  if (NoteMessageLineChange()) {
    RECT area = Area();
    FillRect(dc.get(), &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    DrawOver(dc.get(), area);
  }
}

// True when the line changed since it was last shown; its rows then go to
// the screen again.
bool SaverWindow::NoteMessageLineChange() {
  const bool visible = model_.MessageVisible();
  const std::string& text = model_.StatusLabel().text;
  if (visible == shownVisible_ && (!visible || text == shownText_)) return false;
  shownVisible_ = visible;
  shownText_ = text;
  if (frame_) frame_->Canvas().MarkChanged(ToPlatform(Area()));
  return true;
}

// Tools outside the program follow the run's phase through the debugger
// channel; the window keeps its name, which the task list shows.
void SaverWindow::ReportStatus() {
  const std::string& status = model_.StatusLabel().text;
  if (status == reportedStatus_) return;
  reportedStatus_ = status;
  const std::wstring line = kStatusReportPrefix + Widen(status) + L"\n";
  OutputDebugStringW(line.c_str());
}

void SaverWindow::Paint() {
  const PaintDc dc(window_.get());
  if (!dc) return;
  if (frame_) {
    frame_->CopyArea(dc.get(), dc.area(), this);
  } else {
    DrawOver(dc.get(), Area());
  }
}

RECT SaverWindow::Area() const {
  const MessageLine& line = model_.StatusLabel();
  return {line.left, line.top, line.left + line.width, line.top + kMessageLineHeight};
}

// White text without a background, over whatever lies beneath; a hidden line
// draws nothing.
void SaverWindow::DrawOver(HDC dc, const RECT& area) const {
  if (!shownVisible_ || shownText_.empty()) return;
  const std::wstring text = Widen(shownText_);
  const SelectedObject font(dc, font_.get());
  const int previousMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF previousColor = SetTextColor(dc, kWhite);
  const UINT alignment = model_.StatusLabel().centred ? DT_CENTER : DT_LEFT;
  RECT box = area;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
            alignment | DT_TOP | DT_SINGLELINE | DT_EXPANDTABS);
  SetTextColor(dc, previousColor);
  SetBkMode(dc, previousMode);
}

}  // namespace zent::win32
