// The walk is depth-first: a key's values before its subkeys, each subkey's
// tree finished before the next. It never goes through a link (the key behind
// it is either walked on its own or lies outside what this scan covers, and a
// link back up would never end), never examines a key it could not open, and
// stops at the deepest level the registry allows.

#include "regscan/whole_registry_scan.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "common/path_helpers.h"
#include "platform/utf8.h"
#include "regscan/scan_pattern.h"
#include "run/registry_repair.h"

namespace zent {
namespace {

using platform::RegRoot;

constexpr auto npos = std::string_view::npos;

std::vector<KeyPosition> StartPositions() {
  return {{RegRoot::LocalMachine, "SOFTWARE"},
          {RegRoot::CurrentUser, ""},
          {RegRoot::CurrentConfig, ""}};
}

std::string_view WithoutLeadingBackslash(std::string_view path) {
  if (path.starts_with('\\')) path.remove_prefix(1);
  return path;
}

bool HoldsAny(std::string_view text, std::initializer_list<std::string_view> parts) {
  return std::any_of(parts.begin(), parts.end(),
                     [text](std::string_view part) { return text.find(part) != npos; });
}

// What one text value names: the path before the command-line cut (`whole`)
// and after it (`cut`), or nothing a row could be about.
struct NamedPath {
  std::string whole;
  std::string cut;
};

class KeyTreeWalk {
 public:
  explicit KeyTreeWalk(RegistryScan& scan) : scan_(scan), run_(scan.run()) {}

  void ScanKeyTree(const KeyPosition& position, int depth) {
    if (run_.state.AbortRequested || depth >= kMaxWalkDepth) return;
    if (IsSkippedKeyPath(position.path)) return;
    std::vector<std::string> subkeys;
    {
      const auto key = run_.platform.registry.Open(
          position.root, WithoutLeadingBackslash(position.path), platform::RegAccess::Read);
      if (!key) return;
      if (!scan_.Step(position.path)) return;
      ExamineValues(*key, position);
      subkeys = key->SubkeyNames();
    }
    for (const std::string& name : subkeys) {
      // An empty name would reach this key once more.
      if (name.empty()) continue;
      const KeyPosition child{position.root, SubkeyPath(position.path, name)};
      if (run_.platform.registry.IsLink(child.root, WithoutLeadingBackslash(child.path))) continue;
      ScanKeyTree(child, depth + 1);
    }
  }

 private:
  void ExamineValues(const platform::RegistryKey& key, const KeyPosition& position) {
    std::vector<std::string> names = key.ValueNames();
    if (std::find(names.begin(), names.end(), "") == names.end()) names.emplace_back();
    SortNames(names);
    for (const std::string& name : names) {
      const auto named = PathIn(key.QueryValue(name), name);
      if (named && IsGone(*named)) {
        scan_.Record({name.empty() ? std::string(kDefaultValueName) : name,
                      named->cut,
                      DisplayPath(position),
                      {}});
      }
    }
  }

  // Only text stored whole can name a path; a default value that is not set
  // has no type. Option switches (a name starting with "/", " /" or " -" in
  // the text) and path lists (";") name no single file.
  std::optional<NamedPath> PathIn(const std::optional<platform::RegValue>& value,
                                  std::string_view name) const {
    if (!value || !value->textWhole) return std::nullopt;
    if (value->type != platform::kRegSz && value->type != platform::kRegExpandSz) {
      return std::nullopt;
    }
    if (name.starts_with('/')) return std::nullopt;
    platform::Shell& shell = run_.platform.shell;
    std::string path = StripTrailingBackslashes(NormalizePath(shell, value->data));
    if (path.find(';') != npos || path.find(":\\") == npos) return std::nullopt;
    NamedPath named{path, path};
    ExtractCommandPath(shell, named.cut);
    if (named.cut.empty() || HoldsAny(named.cut, {" /", " -"})) return std::nullopt;
    if (run_.state.ExcludedFiles.Contains(named.cut)) return std::nullopt;
    return named;
  }

  // Neither a file nor a folder, whether the cut ended the path in its place
  // or inside a folder name.
  bool IsGone(const NamedPath& named) const {
    return scan_.IsOrphanedCommand(named.whole, named.cut) && scan_.IsOrphanedFolder(named.cut) &&
           (named.whole == named.cut || scan_.IsOrphanedFolder(named.whole));
  }

  RegistryScan& scan_;
  RunContext& run_;
};

}  // namespace

bool IsSkippedKeyPath(std::string_view keyPath) {
  const std::string upper = UpperCaseUtf8(keyPath);
  return std::find(kSkippedKeyPaths.begin(), kSkippedKeyPaths.end(), upper) !=
         kSkippedKeyPaths.end();
}

std::string SubkeyPath(std::string_view parentPath, std::string_view name) {
  return std::string(WithoutLeadingBackslash(parentPath)) + "\\" + std::string(name);
}

std::string DisplayPath(const KeyPosition& position) {
  return std::string(RootName(position.root)) + "\\" +
         std::string(WithoutLeadingBackslash(position.path));
}

void ScanOtherEntries(RunContext& run) {
  RegistryScan scan(run, RegCategory::OtherEntries);
  if (!scan.CanStart(std::nullopt)) return;
  scan.Open();
  KeyTreeWalk walk(scan);
  for (const KeyPosition& start : StartPositions()) walk.ScanKeyTree(start, 0);
  scan.Close();
}

}  // namespace zent
