#include "platform/emu/resources.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <iterator>

namespace emu {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFixture(const char* name) {
  std::ifstream in(std::string(EMU_TEST_DATA_DIR) + "/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

ResourceId Id(std::uint16_t n) { return n; }
ResourceId Name(const char16_t* s) { return std::u16string(s); }

// tiny.rc compiled by windres: two dialogs, an accelerator table, a bitmap, an icon and a
// named RCDATA.
class TinyRes : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes = ReadFixture("tiny.res");
    ASSERT_FALSE(bytes.empty());
    file = ResourceFile(bytes);
    ASSERT_EQ(file.error(), "");
  }
  std::span<const std::uint8_t> data(const ResourceId& type, const ResourceId& name) {
    const ResourceEntry* e = file.find(type, name);
    EXPECT_NE(e, nullptr);
    return e ? e->data : std::span<const std::uint8_t>();
  }
  Bytes bytes;
  ResourceFile file;
};

TEST_F(TinyRes, FindsEntriesByNumberAndByNameIgnoringCase) {
  EXPECT_EQ(file.entries().size(), 7u);  // the leading empty entry is not one
  EXPECT_NE(file.find(Id(5), Id(102)), nullptr);
  EXPECT_EQ(file.find(Id(5), Id(103)), nullptr);
  EXPECT_EQ(file.find(Id(2), Id(102)), nullptr);
  EXPECT_NE(file.find(Id(2), Name(u"#129")), nullptr);
  const ResourceEntry* named = file.find(Id(10), Name(u"NamedThing"));
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(named->language, 0x0409);
  EXPECT_EQ(Bytes(named->data.begin(), named->data.end()), (Bytes{1, 0, 2, 0}));
  EXPECT_EQ(file.find(Id(10), Name(u"NamedThin")), nullptr);
}

TEST_F(TinyRes, DecodesBothDialogForms) {
  std::optional<DialogTemplate> classic = ParseDialogTemplate(data(Id(5), Id(101)));
  ASSERT_TRUE(classic.has_value());
  EXPECT_FALSE(classic->extended);
  EXPECT_EQ(classic->style, 0x90C00040u);
  EXPECT_EQ(classic->cx, 100);
  EXPECT_EQ(classic->title, u"Classic");
  EXPECT_EQ(classic->pointSize, 8);
  EXPECT_EQ(classic->typeface, u"MS Shell Dlg");
  EXPECT_EQ(classic->menu, Id(0));
  EXPECT_EQ(classic->windowClass, Id(0));
  ASSERT_EQ(classic->items.size(), 2u);
  EXPECT_EQ(classic->items[0].windowClass, Id(0x80));
  EXPECT_EQ(classic->items[0].title, Name(u"OK"));
  EXPECT_EQ(classic->items[0].id, 1u);
  EXPECT_EQ(classic->items[0].style & 0xF, 1u);
  EXPECT_EQ(classic->items[1].windowClass, Name(u"MYCLASS"));
  EXPECT_EQ(classic->items[1].cy, 4);

  // The unbounded form reads the same template.
  std::span<const std::uint8_t> extendedBytes = data(Id(5), Id(102));
  std::optional<DialogTemplate> extended = ParseDialogTemplate(extendedBytes.data());
  ASSERT_TRUE(extended.has_value());
  EXPECT_TRUE(extended->extended);
  EXPECT_EQ(extended->cx, 162);
  EXPECT_EQ(extended->cy, 279);
  EXPECT_EQ(extended->title, u"Vantor");
  EXPECT_EQ(extended->pointSize, 9);
  EXPECT_EQ(extended->typeface, u"MS Shell Dlg");
  ASSERT_EQ(extended->items.size(), 2u);
  // The first item carries creation data, which the second must be found after.
  EXPECT_EQ(extended->items[0].exStyle, 0x20u);
  EXPECT_EQ(extended->items[0].id, 1000u);
  EXPECT_EQ(extended->items[0].windowClass, Name(u"BUTTON"));
  EXPECT_EQ(extended->items[1].id, 1001u);
  EXPECT_EQ(extended->items[1].windowClass, Id(0x82));
  EXPECT_EQ(extended->items[1].title, Name(u"Text"));
}

TEST_F(TinyRes, DecodesAcceleratorsBitmapAndIconGroup) {
  std::vector<AcceleratorEntry> table = ParseAcceleratorTable(data(Id(9), Id(2)));
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[0].flags, 0x09);  // virtual key, control
  EXPECT_EQ(table[0].key, 0x51);
  EXPECT_EQ(table[0].command, 40000);
  EXPECT_EQ(table[1].flags, 0x00);
  EXPECT_EQ(table[1].key, 'a');
  EXPECT_EQ(table[2].flags, 0x95);  // last entry, alt, shift, virtual key

