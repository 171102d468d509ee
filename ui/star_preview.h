#pragma once

// The starfield in the display settings' little monitor: the stored star
// settings on a window of any size, drawn as the full screen would look
// shrunk to it. Nothing else of the saver runs there.

#include <cstdint>

#include "platform/canvas.h"
#include "ui/saver_window.h"
#include "ui/starfield.h"

namespace zent {

class StarPreview {
 public:
  // `screenWidth` is the width of the screen the saver itself would cover.
  void Prepare(const StarSettings& stars, int width, int height, int screenWidth,
               std::uint32_t seed);
  void Tick(platform::Canvas& canvas) { starfield_.Tick(canvas, random_); }

  const Starfield& Stars() const { return starfield_; }

  // The projection that shows the screen's picture on `width` pixels.
  static std::int32_t ProjectionFor(int width, int screenWidth);

 private:
  SeededRandom random_;
  Starfield starfield_;
};

}  // namespace zent
