#pragma once

// Joins texts of any string kind in one allocation-friendly step, where a
// chain of "+" would need a std::string first and build temporaries.

#include <initializer_list>
#include <string>
#include <string_view>

namespace zent {

inline std::string Concat(std::initializer_list<std::string_view> parts) {
  std::size_t size = 0;
  for (const auto part : parts) size += part.size();
  std::string out;
  out.reserve(size);
  for (const auto part : parts) out.append(part);
  return out;
}

}  // namespace zent
