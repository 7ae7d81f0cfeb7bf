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
  std::optional<std::u16string> root = CanonicalRootName(parts[0]);
  if (!root) return std::nullopt;
  parts[0] = *root;
  return parts;
}

// A path the platform would create: key names within its limits, each writable to the file.
bool CreatablePath(const std::vector<std::u16string>& parts) {
  if (parts.size() > kMaxKeyDepth + 1) return false;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    if (parts[i].size() > kMaxKeyNameLength || !WritableRegName(parts[i])) return false;
  }
  return true;
}

bool StorableString(const std::u16string& text) {
  return text.find_first_of(std::u16string_view(u"\r\n\0", 3)) == std::u16string::npos;
}

RegistryData ToData(const RegistryValue& value) {
  if (const auto* dword = std::get_if<std::uint32_t>(&value)) {
    RegistryData data{kRegDword, {}};
    for (int shift = 0; shift < 32; shift += 8) {
      data.bytes.push_back(static_cast<std::uint8_t>(*dword >> shift));
    }
    return data;
  }
  return StringData(std::get<std::u16string>(value));
}

std::optional<RegistryValue> ProgramView(const RegistryData& data) {
  const std::vector<std::uint8_t>& b = data.bytes;
  if (data.type == kRegDword && b.size() == 4) {
    return RegistryValue(static_cast<std::uint32_t>(b[0] | (b[1] << 8) | (b[2] << 16)) |
                         (static_cast<std::uint32_t>(b[3]) << 24));
  }
  if (data.type == kRegString) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
      const auto c = static_cast<char16_t>(b[i] | (b[i + 1] << 8));
      if (c == u'\0') break;
      text += c;
    }
    return RegistryValue(std::move(text));
  }
  return std::nullopt;
}

}  // namespace

Registry::Key::~Key() {
  if (subkeys.empty()) return;
  std::vector<std::map<std::u16string, Key>> pending;
  pending.push_back(std::exchange(subkeys, {}));
  while (!pending.empty()) {
    std::map<std::u16string, Key> level = std::move(pending.back());
    pending.pop_back();
    for (auto& [folded, key] : level) pending.push_back(std::exchange(key.subkeys, {}));
    // `level` goes now; its keys have no subkeys left, so their destructors stay shallow.
  }
}

Registry::Registry() {
  for (const RegRoot& root : kRegRoots) {
    roots_[FoldRegName(root.longName)].displayName = root.longName;
  }
}

