#pragma once

// The exclusion lists that protect files and folders from the sweeps:
// `ExcludedFiles` (full file paths, bare file names, extensions with their
// dot) and `ExcludedDirs` (folders without a trailing backslash). They are
// filled once at saver start from the recycle-bin folders and from four text
// files in the main program's folder, and only read afterwards.
//
// The files hold one entry per line, lines ending in CR, LF or both. The two
// shipped files may hold comments (";" first), %NAME% references, double
// quotes and folder variables (*WINDIR\SYSTEM\X.DLL); the two "_USER" files
// are taken line by line as they stand, only upper-cased.

#include <array>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/files.h"
#include "platform/shell.h"

namespace zent {

// The folders the variables of the shipped files stand for, as the
// operating-system information gives them (an empty text where it has none).
struct FolderVariables {
  std::string winDirectory;     // WINDIR
  std::string sysDirectory;     // SYSDIR
  std::string programsFolder;   // PROGRAMSDIR
  std::string recentFolder;     // RECENTDIR
  std::string startMenuFolder;  // STARTMENUDIR
  std::string documentsFolder;  // DOCUMENTSDIR
  std::string desktopFolder;    // DESKTOPDIR
  std::string startUpFolder;    // STARTUPDIR
  std::string sendToFolder;     // SENDTODIR
  std::string fontsFolder;      // FONTSDIR
  std::string personalFolder;   // PERSONALDIR
};

// Entries in the order they were added. Membership compares whole entries
// without regard to case (by the system's upper case): no wildcards, no
// prefixes.
class ExclusionList {
 public:
  explicit ExclusionList(platform::Shell& shell) : shell_(&shell) {}

  // Adds the entry as it is, without looking for an equal one (the recycle-bin
  // folders).
  void Append(std::string entry);
  // Adds a non-empty entry unless an equal one is already held; true when added.
  bool AppendIfAbsent(std::string entry);
  // Another name of an entry held (its real long path): found by Contains,
  // not listed in Entries.
  void AddAlias(std::string alias);
  bool Contains(std::string_view probe) const;
  const std::vector<std::string>& Entries() const { return entries_; }

 private:
  platform::Shell* shell_;
  std::vector<std::string> entries_;
  std::unordered_set<std::string> upperCased_;
};

// One line of a shipped exclusion file turned into its entry: environment
// references expanded, quotes removed, a leading "*" variable replaced by its
// folder (kept in the folder's own case); empty for a comment.
std::string ExpandExclusionLine(platform::Shell& shell, const FolderVariables& folders,
                                std::string_view line);

// Adds the upper-cased entries of one exclusion file to `target`: expanded line
// by line when `expand` is set, raw otherwise, then without trailing
// separators and blanks (which name no file). Empty entries and entries the
// list already holds are left out. A full path that resolves to another real
// long path (short names, links) is found under that path too. A file that
// is missing or cannot be read adds nothing.
//
// The files are single-byte text of the system code page, though a user may
// have saved one in UTF-8 or UTF-16 with a byte-order mark: a file that is
// valid UTF-8 throughout is taken as UTF-8 (a leading mark dropped), one that
// starts with the UTF-16 little-endian mark as UTF-16, and any other file as
// Windows-1252, the code page of the systems the files were written for. A NUL
// byte ends a line like a line break, so the entries around it stay whole.
void LoadExclusionFile(platform::FileSystem& files, platform::Shell& shell,
                       const FolderVariables& folders, std::string_view path, ExclusionList& target,
                       bool expand);

// The four exclusion files, in the order they are loaded.
struct ExclusionFile {
  std::string_view name;  // appended to the main program's folder
  bool forFolders;        // `ExcludedDirs` rather than `ExcludedFiles`
  bool expand;
};

inline constexpr std::array<ExclusionFile, 4> kExclusionFiles = {{
    {"\\FILESEXP.INI", false, true},
    {"\\DIRSEXP.INI", true, true},
    {"\\FILESEXP_USER.INI", false, false},
    {"\\DIRSEXP_USER.INI", true, false},
}};

// Loads the four exclusion files of `folder` (a full path, as
// ProductFilesFolder gives it) into the two lists, in the order of
// kExclusionFiles, after what the lists already hold. An empty folder loads
// nothing: the bare names would be looked for on the current drive.
void LoadExclusionFiles(platform::FileSystem& files, platform::Shell& shell,
                        const FolderVariables& folders, std::string_view folder,
                        ExclusionList& excludedFiles, ExclusionList& excludedDirs);

}  // namespace zent
