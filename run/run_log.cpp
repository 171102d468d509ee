#include "run/run_log.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "common/concat.h"
#include "platform/utf8.h"
#include "run/run_driver.h"

namespace zent {
namespace {

using platform::Presence;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kRunningBackup = "1.reg";

// By CategoryIndex.
constexpr std::string_view kRegistryCategoryNames[] = {
    "file types",
    "COM classes",
    "type libraries (ActiveX)",
    "shared DLLs",
    "uninstall entries",
    "autorun entries",
    "fonts",
    "system sounds",
    "help files",
    "application paths",
    "icons",
    "other entries (whole registry)",
};

// Junk categories 0 to 8, then the Internet cache.
constexpr std::string_view kFileCategoryNames[] = {
    "dead shortcuts",
    "dead DOS shortcuts",
    "help index files",
    "check-disk fragments",
    "temporary installation files",
    "backup copies",
    "temporary files",
    "BAK files",
    "temporary folders",
    "Internet cache",
};

template <std::size_t N>
std::string_view NameAt(const std::string_view (&names)[N], int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= N) return "unknown category";
  return names[static_cast<std::size_t>(index)];
}

std::string_view OptionSourceText(int source, bool fellBack) {
  if (fellBack) return "the safety set (the main program's options key is missing)";
  if (source == kSafetyOptions) return "the safety set";
  if (source == kMainProgramOptions) return "the main program's options";
  return "none chosen: every switch is off";
}

std::string StepText(RunStep step, int scanIndex) {
  switch (step) {
    case RunStep::Scan:
      return Concat({"the registry scan of ", NameAt(kRegistryCategoryNames, scanIndex)});
    case RunStep::Repair:
      return "the registry repair";
    case RunStep::JunkSweep:
      return "the junk-file sweep";
    case RunStep::CacheSweep:
      return "the Internet-cache sweep";
  }
  return "the run";
}

bool StartsHeaderAt(std::string_view log, std::size_t at, std::size_t textStart) {
  return log.substr(at).starts_with(kRunLogHeader) && (at == textStart || log[at - 1] == '\n');
}

}  // namespace

std::string LogTime(const platform::LocalTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day,
                time.hour, time.minute, time.second);
  return text;
}

std::string OneLogLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const Utf8Character character = DecodeUtf8At(text, at);
    const bool control = character.codePoint < 0x20 || character.codePoint == 0x7F;
    if (character.wellFormed && !control) {
      line.append(text.substr(at, character.length));
    } else {
      line += '?';
    }
    at += character.length;
  }
  return line;
}

std::string DropOldestRuns(std::string_view log, std::size_t limit, bool keepLast) {
  if (log.size() <= limit) return std::string(log);
  const std::size_t textStart = log.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
  std::vector<std::size_t> headers;
  for (std::size_t at = textStart; at < log.size(); ++at) {
    if (StartsHeaderAt(log, at, textStart)) headers.push_back(at);
  }
  if (headers.empty()) return std::string(log);
  const std::size_t keptRuns = keepLast ? 1 : 0;
  std::size_t first = 0;
  auto sizeFrom = [&](std::size_t block) { return textStart + log.size() - headers[block]; };
  while (first + keptRuns < headers.size() && sizeFrom(first) > limit) ++first;
  const std::size_t keepFrom = first < headers.size() ? headers[first] : log.size();
  return Concat({log.substr(0, textStart), log.substr(keepFrom)});
}

RunLog::RunLog(platform::FileSystem& files, platform::Clock& clock, std::string directory,
               std::size_t limit, std::string directoryNote)
    : files_(files),
      clock_(clock),
      directory_(std::move(directory)),
      directoryNote_(std::move(directoryNote)),
      path_(Concat({directory_, "\\", kRunLogName})),
      limit_(limit) {}

RunLog::~RunLog() {
  if (started_ && !ended_) End("without completing the run");
}

void RunLog::PassStarted() noexcept {
  started_ = true;
  silent_ = true;
  Safely([&] {
    files_.CreateFolders(directory_);
    FinishInterruptedTrim();
    Trim(false);
    silent_ = !Append(Concat({kRunLogHeader, LogTime(clock_.Now()), " ==="}));
    const std::string note =
        directoryNote_.empty() ? std::string() : Concat({" (", directoryNote_, ")"});
    Write(Concat({"backup folder: ", directory_, note}));
  });
}

