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

// A key this user may read but not change (a machine key to a standard user)
// reads as any other; writing and removing leave it as it is and say so.
TEST_F(RegistryHelpersMemory, ReadOnlyKeyReadsButRefusesChanges) {
  registry.SetValue(kRoot, kKey, "Text", platform::MakeTextValue("x"));
  registry.SetValue(kRoot, kKey, "Number", platform::MakeDwordValue(5));
  registry.SetValue(kRoot, std::string(kKey) + "\\Sub", "v", platform::MakeDwordValue(1));
  registry.SetReadOnly(kRoot, kKey, true);

  EXPECT_TRUE(RegKeyExists(registry, kRoot, kKey));
  EXPECT_TRUE(RegHasValueStartingWith(registry, kRoot, kKey, "T"));
  EXPECT_EQ(TryReadText(registry, kRoot, kKey, "Text"), "x");
  EXPECT_TRUE(RegValueEquals(registry, kRoot, kKey, "Number", 5));
  EXPECT_FALSE(RegWriteText(registry, kRoot, kKey, "Text", "y"));
  EXPECT_FALSE(RegRemoveValue(registry, kRoot, kKey, "Text"));
  EXPECT_FALSE(RegMayWriteValues(registry, kRoot, kKey));
  EXPECT_FALSE(RegMayRemoveKey(registry, kRoot, kKey));

  EXPECT_EQ(registry.Value(kRoot, kKey, "Text"), platform::MakeTextValue("x"));
  EXPECT_TRUE(registry.KeyExists(kRoot, std::string(kKey) + "\\Sub"));
}

TEST_F(RegistryHelpersMemory, WriteNumberIntoKeyThatCannotBeCreatedFails) {
  registry.SetValue(kRoot, kKey, "Other", platform::MakeDwordValue(1));
  registry.SetReadOnly(kRoot, kKey, true);
  EXPECT_FALSE(RegWriteNumber(registry, kRoot, std::string(kKey) + "\\Saver", "STARS", 100));
  EXPECT_FALSE(RegWriteNumber(registry, kRoot, kKey, "STARS", 100));
  EXPECT_FALSE(registry.KeyExists(kRoot, std::string(kKey) + "\\Saver"));
  EXPECT_FALSE(registry.Value(kRoot, kKey, "STARS").has_value());
}

TEST_F(RegistryHelpersMemory, RefusedWritesFail) {
  registry.SetValue(kRoot, kKey, "Text", platform::MakeTextValue("old"));
  registry.SetValue(kRoot, kKey, "Number", platform::MakeDwordValue(1));
  registry.RefuseWrites(true);
  EXPECT_FALSE(RegWriteText(registry, kRoot, kKey, "Text", "new"));
  EXPECT_FALSE(RegWriteNumber(registry, kRoot, kKey, "Number", 2));
  EXPECT_FALSE(RegWriteNumber(registry, kRoot, kKey, "Fresh", 2));
  // Types the helpers never write are not written, even now.
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

// Two links back to the key would make a walk through them endless.
TEST_F(RegistryHelpersMemory, RemovalRightsCheckStopsAtLinks) {
  const std::string key = std::string(kKey) + "\\Tree";
  for (const char* loop : {"\\A\\Loop1", "\\A\\Loop2"}) {
    registry.SetLink(kRoot, key + loop, kRoot, key);
  }
  EXPECT_TRUE(RegMayRemoveKey(registry, kRoot, key));
  EXPECT_FALSE(RegRemoveKey(registry, kRoot, key));
  EXPECT_TRUE(registry.KeyExists(kRoot, key + "\\A"));
}

TEST_F(RegistryHelpersMemory, RemoveKeyNeverEmptiesARoot) {
  registry.SetValue(RegRoot::ClassesRoot, ".txt", "", platform::MakeTextValue("txtfile"));
  for (const char* root : {"", "\\", "\\\\"}) {
    EXPECT_FALSE(RegRemoveKey(registry, RegRoot::ClassesRoot, root)) << root;
  }
  EXPECT_TRUE(registry.KeyExists(RegRoot::ClassesRoot, ".txt"));
}

TEST_F(RegistryHelpersMemory, RemoveKeyOfAReadOnlyKeyLeavesItInPlace) {
  registry.SetValue(kRoot, std::string(kKey) + "\\Sub", "v", platform::MakeDwordValue(1));
  registry.SetReadOnly(kRoot, kKey, true);
  EXPECT_FALSE(RegRemoveKey(registry, kRoot, kKey));
  EXPECT_TRUE(registry.KeyExists(kRoot, std::string(kKey) + "\\Sub"));
}

}  // namespace
}  // namespace zent
