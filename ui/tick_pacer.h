#pragma once

// How often the starfield may be drawn: no more often than a screen shows a
// picture. The window's timer asks more often, and the cleaning run lets it
// through whenever it pumps messages; a tick that fell due while the run was
// busy is dropped, not made up, so after a pause the stars go on from where
// they stood, one step per drawn tick.

#include <algorithm>
#include <cstdint>

namespace zent {

class TickPacer {
 public:
  static constexpr std::int64_t kTicksPerSecond = 60;
  static constexpr std::int64_t kIntervalMicroseconds = 1'000'000 / kTicksPerSecond;

  // `nowMicroseconds` comes from a steady clock. True when a tick may be drawn
  // now: the first one always, then one per interval.
  bool Admit(std::int64_t nowMicroseconds) {
    if (started_ && nowMicroseconds < due_) return false;
    // On a fixed beat, so that a timer firing a little late each time still
    // gives the full rate; but never two ticks within half an interval, so a
    // late tick is not followed at once by the next one.
    const std::int64_t soonest = nowMicroseconds + kIntervalMicroseconds / 2;
    due_ = started_ ? std::max(due_ + kIntervalMicroseconds, soonest)
                    : nowMicroseconds + kIntervalMicroseconds;
    started_ = true;
    return true;
  }

 private:
  bool started_ = false;
  std::int64_t due_ = 0;
};

}  // namespace zent
