#pragma once

#include <cstdint>
#include <string_view>

namespace zent::platform {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

using Color = std::uint32_t;  // 0x00BBGGRR, as the system stores colours

// A drawing surface: a window, a list row being drawn, a frame in memory, or a
// recording in tests.
class Canvas {
 public:
  virtual ~Canvas() = default;
  // Fills with the surface's current background (normal or selected row).
  virtual void FillBackground(const Rect& rect) = 0;
  virtual void SetPixel(int x, int y, Color color) = 0;
  virtual void TextOut(int x, int y, std::string_view text) = 0;
};

// A list of equally sized images, drawn by index.
class ImageList {
 public:
  virtual ~ImageList() = default;
  virtual int Count() const = 0;
  virtual void Draw(Canvas& canvas, int index, int x, int y, bool enabled) const = 0;
};

}  // namespace zent::platform
