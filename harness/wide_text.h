// UTF-16 text helpers shared by the programs and the platform layer: the handset's wide-string
// comparisons and the wide printf that gives the programs' format strings the handset meaning
// (%s is a UTF-16 string, %S a narrow one, %c a UTF-16 unit), whatever the host's wchar_t is.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

#include "harness/platform_types.h"

namespace harness {

std::size_t WideLength(const Wchar* text);
// 0 when equal; exact and case-sensitive, like the handset's wcscmp and wcsncmp.
int WideCompare(const Wchar* a, const Wchar* b);
int WideNCompare(const Wchar* a, const Wchar* b, std::size_t count);

// Formats into out (capacity units, always terminated, truncated when too long); returns the
// number of units stored. Allocates nothing.
std::size_t FormatWideV(Wchar* out, std::size_t capacity, const Wchar* format, std::va_list args);
std::size_t FormatWide(Wchar* out, std::size_t capacity, const Wchar* format, ...);

// Host-side conversions for the platform layer (files, reports); lone surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace harness
