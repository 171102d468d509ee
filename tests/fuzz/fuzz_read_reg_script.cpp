// Script files of any shape: reading never fails other than by refusing the
// file, a dword line gives four bytes, and every value reads back with the
// same type and bytes after being written out as an exact hex line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/registry.h"
#include "run/reg_file_reader.h"
#include "tests/fuzz/fuzz_checks.h"

using zent::fuzz::Require;

namespace {

std::string HexLine(const zent::ScriptValue& value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string type;
  for (auto rest = value.type; type.empty() || rest != 0; rest >>= 4)
    type.insert(0, 1, kDigits[rest & 15]);
  std::string line = "\"v\"=hex(" + type + "):";
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    const auto byte = static_cast<unsigned char>(value.data[i]);
    if (i > 0) line += (i % 16 == 0) ? ",\\\r\n  " : ",";
    line += kDigits[byte >> 4];
    line += kDigits[byte & 15];
  }
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const auto script = zent::ReadRegScript(input);
  if (!script) return 0;
  for (const auto& key : script->keys) {
    for (const auto& value : key.values) {
      if (value.remove) continue;
      if (value.type == zent::platform::kRegDword && value.data.size() != 4) {
        Require(false, "a dword line gives four bytes");
      }
      const std::string again =
          "Windows Registry Editor Version 5.00\r\n[K]\r\n" + HexLine(value) + "\r\n";
      const auto reread = zent::ReadRegScript(again);
      Require(reread && reread->keys.size() == 1 && reread->keys[0].values.size() == 1,
              "an exact hex line reads back as one value");
      Require(reread->keys[0].values[0].data == value.data, "an exact hex line keeps the bytes");
      Require(reread->keys[0].values[0].type == value.type, "an exact hex line keeps the type");
    }
  }
  zent::ImportedContent(*script);
  return 0;
}
