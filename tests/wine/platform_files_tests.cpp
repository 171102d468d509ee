// The Win32 file layer on the sandbox's spare drive: listings and their
// attribute mask, names outside the code page, "missing" against "could not
// look", 64-bit sizes, and paths far beyond MAX_PATH.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "tests/both/test_platform.h"

namespace zent {
namespace {

using platform::FsError;
using platform::Presence;

platform::FileSystem& Files() { return testing::TestPlatform().files; }

std::vector<std::string> SortedNames(const platform::Listing& listing) {
  std::vector<std::string> names;
  for (const auto& entry : listing.entries) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  return names;
}

// A folder holding one entry of every kind the mask tells apart.
std::string MaskFixture() {
  const auto folder = testing::NewTestFolder();
  struct Made {
    const char* name;
    bool folder;
    std::uint32_t attributes;
  };
  for (const Made& made :
       {Made{"plain.txt", false, 0}, Made{"hidden.txt", false, 0x02},
        Made{"system.sys", false, 0x04}, Made{"both.bin", false, 0x06},
        Made{"readonly.txt", false, 0x01}, Made{"sub", true, 0}, Made{"hiddensub", true, 0x02}}) {
    const auto path = folder + made.name;
    if (made.folder) {
      EXPECT_TRUE(Files().CreateFolders(path));
    } else {
      EXPECT_TRUE(Files().WriteWhole(path, "x"));
    }
    if (made.attributes) {
      EXPECT_TRUE(Files().SetAttributes(path, made.attributes));
    }
  }
  return folder;
}

struct MaskCase {
  const char* label;
  std::uint32_t mask;
  std::vector<std::string> names;
};

class ListingMask : public ::testing::TestWithParam<MaskCase> {};

TEST_P(ListingMask, LeavesOutEntriesWithABitOutsideTheMask) {
  const auto folder = MaskFixture();
  const auto listing = Files().List(folder + "*.*", GetParam().mask);
  EXPECT_EQ(listing.error, FsError::None);
  EXPECT_EQ(SortedNames(listing), GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    Win32Files, ListingMask,
    ::testing::Values(MaskCase{"None", 0, {"plain.txt", "readonly.txt"}},
                      MaskCase{"Hidden", 0x02, {"hidden.txt", "plain.txt", "readonly.txt"}},
                      MaskCase{"System", 0x04, {"plain.txt", "readonly.txt", "system.sys"}},
                      MaskCase{
                          "HiddenSystem",
                          0x06,
                          {"both.bin", "hidden.txt", "plain.txt", "readonly.txt", "system.sys"}},
                      MaskCase{"Directory", 0x10, {".", "..", "plain.txt", "readonly.txt", "sub"}},
                      MaskCase{"Everything",
                               0x3F,
                               {".", "..", "both.bin", "hidden.txt", "hiddensub", "plain.txt",
                                "readonly.txt", "sub", "system.sys"}}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST(Win32Files, ListingReportsAttributesAndSizesBeyondFourGigabytes) {
  const auto folder = testing::NewTestFolder();
  const auto big = folder + "big.bin";
  {
    win32::UniqueFile file(CreateFileW(win32::Widen(big).c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    LARGE_INTEGER end;
    end.QuadPart = 5LL << 30;  // sparse on the Linux side, so it costs no space
    ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file.get()));
  }
  ASSERT_TRUE(Files().SetAttributes(big, platform::kAttrReadOnly | platform::kAttrArchive));
  const auto listing = Files().List(folder + "BIG.*", 0);
  ASSERT_EQ(listing.entries.size(), 1u);
  EXPECT_EQ(listing.entries[0].name, "big.bin");
  EXPECT_EQ(listing.entries[0].size, 5ULL << 30);
  EXPECT_EQ(listing.entries[0].attributes & 0xFF, platform::kAttrReadOnly | platform::kAttrArchive);
  EXPECT_TRUE(Files().SetAttributes(big, 0));
}

TEST(Win32Files, ListingFailuresAndEmptyMatches) {
  const auto folder = testing::NewTestFolder();
  const auto nothing = Files().List(folder + "*.none", 0x3F);
  EXPECT_EQ(nothing.error, FsError::None);
  EXPECT_TRUE(nothing.entries.empty());
  EXPECT_EQ(Files().List(folder + "missing\\*.*", 0x3F).error, FsError::PathNotFound);
  // A bare root is how a drive is probed: an existing one matches nothing,
  // a missing one has no path.
  EXPECT_EQ(Files().List(folder, 0x3F).error, FsError::FileNotFound);
  EXPECT_EQ(Files().List("Q:\\", 0x3F).error, FsError::PathNotFound);
  EXPECT_EQ(Files().List("Q:\\*.*", 0x3F).error, FsError::PathNotFound);
  EXPECT_EQ(Files().List(folder + std::string("*\0.txt", 6), 0x3F).error, FsError::BadName);
}

TEST(Win32Files, NamesOutsideTheCodePageAreFoundAndListed) {
  const auto folder = testing::NewTestFolder();
  const std::vector<std::string> names = {"Ωmega.txt", "漢字ファイル.dat", "Ключ 𝄞.ini"};
  for (const auto& name : names) ASSERT_TRUE(Files().WriteWhole(folder + name, name)) << name;
  for (const auto& name : names) {
    EXPECT_EQ(Files().FileExists(folder + name), Presence::Present) << name;
    EXPECT_EQ(Files().ReadWhole(folder + name), name);
  }
  EXPECT_EQ(Files().FileExists(folder + "ωMEGA.TXT"), Presence::Present);
  auto expected = names;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(SortedNames(Files().List(folder + "*.*", 0)), expected);
}

TEST(Win32Files, MissingOnlyWhenThePathIsNotThere) {
  const auto folder = testing::NewTestFolder();
  EXPECT_EQ(Files().FileExists("Q:\\unmapped\\file.txt"), Presence::Missing);
  EXPECT_EQ(Files().FolderExists("Q:\\unmapped"), Presence::Missing);
  EXPECT_EQ(Files().FileExists(folder + "no folder\\file.txt"), Presence::Missing);
  EXPECT_EQ(Files().FileExists(folder + "bad<name>.txt"), Presence::Missing);
  EXPECT_EQ(Files().Attributes(folder + "no folder\\file.txt").error, FsError::PathNotFound);
  EXPECT_EQ(Files().Attributes(folder + "file.txt").error, FsError::FileNotFound);
}

TEST(Win32Files, AFileHeldWithoutSharingIsThereButCannotBeOpened) {
  const auto folder = testing::NewTestFolder();
  const auto path = folder + "held.dat";
  ASSERT_TRUE(Files().WriteWhole(path, "held"));
  const win32::UniqueFile holder(CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, 0, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(holder);
  FsError error = FsError::None;
  EXPECT_EQ(Files().OpenExclusive(path, &error), nullptr);
  EXPECT_EQ(error, FsError::SharingViolation);
  EXPECT_EQ(Files().FileExists(path), Presence::Present);
  EXPECT_FALSE(Files().ReadWhole(path).has_value());
  EXPECT_FALSE(Files().WriteWhole(path, "other"));
  EXPECT_FALSE(Files().Delete(path));
}

TEST(Win32Files, AnUnreadableFolderGivesUnknownNotMissing) {
  const char* folder = std::getenv("ZENT_UNREADABLE_FOLDER");
  if (folder == nullptr) GTEST_SKIP() << "tools/wine-tests.sh provides the unreadable folder";
  const std::string inside = std::string(folder) + "\\file.txt";
  EXPECT_EQ(Files().Attributes(inside).error, FsError::AccessDenied);
  EXPECT_EQ(Files().FileExists(inside), Presence::Unknown);
  EXPECT_EQ(Files().FolderExists(inside), Presence::Unknown);
  EXPECT_EQ(Files().List(std::string(folder) + "\\*.*", 0x3F).error, FsError::AccessDenied);
}

TEST(Win32Files, PathsHoldingNulReachNoOtherFile) {
  const auto folder = testing::NewTestFolder();
  const auto victim = folder + "victim.txt";
  ASSERT_TRUE(Files().WriteWhole(victim, "keep"));
  const std::string cut = victim + std::string("\0.bak", 5);
  EXPECT_FALSE(Files().Delete(cut));
  EXPECT_FALSE(Files().WriteWhole(cut, "lost"));
  EXPECT_FALSE(Files().SetAttributes(cut, platform::kAttrReadOnly));
  EXPECT_FALSE(Files().Rename(cut, folder + "moved.txt"));
  EXPECT_EQ(Files().Attributes(cut).error, FsError::BadName);
  EXPECT_EQ(Files().ReadWhole(victim), "keep");
  EXPECT_EQ(Files().Attributes(victim).attributes & platform::kAttrReadOnly, 0u);
}

TEST(Win32Files, WritingKeepsAttributesAndReplacesContent) {
  const auto folder = testing::NewTestFolder();
  const auto path = folder + "hidden.reg";
  ASSERT_TRUE(Files().WriteWhole(path, "a long first content"));
  ASSERT_TRUE(Files().SetAttributes(path, platform::kAttrHidden));
  ASSERT_TRUE(Files().WriteWhole(path, "short"));
  EXPECT_EQ(Files().ReadWhole(path), "short");
  EXPECT_TRUE(Files().Attributes(path).attributes & platform::kAttrHidden);
  ASSERT_TRUE(Files().AppendWhole(path, std::string("\0tail", 5), ""));
  EXPECT_EQ(Files().ReadWhole(path), std::string("short\0tail", 10));
  ASSERT_TRUE(Files().SetAttributes(path, platform::kAttrReadOnly));
  EXPECT_FALSE(Files().WriteWhole(path, "refused"));
  EXPECT_FALSE(Files().AppendWhole(path, "refused", ""));
  EXPECT_EQ(Files().ReadWhole(path), std::string("short\0tail", 10));
}

TEST(Win32Files, AttributeBitsSurviveEveryChangeOfReadOnly) {
  const auto folder = testing::NewTestFolder();
  const auto path = folder + "flags.dat";
  ASSERT_TRUE(Files().WriteWhole(path, ""));
  constexpr std::uint32_t kRo = platform::kAttrReadOnly;
  constexpr std::uint32_t kHidden = platform::kAttrHidden;
  constexpr std::uint32_t kSystem = platform::kAttrSystem;
  for (const std::uint32_t wanted : {kRo | kHidden, kRo | kHidden | kSystem, kHidden, kRo,
                                     kSystem | kHidden, kRo | kSystem, 0u}) {
    ASSERT_TRUE(Files().SetAttributes(path, wanted)) << wanted;
    EXPECT_EQ(Files().Attributes(path).attributes & 0x07u, wanted);
  }
}

TEST(Win32Files, FoldersCannotBeMadeThroughAFile) {
  const auto folder = testing::NewTestFolder();
  ASSERT_TRUE(Files().WriteWhole(folder + "file", ""));
  EXPECT_FALSE(Files().CreateFolders(folder + "file\\sub"));
  EXPECT_FALSE(Files().CreateFolders(folder + "file"));
  EXPECT_FALSE(Files().CreateFolders("Q:\\unmapped\\sub"));
  EXPECT_TRUE(Files().CreateFolders(folder + "a/b\\c\\"));
  EXPECT_EQ(Files().FolderExists(folder + "a\\b\\c"), Presence::Present);
}

TEST(Win32Files, LastWriteTimeIsLocalTimeOfTheWrite) {
  const auto folder = testing::NewTestFolder();
  const auto before = testing::TestPlatform().clock.Now();
  ASSERT_TRUE(Files().WriteWhole(folder + "stamp.txt", "x"));
  const auto stamp = Files().LastWriteTime(folder + "stamp.txt");
  ASSERT_TRUE(stamp.has_value());
  EXPECT_EQ(stamp->year, before.year);
  EXPECT_EQ(stamp->dayOfWeek, before.dayOfWeek);
  EXPECT_EQ(stamp->hour, before.hour);
  EXPECT_FALSE(Files().LastWriteTime(folder + "none.txt").has_value());
}

// A folder chain that makes every path below it longer than MAX_PATH.
std::string DeepFolder(int levels) {
  std::string deep = testing::NewTestFolder();
  for (int i = 0; i < levels; ++i) deep += std::string(60, static_cast<char>('a' + i % 26)) + "\\";
  return deep;
}

TEST(Win32Files, PathsFarBeyondMaxPathWorkInFull) {
  const auto deep = DeepFolder(20);
  ASSERT_GT(deep.size(), 1200u);
  ASSERT_TRUE(Files().CreateFolders(deep));
  EXPECT_EQ(Files().FolderExists(deep), Presence::Present);
  const auto path = deep + "Ωmega file.txt";
  ASSERT_TRUE(Files().WriteWhole(path, "deeper"));
  EXPECT_EQ(Files().ReadWhole(path), "deeper");
  EXPECT_EQ(Files().FileExists(path), Presence::Present);
  EXPECT_EQ(Files().FileExists(deep + "Ωmega file"), Presence::Missing);
  EXPECT_EQ(SortedNames(Files().List(deep + "*.*", 0x3F)),
            (std::vector<std::string>{".", "..", "Ωmega file.txt"}));
  EXPECT_TRUE(Files().LastWriteTime(path).has_value());
  EXPECT_EQ(Files().FullPath(deep + "x\\..\\Ωmega file.txt"), path);

  ASSERT_TRUE(Files().WriteWhole(deep + "copy.txt", "deeper"));
  ASSERT_TRUE(Files().Rename(deep + "copy.txt", deep + "renamed.txt"));
  EXPECT_EQ(Files().ReadWhole(deep + "renamed.txt"), "deeper");
  ASSERT_TRUE(Files().SetAttributes(path, platform::kAttrReadOnly));
  EXPECT_FALSE(Files().Delete(path));
  ASSERT_TRUE(Files().SetAttributes(path, 0));
  auto held = Files().OpenExclusive(path);
  EXPECT_NE(held, nullptr);
  held.reset();
  EXPECT_TRUE(Files().Delete(path));
  EXPECT_TRUE(Files().Delete(deep + "renamed.txt"));
  EXPECT_EQ(Files().FileExists(path), Presence::Missing);
  EXPECT_TRUE(Files().RemoveFolder(deep));
  EXPECT_EQ(Files().FolderExists(deep), Presence::Missing);
}

TEST(Win32Files, FullPathNeedsNoFixedBuffer) {
  const auto deep = DeepFolder(60);
  ASSERT_GT(deep.size(), 3600u);
  const auto full = Files().FullPath(deep + ".\\x\\..\\name.txt");
  ASSERT_TRUE(full.has_value());
  EXPECT_EQ(*full, deep + "name.txt");
  const auto drive = deep.substr(0, 2);
  EXPECT_EQ(Files().FullPath(drive + "/a/b/../c.txt"), drive + "\\a\\c.txt");
  EXPECT_FALSE(Files().FullPath(drive + std::string("\\a\0b", 4)).has_value());
}

}  // namespace
}  // namespace zent
