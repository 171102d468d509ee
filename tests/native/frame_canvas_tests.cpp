#include "platform/frame_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "ui/starfield.h"
#include "ui/tick_pacer.h"

namespace zent {
namespace {

using platform::Color;
using platform::FrameCanvas;
using platform::Rect;

// Every pixel call, in order, as a window would receive it.
class PixelRecorder final : public platform::Canvas {
 public:
  struct Pixel {
    int x, y;
    Color color;
  };
  void FillBackground(const Rect&) override { ADD_FAILURE() << "FillBackground"; }
  void SetPixel(int x, int y, Color color) override { pixels.push_back({x, y, color}); }
  void TextOut(int, int, std::string_view) override { ADD_FAILURE() << "TextOut"; }
  std::vector<Pixel> pixels;
};

std::size_t At(int x, int y, int width) {
  return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
         static_cast<std::size_t>(x);
}

// What a window of this size shows after the recorded calls: the system
// clips what lies outside it.
std::vector<Color> Replay(const PixelRecorder& recorder, int width, int height) {
  std::vector<Color> screen(At(0, height, width), 0);
  for (const auto& p : recorder.pixels) {
    if (p.x >= 0 && p.x < width && p.y >= 0 && p.y < height) {
      screen[At(p.x, p.y, width)] = p.color;
    }
  }
  return screen;
}

bool Covered(std::span<const Rect> changes, int x, int y) {
  return std::any_of(changes.begin(), changes.end(), [&](const Rect& r) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
  });
}

struct FrameCase {
  int width, height, highestIndex;
  bool blocks;
  int speed, ticks;
  std::uint32_t seed;
};

class FrameCanvasStarfield : public ::testing::TestWithParam<FrameCase> {};

// The frame must hold exactly what the per-pixel calls would leave on a window
// of its size, and every pixel that changed in a tick must lie in a rectangle
// the frame hands to the screen for that tick.
TEST_P(FrameCanvasStarfield, HoldsWhatTheRecordedPixelsLeaveAndReportsEveryChange) {
  const FrameCase& c = GetParam();
  std::vector<std::uint32_t> memory(At(0, c.height, c.width), 0xDEADBEEF);
  FrameCanvas frame(memory.data(), c.width, c.height);
  PixelRecorder recorder;
  SeededRandom frameRandom(c.seed), recordRandom(c.seed);
  Starfield drawn, recorded;
  drawn.Prepare(c.highestIndex, c.speed, c.blocks, c.width, c.height, frameRandom);
  recorded.Prepare(c.highestIndex, c.speed, c.blocks, c.width, c.height, recordRandom);
  std::vector<Color> before(memory.size(), 0);
  std::size_t lit = 0;
  for (int tick = 0; tick < c.ticks; ++tick) {
    drawn.Tick(frame, frameRandom);
    recorded.Tick(recorder, recordRandom);
    const std::span<const Rect> changes = frame.TakeChanges();
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const Color now = frame.PixelAt(x, y);
        Color& was = before[At(x, y, c.width)];
        lit += now != 0;
        if (now != was && !Covered(changes, x, y)) {
          FAIL() << "tick " << tick << ": (" << x << "," << y << ") changed unreported";
        }
        was = now;
      }
    }
  }
  EXPECT_TRUE(frame.TakeChanges().empty());
  const std::vector<Color> expected = Replay(recorder, c.width, c.height);
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x) {
      const Color want = expected[At(x, y, c.width)];
      ASSERT_EQ(frame.PixelAt(x, y), want) << "at (" << x << "," << y << ")";
    }
  }
  EXPECT_GT(lit, 0u) << "no star ever on the surface: the case proves nothing";
}

INSTANTIATE_TEST_SUITE_P(
    SeedsAndSurfaces, FrameCanvasStarfield,
    ::testing::Values(FrameCase{1024, 768, 5000, true, 10, 12, 7},
                      FrameCase{640, 480, 100, false, 1, 40, 1},
                      // Edges that cut tiles, and stars that fall off every side.
                      FrameCase{333, 97, 2000, true, 3, 30, 42},
                      FrameCase{65, 17, 300, true, 10, 50, 5},
                      FrameCase{9, 5, 5000, true, 10, 33, 9}));

// Hostile rectangles: beyond every edge, inverted, empty. Only what lies
// inside is stored, and a store or mark is reported once.
TEST(FrameCanvas, StoresAndReportsOnlyWhatLiesInside) {
  std::vector<std::uint32_t> memory(100 * 20, 0x12345678);
  FrameCanvas frame(memory.data(), 100, 20);
  EXPECT_EQ(frame.PixelAt(99, 19), 0u) << "a new frame is black";
  frame.FillRect({-50, -5, 1000, 3}, 0x0000FF);  // red, as the canvas spells it
  frame.FillRect({10, 10, 5, 15}, 0xFFFFFF);
  frame.SetPixel(-1, 5, 0xFFFFFF);
  frame.SetPixel(100, 5, 0xFFFFFF);
  frame.SetPixel(5, 20, 0xFFFFFF);
  EXPECT_EQ(memory[0], 0x00FF0000u) << "the DIB section's byte order";
  EXPECT_EQ(frame.PixelAt(99, 2), 0x0000FFu);
  EXPECT_EQ(std::count(memory.begin(), memory.end(), 0u), 100 * 17);
  const std::vector<Rect> changes(frame.TakeChanges().begin(), frame.TakeChanges().end());
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].top, 0);
  EXPECT_EQ(changes[0].right, 100);
  frame.MarkChanged({95, 18, 200, 200});
  const std::span<const Rect> marked = frame.TakeChanges();
  ASSERT_EQ(marked.size(), 1u);
  EXPECT_TRUE(Covered(marked, 99, 19));
}

// Timer messages at various rates: never more ticks than the screen shows, the
// full rate when the timer asks often enough, and no burst after a pause.
TEST(TickPacer, AdmitsAtMostTheScreensRateAndDropsMissedTicks) {
  struct Case {
    std::int64_t everyUs, pauseAfterUs, pauseUs;
    int minAdmitted, maxAdmitted;
  };
  const Case cases[] = {
      {1'000, 0, 0, 59, 61},              // a 1 ms timer, as under Wine
      {15'625, 0, 0, 55, 61},             // the system's default timer resolution
      {4'000, 0, 0, 59, 61},              // the saver's own interval
      {40'000, 0, 0, 25, 25},             // a slow machine: every tick drawn
      {1'000, 300'000, 500'000, 31, 32},  // busy for half a second: nothing made up
  };
  for (const Case& c : cases) {
    TickPacer pacer;
    int admitted = 0;
    std::int64_t last = -1'000'000;
    for (std::int64_t t = 0; t < 1'000'000; t += c.everyUs) {
      if (c.pauseUs > 0 && t > c.pauseAfterUs && t < c.pauseAfterUs + c.pauseUs) continue;
      if (!pacer.Admit(t)) continue;
      ++admitted;
      EXPECT_GE(t - last, TickPacer::kIntervalMicroseconds / 2) << "every " << c.everyUs;
      last = t;
    }
    EXPECT_GE(admitted, c.minAdmitted) << "every " << c.everyUs;
    EXPECT_LE(admitted, c.maxAdmitted) << "every " << c.everyUs;
  }
}

}  // namespace
}  // namespace zent
