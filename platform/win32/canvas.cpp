#include "platform/win32/canvas.h"

#include <algorithm>
#include <string>

#include "platform/win32/text.h"

namespace zent::win32 {
namespace {

RECT ToRect(const platform::Rect& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

void Fill(HDC dc, const RECT& rect, COLORREF color) {
  const UniqueBrush brush(CreateSolidBrush(color));
  if (brush) ::FillRect(dc, &rect, brush.get());
}

HBITMAP CreateTopDownDib(HDC like, int width, int height, std::uint32_t** bits) {
  *bits = nullptr;
  if (width <= 0 || height <= 0) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* memory = nullptr;
  HBITMAP bitmap = CreateDIBSection(like, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
  if (bitmap != nullptr) *bits = static_cast<std::uint32_t*>(memory);
  return bitmap;
}

// Copies `area` of `source` to the same place of `target`.
void Copy(HDC target, const RECT& area, HDC source) {
  if (area.left >= area.right || area.top >= area.bottom) return;
  BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, source,
         area.left, area.top, SRCCOPY);
}

}  // namespace

// ---------------------------------------------------------------- GdiCanvas

void GdiCanvas::FillBackground(const platform::Rect& rect) { Fill(dc_, ToRect(rect), background_); }

void GdiCanvas::SetPixel(int x, int y, platform::Color color) { ::SetPixel(dc_, x, y, color); }

void GdiCanvas::TextOut(int x, int y, std::string_view text) {
  const std::wstring wide = Widen(text);
  const int previousMode = SetBkMode(dc_, TRANSPARENT);
  ::TextOutW(dc_, x, y, wide.c_str(), static_cast<int>(wide.size()));
  SetBkMode(dc_, previousMode);
}

// ---------------------------------------------------------------- DibFrame

DibFrame::DibFrame(int width, int height)
    : dc_(CreateCompatibleDC(nullptr)),
      bitmap_(dc_ ? CreateTopDownDib(dc_.get(), width, height, &bits_) : nullptr),
      selected_(dc_.get(), bitmap_.get()),
      canvas_(bits_, width, height) {}

DibFrame::Strip::Strip(HDC like, int width, int stripHeight)
    : dc(CreateCompatibleDC(like)),
      bitmap(dc ? CreateTopDownDib(dc.get(), width, stripHeight, &bits) : nullptr),
      selected(dc.get(), bitmap.get()),
      height(stripHeight) {}

void DibFrame::CopyChanges(HDC target, const FrameOverlay* overlay) {
  const RECT rows = OverlayRows(overlay);
  bool overlayTouched = false;
  for (const platform::Rect& change : canvas_.TakeChanges()) {
    overlayTouched |= CopyAround(target, ToRect(change), rows);
  }
  if (overlayTouched) CopyOverlay(target, *overlay, rows);
}

void DibFrame::CopyArea(HDC target, const RECT& area, const FrameOverlay* overlay) {
  const RECT rows = OverlayRows(overlay);
  if (CopyAround(target, area, rows)) CopyOverlay(target, *overlay, rows);
}

RECT DibFrame::OverlayRows(const FrameOverlay* overlay) const {
  if (overlay == nullptr || !bits_) return {};
  const RECT area = overlay->Area();
  const int top = std::max<int>(area.top, 0);
  const int bottom = std::min<int>(area.bottom, canvas_.Height());
  if (area.left >= area.right || top >= bottom) return {};
  return {0, top, canvas_.Width(), bottom};
}

bool DibFrame::CopyAround(HDC target, const RECT& area, const RECT& rows) const {
  if (!bits_) return false;
  if (rows.top >= rows.bottom || area.bottom <= rows.top || area.top >= rows.bottom) {
    Copy(target, area, dc_.get());
    return false;
  }
  const LONG top = std::min(area.bottom, rows.top);
  const LONG bottom = std::max(area.top, rows.bottom);
  Copy(target, {area.left, area.top, area.right, top}, dc_.get());
  Copy(target, {area.left, bottom, area.right, area.bottom}, dc_.get());
  return true;
}

void DibFrame::CopyOverlay(HDC target, const FrameOverlay& overlay, const RECT& rows) {
  const int height = rows.bottom - rows.top;
  if (!strip_ || strip_->height != height) strip_.emplace(dc_.get(), canvas_.Width(), height);
  if (!strip_->bits) return;
  const HDC strip = strip_->dc.get();
  BitBlt(strip, 0, 0, canvas_.Width(), height, dc_.get(), 0, rows.top, SRCCOPY);
  POINT previousOrigin{};
  SetViewportOrgEx(strip, 0, -rows.top, &previousOrigin);
  overlay.DrawOver(strip, overlay.Area());
  SetViewportOrgEx(strip, previousOrigin.x, previousOrigin.y, nullptr);
  GdiFlush();
  BitBlt(target, 0, rows.top, canvas_.Width(), height, strip, 0, 0, SRCCOPY);
}

}  // namespace zent::win32
