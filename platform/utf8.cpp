#include "platform/utf8.h"

#include <algorithm>
#include <array>

namespace zent {
namespace {

// The length of the well-formed sequence at `at`, or 0 when there is none
// (overlong forms, surrogates and values beyond U+10FFFF are not well formed).
std::size_t WellFormedLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
  const unsigned lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() - at < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// Names are nearly always plain ASCII: those characters skip the decoding.
bool IsAscii(char c) { return static_cast<unsigned char>(c) < 0x80; }

char32_t AsciiUpperCase(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char32_t>(c - 0x20) : static_cast<char32_t>(c);
}

// The upper case of the character at `at`; moves `at` past it.
char32_t NextUpperCodePoint(std::string_view text, std::size_t& at) {
  if (IsAscii(text[at])) return AsciiUpperCase(text[at++]);
  const auto character = DecodeUtf8At(text, at);
  at += character.length;
  return SimpleUpperCase(character.codePoint);
}

}  // namespace

bool EqualsUpperCodePoints(std::u32string_view upper, std::string_view text) {
  std::size_t next = 0;
  for (std::size_t at = 0; at < text.size(); ++next) {
    if (next == upper.size() || NextUpperCodePoint(text, at) != upper[next]) return false;
  }
  return next == upper.size();
}

std::uint64_t UpperCodePointsHash(std::string_view text) {
  std::uint64_t hash = 14695981039346656037u;  // FNV-1a
  for (std::size_t at = 0; at < text.size();) {
    hash = (hash ^ NextUpperCodePoint(text, at)) * 1099511628211u;
  }
  return hash;
}

Utf8Character DecodeUtf8At(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const std::size_t length = WellFormedLength(text, at);
  if (length == 0) return {char32_t{0xDC00u | lead}, 1, false};
  char32_t value = length == 1 ? lead : lead & (0x7Fu >> length);
  for (std::size_t k = 1; k < length; ++k) {
    value = (value << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3F);
  }
  return {value, length, true};
}

std::size_t CharacterLength(std::string_view text, std::size_t at) {
  const std::size_t length = WellFormedLength(text, at);
  return length == 0 ? 1 : length;
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = WellFormedLength(text, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char32_t SimpleUpperCase(char32_t c) {
  const auto pairUpper = [c](bool lowerIsOdd) { return (c % 2 == 1) == lowerIsOdd ? c ^ 1u : c; };
  if (c >= U'a' && c <= U'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x137 && c != 0x130 && c != 0x131) return pairUpper(true);
  if (c >= 0x139 && c <= 0x148) return pairUpper(false);
  if (c >= 0x14A && c <= 0x177) return pairUpper(true);
  if (c >= 0x179 && c <= 0x17E) return pairUpper(false);
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x3B1 && c <= 0x3CB) return c - 0x20;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF)) return pairUpper(true);
  return c;
}

std::u32string UpperCodePoints(std::string_view text) {
  std::u32string result;
  result.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    if (IsAscii(text[at])) {
      result += AsciiUpperCase(text[at++]);
      continue;
    }
    const auto character = DecodeUtf8At(text, at);
    result += SimpleUpperCase(character.codePoint);
    at += character.length;
  }
  return result;
}

std::string UpperCaseUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto ascii = std::ranges::find_if_not(text, IsAscii);
  out.assign(text.begin(), ascii);
  for (char& c : out) c = static_cast<char>(AsciiUpperCase(c));
  for (auto at = static_cast<std::size_t>(ascii - text.begin()); at < text.size();) {
    if (IsAscii(text[at])) {
      out += static_cast<char>(AsciiUpperCase(text[at++]));
      continue;
    }
    const auto character = DecodeUtf8At(text, at);
    const char32_t upper = SimpleUpperCase(character.codePoint);
    if (!character.wellFormed || upper == character.codePoint) {
      out.append(text.substr(at, character.length));
    } else {
      AppendUtf8(out, upper);
    }
    at += character.length;
  }
  return out;
}

std::optional<std::string> Utf8ToUtf16Le(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  const auto unit = [&out](char32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
  };
  for (std::size_t at = 0; at < text.size();) {
    const auto character = DecodeUtf8At(text, at);
    if (!character.wellFormed) return std::nullopt;
    const char32_t c = character.codePoint;
    if (c < 0x10000) {
      unit(c);
    } else {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
    at += character.length;
  }
  return out;
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  const auto unitAt = [bytes](std::size_t k) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                 (static_cast<unsigned char>(bytes[2 * k + 1]) << 8));
  };
  const std::size_t units = bytes.size() / 2;
  std::string out;
  out.reserve(units);
  for (std::size_t k = 0; k < units; ++k) {
    const char32_t unit = unitAt(k);
    if (unit >= 0xD800 && unit <= 0xDBFF && k + 1 < units && unitAt(k + 1) >= 0xDC00 &&
        unitAt(k + 1) <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(k + 1) - 0xDC00));
      ++k;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

namespace {

// Windows-1252 from 0x80 to 0x9F; the rest of the page is Latin-1.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::optional<char> CodePointToWindows1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t k = 0; k < kWindows1252High.size(); ++k) {
    if (kWindows1252High[k] == c) return static_cast<char>(0x80 + k);
  }
  return std::nullopt;
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char byte : bytes) {
    const auto value = static_cast<unsigned char>(byte);
    const bool high = value >= 0x80 && value < 0xA0;
    AppendUtf8(out, high ? kWindows1252High[value - 0x80] : char32_t{value});
  }
  return out;
}

std::optional<std::string> Utf8ToWindows1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto character = DecodeUtf8At(text, at);
    const auto byte =
        character.wellFormed ? CodePointToWindows1252(character.codePoint) : std::nullopt;
    if (!byte) return std::nullopt;
    out += *byte;
    at += character.length;
  }
  return out;
}

}  // namespace zent
