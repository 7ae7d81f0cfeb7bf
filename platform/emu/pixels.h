// A picture in memory: the emulated screen, a compatible image or a decoded resource bitmap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "harness/platform_types.h"

namespace emu {

using harness::ColorRef;
using harness::Point;
using harness::Rect;

struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<ColorRef> pixels;  // row-major, top row first, each 0x00BBGGRR

  Bitmap() = default;
  Bitmap(int w, int h, ColorRef fill = 0)
      : width(w > 0 ? w : 0),
        height(h > 0 ? h : 0),
        pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill) {}
  ColorRef at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
  ColorRef& at(int x, int y) {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

// Sets `count` pixels to one colour. Eight pixels per step in two 16-byte stores, which every
// x86-64 (and any target with 128-bit vectors) has, so the fill runs at memory speed without
// asking for a particular processor.
inline void FillPixels(ColorRef* out, std::size_t count, ColorRef color) {
  using Quad = ColorRef __attribute__((vector_size(16)));
  const Quad quad = {color, color, color, color};
  std::size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    std::memcpy(out + i, &quad, sizeof quad);
    std::memcpy(out + i + 4, &quad, sizeof quad);
  }
  if (i + 4 <= count) {
    std::memcpy(out + i, &quad, sizeof quad);
    i += 4;
  }
  for (; i < count; ++i) out[i] = color;
}

inline Rect Intersect(const Rect& a, const Rect& b) {
  Rect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
         a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
  if (r.right <= r.left || r.bottom <= r.top) return Rect{};
  return r;
}
inline bool IsEmpty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }
inline Rect Offset(const Rect& r, int dx, int dy) {
  return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

}  // namespace emu
