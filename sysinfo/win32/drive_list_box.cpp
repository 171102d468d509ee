#include "sysinfo/win32/drive_list_box.h"

#include <windowsx.h>

#include <string>

#include "platform/win32/text.h"

namespace zent::win32 {
namespace {

constexpr DWORD kListStyle =
    WS_CHILD | WS_VSCROLL | WS_TABSTOP | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY;
constexpr int kCheckBoxSize = 13;

platform::Rect ToRect(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

void Fill(HDC dc, const RECT& rect, COLORREF color) {
  const UniqueBrush brush(CreateSolidBrush(color));
  if (brush) ::FillRect(dc, &rect, brush.get());
}

UINT_PTR SubclassId(const DriveListBox* box) { return reinterpret_cast<UINT_PTR>(box); }

}  // namespace

// ---------------------------------------------------------------- GdiImageList

GdiImageList::GdiImageList(int width, int height)
    : list_(ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 4, 4)) {}

bool GdiImageList::AddIcon(HICON icon) {
  return list_ && icon != nullptr && ImageList_AddIcon(list_.get(), icon) >= 0;
}

int GdiImageList::Count() const { return list_ ? ImageList_GetImageCount(list_.get()) : 0; }

void GdiImageList::Draw(platform::Canvas& canvas, int index, int x, int y, bool enabled) const {
  auto* gdi = dynamic_cast<GdiCanvas*>(&canvas);
  if (gdi == nullptr || !list_) return;
  const UINT style = enabled ? ILD_TRANSPARENT : ILD_TRANSPARENT | ILD_BLEND50;
  ImageList_DrawEx(list_.get(), index, gdi->Dc(), x, y, 0, 0, CLR_NONE, CLR_DEFAULT, style);
}

// ---------------------------------------------------------------- DriveListBox

// The parent is subclassed before the box exists: a box with rows of fixed
// height asks its parent for that height while it is being created.
DriveListBox::DriveListBox(HWND parent, int controlId, const RECT& bounds, DriveList& drives)
    : parent_(parent), controlId_(controlId), drives_(drives) {
  SetWindowSubclass(parent_, ParentProc, SubclassId(this), reinterpret_cast<DWORD_PTR>(this));
  list_.reset(CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"", kListStyle, bounds.left,
                              bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                              parent_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId_)),
                              GetModuleHandleW(nullptr), nullptr));
  if (!list_) return;
  SetWindowSubclass(list_.get(), ListProc, SubclassId(this), reinterpret_cast<DWORD_PTR>(this));
  SendMessageW(list_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               FALSE);
}

DriveListBox::~DriveListBox() {
  list_.reset();
  if (IsWindow(parent_)) RemoveWindowSubclass(parent_, ParentProc, SubclassId(this));
}

void DriveListBox::ShowRows() {
  if (!list_) return;
  SendMessageW(list_.get(), LB_RESETCONTENT, 0, 0);
  for (std::size_t row = 0; row < drives_.RowCount(); ++row) {
    const std::wstring text = Widen(drives_.RowText(row));
    SendMessageW(list_.get(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
}

LRESULT CALLBACK DriveListBox::ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR self) {
  const auto* box = reinterpret_cast<const DriveListBox*>(self);
  if (message == WM_MEASUREITEM) {
    auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (item->CtlType == ODT_LISTBOX && static_cast<int>(item->CtlID) == box->controlId_) {
      box->Measure(*item);
      return TRUE;
    }
  } else if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (item->CtlType == ODT_LISTBOX && item->hwndItem == box->Handle()) {
      box->Draw(*item);
      return TRUE;
    }
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK DriveListBox::ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR self) {
  auto* box = reinterpret_cast<DriveListBox*>(self);
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
    // The click still selects the row, as in any list.
    box->ClickChecks(lParam);
  } else if (message == WM_KEYDOWN && wParam == VK_SPACE) {
    box->Toggle(static_cast<int>(SendMessageW(window, LB_GETCURSEL, 0, 0)));
    return 0;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

void DriveListBox::Measure(MEASUREITEMSTRUCT& item) const {
  item.itemHeight = static_cast<UINT>(drives_.RowHeight());
}

void DriveListBox::Draw(const DRAWITEMSTRUCT& item) const {
  RECT textArea = item.rcItem;
  textArea.left += kCheckColumnWidth;
  if (item.itemAction == ODA_FOCUS) {
    DrawFocusRect(item.hDC, &textArea);
    return;
  }
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const auto row = static_cast<std::size_t>(item.itemID);
  if (item.itemID != static_cast<UINT>(-1) && row < drives_.RowCount()) {
    Fill(item.hDC, item.rcItem, GetSysColor(COLOR_WINDOW));
    DrawCheckBox(item.hDC, item.rcItem, drives_.Checked(row));
    const COLORREF previousText =
        SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    GdiCanvas canvas(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    drives_.DrawDrive(row, ToRect(textArea), canvas);
    SetTextColor(item.hDC, previousText);
  }
  if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(item.hDC, &textArea);
}

void DriveListBox::DrawCheckBox(HDC dc, const RECT& row, bool checked) const {
  const int left = row.left + (kCheckColumnWidth - kCheckBoxSize) / 2;
  const int top = row.top + (row.bottom - row.top - kCheckBoxSize) / 2;
  RECT box{left, top, left + kCheckBoxSize, top + kCheckBoxSize};
  DrawFrameControl(dc, &box, DFC_BUTTON,
                   DFCS_BUTTONCHECK | DFCS_FLAT | (checked ? DFCS_CHECKED : 0));
}

void DriveListBox::ClickChecks(LPARAM point) {
  if (GET_X_LPARAM(point) >= kCheckColumnWidth) return;
  const LRESULT hit = SendMessageW(list_.get(), LB_ITEMFROMPOINT, 0, point);
  if (HIWORD(hit) == 0) Toggle(LOWORD(hit));  // not below the last row
}

void DriveListBox::Toggle(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= drives_.RowCount()) return;
  const auto index = static_cast<std::size_t>(row);
  drives_.SetChecked(index, !drives_.Checked(index));
  RECT rowRect;
  if (SendMessageW(list_.get(), LB_GETITEMRECT, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&rowRect)) != LB_ERR) {
    InvalidateRect(list_.get(), &rowRect, FALSE);
  }
}

}  // namespace zent::win32
