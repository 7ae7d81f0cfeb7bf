#include "platform/emu/resources.h"

#include <climits>
#include <cstdio>

namespace emu {

namespace {

// Reads little-endian values from a byte range; any read past the end fails the reader and
// every later read, so parsers check once at the points that matter.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool ok() const { return ok_; }
  std::size_t pos() const { return pos_; }
  std::size_t remaining() const { return ok_ ? size_ - pos_ : 0; }

  bool skip(std::size_t count) {
    if (!ok_ || count > size_ - pos_) return ok_ = false;
    pos_ += count;
    return true;
  }
  // Offsets are relative to the start of the range, which is itself DWORD-aligned.
  void alignTo4() { skip((4 - pos_ % 4) % 4); }

  std::uint8_t u8() {
    if (!skip(1)) return 0;
    return data_[pos_ - 1];
  }
  std::uint16_t u16() {
    if (!skip(2)) return 0;
    return static_cast<std::uint16_t>(data_[pos_ - 2] | (data_[pos_ - 1] << 8));
  }
  std::uint32_t u32() {
    std::uint32_t low = u16();
    return low | (static_cast<std::uint32_t>(u16()) << 16);
  }
  std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
  std::int32_t i32() { return static_cast<std::int32_t>(u32()); }

  // A zero-terminated UTF-16 string.
  std::u16string string() {
    std::u16string out;
    while (ok_) {
      char16_t c = u16();
      if (!ok_ || c == 0) break;
      out.push_back(c);
    }
    return out;
  }
  // 0xFFFF and a number, or a zero-terminated string (empty when the first unit is 0).
  ResourceId stringOrOrdinal() {
    if (remaining() >= 2 && data_[pos_] == 0xFF && data_[pos_ + 1] == 0xFF) {
      skip(2);
      return u16();
    }
    return string();
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

// "#123" names resource 123, as the handset's lookup does.
ResourceId Normalise(const ResourceId& id) {
  const auto* text = std::get_if<std::u16string>(&id);
  if (!text || text->size() < 2 || text->size() > 6 || (*text)[0] != u'#') return id;
  std::uint32_t value = 0;
  for (std::size_t i = 1; i < text->size(); ++i) {
    char16_t c = (*text)[i];
    if (c < u'0' || c > u'9') return id;
    value = value * 10 + (c - u'0');
  }
  if (value > 0xFFFF) return id;
  return static_cast<std::uint16_t>(value);
}

bool SameId(const ResourceId& a, const ResourceId& b) {
  if (a.index() != b.index()) return false;
  if (const auto* number = std::get_if<std::uint16_t>(&a)) return *number == std::get<0>(b);
  const std::u16string& x = std::get<1>(a);
  const std::u16string& y = std::get<1>(b);
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i < x.size(); ++i)
    if (Upper(x[i]) != Upper(y[i])) return false;
  return true;
}

std::string AtOffset(std::size_t offset, const char* problem) {
  char text[160];
  std::snprintf(text, sizeof text, "resource entry at offset %zu: %s", offset, problem);
  return text;
}

// The dialog's menu and class: an empty string means none, stored as number 0.
ResourceId NoneAsZero(ResourceId id) {
  if (const auto* text = std::get_if<std::u16string>(&id); text && text->empty()) {
    return std::uint16_t{0};
  }
  return id;
}

std::optional<DialogTemplate> ParseDialog(Reader r) {
  constexpr std::uint32_t kSetFont = 0x40;
  DialogTemplate dialog;
  const std::uint16_t version = r.u16();
  const std::uint16_t signature = r.u16();
  dialog.extended = r.ok() && version == 1 && signature == 0xFFFF;
  if (dialog.extended) {
    r.u32();  // help id
    dialog.exStyle = r.u32();
    dialog.style = r.u32();
  } else {
    dialog.style = version | (static_cast<std::uint32_t>(signature) << 16);
    dialog.exStyle = r.u32();
  }
  const std::uint16_t itemCount = r.u16();
  dialog.x = r.i16();
  dialog.y = r.i16();
  dialog.cx = r.i16();
  dialog.cy = r.i16();
  dialog.menu = NoneAsZero(r.stringOrOrdinal());
  dialog.windowClass = NoneAsZero(r.stringOrOrdinal());
  dialog.title = r.string();
  if (dialog.style & kSetFont) {
    dialog.pointSize = r.u16();
    if (dialog.extended) {
      r.u16();  // weight
      r.u8();   // italic
      r.u8();   // character set
    }
    dialog.typeface = r.string();
  }
  if (!r.ok()) return std::nullopt;

  for (std::uint16_t i = 0; i < itemCount; ++i) {
    r.alignTo4();
    DialogItemTemplate item;
    if (dialog.extended) {
      r.u32();  // help id
      item.exStyle = r.u32();
      item.style = r.u32();
    } else {
      item.style = r.u32();
      item.exStyle = r.u32();
    }
    item.x = r.i16();
    item.y = r.i16();
    item.cx = r.i16();
    item.cy = r.i16();
    item.id = dialog.extended ? r.u32() : r.u16();
    item.windowClass = r.stringOrOrdinal();
    item.title = r.stringOrOrdinal();
    // Creation data: a byte count, then that many bytes.
    r.skip(r.u16());
    if (!r.ok()) return std::nullopt;
    dialog.items.push_back(std::move(item));
  }
  return dialog;
}

}  // namespace

ResourceFile::ResourceFile(std::span<const std::uint8_t> bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t left = bytes.size() - pos;
    Reader sizes(bytes.data() + pos, left);
    const std::uint32_t dataSize = sizes.u32();
    const std::uint32_t headerSize = sizes.u32();
    if (!sizes.ok()) {
      error_ = AtOffset(pos, "the header is cut short");
      return;
    }
    // Sizes, type and name (4 bytes each at least) and the 16 bytes of fixed fields.
    if (headerSize < 32 || headerSize % 4 != 0 || headerSize > left) {
      error_ = AtOffset(pos, "the header size is invalid");
      return;
    }
    Reader header(bytes.data() + pos, headerSize);
    header.skip(8);
    ResourceEntry entry;
    entry.type = header.stringOrOrdinal();
    entry.name = header.stringOrOrdinal();
    header.alignTo4();
    header.u32();  // data version
    header.u16();  // memory flags
    entry.language = header.u16();
    header.u32();  // version
    header.u32();  // characteristics
    if (!header.ok()) {
      error_ = AtOffset(pos, "the type and name run past the header");
      return;
    }
    if (dataSize > left - headerSize) {
      error_ = AtOffset(pos, "the data runs past the end of the file");
      return;
    }
    entry.data = bytes.subspan(pos + headerSize, dataSize);
    // The file starts with an empty entry of type 0 that only marks the format.
    const auto* type = std::get_if<std::uint16_t>(&entry.type);
    if (!(type && *type == 0)) entries_.push_back(std::move(entry));
    pos += headerSize + static_cast<std::size_t>(dataSize);
    pos += (4 - pos % 4) % 4;
  }
}

