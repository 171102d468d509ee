#include "ui/starfield.h"

#include <algorithm>

namespace zent {

namespace {

constexpr int kStarSpace = 512;  // x, y and z are drawn from -256..255
constexpr int kStarOffset = 256;
constexpr int kSpareEntries = 4;
constexpr std::int32_t kWhiteDepth = 32;  // nearer stars would overflow the grey

std::int32_t RandomCoordinate(RandomSource& random) {
  return random.Next(kStarSpace) - kStarOffset;
}

}  // namespace

int SeededRandom::Next(int k) {
  state_ = state_ * 1664525u + 1013904223u;
  // The high bits of the state are the well-mixed ones.
  return static_cast<int>((static_cast<std::uint64_t>(state_) * static_cast<std::uint32_t>(k)) >>
                          32);
}

platform::Color Starfield::StarColor(std::int32_t z) {
  if (z < kWhiteDepth) return kWhite;
  return 0x0120201Fu - static_cast<std::uint32_t>(z) * 0x010101u;
}

void Starfield::Prepare(int starCount, int speed, bool blockStars, int screenWidth,
                        int screenHeight, RandomSource& random, std::int32_t projection) {
  starCount_ = std::clamp(starCount, kNoStars, kMaxStarCount);
  speed_ = std::clamp(speed, kMinSpeed, kMaxSpeed);
  blockStars_ = blockStars;
  width_ = screenWidth;
  height_ = screenHeight;
  projection_ = std::max<std::int32_t>(projection, 1);
  stars_.assign(static_cast<std::size_t>(starCount_ + kSpareEntries), Star{});
  centerX_ = screenWidth / 2;
  centerY_ = screenHeight / 2;
  for (int i = 0; i <= starCount_; ++i) {
    Star& star = stars_[static_cast<std::size_t>(i)];
    star.x = RandomCoordinate(random);
    star.y = RandomCoordinate(random);
    star.z = RandomCoordinate(random);
    star.screenX = star.x;
    star.screenY = star.y;
  }
}

void Starfield::Tick(platform::Canvas& canvas, RandomSource& random) {
  if (stars_.empty()) return;
  for (int i = 0; i <= starCount_; ++i) {
    Star& star = stars_[static_cast<std::size_t>(i)];
    std::int32_t x = star.x;
    std::int32_t y = star.y;
    std::int32_t z = star.z;
    Plot(canvas, star.screenX, star.screenY, kBlack);
    if (z < 1) {
      x = RandomCoordinate(random);
      y = RandomCoordinate(random);
      z = RandomCoordinate(random);
      star.x = x;
      star.y = y;
    }
    if (z != 0) {
      // C++ division truncates towards zero, so a negative depth mirrors the
      // star through the centre.
      const std::int32_t sx = x * projection_ / z + centerX_;
      const std::int32_t sy = y * projection_ / z + centerY_;
      // Only the far edges are tested: the window clips negative coordinates.
      if (sx < width_ - 1 && sy < height_ - 1) Plot(canvas, sx, sy, StarColor(z));
      // Remembered even when not drawn, so the erase may hit off-screen pixels.
      star.screenX = sx;
      star.screenY = sy;
    }
    star.z = z - speed_;
  }
  AdvanceBlink();
}

void Starfield::Release() {
  stars_.clear();
  stars_.shrink_to_fit();
}

void Starfield::Plot(platform::Canvas& canvas, int x, int y, platform::Color color) const {
  canvas.SetPixel(x, y, color);
  if (!blockStars_) return;
  canvas.SetPixel(x + 1, y, color);
  canvas.SetPixel(x, y + 1, color);
  canvas.SetPixel(x + 1, y + 1, color);
}

void Starfield::AdvanceBlink() {
  if (++blinkCounter_ < kBlinkTicks) return;
  blinkCounter_ = 0;
  messageVisible_ = !messageVisible_;
}

}  // namespace zent
