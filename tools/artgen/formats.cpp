#include "formats.h"

#include <array>
#include <cstddef>

namespace artgen {

namespace {

void put16(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

std::uint32_t rowBytes(int width, int bits) {
  return static_cast<std::uint32_t>((width * bits + 31) / 32 * 4);
}

void putInfoHeader(Bytes& out, int width, int height, int bits, std::uint32_t imageSize,
                   std::uint32_t paletteSize) {
  put32(out, 40);
  put32(out, static_cast<std::uint32_t>(width));
  put32(out, static_cast<std::uint32_t>(height));
  put16(out, 1);
  put16(out, static_cast<std::uint32_t>(bits));
  put32(out, 0);  // BI_RGB
  put32(out, imageSize);
  put32(out, 0);
  put32(out, 0);
  put32(out, paletteSize);
  put32(out, 0);
}

// Colour over white, for formats without alpha.
Rgba flatten(Rgba c) {
  auto f = [&](int v) {
    return static_cast<std::uint8_t>((v * c.a + 255 * (255 - c.a) + 127) / 255);
  };
  return {f(c.r), f(c.g), f(c.b), 255};
}

std::vector<Rgba> palette(int bits) {
  std::vector<Rgba> p;
  if (bits == 4) {
    // The standard 16-colour palette.
    const std::array<std::uint32_t, 16> vga = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
        0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (std::uint32_t v : vga) {
      p.push_back({static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                   static_cast<std::uint8_t>(v), 255});
    }
  } else {
    // A 6x6x6 colour cube followed by a ramp of 40 greys.
    for (int r = 0; r < 6; ++r) {
      for (int g = 0; g < 6; ++g) {
        for (int b = 0; b < 6; ++b) {
          p.push_back({static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 51),
                       static_cast<std::uint8_t>(b * 51), 255});
        }
      }
    }
    for (int i = 0; i < 40; ++i) {
      const auto v = static_cast<std::uint8_t>(i * 255 / 39);
      p.push_back({v, v, v, 255});
    }
  }
  return p;
}

std::uint8_t nearest(const std::vector<Rgba>& pal, Rgba c) {
  std::size_t best = 0;
  int bestDistance = 1 << 30;
  for (std::size_t i = 0; i < pal.size(); ++i) {
    const int dr = pal[i].r - c.r, dg = pal[i].g - c.g, db = pal[i].b - c.b;
    const int d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return static_cast<std::uint8_t>(best);
}

Bytes iconDib(const Canvas& c, int bits) {
  const int n = c.width();
  const std::uint32_t xorRow = rowBytes(n, bits);
  const std::uint32_t andRow = rowBytes(n, 1);
  const std::vector<Rgba> pal = bits <= 8 ? palette(bits) : std::vector<Rgba>{};
  Bytes out;
  putInfoHeader(out, n, 2 * n, bits, (xorRow + andRow) * static_cast<std::uint32_t>(n),
                static_cast<std::uint32_t>(pal.size()));
  for (const Rgba& p : pal) {
    out.insert(out.end(), {p.b, p.g, p.r, 0});
  }
  for (int y = n - 1; y >= 0; --y) {
    Bytes row(xorRow, 0);
    for (int x = 0; x < n; ++x) {
      const Rgba px = c.at(x, y);
      const bool opaque = px.a >= 128;
      if (bits == 32) {
        std::copy_n(std::array<std::uint8_t, 4>{px.b, px.g, px.r, px.a}.begin(), 4, &row[x * 4]);
      } else if (!opaque) {
        continue;  // transparent: black under the set mask bit
      } else if (bits == 24) {
        const Rgba f = flatten(px);
        std::copy_n(std::array<std::uint8_t, 3>{f.b, f.g, f.r}.begin(), 3, &row[x * 3]);
      } else if (bits == 8) {
        row[x] = nearest(pal, flatten(px));
      } else {
        row[x / 2] |= static_cast<std::uint8_t>(nearest(pal, flatten(px)) << (x % 2 ? 0 : 4));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = n - 1; y >= 0; --y) {
    Bytes row(andRow, 0);
    for (int x = 0; x < n; ++x) {
      if (c.at(x, y).a < 128) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

Bytes encodeBmp24(const Canvas& canvas) {
  const std::uint32_t row = rowBytes(canvas.width(), 24);
  const std::uint32_t imageSize = row * static_cast<std::uint32_t>(canvas.height());
  Bytes out;
  out.push_back('B');
  out.push_back('M');
  put32(out, 14 + 40 + imageSize);
  put32(out, 0);
  put32(out, 14 + 40);
  putInfoHeader(out, canvas.width(), canvas.height(), 24, imageSize, 0);
  for (int y = canvas.height() - 1; y >= 0; --y) {
    for (int x = 0; x < canvas.width(); ++x) {
      const Rgba p = flatten(canvas.at(x, y));
      out.insert(out.end(), {p.b, p.g, p.r});
    }
    out.resize(out.size() + (row - static_cast<std::uint32_t>(canvas.width()) * 3), 0);
  }
  return out;
}

Bytes encodeIco(const std::vector<IconImage>& images) {
  std::vector<Bytes> dibs;
  for (const IconImage& image : images) dibs.push_back(iconDib(*image.canvas, image.bitsPerPixel));
  Bytes out;
  put16(out, 0);
  put16(out, 1);  // icon
  put16(out, static_cast<std::uint32_t>(images.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    const int n = images[i].canvas->width();
    const int bits = images[i].bitsPerPixel;
    out.push_back(static_cast<std::uint8_t>(n >= 256 ? 0 : n));
    out.push_back(static_cast<std::uint8_t>(n >= 256 ? 0 : n));
    out.push_back(static_cast<std::uint8_t>(bits == 4 ? 16 : 0));
    out.push_back(0);
    put16(out, 1);
    put16(out, static_cast<std::uint32_t>(bits));
    put32(out, static_cast<std::uint32_t>(dibs[i].size()));
    put32(out, offset);
    offset += static_cast<std::uint32_t>(dibs[i].size());
  }
  for (const Bytes& dib : dibs) out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

}  // namespace artgen
