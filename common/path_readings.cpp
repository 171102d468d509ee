#include "common/path_readings.h"

#include <utility>

namespace zent {
namespace {

constexpr auto npos = std::string_view::npos;
// Windows splits a command line at a tab as at a blank.
constexpr std::string_view kWhiteSpace = " \t\n\r\v\f";
constexpr std::string_view kArgumentStarts = " \t\n\r\v\f,";
constexpr std::string_view kTrailingSeparators = " \t\n\r\v\f,/";

std::string WithoutTrailingSeparators(std::string_view path) {
  while (!path.empty() && kTrailingSeparators.find(path.back()) != npos) path.remove_suffix(1);
  return std::string(path);
}

}  // namespace

std::optional<std::string> QuotedProgram(std::string_view commandLine) {
  const auto open = commandLine.find_first_not_of(kWhiteSpace);
  if (open == npos || commandLine[open] != '"') return std::nullopt;
  const std::string_view rest = commandLine.substr(open + 1);
  return std::string(rest.substr(0, rest.find('"')));
}

std::vector<std::string> CommandReadings(std::string_view commandLine, std::string_view program) {
  std::string whole(commandLine);
  std::erase(whole, '"');
  std::vector<std::string> readings{std::string(program), WithoutTrailingSeparators(program)};
  if (auto quoted = QuotedProgram(commandLine)) readings.push_back(std::move(*quoted));
  for (auto at = whole.find_first_of(kArgumentStarts); at != npos;
       at = whole.find_first_of(kArgumentStarts, at + 1)) {
    readings.push_back(WithoutTrailingSeparators(std::string_view(whole).substr(0, at)));
  }
  readings.push_back(std::move(whole));
  return readings;
}

}  // namespace zent
