// Where recycled files really end up. The sandbox keeps Wine's recycle bin in a
// freedesktop trash folder and maps a drive onto it (ZENT_TRASH_DRIVE), so the
// test can look inside; it also offers a drive whose files the trash cannot
// take (ZENT_NOBIN_DRIVE) and a folder holding a symbolic link to a folder
// elsewhere (ZENT_LINK_HOLDER), which Wine lists as a reparse point.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "sweep/file_helpers.h"
#include "tests/both/test_platform.h"

namespace zent {
namespace {

using platform::Presence;

platform::Platform& P() { return testing::TestPlatform(); }

FileHelperContext Context() { return {P().files, P().shell, P().pump, false, {}, {}, {}, {}}; }

std::string SandboxDrive(const char* variable) {
  const char* drive = std::getenv(variable);
  return drive == nullptr ? std::string() : std::string(drive);
}

std::string UniqueName(std::string_view stem) {
  static int number = 0;
  return std::string(stem) + "-" + std::to_string(++number) + ".tmp";
}

TEST(RecycleBin, DeletedJunkFileLiesInTheTrashWithItsContent) {
  const auto trash = SandboxDrive("ZENT_TRASH_DRIVE");
  ASSERT_FALSE(trash.empty()) << "the sandbox maps no drive onto its trash folder";
  const auto name = UniqueName("recycled");
  const auto path = testing::NewTestFolder() + name;
  ASSERT_TRUE(P().files.WriteWhole(path, "worth keeping a while"));

  DeleteJunkFile(Context(), path);

  EXPECT_EQ(P().files.FileExists(path), Presence::Missing);
  EXPECT_EQ(P().files.ReadWhole(trash + "\\files\\" + name), "worth keeping a while");
  EXPECT_EQ(P().files.FileExists(trash + "\\info\\" + name + ".trashinfo"), Presence::Present);
}

TEST(RecycleBin, FileOnADriveWithoutBinStaysInsteadOfBeingDestroyed) {
  const auto drive = SandboxDrive("ZENT_NOBIN_DRIVE");
  if (drive.empty()) GTEST_SKIP() << "the sandbox could not make a drive without a bin";
  const auto path = drive + "\\" + UniqueName("nobin");
  ASSERT_TRUE(P().files.WriteWhole(path, "no bin here"));
  ASSERT_TRUE(P().files.SetAttributes(path, platform::kAttrHidden));

  DeleteJunkFile(Context(), path);

  EXPECT_EQ(P().files.ReadWhole(path), "no bin here");
  EXPECT_EQ(P().files.Attributes(path).attributes & ~platform::kAttrArchive, platform::kAttrHidden);
}

TEST(FolderWalksOnWine, LinkedFolderIsNeitherEnteredNorEmptied) {
  const auto holder = SandboxDrive("ZENT_LINK_HOLDER");
  ASSERT_FALSE(holder.empty()) << "the sandbox made no folder holding a link";
  const auto link = holder + "\\link";
  const auto precious = link + "\\precious.txt";
  ASSERT_TRUE(P().files.Attributes(link).attributes & platform::kAttrReparsePoint);
  ASSERT_EQ(P().files.FileExists(precious), Presence::Present);
  ASSERT_TRUE(P().files.WriteWhole(holder + "\\junk.tmp", "junk"));

  std::uint64_t size = 0;
  FolderSize(P().files, holder + "\\", size);
  EXPECT_EQ(size, 4u);
  std::vector<std::string> paths;
  CollectFiles(Context(), holder + "\\", paths);
  EXPECT_EQ(paths, std::vector<std::string>{holder + "\\junk.tmp"});

  DeleteFolderTree(Context(), holder);
  DeleteFolderTree(Context(), link);
  RemoveFolderTree(P().files, link + "\\");

  EXPECT_EQ(P().files.FileExists(holder + "\\junk.tmp"), Presence::Missing);
  EXPECT_EQ(P().files.ReadWhole(precious), "precious\n");
  EXPECT_EQ(P().files.FolderExists(link), Presence::Present);
}

}  // namespace
}  // namespace zent
