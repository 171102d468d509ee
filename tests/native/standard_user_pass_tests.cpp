// The saver's whole cleaning pass as Windows starts it: with a standard
// user's rights, which read the machine's keys but change none of them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/cleaning_steps.h"
#include "platform/utf8.h"
#include "regscan/list_scans.h"
#include "regscan/program_scans.h"
#include "run/run_log.h"
#include "tests/native/fake_exporter.h"
#include "ui/dialog_form.h"
#include "ui/saver_window.h"
#include "ui/settings.h"

namespace zent {
namespace {

using platform::MakeDwordValue;
using platform::MakeTextValue;
using platform::RegRoot;

const std::string kGoneApp = std::string(kAppPathsKey) + "\\GONE.EXE";
const std::string kGoneSound = std::string(kSoundAppsKey) + "\\Zent\\Gone\\.current";
constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kLog[] = "C:\\KZ\\BACKUP\\ZentRun.log";
constexpr char kDated[] = "C:\\KZ\\BACKUP\\Di081220261030.reg";

// Options and settings as the main program and the dialog left them under
// HKLM, an orphan of each kind under HKLM and under HKCU, and junk files.
struct StandardUserPass {
  StandardUserPass() {
    auto& registry = memory.registry;
    registry.SetValue(RegRoot::LocalMachine, kProductKey, SaverWindowModel::kProductPathValue,
                      MakeTextValue("C:\\KZ"));
    for (const char* option : {"CUSTOM-REG", "REG-APPS", "REG-AUTORUN", "REG-MEDIA", "CUSTOM-FILES",
                               "FILES-TMP", "DRIVE_C", "CHECKDRIVE_C"}) {
      registry.SetValue(RegRoot::LocalMachine, kOptionsKey, option, MakeDwordValue(1));
    }
    // The main program's options, and write-protected files may go.
    registry.SetValue(RegRoot::LocalMachine, kSaverSettingsKey, "MODE", MakeDwordValue(2));
    registry.SetValue(RegRoot::LocalMachine, kSaverSettingsKey, "WRITE-PROTECT", MakeDwordValue(2));
    registry.SetValue(RegRoot::LocalMachine, kGoneApp, "", MakeTextValue("C:\\GONE\\GONE.EXE"));
    registry.SetValue(RegRoot::LocalMachine, kAutorunKey, "GoneRun",
                      MakeTextValue("C:\\GONE\\RUN.EXE"));
    registry.SetValue(RegRoot::CurrentUser, kGoneSound, "", MakeTextValue("C:\\GONE\\DING.WAV"));
    memory.files.AddFile("C:\\JUNK\\A.TMP", "a");
    memory.files.AddFile("C:\\JUNK\\RO.TMP", "r", platform::kAttrReadOnly);
    memory.files.AddFile("C:\\JUNK\\SYSTEM.TMP", "s");
    memory.files.RefuseDeletion("C:\\JUNK\\SYSTEM.TMP");
    memory.launcher.onRun = [this](std::string_view command) {
      return testing::FakeRegedit(memory, command);
    };
    registry.SetStandardUser(true);
    memory.system.elevated = false;
  }

  // What the saver's entry does in saver mode.
  void Run() {
    state.UnattendedMode = true;
    state.IsWinNT = model.SystemFacts.Platform() == "WinNT";
    Form dialog = MakeConfigurationDialog();
    state.DeleteWriteProtected = LoadSettings(dialog, memory.registry);
    model.PrepareSaver(ReadStarSettings(dialog));
    const OptionSourceChoice choice{.safety = SafetyModeButton(dialog).checked,
                                    .mainProgram = MainProgramModeButton(dialog).checked};
    RunLog log(memory.files, memory.clock, repair.BackupDirectory());
    run.journal = &log;
    RunCleaningPass(run, choice, CleaningStepsOf(run, &repair, shellLink, model.SystemFacts));
  }

  std::string Log() const { return memory.files.Content(kLog).value_or(""); }
  std::string Backup() const {
    return Utf16LeToUtf8(memory.files.Content(kDated).value_or("").substr(2));  // after the BOM
  }

  memory::MemoryPlatform memory;
  SaverRunState state{memory.shell};
  SaverWindowModel model{memory.platform(), state, {}};
  std::string itemLabel;
  RunContext run{memory.platform(),        state,    model.CategoryList, {},
                 model.StatusLabel().text, itemLabel};
  RegistryRepair repair{run};
  TShellLink shellLink{memory.links};
};

struct Outcome {
  const char* label;
  std::string logLine;
  bool stays;  // the key, value or file is still there as it was
  bool mustStay;
  std::string backupText;  // what the dated backup holds of it, or must not
};

TEST(StandardUserPassTest, RemovesTheUsersOrphansAndLeavesTheMachinesWithTheReason) {
  StandardUserPass pass;
  ASSERT_NO_THROW(pass.Run());
  const auto& registry = pass.memory.registry;
  const std::vector<Outcome> outcomes = {
      {"machine key",
       "left alone key HKEY_LOCAL_MACHINE\\" + kGoneApp + ": needs administrator rights",
       registry.KeyExists(RegRoot::LocalMachine, kGoneApp), true, "GONE.EXE"},
      {"machine value",
       "left alone value \"GoneRun\" in HKEY_LOCAL_MACHINE\\" + std::string(kRunKey) +
           ": needs administrator rights",
       registry.Value(RegRoot::LocalMachine, kAutorunKey, "GoneRun").has_value(), true, "GoneRun"},
      {"user's sound",
       "removed the text of the default value of HKEY_CURRENT_USER\\" + kGoneSound +
           " (the key stays) - backup: 1.reg #1",
       registry.Value(RegRoot::CurrentUser, kGoneSound, "") != MakeTextValue(""), false,
       "[HKEY_CURRENT_USER\\" + kGoneSound + "]\r\n@=\"C:\\\\GONE\\\\DING.WAV\""},
      {"file this user may not delete",
       "left alone C:\\JUNK\\SYSTEM.TMP (temporary files): needs administrator rights",
       pass.memory.files.Content("C:\\JUNK\\SYSTEM.TMP").has_value(), true, ""},
      // Recycled only because the machine's settings let write-protected files go.
      {"write-protected junk", "recycled C:\\JUNK\\RO.TMP (temporary files)",
       pass.memory.files.Content("C:\\JUNK\\RO.TMP").has_value(), false, ""},
      {"machine tallies",
       "registry application paths: found 1 (1 selected), removed 0, left alone 1 (1 needs "
       "administrator rights)",
       true, true, ""},
  };
  const std::string log = pass.Log();
  const std::string backup = pass.Backup();
  for (const Outcome& o : outcomes) {
    SCOPED_TRACE(o.label);
    EXPECT_NE(log.find(o.logLine + "\r\n"), std::string::npos) << log;
    EXPECT_EQ(o.stays, o.mustStay);
    // What stays is not in the backup; what went is, to be restored.
    if (!o.backupText.empty()) {
      EXPECT_EQ(backup.find(o.backupText) == std::string::npos, o.mustStay) << backup;
    }
  }
  EXPECT_EQ(pass.state.OptionSource, kMainProgramOptions);
}

}  // namespace
}  // namespace zent
