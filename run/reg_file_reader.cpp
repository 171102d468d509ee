#include "run/reg_file_reader.h"

#include "platform/registry.h"
#include "platform/utf8.h"
#include "run/backup_file.h"

namespace zent {
namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view TrimLeft(std::string_view text) {
  const auto start = text.find_first_not_of(kBlanks);
  return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

std::string_view TrimRight(std::string_view text) {
  const auto end = text.find_last_not_of(kBlanks);
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::optional<unsigned> HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  return std::nullopt;
}

// One to eight hex digits and nothing else.
std::optional<std::uint32_t> HexNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t number = 0;
  for (const char c : digits) {
    const auto digit = HexDigit(c);
    if (!digit) return std::nullopt;
    number = (number << 4) | *digit;
  }
  return number;
}

// A quoted string with its quotes; `text` starts at the opening quote and is
// left after the closing one. Only \\ and \" are escapes the editor writes;
// anything else would be read differently by different editors.
std::optional<std::string> QuotedString(std::string_view& text) {
  if (!text.starts_with('"')) return std::nullopt;
  std::string out;
  for (std::size_t at = 1; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '"') {
      text.remove_prefix(at + 1);
      return out;
    }
    if (c == '\\') {
      if (at + 1 >= text.size() || (text[at + 1] != '\\' && text[at + 1] != '"')) {
        return std::nullopt;
      }
      ++at;
    }
    out += text[at];
  }
  return std::nullopt;
}

// "aa,bb, cc": bytes of one or two hex digits, blanks around them allowed.
std::optional<std::string> HexBytes(std::string_view list) {
  std::string bytes;
  list = TrimRight(TrimLeft(list));
  if (list.empty()) return bytes;
  for (;;) {
    const auto comma = list.find(',');
    const auto item = TrimRight(TrimLeft(list.substr(0, comma)));
    if (item.size() > 2) return std::nullopt;
    const auto number = HexNumber(item);
    if (!number) return std::nullopt;
    bytes += static_cast<char>(*number);
    if (comma == std::string_view::npos) return bytes;
    list.remove_prefix(comma + 1);
  }
}

// "hex:" is binary, "hex(n):" of type n (n in hex); the rest is the byte list.
std::optional<std::uint32_t> HexType(std::string_view& data) {
  if (data.starts_with("hex:")) {
    data.remove_prefix(4);
    return platform::kRegBinary;
  }
  if (!data.starts_with("hex(")) return std::nullopt;
  const auto close = data.find("):");
  if (close == std::string_view::npos) return std::nullopt;
  const auto type = HexNumber(data.substr(4, close - 4));
  data.remove_prefix(close + 2);
  return type;
}

std::string StoredOldText(std::string_view singleByte) {
  return Utf8ToUtf16Le(Windows1252ToUtf8(singleByte)).value_or(std::string());
}

class ScriptParser {
 public:
  explicit ScriptParser(std::vector<std::string> lines) : lines_(std::move(lines)) {}

  std::optional<RegScript> Parse() {
    while (next_ < lines_.size() && TrimLeft(lines_[next_]).empty()) ++next_;
    if (next_ >= lines_.size() || !ReadHeader(lines_[next_])) return std::nullopt;
    for (++next_; next_ < lines_.size(); ++next_) ReadLine(TrimLeft(lines_[next_]));
    return std::move(script_);
  }

 private:
  bool ReadHeader(std::string_view line) {
    line = TrimRight(line);
    if (line == kRegedit4Header) {
      format_ = ScriptFormat::Regedit4;
    } else if (line == kRegedit5Header) {
      format_ = ScriptFormat::Version5;
    } else {
      return false;
    }
    inKey_ = false;
    return true;
  }

  void ReadLine(std::string_view line) {
    if (line.empty() || line.starts_with(';') || ReadHeader(line)) return;
    if (line.starts_with('[')) return ReadKeyLine(line);
    if (inKey_ && (line.starts_with('@') || line.starts_with('"'))) {
      if (auto value = ReadValue(line)) {
        script_.keys.back().values.push_back(std::move(*value));
        return;
      }
    }
    ++script_.malformedLines;
  }

