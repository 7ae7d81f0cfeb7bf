#include "harness/debug_print.h"

#include <cstdarg>

#include "harness/platform.h"
#include "harness/wide_text.h"

namespace harness {

void NKDbgPrintfW(const Wchar* format, ...) {
  Wchar line[kDebugLineCapacity];
  std::va_list args;
  va_start(args, format);
  FormatWideV(line, kDebugLineCapacity, format, args);
  va_end(args);
  platform().DebugOutput(line);
}

}  // namespace harness
