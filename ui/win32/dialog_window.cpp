#include "ui/win32/dialog_window.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "common/registry_errors.h"
#include "platform/win32/text.h"
#include "ui/dialog_form.h"

namespace zent::win32 {
namespace {

constexpr const wchar_t* kClassName = L"ZentConfigurationDialog";
constexpr const wchar_t* kErrorCaption = L"Bildschirmschoner";
constexpr int kFirstControlId = 1000;
constexpr DWORD kWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_DLGMODALFRAME;

// The class library's heights for controls laid out without one.
int DefaultHeight(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit:
      return 21;
    case ControlKind::Button:
      return 25;
    case ControlKind::TrackBar:
      return 45;
    default:
      return 17;
  }
}

// The window of each kind of control that has one; other kinds (timers, lists
// the dialog lacks) get none. Every control is also a clipping child.
struct ControlClass {
  ControlKind kind;
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
};

constexpr ControlClass kControlClasses[] = {
    {ControlKind::PageControl, WC_TABCONTROLW, WS_TABSTOP, 0},
    {ControlKind::Button, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0},
    {ControlKind::CheckBox, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0},
    // The first radio button of a page also opens its group (RadioGroupStyle).
    {ControlKind::RadioButton, L"BUTTON", BS_RADIOBUTTON, 0},
    {ControlKind::Edit, L"EDIT", WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {ControlKind::UpDown, UPDOWN_CLASSW, UDS_ARROWKEYS, 0},
    {ControlKind::TrackBar, TRACKBAR_CLASSW,
     WS_TABSTOP | WS_GROUP | TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM, 0},
    {ControlKind::GroupBox, L"BUTTON", BS_GROUPBOX, 0},
    {ControlKind::Label, L"STATIC", SS_LEFT | SS_NOPREFIX, 0},
};

const ControlClass* ClassOf(ControlKind kind) {
  const auto found = std::ranges::find(kControlClasses, kind, &ControlClass::kind);
  return found == std::end(kControlClasses) ? nullptr : &*found;
}

constexpr int kLayoutDpi = 96;  // the model's positions are pixels at this resolution

// The screen's logical resolution, which follows the system font size the user
// chose; the process declares itself aware of it, so nothing scales for it.
int ScreenDpi() {
  const WindowDc screen(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : kLayoutDpi;
}

// 8 point at the screen's resolution; `averageWidth` 0 keeps the face's own
// width.
HFONT CreateDialogFont(int dpi, int averageWidth = 0) {
  return CreateFontW(-MulDiv(8, dpi, 72), averageWidth, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif");
}

// An auto-sized label is as wide as its text.
SIZE TextSize(HWND window, HFONT font, const std::wstring& text) {
  SIZE size{0, 0};
  WindowDc dc(window);
  if (!dc) return size;
  const SelectedObject selected(dc.get(), font);
  GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

int AverageCharWidth(HWND window, HFONT font) {
  TEXTMETRICW metrics{};
  WindowDc dc(window);
  if (!dc) return 0;
  const SelectedObject selected(dc.get(), font);
  GetTextMetricsW(dc.get(), &metrics);
  return metrics.tmAveCharWidth;
}

// Where visual styles are on (Wine has them by default), the tab control
// paints its pages in the theme's page colour, while the page controls,
// which are the dialog's own children, show the dialog's face colour. Drawn
// without a theme, the pages take the face colour too, as on the systems the
// layout was made for. The theming library is looked up, not linked: the
// Windows 95 family has none.
void DrawWithoutTheme(HWND window) {
  const HMODULE theming = GetModuleHandleW(L"uxtheme.dll");
  if (theming == nullptr) return;
  using SetWindowThemeFunction = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  const auto setWindowTheme = reinterpret_cast<SetWindowThemeFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(theming, "SetWindowTheme")));
  // A blank name matches no theme class (Wine refuses an empty one).
  if (setWindowTheme != nullptr) setWindowTheme(window, L" ", L" ");
}

void RegisterDialogClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSW description{};
  if (GetClassInfoW(instance, kClassName, &description)) return;
  description.lpfnWndProc = procedure;
  description.hInstance = instance;
  description.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  description.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  description.lpszClassName = kClassName;
  RegisterClassW(&description);
}

void ShowErrorBox(HWND owner, const std::string& message) {
  MessageBoxW(owner, Widen(message).c_str(), kErrorCaption, MB_OK | MB_ICONERROR);
}

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return Narrow(text);
}

bool IsRadioOrCheck(ControlKind kind) {
  return kind == ControlKind::RadioButton || kind == ControlKind::CheckBox;
}

}  // namespace