  std::optional<Bitmap> bitmap = DecodeBitmapResource(data(Id(2), Id(129)));
  ASSERT_TRUE(bitmap.has_value());
  EXPECT_EQ(bitmap->width, 3);
  EXPECT_EQ(bitmap->height, 2);
  EXPECT_EQ(bitmap->pixels,
            (std::vector<ColorRef>{0xFFFFFF, 0x000000, 0x808080, 0xFF0000, 0x00FF00, 0x0000FF}));

  std::vector<IconGroupEntry> group = ParseIconGroup(data(Id(14), Id(128)));
  ASSERT_EQ(group.size(), 1u);
  EXPECT_EQ(group[0].width, 2);
  EXPECT_EQ(group[0].bitCount, 32);
  EXPECT_EQ(group[0].iconId, 1);
  EXPECT_NE(file.find(Id(3), Id(group[0].iconId)), nullptr);
}

TEST_F(TinyRes, TruncatedInputNeverReadsOutOfBounds) {
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    // A copy of exactly `cut` bytes, so that any overread is caught by the sanitizer.
    Bytes prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    ResourceFile partial(prefix);
    EXPECT_TRUE(!partial.error().empty() || partial.entries().size() < file.entries().size())
        << cut;
  }
  for (const ResourceEntry& entry : file.entries()) {
    for (std::size_t cut = 0; cut < entry.data.size(); ++cut) {
      Bytes prefix(entry.data.begin(), entry.data.begin() + static_cast<std::ptrdiff_t>(cut));
      std::optional<DialogTemplate> dialog = ParseDialogTemplate(prefix);
      if (entry.type == Id(5)) {
        EXPECT_FALSE(dialog.has_value()) << cut;
      }
      if (entry.type == Id(2)) {
        EXPECT_FALSE(DecodeBitmapResource(prefix).has_value()) << cut;
      }
      if (entry.type == Id(14)) {
        EXPECT_TRUE(ParseIconGroup(prefix).empty()) << cut;
      }
      if (entry.type == Id(9)) {
        EXPECT_EQ(ParseAcceleratorTable(prefix).size(), cut / 8) << cut;
      }
    }
  }
}

TEST(ResourceFileTest, HostileHeadersGiveAnErrorAndKeepEarlierEntries) {
  // One good entry (type 10, name 7, four data bytes), then the bad one.
  Bytes good;
  Put32(good, 4);
  Put32(good, 32);
  Put32(good, 0x000AFFFF);
  Put32(good, 0x0007FFFF);
  for (int i = 0; i < 4; ++i) Put32(good, 0);
  Put32(good, 0xDDCCBBAA);

  auto entry = [](std::uint32_t dataSize, std::uint32_t headerSize, Bytes rest) {
    Bytes b;
    Put32(b, dataSize);
    Put32(b, headerSize);
    b.insert(b.end(), rest.begin(), rest.end());
    return b;
  };
  Bytes zeros(24, 0);
  Bytes unterminated(24, 'A');  // a type name that never ends inside the header
  const Bytes cases[] = {
      entry(0, 16, zeros), entry(0, 0xFFFFFFF0u, zeros), entry(0xFFFFFFF0u, 32, zeros),
      entry(1, 32, zeros), entry(0, 32, unterminated),   entry(0, 33, zeros),
      Bytes{1, 2, 3},
  };
  for (const Bytes& bad : cases) {
    Bytes all = good;
    all.insert(all.end(), bad.begin(), bad.end());
    ResourceFile file(all);
    EXPECT_FALSE(file.error().empty());
    ASSERT_EQ(file.entries().size(), 1u);
    EXPECT_EQ(file.entries()[0].data.size(), 4u);
  }
  EXPECT_TRUE(ResourceFile(good).error().empty());
  EXPECT_TRUE(ResourceFile(std::span<const std::uint8_t>()).entries().empty());
}

