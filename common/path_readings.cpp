#include "common/path_readings.h"

#include <utility>

namespace zent {
namespace {

constexpr auto npos = std::string_view::npos;

std::string WithoutTrailingSeparators(std::string_view path) {
  while (!path.empty() && std::string_view(" ,/").find(path.back()) != npos) {
    path.remove_suffix(1);
  }
  return std::string(path);
}

}  // namespace

std::vector<std::string> CommandReadings(std::string_view commandLine, std::string_view program) {
  std::string whole(commandLine);
  std::erase(whole, '"');
  std::vector<std::string> readings{std::string(program), WithoutTrailingSeparators(program)};
  for (auto at = whole.find_first_of(" ,"); at != npos; at = whole.find_first_of(" ,", at + 1)) {
    readings.push_back(WithoutTrailingSeparators(std::string_view(whole).substr(0, at)));
  }
  readings.push_back(std::move(whole));
  return readings;
}

}  // namespace zent
