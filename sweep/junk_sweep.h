#pragma once

// The junk-file sweep: walks every selected drive folder by folder, tests each
// file against eight junk kinds and each folder against the temporary-folder
// rule, records every match in its file category and, in unattended mode,
// deletes it at once into the recycle bin. Shortcuts are judged by their
// target (CheckShortcut).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "common/file_views.h"
#include "platform/files.h"
#include "run/findings.h"
#include "run/run_context.h"
#include "run/switches.h"
#include "sweep/file_helpers.h"
#include "sweep/shell_link.h"

namespace zent {

enum FileCategoryIndex : int {
  kShortcuts = 0,
  kDosShortcuts = 1,
  kHelpIndexes = 2,
  kCheckDiskFragments = 3,
  kTempInstallFiles = 4,
  kBackupCopies = 5,
  kTempFiles = 6,
  kBakFiles = 7,
  kTempFolders = 8,
};

struct FileCategory {
  FileCategoryIndex index;
  std::string_view caption;
  int captionId;
  Switch which;
};

inline constexpr std::array<FileCategory, 9> kFileCategories = {{
    {kShortcuts, "Verknüpfungen", 20201, Switch::FilesLnks},
    {kDosShortcuts, "DOS-Verknüpf.", 20202, Switch::FilesPif},
    {kHelpIndexes, "GID-Dateien", 20203, Switch::FilesGid},
    {kCheckDiskFragments, "CHK-Dateien", 20204, Switch::FilesChk},
    {kTempInstallFiles, "Temp. Inst. Dateien", 20205, Switch::FilesTmpInstFiles},
    {kBackupCopies, "Sicherungskopien", 20206, Switch::FilesBackups},
    {kTempFiles, "Temporäre Dateien", 20207, Switch::FilesTmp},
    {kBakFiles, "BAK-Dateien", 20208, Switch::FilesBak},
    {kTempFolders, "Temporäre Ordner", 20209, Switch::CustomTmpFolders},
}};

inline constexpr std::string_view kFolderSearchText = "Suche in Ordner";
inline constexpr int kFolderSearchTextId = 20200;

// The shortcut kinds CheckShortcut takes.
inline constexpr int kLinkKind = 1;  // ".LNK", category 0
inline constexpr int kPifKind = 2;   // ".PIF", category 1

// Which file categories a file belongs to by its name and listed size,
// without opening it; in the order they are tested. `upperPath` is the
// upper-cased full path, `name` the name as listed.
std::vector<FileCategoryIndex> JunkKindsOf(std::string_view upperPath, std::string_view name,
                                           std::uint64_t size);

class JunkFileSweep {
 public:
  JunkFileSweep(RunContext& run, TShellLink& shellLink);
  // The deletion context refers to the object's own members.
  JunkFileSweep(const JunkFileSweep&) = delete;
  JunkFileSweep& operator=(const JunkFileSweep&) = delete;

  void SweepJunkFiles();
  // `folder` ends in "\".
  void WalkFolder(const std::string& folder);
  void ClassifyFile(const std::string& folder, const platform::DirEntry& entry);
  // Records the file when it starts with the help-file signature.
  void CheckHelpIndex(const std::string& path, std::uint64_t size);
  // Records the shortcut when the target it was loaded with is gone.
  void CheckShortcut(const std::string& path, int kind, std::uint64_t size);

 private:
  bool IsOn(Switch which) const { return run_.state.Switches.On(which); }
  void OpenCategories();
  void CloseCategories();
  void FilePass(const std::string& folder);
  void SubfolderPass(const std::string& folder);
  void SweepTempFolder(const std::string& folder, const platform::DirEntry& entry);
  void Act(FileCategoryIndex category, const std::string& path, std::uint64_t size);
  void Record(FileCategoryIndex category, Finding finding);
  void Delete(FileCategoryIndex category, const std::string& path);
  std::string DeadShortcutTarget();
  // The folder's upper case, kept while its files are classified.
  const std::string& UpperFolder(const std::string& folder);

  RunContext& run_;
  TShellLink& shellLink_;
  std::unordered_set<std::string> pendingRenames_;
  FileViews views_;
  FileHelperContext files_;
  std::array<CategoryItem*, kFileCategories.size()> items_{};
  std::string folder_;
  std::string upperFolder_;
};

// Runs the sweep over the drives of `SweepDrives`.
void SweepJunkFiles(RunContext& run, TShellLink& shellLink);

}  // namespace zent
