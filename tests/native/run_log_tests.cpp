// The run log on the in-memory platform: a whole pass with the real repair
// and junk sweep writes what it removed, left and where it stopped; the log
// keeps whole runs under its limit; a log that cannot be written changes
// nothing the run does.
#include "run/run_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run/registry_repair.h"
#include "run/run_driver.h"
#include "sweep/junk_sweep.h"
#include "tests/native/fake_exporter.h"
#include "tests/native/run_fixture.h"

namespace zent {
namespace {

using platform::MakeDwordValue;
using platform::MakeTextValue;
using platform::Presence;
using platform::RegRoot;
using Lines = std::vector<std::string>;

constexpr char kLog[] = "C:\\KZ\\BACKUP\\ZentRun.log";
// The memory file system stamps files Tuesday, 8 December 2026, 10:30.
constexpr char kDated[] = "C:\\KZ\\BACKUP\\Di081220261030.reg";
constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kTypeLib[] = "{00000000-0000-0000-0000-00000000DEAD}";
// Readable, but not writable: its removal is refused.
constexpr char kLockedApp[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\LOCKED.EXE";

Lines SplitLines(const std::string& text) {
  Lines lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const auto end = text.find("\r\n", at);
    lines.push_back(text.substr(at, end - at));
    at = end == std::string::npos ? text.size() : end + 2;
  }
  return lines;
}

// A pass with the main program's options: the ActiveX, autorun and App Paths
// "scans" find one entry each (the type library's export is refused, this
// user may not remove the App Paths key), the junk sweep
// walks C: for temporary files, and input comes while it walks C:\STOP.
struct LoggedRun : testing::RunFixture {
  LoggedRun() {
    state.ProductDirectory = "C:\\KZ";
    state.IsWinNT = true;
    state.UnattendedMode = true;
    memory.files.AddFolder("C:\\KZ");
    for (const char* option : {"CUSTOM-REG", "REG-AUTORUN", "REG-ACTIVEX", "REG-APPS",
                               "CUSTOM-FILES", "FILES-TMP", "DRIVE_C"}) {
      Set(RegRoot::LocalMachine, std::string(kOptionsKey), option, MakeDwordValue(1));
    }
    Set(RegRoot::LocalMachine, kRunKey, "Ghost", MakeTextValue("C:\\GONE\\GHOST.EXE"));
    Set(RegRoot::ClassesRoot, std::string("TypeLib\\") + kTypeLib, "", MakeTextValue("lib"));
    Set(RegRoot::LocalMachine, kLockedApp, "", MakeTextValue("C:\\GONE\\LOCKED.EXE"));
    memory.registry.SetReadOnly(RegRoot::LocalMachine, kLockedApp, true);
    memory.launcher.onRun = [this](std::string_view command) {
      return command.find("TypeLib") == std::string_view::npos &&
             testing::FakeRegedit(memory, command);
    };
    memory.files.AddFile("C:\\JUNK\\A.TMP", "a");
    memory.files.AddFile("C:\\JUNK\\B.TMP", "b");
    memory.files.AddFolder("C:\\STOP");
    memory.pump.onPump = [this](int) {
      if (statusLabel == "C:\\STOP\\") state.AbortRequested = true;
    };
    steps.scans[5] = [this] { Found(5, {"Ghost", "C:\\GONE\\GHOST.EXE", kRunKey, ""}); };
    steps.scans[2] = [this] { Found(2, {"lib", "C:\\GONE\\LIB.TLB", kTypeLib, ""}); };
    steps.scans[9] = [this] { Found(9, {"LOCKED.EXE", "C:\\GONE\\LOCKED.EXE", "", ""}); };
    steps.repair = [this] { repair.Repair(); };
    steps.junkSweep = [this] { SweepJunkFiles(run, shellLink); };
  }

  void Found(int index, Finding finding) {
    CategoryItem& item = categories.Add(index, "scan");
    item.category.CreateLists();
    item.category.Record(std::move(finding));
    item.category.SetAllFlags(1);
  }

  void Pass(RunJournal* journal) {
    run.journal = journal;
    RunCleaningPass(run, {.mainProgram = true}, steps);
  }

