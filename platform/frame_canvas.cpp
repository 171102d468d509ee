#include "platform/frame_canvas.h"

#include <algorithm>

namespace zent::platform {
namespace {

int CeilDiv(int value, int divisor) { return (value + divisor - 1) / divisor; }

// The canvas's colours are 0x00BBGGRR; a DIB section's pixels are 0x00RRGGBB.
std::uint32_t ToDibPixel(Color color) {
  return ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

}  // namespace

FrameCanvas::FrameCanvas(std::uint32_t* pixels, int width, int height)
    : pixels_(pixels),
      width_(pixels != nullptr ? std::max(width, 0) : 0),
      height_(pixels != nullptr ? std::max(height, 0) : 0),
      tileColumns_(CeilDiv(width_, kTileColumns)),
      tileBands_(CeilDiv(height_, kTileRows)),
      changedTiles_(static_cast<std::size_t>(tileColumns_) * static_cast<std::size_t>(tileBands_)) {
  // A band gives at most one rectangle per run of changed tiles, and runs are
  // at least one unchanged tile apart.
  changes_.reserve(static_cast<std::size_t>(tileBands_) *
                   static_cast<std::size_t>(CeilDiv(tileColumns_, 2)));
  std::fill_n(pixels_, static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0u);
}

void FrameCanvas::SetPixel(int x, int y, Color color) {
  if (!Inside(x, y)) return;
  pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
          static_cast<std::size_t>(x)] = ToDibPixel(color);
  MarkTile(x, y);
}

void FrameCanvas::FillRect(const Rect& rect, Color color) {
  const int left = std::max(rect.left, 0), right = std::min(rect.right, width_);
  const int top = std::max(rect.top, 0), bottom = std::min(rect.bottom, height_);
  if (left >= right || top >= bottom) return;
  const std::uint32_t pixel = ToDibPixel(color);
  for (int y = top; y < bottom; ++y) {
    std::fill_n(pixels_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + left,
                right - left, pixel);
  }
  MarkChanged({left, top, right, bottom});
}

void FrameCanvas::FillBackground(const Rect& rect) { FillRect(rect, 0); }

Color FrameCanvas::PixelAt(int x, int y) const {
  if (!Inside(x, y)) return 0;
  return ToDibPixel(pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                            static_cast<std::size_t>(x)]);
}

void FrameCanvas::MarkChanged(const Rect& rect) {
  const int left = std::max(rect.left, 0), right = std::min(rect.right, width_);
  const int top = std::max(rect.top, 0), bottom = std::min(rect.bottom, height_);
  if (left >= right || top >= bottom) return;
  for (int band = top / kTileRows; band <= (bottom - 1) / kTileRows; ++band) {
    std::fill_n(changedTiles_.begin() + band * tileColumns_ + left / kTileColumns,
                (right - 1) / kTileColumns - left / kTileColumns + 1, std::uint8_t{1});
  }
}

std::span<const Rect> FrameCanvas::TakeChanges() {
  changes_.clear();
  for (int band = 0; band < tileBands_; ++band) CollectBand(band);
  std::fill(changedTiles_.begin(), changedTiles_.end(), std::uint8_t{0});
  return changes_;
}

void FrameCanvas::CollectBand(int band) {
  const std::uint8_t* tiles =
      changedTiles_.data() + static_cast<std::ptrdiff_t>(band) * tileColumns_;
  int first = -1, last = -1;
  for (int tile = 0; tile < tileColumns_; ++tile) {
    if (tiles[tile] == 0) continue;
    if (first >= 0 && tile - last - 1 > kJoinedGapTiles) {
      AddRun(band, first, last);
      first = -1;
    }
    if (first < 0) first = tile;
    last = tile;
  }
  if (first >= 0) AddRun(band, first, last);
}

void FrameCanvas::AddRun(int band, int firstTile, int lastTile) {
  changes_.push_back({firstTile * kTileColumns, band * kTileRows,
                      std::min((lastTile + 1) * kTileColumns, width_),
                      std::min((band + 1) * kTileRows, height_)});
}

}  // namespace zent::platform
