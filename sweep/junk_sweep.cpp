#include "sweep/junk_sweep.h"

#include <algorithm>
#include <exception>

#include "common/orphan_paths.h"
#include "common/path_helpers.h"
#include "common/path_readings.h"
#include "sweep/sweep_guards.h"

namespace zent {
namespace {

using platform::DirEntry;
using platform::Presence;

constexpr std::uint32_t kListEverything = 0x3F;
constexpr std::string_view kHelpSignature("\x3F\x5F\x03\x00", 4);

bool EndsWith(std::string_view text, std::string_view end) { return text.ends_with(end); }

std::string_view NameOf(std::string_view path) { return path.substr(path.find_last_of('\\') + 1); }

// Check-disk writes its fragments as FILE0000.CHK, FILE0001.CHK ...; other
// ".CHK" files are checkpoints a database needs for its recovery.
bool IsCheckDiskFragmentName(std::string_view upperName) {
  constexpr std::string_view kStart = "FILE";
  constexpr std::string_view kEnd = ".CHK";
  if (upperName.size() != kStart.size() + 4 + kEnd.size() || !upperName.starts_with(kStart) ||
      !upperName.ends_with(kEnd)) {
    return false;
  }
  const auto digits = upperName.substr(kStart.size(), 4);
  return std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; });
}

// An extension of two or three characters that begins with "~" (".~A", ".~DF").
bool IsBackupCopyName(std::string_view path) {
  const auto n = path.size();
  return (n >= 4 && path[n - 4] == '.' && path[n - 3] == '~') ||
         (n >= 3 && path[n - 3] == '.' && path[n - 2] == '~');
}

// From the last "." to the end, unless a "\" or ":" follows it.
std::string_view ExtensionOf(std::string_view path) {
  const auto dot = path.find_last_of('.');
  if (dot == std::string_view::npos || path.find_first_of("\\:", dot) != std::string_view::npos) {
    return {};
  }
  return path.substr(dot);
}

bool HasNoFileSystemTarget(std::string_view target) { return target.size() <= 3; }

}  // namespace

std::vector<FileCategoryIndex> JunkKindsOf(std::string_view upperPath, std::string_view name,
                                           std::uint64_t size) {
  std::vector<FileCategoryIndex> kinds;
  const auto add = [&kinds](bool matches, FileCategoryIndex kind) {
    if (matches) kinds.push_back(kind);
  };
  add(EndsWith(upperPath, ".LNK"), kShortcuts);
  add(EndsWith(upperPath, ".PIF"), kDosShortcuts);
  add(EndsWith(upperPath, ".GID") && size > 4, kHelpIndexes);
  add(IsCheckDiskFragmentName(NameOf(upperPath)) && size > 0, kCheckDiskFragments);
  add(name.starts_with('~') || EndsWith(upperPath, ".$$$"), kTempInstallFiles);
  add(IsBackupCopyName(upperPath), kBackupCopies);
  add(EndsWith(upperPath, ".TMP") && !name.starts_with('~'), kTempFiles);
  add(EndsWith(upperPath, ".BAK") || EndsWith(upperPath, ".B~K") || EndsWith(upperPath, ".---"),
      kBakFiles);
  return kinds;
}

JunkFileSweep::JunkFileSweep(RunContext& run, TShellLink& shellLink)
    : run_(run),
      shellLink_(shellLink),
      pendingRenames_(
          ReadPendingRenames(run.platform.registry, run.platform.shell, run.platform.files)),
      views_(FileViews::Of(run.platform.shell, run.state.WinDir)),
      files_(SweepFileContext(run, pendingRenames_)) {}

void JunkFileSweep::SweepJunkFiles() {
  run_.itemLabel = kFolderSearchText;
  run_.itemLabel = run_.LoadText(kFolderSearchTextId);
  run_.platform.pump.Pump();
  OpenCategories();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string root = std::string(1, letter) + ":\\";
    const auto index = static_cast<std::size_t>(letter - 'A');
    if (run_.state.SweepDrives[index] == 1 && IsDriveAvailable(run_.platform.files, root)) {
      WalkFolder(root);
      if (run_.state.AbortRequested) return;
    }
  }
  if (run_.state.AbortRequested) return;
  CloseCategories();
}