  Lines LogLines() { return SplitLines(memory.files.Content(kLog).value_or("")); }

  RegistryRepair repair{run};
  TShellLink shellLink{memory.links};
  CleaningSteps steps;
};

TEST(RunLogTest, APassLogsWhatItRemovedWhereTheBackupIsWhatItLeftAndWhereInputStoppedIt) {
  LoggedRun r;
  const auto held = r.memory.files.OpenExclusive("C:\\JUNK\\B.TMP");
  RunLog log(r.memory.files, r.memory.clock, r.repair.BackupDirectory());
  r.Pass(&log);

  ASSERT_TRUE(r.memory.files.Content(kLog).value_or("").starts_with("\xEF\xBB\xBF"));
  const Lines expected = {
      "\xEF\xBB\xBF=== ZentSaver run started 2026-12-08 10:30:00 ===",
      "backup folder: C:\\KZ\\BACKUP",
      "options: the main program's options",
      "left alone key HKEY_CLASSES_ROOT\\TypeLib\\" + std::string(kTypeLib) +
          ": its backup failed: the key could not be exported into the backup",
      "exporter: the registry editor C:\\WINDOWS\\regedit.exe",
      "removed value \"Ghost\" in HKEY_LOCAL_MACHINE\\" + std::string(kRunKey) +
          " - backup: 1.reg #1",
      "left alone key HKEY_LOCAL_MACHINE\\" + std::string(kLockedApp) +
          ": needs administrator rights",
      "backup 1.reg #1 saved as " + std::string(kDated) +
          ": it restores the entries marked \"1.reg #1\"",
      "recycled C:\\JUNK\\A.TMP (temporary files)",
      "left alone C:\\JUNK\\B.TMP (temporary files): in use",
      "aborted by input during the junk-file sweep",
      "registry type libraries (ActiveX): found 1 (1 selected), removed 0, left alone 1",
      "registry autorun entries: found 1 (1 selected), removed 1, left alone 0",
      "registry application paths: found 1 (1 selected), removed 0, left alone 1 (1 needs "
      "administrator rights)",
      "files temporary files: found 1, recycled 1, left alone 1",
      "ended 2026-12-08 10:30:00 (aborted by input)",
  };
  EXPECT_EQ(r.LogLines(), expected);
  // What the log says is so.
  const auto dated = r.memory.files.Content(kDated);
  ASSERT_TRUE(dated.has_value());
  EXPECT_NE(Utf16LeToUtf8(*dated).find("\"Ghost\""), std::string::npos);
  EXPECT_FALSE(r.memory.registry.Value(RegRoot::LocalMachine, kRunKey, "Ghost").has_value());
  EXPECT_EQ(r.memory.shell.RecycledPaths(), Lines{"C:\\JUNK\\A.TMP"});
  EXPECT_TRUE(r.memory.registry.KeyExists(RegRoot::LocalMachine, kLockedApp));
}

TEST(RunLogTest, ALogThatCannotBeWrittenChangesNothingTheRunDoes) {
  LoggedRun quiet;
  quiet.Pass(nullptr);

  LoggedRun r;
  const std::string earlier = "\xEF\xBB\xBF=== ZentSaver run started earlier ===\r\nended\r\n";
  r.memory.files.AddFolder("C:\\KZ\\BACKUP");
  r.memory.files.AddFile(kLog, earlier);
  r.memory.files.FailPath(kLog, platform::FsError::AccessDenied);
  RunLog log(r.memory.files, r.memory.clock, r.repair.BackupDirectory());
  r.Pass(&log);
  r.memory.files.ClearFailures();

  EXPECT_EQ(r.memory.files.Content(kLog), earlier);
  EXPECT_EQ(r.memory.shell.RecycledPaths(), quiet.memory.shell.RecycledPaths());
  EXPECT_EQ(r.memory.files.Content(kDated), quiet.memory.files.Content(kDated));
  EXPECT_EQ(
      r.memory.registry.KeyExists(RegRoot::ClassesRoot, std::string("TypeLib\\") + kTypeLib),
      quiet.memory.registry.KeyExists(RegRoot::ClassesRoot, std::string("TypeLib\\") + kTypeLib));
  EXPECT_EQ(r.memory.registry.Value(RegRoot::LocalMachine, kRunKey, "Ghost").has_value(),
            quiet.memory.registry.Value(RegRoot::LocalMachine, kRunKey, "Ghost").has_value());
}

TEST(RunLogTest, LinesThatCouldNotBeWrittenAreCountedInTheRunsOwnBlock) {
  LoggedRun r;
  const auto repair = r.steps.repair;
  r.steps.repair = [&] {
    r.memory.files.FailPath(kLog, platform::FsError::AccessDenied);
    repair();
    r.memory.files.ClearFailures();
  };
  RunLog log(r.memory.files, r.memory.clock, r.repair.BackupDirectory());
  r.Pass(&log);

  const Lines lines = r.LogLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[2], "options: the main program's options");
  EXPECT_EQ(lines[3], "5 lines of this run could not be written here");
  EXPECT_EQ(lines[4], "recycled C:\\JUNK\\A.TMP (temporary files)");
}

TEST(RunLogTest, TheOldestRunsGoWholeOnceTheLogOutgrowsItsLimit) {
  constexpr std::size_t kLimit = 2600;
  LoggedRun r;
  for (int pass = 1; pass <= 6; ++pass) {
    r.memory.clock.now.minute = pass;
    r.state.AbortRequested = false;
    r.memory.files.AddFile("C:\\JUNK\\A.TMP", std::string(static_cast<std::size_t>(pass), 'a'));
    RunLog log(r.memory.files, r.memory.clock, r.repair.BackupDirectory(), kLimit);
    r.Pass(&log);
    const std::string content = r.memory.files.Content(kLog).value_or("");
    EXPECT_LE(content.size(), kLimit) << "after pass " << pass;
    const Lines lines = SplitLines(content);
    ASSERT_FALSE(lines.empty());
    // Whole runs only, oldest first, and always this pass's.
    EXPECT_TRUE(lines.front().starts_with("\xEF\xBB\xBF" + std::string(kRunLogHeader)));
    EXPECT_TRUE(lines.back().starts_with("ended 2026-12-08 10:0" + std::to_string(pass)));
    std::size_t headers = 0, ends = 0;
    for (const auto& line : lines) {
      headers += line.find(kRunLogHeader) != std::string::npos;
      ends += line.starts_with("ended ");
    }
    EXPECT_EQ(headers, ends) << content;
    // Two runs fit: the one before this pass's is the oldest left.
    const int oldest = pass > 1 ? pass - 1 : pass;
    EXPECT_NE(lines.front().find("10:0" + std::to_string(oldest)), std::string::npos) << content;
  }
}

TEST(RunLogText, OneLineAndWholeRuns) {
  const std::string h = std::string(kRunLogHeader);
  const std::string run1 = h + "1 ===\r\nended\r\n";
  const std::string run2 = h + "2 ===\r\nx " + h + "\r\nended\r\n";
  const std::string run3 = h + "3 ===\r\nended\r\n";
  struct Case {
    const char* label;
    std::string log;
    std::size_t limit;
    bool keepLast;
    std::string kept;
  };
  const Case cases[] = {
      {"under the limit", run1 + run2, 1000, false, run1 + run2},
      {"oldest whole run goes", run1 + run2 + run3, (run2 + run3).size(), true, run2 + run3},
      {"a header inside a line is no run", run1 + run2, run2.size(), true, run2},
      {"the last run stays", run1 + run2, 10, true, run2},
      {"all may go at a start", run1 + run2, 10, false, ""},
      {"foreign text first", "junk\r\n" + run1, run1.size(), true, run1},
      {"mark kept", "\xEF\xBB\xBF" + run1 + run3, run3.size() + 3, true, "\xEF\xBB\xBF" + run3},
      {"no header: untouched", std::string(50, 'x'), 10, true, std::string(50, 'x')},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DropOldestRuns(c.log, c.limit, c.keepLast), c.kept) << c.label;
  }
  EXPECT_EQ(OneLogLine("Evil\r\n" + h + "\x7F\xFF\tok \xC3\xA4"), "Evil??" + h + "???ok \xC3\xA4");
}

}  // namespace
}  // namespace zent
