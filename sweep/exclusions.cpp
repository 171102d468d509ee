#include "sweep/exclusions.h"

#include "sweep/path_helpers.h"

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

// Windows-1252 from 0x80 to 0x9F; the five bytes it leaves undefined keep their
// value, as the system's own conversion does. The rest of the page is Latin-1.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::string FromWindows1252(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (const char byte : bytes) {
    const auto value = static_cast<unsigned char>(byte);
    const bool high = value >= 0x80 && value < 0xA0;
    AppendUtf8(text, high ? kWindows1252High[value - 0x80] : char32_t{value});
  }
  return text;
}

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

// Surrogates that do not form a pair become U+FFFD; an odd last byte is dropped.
std::string FromUtf16LittleEndian(std::string_view bytes) {
  std::string text;
  const auto unitAt = [&](std::size_t at) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[at]) |
                                 static_cast<unsigned char>(bytes[at + 1]) << 8);
  };
  for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
    const char32_t unit = unitAt(at);
    if (IsHighSurrogate(unit) && at + 3 < bytes.size() && IsLowSurrogate(unitAt(at + 2))) {
      AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(at + 2) - 0xDC00));
      at += 2;
    } else {
      AppendUtf8(text, IsHighSurrogate(unit) || IsLowSurrogate(unit) ? char32_t{0xFFFD} : unit);
    }
  }
  return text;
}

// The file's bytes as UTF-8 text, whatever they hold; see LoadExclusionFile.
std::string DecodeFileText(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return FromUtf16LittleEndian(bytes.substr(2));
  if (!IsValidUtf8(bytes)) return FromWindows1252(bytes);
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

}  // namespace

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
    target.AppendIfAbsent(shell.UpperCase(entry));
  });
}

void LoadExclusionFiles(platform::FileSystem& files, platform::Shell& shell,
                        const FolderVariables& folders, std::string_view productDirectory,
                        ExclusionList& excludedFiles, ExclusionList& excludedDirs) {
  // Without the main program's folder the names would point at the root of
  // whatever drive is current, which holds no file of ours.
  if (productDirectory.empty()) return;
  for (const ExclusionFile& file : kExclusionFiles) {
    const std::string path = std::string(productDirectory) + std::string(file.name);
    LoadExclusionFile(files, shell, folders, path, file.forFolders ? excludedDirs : excludedFiles,
                      file.expand);
  }
}

}  // namespace zent
