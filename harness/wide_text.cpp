#include "harness/wide_text.h"

#include <cstdint>

namespace harness {

std::size_t WideLength(const Wchar* text) {
  std::size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

int WideCompare(const Wchar* a, const Wchar* b) {
  for (;; ++a, ++b) {
    if (*a != *b) return *a < *b ? -1 : 1;
    if (*a == 0) return 0;
  }
}

int WideNCompare(const Wchar* a, const Wchar* b, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    if (a[i] == 0) return 0;
  }
  return 0;
}

namespace {

// Writes into a fixed buffer, silently dropping what does not fit.
struct Sink {
  Wchar* out;
  std::size_t capacity;
  std::size_t length = 0;
  void put(Wchar c) {
    if (length + 1 < capacity) out[length++] = c;
  }
  void repeat(Wchar c, int count) {
    for (int i = 0; i < count; ++i) put(c);
  }
};

struct Spec {
  bool left = false;
  bool zero = false;
  bool plus = false;
  bool space = false;
  bool alt = false;
  int width = 0;
  int precision = -1;
};

void putDigits(Sink& sink, const Spec& spec, const char* sign, const char* prefix,
               const char* digits, int digitCount) {
  int signLen = 0;
  while (sign[signLen] != 0) ++signLen;
  int prefixLen = 0;
  while (prefix[prefixLen] != 0) ++prefixLen;
  int precisionZeros = spec.precision > digitCount ? spec.precision - digitCount : 0;
  int body = signLen + prefixLen + precisionZeros + digitCount;
  int pad = spec.width > body ? spec.width - body : 0;
  bool zeroPad = spec.zero && !spec.left && spec.precision < 0;
  if (!spec.left && !zeroPad) sink.repeat(u' ', pad);
  for (int i = 0; i < signLen; ++i) sink.put(static_cast<Wchar>(sign[i]));
  for (int i = 0; i < prefixLen; ++i) sink.put(static_cast<Wchar>(prefix[i]));
  if (zeroPad) sink.repeat(u'0', pad);
  sink.repeat(u'0', precisionZeros);
  for (int i = 0; i < digitCount; ++i) sink.put(static_cast<Wchar>(digits[i]));
  if (spec.left) sink.repeat(u' ', pad);
}

void putUnsigned(Sink& sink, const Spec& spec, std::uint64_t value, unsigned base, bool upper,
                 const char* sign) {
  char digits[32];
  int count = 0;
  const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  if (value == 0) {
    if (spec.precision != 0) digits[count++] = '0';
  } else {
    char reversed[32];
    int r = 0;
    while (value != 0) {
      reversed[r++] = set[value % base];
      value /= base;
    }
    while (r > 0) digits[count++] = reversed[--r];
  }
  const char* prefix = "";
  if (spec.alt && base == 16 && count > 0 && !(count == 1 && digits[0] == '0')) {
    prefix = upper ? "0X" : "0x";
  }
  putDigits(sink, spec, sign, prefix, digits, count);
}

template <typename Unit>
void putText(Sink& sink, const Spec& spec, const Unit* text) {
  static constexpr char kNull[] = "(null)";
  int length = 0;
  if (text == nullptr) {
    length = 6;
  } else {
    while (text[length] != 0 && (spec.precision < 0 || length < spec.precision)) ++length;
  }
  if (spec.precision >= 0 && length > spec.precision) length = spec.precision;
  int pad = spec.width > length ? spec.width - length : 0;
  if (!spec.left) sink.repeat(u' ', pad);
  for (int i = 0; i < length; ++i) {
    sink.put(text == nullptr
                 ? static_cast<Wchar>(kNull[i])
                 : static_cast<Wchar>(static_cast<std::make_unsigned_t<Unit>>(text[i])));
  }
  if (spec.left) sink.repeat(u' ', pad);
}

}  // namespace

std::size_t FormatWideV(Wchar* out, std::size_t capacity, const Wchar* format, std::va_list args) {
  if (capacity == 0) return 0;
  Sink sink{out, capacity};
  for (const Wchar* p = format; *p != 0; ++p) {
    if (*p != u'%') {
      sink.put(*p);
      continue;
    }
    ++p;
    Spec spec;
    for (;; ++p) {
      if (*p == u'-')
        spec.left = true;
      else if (*p == u'0')
        spec.zero = true;
      else if (*p == u'+')
        spec.plus = true;
      else if (*p == u' ')
        spec.space = true;
      else if (*p == u'#')
        spec.alt = true;
      else
        break;
    }
    if (*p == u'*') {
      spec.width = va_arg(args, int);
      if (spec.width < 0) {
        spec.left = true;
        spec.width = -spec.width;
      }
      ++p;
    } else {
      while (*p >= u'0' && *p <= u'9') spec.width = spec.width * 10 + (*p++ - u'0');
    }
    if (*p == u'.') {
      ++p;
      spec.precision = 0;
      if (*p == u'*') {
        spec.precision = va_arg(args, int);
        ++p;
      } else {
        while (*p >= u'0' && *p <= u'9') spec.precision = spec.precision * 10 + (*p++ - u'0');
      }
    }
    int longs = 0;
    bool half = false;
    for (;; ++p) {
      if (*p == u'l')
        ++longs;
      else if (*p == u'h')
        half = true;
      else if (*p == u'I' && p[1] == u'6' && p[2] == u'4') {
        longs = 2;
        p += 2;
      } else
        break;
    }
    switch (*p) {
      case u'd':
      case u'i': {
        std::int64_t v = longs >= 2   ? va_arg(args, long long)
                         : longs == 1 ? va_arg(args, long)
                                      : va_arg(args, int);
        if (half) v = static_cast<short>(v);
        std::uint64_t magnitude =
            v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
        const char* sign = v < 0 ? "-" : spec.plus ? "+" : spec.space ? " " : "";
        putUnsigned(sink, spec, magnitude, 10, false, sign);
        break;
      }
      case u'u':
      case u'x':
      case u'X':
      case u'o': {
        std::uint64_t v = longs >= 2   ? va_arg(args, unsigned long long)
                          : longs == 1 ? va_arg(args, unsigned long)
                                       : va_arg(args, unsigned int);
        if (half) v = static_cast<unsigned short>(v);
        unsigned base = *p == u'u' ? 10 : *p == u'o' ? 8 : 16;
        putUnsigned(sink, spec, v, base, *p == u'X', "");
        break;
      }
      case u'p': {
        spec.alt = true;
        putUnsigned(sink, spec, reinterpret_cast<std::uintptr_t>(va_arg(args, void*)), 16, false,
                    "");
        break;
      }
      case u'c': {
        Wchar c = static_cast<Wchar>(va_arg(args, int));
        Wchar text[2] = {c, 0};
        Spec one = spec;
        one.precision = -1;
        if (c == 0) {
          sink.repeat(u' ', spec.left ? 0 : (spec.width > 1 ? spec.width - 1 : 0));
          sink.put(0);
          break;
        }
        putText(sink, one, text);
        break;
      }
      case u's':
        // The handset's wide printf: %s is a wide string, %hs a narrow one.
        if (half)
          putText(sink, spec, va_arg(args, const char*));
        else
          putText(sink, spec, va_arg(args, const Wchar*));
        break;
      case u'S':
        putText(sink, spec, va_arg(args, const char*));
        break;
      case u'%':
        sink.put(u'%');
        break;
      case 0:
        --p;  // a lone % at the end is dropped
        break;
      default:
        sink.put(u'%');
        sink.put(*p);
        break;
    }
  }
  out[sink.length] = 0;
  return sink.length;
}

std::size_t FormatWide(Wchar* out, std::size_t capacity, const Wchar* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::size_t n = FormatWideV(out, capacity, format, args);
  va_end(args);
  return n;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    auto b = static_cast<unsigned char>(text[i]);
    std::uint32_t c = 0xFFFD;
    int extra = b < 0x80             ? 0
                : (b & 0xE0) == 0xC0 ? 1
                : (b & 0xF0) == 0xE0 ? 2
                : (b & 0xF8) == 0xF0 ? 3
                                     : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size() + (extra == 0 ? 1 : 0)) {
      if (extra == 0) c = b;
      i += 1;
    } else {
      c = extra == 0 ? b : extra == 1 ? (b & 0x1Fu) : extra == 2 ? (b & 0x0Fu) : (b & 0x07u);
      bool ok = true;
      for (int k = 1; k <= extra; ++k) {
        auto n = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
        if ((n & 0xC0) != 0x80) {
          ok = false;
          break;
        }
        c = (c << 6) | (n & 0x3Fu);
      }
      if (!ok) {
        c = 0xFFFD;
        i += 1;
      } else {
        i += static_cast<std::size_t>(extra) + 1;
        // Only the shortest form is a character: a longer one (C1 B4 for 't') would slip past
        // byte-wise comparisons, and UTF-16 surrogates are no characters of their own.
        constexpr std::uint32_t kShortest[] = {0, 0x80, 0x800, 0x10000};
        if (c < kShortest[extra] || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
      }
    }
    if (c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c > 0x10FFFF ? 0xFFFD : c));
    }
  }
  return out;
}

}  // namespace harness
