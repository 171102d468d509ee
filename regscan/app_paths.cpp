// An "App Paths" entry is named after a program file (FOO.EXE) and names the
// program in its default value and, optionally, its folder in "Path". Older
// installers wrote only the folder in either place; the program's path is
// then rebuilt from the folder and the entry's name. Entries not named after a
// program only name a folder, which is tested instead. The default is a
// command line like any other: a quoted program may be followed by arguments.

#include <optional>
#include <string>

#include "common/path_parts.h"
#include "common/path_readings.h"
#include "common/registry_helpers.h"
#include "platform/utf8.h"
#include "regscan/list_scans.h"
#include "regscan/scan_pattern.h"

namespace zent {
namespace {

using platform::RegRoot;

constexpr RegRoot kRoot = RegRoot::LocalMachine;
// Separates the folders of a "Path" value that lists several.
constexpr char kFolderSeparator = ';';

// What an entry claims: the program (for a program entry) and the folder.
struct AppPathEntry {
  bool isExe = false;
  std::string command;  // the default value, quotes kept
  std::string program;
  std::string folder;
};

bool HasExeExtension(std::string_view path) { return UpperCaseUtf8(FileExtension(path)) == ".EXE"; }

bool NamesExistingFile(RunContext& run, const std::string& path) {
  return !path.empty() && run.platform.files.FileExists(path) == platform::Presence::Present;
}

// The text of a value that must name a path, expanded; an expandable text
// counts as text. nullopt for a value that is there but holds no text.
std::optional<std::string> ReadPath(const RegistryScan& scan, const std::string& key,
                                    std::string_view name) {
  const RunContext& run = scan.run();
  const auto stored =
      RegReadString(scan.registry(), kRoot, key, name, TextTypes::PlainOrExpandable);
  if (!stored) return std::nullopt;
  return NormalizePath(run.platform.shell, *stored);
}

// The default value expanded, its quotes kept; nullopt as for ReadPath.
std::optional<std::string> ReadCommand(const RegistryScan& scan, const std::string& key) {
  const RunContext& run = scan.run();
  const auto stored = RegReadString(scan.registry(), kRoot, key, "", TextTypes::PlainOrExpandable);
  if (!stored) return std::nullopt;
  return ExpandCommandLine(run.platform.shell, *stored);
}

// The quoted program of the command, or the whole command without quotes.
std::string ProgramOfDefault(const std::string& command) {
  if (auto quoted = QuotedProgram(command)) return std::move(*quoted);
  std::string program = command;
  std::erase(program, '"');
  return program;
}

std::optional<std::string> ReadFolder(const RegistryScan& scan, const std::string& key) {
  if (!RegHasValueStartingWith(scan.registry(), kRoot, key, "Path")) return std::string();
  const auto folder = ReadPath(scan, key, "Path");
  if (!folder) return std::nullopt;
  return StripTrailingBackslashes(*folder);
}

// nullopt when the program or the folder is stored as something other than
// text: the entry names nothing that could be checked.
std::optional<AppPathEntry> ReadEntry(const RegistryScan& scan, const std::string& name) {
  RunContext& run = scan.run();
  const std::string key = std::string(kAppPathsKey) + "\\" + name;
  auto command = ReadCommand(scan, key);
  auto folder = ReadFolder(scan, key);
  if (!command || !folder) return std::nullopt;
  AppPathEntry entry{HasExeExtension(name), *command, ProgramOfDefault(*command),
                     std::move(*folder)};
  if (entry.isExe && entry.program.empty() && !entry.folder.empty()) {
    entry.program = entry.folder + "\\" + name;
  }
  // The default value names the folder (or nothing): the program lies in it.
  // A default naming an existing file of another kind (a batch file, a
  // program without the usual extension) is that program, not its folder.
  if (entry.isExe && !HasExeExtension(entry.program) && !NamesExistingFile(run, entry.program)) {
    entry.program += "\\" + name;
  }
  if (entry.isExe && entry.folder.empty()) {
    entry.folder =
        StripTrailingBackslashes(NormalizePath(run.platform.shell, DirectoryPart(entry.program)));
  }
  // A non-program entry with a program but no folder has nothing to test; it is
  // marked like a folder list, which is never tested.
  if (!entry.isExe && entry.folder.empty() && !entry.program.empty()) {
    entry.folder.assign(1, kFolderSeparator);
  }
  return entry;
}

// A "Path" listing several folders (";") is never tested, nor the program in
// it.
bool FolderIsTestable(const RunContext& run, const std::string& folder) {
  return folder.find(kFolderSeparator) == std::string::npos &&
         IsCheckablePath(run.state.CheckDrives, folder);
}

void ExamineEntry(RegistryScan& scan, const std::string& name) {
  const auto read = ReadEntry(scan, name);
  if (!read) return;
  const AppPathEntry& entry = *read;
  if (!FolderIsTestable(scan.run(), entry.folder)) return;
  if (!entry.isExe) {
    if (scan.IsOrphanedFolder(entry.folder)) scan.Record({name, entry.folder, {}, {}});
  } else if (scan.IsOrphanedCommand(entry.command, entry.program)) {
    scan.Record({name, entry.program, {}, {}});
  }
}

}  // namespace

void ScanAppPaths(RunContext& run) {
  RunListScan(run, {RegCategory::AppPaths, {kRoot, kAppPathsKey}, true, WorkList::SubkeyNames},
              ExamineEntry);
}

}  // namespace zent
