#include "platform/emu/reg_text.h"

#include <utility>

#include "harness/wide_text.h"
#include "platform/emu/quote.h"

namespace emu {

namespace {

constexpr std::u16string_view kHeader5 = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kHeader4 = u"REGEDIT4";

// A piece of the input for an error message: short, printable, one line. Only the start of a
// huge line is converted.
std::string Quoted(std::u16string_view text) {
  constexpr std::size_t kChars = 80;
  const std::u16string_view head = text.substr(0, 2 * kChars + 2);  // surrogate pairs count 2
  // A cut head still holds more than kChars characters, so the quote ends in "..." then.
  return "'" + QuoteForMessage(harness::Utf16ToUtf8(head), kChars) + "'";
}

// The line (from 1) of the first byte sequence that is not well-formed UTF-8; 0 when all are.
int FirstBadUtf8Line(std::string_view text) {
  int line = 1;
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b == '\n') ++line;
    if (b < 0x80) {
      ++i;
      continue;
    }
    // The lead byte fixes the length and the range of the second byte (no overlong forms, no
    // surrogates, nothing above U+10FFFF).
    std::size_t extra = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      extra = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
    } else {
      return line;
    }
    if (i + extra >= text.size()) return line;  // cut short at the end
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto n = static_cast<unsigned char>(text[i + k]);
      if (n < (k == 1 ? low : 0x80) || n > (k == 1 ? high : 0xBF)) return line;
    }
    i += extra + 1;
  }
  return 0;
}

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; its five unassigned bytes map to the
// C1 controls of the same number, as the desktop converts them.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// 8-bit text of a REGEDIT4 file: UTF-8 when it is well-formed UTF-8, else Windows-1252.
std::u16string DecodeAnsi(std::string_view text) {
  if (FirstBadUtf8Line(text) == 0) return harness::Utf8ToUtf16(text);
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    out += (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
  }
  return out;
}

bool StartsWithRegedit4(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text.substr(0, kHeader4.size()) == "REGEDIT4";
}

// Bytes to UTF-16: UTF-16LE with its BOM, otherwise 8-bit text (see the header's rules).
std::u16string DecodeRegText(const std::string& bytes, const std::string& file) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    if (bytes.size() % 2 != 0) throw RegFileError(file, 1, "truncated UTF-16 text");
    std::u16string out;
    out.reserve(bytes.size() / 2 - 1);
    int line = 1;
    bool pendingHigh = false;  // the unit before was a high surrogate
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const auto c = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8));
      // A lone surrogate has no UTF-8 form: the registry could not be written back unchanged.
      const bool low = c >= 0xDC00 && c <= 0xDFFF;
      if (low != pendingHigh)
        throw RegFileError(file, line, "invalid UTF-16 text (lone surrogate)");
      pendingHigh = c >= 0xD800 && c <= 0xDBFF;
      if (c == u'\n') ++line;
      out += c;
    }
    if (pendingHigh) throw RegFileError(file, line, "invalid UTF-16 text (lone surrogate)");
    return out;
  }
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
      static_cast<unsigned char>(bytes[1]) == 0xFF) {
    throw RegFileError(file, 1, "UTF-16 big-endian text is not supported");
  }
  std::string_view text(bytes);
  const bool bom = text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF";
  if (bom) text.remove_prefix(3);
  if (!bom && StartsWithRegedit4(text)) return DecodeAnsi(text);
  // Text in another encoding would otherwise load with its letters silently replaced.
  if (const int line = FirstBadUtf8Line(text)) {
    throw RegFileError(file, line, "invalid UTF-8 text (the file must be UTF-8 or UTF-16LE)");
  }
  return harness::Utf8ToUtf16(text);
}

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == u' ' || s.back() == u'\t' || s.back() == u'\r')) {
    s.remove_suffix(1);
  }
  return s;
}

// Reads a quoted string with \\ and \" escapes at the start of s; advances s past it.
// Returns the problem, or empty on success.
std::string ReadQuoted(std::u16string_view& s, std::u16string& out) {
  if (s.empty() || s.front() != u'"') return "expected a quoted string";
  std::size_t i = 1;
  out.clear();
  while (i < s.size()) {
    char16_t c = s[i];
    if (c == u'"') {
      s.remove_prefix(i + 1);
      return {};
    }
    if (c == u'\\') {
      if (i + 1 >= s.size()) break;
      char16_t e = s[i + 1];
      if (e != u'\\' && e != u'"') return "unknown escape " + Quoted(s.substr(i, 2));
      out += e;
      i += 2;
      continue;
    }
    out += c;
    ++i;
  }
  return "unterminated string";
}