const ResourceEntry* ResourceFile::find(const ResourceId& type, const ResourceId& name) const {
  const ResourceId wantedType = Normalise(type);
  const ResourceId wantedName = Normalise(name);
  for (const ResourceEntry& entry : entries_) {
    if (SameId(entry.type, wantedType) && SameId(entry.name, wantedName)) return &entry;
  }
  return nullptr;
}

std::optional<DialogTemplate> ParseDialogTemplate(std::span<const std::uint8_t> bytes) {
  return ParseDialog(Reader(bytes.data(), bytes.size()));
}

std::optional<DialogTemplate> ParseDialogTemplate(const void* bytes) {
  if (!bytes) return std::nullopt;
  // The caller vouches for the memory; a well-formed template ends long before this bound.
  constexpr std::size_t kLargestTemplate = 1 << 20;
  return ParseDialog(Reader(static_cast<const std::uint8_t*>(bytes), kLargestTemplate));
}

std::vector<AcceleratorEntry> ParseAcceleratorTable(std::span<const std::uint8_t> bytes) {
  constexpr std::uint8_t kLastEntry = 0x80;
  std::vector<AcceleratorEntry> table;
  Reader r(bytes.data(), bytes.size());
  while (r.remaining() >= 8) {
    AcceleratorEntry entry;
    entry.flags = r.u8();
    r.u8();
    entry.key = r.u16();
    entry.command = r.u16();
    r.u16();
    table.push_back(entry);
    if (entry.flags & kLastEntry) break;
  }
  return table;
}