  void ReadKeyLine(std::string_view line) {
    const auto close = line.rfind(']');
    inKey_ = close != std::string_view::npos && close > 1;
    if (!inKey_) {
      ++script_.malformedLines;
      return;
    }
    ScriptKey key;
    std::string_view path = line.substr(1, close - 1);
    key.remove = path.starts_with('-');
    if (key.remove) path.remove_prefix(1);
    key.path = std::string(path);
    script_.keys.push_back(std::move(key));
  }

  std::optional<ScriptValue> ReadValue(std::string_view line) {
    ScriptValue value;
    if (line.starts_with('@')) {
      line.remove_prefix(1);
    } else {
      auto name = QuotedString(line);
      if (!name) return std::nullopt;
      value.name = std::move(*name);
    }
    // The editor reads no blank around "=".
    if (!line.starts_with('=')) return std::nullopt;
    line = TrimRight(line.substr(1));
    if (!ReadData(line, value)) return std::nullopt;
    return value;
  }

  bool ReadData(std::string_view data, ScriptValue& value) {
    if (data == "-") {
      value.remove = true;
      return true;
    }
    if (data.starts_with('"')) {
      auto text = QuotedString(data);
      if (!text || !TrimLeft(data).empty()) return false;
      value.type = platform::kRegSz;
      value.data = StoredText(*text);
      return true;
    }
    if (data.starts_with("dword:")) return ReadDword(data.substr(6), value);
    const auto type = HexType(data);
    if (!type) return false;
    const auto bytes = HexBytes(WithContinuations(data));
    if (!bytes) return false;
    value.type = *type;
    const bool oldText = format_ == ScriptFormat::Regedit4 &&
                         (*type == platform::kRegExpandSz || *type == platform::kRegMultiSz);
    value.data = oldText ? StoredOldText(*bytes) : *bytes;
    return true;
  }

  static bool ReadDword(std::string_view digits, ScriptValue& value) {
    const auto number = HexNumber(digits);
    if (!number) return false;
    value.type = platform::kRegDword;
    for (int shift = 0; shift < 32; shift += 8) value.data += static_cast<char>(*number >> shift);
    return true;
  }

  // A hex list ending in "\" goes on in the next line; the lines taken here
  // are not read again.
  std::string WithContinuations(std::string_view first) {
    std::string list(first);
    while (list.ends_with('\\') && next_ + 1 < lines_.size()) {
      list.pop_back();
      list.append(TrimRight(TrimLeft(lines_[++next_])));
    }
    return list;
  }

  std::vector<std::string> lines_;
  std::size_t next_ = 0;
  RegScript script_;
  ScriptFormat format_ = ScriptFormat::Regedit4;
  bool inKey_ = false;
};

void RemoveKeyTree(ImportedScript& imported, const std::string& upperPath) {
  const std::string below = upperPath + "\\";
  std::erase_if(imported, [&](const auto& entry) {
    return entry.first == upperPath || entry.first.starts_with(below);
  });
}

}  // namespace

std::string StoredText(std::string_view utf8) {
  std::string stored = Utf8ToUtf16Le(utf8).value_or(std::string());
  return stored.append(2, '\0');
}

std::optional<RegScript> ReadRegScript(std::string_view bytes) {
  return ScriptParser(DecodeScriptLines(bytes)).Parse();
}

ImportedScript ImportedContent(const RegScript& script) {
  ImportedScript imported;
  for (const auto& key : script.keys) {
    const std::string upperPath = UpperCaseUtf8(key.path);
    if (key.remove) {
      RemoveKeyTree(imported, upperPath);
      continue;
    }
    ImportedKey& values = imported[upperPath];
    for (const auto& value : key.values) {
      const std::string upperName = UpperCaseUtf8(value.name);
      if (value.remove) {
        values.erase(upperName);
      } else {
        values[upperName] = value;
      }
    }
  }
  return imported;
}

}  // namespace zent
