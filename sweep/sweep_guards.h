#pragma once

// What both file sweeps refuse to touch, whatever their rules say: entries
// that lead elsewhere (junctions, mount points, symbolic links), cloud
// placeholders, paths too long to hand to the recycle bin whole, excluded
// files and folders, and files the system itself will rename or delete at the
// next start.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "run/run_context.h"
#include "sweep/file_helpers.h"

namespace zent {

inline constexpr std::string_view kSessionManagerKey =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

// The longest full path, in bytes, a sweep handles: the recycle bin takes no
// longer path, and a shortened one would name another file.
inline constexpr std::size_t kLongestSweptPath = 259;

// A junction, mount point or link leads out of the tree; a placeholder's
// content is fetched from the cloud as soon as it is opened.
bool IsEntryToLeaveAlone(const platform::DirEntry& entry);

// The upper-cased files named in the pending boot-time renames (sources and
// targets): the system acts on them at the next start.
// A path is held as written and, when it can be resolved, as its real long
// path: a rename written with short names or through a link protects as well.
std::unordered_set<std::string> ReadPendingRenames(platform::Registry& registry,
                                                   platform::Shell& shell,
                                                   platform::FileSystem& files);

// The deletion chain's context for a sweep: the run's write-protect setting,
// its exclusion lists (a file by full path or bare name) and the pending
// renames. The context refers to `pendingRenames`, which must outlive it.
FileHelperContext SweepFileContext(RunContext& run,
                                   const std::unordered_set<std::string>& pendingRenames);

// Tells the run's record what became of a file of a file category.
void ReportDeletion(const RunContext& run, int category, std::string_view path,
                    DeletionOutcome outcome);

// `ExcludedFiles` holds the upper-cased full path or the bare name, of the
// walked path or of the real path it resolves to (another drive mapping the
// same folder reaches the same file).
bool IsExcludedFile(const RunContext& run, std::string_view upperPath);

// `ExcludedDirs` holds the folder's walked path or its real path.
bool IsExcludedFolder(const RunContext& run, std::string_view path);

}  // namespace zent
