// Development aid: renders the generated files as enlarged PNG sheets for a look by eye.
//   artgen_preview VANTOR_RES VANTOR1_RES OUT_DIR
// writes keypad.png (the picture), pressed.png (every pressed image pasted over the picture at
// its slot, beside the picture itself), keys.png (the pressed images one by one) and icons.png
// (every image of both icons, on grey).
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "canvas.h"
#include "vantor1/key_slot_table.h"

namespace {

using artgen::Canvas;
using artgen::Rgba;

std::vector<std::uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// Decodes a DIB (info header first); icon images carry an AND mask below the colour rows.
Canvas decodeDib(const std::vector<std::uint8_t>& b, std::size_t at, bool icon) {
  const int w = static_cast<int>(u32(b, at + 4));
  const int h = static_cast<int>(u32(b, at + 8)) / (icon ? 2 : 1);
  const int bits = b[at + 14];
  std::size_t colours = u32(b, at + 32);
  if (colours == 0 && bits <= 8) colours = std::size_t{1} << bits;
  const std::size_t pal = at + 40;
  const std::size_t pixels = pal + colours * 4;
  const std::size_t stride = static_cast<std::size_t>((w * bits + 31) / 32 * 4);
  const std::size_t maskStride = static_cast<std::size_t>((w + 31) / 32 * 4);
  Canvas c(w, h, Rgba{160, 160, 160});
  for (int y = 0; y < h; ++y) {
    const std::size_t row = pixels + static_cast<std::size_t>(h - 1 - y) * stride;
    for (int x = 0; x < w; ++x) {
      Rgba p;
      if (bits >= 24) {
        const std::size_t o = row + static_cast<std::size_t>(x * bits / 8);
        p = {b[o + 2], b[o + 1], b[o], static_cast<std::uint8_t>(bits == 32 ? b[o + 3] : 255)};
      } else {
        int index = bits == 8 ? b[row + x] : (b[row + x / 2] >> (x % 2 ? 0 : 4)) & 15;
        const std::size_t o = pal + static_cast<std::size_t>(index) * 4;
        p = {b[o + 2], b[o + 1], b[o], 255};
      }
      if (icon && bits != 32) {
        const std::size_t m = pixels + stride * static_cast<std::size_t>(h) +
                              static_cast<std::size_t>(h - 1 - y) * maskStride;
        if (b[m + x / 8] & (0x80 >> (x % 8))) p.a = 0;
      }
      c.blend(x, y, p, 255);
    }
  }
  return c;
}

void paste(Canvas& dst, const Canvas& src, int x, int y) {
  for (int r = 0; r < src.height(); ++r) {
    for (int col = 0; col < src.width(); ++col) dst.blend(x + col, y + r, src.at(col, r), 255);
  }
}

void writePng(const std::string& path, const Canvas& c, int scale) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  const int w = c.width() * scale, h = c.height() * scale;
  png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<std::size_t>(w) * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Rgba p = c.at(x / scale, y / scale);
      row[static_cast<std::size_t>(x) * 3] = p.r;
      row[static_cast<std::size_t>(x) * 3 + 1] = p.g;
      row[static_cast<std::size_t>(x) * 3 + 2] = p.b;
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

void iconRow(Canvas& sheet, const std::string& path, int y) {
  const auto b = readFile(path);
  if (b.size() < 6) return;
  int x = 4;
  for (int i = 0; i < (b[4] | b[5] << 8); ++i) {
    const Canvas img = decodeDib(b, u32(b, 6 + 16 * static_cast<std::size_t>(i) + 12), true);
    paste(sheet, img, x, y);
    x += img.width() + 6;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: artgen_preview VANTOR_RES VANTOR1_RES OUT_DIR\n");
    return 2;
  }
  const std::string v = argv[1], v1 = argv[2], out = argv[3];
  const Canvas keypad =
      decodeDib(readFile(v1 + "/keypad_" + std::to_string(vantor1::BACKGROUND_BITMAP_ID) + ".bmp"),
                14, false);
  writePng(out + "/keypad.png", keypad, 3);
  Canvas pressed(2 * keypad.width() + 40, keypad.height(), Rgba{255, 255, 255});
  paste(pressed, keypad, 0, 0);
  Canvas all = keypad;
  for (const auto& d : vantor1::kSlotDefinitions) {
    paste(all, decodeDib(readFile(v1 + "/key_" + std::to_string(d.bitmapId) + ".bmp"), 14, false),
          d.x, d.y);
  }
  paste(pressed, all, keypad.width() + 40, 0);
  writePng(out + "/pressed.png", pressed, 2);
  // Every pressed image on its own, in slot order, ten to a row.
  Canvas sheet(10 * 72, 6 * 44, Rgba{120, 150, 170});
  int slot = 0;
  for (const auto& d : vantor1::kSlotDefinitions) {
    paste(sheet, decodeDib(readFile(v1 + "/key_" + std::to_string(d.bitmapId) + ".bmp"), 14, false),
          4 + slot % 10 * 72, 4 + slot / 10 * 44);
    ++slot;
  }
  writePng(out + "/keys.png", sheet, 2);
  Canvas icons(520, 150, Rgba{120, 150, 170});
  iconRow(icons, v + "/vantor.ico", 4);
  iconRow(icons, v1 + "/vantor1.ico", 80);
  writePng(out + "/icons.png", icons, 3);
  return 0;
}
