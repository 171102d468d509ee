#pragma once

// A picture in memory: 32-bit pixels, top row first, laid out as a Windows DIB
// section holds them (blue, green, red, unused: 0x00RRGGBB as a number).
// Drawing is a store into that memory, no call to the system per pixel. The
// canvas notes which tiles of the picture changed, so that a window showing it
// copies only those to the screen.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/canvas.h"

namespace zent::platform {

class FrameCanvas final : public Canvas {
 public:
  // A tile is this many rows high and columns wide; a change anywhere in it
  // sends the whole tile to the screen.
  static constexpr int kTileRows = 16;
  static constexpr int kTileColumns = 64;
  // Changed tiles in one band of rows that lie at most this many unchanged
  // tiles apart go to the screen as one rectangle: one copy of a few more
  // pixels costs less than a second copy.
  static constexpr int kJoinedGapTiles = 3;

  // `pixels` holds `width` x `height` values, row after row, and stays owned
  // by the caller; it is cleared to black. A size of 0 draws nothing.
  FrameCanvas(std::uint32_t* pixels, int width, int height);

  // Outside the picture nothing is stored: a star remembered off the screen
  // is erased there as on a window, where the system clips it.
  void SetPixel(int x, int y, Color color) override;
  void FillRect(const Rect& rect, Color color);
  // The frame's background is black.
  void FillBackground(const Rect& rect) override;
  // Text goes over the frame on its way to the screen (the window's message
  // line), never into it.
  void TextOut(int, int, std::string_view) override {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  // The colour at (x, y), as the canvas was given it (0x00BBGGRR); black
  // outside the picture.
  Color PixelAt(int x, int y) const;

  // Marks `rect` as changed, as drawing into it would (something drawn over
  // the frame there changed).
  void MarkChanged(const Rect& rect);
  // The rectangles that changed since the last call, clipped to the picture,
  // and forgets them. The span lives until the next call.
  std::span<const Rect> TakeChanges();

 private:
  bool Inside(int x, int y) const {
    return static_cast<unsigned>(x) < static_cast<unsigned>(width_) &&
           static_cast<unsigned>(y) < static_cast<unsigned>(height_);
  }
  void MarkTile(int x, int y) {
    changedTiles_[static_cast<std::size_t>(y / kTileRows * tileColumns_ + x / kTileColumns)] = 1;
  }
  void CollectBand(int band);
  void AddRun(int band, int firstTile, int lastTile);

  std::uint32_t* pixels_;
  int width_, height_;
  int tileColumns_, tileBands_;
  std::vector<std::uint8_t> changedTiles_;
  // Sized for the most rectangles a frame can give, so a tick never allocates.
  std::vector<Rect> changes_;
};

}  // namespace zent::platform
