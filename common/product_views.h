#pragma once

// The main program is a 32-bit program: on 64-bit Windows its keys below
// HKEY_LOCAL_MACHINE\SOFTWARE lie in the 32-bit view, which a 64-bit saver
// does not see by itself. Its keys are looked for in the 64-bit view first
// and then in the 32-bit one.

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

#include "platform/registry.h"

namespace zent {

// The main program's key below HKEY_LOCAL_MACHINE, in either view; the
// saver's own settings may also stand below HKEY_CURRENT_USER.
inline constexpr std::string_view kProductKey = "SOFTWARE\\Ortavo\\Kelvaro-ZENT";

// The path of the product key's subkey `name`, made at compile time and
// ended by a null character; ProductSubkeyPath views it without that.
template <std::size_t N>
constexpr std::array<char, kProductKey.size() + N + 1> ProductSubkey(const char (&name)[N]) {
  std::array<char, kProductKey.size() + N + 1> path{};
  auto end = std::ranges::copy(kProductKey, path.begin()).out;
  *end++ = '\\';
  std::ranges::copy(name, name + N - 1, end);
  return path;
}

template <std::size_t N>
constexpr std::string_view ProductSubkeyPath(const std::array<char, N>& path) {
  return {path.data(), N - 1};
}

// The view of HKEY_LOCAL_MACHINE holding the key `path`: the 64-bit one when
// it is there (or in neither view), else the 32-bit one. What is read from
// the key, and written back into it, goes through this view.
platform::Registry& ProductKeyView(platform::Registry& registry, std::string_view path);

// The same for one value of a key: the view holding the value. The saver's
// own settings key may stand in the 64-bit view beside a main program's
// values in the 32-bit one.
platform::Registry& ProductValueView(platform::Registry& registry, std::string_view path,
                                     std::string_view name);

}  // namespace zent
