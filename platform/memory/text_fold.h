#pragma once

#include <string_view>

#include "platform/utf8.h"

namespace zent::memory {

// Names in the in-memory registry and file system compare as the system's
// do: without regard to case.
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return UpperCodePoints(a) == UpperCodePoints(b);
}

}  // namespace zent::memory
