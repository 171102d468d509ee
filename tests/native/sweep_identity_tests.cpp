// The junk-file sweep on a disk that holds links, second names of files,
// twins whose names differ only by a trailing blank or dot, short names and
// mapped drives: what it must leave exactly as it was.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sweep/junk_sweep.h"
#include "sweep/sweep_guards.h"
#include "tests/native/run_fixture.h"

namespace zent {
namespace {

using namespace platform;  // attribute constants

class HostileDisk;

struct HostileCase {
  const char* name;
  std::function<void(HostileDisk&)> plant;
  const char* mustStay;                       // with its content and attributes
  std::optional<std::uint32_t> attributes{};  // as planted when unset
};

class HostileDisk : public ::testing::TestWithParam<HostileCase>, public testing::RunFixture {
 public:
  HostileDisk() {
    memory.files.AddDrive('D', kDriveFixed);
    state.SweepDrives[2] = 1;
    state.UnattendedMode = true;
    for (const auto& definition : kSwitchTable) state.Switches.Set(definition.which, true);
  }
  TShellLink shellLink{memory.links};
};

const HostileCase kHostileCases[] = {
    {"SymbolicLinkNamedAsJunk",
     [](HostileDisk& t) {
       t.memory.files.AddFile("D:\\DOCS\\REPORT.DOC", "report");
       t.memory.files.AddSymbolicLink("C:\\JUNK\\X.TMP", "D:\\DOCS\\REPORT.DOC");
     },
     "D:\\DOCS\\REPORT.DOC"},
    {"FolderSymbolicLinkInATempFolder",
     [](HostileDisk& t) {
       t.memory.files.AddFile("D:\\ELSE\\B.TXT", "elsewhere");
       t.memory.files.AddFile("C:\\JUNK\\~T\\A.TXT", "junk");
       t.memory.files.AddSymbolicLink("C:\\JUNK\\~T\\LINKED", "D:\\ELSE");
     },
     "D:\\ELSE\\B.TXT"},
    {"HardLinkOfAHiddenSystemKeeper",
     [](HostileDisk& t) {
       t.memory.files.AddFile("C:\\KEEP\\KEEPER.SYS", "keeper", kAttrHidden | kAttrSystem);
       t.memory.files.AddHardLink("C:\\JUNK\\KEEPER.TMP", "C:\\KEEP\\KEEPER.SYS");
     },
     "C:\\KEEP\\KEEPER.SYS", kAttrHidden | kAttrSystem},
    {"ExcludedFolderReachedThroughAMappedDrive",
     [](HostileDisk& t) {
       t.memory.files.AddFile("D:\\SUB\\~KEEPA\\A.TXT", "kept");
       t.memory.files.MapDrive('Y', "D:\\SUB");
       t.state.SweepDrives[24] = 1;
       t.state.ExcludedDirs.Append("D:\\SUB\\~KEEPA");
     },
     "D:\\SUB\\~KEEPA\\A.TXT"},
    {"TrailingBlankTwinOfAnExcludedFile",
     [](HostileDisk& t) {
       t.memory.files.AddFile("C:\\JUNK\\~KEEPME", "kept");
       t.memory.files.AddFile("\\\\?\\C:\\JUNK\\~KEEPME ", "twin");
       t.state.ExcludedFiles.Append("C:\\JUNK\\~KEEPME");
     },
     "C:\\JUNK\\~KEEPME"},
    {"TrailingDotTwinOfAnExcludedTempFolder",
     [](HostileDisk& t) {
       t.memory.files.AddFile("C:\\JUNK\\~TMPDIR\\KEEP.TXT", "kept");
       t.memory.files.AddFile("\\\\?\\C:\\JUNK\\~TMPDIR.\\GO.TXT", "twin");
       t.state.ExcludedDirs.Append("C:\\JUNK\\~TMPDIR");
     },
     "C:\\JUNK\\~TMPDIR\\KEEP.TXT"},
    {"PendingRenameWrittenWithShortNames",
     [](HostileDisk& t) {
       t.memory.files.AddFile("C:\\LONGFOLDER\\PENDING.TMP", "renamed at the next start");
       t.memory.files.SetShortName("C:\\LONGFOLDER", "LONGFO~1");
       t.memory.registry.SetValue(
           RegRoot::LocalMachine, kSessionManagerKey, "PendingFileRenameOperations",
           {kRegMultiSz, std::string("\\??\\C:\\LONGFO~1\\PENDING.TMP") + std::string(2, '\0')});
     },
     "C:\\LONGFOLDER\\PENDING.TMP"},
};

TEST_P(HostileDisk, SweepLeavesWhatOnlyLooksLikeJunk) {
  const HostileCase& c = GetParam();
  c.plant(*this);
  const auto content = memory.files.Content(c.mustStay);
  const auto attributes = c.attributes ? c.attributes : memory.files.AttributesOf(c.mustStay);

  SweepJunkFiles(run, shellLink);

  EXPECT_EQ(memory.files.Content(c.mustStay), content);
  EXPECT_EQ(memory.files.AttributesOf(c.mustStay), attributes);
  for (const auto& recycled : memory.shell.RecycledPaths()) EXPECT_NE(recycled, c.mustStay);
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileDisk, ::testing::ValuesIn(kHostileCases),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace zent
