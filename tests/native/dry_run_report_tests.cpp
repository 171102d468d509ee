#include "app/report/dry_run_report.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/memory/memory_platform.h"
#include "regscan/list_scans.h"
#include "regscan/program_scans.h"
#include "ui/settings.h"

namespace zent::report {
namespace {

using platform::MakeDwordValue;
using platform::MakeTextValue;
using platform::RegRoot;

void SnapshotKey(platform::Registry& registry, RegRoot root, const std::string& path,
                 std::vector<std::string>& rows) {
  const auto key = registry.Open(root, path, platform::RegAccess::Read);
  if (!key) return;
  for (const std::string& name : key->ValueNames()) {
    const auto value = key->QueryStoredValue(name);
    rows.push_back(path + "|" + name + "|" + std::to_string(value->type) + ":" + value->data);
  }
  for (const std::string& sub : key->SubkeyNames()) {
    rows.push_back(path + "\\" + sub);
    SnapshotKey(registry, root, path.empty() ? sub : path + "\\" + sub, rows);
  }
}

void SnapshotFolder(memory::MemoryFileSystem& files, const std::string& folder,
                    std::vector<std::string>& rows) {
  for (const platform::DirEntry& entry : files.List(folder + "*.*", 0x3F).entries) {
    if (entry.name == "." || entry.name == "..") continue;
    const std::string path = folder + entry.name;
    rows.push_back(path + "|" + std::to_string(entry.attributes) + "|" +
                   files.Content(path).value_or(""));
    if (entry.attributes & platform::kAttrDirectory) SnapshotFolder(files, path + "\\", rows);
  }
}

std::vector<std::string> Snapshot(memory::MemoryPlatform& memory) {
  std::vector<std::string> rows;
  for (const RegRoot root : {RegRoot::ClassesRoot, RegRoot::CurrentUser, RegRoot::LocalMachine,
                             RegRoot::Users, RegRoot::CurrentConfig}) {
    SnapshotKey(memory.registry, root, "", rows);
  }
  for (const std::string& drive : memory.files.Drives()) SnapshotFolder(memory.files, drive, rows);
  return rows;
}

constexpr const char* kEscapedHelp = "q\"u\\\xC3\xB6\x01.hlp";

// A machine with the main program's options, orphaned registry entries,
// junk files and, beside each, something that must stay.
class DryRunReport : public ::testing::Test {
 protected:
  DryRunReport() {
    SetOptions(memory.registry);
    const std::string help(kHelpFilesKey), fonts(kFontsKey), autorun(kAutorunKey);
    Set(help, "gone.hlp", MakeTextValue("C:\\GONE"));
    Set(help, kEscapedHelp, MakeTextValue("C:\\GONE"));
    Set(help, "there.hlp", MakeTextValue("C:\\APP"));
    Set(fonts, "Own gone", MakeTextValue("C:\\APP\\GONE.TTF"));
    Set(fonts, "Own font", MakeTextValue("C:\\APP\\FONT.TTF"));
    Set(autorun, "GoneRun", MakeTextValue("C:\\GONE\\RUN.EXE -x"));
    Set(autorun, "HereRun", MakeTextValue("C:\\APP\\HERE.EXE"));
    for (const char* file :
         {"C:\\APP\\there.hlp", "C:\\APP\\FONT.TTF", "C:\\APP\\HERE.EXE", "C:\\JUNK\\A.TMP",
          "C:\\JUNK\\OLD.BAK", "C:\\JUNK\\~TMPDIR\\IN.TXT", "C:\\JUNK\\KEEP.TXT"}) {
      memory.files.AddFile(file, "x");
    }
    memory.files.AddFile("C:\\JUNK\\RO.TMP", "x", platform::kAttrReadOnly);
  }

  static void SetOptions(memory::MemoryRegistry& registry) {
    for (const char* option :
         {"CUSTOM-REG", "REG-HELPS", "REG-FONTS", "REG-AUTORUN", "CUSTOM-FILES", "FILES-TMP",
          "FILES-BAK", "CUSTOM-TMPFOLDERS", "DRIVE_C", "CHECKDRIVE_C"}) {
      registry.SetValue(RegRoot::LocalMachine, kOptionsKey, option, MakeDwordValue(1));
    }
  }

  void Set(const std::string& key, std::string_view name, platform::RegValue value) {
    memory.registry.SetValue(RegRoot::LocalMachine, key, name, std::move(value));
  }

  std::set<std::string> ListedForRemoval(const DryRun& run) {
    std::set<std::string> names;
    for (std::size_t item = 0; item < run.Categories().Count(); ++item) {
      const FindingCategory& category = run.Categories().Item(item).category;
      for (std::size_t i = 0; i < category.EntryCount(); ++i) {
        if (run.FateOf(item, i) == Fate::Removed) names.insert(category.EntryNames()[i]);
      }
    }
    return names;
  }

