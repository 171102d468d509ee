#pragma once

// The clocks every benchmark reads. CPU time of the calling thread leaves out
// other work on the machine, so figures stay comparable on a busy machine;
// the elapsed time is kept beside it where another process (the Wine server)
// does part of the work.

#include <algorithm>
#include <chrono>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace zent::bench {

inline double CpuMicroseconds() {
#ifdef _WIN32
  FILETIME created, ended, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10.0;
#else
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
#endif
}

// The best of several timings of one piece of work, in microseconds.
struct BestTime {
  double cpu = 1e300, elapsed = 1e300;
  template <typename Work>
  void Time(Work work) {
    const double cpu0 = CpuMicroseconds();
    const auto elapsed0 = std::chrono::steady_clock::now();
    work();
    cpu = std::min(cpu, CpuMicroseconds() - cpu0);
    elapsed = std::min(elapsed, std::chrono::duration<double, std::micro>(
                                    std::chrono::steady_clock::now() - elapsed0)
                                    .count());
  }
};

}  // namespace zent::bench
