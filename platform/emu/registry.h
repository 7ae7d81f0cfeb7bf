// The emulated handset's registry: keys under the four roots, typed values, kept in memory and,
// when a file is attached, in the standard .reg text format, rewritten atomically (temporary
// file, then rename) after every change. Key paths and value names are case-insensitive.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "platform/emu/host_files.h"

namespace emu {

// DWORD or string value.
using RegistryValue = std::variant<std::uint32_t, std::u16string>;

// A malformed .reg file: names the file, the line and the problem.
class RegFileError : public std::runtime_error {
 public:
  RegFileError(std::string file, int line, std::string problem);
  const std::string& file() const { return file_; }
  int line() const { return line_; }
  const std::string& problem() const { return problem_; }

 private:
  std::string file_;
  int line_;
  std::string problem_;
};

class Registry {
 public:
  // The four roots exist from the start.
  Registry();

  // Paths are full: "HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\LCDTest" (the root's long name
  // first; HKLM, HKCU, HKCR and HKU are accepted as short forms). Returned paths use the long
  // name and the spelling of the key's first creation.
  static std::optional<std::u16string> RootName(std::uint32_t rootHandle);

  bool keyExists(const std::u16string& path) const;
  // Creates the key and its missing parents; false for a path with no valid root.
  bool createKey(const std::u16string& path);
  std::optional<RegistryValue> get(const std::u16string& path, const std::u16string& name) const;
  // Fails (false) when the key does not exist, or for a string with a line break or a null
  // unit (the .reg text cannot hold them).
  bool set(const std::u16string& path, const std::u16string& name, RegistryValue value);

  // Merges a .reg file ("Windows Registry Editor Version 5.00" or "REGEDIT4"; UTF-8 with or
  // without BOM, or UTF-16LE with BOM). Throws RegFileError; on error nothing is merged.
  void mergeFile(const std::string& file);
  // Parses .reg text; `file` only names it in errors.
  void mergeText(const std::string& bytes, const std::string& file);
  // The whole registry as .reg text (UTF-8, CR LF, keys and values in a stable order).
  std::string toRegText() const;

  // Deletes a key and everything below it (not a root); false when it does not exist.
  bool deleteKey(const std::u16string& path);

  // From now on every change rewrites this file atomically (a symbolic link's target, in its own
  // folder), and the file stays locked against other runs. Throws std::runtime_error when the
  // file is locked by another process or the first write fails; later failures are reported
  // once on standard error and the registry carries on in memory.
  void attachFile(const std::string& file);
  // The same for a file already locked (after waiting for another run, say).
  void attachFile(std::unique_ptr<LockedFile> file);
  // Why the attached file misses changes ("registry file cannot create ..."); empty while it
  // holds the whole registry.
  const std::string& fileProblem() const { return fileProblem_; }
  // Called after every successful set() with the full key path, name and value.
  void setWriteObserver(std::function<void(const std::u16string& path, const std::u16string& name,
                                           const RegistryValue& value)>
                            observer);

 private:
  struct Key {
    std::u16string displayName;  // spelling of first creation
    std::map<std::u16string, std::pair<std::u16string, RegistryValue>> values;  // folded name
    std::map<std::u16string, Key> subkeys;                                      // folded name
  };
  Key* findKey(const std::u16string& path);
  const Key* findKey(const std::u16string& path) const;
  Key* createPath(const std::vector<std::u16string>& parts);
  static void appendKeyText(const Key& key, const std::u16string& path, std::u16string& out);
  void persist();

  std::map<std::u16string, Key> roots_;  // folded long root name
  std::unique_ptr<LockedFile> file_;
  std::string fileProblem_;  // the failed rewrite, reported once; cleared when one succeeds
  std::function<void(const std::u16string&, const std::u16string&, const RegistryValue&)> observer_;
};

}  // namespace emu
