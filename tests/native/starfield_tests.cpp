#include "ui/starfield.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <vector>

#include "ui/input_rule.h"
#include "ui/star_preview.h"

namespace zent {
namespace {

struct Pixel {
  int x, y;
  platform::Color color;
  friend bool operator==(const Pixel&, const Pixel&) = default;
};

void PrintTo(const Pixel& p, std::ostream* os) {
  *os << "(" << p.x << "," << p.y << " 0x" << std::hex << p.color << std::dec << ")";
}

class PixelRecorder final : public platform::Canvas {
 public:
  void FillBackground(const platform::Rect&) override { ADD_FAILURE() << "FillBackground"; }
  void SetPixel(int x, int y, platform::Color color) override { pixels.push_back({x, y, color}); }
  void TextOut(int, int, std::string_view) override { ADD_FAILURE() << "TextOut"; }
  std::vector<Pixel> pixels;
};

// Hands out star coordinates in -256..255 in the order they are asked for.
class ScriptedStars final : public RandomSource {
 public:
  void Add(std::int32_t x, std::int32_t y, std::int32_t z) {
    for (const auto c : {x, y, z}) values_.push_back(c + 256);
  }
  int Next(int k) override {
    EXPECT_EQ(k, 512);
    if (values_.empty()) {
      ADD_FAILURE() << "more random numbers asked for than scripted";
      return 256;
    }
    const int value = values_.front();
    values_.pop_front();
    return value;
  }
  bool Exhausted() const { return values_.empty(); }

