#include "platform/memory/text_fold.h"

#include <cstdint>

namespace zent::memory {
namespace {

char32_t UpperCodePoint(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

// Length of the UTF-8 sequence at `i`, or 0 when it is not a valid one.
size_t SequenceLength(std::string_view text, size_t i, char32_t* codePoint) {
  const auto lead = static_cast<unsigned char>(text[i]);
  size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  char32_t value = length == 1 ? lead : length == 2 ? (lead & 0x1F) : (lead & 0x0F);
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  *codePoint = value;
  return length;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string UpperCaseUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t c = 0;
    const size_t length = SequenceLength(text, i, &c);
    if (length == 0) {
      out += text[i++];
      continue;
    }
    const char32_t upper = UpperCodePoint(c);
    if (upper == c) {
      out.append(text.substr(i, length));
    } else {
      AppendUtf8(out, upper);
    }
    i += length;
  }
  return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return UpperCaseUtf8(a) == UpperCaseUtf8(b);
}

}  // namespace zent::memory
