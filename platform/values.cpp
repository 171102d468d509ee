#include <cstring>

#include "platform/files.h"
#include "platform/registry.h"

namespace zent::platform {

RegValue MakeTextValue(std::string_view text) { return {kRegSz, std::string(text)}; }

RegValue MakeDwordValue(std::int32_t number) {
  std::string bytes(4, '\0');
  const auto bits = static_cast<std::uint32_t>(number);
  for (std::size_t i = 0; i < 4; ++i) bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
  return {kRegDword, bytes};
}

RegValue MakeBinaryValue(std::string_view bytes) { return {kRegBinary, std::string(bytes)}; }

bool MeansNotThere(FsError error) {
  return error == FsError::FileNotFound || error == FsError::PathNotFound;
}

std::string ExactName(std::string_view path) {
  const bool isDrivePath = path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
                           ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z');
  if (!isDrivePath) return std::string(path);
  return "\\\\?\\" + std::string(path);
}

}  // namespace zent::platform
