#include "sweep/file_helpers.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

#include "common/path_helpers.h"
#include "platform/utf8.h"
#include "run/run_journal.h"

namespace zent {
namespace {

using platform::DirEntry;
using platform::FileSystem;
using platform::FsError;
using platform::Presence;
using FolderTest = std::function<bool(std::string_view)>;

// Read-only, hidden, system, volume, directory and archive: every entry.
constexpr std::uint32_t kListEverything = 0x3F;

// A file whose content lives in the cloud: opening it, even only to test it,
// makes the system fetch the whole content.
constexpr std::uint32_t kPlaceholderBits =
    platform::kAttrOffline | platform::kAttrRecallOnOpen | platform::kAttrRecallOnDataAccess;

bool HasBits(std::uint32_t attributes, std::uint32_t bits) { return (attributes & bits) != 0; }

bool IsFileEntry(const DirEntry& entry) {
  return !HasBits(entry.attributes, platform::kAttrDirectory);
}

// "." and ".." lead back up; a junction or link leads somewhere else entirely,
// also one listed without its reparse bit; a system-owned "$" folder is kept
// at every depth, so nothing below it goes.
bool IsSubfolderToEnter(FileSystem& files, const std::string& folder, const DirEntry& entry) {
  return HasBits(entry.attributes, platform::kAttrDirectory) &&
         !HasBits(entry.attributes, platform::kAttrReparsePoint) && !entry.name.starts_with('.') &&
         !IsSystemOwnedFolder(entry) && !LeadsElsewhere(files, folder + entry.name);
}

bool StopRequested(const StopTest& shouldStop) { return shouldStop && shouldStop(); }

// Without the backslash the pattern "C:\TEMP*.*" would list the folder's
// siblings instead of its content.
std::string AsFolder(std::string_view folder) {
  std::string path(folder);
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

// A listing that fails is an empty folder. The folder goes by its exact name:
// "~TMP.\" must not list "~TMP\".
std::vector<DirEntry> ListFolder(FileSystem& files, const std::string& folder) {
  return files.List(platform::ExactName(folder) + "*.*", kListEverything).entries;
}

bool IsDriveLetterPath(std::string_view path) {
  const char letter = static_cast<char>(path.empty() ? 0 : path[0] & ~0x20);
  return path.size() >= 3 && letter >= 'A' && letter <= 'Z' && path[1] == ':' && path[2] == '\\';
}

// "\\server\share\folder": at least one folder below the share.
bool IsBelowNetworkShare(std::string_view path) {
  if (!path.starts_with("\\\\")) return false;
  path.remove_prefix(2);
  int parts = 0;
  while (!path.empty()) {
    const auto cut = path.find('\\');
    if (cut == 0) return false;
    ++parts;
    path = cut == std::string_view::npos ? std::string_view{} : path.substr(cut + 1);
  }
  return parts >= 3;
}

// The tree operations delete what they find; an empty or relative path, a
// drive root or a share would hand them a whole drive.
bool IsBelowRoot(std::string_view fullPath) {
  if (fullPath.starts_with("\\\\?\\")) fullPath.remove_prefix(4);
  const std::string path = StripTrailingBackslashes(fullPath);
  if (IsDriveLetterPath(path)) return path.size() > 3;
  return IsBelowNetworkShare(path);
}

bool IsAbsolute(std::string_view path) {
  return IsDriveLetterPath(path) || path.starts_with("\\\\");
}

// The folder a tree operation may walk, as a full path ending in "\"; nothing
// for a folder that is missing, too close to a root, or itself a junction.
std::optional<std::string> FolderToWalk(FileSystem& files, std::string_view folder) {
  if (!IsAbsolute(folder)) return std::nullopt;
  const auto full = files.FullPath(platform::ExactName(folder));
  if (!full || !IsBelowRoot(*full)) return std::nullopt;
  std::string_view plain = *full;
  if (plain.starts_with("\\\\?\\")) plain.remove_prefix(4);
  const std::string path = StripTrailingBackslashes(plain);
  const auto attributes = files.Attributes(platform::ExactName(path));
  if (!attributes.ok() || !HasBits(attributes.attributes, platform::kAttrDirectory) ||
      HasBits(attributes.attributes, platform::kAttrReparsePoint) || LeadsElsewhere(files, path)) {
    return std::nullopt;
  }
  return path + '\\';
}

// The shell's file list ends at the first NUL and treats "*" and "?" as
// wildcards; either would make it act on other files than the one meant.
bool NamesOtherFilesToTheShell(std::string_view path) {
  if (path.starts_with("\\\\?\\")) path.remove_prefix(4);
  return std::ranges::any_of(path, [](char c) { return c == '*' || c == '?' || c == '\0'; });
}

// The folder part of a walked path as the system takes it exactly ("C:\" for
// a file in a root), and the name.
std::pair<std::string, std::string_view> FolderAndName(std::string_view path) {
  const auto cut = path.find_last_of('\\');
  if (cut == std::string_view::npos) return {};
  std::string folder(path.substr(0, cut));
  if (folder.ends_with(':')) folder += '\\';
  return {platform::ExactName(folder), path.substr(cut + 1)};
}

bool IsWhereItWasFound(FileSystem& files, std::string_view path,
                       const platform::EntryIdentity& identity) {
  const auto [folder, name] = FolderAndName(path);
  const auto realFolder = folder.empty() ? std::nullopt : files.ResolvedPath(folder);
  if (!realFolder) return false;
  std::string expected = *realFolder;
  if (!expected.ends_with('\\')) expected += '\\';
  expected += name;
  return UpperCaseUtf8(expected) == UpperCaseUtf8(identity.finalPath);
}

bool IsProtected(const FileHelperContext& context, std::string_view path) {
  return context.isProtectedFile && context.isProtectedFile(path);
}

// The sweeps test a file's walked name against the exclusions before they hand
// it over; a file that really has another name (reached through a mapped drive
// or short names) is tested again under that one. Testing the same name twice
// would only open the file once more to resolve it.
bool IsExcludedUnderRealName(const FileHelperContext& context, std::string_view walkedPath,
                             std::string_view realPath) {
  return context.isExcludedFile && UpperCaseUtf8(walkedPath) != UpperCaseUtf8(realPath) &&
         context.isExcludedFile(realPath);
}

// What the chain must not do to a file, judged by what the file really is.
std::optional<DeletionOutcome> RefusalByIdentity(const FileHelperContext& context,
                                                 std::string_view path) {
  const auto identity = context.files.Identity(platform::ExactName(path));
  if (!identity) return DeletionOutcome::NotThere;
  if (IsProtected(context, identity->finalPath)) return DeletionOutcome::Protected;
  if (IsExcludedUnderRealName(context, path, identity->finalPath)) return DeletionOutcome::Excluded;
  if (identity->isLink || !IsWhereItWasFound(context.files, path, *identity)) {
    return DeletionOutcome::Link;
  }
  if (identity->linkCount > 1) return DeletionOutcome::HardLinked;
  return std::nullopt;
}

// Puts a file's attributes back unless the file has gone where they no longer
// matter. Restoring on every way out keeps a file that stays unchanged.
class AttributeRestorer {
 public:
  AttributeRestorer(FileSystem& files, std::string_view path, std::uint32_t attributes)
      : files_(files), path_(path), attributes_(attributes) {}
  AttributeRestorer(const AttributeRestorer&) = delete;
  AttributeRestorer& operator=(const AttributeRestorer&) = delete;
  ~AttributeRestorer() {
    if (!pending_) return;
    try {
      files_.SetAttributes(path_, attributes_);
    } catch (...) {
      // Already unwinding from the error that matters; this one adds nothing.
    }
  }

  void RestoreNow() {
    pending_ = false;
    files_.SetAttributes(path_, attributes_);
  }
  void Dismiss() { pending_ = false; }

 private:
  FileSystem& files_;
  std::string path_;
  std::uint32_t attributes_;
  bool pending_ = true;
};

bool ExclusiveOpenFails(const FileHelperContext& context, std::string_view path) {
  context.pump.Pump();
  const auto read = context.files.Attributes(path);
  if (!read.ok() || HasBits(read.attributes, kPlaceholderBits)) return true;
  AttributeRestorer restorer(context.files, path, read.attributes);
  context.files.SetAttributes(path, 0);
  context.pump.Pump();
  const auto opened = context.files.OpenExclusive(path);
  restorer.RestoreNow();
  context.pump.Pump();
  return opened == nullptr;
}

DeletionOutcome RecycleFileIfFree(const FileHelperContext& context, std::string_view path) {
  if (context.files.FileExists(path) != Presence::Present) return DeletionOutcome::NotThere;
  // Before the in-use test, which would take a refused open for a held file.
  if (!context.files.MayDelete(path)) return DeletionOutcome::NeedsRights;
  if (IsFileInUse(context, path)) return DeletionOutcome::InUse;
  const auto read = context.files.Attributes(path);
  if (!read.ok()) return DeletionOutcome::Failed;
  context.pump.Pump();
  AttributeRestorer restorer(context.files, path, read.attributes);
  context.files.SetAttributes(path, 0);
  context.pump.Pump();
  if (SendToRecycleBin(context, path)) {
    restorer.Dismiss();
    return DeletionOutcome::Recycled;
  }
  restorer.RestoreNow();
  return DeletionOutcome::BinRefused;
}

DeletionOutcome RecycleOutcome(const FileHelperContext& context, std::string_view path,
                               int& failures) {
  context.pump.Pump();
  try {
    return RecycleFileIfFree(context, path);
  } catch (const std::exception&) {
    ++failures;
    return DeletionOutcome::Failed;
  }
}

struct OutcomeReason {
  DeletionOutcome outcome;
  std::string_view reason;
};

constexpr OutcomeReason kLeftAloneReasons[] = {
    {DeletionOutcome::Recycled, ""},
    {DeletionOutcome::Protected, "the system renames or deletes it at its next start"},
    {DeletionOutcome::ReadOnly, "write-protected, and write-protected files may not be deleted"},
    {DeletionOutcome::InUse, "in use"},
    {DeletionOutcome::NotThere, "no longer there, or its presence cannot be told"},
    {DeletionOutcome::BinRefused, "the recycle bin refused it"},
    {DeletionOutcome::Failed, "an error while deleting it"},
    {DeletionOutcome::Link, "a link, or a name for something that lies elsewhere"},
    {DeletionOutcome::HardLinked, "one of several names of the same file"},
    {DeletionOutcome::Excluded, "excluded under the name it really has"},
    {DeletionOutcome::NeedsRights, kNeedsAdministratorRights},
};

// False once asked to stop: after any file or folder.
bool AddFolderSize(FileSystem& files, const std::string& folder, std::uint64_t& total,
                   const StopTest& shouldStop) {
  const auto entries = ListFolder(files, folder);
  for (const auto& entry : entries) {
    if (!IsFileEntry(entry)) continue;
    total += entry.size;
    if (StopRequested(shouldStop)) return false;
  }
  for (const auto& entry : entries) {
    if (IsSubfolderToEnter(files, folder, entry) &&
        !AddFolderSize(files, folder + entry.name + '\\', total, shouldStop)) {
      return false;
    }
  }
  return !StopRequested(shouldStop);
}

bool IsExcludedFolder(const FileHelperContext& context, const std::string& folder) {
  return context.isExcludedFolder && context.isExcludedFolder(folder);
}

// False once asked to stop: after any folder.
bool CollectFilesBelow(const FileHelperContext& context, const std::string& folder,
                       std::vector<std::string>& paths) {
  if (StopRequested(context.shouldStop)) return false;
  const auto entries = ListFolder(context.files, folder);
  for (const auto& entry : entries) {
    if (!IsFileEntry(entry)) continue;
    std::string path = folder + entry.name;
    if (!context.isExcludedFile || !context.isExcludedFile(path)) paths.push_back(std::move(path));
  }
  for (const auto& entry : entries) {
    if (IsSubfolderToEnter(context.files, folder, entry) &&
        !IsExcludedFolder(context, folder + entry.name) &&
        !CollectFilesBelow(context, folder + entry.name + '\\', paths)) {
      return false;
    }
  }
  return true;
}

// The attributes are cleared so that a read-only folder can go; one that stays
// because it still holds something gets them back.
void RemoveFolderIfEmpty(FileSystem& files, const std::string& walkedFolder) {
  const std::string folder = platform::ExactName(walkedFolder);
  const auto read = files.Attributes(folder);
  if (!read.ok()) {
    files.RemoveFolder(folder);
    return;
  }
  files.SetAttributes(folder, 0);
  if (!files.RemoveFolder(folder)) files.SetAttributes(folder, read.attributes);
}

// An excluded folder stays, empty or not, and so do the folders above it.
// False once asked to stop: after any folder.
bool RemoveEmptyFolders(FileSystem& files, const std::string& folder,
                        const FolderTest& isExcludedFolder, const StopTest& shouldStop) {
  for (const auto& entry : ListFolder(files, folder)) {
    const std::string path = folder + entry.name;
    if (IsSubfolderToEnter(files, folder, entry) && !(isExcludedFolder && isExcludedFolder(path)) &&
        !RemoveEmptyFolders(files, path + '\\', isExcludedFolder, shouldStop)) {
      return false;
    }
  }
  RemoveFolderIfEmpty(files, folder);
  return !StopRequested(shouldStop);
}

}  // namespace

std::string_view LeftAloneReason(DeletionOutcome outcome) {
  for (const auto& entry : kLeftAloneReasons) {
    if (entry.outcome == outcome) return entry.reason;
  }
  return {};
}

bool IsSystemOwnedFolder(const DirEntry& entry) {
  return HasBits(entry.attributes, platform::kAttrDirectory) && entry.name.starts_with('$') &&
         HasBits(entry.attributes, platform::kAttrHidden | platform::kAttrSystem);
}

bool IsDriveAvailable(FileSystem& files, std::string_view root) {
  const FsError error = files.List(root, kListEverything).error;
  return error != FsError::PathNotFound && error != FsError::DeviceNotReady;
}

bool LeadsElsewhere(FileSystem& files, std::string_view path) {
  const auto identity = files.Identity(platform::ExactName(path));
  return !identity || identity->isLink || !IsWhereItWasFound(files, path, *identity);
}

bool IsFileInUse(const FileHelperContext& context, std::string_view path) {
  try {
    return ExclusiveOpenFails(context, platform::ExactName(path));
  } catch (const std::exception&) {
    return true;
  }
}

DeletionOutcome DeleteJunkFile(const FileHelperContext& context, std::string_view walkedPath) {
  if (IsProtected(context, walkedPath)) return DeletionOutcome::Protected;
  if (const auto refusal = RefusalByIdentity(context, walkedPath)) return *refusal;
  const std::string path = platform::ExactName(walkedPath);
  const auto read = context.files.Attributes(path);
  context.pump.Pump();
  const bool readOnly = !read.ok() || HasBits(read.attributes, platform::kAttrReadOnly);
  if (readOnly && !context.deleteWriteProtected) return DeletionOutcome::ReadOnly;
  int failures = 0;
  return RecycleOutcome(context, path, failures);
}

void RecycleFile(const FileHelperContext& context, std::string_view path, int& failures) {
  RecycleOutcome(context, platform::ExactName(path), failures);
}

bool SendToRecycleBin(const FileHelperContext& context, std::string_view path) {
  if (NamesOtherFilesToTheShell(path) || context.files.FileExists(path) != Presence::Present) {
    return false;
  }
  const auto full = context.files.FullPath(path);
  if (!full || full->empty() || NamesOtherFilesToTheShell(*full)) return false;
  return context.shell.MoveToRecycleBin(*full) == platform::RecycleOutcome::Recycled;
}

void FolderSize(FileSystem& files, std::string_view folder, std::uint64_t& total,
                const StopTest& shouldStop) {
  AddFolderSize(files, AsFolder(folder), total, shouldStop);
}

void CollectFiles(const FileHelperContext& context, std::string_view folder,
                  std::vector<std::string>& paths) {
  CollectFilesBelow(context, AsFolder(folder), paths);
}

void RemoveFolderTree(FileSystem& files, std::string_view folder) {
  if (const auto top = FolderToWalk(files, folder)) RemoveEmptyFolders(files, *top, {}, {});
}

void DeleteFolderTree(const FileHelperContext& context, std::string_view folder,
                      const DeletionReport& report) {
  const auto top = FolderToWalk(context.files, folder);
  if (!top) return;
  std::vector<std::string> paths;
  if (!CollectFilesBelow(context, *top, paths)) return;
  for (const auto& path : paths) {
    const DeletionOutcome outcome = DeleteJunkFile(context, path);
    if (report) report(path, outcome);
    if (StopRequested(context.shouldStop)) return;
  }
  RemoveEmptyFolders(context.files, *top, context.isExcludedFolder, context.shouldStop);
}

}  // namespace zent
