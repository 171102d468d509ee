// The configuration dialog as a real Win32 window: texts, layout, page
// switching, the star-count arrows and the way the controls' state returns to
// the portable dialog.
#include <windows.h>
#undef TextOut
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "common/registry_errors.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_resources.h"
#include "ui/dialog_form.h"
#include "ui/interface_texts.h"
#include "ui/settings.h"
#include "ui/win32/dialog_window.h"

namespace zent::win32 {
namespace {

// The dialog as the entry prepares it: English texts from the program's
// string resources, caption and page captions by id.
Form EnglishDialog() {
  Form dialog = MakeConfigurationDialog();
  FillStarCountFromArrows(dialog);
  Win32Resources texts;
  ApplyInterfaceTexts({&dialog}, texts);
  dialog.caption = texts.LoadText(kDialogCaptionText);
  for (int page = 0; page < 3; ++page) {
    dialog.Find("TabSheet" + std::to_string(page + 1)).text =
        texts.LoadText(kFirstPageCaptionText + page);
  }
  return dialog;
}

std::string TextOf(HWND window) {
  wchar_t buffer[600] = {};
  GetWindowTextW(window, buffer, 600);
  return Narrow(buffer);
}

bool HasVisibleStyle(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

RECT ClientRectOf(HWND control, HWND dialog) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void Click(HWND window, int x, int y) {
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

class DialogWindowTest : public ::testing::Test {
 protected:
  DialogWindowTest() : model_(EnglishDialog()) {}

  ConfigurationDialog& Open(std::function<void()> onPreview = {}) {
    dialog_ = std::make_unique<ConfigurationDialog>(
        model_, std::move(onPreview),
        [this](HWND, const std::string& message) { reported_.push_back(message); });
    ShowWindow(dialog_->Handle(), SW_SHOWNOACTIVATE);
    return *dialog_;
  }
  HWND Control(std::string_view name) const { return dialog_->ControlHandle(name); }

  // Where the tab control puts its pages, in dialog client coordinates.
  RECT PageArea() const {
    const HWND tabs = Control("PageControl1");
    RECT display{};
    GetClientRect(tabs, &display);
    SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    MapWindowPoints(tabs, dialog_->Handle(), reinterpret_cast<POINT*>(&display), 2);
    return display;
  }
  POINT PageOrigin() const {
    const RECT area = PageArea();
    return POINT{area.left, area.top};
  }

  Form model_;
  std::vector<std::string> reported_;
  std::unique_ptr<ConfigurationDialog> dialog_;
};

TEST_F(DialogWindowTest, ControlsShowTheModelsEnglishTexts) {
  Open();
  EXPECT_EQ(TextOf(dialog_->Handle()), "Kelvaro 99  ULVEX Screen Saver Configuration");
  int compared = 0;
  for (const zent::Control& control : model_.controls) {
    const HWND handle = Control(control.name);
    if (handle == nullptr || control.kind == ControlKind::UpDown ||
        control.kind == ControlKind::TrackBar || control.kind == ControlKind::PageControl) {
      continue;
    }
    EXPECT_EQ(TextOf(handle), control.text) << control.name;
    ++compared;
  }
  EXPECT_EQ(compared, 29);  // 13 + 9 + 5 on the pages, 2 buttons
}

// Written out rather than looked up by tag, so that a control given another
// control's tag shows up here.
TEST_F(DialogWindowTest, ControlsShowTheirOwnEnglishTexts) {
  Open();
  const std::pair<const char*, const char*> expected[] = {
      {"Button1", "Apply"},
      {"Button2", "Preview"},
      {"Button3", "Clean now"},
      {"RadioButton1", "SAFETY OPTIMIZED SETTINGS "},
      {"RadioButton2", "MAIN PROGRAM SETTINGS"},
      {"RadioButton4", "Never delete (recommended!)"},
      {"RadioButton5", "Always delete (caution!)"},
      {"CheckBox1", "Display stars as blocks of 4 pixels (default: 1 pixel). This looks"},
      {"Label19", "slow"},
      {"Edit1", "100"},
  };
  for (const auto& [name, text] : expected) EXPECT_EQ(TextOf(Control(name)), text) << name;
}

TEST_F(DialogWindowTest, TabsCarryThePageCaptions) {
  Open();
  const HWND tabs = Control("PageControl1");
  ASSERT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
  const char* expected[] = {"Options", "Appearance", "Security"};
  for (int page = 0; page < 3; ++page) {
    wchar_t caption[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption;
    item.cchTextMax = 64;
    SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(page), reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(Narrow(caption), expected[page]);
  }
}

TEST_F(DialogWindowTest, EveryControlUsesTheEightPointDialogFont) {
  Open();
  for (const zent::Control& control : model_.controls) {
    const HWND handle = Control(control.name);
    // The arrows and the track bar show no text and keep no font.
    if (handle == nullptr || control.kind == ControlKind::UpDown ||
        control.kind == ControlKind::TrackBar) {
      continue;
    }
    const auto font = reinterpret_cast<HFONT>(SendMessageW(handle, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr) << control.name;
    LOGFONTW description{};
    GetObjectW(font, sizeof(description), &description);
    EXPECT_EQ(Narrow(description.lfFaceName), "MS Sans Serif") << control.name;
    EXPECT_EQ(description.lfHeight, -11) << control.name;
  }
}

TEST_F(DialogWindowTest, WindowIsCentredWithTheDialogClientArea) {
  Open();
  RECT client{};
  GetClientRect(dialog_->Handle(), &client);
  EXPECT_EQ(client.right, 482);
  EXPECT_EQ(client.bottom, 473);
  RECT frame{};
  GetWindowRect(dialog_->Handle(), &frame);
  EXPECT_NEAR(frame.left + frame.right, GetSystemMetrics(SM_CXSCREEN), 1);
  EXPECT_NEAR(frame.top + frame.bottom, GetSystemMetrics(SM_CYSCREEN), 1);
}

TEST_F(DialogWindowTest, ControlsSitAtTheirLayoutPositions) {
  Open();
  const POINT page = PageOrigin();
  EXPECT_GT(page.y, 0);  // below the tabs
  struct Expected {
    const char* name;
    bool onPage;
    int left, top, width, height;
  };
  const Expected table[] = {
      {"PageControl1", false, 0, 0, 480, 420}, {"Button2", false, 294, 432, 89, 33},
      {"Button1", false, 392, 432, 89, 33},    {"Edit1", true, 104, 72, 73, 21},
      {"UpDown1", true, 180, 71, 16, 24},      {"TrackBar1", true, 96, 128, 150, 25},
      {"RadioButton2", true, 8, 200, 393, 17}, {"CheckBox1", true, 8, 192, 401, 17},
  };
  for (const Expected& expected : table) {
    const RECT rect = ClientRectOf(Control(expected.name), dialog_->Handle());
    const int left = expected.left + (expected.onPage ? page.x : 0);
    const int top = expected.top + (expected.onPage ? page.y : 0);
    EXPECT_EQ(rect.left, left) << expected.name;
    EXPECT_EQ(rect.top, top) << expected.name;
    EXPECT_EQ(rect.right - rect.left, expected.width) << expected.name;
    EXPECT_EQ(rect.bottom - rect.top, expected.height) << expected.name;
  }
  // Labels size themselves to their text.
  const RECT slow = ClientRectOf(Control("Label19"), dialog_->Handle());
  EXPECT_GT(slow.right - slow.left, 10);
  EXPECT_LT(slow.right - slow.left, 60);
}

TEST_F(DialogWindowTest, OpensOnTheSecondPageAndTabClicksSwitchPages) {
  Open();
  EXPECT_EQ(dialog_->CurrentPage(), 1);
  EXPECT_TRUE(HasVisibleStyle(Control("Edit1")));
  EXPECT_FALSE(HasVisibleStyle(Control("RadioButton1")));
  EXPECT_FALSE(HasVisibleStyle(Control("RadioButton4")));
  EXPECT_TRUE(HasVisibleStyle(Control("Button1")));

  const HWND tabs = Control("PageControl1");
  RECT tab{};
  SendMessageW(tabs, TCM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&tab));
  Click(tabs, (tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
  EXPECT_EQ(dialog_->CurrentPage(), 2);
  EXPECT_TRUE(HasVisibleStyle(Control("RadioButton4")));
  EXPECT_TRUE(HasVisibleStyle(Control("Label14")));
  EXPECT_FALSE(HasVisibleStyle(Control("Edit1")));
  EXPECT_FALSE(HasVisibleStyle(Control("UpDown1")));
  EXPECT_TRUE(HasVisibleStyle(Control("Button2")));

  dialog_->SelectPage(0);
  EXPECT_TRUE(HasVisibleStyle(Control("RadioButton1")));
  EXPECT_FALSE(HasVisibleStyle(Control("RadioButton4")));
  EXPECT_FALSE(HasVisibleStyle(Control("TrackBar1")));
}

TEST_F(DialogWindowTest, ArrowsContinueFromTheirOwnPositionNotTheLoadedCount) {
  StarCountEdit(model_).text = "500";  // as LoadSettings leaves a stored 500
  Open();
  EXPECT_EQ(TextOf(Control("Edit1")), "500");
  const HWND arrows = Control("UpDown1");
  Click(arrows, 8, 4);  // upper half: up
  EXPECT_EQ(TextOf(Control("Edit1")), "102");
  EXPECT_EQ(StarCountEdit(model_).text, "102");
  EXPECT_EQ(StarCountArrows(model_).position, 102);
  Click(arrows, 8, 20);  // lower half: down
  Click(arrows, 8, 20);
  EXPECT_EQ(TextOf(Control("Edit1")), "98");
}

TEST_F(DialogWindowTest, ArrowsStopAtTheirMinimum) {
  StarCountArrows(model_).position = 20;
  Open();
  Click(Control("UpDown1"), 8, 20);
  EXPECT_EQ(TextOf(Control("Edit1")), "20");
}

TEST_F(DialogWindowTest, RadioButtonsOfOnePageAreOneGroup) {
  Open();
  SendMessageW(Control("RadioButton2"), BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(Control("RadioButton2"), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(Control("RadioButton1"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  // The other page's pair is untouched.
  EXPECT_EQ(SendMessageW(Control("RadioButton4"), BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageW(Control("RadioButton5"), BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(Control("RadioButton4"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(Control("RadioButton2"), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_NE(GetWindowLongW(Control("RadioButton1"), GWL_STYLE) & WS_GROUP, 0);
  EXPECT_NE(GetWindowLongW(Control("RadioButton4"), GWL_STYLE) & WS_GROUP, 0);
  EXPECT_EQ(GetWindowLongW(Control("RadioButton5"), GWL_STYLE) & WS_GROUP, 0);
}

TEST_F(DialogWindowTest, ClosingWritesTheControlsBackIntoTheModel) {
  for (const UINT closeBy : {0u, 1u}) {
    model_ = EnglishDialog();
    Open();
    SetWindowTextW(Control("Edit1"), L"7000");
    SendMessageW(Control("CheckBox1"), BM_CLICK, 0, 0);
    SendMessageW(Control("RadioButton2"), BM_CLICK, 0, 0);
    SendMessageW(Control("RadioButton5"), BM_CLICK, 0, 0);
    SendMessageW(Control("TrackBar1"), TBM_SETPOS, TRUE, 7);
    EXPECT_FALSE(dialog_->Closed());
    if (closeBy == 0) {
      SendMessageW(dialog_->Handle(), WM_CLOSE, 0, 0);
    } else {
      SendMessageW(Control("Button1"), BM_CLICK, 0, 0);
    }
    EXPECT_TRUE(dialog_->Closed()) << closeBy;
    EXPECT_EQ(StarCountEdit(model_).text, "7000");
    EXPECT_FALSE(BlockStarsBox(model_).checked);
    EXPECT_TRUE(MainProgramModeButton(model_).checked);
    EXPECT_FALSE(SafetyModeButton(model_).checked);
    EXPECT_TRUE(AlwaysDeleteButton(model_).checked);
    EXPECT_FALSE(NeverDeleteButton(model_).checked);
    EXPECT_EQ(SpeedBar(model_).position, 7);
  }
}

TEST_F(DialogWindowTest, PreviewSeesTheUnsavedControls) {
  std::vector<StarSettings> previews;
  Open([&] { previews.push_back(ReadStarSettings(model_)); });
  SetWindowTextW(Control("Edit1"), L"7000");
  SendMessageW(Control("TrackBar1"), TBM_SETPOS, TRUE, 9);
  SendMessageW(Control("Button2"), BM_CLICK, 0, 0);
  ASSERT_EQ(previews.size(), 1u);
  EXPECT_EQ(previews[0].starCount, 5000);
  EXPECT_EQ(previews[0].speed, 9);
  EXPECT_TRUE(previews[0].blockStars);
  EXPECT_FALSE(dialog_->Closed());
  EXPECT_TRUE(reported_.empty());
}

TEST_F(DialogWindowTest, StarCountThatIsNoNumberIsReportedInsteadOfThePreview) {
  int previews = 0;
  Open([&] {
    ReadStarSettings(model_);
    ++previews;
  });
  SetWindowTextW(Control("Edit1"), L"viele");
  SendMessageW(Control("Button2"), BM_CLICK, 0, 0);
  EXPECT_EQ(previews, 0);
  ASSERT_EQ(reported_.size(), 1u);
  EXPECT_EQ(reported_[0], "'viele' is not a valid integer value");
  EXPECT_FALSE(dialog_->Closed());
}

HWND g_closeTarget = nullptr;
void CALLBACK CloseTarget(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  PostMessageW(g_closeTarget, WM_CLOSE, 0, 0);
}

// Ends a modal run that nothing else ended, and says so.
bool g_guardFired = false;
void CALLBACK StopHangingDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  g_guardFired = true;
  PostMessageW(g_closeTarget, WM_CLOSE, 0, 0);
}

// Escape as the keyboard delivers it: to the window that has the focus.
HWND g_escapeTarget = nullptr;
void CALLBACK PressEscape(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  PostMessageW(g_escapeTarget, WM_KEYDOWN, VK_ESCAPE, 1);
  PostMessageW(g_escapeTarget, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0000001u));
}

TEST_F(DialogWindowTest, RunModalReturnsWhenTheCloseButtonEndsTheDialog) {
  Open();
  SetWindowTextW(Control("Edit1"), L"321");
  g_closeTarget = dialog_->Handle();
  SetTimer(nullptr, 0, 50, CloseTarget);
  dialog_->RunModal();
  EXPECT_TRUE(dialog_->Closed());
  EXPECT_EQ(StarCountEdit(model_).text, "321");
  EXPECT_FALSE(HasVisibleStyle(dialog_->Handle()));
}

// Escape ends the dialog like its close button, and so stores what the
// controls show, wherever the keyboard is.
TEST_F(DialogWindowTest, EscapeClosesTheDialogLikeTheCloseButton) {
  for (const char* focused : {"Edit1", "TrackBar1", "CheckBox1", "Button2", "PageControl1", ""}) {
    model_ = EnglishDialog();
    Open();
    SetWindowTextW(Control("Edit1"), L"4321");
    SendMessageW(Control("CheckBox1"), BM_CLICK, 0, 0);
    SendMessageW(Control("TrackBar1"), TBM_SETPOS, TRUE, 6);
    g_escapeTarget = *focused ? Control(focused) : dialog_->Handle();
    ASSERT_NE(g_escapeTarget, nullptr) << focused;
    g_closeTarget = dialog_->Handle();
    g_guardFired = false;
    const UINT_PTR guard = SetTimer(nullptr, 0, 5000, StopHangingDialog);
    SetTimer(nullptr, 0, 50, PressEscape);
    dialog_->RunModal();
    KillTimer(nullptr, guard);
    EXPECT_FALSE(g_guardFired) << focused << ": Escape did not close the dialog";
    EXPECT_TRUE(dialog_->Closed()) << focused;
    EXPECT_FALSE(HasVisibleStyle(dialog_->Handle())) << focused;
    EXPECT_EQ(StarCountEdit(model_).text, "4321") << focused;
    EXPECT_FALSE(BlockStarsBox(model_).checked) << focused;
    EXPECT_EQ(SpeedBar(model_).position, 6) << focused;
  }
}

// At whatever resolution the process started with (tools/check-dialog-dpi.sh
// runs this at 96 and 144 dpi): every text fits its control, every control
// its page.
TEST_F(DialogWindowTest, EveryLineOfTextEndsInsideItsPage) {
  Open();
  const RECT page = PageArea();
  const int box = GetSystemMetrics(SM_CXMENUCHECK);
  int measured = 0;
  for (const zent::Control& control : model_.controls) {
    const bool label = control.kind == ControlKind::Label;
    const bool button =
        control.kind == ControlKind::RadioButton || control.kind == ControlKind::CheckBox;
    if (control.page < 0 || !(label || button)) continue;
    const HWND handle = Control(control.name);
    const RECT rect = ClientRectOf(handle, dialog_->Handle());
    WindowDc dc(handle);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(handle, WM_GETFONT, 0, 0));
    const SelectedObject selected(dc.get(), font);
    const std::wstring text = Widen(control.text);
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    const int textEnd = rect.left + (button ? box : 0) + size.cx;
    EXPECT_GE(rect.left, page.left) << control.name;
    EXPECT_LE(rect.right, page.right) << control.name << " covers the page's border";
    EXPECT_LE(rect.bottom, page.bottom) << control.name << " runs below its page";
    EXPECT_LE(textEnd, rect.right) << control.name << " is cut off";
    EXPECT_LE(size.cy, rect.bottom - rect.top) << control.name << " is cut off below";
    ++measured;
  }
  EXPECT_EQ(measured, 25);  // 12 + 8 + 5 lines on the three pages
}

TEST_F(DialogWindowTest, LayoutFollowsTheScreenResolution) {
  Open();
  const WindowDc screen(nullptr);
  const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
  // The check at another resolution says which one the process must have got.
  if (const char* expected = std::getenv("ZENT_EXPECT_DPI")) {
    EXPECT_EQ(dpi, std::atoi(expected));
  }
  RECT client{};
  GetClientRect(dialog_->Handle(), &client);
  EXPECT_EQ(client.right, MulDiv(482, dpi, 96));
  EXPECT_EQ(client.bottom, MulDiv(473, dpi, 96));
  const RECT edit = ClientRectOf(Control("Edit1"), dialog_->Handle());
  EXPECT_EQ(edit.left - PageOrigin().x, MulDiv(104, dpi, 96));
  EXPECT_EQ(edit.bottom - edit.top, MulDiv(21, dpi, 96));
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Control("Label1"), WM_GETFONT, 0, 0)),
             sizeof(font), &font);
  EXPECT_EQ(font.lfHeight, -MulDiv(8, dpi, 72));
}

COLORREF PixelOf(HWND window, int x, int y) {
  WindowDc dc(window);
  return GetPixel(dc.get(), x, y);
}

// The pages and the controls on them are one surface: no control stands out
// as a patch of another colour.
TEST_F(DialogWindowTest, PagesAndTheirControlsShareOneBackground) {
  Open();
  for (const int pageIndex : {0, 1, 2}) {
    dialog_->SelectPage(pageIndex);
    RedrawWindow(dialog_->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const RECT page = PageArea();
    const COLORREF pageColour = PixelOf(dialog_->Handle(), page.right - 12, page.bottom - 12);
    ASSERT_NE(pageColour, CLR_INVALID);
    for (const zent::Control& control : model_.controls) {
      if (control.page != pageIndex) continue;
      const bool label = control.kind == ControlKind::Label;
      const bool button =
          control.kind == ControlKind::RadioButton || control.kind == ControlKind::CheckBox;
      if (!label && !button) continue;
      const HWND handle = Control(control.name);
      RECT client{};
      GetClientRect(handle, &client);
      // Above the capital letters of a label; right of a button's text.
      const POINT blank = label ? POINT{1, 0} : POINT{client.right - 3, client.bottom / 2};
      EXPECT_EQ(PixelOf(handle, blank.x, blank.y), pageColour) << control.name;
    }
  }
}

}  // namespace
}  // namespace zent::win32