// A DIB: BITMAPINFOHEADER, palette, then rows (given unpadded, stored last row first unless
// top-down) padded to four bytes.
Bytes Dib(int width, int height, int bitCount, std::vector<std::uint32_t> palette,
          std::vector<Bytes> rows, std::uint32_t colorsUsed = 0) {
  Bytes b;
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(width));
  Put32(b, static_cast<std::uint32_t>(height));
  Put16(b, 1);
  Put16(b, static_cast<std::uint32_t>(bitCount));
  for (int i = 0; i < 4; ++i) Put32(b, 0);
  Put32(b, colorsUsed);
  Put32(b, 0);
  for (std::uint32_t quad : palette) Put32(b, quad);  // 0x00RRGGBB as stored (B, G, R, 0)
  for (Bytes row : rows) {
    while (row.size() % 4) row.push_back(0);
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

TEST(BitmapResource, DecodesEveryDepthInBothRowOrders) {
  constexpr ColorRef kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;
  struct Case {
    Bytes dib;
    std::vector<ColorRef> want;  // top row first
  };
  const Case cases[] = {
      // 1 bit, 10 wide: bits cross a byte; bottom-up.
      {Dib(10, 2, 1, {0x000000, 0xFFFFFF}, {{0xFF, 0xC0}, {0x80, 0x40}}),
       {0xFFFFFF, 0,        0,        0,        0,        0,        0,
        0,        0,        0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
        0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}},
      // 4 bit, three pixels, a palette of three colours (colours used 3); top-down.
      {Dib(3, -1, 4, {0xFF0000, 0x00FF00, 0x0000FF}, {{0x01, 0x20}}, 3), {kRed, kGreen, kBlue}},
      // 8 bit with an index beyond the palette: black, nothing read past it.
      {Dib(2, 1, 8, {0x0000FF}, {{0, 9}}, 1), {kBlue, 0}},
      // 24 bit, bottom-up, rows padded.
      {Dib(1, 2, 24, {}, {{0x00, 0x00, 0xFF}, {0xFF, 0x00, 0x00}}), {kBlue, kRed}},
      // 32 bit, top-down, the fourth byte ignored.
      {Dib(2, -1, 32, {}, {{0x00, 0xFF, 0x00, 0x77, 0x10, 0x20, 0x30, 0xFF}}), {kGreen, 0x102030}},
  };
  for (const Case& c : cases) {
    std::optional<Bitmap> bitmap = DecodeBitmapResource(c.dib);
    ASSERT_TRUE(bitmap.has_value());
    EXPECT_EQ(bitmap->pixels, c.want);
  }
}

TEST(BitmapResource, RejectsMalformedHeaders) {
  Bytes ok = Dib(2, 2, 24, {}, {{1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}});
  ASSERT_TRUE(DecodeBitmapResource(ok).has_value());
  auto patched = [&](std::size_t offset, std::uint32_t value) {
    Bytes b = ok;
    for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return b;
  };
  const Bytes cases[] = {
      patched(0, 12),                   // a header too small
      patched(0, 4000),                 // a header larger than the data
      patched(4, 0),                    // no width
      patched(4, 0x80000000),           // negative width
      patched(8, 0),                    // no height
      patched(8, 0x80000000),           // the most negative height
      patched(4, 100000),               // too wide
      patched(8, 3),                    // more rows than stored
      patched(14, 16),                  // 16 bits per pixel
      patched(16, 1),                   // compressed
      patched(32, 1000),                // a palette larger than the data
      Dib(2, 1, 8, {}, {{0, 0}}, 300),  // more palette entries than 8 bits allow
  };
  for (const Bytes& bad : cases) EXPECT_FALSE(DecodeBitmapResource(bad).has_value());
}

TEST(DialogTemplateTest, ItemCountBeyondTheDataFails) {
  // A classic template claiming three items but holding none.
  Bytes b;
  Put32(b, 0x80000000u);
  Put32(b, 0);
  Put16(b, 3);
  for (int i = 0; i < 4; ++i) Put16(b, 0);
  Put16(b, 0);  // menu
  Put16(b, 0);  // class
  Put16(b, 0);  // title
  EXPECT_FALSE(ParseDialogTemplate(b).has_value());
  b[8] = 0;  // no items: a valid, empty dialog
  std::optional<DialogTemplate> empty = ParseDialogTemplate(b);
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->items.empty());
  EXPECT_EQ(empty->style, 0x80000000u);
  EXPECT_FALSE(ParseDialogTemplate(nullptr).has_value());
}

TEST(IconGroupTest, RejectsWrongHeaders) {
  Bytes b;
  Put16(b, 0);
  Put16(b, 2);  // a cursor group
  Put16(b, 0);
  EXPECT_TRUE(ParseIconGroup(b).empty());
  EXPECT_TRUE(ParseIconGroup({}).empty());
}

}  // namespace
}  // namespace emu
