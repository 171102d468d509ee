// Registry helpers in situations only the in-memory registry can stage: keys
// without write rights and writes the registry refuses.
#include <gtest/gtest.h>

#include "common/registry_helpers.h"
#include "platform/memory/memory_platform.h"

namespace zent {
namespace {

using platform::RegRoot;

constexpr RegRoot kRoot = RegRoot::LocalMachine;
constexpr char kKey[] = "SOFTWARE\\Vendor\\Product";

class RegistryHelpersMemory : public ::testing::Test {
 protected:
  memory::MemoryRegistry registry;
};

TEST_F(RegistryHelpersMemory, ReadOnlyKeyCountsAsMissing) {
  registry.SetValue(kRoot, kKey, "Text", platform::MakeTextValue("x"));
  registry.SetValue(kRoot, kKey, "Number", platform::MakeDwordValue(5));
  registry.SetValue(kRoot, std::string(kKey) + "\\Sub", "v", platform::MakeDwordValue(1));
  registry.SetReadOnly(kRoot, kKey, true);

  EXPECT_FALSE(RegKeyExists(registry, kRoot, kKey));
  EXPECT_FALSE(RegHasValueStartingWith(registry, kRoot, kKey, "T"));
  EXPECT_EQ(RegReadText(registry, kRoot, kKey, "Text"), "");
  EXPECT_EQ(RegReadNumber(registry, kRoot, kKey, "Number"), 0);
  EXPECT_FALSE(RegValueEquals(registry, kRoot, kKey, "Number", 5));
  EXPECT_FALSE(RegWriteText(registry, kRoot, kKey, "Text", "y"));
  EXPECT_TRUE(RegRemoveValue(registry, kRoot, kKey, "Text"));

  EXPECT_EQ(registry.Value(kRoot, kKey, "Text"), platform::MakeTextValue("x"));
  EXPECT_TRUE(registry.KeyExists(kRoot, std::string(kKey) + "\\Sub"));
}

TEST_F(RegistryHelpersMemory, WriteNumberIntoKeyThatCannotBeCreatedIsAWriteError) {
  registry.SetValue(kRoot, kKey, "Other", platform::MakeDwordValue(1));
  registry.SetReadOnly(kRoot, kKey, true);
  try {
    RegWriteNumber(registry, kRoot, std::string(kKey) + "\\Saver", "STARS", 100);
    ADD_FAILURE() << "no error raised";
  } catch (const RegistryWriteError& error) {
    EXPECT_STREQ(error.what(), "Failed to set data for 'STARS'");
  }
  EXPECT_THROW(RegWriteNumber(registry, kRoot, kKey, "STARS", 100), RegistryWriteError);
  EXPECT_FALSE(registry.KeyExists(kRoot, std::string(kKey) + "\\Saver"));
  EXPECT_FALSE(registry.Value(kRoot, kKey, "STARS").has_value());
}

TEST_F(RegistryHelpersMemory, RefusedWritesAreWriteErrors) {
  registry.SetValue(kRoot, kKey, "Text", platform::MakeTextValue("old"));
  registry.SetValue(kRoot, kKey, "Number", platform::MakeDwordValue(1));
  registry.RefuseWrites(true);
  EXPECT_THROW(RegWriteText(registry, kRoot, kKey, "Text", "new"), RegistryWriteError);
  EXPECT_THROW(RegWriteNumber(registry, kRoot, kKey, "Number", 2), RegistryWriteError);
  EXPECT_THROW(RegWriteNumber(registry, kRoot, kKey, "Fresh", 2), RegistryWriteError);
  // Types the helpers never write raise nothing, even now.
  registry.SetValue(kRoot, kKey, "Expand", {platform::kRegExpandSz, "%X%"});
  EXPECT_FALSE(RegWriteText(registry, kRoot, kKey, "Expand", "y"));
  EXPECT_EQ(registry.Value(kRoot, kKey, "Text"), platform::MakeTextValue("old"));
}

TEST_F(RegistryHelpersMemory, RemoveKeyStopsAtASubkeyItCannotDelete) {
  const std::string key = std::string(kKey) + "\\Tree";
  for (const char* sub : {"\\A", "\\Locked\\Inner", "\\Z\\Z1"}) {
    registry.SetValue(kRoot, key + sub, "v", platform::MakeDwordValue(1));
  }
  registry.SetReadOnly(kRoot, key + "\\Locked", true);

  EXPECT_FALSE(RegRemoveKey(registry, kRoot, key));
  EXPECT_TRUE(registry.KeyExists(kRoot, key + "\\Locked\\Inner"));
  EXPECT_FALSE(registry.KeyExists(kRoot, key + "\\A"));
  EXPECT_FALSE(registry.KeyExists(kRoot, key + "\\Z"));
  EXPECT_FALSE(RegRemoveKey(registry, kRoot, key));  // again: still ends, still false
}

TEST_F(RegistryHelpersMemory, RemoveKeyNeverEmptiesARoot) {
  registry.SetValue(RegRoot::ClassesRoot, ".txt", "", platform::MakeTextValue("txtfile"));
  for (const char* root : {"", "\\", "\\\\"}) {
    EXPECT_FALSE(RegRemoveKey(registry, RegRoot::ClassesRoot, root)) << root;
  }
  EXPECT_TRUE(registry.KeyExists(RegRoot::ClassesRoot, ".txt"));
}

TEST_F(RegistryHelpersMemory, RemoveKeyOfAReadOnlyKeyLeavesItInPlace) {
  // Counts as missing, so the removal reports success, but nothing is touched.
  registry.SetValue(kRoot, std::string(kKey) + "\\Sub", "v", platform::MakeDwordValue(1));
  registry.SetReadOnly(kRoot, kKey, true);
  EXPECT_TRUE(RegRemoveKey(registry, kRoot, kKey));
  EXPECT_TRUE(registry.KeyExists(kRoot, std::string(kKey) + "\\Sub"));
}

}  // namespace
}  // namespace zent
