// What one tick of the starfield costs, for few and many stars, single pixels
// and 2 x 2 blocks, on a small and a 4K surface, side by side in one run so
// that the ratios between them hold on a busy machine.
//
// Built natively it draws on a recording canvas (the starfield's own cost plus
// one virtual call per pixel) and into a frame in memory (a store per pixel,
// and the list of changed rectangles taken once per tick). Built for Windows
// it draws the same ticks also one GDI call per pixel, on a DIB section and on
// a real window's device context, and as the saver window does: into a frame
// whose changes are copied to a real window once per tick. A window's pixels
// may be finished by another process (the display server under Wine), which
// the CPU time of this thread does not see: the wall-clock column does.
//
// Every tick must leave the heap alone; the allocations column counts the
// operator new calls made during the timed ticks.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include "platform/win32/canvas.h"
#include "platform/win32/handles.h"
#undef TextOut
#else
#include <time.h>
#endif

#include "platform/frame_canvas.h"

#include "tests/bench/bench_clock.h"
#include "ui/starfield.h"

namespace {
std::uint64_t allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
  ++allocations;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

namespace platform = zent::platform;
using zent::Starfield;
using zent::bench::CpuMicroseconds;

// CPU time of this thread in microseconds: other work on the machine does not
// count.
double WallMicroseconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration<double, std::micro>(now).count();
}

struct Surface {
  const char* label;
  int width, height;
};
struct Field {
  int highestIndex;
  bool blocks;
};

constexpr Surface kSurfaces[] = {{"1024x768", 1024, 768}, {"3840x2160", 3840, 2160}};
constexpr Field kFields[] = {{100, false}, {100, true}, {5000, false}, {5000, true}};
constexpr int kSpeed = 5;
constexpr int kWarmUpTicks = 20;
constexpr int kMinTicks = 48;
constexpr int kTicksPerBatch = 8;
constexpr int kRepeats = 3;
// Enough CPU time per run that a coarse thread clock still gives two digits.
constexpr double kBudgetUs = 100'000;
constexpr double kGoalUs = 2000;
// One tick drawn into a frame and copied to a window, 5001 block stars.
constexpr double kCopyGoalUs[] = {1000, 3000};

// Keeps every pixel of one tick in storage sized up front, so recording costs
// a store and no allocation.
class RecordingCanvas final : public platform::Canvas {
 public:
  RecordingCanvas() : pixels_(8 * (Starfield::kMaxStarCount + 1)) {}
  void FillBackground(const platform::Rect&) override {}
  void SetPixel(int x, int y, platform::Color color) override {
    if (used_ < pixels_.size()) pixels_[used_++] = {x, y, color};
  }
  void TextOut(int, int, std::string_view) override {}
  void Rewind() {
    total_ += used_;
    used_ = 0;
  }
  std::uint64_t Total() const { return total_; }

 private:
  struct Pixel {
    int x, y;
    platform::Color color;
  };
  std::vector<Pixel> pixels_;
  std::size_t used_ = 0;
  std::uint64_t total_ = 0;
};

// A surface the ticks are drawn on; `settle` runs after every tick (rewinding a
// recording, flushing GDI's batch, copying a frame) and is timed with it.
// `begin`, if any, makes the surface for a screen size before its ticks.
struct Target {
  const char* label;
  platform::Canvas* canvas;
  std::function<void()> settle;
  const RecordingCanvas* recording = nullptr;
  std::function<void(const Surface&)> begin;
};

// A frame in memory of the surface's size; its changes are taken every tick.
class FrameTarget {
 public:
  void Begin(const Surface& surface) {
    canvas_.reset();
    memory_.assign(
        static_cast<std::size_t>(surface.width) * static_cast<std::size_t>(surface.height), 0);
    canvas_.emplace(memory_.data(), surface.width, surface.height);
  }
  platform::FrameCanvas& Canvas() { return *canvas_; }
  void Settle() { changed_ += canvas_->TakeChanges().size(); }

 private:
  std::vector<std::uint32_t> memory_;
  std::optional<platform::FrameCanvas> canvas_;
  std::size_t changed_ = 0;
};

struct Cost {
  double cpuUs = 0, wallUs = 0, allocations = 0, pixels = 0;
};

