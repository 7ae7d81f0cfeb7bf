// The .reg text format on its own, free of any registry tree: reading a file into the sections
// and values it names, and writing one value line. Shared by every registry backend.
//
// Accepted files, as a registry editor writes them:
// - Header "Windows Registry Editor Version 5.00" or "REGEDIT4" on the first line.
// - Encoding: UTF-16LE with its BOM, or 8-bit text. 8-bit version 5.00 files are UTF-8 (with or
//   without BOM) and must be well-formed. REGEDIT4 files without BOM are read as UTF-8 when they
//   are well-formed UTF-8 and otherwise as Windows-1252 (the desktop's ANSI code page); the string
//   types' hex data in a REGEDIT4 file (hex(1), hex(2), hex(7)) are 8-bit text too and are
//   stored as UTF-16LE by the same rule.
// - Lines end in CR LF or LF; blank lines and lines starting with ';' are skipped.
// - "[KEY]" creates or opens a key, "[-KEY]" deletes it with everything below it.
// - Values: "name" or @ (the default value), '=', then "text" (\\ and \" escapes), -
//   (deletes the value), dword:1-8 hex digits, hex:bytes (binary) or hex(T):bytes (type T,
//   hexadecimal). Bytes are comma-separated hex pairs; a line ending in '\' continues on the next.
// - Limits of the platform: a key name is at most 255 characters, a key lies at most 512 levels
//   below its root, a value name is at most 16,383 characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

// Value types as the platform numbers them (the ones the registry treats specially).
inline constexpr std::uint32_t kRegString = 1;
inline constexpr std::uint32_t kRegExpandString = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiString = 7;

inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxKeyDepth = 512;
inline constexpr std::size_t kMaxValueNameLength = 16383;

// A value as stored: its type and its data bytes, kept exactly.
struct RegistryData {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> bytes;
  friend bool operator==(const RegistryData&, const RegistryData&) = default;
};

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

struct RegValueLine {
  int line = 0;
  std::u16string name;  // empty: the default value
  bool remove = false;  // "name"=-
  RegistryData data;
};

struct RegSection {
  int line = 0;
  bool remove = false;              // [-KEY]
  std::vector<std::u16string> key;  // root's long name first, then each key name
  std::vector<RegValueLine> values;
};

// Reads a whole .reg file; `file` only names it in errors. Throws RegFileError.
std::vector<RegSection> ParseRegText(const std::string& bytes, const std::string& file);

struct RegRoot {
  std::uint32_t handle;
  const char16_t* longName;
  const char16_t* shortName;
};
// The four roots, in the order a written file lists them.
inline constexpr RegRoot kRegRoots[] = {
    {0x80000000u, u"HKEY_CLASSES_ROOT", u"HKCR"},
    {0x80000001u, u"HKEY_CURRENT_USER", u"HKCU"},
    {0x80000002u, u"HKEY_LOCAL_MACHINE", u"HKLM"},
    {0x80000003u, u"HKEY_USERS", u"HKU"},
};

// ASCII folding is all the handset's key and value names need.
std::u16string FoldRegName(std::u16string_view name);
// The long name of a root given in long or short form; nullopt for anything else.
std::optional<std::u16string> CanonicalRootName(std::u16string_view name);

// Appends `name=data` in .reg form, CR LF at the end; long hex data is continued on further
// lines. What it writes, ParseRegText reads back to the same name, type and bytes.
void AppendRegValueLine(std::u16string& out, const std::u16string& name, const RegistryData& data);

// Whether a key or value name can be written into .reg text and read back unchanged.
bool WritableRegName(std::u16string_view name);

// Data of a string value: the text's UTF-16LE units and a terminating null.
RegistryData StringData(std::u16string_view text);

}  // namespace emu
