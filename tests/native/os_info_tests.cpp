#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/memory_platform.h"
#include "sysinfo/os_info.h"

namespace zent {
namespace {

using platform::RegRoot;

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct ShellFolderCase {
  const char* valueName;
  const std::string& (SystemFacts::*property)() const;
};

const std::vector<ShellFolderCase>& ShellFolderCases() {
  static const std::vector<ShellFolderCase> cases = {
      {"Programs", &SystemFacts::ProgramsFolder},    {"Recent", &SystemFacts::RecentFolder},
      {"Start Menu", &SystemFacts::StartMenuFolder}, {"StartUp", &SystemFacts::StartUpFolder},
      {"Desktop", &SystemFacts::DesktopFolder},      {"Fonts", &SystemFacts::FontsFolder},
      {"NetHood", &SystemFacts::NetHoodFolder},      {"Personal", &SystemFacts::PersonalFolder},
      {"SendTo", &SystemFacts::SendToFolder},
  };
  return cases;
}

std::string FolderFor(const char* valueName) {
  return std::string("C:\\Users\\tester\\") + valueName;
}

class SystemFactsTest : public ::testing::Test {
 protected:
  void StoreAllShellFolders() {
    for (const auto& c : ShellFolderCases()) {
      memory.registry.SetValue(RegRoot::CurrentUser, kShellFolders, c.valueName,
                               platform::MakeTextValue(FolderFor(c.valueName)));
    }
  }

