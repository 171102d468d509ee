#pragma once

#include <string>
#include <string_view>

namespace zent::win32 {

// The core speaks UTF-8; the Win32 layer calls the wide ("W") functions, so no
// name or path is ever squeezed through the single-byte code page.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

}  // namespace zent::win32
