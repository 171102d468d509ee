#include <algorithm>

#include "platform/memory/memory_platform.h"
#include "platform/memory/text_fold.h"

namespace zent::memory {

using platform::AttributeResult;
using platform::DirEntry;
using platform::Listing;
using platform::LocalTime;
using platform::Presence;
using namespace platform;  // attribute and drive-type constants

struct MemoryFileSystem::Entry {
  std::string name;
  std::u32string foldedName;     // the name upper-cased, compared on every lookup
  std::uint64_t foldedHash = 0;  // of foldedName: most children differ here already
  std::uint32_t attributes = kAttrArchive;
  std::string content;
  std::optional<std::uint64_t> listedSize;
  LocalTime lastWrite;
  std::vector<std::unique_ptr<Entry>> children;  // in the order they were made
  int openHandles = 0;
  // This user may not delete it, nor anything inside it.
  bool deleteRefused = false;

  bool IsFolder() const { return (attributes & kAttrDirectory) != 0; }

  void Rename(std::string_view newName) {
    name = std::string(newName);
    foldedName = UpperCodePoints(newName);
    foldedHash = UpperCodePointsHash(newName);
  }

  // The child named `childName` in any letter case; children.end() if none.
  bool IsNamed(std::uint64_t hash, std::string_view otherName) const {
    return foldedHash == hash && EqualsUpperCodePoints(foldedName, otherName);
  }

  // Every lookup of a path compares each part with all the children's names:
  // they are told apart by the hash of the folded name, without a folded copy
  // of the part.
  std::vector<std::unique_ptr<Entry>>::iterator ChildAt(std::string_view childName) {
    const std::uint64_t hash = UpperCodePointsHash(childName);
    return std::find_if(children.begin(), children.end(),
                        [&](const auto& child) { return child->IsNamed(hash, childName); });
  }

  Entry* Child(std::string_view childName) const {
    const std::uint64_t hash = UpperCodePointsHash(childName);
    for (const auto& child : children) {
      if (child->IsNamed(hash, childName)) return child.get();
    }
    return ChildByShortName(childName);
  }

  Entry* ChildByShortName(std::string_view childName) const {
    if (!hasShortNames) return nullptr;
    const std::string upper = UpperCaseUtf8(childName);
    for (const auto& child : children) {
      if (!child->shortName.empty() && child->shortName == upper) return child.get();
    }
    return nullptr;
  }

  // Attributes belong to the file, not to one of its names.
  void SetSharedAttributes(std::uint32_t next) {
    if (!names) {
      attributes = next;
      return;
    }
    for (Entry* twin : *names) twin->attributes = next;
  }

  std::uint32_t LinkCount() const { return names ? static_cast<std::uint32_t>(names->size()) : 1; }

  ~Entry() {
    if (names) std::erase(*names, this);
  }

  std::string shortName;                       // upper case; empty when the entry has none
  bool hasShortNames = false;                  // of a folder: some child has a short name
  std::string linkTarget;                      // a link's target as a full path; empty for others
  bool symbolicLink = false;                   // followed even at the end of a path
  std::shared_ptr<std::vector<Entry*>> names;  // every name of a hard-linked file
};

struct MemoryFileSystem::Drive {
  std::uint32_t type = kDriveFixed;
  std::string volumeName;
  std::string mapsTo;  // a SUBST drive: the folder its root stands for
  Entry root;
};

class MemoryFileSystem::Handle final : public platform::OpenFile {
 public:
  explicit Handle(Entry& entry) : entry_(entry) { ++entry_.openHandles; }
  ~Handle() override { --entry_.openHandles; }

