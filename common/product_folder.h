#pragma once

// Where the product's own files lie: the backup folder, the run log and the
// exclusion files are named from the main program's folder. A folder name
// that is not a full path ("", "\BACKUP", "KELVARO") would be taken from the
// process's current drive or folder, which a screen saver does not choose.

#include <string>
#include <string_view>

namespace zent {

// "C:\..." or "\\server\share\...": a path that names the same place from
// whatever folder it is read.
bool IsFullPath(std::string_view path);

// The folder the product's files are named from, without a trailing "\": the
// main program's folder when it is a full path (a UNC path included), else the root of the drive
// Windows is on ("C:", so "\BACKUP" added gives "C:\BACKUP"). Empty when
// neither is known: then there is no such folder.
std::string ProductFilesFolder(std::string_view productDirectory,
                               std::string_view windowsDirectory);

}  // namespace zent
