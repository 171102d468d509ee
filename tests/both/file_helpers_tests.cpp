// The deletion chain against whichever platform the binary carries: natively
// the in-memory disk and bin, under Wine real files, real attributes, real
// sharing rules and the shell's own recycle bin.
#include <gtest/gtest.h>

#include <string>

#include "sweep/file_helpers.h"
#include "tests/both/test_platform.h"

namespace zent {
namespace {

using platform::Presence;

platform::Platform& P() { return testing::TestPlatform(); }

FileHelperContext Context(bool deleteWriteProtected = false) {
  return {P().files, P().shell, P().pump, deleteWriteProtected, {}, {}, {}, {}};
}

void MakeFile(const std::string& path, std::string_view content = "junk") {
  ASSERT_TRUE(P().files.CreateFolders(path.substr(0, path.rfind('\\')))) << path;
  ASSERT_TRUE(P().files.WriteWhole(path, content)) << path;
}

TEST(DeletionChain, JunkFileLeavesItsPlaceForTheBin) {
  const auto path = testing::NewTestFolder() + "old backup.bak";
  MakeFile(path);
  DeleteJunkFile(Context(), path);
  EXPECT_EQ(P().files.FileExists(path), Presence::Missing);
}

TEST(DeletionChain, ReadOnlyFileStaysWithItsAttributesWhileWriteProtectedFilesMustStay) {
  const auto path = testing::NewTestFolder() + "setup.tmp";
  MakeFile(path);
  ASSERT_TRUE(P().files.SetAttributes(path, platform::kAttrReadOnly | platform::kAttrHidden));
  const auto before = P().files.Attributes(path);
  ASSERT_TRUE(before.ok());

  EXPECT_FALSE(IsFileInUse(Context(), path));
  DeleteJunkFile(Context(), path);
  EXPECT_EQ(P().files.FileExists(path), Presence::Present);
  EXPECT_EQ(P().files.Attributes(path).attributes, before.attributes);

  DeleteJunkFile(Context(true), path);
  EXPECT_EQ(P().files.FileExists(path), Presence::Missing);
}

TEST(DeletionChain, FileHeldOpenCountsAsInUseAndStays) {
  const auto path = testing::NewTestFolder() + "locked.tmp";
  MakeFile(path, "still here");
  auto held = P().files.OpenExclusive(path);
  ASSERT_NE(held, nullptr);

  EXPECT_TRUE(IsFileInUse(Context(), path));
  DeleteJunkFile(Context(true), path);
  EXPECT_EQ(P().files.FileExists(path), Presence::Present);

  held.reset();
  EXPECT_EQ(P().files.ReadWhole(path), "still here");
  EXPECT_FALSE(IsFileInUse(Context(), path));
}

TEST(DeletionChain, PathLongerThanTheOldLimitIsRecycledWhole) {
  const auto folder = testing::NewTestFolder() + std::string(200, 'd') + "\\";
  ASSERT_TRUE(P().files.CreateFolders(folder));
  const auto path = folder + std::string(90, 'f') + ".tmp";
  ASSERT_GT(path.size(), 260u);
  MakeFile(path);
  // Files named by the path cut to 255 and 256 characters.
  for (const std::size_t cut : {255u, 256u}) MakeFile(path.substr(0, cut));

  DeleteJunkFile(Context(), path);
  EXPECT_EQ(P().files.FileExists(path), Presence::Missing);
  for (const std::size_t cut : {255u, 256u}) {
    EXPECT_EQ(P().files.FileExists(path.substr(0, cut)), Presence::Present) << cut;
  }
}

TEST(DeletionChain, FolderTreeKeepsExcludedFileAndTheFoldersAboveIt) {
  const auto tree = testing::NewTestFolder() + "Temp";
  const auto kept = tree + "\\sub\\keep\\keep.dat";
  MakeFile(tree + "\\a.tmp");
  MakeFile(tree + "\\sub\\b.tmp");
  MakeFile(kept);
  ASSERT_TRUE(P().files.CreateFolders(tree + "\\empty\\deeper"));

  auto context = Context();
  context.isExcludedFile = [&](std::string_view path) {
    return P().shell.UpperCase(path) == P().shell.UpperCase(kept);
  };
  DeleteFolderTree(context, tree);

  EXPECT_EQ(P().files.FileExists(tree + "\\a.tmp"), Presence::Missing);
  EXPECT_EQ(P().files.FileExists(tree + "\\sub\\b.tmp"), Presence::Missing);
  EXPECT_EQ(P().files.FolderExists(tree + "\\empty"), Presence::Missing);
  EXPECT_EQ(P().files.FileExists(kept), Presence::Present);
  EXPECT_EQ(P().files.FolderExists(tree + "\\sub\\keep"), Presence::Present);
}

}  // namespace
}  // namespace zent
