#include "common/path_parts.h"

namespace zent {
namespace {

constexpr auto npos = std::string_view::npos;
constexpr std::string_view kNameSeparators = "\\:";

// The byte where the name part begins.
std::size_t NameStart(std::string_view path) {
  const auto separator = path.find_last_of(kNameSeparators);
  return separator == npos ? 0 : separator + 1;
}

}  // namespace

std::string FileExtension(std::string_view path) {
  const std::string_view name = path.substr(NameStart(path));
  const auto dot = name.rfind('.');
  return dot == npos ? std::string() : std::string(name.substr(dot));
}

std::string FileNamePart(std::string_view path) {
  return std::string(path.substr(NameStart(path)));
}

std::string DirectoryPart(std::string_view path) {
  const auto separator = path.find_last_of(kNameSeparators);
  if (separator == npos) return {};
  const bool keepSeparator = path[separator] == ':' ||
                             (separator > 0 && kNameSeparators.find(path[separator - 1]) != npos);
  return std::string(path.substr(0, keepSeparator ? separator + 1 : separator));
}

}  // namespace zent
