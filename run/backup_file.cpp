#include "run/backup_file.h"

#include <cstdio>

#include "common/concat.h"
#include "platform/utf8.h"

namespace zent {
namespace {

constexpr std::string_view kUtf16Mark = "\xFF\xFE";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

std::string TextOfExport(std::string_view bytes) {
  if (bytes.starts_with(kUtf16Mark)) return Utf16LeToUtf8(bytes.substr(kUtf16Mark.size()));
  // Only a mark tells UTF-8: single-byte text such as "\xC3\xA4" is also well
  // formed UTF-8, and reading it so would change the names it restores.
  if (bytes.starts_with(kUtf8Mark) && IsValidUtf8(bytes)) {
    return std::string(bytes.substr(kUtf8Mark.size()));
  }
  return Windows1252ToUtf8(bytes);
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] != '\r' && text[at] != '\n') continue;
    lines.emplace_back(text.substr(start, at - start));
    if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
    start = at + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

bool FitsOnOneLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string TwoDigits(int number) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", number);
  return text;
}

std::string FourDigits(int number) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d", number);
  return text;
}

bool IsFree(platform::FileSystem& files, const std::string& path) {
  return files.FileExists(path) == platform::Presence::Missing &&
         files.FolderExists(path) == platform::Presence::Missing;
}

// The editor wraps hex data at about this width; some readers refuse very
// long lines.
constexpr std::size_t kHexLineWidth = 76;

std::string HexDigits(std::uint32_t number, std::size_t minimum) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string digits;
  for (; number != 0 || digits.size() < minimum; number >>= 4) {
    digits.insert(digits.begin(), kDigits[number & 15]);
  }
  return digits;
}

}  // namespace

std::string_view ScriptHeader(BackupEncoding encoding) {
  return encoding == BackupEncoding::Utf16Le ? kRegedit5Header : kRegedit4Header;
}

std::string EscapeScriptText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (const char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

std::optional<std::vector<std::string>> ValueBlockLines(BackupEncoding encoding,
                                                        std::string_view rootName,
                                                        std::string_view keyPath,
                                                        std::string_view valueName,
                                                        std::string_view text) {
  if (!FitsOnOneLine(rootName) || !FitsOnOneLine(keyPath) || !FitsOnOneLine(valueName) ||
      !FitsOnOneLine(text)) {
    return std::nullopt;
  }
  const std::string nameField =
      valueName.empty() ? std::string("@") : Concat({"\"", EscapeScriptText(valueName), "\""});
  return std::vector<std::string>{
      std::string(ScriptHeader(encoding)),
      std::string(),
      Concat({"[", rootName, "\\", keyPath, "]"}),
      Concat({nameField, "=\"", EscapeScriptText(text), "\""}),
  };
}

std::vector<std::string> DecodeScriptLines(std::string_view bytes) {
  return SplitLines(TextOfExport(bytes));
}

bool DecodesWithoutLoss(std::string_view bytes) {
  if (!bytes.starts_with(kUtf16Mark)) return true;
  const std::string_view units = bytes.substr(kUtf16Mark.size());
  return Utf8ToUtf16Le(Utf16LeToUtf8(units)) == units;
}

std::optional<std::string> EncodeScriptLines(const std::vector<std::string>& lines,
                                             BackupEncoding encoding, bool startsFile) {
  std::string text;
  for (const auto& line : lines) {
    text += line;
    text += kLineEnd;
  }
  if (encoding == BackupEncoding::Windows1252) return Utf8ToWindows1252(text);
  auto wide = Utf8ToUtf16Le(text);
  if (wide && startsFile) wide->insert(0, kUtf16Mark);
  return wide;
}

bool AppendBackupBlock(platform::FileSystem& files, std::string_view path,
                       const std::vector<std::string>& lines, BackupEncoding encoding) {
  const auto bytes = EncodeScriptLines(lines, encoding, false);
  if (!bytes) return false;
  // The mark is decided on the file as opened for the append: a first write
  // that failed leaves an empty file, which still needs it.
  return files.AppendWhole(path, *bytes,
                           encoding == BackupEncoding::Utf16Le ? kUtf16Mark : std::string_view());
}

std::optional<std::vector<std::string>> ExactValueLines(std::string_view name,
                                                        const platform::RegValue& stored) {
  if (!FitsOnOneLine(name)) return std::nullopt;
  std::vector<std::string> lines{Concat(
      {name.empty() ? "@" : Concat({"\"", EscapeScriptText(name), "\""}), "=",
       stored.type == platform::kRegBinary ? "hex:"
                                           : Concat({"hex(", HexDigits(stored.type, 1), "):"})})};
  for (std::size_t i = 0; i < stored.data.size(); ++i) {
    if (i > 0) {
      lines.back() += ',';
      if (lines.back().size() >= kHexLineWidth) {
        lines.back() += '\\';
        lines.emplace_back("  ");
      }
    }
    lines.back() += HexDigits(static_cast<unsigned char>(stored.data[i]), 2);
  }
  return lines;
}

namespace {

// A day name is the locale's to choose; a character a file name cannot hold
// would make every rename fail and leave each backup under its running name.
std::string FileNameSafe(std::string_view text) {
  std::string safe;
  for (const char c : text) {
    const bool forbidden = static_cast<unsigned char>(c) < 0x20 ||
                           std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
    if (!forbidden) safe += c;
  }
  return safe;
}

}  // namespace

std::string DatedBackupName(const platform::LocalTime& time, std::string_view dayName) {
  return FileNameSafe(dayName) + TwoDigits(time.day) + TwoDigits(time.month) +
         FourDigits(time.year) + TwoDigits(time.hour) + TwoDigits(time.minute);
}

std::optional<std::string> MoveToDatedName(platform::FileSystem& files, std::string_view from,
                                           std::string_view directory, std::string_view dated) {
  const std::string stem = Concat({directory, "\\", dated});
  for (int suffix = 1; suffix <= kMaxDatedNameSuffix; ++suffix) {
    const std::string candidate =
        Concat({stem, suffix == 1 ? "" : "_", suffix == 1 ? "" : std::to_string(suffix), ".reg"});
    if (!IsFree(files, candidate)) continue;
    if (files.Rename(from, candidate)) return candidate;
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace zent
