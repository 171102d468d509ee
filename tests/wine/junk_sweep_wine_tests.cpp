// The junk-file walk on real files: a planted tree with junk and keepers,
// shortcuts written by the shell's own link object, a file held open, a
// read-only junk file, and junk behind a symbolic link that must survive.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/path_helpers.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_links.h"
#include "run/findings.h"
#include "run/run_context.h"
#include "sweep/junk_sweep.h"
#include "tests/both/test_platform.h"

namespace zent {
namespace {

using platform::Presence;

TEST(JunkSweepOnWine, OnlyThePlantedJunkGoes) {
  platform::Platform& system = testing::TestPlatform();
  const char* holderVariable = std::getenv("ZENT_LINK_HOLDER");
  ASSERT_NE(holderVariable, nullptr) << "the sandbox made no folder holding a link";
  const std::string holder = holderVariable;
  const std::string root = testing::NewTestFolder();
  const win32::ComApartment com;
  ASSERT_TRUE(com.ok());

  const auto plant = [&](const std::string& name, std::string_view content = "x") {
    ASSERT_TRUE(system.files.WriteWhole(root + name, content)) << name;
  };
  system.files.CreateFolders(root + "SUB");
  for (const char* junk : {"A.TMP", "B.BAK", "X.~DF", "FILE0000.CHK", "SUB\\C.$$$"}) plant(junk);
  for (const char* keeper : {"KEEP.TXT", "edb.chk", "X.~ABC", "HELD.TMP", "RO.TMP"}) plant(keeper);
  plant("APP.EXE");
  ASSERT_TRUE(system.files.SetAttributes(root + "RO.TMP", platform::kAttrReadOnly));
  ASSERT_TRUE(win32::SaveShellLink(root + "LIVE.LNK", root + "APP.EXE"));
  ASSERT_TRUE(win32::SaveShellLink(root + "DEAD.LNK", root + "GONE\\OLD.EXE"));
  plant("BROKEN.LNK", "not a link at all");
  ASSERT_TRUE(system.files.WriteWhole(holder + "\\link\\TRAP.TMP", "behind the link"));
  const auto held = system.files.OpenExclusive(root + "HELD.TMP");
  ASSERT_NE(held, nullptr);

  SaverRunState state(system.shell);
  state.UnattendedMode = true;
  for (const auto& definition : kSwitchTable) state.Switches.Set(definition.which, true);
  state.CheckDrives[*DriveIndex(root[0])] = 1;
  CategoryList categories;
  std::string status, item;
  RunContext run{system, state, categories, {}, status, item};
  win32::Win32ShellLinks links;
  TShellLink shellLink(links);
  JunkFileSweep sweep(run, shellLink);
  sweep.WalkFolder(root);
  sweep.WalkFolder(holder + "\\");

  for (const char* gone : {"A.TMP", "B.BAK", "X.~DF", "FILE0000.CHK", "SUB\\C.$$$", "DEAD.LNK"}) {
    EXPECT_EQ(system.files.FileExists(root + gone), Presence::Missing) << gone;
  }
  for (const char* kept : {"KEEP.TXT", "edb.chk", "X.~ABC", "HELD.TMP", "RO.TMP", "LIVE.LNK",
                           "BROKEN.LNK", "APP.EXE"}) {
    EXPECT_EQ(system.files.FileExists(root + kept), Presence::Present) << kept;
  }
  EXPECT_EQ(system.files.Attributes(root + "RO.TMP").attributes & platform::kAttrReadOnly,
            platform::kAttrReadOnly);
  EXPECT_EQ(system.files.ReadWhole(holder + "\\link\\TRAP.TMP"), "behind the link");
  if (const char* trash = std::getenv("ZENT_TRASH_DRIVE")) {
    EXPECT_EQ(system.files.FileExists(std::string(trash) + "\\files\\FILE0000.CHK"),
              Presence::Present);
  }
}

}  // namespace
}  // namespace zent
