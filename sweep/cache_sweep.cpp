#include "sweep/cache_sweep.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "common/path_helpers.h"
#include "common/registry_helpers.h"
#include "sweep/sweep_guards.h"

namespace zent {
namespace {

using platform::DirEntry;
using platform::RegRoot;

constexpr std::uint32_t kListEverything = 0x3F;
constexpr std::string_view kCachedKinds[] = {".JPG", ".GIF", ".ART", ".HTM", ".JS", ".HTML"};
constexpr std::string_view kServerValues[] = {"LocalServer", "LocalServer32"};

// Folders whose loss would hurt, as the environment names them.
constexpr std::string_view kEnvironmentFolders[] = {
    "%USERPROFILE%",       "%ALLUSERSPROFILE%", "%PUBLIC%",  "%ProgramFiles%",
    "%ProgramFiles(x86)%", "%ProgramData%",     "%APPDATA%", "%LOCALAPPDATA%"};

bool HasDriveLetter(std::string_view folder) {
  return folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\';
}

class FolderList {
 public:
  explicit FolderList(platform::Shell& shell) : shell_(shell) {}
  void Add(std::string folder) {
    std::string upper = shell_.UpperCase(folder);
    if (upper.empty() || std::ranges::find(upper_, upper) != upper_.end()) return;
    upper_.push_back(std::move(upper));
    folders_.push_back(std::move(folder));
  }
  std::vector<std::string> Take() { return std::move(folders_); }

