// File formats of the artwork: 24-bit uncompressed BMP files and .ico files whose images are
// DIBs with an AND mask, the form the resource compiler takes for an ICON resource.
#pragma once

#include <cstdint>
#include <vector>

#include "canvas.h"

namespace artgen {

using Bytes = std::vector<std::uint8_t>;

// BITMAPFILEHEADER + BITMAPINFOHEADER + bottom-up BGR rows padded to 4 bytes. The canvas is
// taken as opaque.
Bytes encodeBmp24(const Canvas& canvas);

struct IconImage {
  const Canvas* canvas;  // square, at most 256 pixels; alpha below 128 counts as transparent
  int bitsPerPixel;      // 4 (standard 16 colours), 8 (fixed 256-colour palette), 24 or 32
};
Bytes encodeIco(const std::vector<IconImage>& images);

}  // namespace artgen
