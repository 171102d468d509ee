// The deletion chain and the folder walks on the in-memory platform, with a
// file system in front of it that can stage what real disks do now and then:
// a file whose existence cannot be told, a listing error, a call that throws.
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/exclusions.h"
#include "platform/memory/memory_platform.h"
#include "sweep/file_helpers.h"

namespace zent {
namespace {

using platform::FsError;
using platform::Presence;
using namespace platform;  // attribute constants

constexpr std::uint64_t kGiB = 1ull << 30;

// Passes every call on to the in-memory file system, except what a test stages.
class StagedFiles final : public FileSystem {
 public:
  explicit StagedFiles(memory::MemoryFileSystem& files) : files_(files) {}

  std::map<std::string, Presence> presence;  // FileExists answers, by exact path
  std::optional<FsError> listError;
  std::string throwOnFullPath;
  struct AttributeWrite {
    std::string path;
    std::uint32_t attributes;
  };
  std::vector<AttributeWrite> attributeWrites;
  int exclusiveOpens = 0;

  Listing List(std::string_view pattern, std::uint32_t mask) override {
    if (listError) return {{}, *listError};
    return files_.List(pattern, mask);
  }
  AttributeResult Attributes(std::string_view path) override { return files_.Attributes(path); }
  bool SetAttributes(std::string_view path, std::uint32_t attributes) override {
    attributeWrites.push_back({std::string(path), attributes});
    return files_.SetAttributes(path, attributes);
  }
  Presence FileExists(std::string_view path) override {
    const auto staged = presence.find(std::string(Plain(path)));
    return staged != presence.end() ? staged->second : files_.FileExists(path);
  }
  Presence FolderExists(std::string_view path) override { return files_.FolderExists(path); }
  std::unique_ptr<OpenFile> OpenExclusive(std::string_view path, FsError* error) override {
    ++exclusiveOpens;
    return files_.OpenExclusive(path, error);
  }
  bool Delete(std::string_view path) override { return files_.Delete(path); }
  bool Rename(std::string_view from, std::string_view to) override {
    return files_.Rename(from, to);
  }
  bool CreateFolders(std::string_view path) override { return files_.CreateFolders(path); }
  bool RemoveFolder(std::string_view path) override { return files_.RemoveFolder(path); }
  std::optional<LocalTime> LastWriteTime(std::string_view path) override {
    return files_.LastWriteTime(path);
  }
  std::optional<std::string> ReadWhole(std::string_view path) override {
    return files_.ReadWhole(path);
  }
  std::optional<std::string> ReadStart(std::string_view path, std::size_t count) override {
    return files_.ReadStart(path, count);
  }
  bool WriteWhole(std::string_view path, std::string_view bytes) override {
    return files_.WriteWhole(path, bytes);
  }
  bool AppendWhole(std::string_view path, std::string_view bytes,
                   std::string_view startOfFile) override {
    return files_.AppendWhole(path, bytes, startOfFile);
  }
  std::optional<std::string> FullPath(std::string_view path) override {
    if (!throwOnFullPath.empty() && Plain(path) == throwOnFullPath) {
      throw std::runtime_error("full path");
    }
    return files_.FullPath(path);
  }
  std::optional<std::string> ResolvedPath(std::string_view path) override {
    return files_.ResolvedPath(path);
  }
  std::optional<EntryIdentity> Identity(std::string_view path) override {
    return files_.Identity(path);
  }

 private:
  // Staged by the path as written; the chain asks by the exact name.
  static std::string_view Plain(std::string_view path) {
    return path.starts_with("\\\\?\\") ? path.substr(4) : path;
  }
  memory::MemoryFileSystem& files_;
};

class FileHelpers : public ::testing::Test {
 protected:
  memory::MemoryPlatform memory;
  memory::MemoryFileSystem& disk = memory.files;
  StagedFiles files{memory.files};
  FileHelperContext context{files, memory.shell, memory.pump, false, {}, {}, {}, {}};

