#pragma once

// The Internet-cache sweep: gathers the browser cache folders the registry
// names, walks each with all its subfolders and, in unattended mode, deletes
// the cached web files (pictures, pages, scripts) into the recycle bin,
// recording each in the cache category.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/files.h"
#include "run/findings.h"
#include "run/run_context.h"
#include "sweep/file_helpers.h"
#include "sysinfo/os_info.h"

namespace zent {

inline constexpr int kCacheCategory = 9;
inline constexpr std::string_view kCacheCaption = "Internet-Cache";
inline constexpr int kCacheCaptionId = 20210;
inline constexpr std::string_view kCacheSearchText = "Suche im Internet-Cache";
inline constexpr int kCacheSearchTextId = 20211;

inline constexpr std::string_view kCachePathsKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths";
inline constexpr std::string_view kBrowserServerKey =
    "CLSID\\{E67D6A10-4438-11CE-8CE4-0020AF18F905}\\";
inline constexpr std::string_view kNavigatorUsersKey =
    "SOFTWARE\\Netscape\\Netscape Navigator\\Users";

// The folder above `path`; nothing for a folder directly below a drive root
// ("C:\CACHE") or a text without a backslash past the root.
std::optional<std::string> ParentFolder(std::string_view path);

// The cache folders the registry names, in the order they are read, without
// trailing backslashes and without duplicates (compared without regard to
// case).
std::vector<std::string> CacheFolders(RunContext& run);

// A folder the registry calls a cache is not trusted blindly: a drive root, a
// protected folder (Windows, system, product, profile, shell and every known
// folder) or a folder above one of them is refused. The browser's own cache
// folders (`cacheFolders`) and what lies inside them are what the sweep is
// for: a protected folder at or below one of them does not refuse a folder
// at or below the same one. `folder` is judged as written, so it must be the
// resolved path. Texts compare in upper case.
bool IsRefusedCacheFolder(platform::Shell& shell, std::string_view folder,
                          const std::vector<std::string>& protectedFolders,
                          const std::vector<std::string>& cacheFolders = {});

// The run's own protected folders (Windows, system, fonts and product folder,
// the profile and program folders from the environment, every known folder)
// followed by `extra`, each also as the real path it resolves to.
std::vector<std::string> ProtectedFolders(RunContext& run, std::vector<std::string> extra);

// The known folders of the browser's cache, cookies and history, each also as
// its real path.
std::vector<std::string> BrowserCacheFolders(RunContext& run);

class InternetCacheSweep {
 public:
  InternetCacheSweep(RunContext& run, std::vector<std::string> protectedFolders);
  InternetCacheSweep(const InternetCacheSweep&) = delete;
  InternetCacheSweep& operator=(const InternetCacheSweep&) = delete;

  void SweepInternetCaches();
  // `folder` ends in "\".
  void WalkCacheFolder(const std::string& folder);
  void ClassifyCacheFile(const std::string& folder, const platform::DirEntry& entry);

 private:
  // `named`: as the registry names it; `real`: where it resolves to.
  bool MayWalk(const std::string& named, const std::string& real);

  RunContext& run_;
  std::vector<std::string> protectedFolders_;
  std::vector<std::string> cacheFolders_;
  std::unordered_set<std::string> pendingRenames_;
  FileHelperContext files_;
  CategoryItem* item_ = nullptr;
};

// The user's shell folders as the system facts hold them.
std::vector<std::string> ShellFolders(const SystemFacts& facts);

// `shellFolders`: the user's shell folders, protected like the run's own.
void SweepInternetCaches(RunContext& run, std::vector<std::string> shellFolders);

}  // namespace zent
