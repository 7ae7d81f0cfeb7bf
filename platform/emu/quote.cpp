#include "platform/emu/quote.h"

#include <cstdio>

namespace emu {

namespace {

// Length of the well-formed UTF-8 sequence at the start of s, or 0.
std::size_t Utf8SequenceLength(std::string_view s) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  std::size_t n = 0;
  unsigned min = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2;
    min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3;
    min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4;
    min = 0x10000;
  } else {
    return 0;
  }
  if (s.size() < n) return 0;
  unsigned cp = b0 & (0x7F >> n);
  for (std::size_t i = 1; i < n; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

std::string QuoteForMessage(std::string_view text, std::size_t maxChars) {
  std::string out;
  std::size_t chars = 0;
  std::size_t i = 0;
  while (i < text.size() && chars < maxChars) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b >= 0x20 && b < 0x7F) {
      out += static_cast<char>(b);
      ++i;
    } else if (const std::size_t n = b >= 0x80 ? Utf8SequenceLength(text.substr(i)) : 0; n > 0) {
      out.append(text.substr(i, n));
      i += n;
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", b);
      out += buf;
      ++i;
    }
    ++chars;
  }
  if (i < text.size()) out += "...";
  return out;
}

}  // namespace emu