ConfigurationDialog::ConfigurationDialog(Form& model, std::function<void()> onPreview,
                                         ErrorReporter reportError,
                                         std::function<void()> onCleanNow)
    : model_(model),
      onPreview_(std::move(onPreview)),
      reportError_(reportError ? std::move(reportError) : ErrorReporter(ShowErrorBox)),
      onCleanNow_(std::move(onCleanNow)),
      dpi_(ScreenDpi()),
      font_(CreateDialogFont(dpi_)) {
  INITCOMMONCONTROLSEX classes{sizeof(classes),
                               ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&classes);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterDialogClass(instance, WindowProcedure<ConfigurationDialog>::Procedure);

  RECT frame{0, 0, Scaled(model_.clientWidth), Scaled(model_.clientHeight)};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, kWindowExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  // The window procedure hands the window to window_ as it is created.
  CreateWindowExW(kWindowExStyle, kClassName, Widen(model_.caption).c_str(), kWindowStyle, left,
                  top, width, height, nullptr, nullptr, instance, this);
  if (!window_) return;
  CreateControls();
}

ConfigurationDialog::~ConfigurationDialog() {
  // Detached first, so that the messages of the window's destruction never
  // reach a dialog half torn down; the window goes before the font it uses.
  if (window_) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  window_.reset();
}

