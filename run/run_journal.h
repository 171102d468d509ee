#pragma once

// What a cleaning run tells whoever keeps its record: the option source, what
// each category found, every registry entry and file it removed or had to
// leave, where the backups went, and an abort by input. The defaults do
// nothing, so a run without a record (the tests, the dialog) pays nothing.
//
// Every call is noexcept: keeping the record must never stop, end or change
// the run, whatever goes wrong while it is kept.

#include <cstddef>
#include <string_view>

namespace zent {

// Why an entry or a file this user may not remove stays: a run started with
// administrator rights removes it.
inline constexpr std::string_view kNeedsAdministratorRights = "needs administrator rights";

// The steps of a pass, for saying where input ended it.
enum class RunStep { Scan, Repair, JunkSweep, CacheSweep };

class RunJournal {
 public:
  RunJournal() = default;
  RunJournal(const RunJournal&) = delete;
  RunJournal& operator=(const RunJournal&) = delete;
  virtual ~RunJournal() = default;

  virtual void PassStarted() noexcept {}
  // `source` as `OptionSource`; `fellBack`: the main program's options were
  // asked for but their key is missing.
  virtual void OptionsChosen(int /*source*/, bool /*fellBack*/) noexcept {}
  // A registry category after the scans (`category` is its CategoryIndex).
  virtual void RegistryFound(int /*category*/, std::size_t /*found*/,
                             std::size_t /*selected*/) noexcept {}
  // A file category after the sweeps (junk categories 0 to 8, cache 9).
  virtual void FilesFound(int /*category*/, std::size_t /*found*/) noexcept {}

  // `entry` names the key or value ("key HKEY_...\X", "value "V" in ...").
  // A removed entry is held by the running backup until that is dated.
  virtual void EntryRemoved(int /*category*/, std::string_view /*entry*/) noexcept {}
  // `inBackup`: the entry was backed up, but is still there.
  virtual void EntryLeft(int /*category*/, std::string_view /*entry*/, std::string_view /*reason*/,
                         bool /*inBackup*/) noexcept {}
  // The running backup now lies at `datedPath`, with every entry backed up
  // since it was started.
  virtual void BackupDated(std::string_view /*datedPath*/) noexcept {}
  // The running backup could not be dated and stays at `runningPath`.
  virtual void BackupNotDated(std::string_view /*runningPath*/) noexcept {}
  // A running backup an earlier run left behind, dated before this repair
  // began; `datedPath` empty: it could not be, so nothing is removed.
  virtual void LeftOverBackup(std::string_view /*datedPath*/) noexcept {}
  // What exports the keys of this repair, named when it first ran.
  virtual void ExporterUsed(std::string_view /*exporter*/) noexcept {}

  virtual void FileRecycled(int /*category*/, std::string_view /*path*/) noexcept {}
  virtual void FileLeft(int /*category*/, std::string_view /*path*/,
                        std::string_view /*reason*/) noexcept {}
  // A folder a sweep could not go through: what it held stays unseen.
  virtual void FolderSkipped(std::string_view /*path*/, std::string_view /*reason*/) noexcept {}
  // A temporary folder after its files went: `removed` when it is gone.
  virtual void FolderSwept(int /*category*/, std::string_view /*path*/, bool /*removed*/) noexcept {
  }

  // Input ended the pass during `step` (`scanIndex` for a scan).
  virtual void Aborted(RunStep /*step*/, int /*scanIndex*/) noexcept {}
  virtual void PassEnded() noexcept {}

  // The record every run without one writes to: it keeps nothing.
  static RunJournal& None() {
    static RunJournal none;
    return none;
  }
};

}  // namespace zent
