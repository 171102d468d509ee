#include "common/path_helpers.h"

#include <algorithm>
#include <vector>

namespace zent {
namespace {

constexpr auto npos = std::string_view::npos;

// The length of the well-formed UTF-8 sequence at `at`, or 0 when there is none
// (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut off).

// A text seen as a row of characters, each addressed by its index.
class Characters {
 public:
  explicit Characters(std::string_view text) : text_(text) {
    for (std::size_t at = 0; at < text.size(); at += CharacterLength(text, at)) {
      starts_.push_back(at);
    }
    starts_.push_back(text.size());
  }
  std::size_t size() const { return starts_.size() - 1; }
  std::string_view operator[](std::size_t k) const {
    return text_.substr(starts_[k], starts_[k + 1] - starts_[k]);
  }
  std::size_t ByteOffset(std::size_t k) const { return starts_[k]; }

 private:
  std::string_view text_;
  std::vector<std::size_t> starts_;  // one per character, then the text's size
};

// The rules below search for and cut at ASCII characters only. An ASCII byte is
// never part of a multi-byte UTF-8 sequence, so a byte search finds the same
// places as a character search, and a cut just before such a byte (or just
// after the colon of ":\") never splits a character.

bool HoldsOption(std::string_view text) {
  return text.find(" /") != npos || text.find(" -") != npos;
}

bool HasDriveAt(std::string_view text, std::size_t at) {
  return text.size() >= at + 2 && text[at] == ':' && text[at + 1] == '\\';
}

// "C:\A.EXE D:\B.TXT": a second drive path ends the first command at its colon.
void CutAtSecondDrivePath(std::string& text) {
  const Characters characters(text);
  if (characters.size() < 3 || !HasDriveAt(text, characters.ByteOffset(1))) return;
  const auto second = text.find(":\\", characters.ByteOffset(3));
  if (second != npos) text.resize(second + 1);
}

void CutAtControlCharacters(std::string& text) {
  for (const char stop : {'\n', '\r', '\0', '\x7F'}) {
    const auto at = text.find(stop);
    if (at != npos) text.resize(at);
  }
}

bool IsArgumentSeparator(std::string_view character) {
  return character == " " || character == "," || character == "/";
}

// Whether a three-letter extension (a dot and three characters, none of them a
// backslash) ends just before character `k`. Near the start the first four
// characters are taken instead.
bool ExtensionEndsBefore(const Characters& characters, std::size_t k) {
  const std::size_t first = k >= 4 ? k - 4 : 0;
  const std::size_t end = std::min(first + 4, characters.size());
  if (characters[first] != ".") return false;
  for (std::size_t j = first; j < end; ++j) {
    if (characters[j] == "\\") return false;
  }
  return true;
}

// The text before the first blank, comma or slash that follows an extension;
// nullopt when there is none. The last character is never such a place.
std::optional<std::string> PathBeforeArguments(const std::string& text) {
  const Characters characters(text);
  for (std::size_t k = 0; k + 1 < characters.size(); ++k) {
    if (IsArgumentSeparator(characters[k]) && ExtensionEndsBefore(characters, k)) {
      return text.substr(0, characters.ByteOffset(k));
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::size_t> DriveIndex(char letter) {
  if (letter >= 'A' && letter <= 'Z') return static_cast<std::size_t>(letter - 'A');
  if (letter >= 'a' && letter <= 'z') return static_cast<std::size_t>(letter - 'a');
  return std::nullopt;
}

std::string NormalizePath(platform::Shell& shell, std::string_view text) {
  std::string path = ExpandCommandLine(shell, text);
  std::erase(path, '"');
  return path;
}

std::string ExpandCommandLine(platform::Shell& shell, std::string_view text) {
  return shell.ExpandEnvironment(shell.UpperCase(text));
}

std::string StripTrailingBackslashes(std::string_view text) {
  while (!text.empty() && text.back() == '\\') text.remove_suffix(1);
  return std::string(text);
}

void ExtractCommandPath(platform::Shell& shell, std::string& text) {
  if (text.empty()) return;
  text = shell.UpperCase(text);
  if (text.find('.') == npos || Characters(text).size() < 4 || text.find("..") != npos) return;

  CutAtSecondDrivePath(text);
  CutAtControlCharacters(text);
  std::optional<std::string> path = PathBeforeArguments(text);
  if (!path) {
    if (HoldsOption(text)) text.clear();
    return;
  }
  if (HoldsOption(*path)) path->clear();
  text = std::move(*path);
}

bool IsOnCheckDrive(const DriveFlags& checkDrives, std::string_view path) {
  if (path.size() < 4 || !HasDriveAt(path, 1)) return false;
  const auto drive = DriveIndex(path[0]);
  return drive && checkDrives[*drive] == 1;
}

bool IsFolderOnCheckDrive(platform::FileSystem& files, const DriveFlags& checkDrives,
                          std::string_view path) {
  if (!IsOnCheckDrive(checkDrives, path)) return false;
  const platform::AttributeResult attributes = files.Attributes(path);
  return attributes.ok() && (attributes.attributes & platform::kAttrDirectory) != 0;
}

}  // namespace zent
