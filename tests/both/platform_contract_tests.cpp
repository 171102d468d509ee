// Behaviour the core relies on, checked against whichever platform the test
// binary carries: the in-memory one natively, the Win32 one under Wine. Both
// must pass, which keeps the in-memory platform honest.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/both/test_platform.h"

namespace zent {
namespace {

using platform::FsError;
using platform::Presence;
using platform::RegAccess;
using platform::RegRoot;

platform::Platform& P() { return testing::TestPlatform(); }

TEST(RegistryContract, ValuesRoundTripInTheirOwnType) {
  const auto key = testing::NewTestKey();
  auto created = P().registry.Create(RegRoot::CurrentUser, key + "\\Sub");
  ASSERT_NE(created, nullptr);
  const std::vector<std::pair<std::string, platform::RegValue>> values = {
      {"", platform::MakeTextValue("default")},
      {"Text", platform::MakeTextValue("Grüße Ωμέγα 漢字")},
      {"Number", platform::MakeDwordValue(-5)},
      {"Bytes", platform::MakeBinaryValue(std::string("\x01\x02\x00\xFF\x10", 5))},
      {"Expand", {platform::kRegExpandSz, "%WINDIR%\\x"}},
      {"Ωname \"quoted\"", platform::MakeTextValue("")},
  };
  for (const auto& [name, value] : values) EXPECT_TRUE(created->SetValue(name, value)) << name;
  created.reset();

  auto opened = P().registry.Open(RegRoot::CurrentUser, key + "\\SUB", RegAccess::Read);
  ASSERT_NE(opened, nullptr);
  for (const auto& [name, value] : values) {
    const auto read = opened->QueryValue(name);
    ASSERT_TRUE(read.has_value()) << name;
    EXPECT_EQ(read->type, value.type) << name;
    EXPECT_EQ(read->data, value.data) << name;
  }
  EXPECT_FALSE(opened->QueryValue("Missing").has_value());
  EXPECT_EQ(opened->ValueNames().size(), values.size());
}

TEST(RegistryContract, KeysAreListedByNameAndDeletedOnlyWhenEmpty) {
  const auto key = testing::NewTestKey();
  for (const char* sub : {"beta", "Alpha", "gamma\\inner"}) {
    ASSERT_NE(P().registry.Create(RegRoot::CurrentUser, key + "\\" + sub), nullptr);
  }
  auto parent = P().registry.Open(RegRoot::CurrentUser, key, RegAccess::Full);
  ASSERT_NE(parent, nullptr);
  EXPECT_EQ(parent->SubkeyNames(), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
  EXPECT_FALSE(parent->DeleteSubkey("gamma"));
  EXPECT_TRUE(parent->DeleteSubkey("ALPHA"));
  EXPECT_FALSE(parent->DeleteSubkey("Alpha"));
  EXPECT_EQ(P().registry.Open(RegRoot::CurrentUser, key + "\\Alpha", RegAccess::Read), nullptr);
  EXPECT_NE(P().registry.Open(RegRoot::CurrentUser, key + "\\gamma\\INNER", RegAccess::Read),
            nullptr);
}

TEST(RegistryContract, ReadAccessCannotWrite) {
  const auto key = testing::NewTestKey();
  ASSERT_NE(P().registry.Create(RegRoot::CurrentUser, key), nullptr);
  auto readOnly = P().registry.Open(RegRoot::CurrentUser, key, RegAccess::Read);
  ASSERT_NE(readOnly, nullptr);
  EXPECT_FALSE(readOnly->SetValue("x", platform::MakeDwordValue(1)));
  EXPECT_FALSE(readOnly->QueryValue("x").has_value());
}

TEST(RegistryContract, LinksAreFollowedWhenOpenedAndToldApart) {
  const auto key = testing::NewTestKey();
  auto target = P().registry.Create(RegRoot::CurrentUser, key + "\\Target");
  ASSERT_NE(target, nullptr);
  ASSERT_TRUE(target->SetValue("V", platform::MakeTextValue("behind the link")));
  target.reset();
  testing::CreateLinkKey(key + "\\Link", key + "\\Target");

  EXPECT_TRUE(P().registry.IsLink(RegRoot::CurrentUser, key + "\\LINK"));
  for (const std::string& plain : {key, key + "\\Target", key + "\\Missing", std::string()}) {
    EXPECT_FALSE(P().registry.IsLink(RegRoot::CurrentUser, plain)) << plain;
  }
  auto parent = P().registry.Open(RegRoot::CurrentUser, key, RegAccess::Read);
  ASSERT_NE(parent, nullptr);
  EXPECT_EQ(parent->SubkeyNames(), (std::vector<std::string>{"Link", "Target"}));
  auto through = P().registry.Open(RegRoot::CurrentUser, key + "\\Link", RegAccess::Read);
  ASSERT_NE(through, nullptr);
  EXPECT_EQ(through->QueryValue("V"), platform::MakeTextValue("behind the link"));
}

std::vector<std::string> Names(const platform::Listing& listing) {
  std::vector<std::string> names;
  for (const auto& entry : listing.entries) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FileSystemContract, ListingFiltersByAttributeMask) {
  const auto folder = testing::NewTestFolder();
  auto& files = P().files;
  ASSERT_TRUE(files.WriteWhole(folder + "plain.txt", "12345"));
  ASSERT_TRUE(files.WriteWhole(folder + "hidden.txt", ""));
  ASSERT_TRUE(files.SetAttributes(folder + "hidden.txt", platform::kAttrHidden));
  ASSERT_TRUE(files.CreateFolders(folder + "sub"));

  const auto all = files.List(folder + "*.*", 0x3F);
  EXPECT_EQ(all.error, FsError::None);
  EXPECT_EQ(Names(all), (std::vector<std::string>{".", "..", "hidden.txt", "plain.txt", "sub"}));
  for (const auto& entry : all.entries) {
    if (entry.name == "plain.txt") {
      EXPECT_EQ(entry.size, 5u);
    }
    if (entry.name == "sub") {
      EXPECT_TRUE(entry.attributes & platform::kAttrDirectory);
    }
  }
  EXPECT_EQ(Names(files.List(folder + "*.*", 0)), (std::vector<std::string>{"plain.txt"}));
  EXPECT_EQ(Names(files.List(folder + "*.TXT", 0x3F)),
            (std::vector<std::string>{"hidden.txt", "plain.txt"}));
  EXPECT_EQ(files.List(folder + "nowhere\\*.*", 0x3F).error, FsError::PathNotFound);
}

TEST(FileSystemContract, ExistenceTellsFilesFromFolders) {
  const auto folder = testing::NewTestFolder();
  auto& files = P().files;
  ASSERT_TRUE(files.WriteWhole(folder + "Ωmega 漢字.txt", "x"));
  EXPECT_EQ(files.FileExists(folder + "ΩMEGA 漢字.TXT"), Presence::Present);
  EXPECT_EQ(files.FolderExists(folder + "Ωmega 漢字.txt"), Presence::Missing);
  EXPECT_EQ(files.FileExists(folder), Presence::Missing);
  EXPECT_EQ(files.FolderExists(folder), Presence::Present);
  EXPECT_EQ(files.FileExists(folder + "none.txt"), Presence::Missing);
  EXPECT_EQ(files.FileExists(folder + "no\\such\\file.txt"), Presence::Missing);
  const auto missing = files.Attributes(folder + "no\\file.txt");
  EXPECT_TRUE(platform::MeansNotThere(missing.error));
}

TEST(FileSystemContract, ExclusiveOpenLocksOthersOut) {
  const auto folder = testing::NewTestFolder();
  auto& files = P().files;
  const auto path = folder + "locked.dat";
  ASSERT_TRUE(files.WriteWhole(path, "data"));
  {
    auto held = files.OpenExclusive(path);
    ASSERT_NE(held, nullptr);
    FsError error = FsError::None;
    EXPECT_EQ(files.OpenExclusive(path, &error), nullptr);
    EXPECT_EQ(error, FsError::SharingViolation);
    EXPECT_FALSE(files.Delete(path));
    EXPECT_EQ(files.FileExists(path), Presence::Present);
  }
  EXPECT_NE(files.OpenExclusive(path), nullptr);
  FsError error = FsError::None;
  EXPECT_EQ(files.OpenExclusive(folder + "absent.dat", &error), nullptr);
  EXPECT_TRUE(platform::MeansNotThere(error));
}

TEST(FileSystemContract, AttributesAndReadOnlyFiles) {
  const auto folder = testing::NewTestFolder();
  auto& files = P().files;
  const auto path = folder + "ro.txt";
  ASSERT_TRUE(files.WriteWhole(path, "keep"));
  // Wine reports the archive bit on every file, Windows only where it is set:
  // the bits that matter are compared, not the whole word.
  ASSERT_TRUE(files.SetAttributes(path, platform::kAttrReadOnly | platform::kAttrHidden));
  EXPECT_EQ(files.Attributes(path).attributes & 0x17u,
            platform::kAttrReadOnly | platform::kAttrHidden);
  EXPECT_FALSE(files.Delete(path));
  EXPECT_EQ(files.OpenExclusive(path), nullptr);
  ASSERT_TRUE(files.SetAttributes(path, 0));
  EXPECT_EQ(files.Attributes(path).attributes & 0x17u, 0u);
  EXPECT_TRUE(files.Delete(path));
  EXPECT_EQ(files.FileExists(path), Presence::Missing);
}

TEST(FileSystemContract, WholeFilesAndRenames) {
  const auto folder = testing::NewTestFolder();
  auto& files = P().files;
  ASSERT_TRUE(files.WriteWhole(folder + "a.reg", std::string("one\r\ntwo\0\xFF", 10)));
  EXPECT_EQ(files.ReadWhole(folder + "a.reg"), std::string("one\r\ntwo\0\xFF", 10));
  EXPECT_EQ(files.ReadStart(folder + "a.reg", 5), "one\r\n");
  EXPECT_EQ(files.ReadStart(folder + "a.reg", 99), std::string("one\r\ntwo\0\xFF", 10));
  EXPECT_FALSE(files.ReadStart(folder + "none.reg", 5).has_value());
  ASSERT_TRUE(files.WriteWhole(folder + "b.reg", std::string("one\r\ntwo\0\xFF", 10)));
  EXPECT_FALSE(files.Rename(folder + "a.reg", folder + "b.reg"));
  ASSERT_TRUE(files.Rename(folder + "a.reg", folder + "c.reg"));
  EXPECT_EQ(files.FileExists(folder + "a.reg"), Presence::Missing);
  EXPECT_EQ(files.ReadWhole(folder + "c.reg"), files.ReadWhole(folder + "b.reg"));
  EXPECT_TRUE(files.LastWriteTime(folder + "c.reg").has_value());
  EXPECT_FALSE(files.ReadWhole(folder + "none.reg").has_value());
}

TEST(FileSystemContract, AppendWholeStartsOnlyAnEmptyFileAndAddsNothingWhenRefused) {
  const auto folder = testing::NewTestFolder();
  auto& files = P().files;
  ASSERT_TRUE(files.WriteWhole(folder + "a.reg", ""));
  ASSERT_TRUE(files.AppendWhole(folder + "a.reg", "one", "\xFF\xFE"));
  ASSERT_TRUE(files.AppendWhole(folder + "a.reg", "two", "\xFF\xFE"));
  EXPECT_EQ(files.ReadWhole(folder + "a.reg"), "\xFF\xFEonetwo");
  {
    const auto held = files.OpenExclusive(folder + "a.reg");
    ASSERT_NE(held, nullptr);
    EXPECT_FALSE(files.AppendWhole(folder + "a.reg", "three", ""));
  }
  EXPECT_EQ(files.ReadWhole(folder + "a.reg"), "\xFF\xFEonetwo");
}

TEST(FileSystemContract, FoldersAreMadeWithParentsAndRemovedWhenEmpty) {
  const auto folder = testing::NewTestFolder();
  auto& files = P().files;
  ASSERT_TRUE(files.CreateFolders(folder + "a\\b\\c"));
  EXPECT_FALSE(files.RemoveFolder(folder + "a\\b"));
  EXPECT_TRUE(files.RemoveFolder(folder + "a\\b\\c"));
  EXPECT_TRUE(files.RemoveFolder(folder + "a\\b"));
  EXPECT_EQ(files.FolderExists(folder + "a\\b"), Presence::Missing);
  EXPECT_EQ(files.FullPath(folder + "a\\..\\x.txt"), folder + "x.txt");
}

// Lookups one after the other in the same folder, in any letter case, also
// once the folder has been moved away and another one made in its place.
TEST(FileSystemContract, FilesAreFoundThroughAMovedOrRemadeFolder) {
  const auto folder = testing::NewTestFolder();
  auto& files = P().files;
  ASSERT_TRUE(files.CreateFolders(folder + "Grüne"));
  ASSERT_TRUE(files.WriteWhole(folder + "Grüne\\äpfel.txt", "old"));
  EXPECT_EQ(files.ReadWhole(folder + "GRÜNE\\ÄPFEL.TXT"), "old");
  EXPECT_EQ(files.FileExists(folder + "grüne\\Äpfel.txt"), Presence::Present);
  ASSERT_TRUE(files.Rename(folder + "Grüne", folder + "Moved"));
  EXPECT_EQ(files.FileExists(folder + "Grüne\\äpfel.txt"), Presence::Missing);
  EXPECT_EQ(files.ReadWhole(folder + "MOVED\\ÄPFEL.TXT"), "old");
  ASSERT_TRUE(files.CreateFolders(folder + "Grüne"));
  ASSERT_TRUE(files.WriteWhole(folder + "Grüne\\äpfel.txt", "new"));
  EXPECT_EQ(files.ReadWhole(folder + "GRÜNE\\äpfel.txt"), "new");
  EXPECT_EQ(files.ReadWhole(folder + "Moved\\äpfel.txt"), "old");
}

// "\NAME" is NAME at the root of the current drive.
TEST(FileSystemContract, PathWithoutADriveStartsAtTheCurrentDrivesRoot) {
  auto& files = P().files;
  const std::string path = "\\zent-contract-root.txt";
  const auto full = files.FullPath(path);
  ASSERT_TRUE(full.has_value());
  ASSERT_EQ(full->substr(1), ":" + path);
  ASSERT_TRUE(files.WriteWhole(*full, "at the root"));
  EXPECT_EQ(files.FileExists(path), Presence::Present);
  EXPECT_EQ(files.ReadWhole(path), "at the root");
  EXPECT_TRUE(files.Delete(path));
  EXPECT_EQ(files.FileExists(*full), Presence::Missing);
}

// A name with a trailing blank is another file, reached only by its exact
// name; every spelling of a path resolves to the one real long path.
TEST(FileSystemContract, ExactNamesAndResolvedPaths) {
  const auto folder = testing::NewTestFolder();
  auto& files = P().files;
  ASSERT_TRUE(files.CreateFolders(folder + "Sub"));
  ASSERT_TRUE(files.WriteWhole(folder + "Plain.txt", "plain"));
  ASSERT_TRUE(files.WriteWhole(platform::ExactName(folder + "Plain.txt "), "twin"));
  EXPECT_EQ(files.ReadWhole(folder + "Plain.txt "), "plain");
  EXPECT_EQ(files.ReadWhole(platform::ExactName(folder + "Plain.txt ")), "twin");

  const auto real = files.ResolvedPath(folder + "Plain.txt");
  ASSERT_TRUE(real.has_value());
  EXPECT_TRUE(real->ends_with("\\Plain.txt")) << *real;
  for (const auto& spelling :
       {folder + "Sub\\..\\Plain.txt", folder + ".\\PLAIN.TXT.", folder + "Sub\\\\..\\Plain.txt"}) {
    EXPECT_EQ(files.ResolvedPath(spelling), real) << spelling;
  }
  EXPECT_EQ(files.ResolvedPath(folder + "Missing.txt"), std::nullopt);

  const auto twin = files.Identity(platform::ExactName(folder + "Plain.txt "));
  ASSERT_TRUE(twin.has_value());
  // Wine gives the twin's final path without its trailing blank; the sweeps
  // then take the twin for a name that leads elsewhere and leave it.
  EXPECT_TRUE(twin->finalPath == *real + " " || twin->finalPath == *real) << twin->finalPath;
  EXPECT_FALSE(twin->isLink);
  EXPECT_EQ(twin->linkCount, 1u);
}

TEST(FileSystemContract, PathsLongerThanMaxPathWorkInFull) {
  const auto folder = testing::NewTestFolder();
  auto& files = P().files;
  std::string deep = folder;
  for (int i = 0; i < 6; ++i) deep += std::string(50, static_cast<char>('a' + i)) + "\\";
  ASSERT_TRUE(files.CreateFolders(deep));
  const auto path = deep + "long name.txt";
  ASSERT_GT(path.size(), 300u);
  ASSERT_TRUE(files.WriteWhole(path, "deep"));
  EXPECT_EQ(files.FileExists(path), Presence::Present);
  EXPECT_EQ(Names(files.List(deep + "*.*", 0x3F)),
            (std::vector<std::string>{".", "..", "long name.txt"}));
  EXPECT_EQ(files.FileExists(path.substr(0, path.size() - 4)), Presence::Missing);
  EXPECT_TRUE(files.Delete(path));
}

TEST(ShellContract, UpperCaseAndEnvironment) {
  auto& shell = P().shell;
  EXPECT_EQ(shell.UpperCase("c:\\windows\\äöü ωμεγα x.exe"), "C:\\WINDOWS\\ÄÖÜ ΩΜΕΓΑ X.EXE");
  EXPECT_EQ(shell.ExpandEnvironment("%ZENT_NO_SUCH_VARIABLE%\\a"), "%ZENT_NO_SUCH_VARIABLE%\\a");
  const auto windows = P().system.WindowsDirectory();
  EXPECT_EQ(shell.UpperCase(shell.ExpandEnvironment("%windir%\\x")),
            shell.UpperCase(windows + "\\x"));
  EXPECT_EQ(shell.ExpandEnvironment("100%"), "100%");
}

TEST(ShellContract, RecyclingTakesTheFileAway) {
  const auto folder = testing::NewTestFolder();
  const auto path = folder + "junk.tmp";
  ASSERT_TRUE(P().files.WriteWhole(path, "junk"));
  EXPECT_EQ(P().shell.MoveToRecycleBin(path), platform::RecycleOutcome::Recycled);
  EXPECT_EQ(P().files.FileExists(path), Presence::Missing);
  EXPECT_EQ(P().shell.MoveToRecycleBin(folder + "*.tmp"), platform::RecycleOutcome::Refused);
}

}  // namespace
}  // namespace zent