void JunkFileSweep::OpenCategories() {
  for (const FileCategory& category : kFileCategories) {
    if (!IsOn(category.which)) continue;
    CategoryItem& item = run_.categories.Add(category.index, std::string(category.caption));
    item.caption = run_.LoadText(category.captionId);
    item.category.CreateLists();
    items_[static_cast<std::size_t>(category.index)] = &item;
  }
}

void JunkFileSweep::CloseCategories() {
  for (CategoryItem* item : items_) {
    run_.platform.pump.Pump();
    if (item) CloseCategory(*item, 1, run_.loadText);
  }
}

void JunkFileSweep::WalkFolder(const std::string& folder) {
  if (run_.state.AbortRequested) return;
  run_.statusLabel = folder;
  run_.platform.pump.Pump();
  FilePass(folder);
  SubfolderPass(folder);
}

// An error on one file ends this folder's file pass, nothing more. Input ends
// it after the file at hand.
void JunkFileSweep::FilePass(const std::string& folder) {
  try {
    const auto listing =
        run_.platform.files.List(platform::ExactName(folder) + "*.*", kListEverything);
    for (const DirEntry& entry : listing.entries) {
      ClassifyFile(folder, entry);
      if (!entry.IsFolder() && run_.state.AbortRequested) return;
    }
  } catch (const std::exception& error) {
    run_.Journal().FolderSkipped(folder, error.what());
  }
}

void JunkFileSweep::SubfolderPass(const std::string& folder) {
  try {
    const auto listing =
        run_.platform.files.List(platform::ExactName(folder) + "*.*", kListEverything);
    for (const DirEntry& entry : listing.entries) {
      if (run_.state.AbortRequested) return;
      if (!entry.IsFolder() || entry.name.starts_with('.') || IsEntryToLeaveAlone(entry)) continue;
      const std::string path = folder + entry.name;
      if (path.size() >= kLongestSweptPath || LeadsElsewhere(run_.platform.files, path)) continue;
      if (entry.name.starts_with('~') || entry.name.starts_with('$')) {
        SweepTempFolder(path, entry);
      } else if (!IsExcludedFolder(run_, path)) {
        WalkFolder(path + '\\');
      }
    }
  } catch (const std::exception& error) {
    run_.Journal().FolderSkipped(folder, error.what());
  }
}

// A temporary folder is never entered by the walk. A system-owned "$" folder
// stays, here and inside any temporary folder. Input stops the size walk as
// it stops the deletion: a folder not fully sized is not recorded.
void JunkFileSweep::SweepTempFolder(const std::string& folder, const DirEntry& entry) {
  if (!IsOn(Switch::CustomTmpFolders) || IsExcludedFolder(run_, folder)) return;
  if (IsSystemOwnedFolder(entry)) return;
  std::uint64_t total = 0;
  FolderSize(run_.platform.files, folder + '\\', total, files_.shouldStop);
  if (run_.PumpAndCheckAbort()) return;
  Record(kTempFolders, {folder, {}, {}, std::to_string(total)});
  if (!run_.state.UnattendedMode) return;
  DeleteFolderTree(files_, folder, [this](std::string_view path, DeletionOutcome outcome) {
    ReportDeletion(run_, kTempFolders, path, outcome);
  });
  const bool removed = run_.platform.files.FolderExists(folder) == Presence::Missing;
  run_.Journal().FolderSwept(kTempFolders, folder, removed);
}

// Most files are no candidate at all: their names are tested before the
// exclusion lists are searched.
void JunkFileSweep::ClassifyFile(const std::string& folder, const DirEntry& entry) {
  if (entry.IsFolder() || IsEntryToLeaveAlone(entry)) return;
  const std::string path = UpperFolder(folder) + run_.platform.shell.UpperCase(entry.name);
  if (path.size() >= kLongestSweptPath) return;
  auto kinds = JunkKindsOf(path, entry.name, entry.size);
  std::erase_if(kinds, [this](FileCategoryIndex kind) {
    return !IsOn(kFileCategories[static_cast<std::size_t>(kind)].which);
  });
  if (kinds.empty() || IsExcludedFile(run_, path)) return;
  for (const FileCategoryIndex kind : kinds) {
    if (IsFileInUse(files_, path)) {
      // After a first kind acted on it, the file may simply be gone.
      if (kind == kinds.front()) ReportDeletion(run_, kind, path, DeletionOutcome::InUse);
      return;
    }
    Act(kind, path, entry.size);
  }
}