std::optional<std::uint32_t> ParseHex32(std::u16string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (char16_t c : digits) {
    std::uint32_t d;
    if (c >= u'0' && c <= u'9') {
      d = static_cast<std::uint32_t>(c - u'0');
    } else if (c >= u'a' && c <= u'f') {
      d = static_cast<std::uint32_t>(c - u'a' + 10);
    } else if (c >= u'A' && c <= u'F') {
      d = static_cast<std::uint32_t>(c - u'A' + 10);
    } else {
      return std::nullopt;
    }
    value = (value << 4) | d;
  }
  return value;
}

// The comma-separated bytes after "hex...:", following '\' continuations onto the next lines;
// `index` ends on the value's last line.
std::vector<std::uint8_t> ParseHexBytes(std::u16string_view rest,
                                        const std::vector<std::u16string_view>& lines,
                                        std::size_t& index, const std::string& file) {
  std::vector<std::uint8_t> bytes;
  std::u16string_view s = Trim(rest);
  while (true) {
    const int lineNo = static_cast<int>(index) + 1;
    const bool continued = !s.empty() && s.back() == u'\\';
    if (continued) s = Trim(s.substr(0, s.size() - 1));
    std::size_t start = 0;
    while (start < s.size()) {
      std::size_t comma = s.find(u',', start);
      const bool last = comma == std::u16string_view::npos;
      if (last) comma = s.size();
      const std::u16string_view item = Trim(s.substr(start, comma - start));
      const std::optional<std::uint32_t> byte =
          item.size() <= 2 ? ParseHex32(item) : std::optional<std::uint32_t>();
      if (!byte) throw RegFileError(file, lineNo, "bad hex byte " + Quoted(item));
      bytes.push_back(static_cast<std::uint8_t>(*byte));
      if (last) break;
      start = comma + 1;
      // A comma may end a line only before a continuation.
      if (start == s.size() && !continued) {
        throw RegFileError(file, lineNo, "hex data ends in a comma");
      }
    }
    if (!continued) return bytes;
    if (++index >= lines.size()) {
      throw RegFileError(file, lineNo, "continuation at the end of the file");
    }
    s = Trim(lines[index]);
  }
}

// Splits "ROOT\A\B" into the root's long name and the key names; empty parts (a doubled or
// trailing separator) are skipped. Enforces the platform's limits.
std::vector<std::u16string> ParseKeyPath(std::u16string_view path, const std::string& file,
                                         int lineNo) {
  std::vector<std::u16string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > start) {
      const std::u16string_view part = path.substr(start, end - start);
      if (parts.empty()) {
        std::optional<std::u16string> root = CanonicalRootName(part);
        if (!root) throw RegFileError(file, lineNo, "unknown root key in " + Quoted(path));
        parts.push_back(std::move(*root));
      } else {
        if (part.size() > kMaxKeyNameLength) {
          throw RegFileError(file, lineNo,
                             "key name longer than " + std::to_string(kMaxKeyNameLength) +
                                 " characters: " + Quoted(part));
        }
        if (parts.size() > kMaxKeyDepth) {
          throw RegFileError(file, lineNo,
                             "key path deeper than " + std::to_string(kMaxKeyDepth) + " levels");
        }
        parts.emplace_back(part);
      }
    }
    start = end + 1;
  }
  if (parts.empty()) throw RegFileError(file, lineNo, "unknown root key in " + Quoted(path));
  return parts;
}

