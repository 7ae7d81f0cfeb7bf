#include "platform/emu/registry.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <utility>

#include "harness/wide_text.h"

namespace emu {

namespace {

struct RootInfo {
  std::uint32_t handle;
  const char16_t* longName;
  const char16_t* shortName;
};

constexpr RootInfo kRoots[] = {
    {0x80000000u, u"HKEY_CLASSES_ROOT", u"HKCR"},
    {0x80000001u, u"HKEY_CURRENT_USER", u"HKCU"},
    {0x80000002u, u"HKEY_LOCAL_MACHINE", u"HKLM"},
    {0x80000003u, u"HKEY_USERS", u"HKU"},
};

// ASCII folding is all the handset's key and value names need.
std::u16string Fold(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return out;
}

// The canonical long name of a root given in long or short form.
std::optional<std::u16string> CanonicalRoot(std::u16string_view name) {
  const std::u16string folded = Fold(name);
  for (const RootInfo& root : kRoots) {
    if (folded == Fold(root.longName) || folded == Fold(root.shortName)) return root.longName;
  }
  return std::nullopt;
}

// Splits a full path into its root's long name and the key names below it; empty parts (a
// doubled or trailing separator) are skipped. nullopt when the root is not one of the four.
std::optional<std::vector<std::u16string>> SplitPath(std::u16string_view path) {
  std::vector<std::u16string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  if (parts.empty()) return std::nullopt;
  std::optional<std::u16string> root = CanonicalRoot(parts[0]);
  if (!root) return std::nullopt;
  parts[0] = *root;
  return parts;
}

bool StorableString(const std::u16string& text) {
  return text.find_first_of(std::u16string_view(u"\r\n\0", 3)) == std::u16string::npos;
}

std::u16string Quote(const std::u16string& text) {
  std::u16string out = u"\"";
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') out += u'\\';
    out += c;
  }
  out += u'"';
  return out;
}

std::u16string Hex8(std::uint32_t value) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string out(8, u'0');
  for (int i = 7; i >= 0; --i) {
    out[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    value >>= 4;
  }
  return out;
}

// ---- .reg parsing ----

struct RegOp {
  enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue } kind;
  std::u16string path;
  std::u16string name;
  RegistryValue value;
};

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

// Bytes to UTF-16: UTF-16LE with its BOM, otherwise UTF-8 with or without its BOM.
std::u16string DecodeRegText(const std::string& bytes, const std::string& file) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    if (bytes.size() % 2 != 0) throw RegFileError(file, 1, "truncated UTF-16 text");
    std::u16string out;
    out.reserve(bytes.size() / 2 - 1);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                   (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return out;
  }
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
      static_cast<unsigned char>(bytes[1]) == 0xFF) {
    throw RegFileError(file, 1, "UTF-16 big-endian text is not supported");
  }
  std::string_view text(bytes);
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
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
      if (e != u'\\' && e != u'"') {
        return "unknown escape '\\" + harness::Utf16ToUtf8(std::u16string(1, e)) + "'";
      }
      out += e;
      i += 2;
      continue;
    }
    out += c;
    ++i;
  }
  return "unterminated string";
}