 private:
  Entry& entry_;
};

namespace {

struct ParsedPath {
  char drive = 0;
  std::vector<std::string_view> parts;  // into the parsed text; "." and ".." resolved
  bool exact = false;                   // "\\?\": names taken as written
};

// The system cuts trailing blanks and dots off the last name of a path, and
// a single trailing dot off the others, unless the path asks for exact names.
std::string_view AsSystemReads(std::string_view part, bool last) {
  if (last) {
    while (!part.empty() && (part.back() == ' ' || part.back() == '.')) part.remove_suffix(1);
  } else if (part.ends_with('.')) {
    part.remove_suffix(1);
  }
  return part;
}

constexpr int kMostLinksFollowed = 32;

// The drive a path without one ("\NAME") starts on: the process's current
// drive.
constexpr char kCurrentDrive = 'C';

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Every lookup parses its path: the parts are views of the path, not copies.
std::optional<ParsedPath> ParsePath(std::string_view path) {
  ParsedPath parsed;
  if (path.starts_with("\\\\?\\")) {
    path.remove_prefix(4);
    parsed.exact = true;
  }
  if (!path.empty() && IsSeparator(path[0]) && !(path.size() > 1 && IsSeparator(path[1]))) {
    parsed.drive = kCurrentDrive;
  } else {
    if (path.size() < 2 || path[1] != ':') return std::nullopt;
    parsed.drive = static_cast<char>(path[0] & ~0x20);
    if (parsed.drive < 'A' || parsed.drive > 'Z') return std::nullopt;
    path.remove_prefix(2);
  }
  parsed.parts.reserve(8);
  while (!path.empty()) {
    const auto end = std::min(path.find_first_of("\\/"), path.size());
    std::string_view part = path.substr(0, end);
    path.remove_prefix(std::min(end + 1, path.size()));
    if (!parsed.exact && part != "." && part != "..") part = AsSystemReads(part, path.empty());
    if (part == "..") {
      if (!parsed.parts.empty()) parsed.parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parsed.parts.push_back(part);
    }
  }
  return parsed;
}

// `exact`: with the "\\?\" prefix when the parsed path had it.
std::string JoinPath(const ParsedPath& parsed, bool exact = false) {
  std::string path = exact && parsed.exact ? "\\\\?\\" : "";
  path += {parsed.drive, ':', '\\'};
  for (size_t i = 0; i < parsed.parts.size(); ++i) {
    if (i > 0) path += '\\';
    path += parsed.parts[i];
  }
  return path;
}

// `base` followed by the parts from `first` on, as exact as the parsed path.
std::string PathOnFrom(std::string_view base, const ParsedPath& parsed, size_t first) {
  std::string path = parsed.exact ? "\\\\?\\" : "";
  path += base;
  for (size_t i = first; i < parsed.parts.size(); ++i) {
    if (!path.ends_with('\\')) path += '\\';
    path += parsed.parts[i];
  }
  return path;
}

}  // namespace

// "X:\A\B" written plainly, with or without the "\\?\" prefix: an upper-case
// drive letter and "\" between names none of which is empty, starts with "."
// or ends in a blank or a dot. Such a path reads the same exact or not, and is
// its own full form; trailing separators are dropped.
struct MemoryFileSystem::PlainPath {
  std::string_view text;  // without the prefix
  bool exact = false;

  // Tests all but the names: what the chain holds of them was tested before.
  static std::optional<PlainPath> Of(std::string_view path) {
    PlainPath plain{path, path.starts_with("\\\\?\\")};
    if (plain.exact) plain.text.remove_prefix(4);
    auto& text = plain.text;
    while (text.size() > 3 && text.back() == '\\') text.remove_suffix(1);
    if (text.size() < 4 || text[0] < 'A' || text[0] > 'Z' || text[1] != ':' || text[2] != '\\') {
      return std::nullopt;
    }
    return plain;
  }

