// Command lines of any shape: the extracted path is always the upper-cased
// text or a prefix of it that ends where the rules cut, and a cut never leaves
// broken UTF-8 behind.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/path_helpers.h"
#include "platform/memory/memory_platform.h"
#include "tests/fuzz/fuzz_checks.h"

using zent::fuzz::Require;

namespace {

// Where a cut may fall: before a separator or a control character, or after
// the colon of a second drive path (so before its backslash).
bool IsCutPlace(char next) {
  return std::string_view(" ,/\n\r\0\x7F\\", 8).find(next) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static zent::memory::MemoryPlatform memory;
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string upper = memory.shell.UpperCase(input);
  std::string path = input;
  zent::ExtractCommandPath(memory.shell, path);

  Require(upper.starts_with(path), "the path is a prefix of the upper-cased text");
  if (upper.find('.') == std::string::npos || upper.find("..") != std::string::npos) {
    Require(path == upper, "a text without a dot, or with two in a row, is only upper-cased");
  }
  if (zent::fuzz::HoldsOption(path) || zent::fuzz::HoldsLineEnd(path) ||
      path.find('\x7F') != std::string::npos) {
    Require(path == upper, "only an untouched text keeps an option or a control character");
  }
  if (!path.empty() && path != upper) {
    Require(IsCutPlace(upper[path.size()]), "a cut falls on a separator");
  }
  if (zent::fuzz::WellFormedUtf8(upper)) {
    Require(zent::fuzz::WellFormedUtf8(path), "a cut never splits a character");
  }
  return 0;
}
