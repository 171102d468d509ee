// The saver window as a real Win32 window: its shape, and how its input
// messages reach the close-on-input rule and end the saver or the preview.
#include <windows.h>
#undef TextOut

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/text.h"
#include "tests/both/test_platform.h"
#include "ui/win32/saver_window.h"

namespace zent::win32 {
namespace {

void CALLBACK RequestQuit(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); }

// What the program sends to a debugger while it lives, as a debugger sees it:
// the exception OutputDebugString raises for one. Wine raises the single-byte
// kind; a system that raises the wide kind as well is read from that one.
class DebugOutputRecorder {
 public:
  DebugOutputRecorder() : handler_(AddVectoredExceptionHandler(1, Record)) { active_ = this; }
  ~DebugOutputRecorder() {
    RemoveVectoredExceptionHandler(handler_);
    active_ = nullptr;
  }
  DebugOutputRecorder(const DebugOutputRecorder&) = delete;
  DebugOutputRecorder& operator=(const DebugOutputRecorder&) = delete;

  std::vector<std::string> Lines() const { return wide_.empty() ? narrow_ : wide_; }

 private:
  static constexpr DWORD kWidePrint = 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C

  static LONG CALLBACK Record(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    if (active_ != nullptr && record.NumberParameters >= 2) {
      if (record.ExceptionCode == DBG_PRINTEXCEPTION_C) {
        active_->narrow_.emplace_back(
            reinterpret_cast<const char*>(record.ExceptionInformation[1]));
      } else if (record.ExceptionCode == kWidePrint) {
        active_->wide_.push_back(
            Narrow(reinterpret_cast<const wchar_t*>(record.ExceptionInformation[1])));
      }
    }
    return EXCEPTION_CONTINUE_SEARCH;
  }

  static inline DebugOutputRecorder* active_ = nullptr;
  PVOID handler_;
  std::vector<std::string> narrow_;
  std::vector<std::string> wide_;
};

class SaverWindowTest : public ::testing::Test {
 protected:
  SaverWindowTest()
      : platform_(testing::TestPlatform()),
        state_(platform_.shell),
        model_(platform_, state_, [](int) { return std::string("Please wait..."); }),
        window_(GetModuleHandleW(nullptr), model_) {
    state_.DialogMode = true;  // only the starfield: no drive or exclusion work
    model_.SetHooks(window_.Hooks());
    model_.PrepareSaver(StarSettings{});
  }
  ~SaverWindowTest() override { DropQuitRequest(); }

  void Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    SendMessageW(window_.Handle(), message, wParam, lParam);
  }
  void MoveTo(int x, int y) { Send(WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

  // True when a request to end the program is waiting; takes it away.
  static bool DropQuitRequest() {
    MSG message;
    bool quit = false;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) quit = true;
    }
    return quit;
  }

  platform::Platform& platform_;
  SaverRunState state_;
  SaverWindowModel model_;
  SaverWindow window_;
};

TEST_F(SaverWindowTest, IsAHiddenBorderlessPopupCalledScreensaver) {
  ASSERT_NE(window_.Handle(), nullptr);
  wchar_t caption[64] = {};
  GetWindowTextW(window_.Handle(), caption, 64);
  EXPECT_EQ(std::wstring(caption), L"Screensaver");
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window_.Handle(), GWL_STYLE));
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & (WS_BORDER | WS_CAPTION | WS_THICKFRAME));
  EXPECT_FALSE(IsWindowVisible(window_.Handle()));
}

TEST_F(SaverWindowTest, DestroysItsWindowWhenItGoes) {
  HWND handle = nullptr;
  {
    const SaverWindow second(GetModuleHandleW(nullptr), model_);
    handle = second.Handle();
    ASSERT_TRUE(IsWindow(handle));
  }
  EXPECT_FALSE(IsWindow(handle));
}

