#include "common/exclusions.h"

#include "common/path_helpers.h"
#include "platform/utf8.h"

namespace zent {
namespace {

constexpr auto npos = std::string_view::npos;

struct FolderVariable {
  std::string_view name;
  std::string FolderVariables::*folder;
};

constexpr std::array<FolderVariable, 11> kFolderVariables = {{
    {"WINDIR", &FolderVariables::winDirectory},
    {"SYSDIR", &FolderVariables::sysDirectory},
    {"PROGRAMSDIR", &FolderVariables::programsFolder},
    {"RECENTDIR", &FolderVariables::recentFolder},
    {"STARTMENUDIR", &FolderVariables::startMenuFolder},
    {"DOCUMENTSDIR", &FolderVariables::documentsFolder},
    {"DESKTOPDIR", &FolderVariables::desktopFolder},
    {"STARTUPDIR", &FolderVariables::startUpFolder},
    {"SENDTODIR", &FolderVariables::sendToFolder},
    {"FONTSDIR", &FolderVariables::fontsFolder},
    {"PERSONALDIR", &FolderVariables::personalFolder},
}};

const std::string* FolderOf(const FolderVariables& folders, std::string_view name) {
  for (const FolderVariable& variable : kFolderVariables) {
    if (variable.name == name) return &(folders.*variable.folder);
  }
  return nullptr;
}

// The file's bytes as UTF-8 text, whatever they hold; see LoadExclusionFile.
std::string DecodeFileText(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return Utf16LeToUtf8(bytes.substr(2));
  if (!IsValidUtf8(bytes)) return Windows1252ToUtf8(bytes);
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return std::string(bytes);
}

// CR, LF and NUL each end a line. CR LF thus also yields an empty line between
// the two, which adds nothing, as every empty line.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  while (!text.empty()) {
    const auto end = text.find_first_of(std::string_view("\r\n\0", 3));
    visit(text.substr(0, end));
    if (end == npos) break;
    text.remove_prefix(end + 1);
  }
}

// A folder entry never ends in a separator, and no name the walks build ends
// in a blank: either left on an entry would make it match nothing.
std::string_view WithoutTrailingSeparatorsAndBlanks(std::string_view entry) {
  while (!entry.empty() && (entry.back() == '\\' || entry.back() == '/' || entry.back() == ' ' ||
                            entry.back() == '\t')) {
    entry.remove_suffix(1);
  }
  return entry;
}

bool IsFullDrivePath(std::string_view entry) {
  return entry.size() > 3 && entry[1] == ':' && entry[2] == '\\';
}

void AddEntry(platform::FileSystem& files, platform::Shell& shell, std::string_view entry,
              ExclusionList& target) {
  const std::string upper = shell.UpperCase(WithoutTrailingSeparatorsAndBlanks(entry));
  if (!target.AppendIfAbsent(upper) || !IsFullDrivePath(upper)) return;
  if (const auto real = files.ResolvedPath(upper)) target.AddAlias(shell.UpperCase(*real));
}

}  // namespace

void ExclusionList::AddAlias(std::string alias) { upperCased_.insert(shell_->UpperCase(alias)); }

void ExclusionList::Append(std::string entry) {
  upperCased_.insert(shell_->UpperCase(entry));
  entries_.push_back(std::move(entry));
}

bool ExclusionList::AppendIfAbsent(std::string entry) {
  if (entry.empty() || Contains(entry)) return false;
  Append(std::move(entry));
  return true;
}

bool ExclusionList::Contains(std::string_view probe) const {
  return upperCased_.contains(shell_->UpperCase(probe));
}

std::string ExpandExclusionLine(platform::Shell& shell, const FolderVariables& folders,
                                std::string_view line) {
  if (line.starts_with(';')) return {};
  std::string entry = NormalizePath(shell, line);
  if (entry.find('*') == npos) return entry;

  // The "*" is expected first; whatever stands there goes, as one character.
  entry.erase(0, CharacterLength(entry, 0));
  const auto backslash = entry.find('\\');
  const std::size_t nameLength = backslash == npos ? 0 : backslash;
  std::string name = shell.UpperCase(std::string_view(entry).substr(0, nameLength));
  const std::string* folder = FolderOf(folders, name);
  return (folder ? *folder : name) + entry.substr(nameLength);
}

void LoadExclusionFile(platform::FileSystem& files, platform::Shell& shell,
                       const FolderVariables& folders, std::string_view path, ExclusionList& target,
                       bool expand) {
  if (files.FileExists(path) != platform::Presence::Present) return;
  const std::optional<std::string> bytes = files.ReadWhole(path);
  if (!bytes) return;
  ForEachLine(DecodeFileText(*bytes), [&](std::string_view line) {
    const std::string entry =
        expand ? ExpandExclusionLine(shell, folders, line) : std::string(line);
    AddEntry(files, shell, entry, target);
  });
}

void LoadExclusionFiles(platform::FileSystem& files, platform::Shell& shell,
                        const FolderVariables& folders, std::string_view folder,
                        ExclusionList& excludedFiles, ExclusionList& excludedDirs) {
  if (folder.empty()) return;
  for (const ExclusionFile& file : kExclusionFiles) {
    const std::string path = std::string(folder) + std::string(file.name);
    LoadExclusionFile(files, shell, folders, path, file.forFolders ? excludedDirs : excludedFiles,
                      file.expand);
  }
}

}  // namespace zent