// The default handling gets `window`, not window_: while the destructor
// destroys the window, window_ has already let go of it.
LRESULT ConfigurationDialog::HandleMessage(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CLOSE:
      Close();
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

int ConfigurationDialog::IndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < model_.controls.size(); ++i) {
    if (model_.controls[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

HWND ConfigurationDialog::ControlHandle(std::string_view name) const {
  const int index = IndexOf(name);
  return index < 0 ? nullptr : controls_[static_cast<std::size_t>(index)];
}

// `control` is one of model_.controls, which never change in number while the
// window exists: its place in that list is its place in controls_. Before the
// controls are created it has no window.
HWND ConfigurationDialog::HandleOf(const Control& control) const {
  const auto index = static_cast<std::size_t>(&control - model_.controls.data());
  return index < controls_.size() ? controls_[index] : nullptr;
}

int ConfigurationDialog::Scaled(int layoutPixels) const {
  return MulDiv(layoutPixels, dpi_, kLayoutDpi);
}

void ConfigurationDialog::CreateControls() {
  controls_.assign(model_.controls.size(), nullptr);
  // The tab control first: the page controls are placed inside its display
  // area, which only it can tell.
  for (std::size_t i = 0; i < model_.controls.size(); ++i) {
    if (model_.controls[i].kind == ControlKind::PageControl) {
      tabs_ = controls_[i] = CreateControl(model_.controls[i], kFirstControlId + int(i));
    }
  }
  for (std::size_t i = 0; i < model_.controls.size(); ++i) {
    const Control& control = model_.controls[i];
    if (control.kind != ControlKind::TabSheet) continue;
    std::wstring caption = Widen(control.text);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    SendMessageW(tabs_, TCM_INSERTITEMW, tabSheets_.size(), reinterpret_cast<LPARAM>(&item));
    tabSheets_.push_back(static_cast<int>(i));
  }
  if (tabs_ != nullptr) {
    RECT display{};
    GetClientRect(tabs_, &display);
    SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    MapWindowPoints(tabs_, window_.get(), reinterpret_cast<POINT*>(&display), 2);
    pageOrigin_ = POINT{display.left, display.top};
    pageRight_ = display.right;
    FitFontToPages();
  }
  for (std::size_t i = 0; i < model_.controls.size(); ++i) {
    const Control& control = model_.controls[i];
    if (control.kind == ControlKind::PageControl || control.kind == ControlKind::TabSheet) {
      continue;
    }
    controls_[i] = CreateControl(control, kFirstControlId + static_cast<int>(i));
  }
  // Under every other control, so that it never paints over them.
  if (tabs_ != nullptr) {
    SetWindowPos(tabs_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  ShowModelStates();
  const int opening = IndexOf("PageControl1");
  SelectPage(opening < 0 ? 0 : model_.controls[static_cast<std::size_t>(opening)].position);
}

// Whether a control's text, shown in `font`, ends where it may: an auto-sized
// label grows with its text up to the page's edge; a check box or radio
// button keeps its laid-out width.
bool ConfigurationDialog::TextFits(const Control& control, HFONT font) const {
  if (control.page < 0) return true;
  const bool box = IsRadioOrCheck(control.kind);
  const bool label = control.kind == ControlKind::Label;
  if (!box && !label) return true;
  const int left = pageOrigin_.x + Scaled(control.left);
  int limit = pageRight_;
  int indent = 0;
  if (box) {
    indent = GetSystemMetrics(SM_CXMENUCHECK) + Scaled(4);  // the box and the gap after it
    if (control.width > 0) limit = std::min(limit, left + Scaled(control.width));
  }
  return left + indent + TextSize(window_.get(), font, Widen(control.text)).cx <= limit;
}

bool ConfigurationDialog::PagesFit(HFONT font) const {
  for (const Control& control : model_.controls) {
    if (!TextFits(control, font)) return false;
  }
  return true;
}

// The layout was made for "MS Sans Serif". Where that face is missing (a
// Wine prefix without Wine's own fonts) a wider face stands in, and the long
// lines of the first page would run past its edge. The stand-in is then
// narrowed until every line fits, rather than have its ends cut off.
void ConfigurationDialog::FitFontToPages() {
  int width = AverageCharWidth(window_.get(), font_.get());
  while (width > 1 && !PagesFit(font_.get())) {
    --width;
    UniqueFont narrower(CreateDialogFont(dpi_, width));
    if (!narrower) return;
    SendMessageW(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(narrower.get()), FALSE);
    font_ = std::move(narrower);
  }
}

HWND ConfigurationDialog::CreateControl(const Control& control, int id) {
  const ControlClass* kind = ClassOf(control.kind);
  if (kind == nullptr) return nullptr;
  const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | kind->style | RadioGroupStyle(control);
  const std::wstring text = Widen(control.text);
  const RECT place = PlaceOf(control, text);
  const HWND handle = CreateWindowExW(
      kind->exStyle, kind->className, text.c_str(), style, place.left, place.top,
      place.right - place.left, place.bottom - place.top, window_.get(),
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (handle != nullptr) AfterCreation(handle, control);
  return handle;
}

// Each page is its own group of radio buttons, entered at its first one.
DWORD ConfigurationDialog::RadioGroupStyle(const Control& control) const {
  if (control.kind != ControlKind::RadioButton) return 0;
  for (const Control& earlier : model_.controls) {
    if (&earlier == &control) break;
    if (earlier.kind == ControlKind::RadioButton && earlier.page == control.page) return 0;
  }
  return WS_GROUP | WS_TABSTOP;
}

// Where a control lies in the dialog, at the screen's resolution; one laid
// out without a width is as wide as its text.
RECT ConfigurationDialog::PlaceOf(const Control& control, const std::wstring& text) const {
  int width = Scaled(control.width);
  int height = Scaled(control.height > 0 ? control.height : DefaultHeight(control.kind));
  if (width <= 0) {
    const SIZE size = TextSize(window_.get(), font_.get(), text);
    width = size.cx;
    if (control.height <= 0) height = size.cy;
  }
  const bool onPage = control.page >= 0;
  const int left = Scaled(control.left) + (onPage ? pageOrigin_.x : 0);
  const int top = Scaled(control.top) + (onPage ? pageOrigin_.y : 0);
  // A page clips what it holds; the controls here lie over the tab control
  // instead of inside it, so one laid out wider than its page would cover
  // the page's border.
  if (onPage && tabs_ != nullptr) width = std::min(width, pageRight_ - left);
  return RECT{left, top, left + width, top + height};
}

// The dialog's font for every control; the arrows' range and step and the
// speed bar's range and ticks.
void ConfigurationDialog::AfterCreation(HWND handle, const Control& control) const {
  if (control.kind == ControlKind::PageControl) DrawWithoutTheme(handle);
  SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  if (control.kind == ControlKind::UpDown) {
    SendMessageW(handle, UDM_SETRANGE32, static_cast<WPARAM>(control.minimum),
                 static_cast<LPARAM>(control.maximum));
    UDACCEL step{0, static_cast<UINT>(control.step)};
    SendMessageW(handle, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&step));
  } else if (control.kind == ControlKind::TrackBar) {
    SendMessageW(handle, TBM_SETRANGE, FALSE, MAKELPARAM(control.minimum, control.maximum));
    SendMessageW(handle, TBM_SETTICFREQ, 1, 0);
  }
}

void ConfigurationDialog::ShowModelStates() {
  for (std::size_t i = 0; i < model_.controls.size(); ++i) {
    const Control& control = model_.controls[i];
    const HWND handle = controls_[i];
    if (handle == nullptr) continue;
    if (IsRadioOrCheck(control.kind)) {
      SendMessageW(handle, BM_SETCHECK, control.checked ? BST_CHECKED : BST_UNCHECKED, 0);
    } else if (control.kind == ControlKind::UpDown) {
      SendMessageW(handle, UDM_SETPOS32, 0, control.position);
    } else if (control.kind == ControlKind::TrackBar) {
      SendMessageW(handle, TBM_SETPOS, TRUE, control.position);
    } else if (control.kind == ControlKind::Edit) {
      SetWindowTextW(handle, Widen(control.text).c_str());
    }
  }
}

void ConfigurationDialog::ReadControls() {
  for (std::size_t i = 0; i < model_.controls.size(); ++i) {
    Control& control = model_.controls[i];
    const HWND handle = controls_[i];
    if (handle == nullptr) continue;
    if (IsRadioOrCheck(control.kind)) {
      control.checked = SendMessageW(handle, BM_GETCHECK, 0, 0) == BST_CHECKED;
    } else if (control.kind == ControlKind::TrackBar) {
      control.position = static_cast<int>(SendMessageW(handle, TBM_GETPOS, 0, 0));
    } else if (control.kind == ControlKind::Edit) {
      control.text = WindowText(handle);
    }
  }
  const int pages = IndexOf("PageControl1");
  if (pages >= 0) model_.controls[static_cast<std::size_t>(pages)].position = CurrentPage();
}

int ConfigurationDialog::CurrentPage() const {
  return tabs_ == nullptr ? -1 : static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0));
}

void ConfigurationDialog::SelectPage(int page) {
  if (tabs_ == nullptr) return;
  SendMessageW(tabs_, TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
  ShowPageControls();
}

void ConfigurationDialog::ShowPageControls() {
  const int page = CurrentPage();
  for (std::size_t i = 0; i < model_.controls.size(); ++i) {
    const Control& control = model_.controls[i];
    if (controls_[i] == nullptr) continue;
    const bool shown = control.visible && (control.page < 0 || control.page == page);
    ShowWindow(controls_[i], shown ? SW_SHOWNA : SW_HIDE);
  }
}

void ConfigurationDialog::OnCommand(int id, int code) {
  // Escape, as the dialog manager reports it: closes like the close button.
  if (id == IDCANCEL) {
    Close();
    return;
  }
  const int index = id - kFirstControlId;
  if (index < 0 || index >= static_cast<int>(model_.controls.size()) || code != BN_CLICKED) {
    return;
  }
  Control& control = model_.controls[static_cast<std::size_t>(index)];
  if (&control == &ApplyButton(model_)) {
    Close();
  } else if (&control == &PreviewButton(model_)) {
    Preview();
  } else if (&control == &CleanNowButton(model_)) {
    if (onCleanNow_) onCleanNow_();
  } else if (control.kind == ControlKind::RadioButton) {
    ReadControls();
    CheckRadioButton(model_, control);
    ShowModelStates();
  }
}

LRESULT ConfigurationDialog::OnNotify(const NMHDR& header) {
  if (header.hwndFrom == tabs_ && header.code == TCN_SELCHANGE) {
    ShowPageControls();
    return 0;
  }
  if (header.code == UDN_DELTAPOS && header.hwndFrom == HandleOf(StarCountArrows(model_))) {
    const auto& change = reinterpret_cast<const NMUPDOWN&>(header);
    MoveStarCountArrows(model_, change.iPos + change.iDelta);
    const Control& starCount = StarCountEdit(model_);
    SetWindowTextW(HandleOf(starCount), Widen(starCount.text).c_str());
    return 0;
  }
  return 0;
}

void ConfigurationDialog::Preview() {
  ReadControls();
  if (!onPreview_) return;
  try {
    onPreview_();
  } catch (const ConversionError& error) {
    reportError_(window_.get(), error.what());
  }
}

void ConfigurationDialog::Close() {
  ReadControls();
  closed_ = true;
  ShowWindow(window_.get(), SW_HIDE);
}

void ConfigurationDialog::RunModal() {
  closed_ = false;
  ShowWindow(window_.get(), SW_SHOW);
  SetForegroundWindow(window_.get());
  // The keyboard starts at the first control, as in any dialog.
  if (const HWND first = GetNextDlgTabItem(window_.get(), nullptr, FALSE)) SetFocus(first);
  MSG message;
  while (!closed_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(window_.get(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // A quit request that arrived meanwhile belongs to the outer loop.
  if (!closed_) {
    ReadControls();
    closed_ = true;
    PostQuitMessage(static_cast<int>(message.wParam));
  }
}

void RunConfigurationDialog(Form& model, std::function<void()> onPreview,
                            std::function<void()> onCleanNow) {
  ConfigurationDialog dialog(model, std::move(onPreview), {}, std::move(onCleanNow));
  dialog.RunModal();
}

}  // namespace zent::win32