  bool IsThere(std::string_view path) { return disk.FileExists(path) == Presence::Present; }
  bool FolderIsThere(std::string_view path) { return disk.FolderExists(path) == Presence::Present; }
  int ShellCalls() const { return memory.shell.RecycleCalls(); }
};

// ------------------------------------------------------------ deletion chain

TEST_F(FileHelpers, JunkFileGoesIntoTheBinByItsFullPath) {
  disk.AddFile("C:\\TEMP\\Old.tmp", "x", kAttrArchive | kAttrHidden);
  DeleteJunkFile(context, "c:\\temp\\sub\\..\\Old.tmp");
  EXPECT_FALSE(IsThere("C:\\TEMP\\Old.tmp"));
  EXPECT_EQ(memory.shell.RecycledPaths(), std::vector<std::string>{"C:\\temp\\Old.tmp"});
}

TEST_F(FileHelpers, ReadOnlyFileStaysUntouchedUnlessWriteProtectedFilesMayGo) {
  constexpr auto kReadOnly = kAttrReadOnly | kAttrHidden | kAttrArchive;
  disk.AddFile("C:\\TEMP\\A.TMP", "x", kReadOnly);
  DeleteJunkFile(context, "C:\\TEMP\\A.TMP");
  EXPECT_TRUE(IsThere("C:\\TEMP\\A.TMP"));
  EXPECT_EQ(disk.AttributesOf("C:\\TEMP\\A.TMP"), kReadOnly);
  EXPECT_TRUE(files.attributeWrites.empty());
  EXPECT_EQ(ShellCalls(), 0);

  context.deleteWriteProtected = true;
  DeleteJunkFile(context, "C:\\TEMP\\A.TMP");
  EXPECT_FALSE(IsThere("C:\\TEMP\\A.TMP"));
  EXPECT_EQ(memory.shell.RecycledPaths().size(), 1u);
}

TEST_F(FileHelpers, FileHeldOpenStaysWithItsAttributes) {
  disk.AddFile("C:\\TEMP\\LOCKED.TMP", "x", kAttrArchive | kAttrSystem);
  const auto held = disk.OpenExclusive("C:\\TEMP\\LOCKED.TMP");
  ASSERT_NE(held, nullptr);
  EXPECT_TRUE(IsFileInUse(context, "C:\\TEMP\\LOCKED.TMP"));
  DeleteJunkFile(context, "C:\\TEMP\\LOCKED.TMP");
  EXPECT_TRUE(IsThere("C:\\TEMP\\LOCKED.TMP"));
  EXPECT_EQ(disk.AttributesOf("C:\\TEMP\\LOCKED.TMP"), kAttrArchive | kAttrSystem);
  EXPECT_EQ(ShellCalls(), 0);
}

TEST_F(FileHelpers, FileTheBinRefusesStaysWithItsAttributes) {
  constexpr auto kAttributes = kAttrReadOnly | kAttrHidden | kAttrArchive;
  disk.AddFile("C:\\TEMP\\BIG.TMP", "x", kAttributes);
  memory.shell.RefuseRecycling(true);
  context.deleteWriteProtected = true;
  DeleteJunkFile(context, "C:\\TEMP\\BIG.TMP");
  EXPECT_EQ(ShellCalls(), 1);
  EXPECT_TRUE(IsThere("C:\\TEMP\\BIG.TMP"));
  EXPECT_EQ(disk.AttributesOf("C:\\TEMP\\BIG.TMP"), kAttributes);
}

TEST_F(FileHelpers, WildcardsNeverReachTheShell) {
  // Names a real disk would refuse; here they exist, so only the chain's own
  // rule keeps them from the shell, which would take them as patterns.
  disk.AddFile("C:\\TEMP\\A*.TMP");
  disk.AddFile("C:\\TEMP\\A?.TMP");
  disk.AddFile("C:\\TEMP\\AB.TMP");
  DeleteJunkFile(context, "C:\\TEMP\\A*.TMP");
  DeleteJunkFile(context, "C:\\TEMP\\A?.TMP");
  EXPECT_FALSE(SendToRecycleBin(context, "C:\\TEMP\\A*.TMP"));
  EXPECT_FALSE(SendToRecycleBin(context, std::string("C:\\TEMP\\AB.TMP") + '\0' + "C:\\X"));
  EXPECT_EQ(ShellCalls(), 0);
  EXPECT_TRUE(IsThere("C:\\TEMP\\AB.TMP"));
}

TEST_F(FileHelpers, FileOfUnknownPresenceIsNeitherDeletedNorMissing) {
  disk.AddFile("C:\\TEMP\\A.TMP");
  files.presence["C:\\TEMP\\A.TMP"] = Presence::Unknown;
  context.deleteWriteProtected = true;
  DeleteJunkFile(context, "C:\\TEMP\\A.TMP");
  EXPECT_FALSE(SendToRecycleBin(context, "C:\\TEMP\\A.TMP"));
  EXPECT_EQ(ShellCalls(), 0);
  EXPECT_TRUE(IsThere("C:\\TEMP\\A.TMP"));
}

TEST_F(FileHelpers, LongPathIsHandedOverWholeNeverCut) {
  // A fixed 256-byte copy of a longer path would name the file whose name is
  // the cut-off beginning: here such files exist and must survive.
  const std::string folder = "C:\\TEMP\\" + std::string(200, 'D') + "\\";
  const std::string longPath = folder + std::string(90, 'F') + ".TMP";
  ASSERT_GT(longPath.size(), 260u);
  disk.AddFile(longPath);
  for (std::size_t cut = 250; cut <= 258; ++cut) disk.AddFile(longPath.substr(0, cut));

  DeleteJunkFile(context, longPath);
  EXPECT_FALSE(IsThere(longPath));
  EXPECT_EQ(memory.shell.RecycledPaths(), std::vector<std::string>{longPath});
  for (std::size_t cut = 250; cut <= 258; ++cut) EXPECT_TRUE(IsThere(longPath.substr(0, cut)));
}

TEST_F(FileHelpers, RecycleCountsRaisedErrorsAndKeepsTheFile) {
  disk.AddFile("C:\\TEMP\\A.TMP", "x", kAttrHidden);
  files.throwOnFullPath = "C:\\TEMP\\A.TMP";
  int failures = 0;
  RecycleFile(context, "C:\\TEMP\\A.TMP", failures);
  RecycleFile(context, "C:\\TEMP\\A.TMP", failures);
  EXPECT_EQ(failures, 2);
  EXPECT_TRUE(IsThere("C:\\TEMP\\A.TMP"));
  EXPECT_EQ(disk.AttributesOf("C:\\TEMP\\A.TMP"), kAttrHidden);

  RecycleFile(context, "C:\\TEMP\\MISSING.TMP", failures);
  EXPECT_EQ(failures, 2);
}

TEST_F(FileHelpers, RecycleLetsErrorsOfOtherKindsPass) {
  struct Fatal {};
  disk.AddFile("C:\\TEMP\\A.TMP");
  memory.pump.onPump = [](int call) {
    if (call == 4) throw Fatal{};
  };
  int failures = 0;
  EXPECT_THROW(RecycleFile(context, "C:\\TEMP\\A.TMP", failures), Fatal);
  EXPECT_EQ(failures, 0);
}

TEST_F(FileHelpers, DeletionLetsMessagesRunBetweenItsSteps) {
  disk.AddFile("C:\\TEMP\\A.TMP");
  EXPECT_FALSE(IsFileInUse(context, "C:\\TEMP\\A.TMP"));
  EXPECT_EQ(memory.pump.calls, 3);
  memory.pump.calls = 0;
  DeleteJunkFile(context, "C:\\TEMP\\A.TMP");
  EXPECT_EQ(memory.pump.calls, 7);
  EXPECT_FALSE(IsThere("C:\\TEMP\\A.TMP"));
}

// ------------------------------------------------------------- in-use test

TEST_F(FileHelpers, InUseTestRestoresEveryAttributeBit) {
  constexpr std::uint32_t kPinned = 0x80000;
  constexpr std::uint32_t kNoScrub = 0x20000;
  constexpr auto kAttributes = kAttrReadOnly | kAttrArchive | kPinned | kNoScrub;
  disk.AddFile("C:\\DATA\\BOOK.DOC", "x", kAttributes);
  EXPECT_FALSE(IsFileInUse(context, "C:\\DATA\\BOOK.DOC"));
  ASSERT_EQ(files.attributeWrites.size(), 2u);
  EXPECT_EQ(files.attributeWrites[0].attributes, 0u);
  EXPECT_EQ(files.attributeWrites[1].attributes, kAttributes);
  EXPECT_EQ(disk.AttributesOf("C:\\DATA\\BOOK.DOC"), kAttributes);
}

TEST_F(FileHelpers, MissingFileCountsAsInUse) {
  EXPECT_TRUE(IsFileInUse(context, "C:\\TEMP\\NONE.TMP"));
  EXPECT_TRUE(files.attributeWrites.empty());
}

class CloudPlaceholder : public FileHelpers, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(CloudPlaceholder, CountsAsInUseWithoutBeingOpenedOrTouched) {
  const auto attributes = kAttrArchive | GetParam();
  disk.AddFile("C:\\CLOUD\\PHOTO.JPG", "x", attributes);
  context.deleteWriteProtected = true;
  EXPECT_TRUE(IsFileInUse(context, "C:\\CLOUD\\PHOTO.JPG"));
  DeleteJunkFile(context, "C:\\CLOUD\\PHOTO.JPG");
  EXPECT_EQ(files.exclusiveOpens, 0);
  EXPECT_TRUE(files.attributeWrites.empty());
  EXPECT_EQ(ShellCalls(), 0);
  EXPECT_EQ(disk.AttributesOf("C:\\CLOUD\\PHOTO.JPG"), attributes);
}

INSTANTIATE_TEST_SUITE_P(FileHelpers, CloudPlaceholder,
                         ::testing::Values(kAttrOffline, kAttrRecallOnOpen,
                                           kAttrRecallOnDataAccess));

// ------------------------------------------------------------- drive test

struct DriveCase {
  FsError listError;
  bool available;
};

class DriveAvailability : public FileHelpers, public ::testing::WithParamInterface<DriveCase> {};

TEST_P(DriveAvailability, OnlyAMissingDriveOrMediumMakesItUnavailable) {
  files.listError = GetParam().listError;
  EXPECT_EQ(IsDriveAvailable(files, "C:\\"), GetParam().available);
}

INSTANTIATE_TEST_SUITE_P(FileHelpers, DriveAvailability,
                         ::testing::Values(DriveCase{FsError::None, true},
                                           DriveCase{FsError::FileNotFound, true},
                                           DriveCase{FsError::PathNotFound, false},
                                           DriveCase{FsError::DeviceNotReady, false},
                                           DriveCase{FsError::AccessDenied, true},
                                           DriveCase{FsError::SharingViolation, true},
                                           DriveCase{FsError::Other, true}));

TEST_F(FileHelpers, DriveTestOnTheMemoryDisks) {
  disk.AddDrive('E', kDriveCdRom);
  disk.FailPath("E:\\", FsError::DeviceNotReady);
  EXPECT_TRUE(IsDriveAvailable(disk, "C:\\"));
  EXPECT_FALSE(IsDriveAvailable(disk, "E:\\"));
  EXPECT_FALSE(IsDriveAvailable(disk, "Q:\\"));
}

// ------------------------------------------------------------ folder walks

// C:\T with own files, nested folders, a junction whose target content shows
// through it, a folder whose name begins with "." and an excluded file.
class FolderWalks : public FileHelpers {
 protected:
  void SetUp() override {
    disk.AddFile("C:\\T\\A.TMP", "aa");
    disk.AddFolder("C:\\T\\SUB1");
    disk.AddFile("C:\\T\\SUB1\\DEEP\\C.TMP", "cccc");
    disk.AddFile("C:\\T\\SUB1\\B.TMP", "bbb");
    disk.AddFile("C:\\T\\SUB1\\Keep.dat", "k");
    disk.AddFile("C:\\T\\Z.TMP", "z");
    disk.AddFolder("C:\\T\\LINK", kAttrDirectory | kAttrReparsePoint);
    disk.AddFile("C:\\T\\LINK\\ELSEWHERE.DOC", "precious");
    disk.AddFile("C:\\T\\.CACHE\\D.TMP", "d");
    disk.AddFolder("C:\\T\\SUB2\\EMPTY");
    disk.AddFolder("C:\\T\\RO", kAttrDirectory | kAttrReadOnly);
    disk.AddFile("C:\\TFILE.DOC", "sibling");
    excludedFiles.Append("c:\\t\\sub1\\KEEP.DAT");
    context.isExcludedFile = [this](std::string_view path) { return excludedFiles.Contains(path); };
  }

