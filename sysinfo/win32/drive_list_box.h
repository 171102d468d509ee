#pragma once

// The drive list as a real Win32 control: an owner-drawn list box with a check
// box in every row, whose rows the portable DriveList draws.

#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>
// platform::Canvas::TextOut keeps its own name in this layer; the system's
// function is called as TextOutW.
#undef TextOut

#include "platform/canvas.h"
#include "platform/win32/canvas.h"
#include "platform/win32/handles.h"
#include "sysinfo/drive_list.h"

namespace zent::win32 {

// Icons of one size, drawn onto a GdiCanvas (other surfaces get nothing).
class GdiImageList final : public platform::ImageList {
 public:
  GdiImageList(int width, int height);
  // Copies the icon; the caller keeps its own.
  bool AddIcon(HICON icon);
  int Count() const override;
  void Draw(platform::Canvas& canvas, int index, int x, int y, bool enabled) const override;

 private:
  UniqueImageList list_;
};

// A child list box of `parent` showing the rows of `drives`, which must outlive
// it. Clicking a row's check box or pressing the space bar on the selected row
// toggles that row's check state in `drives`. The box is created hidden (the
// saver never shows its drive lists); ShowWindow makes it visible.
class DriveListBox {
 public:
  // The width of the check box column left of the area the drive list draws.
  static constexpr int kCheckColumnWidth = 20;

  DriveListBox(HWND parent, int controlId, const RECT& bounds, DriveList& drives);
  ~DriveListBox();
  DriveListBox(const DriveListBox&) = delete;
  DriveListBox& operator=(const DriveListBox&) = delete;

  HWND Handle() const { return list_.get(); }
  // Shows the drive list's rows, replacing what the box showed; call after
  // ReadDrives.
  void ShowRows();

 private:
  static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR subclassId, DWORD_PTR self);
  static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR subclassId, DWORD_PTR self);
  void Measure(MEASUREITEMSTRUCT& item) const;
  void Draw(const DRAWITEMSTRUCT& item) const;
  void DrawCheckBox(HDC dc, const RECT& row, bool checked) const;
  void ClickChecks(LPARAM point);
  void Toggle(int row);

  HWND parent_;
  int controlId_;
  DriveList& drives_;
  UniqueWindow list_;
};

}  // namespace zent::win32