std::optional<std::u16string> Registry::RootName(std::uint32_t rootHandle) {
  for (const RegRoot& root : kRegRoots) {
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
  return findParts(*parts, parts->size());
}

// The key named by the first `count` parts (root first); null when missing.
const Registry::Key* Registry::findParts(const std::vector<std::u16string>& parts,
                                         std::size_t count) const {
  auto root = roots_.find(FoldRegName(parts[0]));
  if (root == roots_.end()) return nullptr;
  const Key* key = &root->second;
  for (std::size_t i = 1; i < count; ++i) {
    auto sub = key->subkeys.find(FoldRegName(parts[i]));
    if (sub == key->subkeys.end()) return nullptr;
    key = &sub->second;
  }
  return key;
}

Registry::Key* Registry::createPath(const std::vector<std::u16string>& parts) {
  Key* key = &roots_[FoldRegName(parts[0])];
  for (std::size_t i = 1; i < parts.size(); ++i) {
    auto [it, inserted] = key->subkeys.try_emplace(FoldRegName(parts[i]));
    if (inserted) it->second.displayName = parts[i];
    key = &it->second;
  }
  return key;
}

bool Registry::keyExists(const std::u16string& path) const { return findKey(path) != nullptr; }

bool Registry::createKey(const std::u16string& path) {
  std::optional<std::vector<std::u16string>> parts = SplitPath(path);
  if (!parts || !CreatablePath(*parts)) return false;
  const bool existed = findKey(path) != nullptr;
  createPath(*parts);
  if (!existed) persist();
  return true;
}

bool Registry::deleteKey(const std::u16string& path) {
  std::optional<std::vector<std::u16string>> parts = SplitPath(path);
  if (!parts || parts->size() < 2) return false;
  Key* parent = const_cast<Key*>(findParts(*parts, parts->size() - 1));
  if (!parent || parent->subkeys.erase(FoldRegName(parts->back())) == 0) return false;
  persist();
  return true;
}

std::optional<RegistryData> Registry::getData(const std::u16string& path,
                                              const std::u16string& name) const {
  const Key* key = findKey(path);
  if (!key) return std::nullopt;
  auto it = key->values.find(FoldRegName(name));
  if (it == key->values.end()) return std::nullopt;
  return it->second.second;
}

std::optional<RegistryValue> Registry::get(const std::u16string& path,
                                           const std::u16string& name) const {
  std::optional<RegistryData> data = getData(path, name);
  if (!data) return std::nullopt;
  return ProgramView(*data);
}

bool Registry::set(const std::u16string& path, const std::u16string& name, RegistryValue value) {
  Key* key = findKey(path);
  if (!key) return false;
  if (const auto* text = std::get_if<std::u16string>(&value); text && !StorableString(*text)) {
    return false;
  }
  if (name.size() > kMaxValueNameLength || !WritableRegName(name)) return false;
  auto [it, inserted] = key->values.try_emplace(FoldRegName(name), name, RegistryData{});
  it->second.second = ToData(value);
  persist();
  if (observer_) {
    // Report the stored spelling of every key along the path.
    const std::vector<std::u16string> parts = *SplitPath(path);
    const Key* walk = &roots_.at(FoldRegName(parts[0]));
    std::u16string fullPath = walk->displayName;
    for (std::size_t i = 1; i < parts.size(); ++i) {
      walk = &walk->subkeys.at(FoldRegName(parts[i]));
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
  const std::vector<RegSection> sections = ParseRegText(bytes, file);
  for (const RegSection& section : sections) {
    if (section.remove) {
      if (Key* parent = const_cast<Key*>(findParts(section.key, section.key.size() - 1))) {
        parent->subkeys.erase(FoldRegName(section.key.back()));
      }
      continue;
    }
    Key* key = createPath(section.key);
    for (const RegValueLine& value : section.values) {
      if (value.remove) {
        key->values.erase(FoldRegName(value.name));
      } else {
        auto [it, inserted] =
            key->values.try_emplace(FoldRegName(value.name), value.name, value.data);
        if (!inserted) it->second.second = value.data;
      }
    }
  }
  persist();
}

template <class Visit>
void Registry::walk(Visit visit) const {
  struct Frame {
    const Key* key;
    std::map<std::u16string, Key>::const_iterator next;
    std::size_t pathLength;
  };
  std::vector<Frame> stack;
  std::u16string path;
  for (const RegRoot& root : kRegRoots) {
    const Key& key = roots_.at(FoldRegName(root.longName));
    path = key.displayName;
    visit(key, path);
    stack.push_back({&key, key.subkeys.begin(), path.size()});
    while (!stack.empty()) {
      Frame& top = stack.back();
      if (top.next == top.key->subkeys.end()) {
        stack.pop_back();
        continue;
      }
      const Key& child = (top.next++)->second;
      path.resize(top.pathLength);
      path += u'\\';
      path += child.displayName;
      visit(child, path);
      stack.push_back({&child, child.subkeys.begin(), path.size()});
    }
  }
}

std::string Registry::toRegText() const {
  std::u16string out = u"Windows Registry Editor Version 5.00\r\n\r\n";
  walk([&out](const Key& key, const std::u16string& path) {
    // A root gets a section only when it holds values; every other key gets one, so that empty
    // keys survive the round trip.
    const bool isRoot = path.find(u'\\') == std::u16string::npos;
    if (isRoot && key.values.empty()) return;
    out += u'[';
    out += path;
    out += u"]\r\n";
    for (const auto& [folded, entry] : key.values) {
      AppendRegValueLine(out, entry.first, entry.second);
    }
    out += u"\r\n";
  });
  return harness::Utf16ToUtf8(out);
}

std::vector<RegistryKeyListing> Registry::listing() const {
  std::vector<RegistryKeyListing> keys;
  walk([&keys](const Key& key, const std::u16string& path) {
    const bool isRoot = path.find(u'\\') == std::u16string::npos;
    if (isRoot && key.values.empty()) return;
    RegistryKeyListing& listed = keys.emplace_back();
    listed.path = path;
    for (const auto& [folded, entry] : key.values) listed.values.push_back(entry);
  });
  return keys;
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