  DryRun MakeRun() {
    return DryRun(memory.platform(), memory.links,
                  [this](int id) { return memory.resources.LoadText(id); });
  }

  memory::MemoryPlatform memory;
};

TEST_F(DryRunReport, WholePassChangesNothingAndListsWhatARunWouldRemove) {
  const auto before = Snapshot(memory);
  DryRun run(memory.platform(), memory.links, {});
  ReportRequest request;
  request.source = OptionSource::MainProgram;
  ASSERT_EQ(run.Prepare(request).exitCode, kExitComplete);

  ASSERT_TRUE(run.Run(run.Steps())) << run.Failure();

  EXPECT_EQ(Snapshot(memory), before);
  EXPECT_TRUE(memory.launcher.commands.empty());
  // The read-only temporary file stays, as the saver leaves it unless
  // write-protected files may go.
  EXPECT_EQ(ListedForRemoval(run),
            (std::set<std::string>{"gone.hlp", kEscapedHelp, "Own gone", "GoneRun",
                                   "C:\\JUNK\\A.TMP", "C:\\JUNK\\OLD.BAK", "C:\\JUNK\\~TMPDIR"}));
}

// A 32-bit main program keeps its options, and the saver its settings, in the
// 32-bit view; the saver set to delete write-protected files takes the
// read-only junk too, and so must the report.
TEST_F(DryRunReport, ReadsTheMainProgramsViewAndTheSaversWriteProtectSetting) {
  memory.registry
      .Open(RegRoot::LocalMachine, "SOFTWARE\\Ortavo\\Kelvaro-ZENT", platform::RegAccess::Full)
      ->DeleteSubkey("Options");
  SetOptions(memory.registry.View32());
  memory.registry.View32().SetValue(RegRoot::LocalMachine, std::string(kSaverSettingsKey),
                                    "WRITE-PROTECT", MakeDwordValue(2));
  const auto before = Snapshot(memory);
  DryRun run = MakeRun();
  ReportRequest request;
  request.source = OptionSource::MainProgram;
  ASSERT_EQ(run.Prepare(request).exitCode, kExitComplete);
  ASSERT_TRUE(run.Run(run.Steps())) << run.Failure();
  EXPECT_EQ(Snapshot(memory), before);
  EXPECT_TRUE(ListedForRemoval(run).contains("C:\\JUNK\\RO.TMP"));
}

TEST_F(DryRunReport, ReportEscapesTextsAndCountsPerCategory) {
  std::ostringstream out, err;
  const int code = RunReportProgram(memory.platform(), memory.links, {},
                                    {"--main-program", "--json"}, {out, err, false});
  ASSERT_EQ(code, kExitComplete) << err.str();
  const std::string json = out.str();
  EXPECT_NE(json.find("\"name\":\"q\\\"u\\\\\xC3\xB6\\u0001.hlp\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"found\":8,\"toRemove\":7"), std::string::npos) << json;
  EXPECT_EQ(json.find("there.hlp"), std::string::npos);
  // Without interface texts the file categories' captions are empty: the
  // built-in ones stand in.
  std::ostringstream text;
  ASSERT_EQ(
      RunReportProgram(memory.platform(), memory.links, {}, {"--main-program"}, {text, err, false}),
      kExitComplete);
  EXPECT_NE(text.str().find("\nBAK-Dateien\n  remove  C:\\JUNK\\OLD.BAK\n  would remove 1 of 1\n"),
            std::string::npos)
      << text.str();
}

// Started by Windows, the report has a standard user's rights: it still lists
// the machine's orphans, as entries a run keeps, and says why.
TEST_F(DryRunReport, AStandardUserKeepsWhatNeedsAdministratorRights) {
  memory.registry.SetStandardUser(true);
  memory.system.elevated = false;
  memory.files.RefuseDeletion("C:\\JUNK\\OLD.BAK");
  std::ostringstream text, err;
  ASSERT_EQ(
      RunReportProgram(memory.platform(), memory.links, {}, {"--main-program"}, {text, err, false}),
      kExitComplete)
      << err.str();
  const std::string report = text.str();
  for (const char* line :
       {"\nRuns without administrator rights: what needs them is kept.\n",
        "\n  keep (needs administrator rights)  gone.hlp -> C:\\GONE\\gone.hlp\n",
        "\n  keep (needs administrator rights)  GoneRun -> C:\\GONE\\RUN.EXE \n",
        "\n  keep (needs administrator rights)  C:\\JUNK\\OLD.BAK\n",
        "\n  remove  C:\\JUNK\\A.TMP\n"}) {
    EXPECT_NE(report.find(line), std::string::npos) << line << report;
  }
}

// A change tried inside a step fails the run, also when the step catches the
// refusal and goes on, as the sweeps do with any error on a file.
TEST_F(DryRunReport, APlantedChangeFailsTheRun) {
  struct Case {
    const char* call;
    std::function<void(platform::Platform&)> change;
  };
  const std::vector<Case> cases = {
      {"SetValue",
       [](platform::Platform& p) {
         p.registry.Open(RegRoot::LocalMachine, "SOFTWARE", platform::RegAccess::Full)
             ->SetValue("x", MakeTextValue("y"));
       }},
      {"Delete",
       [](platform::Platform& p) {
         try {
           p.files.Delete("C:\\JUNK\\KEEP.TXT");
         } catch (const std::exception&) {
         }
       }},
      {"MoveToRecycleBin",
       [](platform::Platform& p) {
         try {
           p.shell.MoveToRecycleBin("C:\\JUNK\\KEEP.TXT");
         } catch (const std::exception&) {
         }
       }},
      {"SetAttributes",
       [](platform::Platform& p) { p.files.SetAttributes("C:\\JUNK\\KEEP.TXT", 1); }},
      {"StartProgramHidden",
       [](platform::Platform& p) {
         p.launcher.StartProgramHidden("C:\\WINDOWS\\regedit.exe", "");
       }},
      {"Create",
       [](platform::Platform& p) {
         p.registry.InView(platform::RegView::Bits32)
             .Create(platform::RegRoot::LocalMachine, "SOFTWARE\\ZentPlanted");
       }},
  };
  const auto before = Snapshot(memory);
  for (const Case& planted : cases) {
    DryRun run = MakeRun();
    ASSERT_EQ(run.Prepare({}).exitCode, kExitComplete);
    CleaningSteps steps = run.Steps();
    steps.scans[8] = [&run, &planted] { planted.change(run.Context().platform); };

    EXPECT_FALSE(run.Run(steps)) << planted.call;
    EXPECT_NE(run.Failure().find(planted.call), std::string::npos) << run.Failure();
  }
  EXPECT_EQ(Snapshot(memory), before);
}

TEST_F(DryRunReport, ArgumentsAndMachineDecideTheExitCode) {
  struct Case {
    std::vector<std::string> arguments;
    bool optionsKey;
    int code;
    const char* message;  // in standard error; "" for none
  };
  const std::vector<Case> cases = {
      {{}, true, kExitComplete, ""},
      {{"--help"}, true, kExitComplete, ""},
      {{"--categories=reg-helps,FILES-TMP", "--drives=c", "--json"}, true, kExitComplete, ""},
      {{"--bogus"}, true, kExitUsage, "unknown argument \"--bogus\""},
      {{"--categories=REG-NOTHING"}, true, kExitUsage, "unknown category"},
      {{"--categories="}, true, kExitUsage, "names no category"},
      {{"--drives=Q"}, true, kExitUsage, "drive Q: does not exist"},
      {{"--drives=C1"}, true, kExitUsage, "drive letters only"},
      {{"--safety", "--main-program"}, true, kExitUsage, "choose one option source"},
      {{"--main-program", "--drives=C"}, true, kExitUsage, "does not go with"},
      {{"--main-program"}, false, kExitFailed, "Options does not exist"},
  };
  for (const Case& row : cases) {
    memory::MemoryPlatform machine;
    if (row.optionsKey) {
      machine.registry.SetValue(RegRoot::LocalMachine, kOptionsKey, "CUSTOM-REG",
                                MakeDwordValue(1));
    }
    std::ostringstream out, err;
    const int code =
        RunReportProgram(machine.platform(), machine.links, {}, row.arguments, {out, err, false});
    const std::string shown = ::testing::PrintToString(row.arguments);
    EXPECT_EQ(code, row.code) << shown << err.str();
    EXPECT_NE(err.str().find(row.message), std::string::npos) << shown << err.str();
    EXPECT_EQ(out.str().empty(), row.code != kExitComplete) << shown;
  }
}

TEST(ReportArguments, ChosenCategoriesAndDrivesAreKept) {
  const ParsedArguments parsed =
      ParseReportArguments({"--drives=dc", "--categories=REG-APPS,custom-cache", "--json"});
  ASSERT_TRUE(parsed.request) << parsed.error;
  EXPECT_EQ(parsed.request->source, OptionSource::Chosen);
  EXPECT_EQ(parsed.request->categories,
            (std::vector<Switch>{Switch::RegApps, Switch::CustomCache}));
  EXPECT_EQ(parsed.request->drives, "DC");
  EXPECT_TRUE(parsed.request->json);
}

}  // namespace
}  // namespace zent::report
