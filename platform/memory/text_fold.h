#pragma once

#include <string>
#include <string_view>

namespace zent::memory {

// Upper case for the in-memory platform: ASCII, Latin-1, Greek and Cyrillic
// letters, which covers what the tests use. Bytes that are not valid UTF-8 stay.
std::string UpperCaseUtf8(std::string_view text);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace zent::memory
