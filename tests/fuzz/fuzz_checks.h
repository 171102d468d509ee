#pragma once

// Property checks shared by the fuzz targets. A broken property aborts, so
// libFuzzer keeps the input that broke it like any crash.

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace zent::fuzz {

inline void Require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "broken property: %s\n", property);
  std::abort();
}

// Written apart from the core's reader, by code-point value, so that a fault
// there cannot hide itself here.
inline bool WellFormedUtf8(std::string_view text) {
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x06 ? 2
                               : (lead >> 4) == 0x0E ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    if (length == 0 || text.size() - at < length) return false;
    char32_t value = lead & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[at + k]);
      if ((next & 0xC0) != 0x80) return false;
      value = (value << 6) | (next & 0x3F);
    }
    if (length > 1 && value < kSmallest[length]) return false;
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    at += length;
  }
  return true;
}

inline bool HoldsOption(std::string_view text) {
  return text.find(" /") != text.npos || text.find(" -") != text.npos;
}

inline bool HoldsLineEnd(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != text.npos;
}

}  // namespace zent::fuzz
