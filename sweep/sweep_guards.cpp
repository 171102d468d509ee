#include "sweep/sweep_guards.h"

#include <optional>

namespace zent {
namespace {

constexpr std::uint32_t kLeadsElsewhere = platform::kAttrReparsePoint;
constexpr std::uint32_t kPlaceholder =
    platform::kAttrOffline | platform::kAttrRecallOnOpen | platform::kAttrRecallOnDataAccess;

constexpr std::string_view kPendingRenameValues[] = {"PendingFileRenameOperations",
                                                     "PendingFileRenameOperations2"};

// Entries read "\??\C:\DIR\FILE", a target may carry a leading "!" (replace
// an existing file); an empty target means "delete".
std::string_view PlainPath(std::string_view entry) {
  if (entry.starts_with('!')) entry.remove_prefix(1);
  if (entry.starts_with("\\??\\")) entry.remove_prefix(4);
  return entry;
}

struct PathReaders {
  platform::Shell& shell;
  platform::FileSystem& files;
};

void AddPendingRenames(const platform::RegistryKey& key, std::string_view valueName,
                       const PathReaders& readers, std::unordered_set<std::string>& paths) {
  const auto value = key.QueryValue(valueName);
  if (!value || value->type != platform::kRegMultiSz) return;
  std::string_view rest = value->data;
  while (!rest.empty()) {
    const auto cut = rest.find('\0');
    const auto path = PlainPath(rest.substr(0, cut));
    if (!path.empty()) paths.insert(readers.shell.UpperCase(path));
    if (const auto real = path.empty() ? std::nullopt : readers.files.ResolvedPath(path)) {
      paths.insert(readers.shell.UpperCase(*real));
    }
    rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
  }
}

std::string_view NameOf(std::string_view path) {
  const auto cut = path.find_last_of('\\');
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

// The path the walked name really leads to; nothing when it cannot be opened
// or is what was walked.
std::optional<std::string> RealPath(const RunContext& run, std::string_view walked) {
  auto real = run.platform.files.ResolvedPath(platform::ExactName(walked));
  if (!real || run.platform.shell.UpperCase(*real) == run.platform.shell.UpperCase(walked)) {
    return std::nullopt;
  }
  return real;
}

}  // namespace

bool IsEntryToLeaveAlone(const platform::DirEntry& entry) {
  return (entry.attributes & (kLeadsElsewhere | kPlaceholder)) != 0;
}

std::unordered_set<std::string> ReadPendingRenames(platform::Registry& registry,
                                                   platform::Shell& shell,
                                                   platform::FileSystem& files) {
  std::unordered_set<std::string> paths;
  const auto key =
      registry.Open(platform::RegRoot::LocalMachine, kSessionManagerKey, platform::RegAccess::Read);
  if (!key) return paths;
  for (const auto name : kPendingRenameValues) {
    AddPendingRenames(*key, name, PathReaders{shell, files}, paths);
  }
  return paths;
}

void ReportDeletion(const RunContext& run, int category, std::string_view path,
                    DeletionOutcome outcome) {
  if (outcome == DeletionOutcome::Recycled) {
    run.Journal().FileRecycled(category, path);
  } else {
    run.Journal().FileLeft(category, path, LeftAloneReason(outcome));
  }
}

bool IsExcludedFile(const RunContext& run, std::string_view upperPath) {
  const ExclusionList& excluded = run.state.ExcludedFiles;
  if (excluded.Contains(upperPath) || excluded.Contains(NameOf(upperPath))) return true;
  const auto real = RealPath(run, upperPath);
  return real && (excluded.Contains(*real) || excluded.Contains(NameOf(*real)));
}

bool IsExcludedFolder(const RunContext& run, std::string_view path) {
  const ExclusionList& excluded = run.state.ExcludedDirs;
  if (excluded.Contains(path)) return true;
  const auto real = RealPath(run, path);
  return real && excluded.Contains(*real);
}

FileHelperContext SweepFileContext(RunContext& run,
                                   const std::unordered_set<std::string>& pendingRenames) {
  platform::Shell& shell = run.platform.shell;
  FileHelperContext context{
      run.platform.files, shell, run.platform.pump, run.state.DeleteWriteProtected, {}, {}, {}, {}};
  context.isExcludedFile = [&run](std::string_view path) {
    return IsExcludedFile(run, run.platform.shell.UpperCase(path));
  };
  context.isExcludedFolder = [&run](std::string_view path) { return IsExcludedFolder(run, path); };
  context.isProtectedFile = [&pendingRenames, &shell](std::string_view path) {
    return pendingRenames.contains(shell.UpperCase(path));
  };
  context.shouldStop = [&run] { return run.PumpAndCheckAbort(); };
  return context;
}

}  // namespace zent
