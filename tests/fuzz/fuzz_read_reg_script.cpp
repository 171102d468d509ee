// Script files of any shape: reading never fails other than by refusing the
// file, and every value read comes back with the same type and bytes from the
// exact lines the backup writes for it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/registry.h"
#include "run/backup_file.h"
#include "run/reg_file_reader.h"
#include "tests/fuzz/fuzz_checks.h"

using zent::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const auto script = zent::ReadRegScript(input);
  if (!script) return 0;
  for (const auto& key : script->keys) {
    for (const auto& value : key.values) {
      if (value.remove) continue;
      const auto lines =
          zent::ExactValueLines("v", zent::platform::RegValue{value.type, value.data});
      Require(lines.has_value(), "a plain name always gives exact lines");
      std::string again = "Windows Registry Editor Version 5.00\r\n[K]\r\n";
      for (const auto& line : *lines) again += line + "\r\n";
      const auto reread = zent::ReadRegScript(again);
      Require(reread && reread->keys.size() == 1 && reread->keys[0].values.size() == 1,
              "exact lines read back as one value");
      Require(reread->keys[0].values[0].data == value.data, "exact lines keep the bytes");
      Require(reread->keys[0].values[0].type == value.type, "exact lines keep the type");
    }
  }
  zent::ImportedContent(*script);
  return 0;
}