std::optional<std::uint32_t> ParseDword(std::u16string_view digits) {
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

std::vector<RegOp> ParseRegText(const std::string& bytes, const std::string& file) {
  const std::u16string text = DecodeRegText(bytes, file);
  std::vector<std::u16string_view> lines;
  {
    std::u16string_view rest(text);
    while (true) {
      std::size_t nl = rest.find(u'\n');
      if (nl == std::u16string_view::npos) {
        lines.push_back(rest);
        break;
      }
      lines.push_back(rest.substr(0, nl));
      rest.remove_prefix(nl + 1);
    }
  }
  const std::u16string_view header = lines.empty() ? std::u16string_view() : Trim(lines[0]);
  if (header != u"Windows Registry Editor Version 5.00" && header != u"REGEDIT4") {
    throw RegFileError(file, 1,
                       "bad header (expected \"Windows Registry Editor Version 5.00\" or "
                       "\"REGEDIT4\")");
  }

  std::vector<RegOp> ops;
  std::optional<std::u16string> section;  // current key; nullopt before any section
  bool deletedSection = false;
  for (std::size_t index = 1; index < lines.size(); ++index) {
    const int lineNo = static_cast<int>(index) + 1;
    std::u16string_view line = Trim(lines[index]);
    if (line.empty() || line.front() == u';') continue;

    if (line.front() == u'[') {
      if (line.back() != u']') throw RegFileError(file, lineNo, "unterminated key section");
      std::u16string_view inner = line.substr(1, line.size() - 2);
      deletedSection = !inner.empty() && inner.front() == u'-';
      if (deletedSection) inner.remove_prefix(1);
      std::optional<std::vector<std::u16string>> parts = SplitPath(inner);
      if (!parts) {
        throw RegFileError(file, lineNo,
                           "unknown root key in '" + harness::Utf16ToUtf8(inner) + "'");
      }
      if (deletedSection && parts->size() == 1) {
        throw RegFileError(file, lineNo, "a root key cannot be deleted");
      }
      std::u16string path;
      for (const std::u16string& part : *parts) {
        if (!path.empty()) path += u'\\';
        path += part;
      }
      section = path;
      ops.push_back({deletedSection ? RegOp::DeleteKey : RegOp::CreateKey, path, {}, {}});
      continue;
    }

    if (line.front() != u'"' && line.front() != u'@') {
      throw RegFileError(file, lineNo, "unexpected line '" + harness::Utf16ToUtf8(line) + "'");
    }
    if (!section) throw RegFileError(file, lineNo, "value before any key section");
    if (deletedSection) throw RegFileError(file, lineNo, "value in a deleted key's section");

    std::u16string name;
    if (line.front() == u'@') {
      line.remove_prefix(1);
    } else {
      std::string problem = ReadQuoted(line, name);
      if (!problem.empty()) throw RegFileError(file, lineNo, problem + " in the value name");
    }
    line = Trim(line);
    if (line.empty() || line.front() != u'=') {
      throw RegFileError(file, lineNo, "expected '=' after the value name");
    }
    line = Trim(line.substr(1));

    RegOp op{RegOp::SetValue, *section, name, {}};
    if (line == u"-") {
      op.kind = RegOp::DeleteValue;
    } else if (!line.empty() && line.front() == u'"') {
      std::u16string value;
      std::string problem = ReadQuoted(line, value);
      if (!problem.empty()) throw RegFileError(file, lineNo, problem);
      if (!Trim(line).empty()) throw RegFileError(file, lineNo, "unexpected text after the value");
      op.value = value;
    } else {
      const std::size_t colon = line.find(u':');
      const std::u16string type = Fold(line.substr(0, colon));
      if (colon == std::u16string_view::npos) {
        throw RegFileError(file, lineNo, "bad value '" + harness::Utf16ToUtf8(line) + "'");
      }
      if (type != u"dword") {
        throw RegFileError(file, lineNo,
                           "unsupported value type '" + harness::Utf16ToUtf8(type) + "'");
      }
      std::optional<std::uint32_t> dword = ParseDword(line.substr(colon + 1));
      if (!dword) {
        throw RegFileError(
            file, lineNo, "bad dword value '" + harness::Utf16ToUtf8(line.substr(colon + 1)) + "'");
      }
      op.value = *dword;
    }
    ops.push_back(std::move(op));
  }
  return ops;
}

}  // namespace

RegFileError::RegFileError(std::string file, int line, std::string problem)
    : std::runtime_error(file + ":" + std::to_string(line) + ": " + problem),
      file_(std::move(file)),
      line_(line),
      problem_(std::move(problem)) {}

Registry::Registry() {
  for (const RootInfo& root : kRoots) {
    roots_[Fold(root.longName)].displayName = root.longName;
  }
}

std::optional<std::u16string> Registry::RootName(std::uint32_t rootHandle) {
  for (const RootInfo& root : kRoots) {
    if (root.handle == rootHandle) return root.longName;
  }
  return std::nullopt;
}

Registry::Key* Registry::findKey(const std::u16string& path) {
  return const_cast<Key*>(std::as_const(*this).findKey(path));
}

const Registry::Key* Registry::findKey(const std::u16string& path) const {
  std::optional<std::vector<std::u16string>> parts = SplitPath(path);
  if (!parts) return nullptr;
  auto root = roots_.find(Fold((*parts)[0]));
  if (root == roots_.end()) return nullptr;
  const Key* key = &root->second;
  for (std::size_t i = 1; i < parts->size(); ++i) {
    auto sub = key->subkeys.find(Fold((*parts)[i]));
    if (sub == key->subkeys.end()) return nullptr;
    key = &sub->second;
  }
  return key;
}

Registry::Key* Registry::createPath(const std::vector<std::u16string>& parts) {
  Key* key = &roots_[Fold(parts[0])];
  for (std::size_t i = 1; i < parts.size(); ++i) {
    auto [it, inserted] = key->subkeys.try_emplace(Fold(parts[i]));
    if (inserted) it->second.displayName = parts[i];
    key = &it->second;
  }
  return key;
}

bool Registry::keyExists(const std::u16string& path) const { return findKey(path) != nullptr; }

bool Registry::createKey(const std::u16string& path) {
  std::optional<std::vector<std::u16string>> parts = SplitPath(path);
  if (!parts) return false;
  const bool existed = findKey(path) != nullptr;
  createPath(*parts);
  if (!existed) persist();
  return true;
}

bool Registry::deleteKey(const std::u16string& path) {
  std::optional<std::vector<std::u16string>> parts = SplitPath(path);
  if (!parts || parts->size() < 2) return false;
  std::vector<std::u16string> parentParts(parts->begin(), parts->end() - 1);
  std::u16string parentPath;
  for (const std::u16string& part : parentParts) parentPath += part + u"\\";
  Key* parent = findKey(parentPath);
  if (!parent || parent->subkeys.erase(Fold(parts->back())) == 0) return false;
  persist();
  return true;
}

