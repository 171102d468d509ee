#pragma once

// The moving starfield of the saver window: stars in a small 3D space (x and y
// in -256..255, depth z) projected onto the screen, each erased and redrawn one
// pixel (or one 2 x 2 block) at a time on every timer tick. The window is never
// cleared, so every pixel a star leaves must be painted black again.
//
// Tick does not allocate: every array gets its length in Prepare.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/canvas.h"

namespace zent {

// Random numbers for placing stars; tests script them to put stars where they
// want them.
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // Uniform in 0..k-1; k is at least 1.
  virtual int Next(int k) = 0;
};

// A small linear congruential generator: deterministic for a seed, good
// enough for where a star appears.
class SeededRandom final : public RandomSource {
 public:
  explicit SeededRandom(std::uint32_t seed = 0) : state_(seed) {}
  void Reseed(std::uint32_t seed) { state_ = seed; }
  int Next(int k) override;

 private:
  std::uint32_t state_;
};

class Starfield {
 public:
  // The dialog's arrows stop at 5000 stars; a stored or typed count above it is
  // cut to it. A negative count (only typed by hand) gives no stars at all:
  // the highest index becomes -1, so the arrays still get a valid length.
  static constexpr int kMaxStarCount = 5000;
  static constexpr int kNoStars = -1;
  // The speed track bar's range; a stored speed outside it is taken to its end,
  // as the track bar itself would show it.
  static constexpr int kMinSpeed = 1;
  static constexpr int kMaxSpeed = 10;
  // Ticks between two changes of the message line's visibility.
  static constexpr int kBlinkTicks = 8;

  static constexpr platform::Color kBlack = 0x000000;
  static constexpr platform::Color kWhite = 0xFFFFFF;
  // How far a star at depth 1 stands from the centre per unit of x or y on the
  // screen; a smaller surface showing the same field uses less.
  static constexpr std::int32_t kScreenProjection = 128;

  struct Star {
    std::int32_t x = 0, y = 0, z = 0;
    std::int32_t screenX = 0, screenY = 0;  // where it was last drawn
  };

  // `starCount` is the highest star index N: stars 0..N are drawn. Places every
  // star at random (x, then y, then z, each random(512) - 256), with its
  // remembered screen position set to (x, y). The blink counter runs on.
  void Prepare(int starCount, int speed, bool blockStars, int screenWidth, int screenHeight,
               RandomSource& random, std::int32_t projection = kScreenProjection);

  // One timer tick: erase, respawn, project and draw every star, then advance
  // the blink. Does nothing once Release has run (or before Prepare).
  void Tick(platform::Canvas& canvas, RandomSource& random);

  // Empties the star arrays; the next Prepare fills them again.
  void Release();

  // The visibility of the message line; it starts visible and toggles every
  // kBlinkTicks ticks.
  bool MessageVisible() const { return messageVisible_; }

  // The colour of a star at depth z: a grey that brightens as the star comes
  // nearer, white for everything nearer than depth 32 (the plain formula would
  // carry into the neighbouring colour bytes there).
  static platform::Color StarColor(std::int32_t z);

  int StarCount() const { return starCount_; }
  int StarSpeed() const { return speed_; }
  bool BlockStars() const { return blockStars_; }
  int ScreenCenterX() const { return centerX_; }
  int ScreenCenterY() const { return centerY_; }
  int BlinkCounter() const { return blinkCounter_; }
  // Length of each star array (StarCount + 4 after Prepare, 0 after Release).
  std::size_t ArrayLength() const { return stars_.size(); }
  bool Prepared() const { return !stars_.empty(); }
  Star StarAt(std::size_t index) const { return stars_.at(index); }
  void SetStar(std::size_t index, const Star& star) { stars_.at(index) = star; }

 private:
  void Plot(platform::Canvas& canvas, int x, int y, platform::Color color) const;
  void AdvanceBlink();

  std::vector<Star> stars_;
  int starCount_ = kNoStars;
  int speed_ = kMinSpeed;
  bool blockStars_ = false;
  int width_ = 0, height_ = 0;
  int centerX_ = 0, centerY_ = 0;
  std::int32_t projection_ = kScreenProjection;
  int blinkCounter_ = 0;
  bool messageVisible_ = true;
};

}  // namespace zent
