// Quoting a piece of an input file inside an error message: a hostile line (megabytes long, with
// NUL or terminal control bytes) must give a short, printable, single-line message.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace emu {

// At most maxChars characters of text (UTF-8; a cut never splits a character), followed by
// "..." when text was longer. Bytes below 0x20, 0x7F and bytes that are not well-formed UTF-8
// are written as \xNN, so the result prints on one line whatever the input held.
std::string QuoteForMessage(std::string_view text, std::size_t maxChars = 80);

}  // namespace emu