 private:
  platform::Shell& shell_;
  std::vector<std::string> folders_;
  std::vector<std::string> upper_;
};

void AddParentCache(FolderList& folders, std::string_view path) {
  if (const auto parent = ParentFolder(path)) folders.Add(*parent + "\\Cache");
}

std::string ReadNormalized(RunContext& run, RegRoot root, std::string_view key,
                           std::string_view name) {
  platform::Shell& shell = run.platform.shell;
  const std::string value = RegReadTextOrEmpty(run.platform.registry, root, key, name);
  return value.empty() ? value : NormalizePath(shell, shell.UpperCase(value));
}

void AddNavigatorFolders(RunContext& run, FolderList& folders) {
  platform::Registry& registry = run.platform.registry;
  if (!RegKeyExists(registry, RegRoot::LocalMachine, kNavigatorUsersKey)) return;
  std::vector<std::string> users;
  if (const auto key =
          registry.Open(RegRoot::LocalMachine, kNavigatorUsersKey, platform::RegAccess::Read)) {
    users = key->SubkeyNames();
  }
  std::ranges::sort(users, {}, [](const std::string& name) { return UpperCaseUtf8(name); });
  for (const auto& user : users) {
    const std::string key = std::string(kNavigatorUsersKey) + "\\" + user;
    const std::string root = RegReadTextOrEmpty(registry, RegRoot::LocalMachine, key, "DirRoot");
    if (root.empty()) continue;
    const std::string folder = NormalizePath(run.platform.shell, root);
    folders.Add(folder + "\\CACHE");
    folders.Add(folder + "\\ARCHIVE");
  }
}

std::string UpperWithoutTrailingBackslashes(platform::Shell& shell, std::string_view path) {
  return StripTrailingBackslashes(shell.UpperCase(path));
}

bool IsAtOrInside(std::string_view path, std::string_view folder) {
  return path == folder ||
         (path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '\\');
}

// A folder reached through a link or under a short name is the same folder.
std::vector<std::string> WithRealPaths(platform::FileSystem& files,
                                       std::vector<std::string> folders) {
  const std::size_t named = folders.size();
  for (std::size_t i = 0; i < named; ++i) {
    if (folders[i].empty()) continue;
    if (auto real = files.ResolvedPath(folders[i])) folders.push_back(std::move(*real));
  }
  return folders;
}

}  // namespace

std::optional<std::string> ParentFolder(std::string_view path) {
  const auto cut = path.find_last_of('\\');
  if (cut == std::string_view::npos || cut < 3) return std::nullopt;
  return std::string(path.substr(0, cut));
}

std::vector<std::string> CacheFolders(RunContext& run) {
  FolderList folders(run.platform.shell);
  const std::string directory =
      ReadNormalized(run, RegRoot::LocalMachine, kCachePathsKey, "Directory");
  folders.Add(directory);
  AddParentCache(folders, directory);
  run.platform.pump.Pump();
  for (const auto value : kServerValues) {
    const std::string key = std::string(kBrowserServerKey) + std::string(value);
    AddParentCache(folders, ReadNormalized(run, RegRoot::ClassesRoot, key, ""));
  }
  AddNavigatorFolders(run, folders);
  return folders.Take();
}

bool IsRefusedCacheFolder(platform::Shell& shell, std::string_view folder,
                          const std::vector<std::string>& protectedFolders,
                          const std::vector<std::string>& cacheFolders) {
  const std::string candidate = UpperWithoutTrailingBackslashes(shell, folder);
  if (candidate.size() <= 2) return true;  // a drive root ("C:") or less
  std::vector<std::string> caches;
  for (const auto& cache : cacheFolders) {
    std::string upper = UpperWithoutTrailingBackslashes(shell, cache);
    if (upper.size() > 2 && IsAtOrInside(candidate, upper)) caches.push_back(std::move(upper));
  }
  return std::ranges::any_of(protectedFolders, [&](const std::string& folderToKeep) {
    const std::string kept = UpperWithoutTrailingBackslashes(shell, folderToKeep);
    return !kept.empty() && IsAtOrInside(kept, candidate) &&
           std::ranges::none_of(caches,
                                [&](const auto& cache) { return IsAtOrInside(kept, cache); });
  });
}

std::vector<std::string> ProtectedFolders(RunContext& run, std::vector<std::string> extra) {
  const SaverRunState& state = run.state;
  std::vector<std::string> folders{state.WinDir, state.SysDir, state.FontsDir,
                                   state.ProductDirectory};
  for (const auto name : kEnvironmentFolders) {
    std::string expanded = run.platform.shell.ExpandEnvironment(name);
    if (expanded.find('%') == std::string::npos) folders.push_back(std::move(expanded));
  }
  for (auto& known : run.platform.shell.KnownFolders()) folders.push_back(std::move(known.path));
  for (auto& folder : extra) folders.push_back(std::move(folder));
  return WithRealPaths(run.platform.files, std::move(folders));
}

std::vector<std::string> BrowserCacheFolders(RunContext& run) {
  std::vector<std::string> folders;
  for (auto& known : run.platform.shell.KnownFolders()) {
    if (known.isBrowserCache) folders.push_back(std::move(known.path));
  }
  return WithRealPaths(run.platform.files, std::move(folders));
}

InternetCacheSweep::InternetCacheSweep(RunContext& run, std::vector<std::string> protectedFolders)
    : run_(run),
      protectedFolders_(std::move(protectedFolders)),
      cacheFolders_(BrowserCacheFolders(run)),
      pendingRenames_(
          ReadPendingRenames(run.platform.registry, run.platform.shell, run.platform.files)),
      files_(SweepFileContext(run, pendingRenames_)) {}

void InternetCacheSweep::SweepInternetCaches() {
  if (run_.state.Switches.On(Switch::CustomCache)) {
    item_ = &run_.categories.Add(kCacheCategory, std::string(kCacheCaption));
    item_->caption = run_.LoadText(kCacheCaptionId);
    item_->category.CreateLists();
  }
  for (const std::string& folder : CacheFolders(run_)) {
    if (!HasDriveLetter(folder)) continue;
    run_.statusLabel = folder;
    run_.itemLabel = kCacheSearchText;
    run_.itemLabel = run_.LoadText(kCacheSearchTextId);
    run_.platform.pump.Pump();
    // Judged and walked only where it really leads: ".", "..", doubled
    // separators, trailing dots, short names and links resolved.
    const auto real = run_.platform.files.ResolvedPath(folder);
    if (real && MayWalk(folder, *real)) WalkCacheFolder(*real + '\\');
  }
  if (item_) CloseCategory(*item_, 1, run_.loadText);
}

bool InternetCacheSweep::MayWalk(const std::string& named, const std::string& real) {
  platform::FileSystem& files = run_.platform.files;
  const auto attributes = files.Attributes(real);
  return files.FolderExists(real) == platform::Presence::Present && attributes.ok() &&
         (attributes.attributes & platform::kAttrReparsePoint) == 0 &&
         !run_.state.ExcludedDirs.Contains(named) && !IsExcludedFolder(run_, real) &&
         !IsRefusedCacheFolder(run_.platform.shell, real, protectedFolders_, cacheFolders_);
}

void InternetCacheSweep::WalkCacheFolder(const std::string& folder) {
  if (run_.state.AbortRequested) return;
  run_.statusLabel = folder;
  run_.platform.pump.Pump();
  platform::FileSystem& files = run_.platform.files;
  try {
    for (const DirEntry& entry :
         files.List(platform::ExactName(folder) + "*.*", kListEverything).entries) {
      ClassifyCacheFile(folder, entry);
      if (!entry.IsFolder() && run_.state.AbortRequested) return;
    }
  } catch (const std::exception& error) {
    // Its subfolders are still walked: the error belonged to one file.
    run_.Journal().FolderSkipped(folder, error.what());
  }
  for (const DirEntry& entry :
       files.List(platform::ExactName(folder) + "*.*", kListEverything).entries) {
    if (!entry.IsFolder() || entry.name.starts_with('.') || IsEntryToLeaveAlone(entry)) continue;
    const std::string path = folder + entry.name;
    if (path.size() < kLongestSweptPath && !IsExcludedFolder(run_, path) &&
        !LeadsElsewhere(files, path)) {
      WalkCacheFolder(path + '\\');
    }
  }
}

void InternetCacheSweep::ClassifyCacheFile(const std::string& folder, const DirEntry& entry) {
  if (entry.IsFolder() || IsEntryToLeaveAlone(entry)) return;
  const std::string path = run_.platform.shell.UpperCase(folder + entry.name);
  if (path.size() >= kLongestSweptPath || IsExcludedFile(run_, path)) return;
  for (const auto kind : kCachedKinds) {
    if (!path.ends_with(kind)) continue;
    if (IsFileInUse(files_, path)) {
      ReportDeletion(run_, kCacheCategory, path, DeletionOutcome::InUse);
      return;
    }
    if (item_) item_->category.Record({path, {}, {}, std::to_string(entry.size)});
    if (run_.state.UnattendedMode) {
      ReportDeletion(run_, kCacheCategory, path, DeleteJunkFile(files_, path));
    }
  }
}

std::vector<std::string> ShellFolders(const SystemFacts& facts) {
  return {facts.ProgramsFolder(),  facts.RecentFolder(),  facts.StartMenuFolder(),
          facts.DocumentsFolder(), facts.DesktopFolder(), facts.StartUpFolder(),
          facts.SendToFolder(),    facts.NetHoodFolder(), facts.FontsFolder(),
          facts.PersonalFolder()};
}

void SweepInternetCaches(RunContext& run, std::vector<std::string> shellFolders) {
  InternetCacheSweep(run, ProtectedFolders(run, std::move(shellFolders))).SweepInternetCaches();
}

}  // namespace zent
