#pragma once

// Whether a path a scan or a sweep found names something that is gone. A path
// is judged only when it is checkable (a drive letter, ":\" and a drive
// selected in `checkDrives`), holds no unexpanded "%", and its drive root can
// be listed right now; the file is looked for in every file-system view of the
// machine before it counts as missing. The registry scans and the shortcut
// check apply the same rules, so an unplugged stick or a file seen only in the
// other view of the system folder never makes an entry or a shortcut go.

#include <string>
#include <string_view>
#include <vector>

#include "common/file_views.h"
#include "common/path_helpers.h"
#include "platform/files.h"

namespace zent {

// A path whose 2nd and 3rd characters are ":\" on a drive selected in
// `checkDrives`. No scan reports any other path.
bool IsCheckablePath(const DriveFlags& checkDrives, std::string_view path);

// Checkable and free of unexpanded references: a path the system could look
// for.
bool IsTestablePath(const DriveFlags& checkDrives, std::string_view path);

// The system reports "not found" for every path on a drive letter that is not
// there at all (an unplugged stick), so such a path is not known to be gone.
bool IsDriveRootListable(platform::FileSystem& files, std::string_view path);

// True when some view holds a file (or folder) at `path`, or when the system
// could not tell (access denied, drive not ready).
bool FileMayBeThere(platform::FileSystem& files, std::string_view path, const FileViews& views);
bool FolderMayBeThere(platform::FileSystem& files, std::string_view path, const FileViews& views);

// Orphan tests: a testable path whose file (or folder) is missing in every
// view, on a drive whose root can be listed right now.
bool IsOrphanedFile(platform::FileSystem& files, const DriveFlags& checkDrives,
                    std::string_view path, const FileViews& views = {});
bool IsOrphanedFolder(platform::FileSystem& files, const DriveFlags& checkDrives,
                      std::string_view path, const FileViews& views = {});
// For an entry that may name a file or a folder: missing as both.
bool IsOrphanedFileOrFolder(platform::FileSystem& files, const DriveFlags& checkDrives,
                            std::string_view path, const FileViews& views = {});

// Orphan test for a command line. `program` is the path a scan cut from
// `commandLine` (upper-cased and expanded, its quotes kept where it had any)
// and shows in its row. A cut can end a path in the wrong place (at a blank or
// dot inside a folder name, or keeping the character after the extension or
// the closing quote), so the entry counts as orphaned only when `program` is
// testable and no reading of the command (CommandReadings: the quoted program,
// the text before each white space or comma, the whole text) names a file that
// may be there in any view. A drive whose root cannot be listed gives no
// orphans either.
bool IsOrphanedCommand(platform::FileSystem& files, const DriveFlags& checkDrives,
                       std::string_view commandLine, std::string_view program,
                       const FileViews& views = {});

// True when no checkable reading names a file that may be there.
bool NoReadingThere(platform::FileSystem& files, const DriveFlags& checkDrives,
                    const std::vector<std::string>& readings, const FileViews& views);

}  // namespace zent