std::optional<RegistryValue> Registry::get(const std::u16string& path,
                                           const std::u16string& name) const {
  const Key* key = findKey(path);
  if (!key) return std::nullopt;
  auto it = key->values.find(Fold(name));
  if (it == key->values.end()) return std::nullopt;
  return it->second.second;
}

bool Registry::set(const std::u16string& path, const std::u16string& name, RegistryValue value) {
  Key* key = findKey(path);
  if (!key) return false;
  if (const auto* text = std::get_if<std::u16string>(&value); text && !StorableString(*text)) {
    return false;
  }
  auto [it, inserted] = key->values.try_emplace(Fold(name), name, value);
  if (!inserted) it->second.second = value;
  persist();
  if (observer_) {
    // Report the stored spelling of every key along the path.
    const std::vector<std::u16string> parts = *SplitPath(path);
    const Key* walk = &roots_.at(Fold(parts[0]));
    std::u16string fullPath = walk->displayName;
    for (std::size_t i = 1; i < parts.size(); ++i) {
      walk = &walk->subkeys.at(Fold(parts[i]));
      fullPath += u"\\" + walk->displayName;
    }
    observer_(fullPath, it->second.first, value);
  }
  return true;
}

void Registry::mergeFile(const std::string& file) {
  std::string problem;
  const std::optional<std::string> bytes = ReadInputFile(file, kMaxInputBytes, &problem);
  if (!bytes) throw RegFileError(file, 0, problem);
  mergeText(*bytes, file);
}

void Registry::mergeText(const std::string& bytes, const std::string& file) {
  // Parse everything first: a bad line anywhere merges nothing.
  const std::vector<RegOp> ops = ParseRegText(bytes, file);
  for (const RegOp& op : ops) {
    std::vector<std::u16string> parts = *SplitPath(op.path);
    switch (op.kind) {
      case RegOp::CreateKey:
        createPath(parts);
        break;
      case RegOp::DeleteKey: {
        std::vector<std::u16string> parentParts(parts.begin(), parts.end() - 1);
        std::u16string parentPath;
        for (const std::u16string& part : parentParts) parentPath += part + u"\\";
        if (Key* parent = findKey(parentPath)) parent->subkeys.erase(Fold(parts.back()));
        break;
      }
      case RegOp::SetValue: {
        Key* key = createPath(parts);
        auto [it, inserted] = key->values.try_emplace(Fold(op.name), op.name, op.value);
        if (!inserted) it->second.second = op.value;
        break;
      }
      case RegOp::DeleteValue:
        createPath(parts)->values.erase(Fold(op.name));
        break;
    }
  }
  persist();
}

void Registry::appendKeyText(const Key& key, const std::u16string& path, std::u16string& out) {
  // A root gets a section only when it holds values; every other key gets one, so that empty
  // keys survive the round trip.
  const bool isRoot = path.find(u'\\') == std::u16string::npos;
  if (!isRoot || !key.values.empty()) {
    out += u"[" + path + u"]\r\n";
    for (const auto& [folded, entry] : key.values) {
      out += entry.first.empty() ? u"@" : Quote(entry.first);
      out += u"=";
      if (const auto* dword = std::get_if<std::uint32_t>(&entry.second)) {
        out += u"dword:" + Hex8(*dword);
      } else {
        out += Quote(std::get<std::u16string>(entry.second));
      }
      out += u"\r\n";
    }
    out += u"\r\n";
  }
  for (const auto& [folded, sub] : key.subkeys) {
    appendKeyText(sub, path + u"\\" + sub.displayName, out);
  }
}

std::string Registry::toRegText() const {
  std::u16string out = u"Windows Registry Editor Version 5.00\r\n\r\n";
  for (const RootInfo& root : kRoots) {
    appendKeyText(roots_.at(Fold(root.longName)), root.longName, out);
  }
  return harness::Utf16ToUtf8(out);
}

void Registry::attachFile(const std::string& file) {
  std::string problem;
  std::unique_ptr<LockedFile> locked = LockedFile::Lock(file, 0, &problem);
  if (!locked) throw std::runtime_error("registry file " + file + ": " + problem);
  attachFile(std::move(locked));
}

void Registry::attachFile(std::unique_ptr<LockedFile> file) {
  std::string problem;
  if (!file->replace(toRegText(), &problem)) {
    throw std::runtime_error("registry file " + problem);
  }
  file_ = std::move(file);
  fileProblem_.clear();
}

void Registry::persist() {
  if (!file_) return;
  std::string problem;
  if (file_->replace(toRegText(), &problem)) {
    fileProblem_.clear();
  } else if (fileProblem_.empty()) {
    fileProblem_ = "registry file " + problem;
    std::cerr << fileProblem_ << "; the registry carries on in memory\n";
  }
}

void Registry::setWriteObserver(
    std::function<void(const std::u16string& path, const std::u16string& name,
                       const RegistryValue& value)>
        observer) {
  observer_ = std::move(observer);
}

}  // namespace emu
