#pragma once

// The registry repair: removes every selected finding of the registry
// categories, each only after it has been backed up. Whole keys are exported
// by the platform's registry editor (or by the system's console exporter where
// the editor cannot be started without elevation), single values written as a
// value block; all backups of one repair are collected in the running backup
// "1.reg", which gets a dated name when the repair ends or the saver is closed.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "common/product_views.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "run/backup_check.h"
#include "run/backup_file.h"
#include "run/findings.h"
#include "run/run_context.h"

namespace zent {

// A class key COM and the shell share among all file types ("CLSID", "*",
// "Directory", ...), in any letter case: never a file type's own key.
bool IsSharedClassKey(std::string_view name);

// Where the main program keeps its backup folder ("Path").
inline constexpr std::string_view kBackupSettingsKey = kProductKey;
inline constexpr std::string_view kBackupPathValue = "Path";
inline constexpr std::string_view kRunningBackupName = "1.reg";
inline constexpr std::string_view kScratchName = "dummy.reg";
// The longest command line the exporter is started with.
inline constexpr std::size_t kMaxExportCommandLength = 511;
// How long an export may take before the editor is taken to hang.
inline constexpr std::uint64_t kExportTimeLimitMs = 60'000;
// The longest the repair waits for the editor without letting the saver's
// messages run (the wait ends sooner when one arrives).
inline constexpr std::uint32_t kEditorWaitSliceMs = 100;

// The root's full name as scripts write it ("HKEY_CURRENT_USER").
std::string_view RootName(platform::RegRoot root);

// True when the repair would leave the category's finding `i` alone because
// this user may not remove it (it then backs nothing of it up).
bool NeedsAdministratorRights(platform::Registry& registry, int categoryIndex,
                              const FindingCategory& category, std::size_t i);

// "REGEDIT /e "<file>" "<key>"", or nullopt when the key cannot be quoted on a
// command line (it holds a double quote, CR, LF or NUL) or the line would be
// longer than kMaxExportCommandLength characters.
std::optional<std::string> ExportCommand(std::string_view scratchFullPath, std::string_view key);

// "REG EXPORT "<key>" "<file>" /y", the key's root written short ("HKLM\..."),
// as the system's console exporter takes it; nullopt as for ExportCommand.
std::optional<std::string> ConsoleExportCommand(std::string_view scratchFullPath,
                                                platform::RegRoot root, std::string_view path);

// Who writes the exports. The registry editor asks for the highest rights
// the user has, which a filtered administrator's token cannot start without
// asking; the system's console exporter runs with the caller's rights.
enum class Exporter { RegistryEditor, ConsoleExporter };

// One row of the repair table and what it names for one finding (defined
// with the table).
struct RepairRule;
struct RepairTarget;
struct ExportedKey;

// The values a backup holds of one key, by upper-cased name.
using SavedValues = std::map<std::string, platform::RegValue>;

class RegistryRepair {
 public:
  // An export taking longer than `exportTimeLimitMs` counts as failed.
  explicit RegistryRepair(RunContext& run, std::uint64_t exportTimeLimitMs = kExportTimeLimitMs);

  // Backs up and removes the selected findings of every category in
  // `CategoryList`, then gives the running backup its dated name and clears the
  // list. Once input asked to end it stops before the next selected finding and
  // keeps the list, but still dates what it backed up. A running backup left
  // by an earlier run is dated first; while it cannot be, nothing is removed.
  void Repair();
  // Moves the running backup to its dated name; clears `RepairRunning`. Safe to
  // run from inside the repair's message handling.
  void FinishBackup();

  // "Path" of the main program's key when it is a full path, else "\BACKUP" in
  // the main program's folder, or in the Windows drive's root when that
  // folder is not known (ProductFilesFolder). Empty when no folder is known
  // at all: then nothing is backed up, so nothing is removed.
  std::string BackupDirectory() const;
  // Why the backup folder lies where it does, when that is not the main
  // program's choice; empty otherwise.
  std::string_view BackupDirectoryNote() const;
  static constexpr std::string_view kWindowsDriveNote =
      "no main program folder is known: the root of the Windows drive";
  std::string BackupFile();
  std::string ScratchFile();

  // Exports the key and makes sure the backup restores it, and every key
  // below it, exactly: what the export lacks or holds otherwise is added as
  // exact lines. What the backup now restores; nullopt when it is not all or
  // the export names any other key, and then nothing of the key went into
  // the backup.
  std::optional<std::vector<StoredKey>> BackUpKeyTree(platform::RegRoot root,
                                                      std::string_view path);
  // Adds a value block for one text value, exact lines where the text form
  // would not restore its bytes; false for an empty, missing or non-text
  // value, or one that cannot be written.
  bool BackUpValue(std::string_view rootName, platform::RegRoot root, std::string_view keyPath,
                   std::string_view name);

 private:
  struct BackupFolder {
    std::string path;
    std::string_view note;
  };
  BackupFolder ChosenBackupFolder() const;
  const std::string& Directory();
  BackupEncoding Encoding() const;
  // Gives a running backup left by an earlier run its dated name; false when
  // it is still there (it must not be mixed with or replaced by this run's).
  bool SecureLeftOverBackup();
  // True when no running backup is left; `datedPath` gets the name it moved to.
  bool MoveRunningBackupToDatedName(std::string* datedPath = nullptr);
  void RepairFinding(int categoryIndex, const FindingCategory& category, std::size_t i);
  void ApplyRule(const RepairRule& rule, const Finding& finding);
  bool BackUp(const RepairRule& rule, const RepairTarget& target);
  void Remove(const RepairRule& rule, const RepairTarget& target);
  // Exports the key and reads the export; the scratch file is gone
  // afterwards. nullopt when there is no export whose text can be carried
  // over without loss.
  std::optional<ExportedKey> ExportToScratch(platform::RegRoot root, std::string_view path);
  // Starts the registry editor, or the console exporter once the editor
  // cannot be started for want of rights or because it is missing, and waits
  // for it; true when it ended by itself in time.
  bool RunExporter(platform::RegRoot root, std::string_view path, std::string_view scratch);
  // Names the exporter in the record once per repair, then waits for it.
  bool StartedExport(Exporter exporter, std::string_view programPath,
                     platform::RunningProgram& program);
  // Waits while the saver goes on; true when the program ended by itself
  // within the time limit and before input asked to end the run.
  bool WaitForExport(platform::RunningProgram& program);
  std::optional<ExportedKey> ReadScratch();
  // Adds one block to the running backup, whole or not at all.
  bool AppendToBackup(const std::vector<std::string>& lines);
  // Before a value of a once-exported parent goes: true when the backup holds
  // it as it is now, if need be after adding it as an exact block.
  bool ValueIsBackedUp(const RepairTarget& target, SavedValues& saved);
  void Pump();
  // Every entry is read, exported and removed through the 64-bit view.
  platform::Registry& Registry64();

  RunContext& run_;
  std::uint64_t exportTimeLimitMs_;
  std::string directory_;
  Exporter exporter_ = Exporter::RegistryEditor;
  bool exporterNamed_ = false;  // in this repair's record
  platform::StartFailure editorRefusal_ = platform::StartFailure::None;
  // What the backup holds of each parent key, once exported, by its root and
  // upper-cased path.
  std::map<std::string, std::optional<SavedValues>> parentSaved_;
};

}  // namespace zent
