#include "ui/start_mode.h"

#include <charconv>
#include <string_view>

#include "platform/utf8.h"

namespace zent {

namespace {

// A window handle as the display settings write it: decimal digits only, not 0.
std::uintptr_t WindowNumber(std::string_view text) {
  std::uintptr_t number = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number);
  if (text.empty() || error != std::errc() || stop != end) return 0;
  return number;
}

}  // namespace

StartRequest ParseStartArguments(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return {};
  const std::string first = UpperCaseUtf8(arguments.front());
  if (first == "/S") return {StartMode::Saver, 0};
  if (first == "/P") {
    return {StartMode::Preview, arguments.size() > 1 ? WindowNumber(arguments[1]) : 0};
  }
  constexpr std::string_view kJoinedPreview = "/P:";
  if (first.starts_with(kJoinedPreview)) {
    return {StartMode::Preview,
            WindowNumber(std::string_view(first).substr(kJoinedPreview.size()))};
  }
  return {};
}

}  // namespace zent