const std::string& JunkFileSweep::UpperFolder(const std::string& folder) {
  if (folder != folder_) {
    folder_ = folder;
    upperFolder_ = run_.platform.shell.UpperCase(folder);
  }
  return upperFolder_;
}

void JunkFileSweep::Act(FileCategoryIndex category, const std::string& path, std::uint64_t size) {
  switch (category) {
    case kShortcuts:
      return CheckShortcut(path, kLinkKind, size);
    case kDosShortcuts:
      return CheckShortcut(path, kPifKind, size);
    case kHelpIndexes:
      return CheckHelpIndex(path, size);
    default:
      Record(category, {path, {}, {}, std::to_string(size)});
      Delete(category, path);
  }
}

// Only read, never written: the file keeps its attributes. Only the bytes of
// the signature are read; a help index may be gigabytes long.
void JunkFileSweep::CheckHelpIndex(const std::string& path, std::uint64_t size) {
  const auto content = run_.platform.files.ReadStart(path, kHelpSignature.size());
  const bool isHelpIndex = content && content->starts_with(kHelpSignature);
  if (isHelpIndex) Record(kHelpIndexes, {path, {}, {}, std::to_string(size)});
  run_.platform.pump.Pump();
  if (isHelpIndex) Delete(kHelpIndexes, path);
}

// A link is judged only by what was loaded from it: one that does not load,
// or whose re-read fails, is left alone.
void JunkFileSweep::CheckShortcut(const std::string& path, int kind, std::uint64_t size) {
  shellLink_.SetPath(path);
  if (!shellLink_.Success || shellLink_.Path() != path) return;
  shellLink_.SetUpdate(true);
  if (!shellLink_.Success) return;
  const std::string target = DeadShortcutTarget();
  if (target.empty()) return;
  const auto category = kind == kLinkKind ? kShortcuts : kDosShortcuts;
  Record(category, {path, target, {}, std::to_string(size)});
  Delete(category, path);
}

// The tested target when the loaded link's target is gone, else empty; gone
// as the registry scans judge it (common/orphan_paths.h): a drive whose root
// cannot be listed now and a file seen in another view of the system or
// program folders keep the link. A file target is tested as stored first: it
// is a path, and cutting it like a command line ("C:\USERS\J.DOE SMITH\APP.EXE"
// at "J.DOE") would call a present file missing. It counts as gone only when
// no reading names a file.
std::string JunkFileSweep::DeadShortcutTarget() {
  platform::Shell& shell = run_.platform.shell;
  platform::FileSystem& files = run_.platform.files;
  const DriveFlags& checkDrives = run_.state.CheckDrives;
  const std::string& target = shellLink_.Target;
  if (HasNoFileSystemTarget(target)) return {};
  const std::string upper = shell.UpperCase(target);
  if (IsExcludedFile(run_, upper) || run_.state.ExcludedFiles.Contains(ExtensionOf(upper))) {
    return {};
  }
  if (shellLink_.IsDir) return IsOrphanedFolder(files, checkDrives, upper, views_) ? upper : "";
  const std::string stored = NormalizePath(shell, target);
  std::string program = stored;
  ExtractCommandPath(shell, program);
  program = NormalizePath(shell, program);
  const std::string& tested = IsOnCheckDrive(checkDrives, stored) ? stored : program;
  if (!IsTestablePath(checkDrives, tested) || FolderMayBeThere(files, stored, views_)) return {};
  const bool gone = NoReadingThere(files, checkDrives, CommandReadings(stored, program), views_) &&
                    IsDriveRootListable(files, tested);
  return gone ? tested : std::string();
}

void JunkFileSweep::Record(FileCategoryIndex category, Finding finding) {
  if (CategoryItem* item = items_[static_cast<std::size_t>(category)]) {
    item->category.Record(std::move(finding));
  }
}

void JunkFileSweep::Delete(FileCategoryIndex category, const std::string& path) {
  if (run_.state.UnattendedMode) ReportDeletion(run_, category, path, DeleteJunkFile(files_, path));
}

void SweepJunkFiles(RunContext& run, TShellLink& shellLink) {
  JunkFileSweep(run, shellLink).SweepJunkFiles();
}

}  // namespace zent
