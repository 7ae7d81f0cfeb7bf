// The handset's debug printf: formats one line (see FormatWide) and hands it to the platform's
// debug output. Lines longer than the buffer are cut; nothing is allocated.
#pragma once

#include "harness/platform_types.h"

namespace harness {

inline constexpr std::size_t kDebugLineCapacity = 512;

void NKDbgPrintfW(const Wchar* format, ...);

}  // namespace harness
