#pragma once

// The core's texts are UTF-8. These helpers walk them by character and give
// the simple upper case that name comparisons without regard to case use.
// A byte that does not start a well-formed sequence counts as one character
// of its own and is never changed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zent {

struct Utf8Character {
  char32_t codePoint = 0;  // for a stray byte: 0xDC00 + the byte, where no letter is
  std::size_t length = 1;  // in bytes
  bool wellFormed = false;
};

// The character that starts at byte `at`, which must lie inside the text.
Utf8Character DecodeUtf8At(std::string_view text, std::size_t at);

// The length in bytes of the character that starts at byte `at`.
std::size_t CharacterLength(std::string_view text, std::size_t at);

bool IsValidUtf8(std::string_view text);

void AppendUtf8(std::string& out, char32_t codePoint);

// Simple upper case of the Latin, Greek and Cyrillic letters.
char32_t SimpleUpperCase(char32_t codePoint);
std::u32string UpperCodePoints(std::string_view text);
std::string UpperCaseUtf8(std::string_view text);
// UpperCodePoints(text) == upper, without building the folded text.
bool EqualsUpperCodePoints(std::u32string_view upper, std::string_view text);
// Equal for texts whose UpperCodePoints are equal.
std::uint64_t UpperCodePointsHash(std::string_view text);

// UTF-16LE, as the registry editor and the system's wide calls write text.
// Encoding fails (nullopt) for a text that is not well-formed UTF-8; decoding
// turns an unpaired surrogate into U+FFFD and drops an odd last byte.
std::optional<std::string> Utf8ToUtf16Le(std::string_view text);
std::string Utf16LeToUtf8(std::string_view bytes);

// Windows-1252, the single-byte code page older files and exports come in.
// Decoding never fails (the five bytes the page leaves undefined keep their
// value, as the system's own conversion does); encoding fails (nullopt) for a
// text that is not well-formed UTF-8 or holds a character the page lacks.
std::string Windows1252ToUtf8(std::string_view bytes);
std::optional<std::string> Utf8ToWindows1252(std::string_view text);

}  // namespace zent