Cost TimeTicksOnce(const Surface& surface, const Field& field, Target& target) {
  if (target.begin) target.begin(surface);
  Starfield stars;
  zent::SeededRandom random(1);
  stars.Prepare(field.highestIndex, kSpeed, field.blocks, surface.width, surface.height, random);
  for (int i = 0; i < kWarmUpTicks; ++i) {
    stars.Tick(*target.canvas, random);
    target.settle();
  }
  const std::uint64_t pixelsBefore = target.recording ? target.recording->Total() : 0;
  const std::uint64_t allocationsBefore = allocations;
  const double cpuStart = CpuMicroseconds();
  const double wallStart = WallMicroseconds();
  int ticks = 0;
  // The clock is read once per batch: reading it costs about as much as a
  // tick of few stars.
  while (ticks < kMinTicks || CpuMicroseconds() - cpuStart < kBudgetUs) {
    for (int i = 0; i < kTicksPerBatch; ++i) {
      stars.Tick(*target.canvas, random);
      target.settle();
    }
    ticks += kTicksPerBatch;
  }
  Cost cost;
  cost.cpuUs = (CpuMicroseconds() - cpuStart) / ticks;
  cost.wallUs = (WallMicroseconds() - wallStart) / ticks;
  cost.allocations = static_cast<double>(allocations - allocationsBefore) / ticks;
  if (target.recording) {
    cost.pixels = static_cast<double>(target.recording->Total() - pixelsBefore) / ticks;
  }
  return cost;
}

// The cheapest of a few runs: what other work on the machine adds (cache
// misses, migrations) only ever makes a run slower.
Cost TimeTicks(const Surface& surface, const Field& field, Target& target) {
  Cost best;
  for (int r = 0; r < kRepeats; ++r) {
    const Cost cost = TimeTicksOnce(surface, field, target);
    if (r == 0 || cost.cpuUs < best.cpuUs) best = cost;
  }
  return best;
}

std::string FieldLabel(const Field& field) {
  return std::to_string(field.highestIndex + 1) + (field.blocks ? " blocks" : " pixels");
}

// costs[surface][field][target], in the order of the tables above.
using Costs = std::vector<std::vector<std::vector<Cost>>>;

Costs Measure(std::vector<Target>& targets) {
  std::printf("%-10s %-13s %-12s %12s %13s %12s %12s\n", "surface", "stars", "canvas",
              "cpu us/tick", "wall us/tick", "pixels/tick", "allocs/tick");
  Costs costs;
  for (const Surface& surface : kSurfaces) {
    auto& bySurface = costs.emplace_back();
    for (const Field& field : kFields) {
      auto& byField = bySurface.emplace_back();
      for (Target& target : targets) {
        const Cost cost = TimeTicks(surface, field, target);
        byField.push_back(cost);
        std::printf("%-10s %-13s %-12s %12.1f %13.1f %12.0f %12.2f\n", surface.label,
                    FieldLabel(field).c_str(), target.label, cost.cpuUs, cost.wallUs, cost.pixels,
                    cost.allocations);
      }
    }
  }
  return costs;
}

void PrintRatios(const Costs& costs, const std::vector<Target>& targets) {
  const auto cpu = [&](std::size_t s, std::size_t f, std::size_t t) {
    return costs[s][f][t].cpuUs;
  };
  std::puts("\nratios of CPU time per tick, measured side by side:");
  for (std::size_t t = 0; t < targets.size(); ++t) {
    for (std::size_t s = 0; s < std::size(kSurfaces); ++s) {
      std::printf(
          "%-12s %-10s blocks/pixels: 101 %.2f, 5001 %.2f; 5001/101 stars: pixels %.2f, blocks "
          "%.2f\n",
          targets[t].label, kSurfaces[s].label, cpu(s, 1, t) / cpu(s, 0, t),
          cpu(s, 3, t) / cpu(s, 2, t), cpu(s, 2, t) / cpu(s, 0, t), cpu(s, 3, t) / cpu(s, 1, t));
    }
    std::printf("%-12s 3840x2160/1024x768, 5001 blocks: %.2f\n", targets[t].label,
                cpu(1, 3, t) / cpu(0, 3, t));
  }
  for (std::size_t t = 1; t < targets.size(); ++t) {
    std::printf("%s/%s, 5001 blocks: 1024x768 %.1f, 3840x2160 %.1f\n", targets[t].label,
                targets[0].label, cpu(0, 3, t) / cpu(0, 3, 0), cpu(1, 3, t) / cpu(1, 3, 0));
  }
  const double worst = std::max(cpu(0, 3, 0), cpu(1, 3, 0));
  std::printf(
      "\n5001 block stars on the %s: %.3f ms of CPU per tick at most, goal under %.0f ms: "
      "%s\n",
      targets[0].label, worst / 1000.0, kGoalUs / 1000.0, worst < kGoalUs ? "met" : "MISSED");
}

// The saver's way against the per-pixel way, when both were measured.
void PrintCopyGoals(const Costs& costs, const std::vector<Target>& targets) {
  const auto find = [&](std::string_view label) {
    for (std::size_t t = 0; t < targets.size(); ++t) {
      if (label == targets[t].label) return t;
    }
    return targets.size();
  };
  const std::size_t perPixel = find("window DC"), copied = find("frame+copy");
  if (perPixel == targets.size() || copied == targets.size()) return;
  for (std::size_t s = 0; s < std::size(kSurfaces); ++s) {
    const Cost& frame = costs[s][3][copied];
    const Cost& window = costs[s][3][perPixel];
    std::printf(
        "%s, 5001 blocks, frame+copy: %.3f ms CPU, %.3f ms elapsed per tick (goal %.0f ms: %s); "
        "window DC / frame+copy: CPU %.1f, elapsed %.1f\n",
        kSurfaces[s].label, frame.cpuUs / 1000.0, frame.wallUs / 1000.0, kCopyGoalUs[s] / 1000.0,
        frame.cpuUs <= kCopyGoalUs[s] ? "met" : "MISSED", window.cpuUs / frame.cpuUs,
        window.wallUs / frame.wallUs);
  }
}