std::optional<Bitmap> DecodeBitmapResource(std::span<const std::uint8_t> bytes) {
  Reader r(bytes.data(), bytes.size());
  const std::uint32_t headerSize = r.u32();
  const std::int32_t width = r.i32();
  const std::int32_t rawHeight = r.i32();
  r.u16();  // planes
  const std::uint16_t bitCount = r.u16();
  const std::uint32_t compression = r.u32();
  r.skip(12);  // image size and resolution
  const std::uint32_t colorsUsed = r.u32();
  if (!r.ok() || headerSize < 40 || headerSize > bytes.size() || compression != 0) {
    return std::nullopt;
  }
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
    return std::nullopt;
  }
  // Negative height: rows stored top row first.
  const bool topDown = rawHeight < 0;
  const long long height = topDown ? -static_cast<long long>(rawHeight) : rawHeight;
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384 ||
      static_cast<long long>(width) * height > (1LL << 26)) {
    return std::nullopt;
  }
  const std::uint64_t maxColors = bitCount <= 8 ? (1u << bitCount) : 0;
  const std::uint64_t colors = bitCount <= 8 && colorsUsed == 0 ? maxColors : colorsUsed;
  if (bitCount <= 8 && colors > maxColors) return std::nullopt;
  const std::uint64_t bitsOffset = headerSize + colors * 4;
  const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bitCount + 31) / 32) * 4;
  if (bitsOffset > bytes.size() ||
      stride * static_cast<std::uint64_t>(height) > bytes.size() - bitsOffset) {
    return std::nullopt;
  }

  std::vector<ColorRef> palette;
  for (std::uint64_t i = 0; bitCount <= 8 && i < colors; ++i) {
    const std::uint8_t* quad = bytes.data() + headerSize + i * 4;  // blue, green, red, unused
    palette.push_back(quad[2] | (quad[1] << 8) | (static_cast<ColorRef>(quad[0]) << 16));
  }
  Bitmap bitmap(width, static_cast<int>(height));
  for (long long y = 0; y < height; ++y) {
    const long long stored = topDown ? y : height - 1 - y;
    const std::uint8_t* row =
        bytes.data() + bitsOffset + static_cast<std::uint64_t>(stored) * stride;
    for (int x = 0; x < width; ++x) {
      ColorRef color = 0;
      if (bitCount >= 24) {
        const std::uint8_t* p = row + static_cast<std::size_t>(x) * (bitCount / 8);
        color = p[2] | (p[1] << 8) | (static_cast<ColorRef>(p[0]) << 16);
      } else {
        const std::size_t bit = static_cast<std::size_t>(x) * bitCount;
        const unsigned index = (row[bit / 8] >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
        // An index beyond a short palette draws black rather than reading past it.
        if (index < palette.size()) color = palette[index];
      }
      bitmap.at(x, static_cast<int>(y)) = color;
    }
  }
  return bitmap;
}

std::vector<IconGroupEntry> ParseIconGroup(std::span<const std::uint8_t> bytes) {
  Reader r(bytes.data(), bytes.size());
  const std::uint16_t reserved = r.u16();
  const std::uint16_t type = r.u16();
  const std::uint16_t count = r.u16();
  if (!r.ok() || reserved != 0 || type != 1 || r.remaining() < count * std::size_t{14}) {
    return {};
  }
  std::vector<IconGroupEntry> group;
  for (std::uint16_t i = 0; i < count; ++i) {
    IconGroupEntry entry;
    entry.width = r.u8();
    entry.height = r.u8();
    entry.colorCount = r.u8();
    r.u8();
    entry.planes = r.u16();
    entry.bitCount = r.u16();
    entry.bytes = r.u32();
    entry.iconId = r.u16();
    group.push_back(entry);
  }
  return group;
}

}  // namespace emu