  // The names after the separator at `at`, in one pass.
  bool IsPlainFrom(std::size_t at) const {
    if (at == text.size()) return true;
    char previous = '\\';
    for (const char c : text.substr(at + 1)) {
      if (c == '/' || (previous == '\\' && (c == '\\' || c == '.')) ||
          (c == '\\' && (previous == ' ' || previous == '.'))) {
        return false;
      }
      previous = c;
    }
    return previous != ' ' && previous != '.' && previous != '\\';
  }
};

namespace {

bool GlobMatches(std::string_view pattern, std::string_view name) {
  if (pattern.empty()) return name.empty();
  if (pattern[0] == '*') {
    for (size_t skip = 0; skip <= name.size(); ++skip) {
      if (GlobMatches(pattern.substr(1), name.substr(skip))) return true;
    }
    return false;
  }
  if (name.empty()) return false;
  if (pattern[0] != '?' && pattern[0] != name[0]) return false;
  return GlobMatches(pattern.substr(1), name.substr(1));
}

bool NameMatches(std::string_view pattern, std::string_view name) {
  if (pattern == "*" || pattern == "*.*") return true;
  return GlobMatches(UpperCaseUtf8(pattern), UpperCaseUtf8(name));
}

bool PassesMask(std::uint32_t attributes, std::uint32_t mask) {
  constexpr std::uint32_t kFiltered = kAttrHidden | kAttrSystem | kAttrVolumeId | kAttrDirectory;
  return (attributes & ~mask & kFiltered) == 0;
}

}  // namespace

MemoryFileSystem::MemoryFileSystem() = default;
MemoryFileSystem::~MemoryFileSystem() = default;

void MemoryFileSystem::AddDrive(char letter, std::uint32_t driveType, std::string volumeName) {
  auto drive = std::make_unique<Drive>();
  drive->type = driveType;
  drive->volumeName = std::move(volumeName);
  drive->root.attributes = kAttrDirectory;
  drives_[static_cast<char>(letter & ~0x20)] = std::move(drive);
  ForgetFolders();
}

void MemoryFileSystem::AddFolder(std::string_view path, std::uint32_t attributes) {
  CreateFolders(path);
  if (Entry* entry = Find(path, nullptr)) entry->attributes = attributes | kAttrDirectory;
}

void MemoryFileSystem::AddFile(std::string_view path, std::string_view content,
                               std::uint32_t attributes) {
  std::string name;
  Entry* parent = ParentFolder(path, &name, nullptr);
  if (!parent) {
    const auto cut = path.find_last_of('\\');
    CreateFolders(path.substr(0, cut));
    parent = ParentFolder(path, &name, nullptr);
  }
  if (!parent) return;
  Entry* entry = parent->Child(name);
  if (!entry) {
    parent->children.push_back(std::make_unique<Entry>());
    entry = parent->children.back().get();
    entry->Rename(name);
  }
  if (entry->IsFolder()) ForgetFolders();
  entry->content = std::string(content);
  entry->attributes = attributes & ~kAttrDirectory;
  entry->lastWrite = now_;
}

void MemoryFileSystem::SetListedSize(std::string_view path, std::uint64_t size) {
  if (Entry* entry = Find(path, nullptr)) entry->listedSize = size;
}

void MemoryFileSystem::FailPath(std::string_view path, FsError error) {
  failures_.emplace_back(UpperCaseUtf8(path), error);
}

void MemoryFileSystem::ClearFailures() { failures_.clear(); }

std::optional<FsError> MemoryFileSystem::FailureFor(std::string_view path) const {
  if (failures_.empty()) return std::nullopt;
  const auto parsed = ParsePath(path);
  if (!parsed) return std::nullopt;
  const std::string full = UpperCaseUtf8(JoinPath(*parsed));
  for (const auto& [failedPath, error] : failures_) {
    const auto failed = ParsePath(failedPath);
    if (!failed) continue;
    std::string prefix = JoinPath(*failed);
    if (full == prefix) return error;
    if (prefix.back() != '\\') prefix += '\\';
    if (full.starts_with(prefix)) return error;
  }
  return std::nullopt;
}

MemoryFileSystem::Entry* MemoryFileSystem::Find(std::string_view path, FsError* error) const {
  FsError ignored = FsError::None;
  return Lookup(path, error ? *error : ignored, Follow::SymbolicLinks, false, 0).entry;
}

// Links and mapped drives are followed by looking up the path they lead to.
MemoryFileSystem::Found MemoryFileSystem::Lookup(std::string_view path, FsError& result,
                                                 Follow follow, bool wantPath, int depth) const {
  if (const auto failure = FailureFor(path)) {
    result = *failure;
    return {};
  }
  if (const auto plain = PlainPath::Of(path); plain && depth <= kMostLinksFollowed) {
    if (const auto shared = SharedSteps(*plain)) {
      if (auto found = LookupPlain(*plain, *shared, result, follow, wantPath, depth)) {
        return std::move(*found);
      }
    }
  }
  const auto parsed = ParsePath(path);
  if (!parsed) {
    result = FsError::BadName;
    return {};
  }
  const auto drive = drives_.find(parsed->drive);
  if (drive == drives_.end() || depth > kMostLinksFollowed) {
    result = drive == drives_.end() ? FsError::PathNotFound : FsError::Other;
    return {};
  }
  if (!drive->second->mapsTo.empty()) {
    return Lookup(PathOnFrom(drive->second->mapsTo, *parsed, 0), result, follow, wantPath,
                  depth + 1);
  }
  const auto& parts = parsed->parts;
  Entry* entry = &drive->second->root;
  std::string realPath{parsed->drive, ':'};
  for (size_t i = 0; i < parts.size(); ++i) {
    if (!entry->IsFolder()) {
      result = FsError::PathNotFound;
      return {};
    }
    const bool last = i + 1 == parts.size();
    entry = entry->Child(parts[i]);
    if (!entry) {
      result = last ? FsError::FileNotFound : FsError::PathNotFound;
      return {};
    }
    if (wantPath) realPath += '\\' + entry->name;
    if (!entry->linkTarget.empty() && (!last || Follows(follow, *entry))) {
      return Lookup(PathOnFrom(entry->linkTarget, *parsed, i + 1), result, follow, wantPath,
                    depth + 1);
    }
  }
  if (realPath.size() == 2) realPath += '\\';
  result = FsError::None;
  return {entry, wantPath ? std::move(realPath) : std::string()};
}

bool MemoryFileSystem::Follows(Follow follow, const Entry& link) {
  return follow == Follow::All || (follow == Follow::SymbolicLinks && link.symbolicLink);
}

// How many folders of the chain lead to `plain`; nothing when its names after
// them are not plain after all.
std::optional<std::size_t> MemoryFileSystem::SharedSteps(const PlainPath& plain) const {
  const std::size_t shared = chain_.Matching(plain.text);
  if (!plain.IsPlainFrom(shared > 0 ? chain_.steps[shared - 1].end : 2)) return std::nullopt;
  return shared;
}

// A plain path is looked up from the deepest folder of the chain it shares
// with the last one, and the folders it passes join the chain. Nothing when
// its drive is missing or mapped: the full lookup tells why, or follows it.
std::optional<MemoryFileSystem::Found> MemoryFileSystem::LookupPlain(const PlainPath& plain,
                                                                     std::size_t kept,
                                                                     FsError& result, Follow follow,
                                                                     bool wantPath,
                                                                     int depth) const {
  const std::string_view text = plain.text;
  if (kept == 0) {
    const auto drive = drives_.find(text[0]);
    if (drive == drives_.end() || !drive->second->mapsTo.empty()) return std::nullopt;
    chain_ = {};
    chain_.Push(&drive->second->root, text, 2);
    kept = 1;
  }
  chain_.Keep(kept);
  Entry* entry = chain_.steps.back().folder;
  for (std::size_t at = chain_.steps.back().end; at < text.size();) {
    const std::size_t end = std::min(text.find('\\', at + 1), text.size());
    const bool last = end == text.size();
    if (!entry->IsFolder()) {
      result = FsError::PathNotFound;
      return Found{};
    }
    entry = entry->Child(text.substr(at + 1, end - at - 1));
    if (!entry) {
      result = last ? FsError::FileNotFound : FsError::PathNotFound;
      return Found{};
    }
    if (!entry->linkTarget.empty()) {
      if (last && !Follows(follow, *entry)) break;
      std::string target = plain.exact ? "\\\\?\\" : "";
      target += entry->linkTarget;
      target += text.substr(target.ends_with('\\') && !last ? end + 1 : end);
      return Lookup(target, result, follow, wantPath, depth + 1);
    }
    if (entry->IsFolder()) chain_.Push(entry, text, end);
    at = end;
  }
  result = FsError::None;
  if (!wantPath) return Found{entry, {}};
  if (entry == chain_.steps.back().folder) return Found{entry, chain_.realText};
  return Found{entry, chain_.realText + '\\' + entry->name};
}

// The chain's text and the path agree up to `same`; the deepest folder whose
// path ends there, at a separator of `path` or at its end, is where they part.
std::size_t MemoryFileSystem::FolderChain::Matching(std::string_view path) const {
  // A walk's next path mostly starts with the last one, or the last one with
  // it: one comparison of the shorter length tells.
  const std::size_t shorter = std::min(text.size(), path.size());
  const auto same =
      path.substr(0, shorter) == std::string_view(text).substr(0, shorter)
          ? shorter
          : static_cast<std::size_t>(std::ranges::mismatch(text, path).in1 - text.begin());
  auto count = static_cast<std::size_t>(std::ranges::upper_bound(steps, same, {}, &Step::end) -
                                        steps.begin());
  for (; count > 0; --count) {
    const std::size_t end = steps[count - 1].end;
    if (end == path.size() || path[end] == '\\') break;
  }
  return count;
}

void MemoryFileSystem::FolderChain::Keep(std::size_t count) {
  steps.resize(count);
  text.resize(count > 0 ? steps.back().end : 0);
  realText.resize(count > 0 ? steps.back().realEnd : 0);
}

// `path` up to `end` is the chain's text and then `folder`'s name as written.
void MemoryFileSystem::FolderChain::Push(Entry* folder, std::string_view path, std::size_t end) {
  if (steps.empty()) {
    realText = path.substr(0, end);
  } else {
    realText += '\\';
    realText += folder->name;
  }
  text.append(path.substr(text.size(), end - text.size()));
  steps.push_back({folder, end, realText.size()});
}

void MemoryFileSystem::ForgetFolders() { chain_ = {}; }

// A folder taken out of the tree takes the folders below it along; those above
// it stay where they were.
void MemoryFileSystem::ForgetFolder(const Entry* removed) {
  const auto at = std::ranges::find(chain_.steps, removed, &FolderChain::Step::folder);
  chain_.Keep(static_cast<std::size_t>(at - chain_.steps.begin()));
}

MemoryFileSystem::Entry* MemoryFileSystem::ParentFolder(std::string_view path, std::string* name,
                                                        FsError* error) const {
  if (const auto plain = PlainPath::Of(path); plain && SharedSteps(*plain)) {
    const auto cut = plain->text.find_last_of('\\');
    *name = plain->text.substr(cut + 1);
    return FolderAt(plain->text.substr(0, cut == 2 ? 3 : cut), error);
  }
  auto parsed = ParsePath(path);
  if (!parsed || parsed->parts.empty()) {
    if (error) *error = FsError::BadName;
    return nullptr;
  }
  *name = parsed->parts.back();
  parsed->parts.pop_back();
  return FolderAt(JoinPath(*parsed, true), error);
}

// A file where the folder should be counts as a missing folder.
MemoryFileSystem::Entry* MemoryFileSystem::FolderAt(std::string_view path, FsError* error) const {
  FsError parentError = FsError::None;
  Entry* parent = Find(path, &parentError);
  if (parent && !parent->IsFolder()) parent = nullptr, parentError = FsError::PathNotFound;
  if (parentError == FsError::FileNotFound) parentError = FsError::PathNotFound;
  if (error) *error = parentError;
  return parent;
}

Listing MemoryFileSystem::List(std::string_view pattern, std::uint32_t attributeMask) {
  Listing listing;
  const auto cut = pattern.find_last_of('\\');
  if (cut == std::string_view::npos) {
    listing.error = FsError::BadName;
    return listing;
  }
  const auto folderPath = pattern.substr(0, cut + 1);
  const auto namePattern = pattern.substr(cut + 1);
  FsError error = FsError::None;
  const Entry* folder = Find(folderPath, &error);
  if (!folder || !folder->IsFolder()) {
    listing.error =
        error == FsError::None || error == FsError::FileNotFound ? FsError::PathNotFound : error;
    return listing;
  }
  if (namePattern.empty()) {
    listing.error = FsError::FileNotFound;
    return listing;
  }
  const bool isRoot = std::ranges::any_of(
      drives_, [folder](const auto& drive) { return &drive.second->root == folder; });
  if (!isRoot) {
    for (const char* dots : {".", ".."}) {
      if (NameMatches(namePattern, dots) && PassesMask(kAttrDirectory, attributeMask)) {
        listing.entries.push_back({dots, 0, kAttrDirectory});
      }
    }
  }
  listing.entries.reserve(folder->children.size() + 2);
  for (const auto& child : folder->children) {
    if (!NameMatches(namePattern, child->name) || !PassesMask(child->attributes, attributeMask)) {
      continue;
    }
    const Entry* shown = child.get();
    if (child->symbolicLink) {
      FsError ignored = FsError::None;
      shown = Lookup(child->linkTarget, ignored, Follow::All, false, 1).entry;
      if (!shown) shown = child.get();
    }
    const std::uint64_t size =
        shown->IsFolder() ? 0 : shown->listedSize.value_or(shown->content.size());
    listing.entries.push_back({child->name, size, shown->attributes});
  }
  return listing;
}

AttributeResult MemoryFileSystem::Attributes(std::string_view path) {
  FsError error = FsError::None;
  const Entry* entry = Find(path, &error);
  if (!entry) return {0, error};
  return {entry->attributes, FsError::None};
}

bool MemoryFileSystem::SetAttributes(std::string_view path, std::uint32_t attributes) {
  Entry* entry = Find(path, nullptr);
  if (!entry) return false;
  constexpr std::uint32_t kSettable =
      kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive | kAttrOffline | 0x2000;
  const std::uint32_t kept = entry->attributes & ~(kSettable | kAttrNormal);
  std::uint32_t next = kept | (attributes & kSettable);
  if (next == 0) next = kAttrNormal;
  entry->SetSharedAttributes(next);
  return true;
}

Presence MemoryFileSystem::FileExists(std::string_view path) {
  FsError error = FsError::None;
  const Entry* entry = Find(path, &error);
  if (entry) return entry->IsFolder() ? Presence::Missing : Presence::Present;
  return MeansNotThere(error) || error == FsError::BadName ? Presence::Missing : Presence::Unknown;
}

Presence MemoryFileSystem::FolderExists(std::string_view path) {
  FsError error = FsError::None;
  const Entry* entry = Find(path, &error);
  if (entry) return entry->IsFolder() ? Presence::Present : Presence::Missing;
  return MeansNotThere(error) || error == FsError::BadName ? Presence::Missing : Presence::Unknown;
}

std::unique_ptr<platform::OpenFile> MemoryFileSystem::OpenExclusive(std::string_view path,
                                                                    FsError* error) {
  FsError result = FsError::None;
  Entry* entry = Find(path, &result);
  if (entry && (entry->IsFolder() || (entry->attributes & kAttrReadOnly))) {
    result = FsError::AccessDenied;
  } else if (entry && entry->openHandles > 0) {
    result = FsError::SharingViolation;
  }
  if (error) *error = result;
  if (result != FsError::None) return nullptr;
  return std::make_unique<Handle>(*entry);
}

std::unique_ptr<MemoryFileSystem::Entry> MemoryFileSystem::Detach(std::string_view path) {
  std::string name;
  Entry* parent = ParentFolder(path, &name, nullptr);
  if (!parent || FailureFor(path)) return nullptr;
  auto& children = parent->children;
  const auto it = parent->ChildAt(name);
  if (it == children.end() || (*it)->openHandles > 0) return nullptr;
  auto entry = std::move(*it);
  children.erase(it);
  ForgetFolder(entry.get());
  return entry;
}

void MemoryFileSystem::RefuseDeletion(std::string_view path) {
  FsError ignored = FsError::None;
  if (Entry* entry = Lookup(path, ignored, Follow::None, false, 0).entry) {
    entry->deleteRefused = true;
  }
}

bool MemoryFileSystem::MayDelete(std::string_view path) {
  for (std::string_view at = path; !at.empty();) {
    FsError ignored = FsError::None;
    const Entry* entry = Lookup(at, ignored, Follow::None, false, 0).entry;
    if (entry && entry->deleteRefused) return false;
    const auto cut = at.find_last_of('\\');
    if (cut == std::string_view::npos || cut + 1 == at.size()) break;
    at = at.substr(0, cut);
  }
  return true;
}

bool MemoryFileSystem::MoveToBin(std::string_view path) {
  const Entry* entry = Find(path, nullptr);
  if (!entry || entry->IsFolder() || !MayDelete(path)) return false;
  // As under Wine: the file a symbolic link leads to goes, not the link.
  FsError ignored = FsError::None;
  const Entry* named = Lookup(path, ignored, Follow::None, false, 0).entry;
  if (named && named->symbolicLink) return MoveToBin(named->linkTarget);
  auto detached = Detach(path);
  if (!detached) return false;
  bin_.push_back(std::move(detached));
  return true;
}

bool MemoryFileSystem::Delete(std::string_view path) {
  const Entry* entry = Find(path, nullptr);
  if (!entry || entry->IsFolder() || (entry->attributes & kAttrReadOnly) || !MayDelete(path)) {
    return false;
  }
  return Detach(path) != nullptr;
}

bool MemoryFileSystem::Rename(std::string_view from, std::string_view to) {
  if (refuseRenames) return false;
  if (!Find(from, nullptr) || Find(to, nullptr)) return false;
  std::string newName;
  Entry* newParent = ParentFolder(to, &newName, nullptr);
  const auto fromParsed = ParsePath(from);
  const auto toParsed = ParsePath(to);
  if (!newParent || fromParsed->drive != toParsed->drive) return false;
  auto entry = Detach(from);
  if (!entry) return false;
  entry->Rename(newName);
  newParent->children.push_back(std::move(entry));
  return true;
}

bool MemoryFileSystem::CreateFolders(std::string_view path) {
  const auto parsed = ParsePath(path);
  if (!parsed || FailureFor(path)) return false;
  const auto drive = drives_.find(parsed->drive);
  if (drive == drives_.end()) return false;
  Entry* entry = &drive->second->root;
  for (const auto& part : parsed->parts) {
    Entry* child = entry->Child(part);
    if (!child) {
      entry->children.push_back(std::make_unique<Entry>());
      child = entry->children.back().get();
      child->Rename(part);
      child->attributes = kAttrDirectory;
      child->lastWrite = now_;
    }
    if (!child->IsFolder()) return false;
    entry = child;
  }
  return true;
}

bool MemoryFileSystem::RemoveFolder(std::string_view path) {
  const Entry* entry = Find(path, nullptr);
  if (!entry || !entry->IsFolder() || !entry->children.empty() ||
      (entry->attributes & kAttrReadOnly) || !MayDelete(path)) {
    return false;
  }
  return Detach(path) != nullptr;
}

std::optional<LocalTime> MemoryFileSystem::LastWriteTime(std::string_view path) {
  const Entry* entry = Find(path, nullptr);
  if (!entry) return std::nullopt;
  return entry->lastWrite;
}

std::optional<std::string> MemoryFileSystem::ReadWhole(std::string_view path) {
  const Entry* entry = Find(path, nullptr);
  if (!entry || entry->IsFolder() || entry->openHandles > 0) return std::nullopt;
  if (entry->listedSize.value_or(0) > entry->content.size()) return std::nullopt;
  return entry->content;
}

std::optional<std::string> MemoryFileSystem::ReadStart(std::string_view path, std::size_t count) {
  const Entry* entry = Find(path, nullptr);
  if (!entry || entry->IsFolder() || entry->openHandles > 0) return std::nullopt;
  return entry->content.substr(0, count);
}

bool MemoryFileSystem::WriteWhole(std::string_view path, std::string_view bytes) {
  // A path that fails is not missing: it must never be written over.
  if (FailureFor(path)) return false;
  const Entry* existing = Find(path, nullptr);
  if (existing && (existing->IsFolder() || existing->openHandles > 0 ||
                   (existing->attributes & kAttrReadOnly))) {
    return false;
  }
  std::string name;
  if (!ParentFolder(path, &name, nullptr)) return false;
  AddFile(path, bytes, existing ? existing->attributes : kAttrArchive);
  return true;
}

bool MemoryFileSystem::AppendInPlace(std::string_view path, std::string_view bytes) {
  if (FailureFor(path)) return false;
  Entry* existing = Find(path, nullptr);
  if (!existing) return WriteWhole(path, bytes);
  if (existing->IsFolder() || existing->openHandles > 0 || (existing->attributes & kAttrReadOnly)) {
    return false;
  }
  // In place, as the system appends: a benchmark of the running backup must
  // not measure this platform copying the whole file.
  existing->content.append(bytes);
  existing->lastWrite = now_;
  return true;
}

bool MemoryFileSystem::AppendWhole(std::string_view path, std::string_view bytes,
                                   std::string_view startOfFile) {
  const int call = ++appendWholeCalls;
  if (FailureFor(path)) return false;
  if (!Find(path, nullptr) && !WriteWhole(path, "")) return false;
  const auto before = Content(path);
  if (!before) return false;
  const std::string block =
      before->empty() ? std::string(startOfFile).append(bytes) : std::string(bytes);
  const auto breaksAfter = appendBreaksAfter ? appendBreaksAfter(call) : std::nullopt;
  if (!breaksAfter) return AppendInPlace(path, block);
  AppendInPlace(path, std::string_view(block).substr(0, std::min(*breaksAfter, block.size())));
  WriteWhole(path, *before);
  return false;
}

std::optional<std::string> MemoryFileSystem::FullPath(std::string_view path) {
  const auto parsed = ParsePath(path);
  if (!parsed) return std::nullopt;
  return JoinPath(*parsed, true);
}

std::optional<std::string> MemoryFileSystem::ResolvedPath(std::string_view path) {
  FsError error = FsError::None;
  Found found = Lookup(path, error, Follow::All, true, 0);
  if (!found.entry) return std::nullopt;
  return std::move(found.realPath);
}

// A symbolic link is followed here too, as Wine opens what it leads to.
std::optional<platform::EntryIdentity> MemoryFileSystem::Identity(std::string_view path) {
  FsError error = FsError::None;
  Found found = Lookup(path, error, Follow::SymbolicLinks, true, 0);
  if (!found.entry) return std::nullopt;
  return platform::EntryIdentity{std::move(found.realPath), !found.entry->linkTarget.empty(),
                                 found.entry->LinkCount()};
}

void MemoryFileSystem::AddJunction(std::string_view path, std::string_view target) {
  AddFolder(path, kAttrDirectory | kAttrReparsePoint);
  if (Entry* link = Find(path, nullptr)) link->linkTarget = std::string(target);
  ForgetFolders();
}

void MemoryFileSystem::AddSymbolicLink(std::string_view path, std::string_view target) {
  AddFile(path);
  FsError ignored = FsError::None;
  if (Entry* link = Lookup(path, ignored, Follow::None, false, 0).entry) {
    link->linkTarget = std::string(target);
    link->symbolicLink = true;
  }
  ForgetFolders();
}

void MemoryFileSystem::AddHardLink(std::string_view path, std::string_view existing) {
  Entry* file = Find(existing, nullptr);
  if (!file || file->IsFolder()) return;
  AddFile(path, file->content, file->attributes);
  Entry* twin = Find(path, nullptr);
  if (!file->names) file->names = std::make_shared<std::vector<Entry*>>(1, file);
  file->names->push_back(twin);
  twin->names = file->names;
}

void MemoryFileSystem::SetShortName(std::string_view path, std::string shortName) {
  std::string name;
  Entry* parent = ParentFolder(path, &name, nullptr);
  Entry* entry = parent ? parent->Child(name) : nullptr;
  if (!entry) return;
  entry->shortName = UpperCaseUtf8(shortName);
  parent->hasShortNames = true;
}

void MemoryFileSystem::MapDrive(char letter, std::string_view target) {
  AddDrive(letter, kDriveFixed);
  drives_[static_cast<char>(letter & ~0x20)]->mapsTo = std::string(target);
}

std::optional<std::string> MemoryFileSystem::Content(std::string_view path) const {
  const Entry* entry = Find(path, nullptr);
  if (!entry || entry->IsFolder()) return std::nullopt;
  return entry->content;
}

std::optional<std::uint32_t> MemoryFileSystem::AttributesOf(std::string_view path) const {
  const Entry* entry = Find(path, nullptr);
  if (!entry) return std::nullopt;
  return entry->attributes;
}

bool MemoryFileSystem::IsOpen(std::string_view path) const {
  const Entry* entry = Find(path, nullptr);
  return entry && entry->openHandles > 0;
}

void MemoryFileSystem::SetLastWriteTime(std::string_view path, LocalTime time) {
  if (Entry* entry = Find(path, nullptr)) entry->lastWrite = time;
}

void MemoryFileSystem::SetNow(LocalTime time) { now_ = time; }

std::vector<std::string> MemoryFileSystem::Drives() const {
  std::vector<std::string> roots;
  for (const auto& [letter, drive] : drives_) roots.push_back({letter, ':', '\\'});
  return roots;
}

std::uint32_t MemoryFileSystem::DriveTypeOf(char letter) const {
  const auto drive = drives_.find(static_cast<char>(letter & ~0x20));
  return drive == drives_.end() ? kDriveNoRootDir : drive->second->type;
}

std::optional<std::string> MemoryFileSystem::VolumeNameOf(char letter) const {
  const auto drive = drives_.find(static_cast<char>(letter & ~0x20));
  if (drive == drives_.end() || FailureFor(std::string{letter, ':', '\\'})) return std::nullopt;
  return drive->second->volumeName;
}

}  // namespace zent::memory
