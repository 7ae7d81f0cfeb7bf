#include "platform/emu/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <mutex>
#include <set>

namespace emu {

struct FontRenderer::Face {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~Face() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
};

namespace {

// Every emulator instance has its own renderer; a missing font is still worth one line only.
void ReportOnce(const std::string& fontFile, const char* what) {
  static std::mutex mutex;
  static std::set<std::string> reported;
  std::lock_guard<std::mutex> lock(mutex);
  if (!reported.insert(fontFile).second) return;
  std::fprintf(stderr, "emu: cannot load font \"%s\": %s; text will not be drawn\n",
               fontFile.c_str(), what);
}

int CeilPixels(long value26_6) { return static_cast<int>((value26_6 + 63) >> 6); }

}  // namespace

const char* DefaultFontFile() {
#ifdef VANTOR_FONT_FILE
  return VANTOR_FONT_FILE;
#else
  return "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
#endif
}

FontRenderer::FontRenderer(std::string fontFile, int pixelSize)
    : fontFile_(std::move(fontFile)), pixelSize_(pixelSize > 0 ? pixelSize : 1) {}

FontRenderer::~FontRenderer() = default;

bool FontRenderer::ready() {
  if (tried_) return face_ != nullptr;
  tried_ = true;
  auto face = std::make_unique<Face>();
  if (FT_Init_FreeType(&face->library) != 0) {
    ReportOnce(fontFile_, "FreeType initialisation failed");
    return false;
  }
  if (FT_New_Face(face->library, fontFile_.c_str(), 0, &face->face) != 0) {
    ReportOnce(fontFile_, "not a readable font file");
    return false;
  }
  if (FT_Set_Pixel_Sizes(face->face, 0, static_cast<FT_UInt>(pixelSize_)) != 0) {
    ReportOnce(fontFile_, "the font has no usable size");
    return false;
  }
  face_ = std::move(face);
  return true;
}

int FontRenderer::lineHeight() {
  if (!ready()) return 0;
  return CeilPixels(face_->face->size->metrics.height);
}

int FontRenderer::ascent() {
  if (!ready()) return 0;
  return CeilPixels(face_->face->size->metrics.ascender);
}

const Glyph* FontRenderer::glyph(char32_t codePoint) {
  if (codePoint < kDirectGlyphs && direct_[codePoint]) return direct_[codePoint];
  if (!ready()) return nullptr;
  auto found = cache_.find(codePoint);
  if (found != cache_.end()) return &found->second;
  Glyph glyph;
  bool control = codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0);
  if (!control && FT_Load_Char(face_->face, codePoint, FT_LOAD_RENDER) == 0) {
    const FT_GlyphSlot slot = face_->face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    glyph.advance = static_cast<int>(slot->advance.x);
    if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.buffer != nullptr) {
      glyph.left = slot->bitmap_left;
      glyph.top = slot->bitmap_top;
      glyph.width = static_cast<int>(bitmap.width);
      glyph.height = static_cast<int>(bitmap.rows);
      glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * glyph.height);
      const int levels = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
      for (int y = 0; y < glyph.height; ++y) {
        const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
        for (int x = 0; x < glyph.width; ++x) {
          glyph.coverage[static_cast<std::size_t>(y) * glyph.width + x] =
              static_cast<std::uint8_t>(row[x] * 255 / levels);
        }
      }
    }
  }
  const Glyph* cached = &cache_.emplace(codePoint, std::move(glyph)).first->second;
  if (codePoint < kDirectGlyphs) direct_[codePoint] = cached;
  return cached;
}

int FontRenderer::textWidth(std::u32string_view text) {
  long pen = 0;
  for (char32_t c : text) {
    if (const Glyph* g = glyph(c)) pen += g->advance;
  }
  return CeilPixels(pen);
}

int FontRenderer::textWidth(std::u16string_view text) {
  long pen = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (const Glyph* g = glyph(NextCodePoint(text, &i))) pen += g->advance;
  }
  return CeilPixels(pen);
}

char32_t NextCodePoint(std::u16string_view text, std::size_t* index) {
  std::size_t& i = *index;
  const char16_t c = text[i++];
  if (c >= 0xD800 && c < 0xDC00 && i < text.size() && text[i] >= 0xDC00 && text[i] < 0xE000) {
    return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
           (static_cast<char32_t>(text[i++]) - 0xDC00);
  }
  if (c >= 0xD800 && c < 0xE000) return 0xFFFD;
  return c;
}

std::u32string DecodeUtf16(std::u16string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) out.push_back(NextCodePoint(text, &i));
  return out;
}

}  // namespace emu