// REGEDIT4 keeps the string types' data as 8-bit text; stored, it is UTF-16LE.
void WidenAnsiStringData(RegistryData& data) {
  if (data.type != kRegString && data.type != kRegExpandString && data.type != kRegMultiString) {
    return;
  }
  const std::u16string text = DecodeAnsi(
      std::string_view(reinterpret_cast<const char*>(data.bytes.data()), data.bytes.size()));
  data.bytes.clear();
  for (char16_t c : text) {
    data.bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    data.bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
}

// The value after '=': a quoted string, dword:, hex: or hex(T):.
RegistryData ParseValueData(std::u16string_view line, const std::vector<std::u16string_view>& lines,
                            std::size_t& index, bool regedit4, const std::string& file) {
  const int lineNo = static_cast<int>(index) + 1;
  if (!line.empty() && line.front() == u'"') {
    std::u16string text;
    const std::string problem = ReadQuoted(line, text);
    if (!problem.empty()) throw RegFileError(file, lineNo, problem);
    if (!Trim(line).empty()) throw RegFileError(file, lineNo, "unexpected text after the value");
    return StringData(text);
  }
  const std::size_t colon = line.find(u':');
  if (colon == std::u16string_view::npos) {
    throw RegFileError(file, lineNo, "bad value " + Quoted(line));
  }
  const std::u16string type = FoldRegName(Trim(line.substr(0, colon)));
  const std::u16string_view rest = line.substr(colon + 1);
  if (type == u"dword") {
    std::optional<std::uint32_t> dword = ParseHex32(Trim(rest));
    if (!dword) throw RegFileError(file, lineNo, "bad dword value " + Quoted(rest));
    RegistryData data{kRegDword, {}};
    for (int shift = 0; shift < 32; shift += 8) {
      data.bytes.push_back(static_cast<std::uint8_t>(*dword >> shift));
    }
    return data;
  }
  RegistryData data{kRegBinary, {}};
  if (type != u"hex") {
    std::optional<std::uint32_t> number;
    if (type.size() > 5 && type.compare(0, 4, u"hex(") == 0 && type.back() == u')') {
      number = ParseHex32(std::u16string_view(type).substr(4, type.size() - 5));
    }
    if (!number) {
      throw RegFileError(file, lineNo, "unsupported value type " + Quoted(type));
    }
    data.type = *number;
  }
  data.bytes = ParseHexBytes(rest, lines, index, file);
  if (regedit4) WidenAnsiStringData(data);
  return data;
}

// The text of a string value whose quoted form reads back to exactly its data; nullopt when only
// hex(1) can hold it (no terminator, odd length, a null, a line break or a lone surrogate inside).
std::optional<std::u16string> QuotableString(const RegistryData& data) {
  if (data.type != kRegString || data.bytes.size() < 2 || data.bytes.size() % 2 != 0) {
    return std::nullopt;
  }
  std::u16string text;
  text.reserve(data.bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < data.bytes.size(); i += 2) {
    text += static_cast<char16_t>(data.bytes[i] | (data.bytes[i + 1] << 8));
  }
  if (text.back() != u'\0') return std::nullopt;
  text.pop_back();
  if (!WritableRegName(text) || text.find(u'\0') != std::u16string::npos) return std::nullopt;
  return text;
}

void AppendQuoted(std::u16string& out, std::u16string_view text) {
  out += u'"';
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') out += u'\\';
    out += c;
  }
  out += u'"';
}

void AppendHex(std::u16string& out, std::uint32_t value, int digits) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  for (int i = digits - 1; i >= 0; --i) out += kDigits[(value >> (4 * i)) & 0xF];
}

}  // namespace

RegFileError::RegFileError(std::string file, int line, std::string problem)
    : std::runtime_error(file + ":" + std::to_string(line) + ": " + problem),
      file_(std::move(file)),
      line_(line),
      problem_(std::move(problem)) {}

std::u16string FoldRegName(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return out;
}

std::optional<std::u16string> CanonicalRootName(std::u16string_view name) {
  if (name.size() > 32) return std::nullopt;
  const std::u16string folded = FoldRegName(name);
  for (const RegRoot& root : kRegRoots) {
    if (folded == FoldRegName(root.longName) || folded == FoldRegName(root.shortName)) {
      return root.longName;
    }
  }
  return std::nullopt;
}