 private:
  std::deque<int> values_;
};

constexpr int kWidth = 1024;
constexpr int kHeight = 768;  // centre (512, 384)
constexpr platform::Color kBlack = 0;
constexpr platform::Color kWhite = 0xFFFFFF;

// One star (N = 0) at the given place.
Starfield OneStar(ScriptedStars& random, std::int32_t x, std::int32_t y, std::int32_t z,
                  int speed = 2, bool block = false, int width = kWidth, int height = kHeight) {
  random.Add(x, y, z);
  Starfield field;
  field.Prepare(0, speed, block, width, height, random);
  return field;
}

TEST(Starfield, PrepareSeedsStarsFromTheRandomSourceInXYZOrder) {
  ScriptedStars random;
  random.Add(-256, 255, 0);
  random.Add(7, -8, 9);
  Starfield field;
  field.Prepare(1, 3, false, kWidth, kHeight, random);
  EXPECT_TRUE(random.Exhausted());
  EXPECT_EQ(field.ArrayLength(), 5u);
  EXPECT_EQ(field.ScreenCenterX(), 512);
  EXPECT_EQ(field.ScreenCenterY(), 384);
  const auto first = field.StarAt(0);
  EXPECT_EQ(first.x, -256);
  EXPECT_EQ(first.y, 255);
  EXPECT_EQ(first.z, 0);
  EXPECT_EQ(first.screenX, -256);
  EXPECT_EQ(first.screenY, 255);
  const auto second = field.StarAt(1);
  EXPECT_EQ(second.x, 7);
  EXPECT_EQ(second.z, 9);
  EXPECT_EQ(second.screenY, -8);
}

TEST(Starfield, TickErasesThenDrawsTheProjectedStarAndMovesItNearer) {
  ScriptedStars random;
  auto field = OneStar(random, 10, -20, 64);
  PixelRecorder canvas;
  field.Tick(canvas, random);
  // 10*128/64 + 512, -20*128/64 + 384, grey 287 - 64.
  EXPECT_EQ(canvas.pixels, (std::vector<Pixel>{{10, -20, kBlack}, {532, 344, 0xDFDFDF}}));
  EXPECT_EQ(field.StarAt(0).z, 62);

  canvas.pixels.clear();
  field.Tick(canvas, random);
  // -2560/62 truncates towards zero: -41, not -42.
  EXPECT_EQ(canvas.pixels, (std::vector<Pixel>{{532, 344, kBlack}, {532, 343, 0xE1E1E1}}));
  EXPECT_EQ(field.StarAt(0).screenY, 343);
}

TEST(Starfield, BlockStarsEraseAndDrawTwoByTwo) {
  ScriptedStars random;
  auto field = OneStar(random, 0, 0, 128, 1, true);
  PixelRecorder canvas;
  field.Tick(canvas, random);
  const platform::Color grey = 287 - 128;
  const platform::Color colour = grey * 0x010101;
  EXPECT_EQ(canvas.pixels, (std::vector<Pixel>{{0, 0, kBlack},
                                               {1, 0, kBlack},
                                               {0, 1, kBlack},
                                               {1, 1, kBlack},
                                               {512, 384, colour},
                                               {513, 384, colour},
                                               {512, 385, colour},
                                               {513, 385, colour}}));
}

TEST(Starfield, StarThatReachedTheViewerRespawnsBeforeItIsDrawn) {
  ScriptedStars random;
  auto field = OneStar(random, 1, 1, 0, 4);
  random.Add(100, 50, 200);
  PixelRecorder canvas;
  field.Tick(canvas, random);
  EXPECT_TRUE(random.Exhausted());
  // 12800/200 = 64, 6400/200 = 32; grey 87.
  EXPECT_EQ(canvas.pixels, (std::vector<Pixel>{{1, 1, kBlack}, {576, 416, 0x575757}}));
  const auto star = field.StarAt(0);
  EXPECT_EQ(star.x, 100);
  EXPECT_EQ(star.y, 50);
  EXPECT_EQ(star.z, 196);
}

TEST(Starfield, RespawnAtDepthZeroDrawsNothingAndKeepsTheOldPosition) {
  ScriptedStars random;
  auto field = OneStar(random, 3, 4, -5, 2);
  random.Add(9, 9, 0);
  PixelRecorder canvas;
  field.Tick(canvas, random);
  EXPECT_EQ(canvas.pixels, (std::vector<Pixel>{{3, 4, kBlack}}));
  const auto star = field.StarAt(0);
  EXPECT_EQ(star.screenX, 3);
  EXPECT_EQ(star.screenY, 4);
  EXPECT_EQ(star.x, 9);
  EXPECT_EQ(star.z, -2);
}

TEST(Starfield, NegativeDepthMirrorsTheStarThroughTheCentreInWhite) {
  ScriptedStars random;
  auto field = OneStar(random, 0, 0, -1);
  random.Add(10, 20, -64);
  PixelRecorder canvas;
  field.Tick(canvas, random);
  EXPECT_EQ(canvas.pixels, (std::vector<Pixel>{{0, 0, kBlack}, {492, 344, kWhite}}));
}

TEST(Starfield, StarBeyondTheScreenIsNotDrawnButItsPositionIsErasedNextTick) {
  ScriptedStars random;
  auto field = OneStar(random, 255, 0, 1, 10);
  PixelRecorder canvas;
  field.Tick(canvas, random);
  EXPECT_EQ(canvas.pixels, (std::vector<Pixel>{{255, 0, kBlack}}));
  EXPECT_EQ(field.StarAt(0).screenX, 512 + 32640);

  random.Add(0, 0, 100);
  canvas.pixels.clear();
  field.Tick(canvas, random);
  ASSERT_FALSE(canvas.pixels.empty());
  EXPECT_EQ(canvas.pixels.front(), (Pixel{512 + 32640, 384, kBlack}));
}

TEST(Starfield, OnlyTheFarEdgesAreTestedBeforeDrawing) {
  // x = 255 at depth 64 projects 510 to the right of the centre.
  for (const auto& [width, drawn] : {std::pair{1023, true}, std::pair{1022, false}}) {
    ScriptedStars random;
    auto field = OneStar(random, 255, 0, 64, 1, false, width, kHeight);
    PixelRecorder canvas;
    field.Tick(canvas, random);
    EXPECT_EQ(canvas.pixels.size(), drawn ? 2u : 1u) << "width " << width;
  }
  ScriptedStars random;
  auto field = OneStar(random, -255, -255, 1);
  PixelRecorder canvas;
  field.Tick(canvas, random);
  ASSERT_EQ(canvas.pixels.size(), 2u);
  EXPECT_EQ(canvas.pixels[1], (Pixel{512 - 32640, 384 - 32640, kWhite}));
}

class StarColorTest : public ::testing::TestWithParam<std::pair<std::int32_t, platform::Color>> {};

TEST_P(StarColorTest, GreyByDepthAndWhiteNearerThan32) {
  EXPECT_EQ(Starfield::StarColor(GetParam().first), GetParam().second)
      << "depth " << GetParam().first;
}

INSTANTIATE_TEST_SUITE_P(Depths, StarColorTest,
                         ::testing::Values(std::pair{255, 0x202020u}, std::pair{100, 0xBBBBBBu},
                                           std::pair{33, 0xFEFEFEu}, std::pair{32, 0xFFFFFFu},
                                           std::pair{31, 0xFFFFFFu}, std::pair{1, 0xFFFFFFu},
                                           std::pair{-1, 0xFFFFFFu}, std::pair{-256, 0xFFFFFFu}));

// Stars are never drawn black, so the black pixels are the erases, one per star.
int ErasesPerTick(int starCount) {
  SeededRandom random(42);
  Starfield field;
  field.Prepare(starCount, 3, false, kWidth, kHeight, random);
  PixelRecorder canvas;
  field.Tick(canvas, random);
  int erases = 0;
  for (const auto& p : canvas.pixels) erases += p.color == kBlack ? 1 : 0;
  return erases;
}

TEST(Starfield, StarCountIsTheHighestIndexCappedAt5000) {
  SeededRandom random(1);
  Starfield field;
  field.Prepare(6000, 3, false, kWidth, kHeight, random);
  EXPECT_EQ(field.StarCount(), 5000);
  EXPECT_EQ(field.ArrayLength(), 5004u);
  field.Prepare(5000, 3, false, kWidth, kHeight, random);
  EXPECT_EQ(field.StarCount(), 5000);
  EXPECT_EQ(ErasesPerTick(100), 101);
  EXPECT_EQ(ErasesPerTick(6000), 5001);
  EXPECT_EQ(ErasesPerTick(0), 1);
}

TEST(Starfield, NegativeCountGivesNoStarsWhileTheMessageStillBlinks) {
  ScriptedStars random;
  Starfield field;
  field.Prepare(-7, 3, false, kWidth, kHeight, random);
  EXPECT_EQ(field.StarCount(), Starfield::kNoStars);
  EXPECT_EQ(field.ArrayLength(), 3u);
  PixelRecorder canvas;
  for (int i = 0; i < 8; ++i) field.Tick(canvas, random);
  EXPECT_TRUE(canvas.pixels.empty());
  EXPECT_FALSE(field.MessageVisible());
}

TEST(Starfield, SpeedIsKeptToTheTrackBarRange) {
  ScriptedStars random;
  EXPECT_EQ(OneStar(random, 0, 0, 100, 0).StarSpeed(), 1);
  EXPECT_EQ(OneStar(random, 0, 0, 100, 11).StarSpeed(), 10);
  EXPECT_EQ(OneStar(random, 0, 0, 100, 7).StarSpeed(), 7);
}

TEST(Starfield, MessageIsVisibleForEightTicksThenHiddenForEight) {
  SeededRandom random(5);
  Starfield field;
  field.Prepare(3, 2, false, kWidth, kHeight, random);
  PixelRecorder canvas;
  std::vector<bool> visible;
  for (int i = 0; i < 32; ++i) {
    visible.push_back(field.MessageVisible());
    field.Tick(canvas, random);
  }
  for (std::size_t i = 0; i < 32; ++i)
    EXPECT_EQ(visible[i], (i / 8) % 2 == 0) << "before tick " << i;
}

TEST(Starfield, ReleasedFieldDrawsNothingAndPrepareRefillsIt) {
  SeededRandom random(9);
  Starfield field;
  field.Prepare(10, 2, true, kWidth, kHeight, random);
  field.Release();
  EXPECT_EQ(field.ArrayLength(), 0u);
  PixelRecorder canvas;
  field.Tick(canvas, random);
  EXPECT_TRUE(canvas.pixels.empty());
  EXPECT_EQ(field.BlinkCounter(), 0);
  field.Prepare(10, 2, true, kWidth, kHeight, random);
  EXPECT_EQ(field.ArrayLength(), 14u);
}

TEST(SeededRandom, SameSeedSameStarsAndValuesStayInRange) {
  SeededRandom a(77), b(77);
  for (int i = 0; i < 1000; ++i) {
    const int value = a.Next(512);
    EXPECT_EQ(value, b.Next(512));
    ASSERT_GE(value, 0);
    ASSERT_LT(value, 512);
  }
  SeededRandom c(78);
  int differ = 0;
  for (int i = 0; i < 20; ++i) differ += a.Next(512) != c.Next(512) ? 1 : 0;
  EXPECT_GT(differ, 0);
}

// The close-on-input rule, event sequence by event sequence.
struct InputStep {
  InputEvent event;
  int x = 0, y = 0;
  bool ends;
};

struct InputCase {
  const char* name;
  std::vector<InputStep> steps;
};

class CloseOnInputRuleTest : public ::testing::TestWithParam<InputCase> {};

TEST_P(CloseOnInputRuleTest, EndsExactlyWhenExpected) {
  CloseOnInputRule rule;
  int index = 0;
  for (const auto& step : GetParam().steps) {
    EXPECT_EQ(rule.ShouldEnd(step.event, step.x, step.y), step.ends) << "step " << index;
    ++index;
  }
}

using E = InputEvent;
INSTANTIATE_TEST_SUITE_P(
    Sequences, CloseOnInputRuleTest,
    ::testing::Values(
        InputCase{"FirstMoveOnlyRecorded", {{E::MouseMove, 500, 300, false}}},
        InputCase{"SamePositionDoesNothing",
                  {{E::MouseMove, 5, 5, false}, {E::MouseMove, 5, 5, false}}},
        InputCase{"OnePixelInXEnds", {{E::MouseMove, 5, 5, false}, {E::MouseMove, 6, 5, true}}},
        InputCase{"OnePixelInYEnds", {{E::MouseMove, 5, 5, false}, {E::MouseMove, 5, 4, true}}},
        InputCase{"RecordedPositionNeverMoves",
                  {{E::MouseMove, 0, 0, false},
                   {E::MouseMove, 9, 9, true},
                   {E::MouseMove, 0, 0, false},
                   {E::MouseMove, 9, 9, true}}},
        InputCase{"MouseDownAtOnce", {{E::MouseDown, 0, 0, true}}},
        InputCase{"WheelAtOnce", {{E::MouseWheel, 0, 0, true}}},
        InputCase{"KeyAtOnce", {{E::KeyDown, 0, 0, true}}},
        InputCase{"ClickAtOnce", {{E::Click, 0, 0, true}}},
        InputCase{"DoubleClickAtOnce", {{E::DoubleClick, 0, 0, true}}},
        InputCase{"KeyDoesNotRecordAPosition",
                  {{E::KeyDown, 1, 1, true}, {E::MouseMove, 7, 7, false}}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(CloseOnInputRule, ResetForgetsTheFirstMove) {
  CloseOnInputRule rule;
  EXPECT_FALSE(rule.ShouldEnd(InputEvent::MouseMove, 1, 1));
  EXPECT_TRUE(rule.FirstMoveSeen());
  rule.Reset();
  EXPECT_FALSE(rule.FirstMoveSeen());
  EXPECT_FALSE(rule.ShouldEnd(InputEvent::MouseMove, 9, 9));
  EXPECT_TRUE(rule.ShouldEnd(InputEvent::MouseMove, 1, 1));
}

// The display settings' little monitor shows the screen's picture shrunk: a
// star lands where it would on the screen, scaled by the width ratio.
TEST(StarPreview, DrawsTheScreensPictureShrunkToTheWindow) {
  struct Case {
    int width, screenWidth;
    std::int32_t projection;
  };
  for (const Case c : {Case{152, 1024, 19}, Case{1024, 1024, 128}, Case{2048, 1024, 128},
                       Case{0, 1024, 128}, Case{1, 100000, 1}}) {
    EXPECT_EQ(StarPreview::ProjectionFor(c.width, c.screenWidth), c.projection)
        << c.width << " of " << c.screenWidth;
  }
  ScriptedStars random;
  random.Add(64, -32, 64);
  Starfield field;
  field.Prepare(0, 2, false, 152, 112, random, StarPreview::ProjectionFor(152, 1024));
  PixelRecorder canvas;
  field.Tick(canvas, random);
  // 64*19/64 + 76, -32*19/64 (truncated) + 56.
  EXPECT_EQ(canvas.pixels, (std::vector<Pixel>{{64, -32, kBlack}, {95, 47, 0xDFDFDF}}));
}

}  // namespace
}  // namespace zent
