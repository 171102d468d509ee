// Exclusion files of any content, loaded both ways: every entry is a clean,
// upper-cased, well-formed line held once, and loading the file again adds
// nothing.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "common/exclusions.h"
#include "platform/memory/memory_platform.h"
#include "tests/fuzz/fuzz_checks.h"

using zent::fuzz::Require;

namespace {

constexpr const char* kPath = "C:\\PRODUCT\\FILESEXP.INI";

void CheckEntries(zent::platform::Shell& shell, const zent::ExclusionList& list) {
  std::set<std::string> seen;
  for (const std::string& entry : list.Entries()) {
    Require(!entry.empty(), "no empty entry");
    Require(!zent::fuzz::HoldsLineEnd(entry), "an entry is one line");
    Require(zent::fuzz::WellFormedUtf8(entry), "an entry is well-formed UTF-8");
    Require(shell.UpperCase(entry) == entry, "an entry is upper-cased");
    Require(list.Contains(entry), "the list holds its own entries");
    Require(seen.insert(entry).second, "an entry is held once");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static zent::memory::MemoryPlatform memory;
  static const bool prepared = memory.files.CreateFolders("C:\\PRODUCT");
  Require(prepared, "the product folder exists");
  Require(memory.files.WriteWhole(kPath, std::string(reinterpret_cast<const char*>(data), size)),
          "the file is written");

  const zent::FolderVariables folders{.winDirectory = "C:\\Windows", .fontsFolder = "C:\\Fonts"};
  for (const bool expand : {true, false}) {
    zent::ExclusionList list(memory.shell);
    zent::LoadExclusionFile(memory.files, memory.shell, folders, kPath, list, expand);
    CheckEntries(memory.shell, list);
    const std::size_t count = list.Entries().size();
    zent::LoadExclusionFile(memory.files, memory.shell, folders, kPath, list, expand);
    Require(list.Entries().size() == count, "loading the same file again adds nothing");
  }
  return 0;
}