void RunLog::OptionsChosen(int source, bool fellBack) noexcept {
  Safely([&] { Write(Concat({"options: ", OptionSourceText(source, fellBack)})); });
}

void RunLog::RegistryFound(int category, std::size_t found, std::size_t selected) noexcept {
  Safely([&] {
    if (Tally* tally = RegistryTally(category)) {
      tally->found += found;
      tally->selected += selected;
    }
  });
}

void RunLog::FilesFound(int category, std::size_t found) noexcept {
  Safely([&] {
    if (Tally* tally = FileTally(category)) tally->found += found;
  });
}

void RunLog::EntryRemoved(int category, std::string_view entry) noexcept {
  Safely([&] {
    if (Tally* tally = RegistryTally(category)) ++tally->removed;
    Detail(Concat({"removed ", entry, " - backup: ", BackupTag()}));
  });
}

void RunLog::EntryLeft(int category, std::string_view entry, std::string_view reason,
                       bool inBackup) noexcept {
  Safely([&] {
    if (Tally* tally = RegistryTally(category)) tally->Left(reason);
    const std::string backup = inBackup ? Concat({" - backup: ", BackupTag()}) : std::string();
    Detail(Concat({"left alone ", entry, ": ", reason, backup}));
  });
}

void RunLog::BackupDated(std::string_view datedPath) noexcept {
  Safely([&] {
    Write(Concat({"backup ", BackupTag(), " saved as ", datedPath,
                  ": it restores the entries marked \"", BackupTag(), "\""}));
    ++backupPart_;
  });
}

void RunLog::BackupNotDated(std::string_view runningPath) noexcept {
  Safely([&] {
    Write(Concat(
        {"backup ", BackupTag(), " could not be given its dated name: it stays as ", runningPath}));
    ++backupPart_;
  });
}

void RunLog::ExporterUsed(std::string_view exporter) noexcept {
  Safely([&] { Write(Concat({"exporter: ", exporter})); });
}

void RunLog::LeftOverBackup(std::string_view datedPath) noexcept {
  Safely([&] {
    if (datedPath.empty()) {
      Write(
          "a running backup an earlier run left could not be given its dated name: "
          "this run removes no registry entry");
    } else {
      Write(Concat({"a running backup an earlier run left was saved as ", datedPath}));
    }
  });
}

void RunLog::FileRecycled(int category, std::string_view path) noexcept {
  Safely([&] {
    if (Tally* tally = FileTally(category)) ++tally->removed;
    Detail(Concat({"recycled ", path, " (", NameAt(kFileCategoryNames, category), ")"}));
  });
}

void RunLog::FileLeft(int category, std::string_view path, std::string_view reason) noexcept {
  Safely([&] {
    if (Tally* tally = FileTally(category)) tally->Left(reason);
    Detail(
        Concat({"left alone ", path, " (", NameAt(kFileCategoryNames, category), "): ", reason}));
  });
}

void RunLog::FolderSkipped(std::string_view path, std::string_view reason) noexcept {
  Safely([&] { Detail(Concat({"folder skipped: ", reason, " - ", path})); });
}

void RunLog::FolderSwept(int category, std::string_view path, bool removed) noexcept {
  Safely([&] {
    const std::string_view name = NameAt(kFileCategoryNames, category);
    Detail(removed ? Concat({"removed folder ", path, " (", name, ")"})
                   : Concat({"left alone folder ", path, " (", name, "): something in it stayed"}));
  });
}

void RunLog::Aborted(RunStep step, int scanIndex) noexcept {
  aborted_ = true;
  Safely([&] { Write(Concat({"aborted by input during ", StepText(step, scanIndex)})); });
}

void RunLog::PassEnded() noexcept { End(aborted_ ? "(aborted by input)" : "(completed)"); }

void RunLog::End(std::string_view how) noexcept {
  if (ended_) return;
  ended_ = true;
  Safely([&] {
    if (leftOut_ > 0) {
      Write(Concat({std::to_string(leftOut_), " lines about single entries and files left out: ",
                    "the log keeps at most ", std::to_string(limit_ / 1024), " KiB"}));
    }
    WriteSummary();
    Write(Concat({"ended ", LogTime(clock_.Now()), " ", how}));
    Trim(true);
  });
}