  ExclusionList excludedFiles{memory.shell};
};

TEST_F(FolderWalks, CollectsOwnFilesFirstThenSubfoldersDepthFirst) {
  std::vector<std::string> paths{"C:\\BEFORE.TXT"};
  CollectFiles(context, "C:\\T", paths);
  EXPECT_EQ(paths, (std::vector<std::string>{"C:\\BEFORE.TXT", "C:\\T\\A.TMP", "C:\\T\\Z.TMP",
                                             "C:\\T\\SUB1\\B.TMP", "C:\\T\\SUB1\\DEEP\\C.TMP"}));
}

TEST_F(FolderWalks, SizeSkipsJunctionsAndDotFoldersAndAddsIn64Bits) {
  disk.AddFile("C:\\T\\SUB2\\IMAGE1.ISO");
  disk.SetListedSize("C:\\T\\SUB2\\IMAGE1.ISO", 5 * kGiB);
  disk.AddFile("C:\\T\\IMAGE2.ISO");
  disk.SetListedSize("C:\\T\\IMAGE2.ISO", 3 * kGiB + 1);
  disk.SetListedSize("C:\\T\\LINK\\ELSEWHERE.DOC", 7 * kGiB);
  std::uint64_t total = 5;
  FolderSize(files, "C:\\T\\", total);
  EXPECT_EQ(total, 5 + 2 + 1 + 3 + 4 + 1 + 5 * kGiB + 3 * kGiB + 1);
}

TEST_F(FolderWalks, DeleteFolderTreeKeepsExcludedFileAndLinkWithTheFoldersAbove) {
  DeleteFolderTree(context, "C:\\T");
  EXPECT_EQ(memory.shell.RecycledPaths(),
            (std::vector<std::string>{"C:\\T\\A.TMP", "C:\\T\\Z.TMP", "C:\\T\\SUB1\\B.TMP",
                                      "C:\\T\\SUB1\\DEEP\\C.TMP"}));
  EXPECT_TRUE(IsThere("C:\\T\\SUB1\\Keep.dat"));
  EXPECT_TRUE(IsThere("C:\\T\\LINK\\ELSEWHERE.DOC"));
  EXPECT_TRUE(IsThere("C:\\T\\.CACHE\\D.TMP"));
  EXPECT_TRUE(IsThere("C:\\TFILE.DOC"));
  EXPECT_FALSE(FolderIsThere("C:\\T\\SUB1\\DEEP"));
  EXPECT_FALSE(FolderIsThere("C:\\T\\SUB2"));
  EXPECT_FALSE(FolderIsThere("C:\\T\\RO"));
  EXPECT_TRUE(FolderIsThere("C:\\T\\SUB1"));
  EXPECT_EQ(disk.AttributesOf("C:\\T\\LINK"), kAttrDirectory | kAttrReparsePoint);
}

TEST_F(FolderWalks, FolderThatStaysKeepsItsAttributes) {
  disk.AddFolder("C:\\T\\SUB1", kAttrDirectory | kAttrHidden | kAttrReadOnly);
  DeleteFolderTree(context, "C:\\T");
  EXPECT_EQ(disk.AttributesOf("C:\\T\\SUB1"), kAttrDirectory | kAttrHidden | kAttrReadOnly);
}

TEST_F(FolderWalks, TreeWithNothingToKeepGoesEntirely) {
  DeleteFolderTree(context, "C:\\T\\SUB1");
  EXPECT_TRUE(FolderIsThere("C:\\T\\SUB1"));  // the excluded file holds it
  context.isExcludedFile = nullptr;
  DeleteFolderTree(context, "C:\\T\\SUB1");
  EXPECT_FALSE(FolderIsThere("C:\\T\\SUB1"));
  EXPECT_TRUE(FolderIsThere("C:\\T"));
}

TEST_F(FolderWalks, ReadOnlyFileHoldsItsFolderUnlessWriteProtectedFilesMayGo) {
  disk.AddFile("C:\\T\\SUB2\\RO.TMP", "r", kAttrReadOnly);
  DeleteFolderTree(context, "C:\\T\\SUB2");
  EXPECT_TRUE(IsThere("C:\\T\\SUB2\\RO.TMP"));
  EXPECT_FALSE(FolderIsThere("C:\\T\\SUB2\\EMPTY"));
  context.deleteWriteProtected = true;
  DeleteFolderTree(context, "C:\\T\\SUB2");
  EXPECT_FALSE(FolderIsThere("C:\\T\\SUB2"));
}

TEST_F(FolderWalks, TreeOperationsRefuseRootsRelativePathsAndJunctions) {
  context.isExcludedFile = nullptr;
  for (const char* folder :
       {"", "\\", "C:", "C:\\", "C:\\T\\..", "T", "..\\T", "C:\\T\\LINK", "\\\\SERVER\\SHARE"}) {
    DeleteFolderTree(context, folder);
    RemoveFolderTree(files, folder);
  }
  EXPECT_EQ(ShellCalls(), 0);
  EXPECT_TRUE(FolderIsThere("C:\\T\\SUB2\\EMPTY"));
  EXPECT_TRUE(FolderIsThere("C:\\T\\RO"));
  EXPECT_TRUE(FolderIsThere("C:\\T\\LINK"));
}

TEST_F(FolderWalks, RemoveFolderTreeRemovesOnlyEmptyFolders) {
  RemoveFolderTree(files, "C:\\T\\");
  EXPECT_FALSE(FolderIsThere("C:\\T\\SUB2"));
  EXPECT_FALSE(FolderIsThere("C:\\T\\RO"));
  EXPECT_TRUE(IsThere("C:\\T\\SUB1\\DEEP\\C.TMP"));
  EXPECT_TRUE(IsThere("C:\\T\\A.TMP"));
  EXPECT_EQ(ShellCalls(), 0);
}

}  // namespace
}  // namespace zent
