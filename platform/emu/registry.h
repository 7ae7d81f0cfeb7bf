// The emulated handset's registry: keys under the four roots, typed values, kept in memory and,
// when a file is attached, in the standard .reg text format, rewritten atomically (temporary
// file, then rename) after every change. Key paths and value names are case-insensitive.
//
// Every value keeps its type and data bytes exactly as read (see reg_text.h for the accepted .reg
// forms and the limits); the programs see DWORDs and strings only.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/emu/host_files.h"
#include "platform/emu/reg_text.h"

namespace emu {

// A value as the programs read and write it: a DWORD or a string.
using RegistryValue = std::variant<std::uint32_t, std::u16string>;

// One key of a registry listing: its full path and its values (stored name spelling, data).
struct RegistryKeyListing {
  std::u16string path;
  std::vector<std::pair<std::u16string, RegistryData>> values;
  friend bool operator==(const RegistryKeyListing&, const RegistryKeyListing&) = default;
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
  // Creates the key and its missing parents; false for a path with no valid root, a key name
  // longer than 255 characters or deeper than 512 levels, or a name the .reg text cannot hold.
  bool createKey(const std::u16string& path);
  // The value as the programs read it: a REG_DWORD of 4 bytes as its number, a REG_SZ as its
  // text up to the first null. nullopt when it is missing or stored with another type, so that
  // a read of it fails and leaves the caller's destination unchanged, as on the handset.
  std::optional<RegistryValue> get(const std::u16string& path, const std::u16string& name) const;
  // The value's stored type and bytes.
  std::optional<RegistryData> getData(const std::u16string& path, const std::u16string& name) const;
  // Stores a REG_DWORD or a REG_SZ (with its terminating null). Fails (false) when the key does
  // not exist, for a string with a line break or a null unit, or for a name longer than 16,383
  // characters or one the .reg text cannot hold.
  bool set(const std::u16string& path, const std::u16string& name, RegistryValue value);

  // Merges a .reg file ("Windows Registry Editor Version 5.00" or "REGEDIT4"; UTF-16LE with BOM,
  // or 8-bit: UTF-8, and for REGEDIT4 Windows-1252 when the bytes are not UTF-8; reg_text.h has
  // the accepted forms and the limits). Throws RegFileError; on error nothing is merged.
  void mergeFile(const std::string& file);
  // Parses .reg text; `file` only names it in errors.
  void mergeText(const std::string& bytes, const std::string& file);
  // The whole registry as .reg text (UTF-8, CR LF, keys and values in a stable order); every
  // key, name, type and byte reads back the same.
  std::string toRegText() const;
  // Every key in toRegText's order (roots only when they hold values), with its values.
  std::vector<RegistryKeyListing> listing() const;

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
    Key() = default;
    Key(Key&&) = default;
    Key& operator=(Key&&) = default;
    // Takes the subtree apart without recursion: a deep path must not exhaust the stack.
    ~Key();
    std::u16string displayName;  // spelling of first creation
    std::map<std::u16string, std::pair<std::u16string, RegistryData>> values;  // folded name
    std::map<std::u16string, Key> subkeys;                                     // folded name
  };
  Key* findKey(const std::u16string& path);
  const Key* findKey(const std::u16string& path) const;
  const Key* findParts(const std::vector<std::u16string>& parts, std::size_t count) const;
  Key* createPath(const std::vector<std::u16string>& parts);
  // Calls visit(key, path) for every key, parents before children, without recursion.
  template <class Visit>
  void walk(Visit visit) const;
  void persist();

  std::map<std::u16string, Key> roots_;  // folded long root name
  std::unique_ptr<LockedFile> file_;
  std::string fileProblem_;  // the failed rewrite, reported once; cleared when one succeeds
  std::function<void(const std::u16string&, const std::u16string&, const RegistryValue&)> observer_;
};

}  // namespace emu