void RunLog::Tally::Left(std::string_view reason) {
  ++left;
  if (reason == kNeedsAdministratorRights) ++needsRights;
}

std::string RunLog::Tally::LeftText() const {
  if (needsRights == 0) return std::to_string(left);
  return Concat({std::to_string(left), " (", std::to_string(needsRights), " ",
                 kNeedsAdministratorRights, ")"});
}

void RunLog::WriteSummary() {
  for (std::size_t i = 0; i < registryTallies_.size(); ++i) {
    const Tally& tally = registryTallies_[i];
    if (!tally.seen) continue;
    Write(Concat({"registry ", kRegistryCategoryNames[i], ": found ", std::to_string(tally.found),
                  " (", std::to_string(tally.selected), " selected), removed ",
                  std::to_string(tally.removed), ", left alone ", tally.LeftText()}));
  }
  for (std::size_t i = 0; i < fileTallies_.size(); ++i) {
    const Tally& tally = fileTallies_[i];
    if (!tally.seen) continue;
    Write(
        Concat({"files ", kFileCategoryNames[i], ": found ", std::to_string(tally.found),
                ", recycled ", std::to_string(tally.removed), ", left alone ", tally.LeftText()}));
  }
}

// Three quarters of the limit for one run's lines about single entries, so
// that its summary and end always fit and one run never fills the log alone.
void RunLog::Detail(std::string_view text) noexcept {
  if (runBytes_ > limit_ / 4 * 3) {
    ++leftOut_;
    return;
  }
  Write(text);
}

void RunLog::Write(std::string_view text) noexcept {
  if (!started_ || silent_) return;
  try {
    if (lost_ > 0 &&
        Append(Concat({std::to_string(lost_), " lines of this run could not be written here"}))) {
      lost_ = 0;
    }
    if (!Append(text)) ++lost_;
  } catch (const std::exception&) {
    ++lost_;
  }
}

bool RunLog::Append(std::string_view text) {
  const std::string line = Concat({OneLogLine(text), kLineEnd});
  if (!files_.AppendWhole(path_, line, kByteOrderMark)) return false;
  runBytes_ += line.size();
  return true;
}

// The log is rewritten beside itself and only then put in its place, so that
// a failure on the way leaves the old log whole.
void RunLog::Trim(bool keepLast) noexcept {
  try {
    const auto log = files_.ReadWhole(path_);
    if (!log || log->size() <= limit_) return;
    const std::string kept = DropOldestRuns(*log, limit_, keepLast);
    if (kept.size() == log->size()) return;
    const std::string fresh = path_ + ".new";
    if (!files_.WriteWhole(fresh, kept) || files_.ReadWhole(fresh) != kept) {
      files_.Delete(fresh);
      return;
    }
    if (files_.Delete(path_)) files_.Rename(fresh, path_);
  } catch (const std::exception&) {
  }
}

// A trim that stopped between removing the old log and renaming the new one
// left only the new one; one that stopped earlier left both, the old one whole.
void RunLog::FinishInterruptedTrim() {
  const std::string fresh = path_ + ".new";
  if (files_.FileExists(fresh) != Presence::Present) return;
  if (files_.FileExists(path_) == Presence::Missing) {
    files_.Rename(fresh, path_);
  } else {
    files_.Delete(fresh);
  }
}

std::string RunLog::BackupTag() const {
  return Concat({kRunningBackup, " #", std::to_string(backupPart_)});
}

RunLog::Tally* RunLog::RegistryTally(int category) {
  if (category < 0 || static_cast<std::size_t>(category) >= registryTallies_.size()) return nullptr;
  Tally& tally = registryTallies_[static_cast<std::size_t>(category)];
  tally.seen = true;
  return &tally;
}

RunLog::Tally* RunLog::FileTally(int category) {
  if (category < 0 || static_cast<std::size_t>(category) >= fileTallies_.size()) return nullptr;
  Tally& tally = fileTallies_[static_cast<std::size_t>(category)];
  tally.seen = true;
  return &tally;
}

}  // namespace zent
