// The handset's default font: one TrueType face rendered by FreeType at a fixed pixel size,
// with antialiased glyph images cached per code point so that repainting costs little.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace emu {

// 12 pixels: the handset's system font is about that size on its 96 dpi screens, and key labels
// of 29 x 35 pixels keep a margin around two characters of it.
inline constexpr int kDefaultFontPixelSize = 12;

// The font file this build was configured with (VANTOR_FONT_FILE).
const char* DefaultFontFile();

struct Glyph {
  int left = 0;  // from the pen position to the image's first column
  int top = 0;   // from the baseline up to the image's first row
  int width = 0;
  int height = 0;
  int advance = 0;                     // horizontal advance in 1/64 pixel
  std::vector<std::uint8_t> coverage;  // width * height, 0 (none) .. 255 (full)
};

class FontRenderer {
 public:
  explicit FontRenderer(std::string fontFile, int pixelSize = kDefaultFontPixelSize);
  ~FontRenderer();
  FontRenderer(const FontRenderer&) = delete;
  FontRenderer& operator=(const FontRenderer&) = delete;

  // Loads the face on first use. False when the font cannot be loaded; the reason is written to
  // stderr once per font file and process.
  bool ready();
  // Line metrics in whole pixels (0 when not ready).
  int lineHeight();
  int ascent();
  // The glyph image of a code point, rendered on first use; null when not ready. Control
  // characters have an empty image and no advance.
  const Glyph* glyph(char32_t codePoint);
  // Width in pixels of a run of code points drawn side by side (UTF-16 text is decoded as it is
  // read, like DecodeUtf16).
  int textWidth(std::u32string_view text);
  int textWidth(std::u16string_view text);
  std::size_t cachedGlyphCount() const { return cache_.size(); }

 private:
  struct Face;
  std::string fontFile_;
  int pixelSize_;
  bool tried_ = false;
  std::unique_ptr<Face> face_;
  std::unordered_map<char32_t, Glyph> cache_;  // node-based: a glyph never moves
  // The glyphs of the first code points (Latin, Greek, Cyrillic) without a hash look-up.
  static constexpr char32_t kDirectGlyphs = 0x800;
  std::array<const Glyph*, kDirectGlyphs> direct_{};
};

// The code point that starts at text[*index], advancing *index past it; an unpaired surrogate
// becomes U+FFFD. *index must be inside the text.
char32_t NextCodePoint(std::u16string_view text, std::size_t* index);
// Code points of UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::u32string DecodeUtf16(std::u16string_view text);

}  // namespace emu
