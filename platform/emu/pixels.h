// A picture in memory: the emulated screen, a compatible image or a decoded resource bitmap.
#pragma once

#include <cstdint>
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