#ifdef _WIN32
namespace win32 = zent::win32;

// Draws as the saver window does: one SetPixel call per pixel.
class GdiCanvas final : public platform::Canvas {
 public:
  explicit GdiCanvas(HDC dc) : dc_(dc) {}
  void FillBackground(const platform::Rect&) override {}
  void SetPixel(int x, int y, platform::Color color) override { ::SetPixel(dc_, x, y, color); }
  void TextOut(int, int, std::string_view) override {}

 private:
  HDC dc_;
};

// A 32-bit DIB section in a memory DC: GDI draws into memory the process
// owns, with no display in the way.
class DibSurface {
 public:
  DibSurface(int width, int height)
      : dc_(CreateCompatibleDC(nullptr)),
        bitmap_(MakeBitmap(width, height)),
        selected_(dc_.get(), bitmap_.get()),
        canvas_(dc_.get()) {}
  platform::Canvas& Canvas() { return canvas_; }

 private:
  static HBITMAP MakeBitmap(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  }
  win32::UniqueMemoryDc dc_;
  win32::UniqueBitmap bitmap_;
  win32::SelectedObject selected_;
  GdiCanvas canvas_;
};

// A line of text across the middle, drawn over the frame on every copy that
// touches its rows, as the saver window's message line is.
class MessageLine final : public win32::FrameOverlay {
 public:
  void Place(const Surface& surface) {
    area_ = {0, surface.height / 2, surface.width, surface.height / 2 + 13};
  }
  RECT Area() const override { return area_; }
  void DrawOver(HDC dc, const RECT& area) const override {
    RECT box = area;
    const int previousMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF previousColor = SetTextColor(dc, RGB(255, 255, 255));
    DrawTextW(dc, L"Please wait...", -1, &box, DT_CENTER | DT_TOP | DT_SINGLELINE);
    SetTextColor(dc, previousColor);
    SetBkMode(dc, previousMode);
  }

 private:
  RECT area_{};
};

// A visible popup window of the surface's size (larger than the screen is
// fine: what lies off it is clipped) and its device context.
class WindowSurface {
 public:
  WindowSurface(int width, int height)
      : window_(CreateWindowExW(0, L"STATIC", L"starfield benchmark", WS_POPUP | WS_VISIBLE, 0, 0,
                                width, height, nullptr, nullptr, GetModuleHandleW(nullptr),
                                nullptr)),
        dc_(window_.get()),
        canvas_(dc_.get()) {
    Pump();
  }
  platform::Canvas& Canvas() { return canvas_; }
  HDC Dc() const { return dc_.get(); }
  static void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }

 private:
  win32::UniqueWindow window_;
  win32::WindowDc dc_;
  GdiCanvas canvas_;
};
#endif

}  // namespace

int main() {
  RecordingCanvas recording;
  FrameTarget frame;
  std::vector<Target> targets;
  targets.push_back({"recording", &recording, [&] { recording.Rewind(); }, &recording, {}});
  targets.push_back({"frame", nullptr, [&] { frame.Settle(); }, nullptr,
                     [&](const Surface& s) {
                       frame.Begin(s);
                       targets[1].canvas = &frame.Canvas();
                     }});
#ifdef _WIN32
  // The largest surface for both: a smaller one is the same field on a part of it.
  DibSurface dib(3840, 2160);
  WindowSurface window(3840, 2160);
  std::optional<win32::DibFrame> copied;
  MessageLine line;
  targets.push_back({"DIB section", &dib.Canvas(), [] { GdiFlush(); }, nullptr, {}});
  targets.push_back({"window DC",
                     &window.Canvas(),
                     [] {
                       GdiFlush();
                       WindowSurface::Pump();
                     },
                     nullptr,
                     {}});
  // As the saver window draws: into its frame, then what changed to the window
  // with the message line over it.
  targets.push_back({"frame+copy", nullptr,
                     [&] {
                       copied->CopyChanges(window.Dc(), &line);
                       GdiFlush();
                       WindowSurface::Pump();
                     },
                     nullptr,
                     [&](const Surface& s) {
                       copied.reset();
                       copied.emplace(s.width, s.height);
                       line.Place(s);
                       targets.back().canvas = &copied->Canvas();
                     }});
#endif
  const Costs costs = Measure(targets);
  PrintRatios(costs, targets);
  PrintCopyGoals(costs, targets);
  return 0;
}
