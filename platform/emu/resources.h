// Reading a program's compiled resources (.res, as windres writes it): finding a resource by
// type and name, and decoding the kinds the emulated handset needs (dialog templates,
// accelerator tables, bitmaps, icon groups).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "platform/emu/pixels.h"

namespace emu {

// A resource type or name: a number or a string (compared case-insensitively, as the handset
// does; string names are stored upper-cased by the resource compiler anyway).
using ResourceId = std::variant<std::uint16_t, std::u16string>;

struct ResourceEntry {
  ResourceId type;
  ResourceId name;
  std::uint16_t language = 0;
  std::span<const std::uint8_t> data;  // points into the bytes given to ResourceFile
};

class ResourceFile {
 public:
  ResourceFile() = default;
  // Parses the .res bytes (which must outlive this object). Malformed input yields the entries
  // read before the fault and sets error() to a description.
  explicit ResourceFile(std::span<const std::uint8_t> bytes);
  const ResourceEntry* find(const ResourceId& type, const ResourceId& name) const;
  const std::vector<ResourceEntry>& entries() const { return entries_; }
  const std::string& error() const { return error_; }

 private:
  std::vector<ResourceEntry> entries_;
  std::string error_;
};

struct DialogItemTemplate {
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::uint32_t id = 0;
  ResourceId windowClass;  // predefined classes as numbers (0x80 button, ...)
  ResourceId title;
};

struct DialogTemplate {
  bool extended = false;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  ResourceId menu;         // 0 when none
  ResourceId windowClass;  // 0 when the default dialog class
  std::u16string title;
  std::uint16_t pointSize = 0;  // when DS_SETFONT
  std::u16string typeface;
  std::vector<DialogItemTemplate> items;
};

// Classic (DLGTEMPLATE) and extended (DLGTEMPLATEEX) forms; nullopt when malformed.
std::optional<DialogTemplate> ParseDialogTemplate(std::span<const std::uint8_t> bytes);
// Same, for template memory of unknown size (as CreateDialogIndirectParamW receives it).
std::optional<DialogTemplate> ParseDialogTemplate(const void* bytes);

struct AcceleratorEntry {
  std::uint8_t flags = 0;  // FVIRTKEY, FSHIFT, FCONTROL, FALT, FLASTENTRY ...
  std::uint16_t key = 0;
  std::uint16_t command = 0;
};
std::vector<AcceleratorEntry> ParseAcceleratorTable(std::span<const std::uint8_t> bytes);

// A bitmap resource (BITMAPINFOHEADER + bits; 1, 4, 8, 24 and 32 bits per pixel, uncompressed)
// decoded to top-down pixels; nullopt when malformed.
std::optional<Bitmap> DecodeBitmapResource(std::span<const std::uint8_t> bytes);

struct IconGroupEntry {
  std::uint8_t width = 0, height = 0, colorCount = 0;
  std::uint16_t planes = 0, bitCount = 0;
  std::uint32_t bytes = 0;
  std::uint16_t iconId = 0;  // RT_ICON name of the image
};
std::vector<IconGroupEntry> ParseIconGroup(std::span<const std::uint8_t> bytes);

}  // namespace emu