  memory::MemoryPlatform memory;
};

TEST_F(SystemFactsTest, CopiesScreenNamesAndDirectoriesAsTheSystemGivesThem) {
  memory.system.windowsDirectory = "C:\\WINNT\\";
  memory.system.systemDirectory = "C:\\WINNT\\system32";
  memory.system.screenWidth = 800;
  memory.system.screenHeight = 600;
  memory.system.colorBits = 16;
  memory.system.userName = "Anna";
  memory.system.computerName = "WORKSTATION7";
  const SystemFacts info(memory.platform());
  EXPECT_EQ(info.WinDirectory(), "C:\\WINNT\\");
  EXPECT_EQ(info.SysDirectory(), "C:\\WINNT\\system32");
  EXPECT_EQ(info.ScreenWidth(), 800);
  EXPECT_EQ(info.ScreenHeight(), 600);
  EXPECT_EQ(info.ColorBits(), 16);
  EXPECT_EQ(info.UserName(), "Anna");
  EXPECT_EQ(info.ComputerName(), "WORKSTATION7");
}

TEST_F(SystemFactsTest, UnreadableUserAndComputerNamesAreEmpty) {
  memory.system.userName.reset();
  memory.system.computerName.reset();
  const SystemFacts info(memory.platform());
  EXPECT_EQ(info.UserName(), "");
  EXPECT_EQ(info.ComputerName(), "");
}

struct PlatformCase {
  int platformId;
  const char* text;
};

class SystemFactsPlatform : public ::testing::TestWithParam<PlatformCase> {};

TEST_P(SystemFactsPlatform, NamesThePlatformFamily) {
  memory::MemoryPlatform memory;
  memory.system.platformId = GetParam().platformId;
  EXPECT_EQ(SystemFacts(memory.platform()).Platform(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(PlatformIds, SystemFactsPlatform,
                         ::testing::Values(PlatformCase{0, "Win32"}, PlatformCase{1, "Win95"},
                                           PlatformCase{2, "WinNT"}, PlatformCase{3, ""},
                                           PlatformCase{-1, ""}));

struct ProcessorCase {
  std::uint32_t processorType;
  const char* text;
};

class SystemFactsProcessor : public ::testing::TestWithParam<ProcessorCase> {};

TEST_P(SystemFactsProcessor, NamesTheProcessorClass) {
  memory::MemoryPlatform memory;
  memory.system.processorType = GetParam().processorType;
  EXPECT_EQ(SystemFacts(memory.platform()).Processor(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(ProcessorTypes, SystemFactsProcessor,
                         ::testing::Values(ProcessorCase{386, "386"}, ProcessorCase{486, "486"},
                                           ProcessorCase{586, "Pentium"}, ProcessorCase{686, "x"},
                                           ProcessorCase{8664, "x"}, ProcessorCase{0, "x"}));

TEST_F(SystemFactsTest, ReadsEachShellFolderFromItsOwnValue) {
  StoreAllShellFolders();
  const SystemFacts info(memory.platform());
  for (const auto& c : ShellFolderCases()) {
    EXPECT_EQ((info.*c.property)(), FolderFor(c.valueName)) << c.valueName;
  }
}

TEST_F(SystemFactsTest, DocumentsFolderStaysEmptyWhilePersonalHoldsTheDocuments) {
  StoreAllShellFolders();
  memory.registry.SetValue(RegRoot::CurrentUser, kShellFolders, "Documents",
                           platform::MakeTextValue("C:\\Users\\tester\\Documents"));
  const SystemFacts info(memory.platform());
  EXPECT_EQ(info.DocumentsFolder(), "");
  EXPECT_EQ(info.PersonalFolder(), FolderFor("Personal"));
}

class SystemFactsMissingShellFolder : public SystemFactsTest,
                                      public ::testing::WithParamInterface<ShellFolderCase> {};

TEST_P(SystemFactsMissingShellFolder, LeavesOnlyThatFolderEmpty) {
  StoreAllShellFolders();
  auto key = memory.registry.Open(RegRoot::CurrentUser, kShellFolders, platform::RegAccess::Full);
  ASSERT_NE(key, nullptr);
  ASSERT_TRUE(key->DeleteValue(GetParam().valueName));
  const SystemFacts info(memory.platform());
  for (const auto& c : ShellFolderCases()) {
    const bool missing = std::string(c.valueName) == GetParam().valueName;
    EXPECT_EQ((info.*c.property)(), missing ? "" : FolderFor(c.valueName)) << c.valueName;
  }
}

INSTANTIATE_TEST_SUITE_P(EachFolder, SystemFactsMissingShellFolder,
                         ::testing::ValuesIn(ShellFolderCases()), [](const auto& testCase) {
                           std::string name = testCase.param.valueName;
                           std::erase(name, ' ');
                           return name;
                         });

TEST_F(SystemFactsTest, ShellFoldersAreEmptyWithoutTheShellFoldersKey) {
  const SystemFacts info(memory.platform());
  for (const auto& c : ShellFolderCases()) EXPECT_EQ((info.*c.property)(), "") << c.valueName;
}

// A long binary cannot be read as text; the folder must read as missing rather
// than stop the saver before it starts.
TEST_F(SystemFactsTest, ShellFolderOfUnreadableTypeIsEmptyAndTheOthersStillRead) {
  StoreAllShellFolders();
  memory.registry.SetValue(RegRoot::CurrentUser, kShellFolders, "Fonts",
                           platform::MakeBinaryValue("C:\\WINDOWS\\Fonts"));
  std::optional<SystemFacts> info;
  ASSERT_NO_THROW(info.emplace(memory.platform()));
  EXPECT_EQ(info->FontsFolder(), "");
  EXPECT_EQ(info->SendToFolder(), FolderFor("SendTo"));
  EXPECT_EQ(info->NetHoodFolder(), FolderFor("NetHood"));
}

// Each fact is asked for once, in a fixed order, and never again afterwards.
class CallLog final : public platform::SystemQueries {
 public:
  std::string WindowsDirectory() override { return Log("WindowsDirectory", std::string("W")); }
  std::string SystemDirectory() override { return Log("SystemDirectory", std::string("S")); }
  int ScreenWidth() override { return Log("ScreenWidth", 1); }
  int ScreenHeight() override { return Log("ScreenHeight", 1); }
  platform::Rect VirtualScreen() override { return {0, 0, Log("VirtualScreen", 1), 1}; }
  int ColorBits() override { return Log("ColorBits", 1); }
  std::optional<std::string> UserName() override { return Log("UserName", std::string("U")); }
  std::optional<std::string> ComputerName() override {
    return Log("ComputerName", std::string("C"));
  }
  int PlatformId() override { return Log("PlatformId", 2); }
  std::uint32_t ProcessorType() override { return Log("ProcessorType", 586u); }
  std::uint32_t DriveType(std::string_view) override { return Log("DriveType", 0u); }
  std::optional<std::string> VolumeName(std::string_view) override {
    return Log("VolumeName", std::string());
  }
  std::string AbbreviatedDayName(int) override { return Log("AbbreviatedDayName", std::string()); }

  std::vector<std::string> calls;

 private:
  template <typename T>
  T Log(const char* call, T result) {
    calls.emplace_back(call);
    return result;
  }
};

TEST(SystemFactsGathering, AsksEachFactOnceInOrderAtConstruction) {
  CallLog system;
  memory::MemoryRegistry registry;
  const SystemFacts info(system, registry);
  const std::vector<std::string> expected = {
      "WindowsDirectory", "SystemDirectory", "ScreenWidth", "ScreenHeight", "ColorBits",
      "UserName",         "ComputerName",    "PlatformId",  "ProcessorType"};
  EXPECT_EQ(system.calls, expected);
  EXPECT_EQ(info.Platform(), "WinNT");
  EXPECT_EQ(system.calls.size(), expected.size());
}

}  // namespace
}  // namespace zent
