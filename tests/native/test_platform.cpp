#include "tests/both/test_platform.h"

#include "platform/memory/memory_platform.h"

namespace zent::testing {
namespace {

memory::MemoryPlatform& Memory() {
  static memory::MemoryPlatform platform;
  return platform;
}

int NextNumber() {
  static int number = 0;
  return ++number;
}

}  // namespace

platform::Platform& TestPlatform() { return Memory().platform(); }

std::string NewTestFolder() {
  const std::string folder = "C:\\TESTS\\T" + std::to_string(NextNumber()) + "\\";
  Memory().files.CreateFolders(folder);
  return folder;
}

std::string NewTestKey() { return "Software\\ZentTests\\K" + std::to_string(NextNumber()); }

void StoreTextNotWhole(const std::string& key, std::string_view name, std::uint32_t type,
                       std::string_view text) {
  Memory().registry.SetValue(platform::RegRoot::CurrentUser, key, name,
                             platform::RegValue{type, std::string(text), false});
}

void CreateLinkKey(const std::string& link, const std::string& target) {
  Memory().registry.SetLink(platform::RegRoot::CurrentUser, link, platform::RegRoot::CurrentUser,
                            target);
}

}  // namespace zent::testing