bool WritableRegName(std::u16string_view name) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    if (c == u'\r' || c == u'\n') return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= name.size() || name[i + 1] < 0xDC00 || name[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

RegistryData StringData(std::u16string_view text) {
  RegistryData data{kRegString, {}};
  data.bytes.reserve(text.size() * 2 + 2);
  for (char16_t c : text) {
    data.bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    data.bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  data.bytes.push_back(0);
  data.bytes.push_back(0);
  return data;
}

std::vector<RegSection> ParseRegText(const std::string& bytes, const std::string& file) {
  const std::u16string text = DecodeRegText(bytes, file);
  std::vector<std::u16string_view> lines;
  {
    std::u16string_view rest(text);
    while (true) {
      std::size_t nl = rest.find(u'\n');
      if (nl == std::u16string_view::npos) {
        if (!rest.empty() || lines.empty()) lines.push_back(rest);  // not after the last break
        break;
      }
      lines.push_back(rest.substr(0, nl));
      rest.remove_prefix(nl + 1);
    }
  }
  const std::u16string_view header = lines.empty() ? std::u16string_view() : Trim(lines[0]);
  if (header != kHeader5 && header != kHeader4) {
    throw RegFileError(file, 1,
                       "bad header (expected \"Windows Registry Editor Version 5.00\" or "
                       "\"REGEDIT4\")");
  }
  const bool regedit4 = header == kHeader4;

  std::vector<RegSection> sections;
  for (std::size_t index = 1; index < lines.size(); ++index) {
    const int lineNo = static_cast<int>(index) + 1;
    std::u16string_view line = Trim(lines[index]);
    if (line.empty() || line.front() == u';') continue;

    if (line.front() == u'[') {
      if (line.back() != u']') throw RegFileError(file, lineNo, "unterminated key section");
      std::u16string_view inner = line.substr(1, line.size() - 2);
      RegSection section;
      section.line = lineNo;
      section.remove = !inner.empty() && inner.front() == u'-';
      if (section.remove) inner.remove_prefix(1);
      section.key = ParseKeyPath(inner, file, lineNo);
      if (section.remove && section.key.size() == 1) {
        throw RegFileError(file, lineNo, "a root key cannot be deleted");
      }
      sections.push_back(std::move(section));
      continue;
    }

    if (line.front() != u'"' && line.front() != u'@') {
      throw RegFileError(file, lineNo, "unexpected line " + Quoted(line));
    }
    if (sections.empty()) throw RegFileError(file, lineNo, "value before any key section");
    if (sections.back().remove) {
      throw RegFileError(file, lineNo, "value in a deleted key's section");
    }

    RegValueLine value;
    value.line = lineNo;
    if (line.front() == u'@') {
      line.remove_prefix(1);
    } else {
      const std::string problem = ReadQuoted(line, value.name);
      if (!problem.empty()) throw RegFileError(file, lineNo, problem + " in the value name");
      if (value.name.size() > kMaxValueNameLength) {
        throw RegFileError(file, lineNo,
                           "value name longer than " + std::to_string(kMaxValueNameLength) +
                               " characters: " + Quoted(value.name));
      }
    }
    line = Trim(line);
    if (line.empty() || line.front() != u'=') {
      throw RegFileError(file, lineNo, "expected '=' after the value name");
    }
    line = Trim(line.substr(1));
    if (line == u"-") {
      value.remove = true;
    } else {
      value.data = ParseValueData(line, lines, index, regedit4, file);
    }
    sections.back().values.push_back(std::move(value));
  }
  return sections;
}

void AppendRegValueLine(std::u16string& out, const std::u16string& name, const RegistryData& data) {
  const std::size_t lineStart = out.size();
  if (name.empty()) {
    out += u'@';
  } else {
    AppendQuoted(out, name);
  }
  out += u'=';
  if (std::optional<std::u16string> text = QuotableString(data)) {
    AppendQuoted(out, *text);
  } else if (data.type == kRegDword && data.bytes.size() == 4) {
    out += u"dword:";
    AppendHex(
        out,
        static_cast<std::uint32_t>(data.bytes[0] | (data.bytes[1] << 8) | (data.bytes[2] << 16)) |
            (static_cast<std::uint32_t>(data.bytes[3]) << 24),
        8);
  } else {
    if (data.type == kRegBinary) {
      out += u"hex:";
    } else {
      out += u"hex(";
      int digits = 1;
      while (digits < 8 && (data.type >> (4 * digits)) != 0) ++digits;
      AppendHex(out, data.type, digits);
      out += u"):";
    }
    // Lines of about 80 characters, continued as a registry editor does.
    std::size_t column = out.size() - lineStart;
    for (std::size_t i = 0; i < data.bytes.size(); ++i) {
      AppendHex(out, data.bytes[i], 2);
      column += 2;
      if (i + 1 == data.bytes.size()) break;
      out += u',';
      ++column;
      if (column >= 76) {
        out += u"\\\r\n  ";
        column = 2;
      }
    }
  }
  out += u"\r\n";
}

}  // namespace emu