TEST_F(SaverWindowTest, LetsGoOfAWindowDestroyedFromOutside) {
  const HWND handle = window_.Handle();
  { const UniqueWindow outside(handle); }
  EXPECT_FALSE(IsWindow(handle));
  EXPECT_EQ(window_.Handle(), nullptr);
}

// Tools follow the run through the debugger channel, once per change of the
// status line; the caption, which the task list shows, stays.
TEST_F(SaverWindowTest, StatusChangesGoToTheDebuggerAndTheCaptionStays) {
  DebugOutputRecorder recorder;
  const auto tick = [this] { Send(WM_TIMER, 1); };
  tick();
  model_.StatusLabel().text = "Searching for invalid help file entries";
  tick();
  tick();
  model_.StatusLabel().text = "Search completed.";
  tick();
  tick();

  EXPECT_EQ(recorder.Lines(),
            (std::vector<std::string>{"ZentSaver status: Please wait...\n",
                                      "ZentSaver status: Searching for invalid help file entries\n",
                                      "ZentSaver status: Search completed.\n"}));
  wchar_t caption[64] = {};
  GetWindowTextW(window_.Handle(), caption, 64);
  EXPECT_EQ(std::wstring(caption), L"Screensaver");
}

TEST_F(SaverWindowTest, ShowCoversEveryMonitor) {
  window_.Show();
  RECT bounds;
  GetWindowRect(window_.Handle(), &bounds);
  EXPECT_TRUE(IsWindowVisible(window_.Handle()));
  EXPECT_EQ(bounds.left, GetSystemMetrics(SM_XVIRTUALSCREEN));
  EXPECT_EQ(bounds.top, GetSystemMetrics(SM_YVIRTUALSCREEN));
  EXPECT_EQ(bounds.right - bounds.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
  EXPECT_EQ(bounds.bottom - bounds.top, GetSystemMetrics(SM_CYVIRTUALSCREEN));
}

// What the window shows now, read back through its own device context, as
// 0x00BBGGRR colours row after row.
std::vector<COLORREF> WindowPixels(HWND window, int width, int height) {
  const WindowDc source(window);
  const UniqueMemoryDc copy(CreateCompatibleDC(source.get()));
  std::vector<COLORREF> pixels;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const UniqueBitmap bitmap(CreateDIBSection(copy.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return pixels;
  const SelectedObject selected(copy.get(), bitmap.get());
  BitBlt(copy.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY);
  GdiFlush();
  const auto* dib = static_cast<const std::uint32_t*>(bits);
  for (int i = 0; i < width * height; ++i) {
    pixels.push_back(RGB((dib[i] >> 16) & 0xFF, (dib[i] >> 8) & 0xFF, dib[i] & 0xFF));
  }
  return pixels;
}

// The screen must show the frame outside the message line: after some ticks,
// and again after something covered the window and left it black.
TEST_F(SaverWindowTest, ScreenShowsTheFrameAfterTicksAndWhenUncovered) {
  model_.PrepareSaver(StarSettings{5000, 10, true});
  window_.Show();
  for (int tick = 0; tick < 12; ++tick) {
    Sleep(20);  // beyond the pacer's interval: every message draws a tick
    Send(WM_TIMER, 1);
  }
  ASSERT_NE(window_.Frame(), nullptr);
  const platform::FrameCanvas& frame = window_.Frame()->Canvas();
  const int lineTop = model_.StatusLabel().top;
  const auto mismatches = [&] {
    const std::vector<COLORREF> shown =
        WindowPixels(window_.Handle(), frame.Width(), frame.Height());
    int wrong = 0, lit = 0;
    std::size_t at = 0;
    for (int y = 0; y < frame.Height(); ++y) {
      for (int x = 0; x < frame.Width(); ++x, ++at) {
        if (y >= lineTop && y < lineTop + 13) continue;  // the text may be smoothed
        const COLORREF want = frame.PixelAt(x, y);
        lit += want != 0;
        wrong += shown.size() <= at || shown[at] != want;
      }
    }
    EXPECT_GT(lit, 1000) << "the frame holds too few stars to prove anything";
    return wrong;
  };
  EXPECT_EQ(mismatches(), 0) << "after the ticks";
  {
    const WindowDc dc(window_.Handle());
    RECT all{0, 0, frame.Width(), frame.Height()};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  InvalidateRect(window_.Handle(), nullptr, TRUE);
  UpdateWindow(window_.Handle());
  EXPECT_EQ(mismatches(), 0) << "after the window was uncovered";
}

TEST_F(SaverWindowTest, FirstMouseMoveOnlyRecordsThePosition) {
  MoveTo(40, 50);
  MoveTo(40, 50);
  EXPECT_FALSE(state_.AbortRequested);
  EXPECT_FALSE(DropQuitRequest());
  MoveTo(41, 50);
  EXPECT_TRUE(state_.AbortRequested);
  EXPECT_TRUE(DropQuitRequest());
}

struct EndingMessage {
  const char* name;
  UINT message;
  WPARAM wParam;
};

class SaverWindowEndsOn : public SaverWindowTest,
                          public ::testing::WithParamInterface<EndingMessage> {};

TEST_P(SaverWindowEndsOn, TheFirstSuchMessage) {
  Send(GetParam().message, GetParam().wParam, MAKELPARAM(10, 10));
  EXPECT_TRUE(state_.AbortRequested);
  EXPECT_TRUE(DropQuitRequest());
  EXPECT_FALSE(model_.Stars().Prepared());
}

INSTANTIATE_TEST_SUITE_P(
    Input, SaverWindowEndsOn,
    ::testing::Values(EndingMessage{"KeyDown", WM_KEYDOWN, VK_SPACE},
                      EndingMessage{"SysKeyDown", WM_SYSKEYDOWN, VK_MENU},
                      EndingMessage{"LeftButton", WM_LBUTTONDOWN, MK_LBUTTON},
                      EndingMessage{"RightButton", WM_RBUTTONDOWN, MK_RBUTTON},
                      EndingMessage{"MiddleButton", WM_MBUTTONDOWN, MK_MBUTTON},
                      EndingMessage{"DoubleClick", WM_LBUTTONDBLCLK, MK_LBUTTON},
                      EndingMessage{"Wheel", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA)},
                      EndingMessage{"Close", WM_CLOSE, 0}),
    [](const ::testing::TestParamInfo<EndingMessage>& testCase) { return testCase.param.name; });

TEST_F(SaverWindowTest, RefusesToStartAnotherSaverOrCloseFromTheSystemMenu) {
  window_.Show();
  Send(WM_SYSCOMMAND, SC_SCREENSAVE);
  Send(WM_SYSCOMMAND, SC_CLOSE);
  EXPECT_TRUE(IsWindow(window_.Handle()));
  EXPECT_FALSE(state_.AbortRequested);
  EXPECT_FALSE(DropQuitRequest());
}

TEST_F(SaverWindowTest, InputInThePreviewClosesOnlyTheWindow) {
  model_.SetPreviewMode(true);
  // Input arrives once the modal preview runs: a key press posted before it.
  PostMessageW(window_.Handle(), WM_KEYDOWN, VK_SPACE, 0);
  // Should the preview not close, a request to end breaks its loop instead,
  // and the checks below see it.
  const UINT_PTR guard = SetTimer(nullptr, 0, 5000, RequestQuit);
  window_.EnableTimer();
  window_.ShowModal();
  KillTimer(nullptr, guard);
  EXPECT_TRUE(state_.AbortRequested);
  EXPECT_FALSE(IsWindowVisible(window_.Handle()));
  EXPECT_TRUE(IsWindow(window_.Handle()));
  EXPECT_FALSE(DropQuitRequest());
}

}  // namespace
}  // namespace zent::win32
