#pragma once

// The saver's run log: one plain-text file in the backup folder that every
// cleaning run appends a block to, so that a user can read afterwards what a
// run removed, where each removed registry entry's backup lies, and what it
// had to leave. UTF-8 with CR LF line ends; each block starts with a header
// line. The oldest runs are dropped whole once the file outgrows its limit.
//
// Written with the backup's care: every line goes on whole or not at all, a
// line that could not be written is counted and said later, and nothing that
// goes wrong here reaches the run.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/platform.h"
#include "run/run_journal.h"

namespace zent {

inline constexpr std::string_view kRunLogName = "ZentRun.log";
// Every run's block starts with a line that starts so; no other line does.
inline constexpr std::string_view kRunLogHeader = "=== ZentSaver run started ";
inline constexpr std::size_t kRunLogLimit = 256 * 1024;

// "2026-12-08 10:30:00".
std::string LogTime(const platform::LocalTime& time);

// The text with every control character and every byte that starts no
// well-formed UTF-8 character replaced by "?": one line, always.
std::string OneLogLine(std::string_view text);

// What is left of a log of whole run blocks after dropping the oldest runs
// until it holds at most `limit` bytes; the last block stays when `keepLast`.
// Text before the first header goes first. The text unchanged when it is not
// over the limit or holds no header.
std::string DropOldestRuns(std::string_view log, std::size_t limit, bool keepLast);

class RunLog final : public RunJournal {
 public:
  // `directory`: the backup folder; the log is `directory` + "\ZentRun.log".
  // `directoryNote`: why the folder lies there, said with it.
  RunLog(platform::FileSystem& files, platform::Clock& clock, std::string directory,
         std::size_t limit = kRunLogLimit, std::string directoryNote = {});
  // A run that started and never ended says so.
  ~RunLog() override;

  const std::string& Path() const { return path_; }

  void PassStarted() noexcept override;
  void OptionsChosen(int source, bool fellBack) noexcept override;
  void RegistryFound(int category, std::size_t found, std::size_t selected) noexcept override;
  void FilesFound(int category, std::size_t found) noexcept override;
  void EntryRemoved(int category, std::string_view entry) noexcept override;
  void EntryLeft(int category, std::string_view entry, std::string_view reason,
                 bool inBackup) noexcept override;
  void BackupDated(std::string_view datedPath) noexcept override;
  void BackupNotDated(std::string_view runningPath) noexcept override;
  void LeftOverBackup(std::string_view datedPath) noexcept override;
  void ExporterUsed(std::string_view exporter) noexcept override;
  void FileRecycled(int category, std::string_view path) noexcept override;
  void FileLeft(int category, std::string_view path, std::string_view reason) noexcept override;
  void FolderSkipped(std::string_view path, std::string_view reason) noexcept override;
  void FolderSwept(int category, std::string_view path, bool removed) noexcept override;
  void Aborted(RunStep step, int scanIndex) noexcept override;
  void PassEnded() noexcept override;

 private:
  struct Tally {
    bool seen = false;
    std::size_t found = 0, selected = 0, removed = 0, left = 0;
    std::size_t needsRights = 0;  // of those left alone
    void Left(std::string_view reason);
    std::string LeftText() const;
  };

  // Runs a step of keeping the log; whatever it throws ends there.
  template <typename Step>
  static void Safely(Step&& step) noexcept {
    try {
      step();
    } catch (...) {
      // The run goes on without this line.
    }
  }
  // A line about one entry or file; left out once the run's block is full.
  void Detail(std::string_view text) noexcept;
  // A line every run's block has.
  void Write(std::string_view text) noexcept;
  bool Append(std::string_view text);
  void WriteSummary();
  void End(std::string_view how) noexcept;
  void Trim(bool keepLast) noexcept;
  void FinishInterruptedTrim();
  std::string BackupTag() const;
  Tally* RegistryTally(int category);
  Tally* FileTally(int category);

  platform::FileSystem& files_;
  platform::Clock& clock_;
  std::string directory_;
  std::string directoryNote_;
  std::string path_;
  std::size_t limit_;
  std::array<Tally, 12> registryTallies_{};
  std::array<Tally, 10> fileTallies_{};
  int backupPart_ = 1;
  bool started_ = false;
  bool ended_ = false;
  bool aborted_ = false;
  // The header could not be written: the block's lines would join another's.
  bool silent_ = false;
  std::size_t runBytes_ = 0;
  std::size_t leftOut_ = 0;
  std::size_t lost_ = 0;
};

}  // namespace zent
