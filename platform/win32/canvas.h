#pragma once

// The Win32 drawing surfaces behind platform::Canvas: a device context drawn
// into call by call (list rows), and a frame in memory that windows showing
// the starfield draw into and copy to the screen once per tick.

#include <windows.h>
// platform::Canvas::TextOut keeps its own name in this layer; the system's
// function is called as TextOutW.
#undef TextOut

#include <cstdint>
#include <optional>

#include "platform/canvas.h"
#include "platform/frame_canvas.h"
#include "platform/win32/handles.h"

namespace zent::win32 {

// Draws into a device context that stays owned by whoever handed it over.
// FillBackground uses the colour the owner chose for the surface (the normal or
// the selected row colour); text goes on with a transparent background in the
// context's current text colour and font.
class GdiCanvas final : public platform::Canvas {
 public:
  GdiCanvas(HDC dc, COLORREF background) : dc_(dc), background_(background) {}
  void FillBackground(const platform::Rect& rect) override;
  void SetPixel(int x, int y, platform::Color color) override;
  void TextOut(int x, int y, std::string_view text) override;
  HDC Dc() const { return dc_; }

 private:
  HDC dc_;
  COLORREF background_;
};

// Something a window draws over its frame on the way to the screen, such as a
// line of text. Its rows are put together in memory first, so the screen never
// shows them without it.
class FrameOverlay {
 public:
  virtual ~FrameOverlay() = default;
  // Where it lies, in the frame's coordinates; an empty rectangle for none.
  virtual RECT Area() const = 0;
  // Draws it onto `dc`, which holds the frame's pixels under `area` and takes
  // the frame's coordinates.
  virtual void DrawOver(HDC dc, const RECT& area) const = 0;
};

// A 32-bit top-down DIB section of a window's size, black at first, drawn into
// through its FrameCanvas. The window copies it to the screen: what changed
// once per tick, any area on WM_PAINT.
class DibFrame {
 public:
  DibFrame(int width, int height);
  DibFrame(const DibFrame&) = delete;
  DibFrame& operator=(const DibFrame&) = delete;

  explicit operator bool() const { return bits_ != nullptr; }
  platform::FrameCanvas& Canvas() { return canvas_; }
  const platform::FrameCanvas& Canvas() const { return canvas_; }

  // Copies what changed since the last copy to `target`, whose origin is the
  // frame's, with `overlay` (if any) drawn over its rows.
  void CopyChanges(HDC target, const FrameOverlay* overlay);
  // Copies `area`, changed or not: what a window shows again when uncovered.
  void CopyArea(HDC target, const RECT& area, const FrameOverlay* overlay);

 private:
  // The overlay's rows across the whole frame, put together before they go.
  struct Strip {
    Strip(HDC like, int width, int height);
    std::uint32_t* bits = nullptr;
    UniqueMemoryDc dc;
    UniqueBitmap bitmap;
    SelectedObject selected;
    int height;
  };

  RECT OverlayRows(const FrameOverlay* overlay) const;
  // Copies `area` less the overlay's rows; true when it touched them.
  bool CopyAround(HDC target, const RECT& area, const RECT& rows) const;
  void CopyOverlay(HDC target, const FrameOverlay& overlay, const RECT& rows);

  std::uint32_t* bits_ = nullptr;
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  SelectedObject selected_;
  platform::FrameCanvas canvas_;
  std::optional<Strip> strip_;
};

}  // namespace zent::win32
