#pragma once

// The careful file and folder operations every sweep uses: the drive test, the
// in-use test and the deletion chain (write-protect rule, in-use test, recycle
// bin), folder sizes and folder trees. None of them shows a message; the
// deletion chain lets window messages run between its steps so the starfield
// keeps moving during long deletions, and the tree operations ask after every
// file and folder whether input wants them to stop, so the saver ends at once
// whatever it is deleting.
//
// Safety rules the chain keeps, whatever the caller hands it:
// - a file is deleted only into the recycle bin, never for good; a file the bin
//   refuses stays where it was, with its attributes;
// - only a file known to be there is touched; one whose existence cannot be
//   told (access denied, device not ready) is left alone;
// - the shell is only ever given the file's full path, never a shortened one
//   and never one holding a wildcard;
// - folder walks never step through a junction or symbolic link (an entry with
//   the reparse-point attribute): what lies behind it belongs elsewhere.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/shell.h"
#include "platform/system.h"

namespace zent {

// Lets window messages run and tells whether the work must stop now.
using StopTest = std::function<bool()>;

struct FileHelperContext {
  platform::FileSystem& files;
  platform::Shell& shell;
  platform::MessagePump& pump;
  // Read-only files may be deleted (the saver setting "WRITE-PROTECT").
  bool deleteWriteProtected = false;
  // True for a full file path that folder deletion leaves alone (`ExcludedFiles`,
  // compared as a whole without regard to case). Unset: nothing is excluded.
  std::function<bool(std::string_view)> isExcludedFile;
  // True for a folder path (no trailing "\") that folder deletion neither
  // enters nor removes (`ExcludedDirs`). Unset: nothing is excluded.
  std::function<bool(std::string_view)> isExcludedFolder;
  // True for a full file path that must never be deleted by anyone (a file the
  // system will rename or delete itself at the next start). Unset: none.
  std::function<bool(std::string_view)> isProtectedFile;
  // Asked after every file and folder of a tree operation; when it says stop,
  // the files already recycled stay in the bin and the rest stay in place.
  // Unset: never stops.
  StopTest shouldStop;
};

// What became of a file handed to the deletion chain.
enum class DeletionOutcome {
  Recycled,
  Protected,    // the system renames or deletes it at the next start
  ReadOnly,     // write-protected, or its attributes could not be read
  InUse,        // held open, or a cloud placeholder
  NotThere,     // gone, or whether it is there cannot be told
  BinRefused,   // the recycle bin did not take it
  Failed,       // an error on the way
  Link,         // a link, or a name that leads somewhere other than where it was found
  HardLinked,   // one of several names of one file, which the other names keep
  Excluded,     // excluded under the name it really has
  NeedsRights,  // this user may not delete it
};

// Why a file stays, as the run's record says it; empty for Recycled.
std::string_view LeftAloneReason(DeletionOutcome outcome);

// Told the outcome of every file a folder deletion handed to the chain.
using DeletionReport = std::function<void(std::string_view path, DeletionOutcome)>;

// True unless the walked entry at `path` (a full path as listed) is exactly
// what its name says: an entry that is a link, one whose real path is not its
// folder's real path and its own name (it was reached through a link or
// another drive, or the system took the name for another entry), and one that
// cannot be opened to ask all lead elsewhere. Links are not followed.
bool LeadsElsewhere(platform::FileSystem& files, std::string_view path);

// False when the drive (root such as "C:\") does not exist or holds no medium;
// true otherwise, also when it cannot be read for another reason.
bool IsDriveAvailable(platform::FileSystem& files, std::string_view root);

// True when the file cannot be opened for exclusive use right now. A file that
// does not exist, or whose attributes cannot be read, counts as in use; so does
// a cloud placeholder, which is never opened (opening it would fetch it).
// Read-only files are tested too: their attributes are cleared for the test and
// then restored in full.
bool IsFileInUse(const FileHelperContext& context, std::string_view path);

// Recycles the file unless it is protected (under its walked or its real
// name), excluded under its real name, leads elsewhere, has other names
// (hard links share their attributes, which the chain would change), or is
// read-only while read-only files may not be deleted. A file whose attributes
// cannot be read counts as read-only. Every call on the file goes by its
// exact name, so a twin whose name lacks a trailing blank or dot is never
// touched instead.
DeletionOutcome DeleteJunkFile(const FileHelperContext& context, std::string_view path);

// Recycles the file when it is there and not in use. Errors raised on the way
// (std::exception) leave the file and add one to `failures`; a bin that refuses
// the file is not a failure.
void RecycleFile(const FileHelperContext& context, std::string_view path, int& failures);

// Hands the file's full path to the recycle bin; true when the file went there.
bool SendToRecycleBin(const FileHelperContext& context, std::string_view path);

// A hidden or system folder whose name begins with "$" belongs to the system
// (recycle bins, update stores): no sweep sizes, empties or removes it,
// wherever it lies.
bool IsSystemOwnedFolder(const platform::DirEntry& entry);

// Adds the listed sizes of every file in `folder` (ending in "\") and its
// subfolders to `total`, leaving out system-owned "$" folders. Stops, with
// the total so far, when `shouldStop` says so after a file or folder.
void FolderSize(platform::FileSystem& files, std::string_view folder, std::uint64_t& total,
                const StopTest& shouldStop = {});

// Appends the full path of every file in `folder` (ending in "\") and its
// subfolders that is not excluded: a folder's own files first, then each
// subfolder's in listing order, depth first. Subfolders whose name begins
// with "." are not entered.
void CollectFiles(const FileHelperContext& context, std::string_view folder,
                  std::vector<std::string>& paths);

// Removes every empty subfolder of `folder` (ending in "\"), deepest first, and
// then the folder itself when it is empty. Read-only folders go too; a folder
// that still holds something stays, with its attributes. A junction or link
// found inside is left in place, so the folders above it stay as well.
void RemoveFolderTree(platform::FileSystem& files, std::string_view folder);

// Recycles every file of the folder tree (`folder` without a trailing "\")
// through DeleteJunkFile, except the excluded ones and those below a
// system-owned "$" folder, then removes the folders left empty. A folder that
// is itself a junction or link is left alone. Stops after the file or folder
// on which `shouldStop` says so.
void DeleteFolderTree(const FileHelperContext& context, std::string_view folder,
                      const DeletionReport& report = {});

}  // namespace zent
