#include "platform/emu/font.h"

#include <gtest/gtest.h>

namespace emu {
namespace {

TEST(FontRenderer, RendersTheHandsetLabelsAndCachesEachGlyphOnce) {
  FontRenderer font(DefaultFontFile());
  ASSERT_TRUE(font.ready());
  EXPECT_GT(font.lineHeight(), font.ascent());
  EXPECT_GT(font.ascent(), 0);
  for (char32_t c : {U'\u2190', U'\u2191', U'\u00DF', U'\u0419', U'\u03BB', U'Q'}) {
    const Glyph* g = font.glyph(c);
    ASSERT_NE(g, nullptr);
    EXPECT_GT(g->advance, 0);
    EXPECT_FALSE(g->coverage.empty()) << static_cast<unsigned>(c);
    EXPECT_EQ(g->coverage.size(), static_cast<std::size_t>(g->width) * g->height);
  }
  const std::size_t cached = font.cachedGlyphCount();
  const Glyph* again = font.glyph(U'Q');
  EXPECT_EQ(again, font.glyph(U'Q'));
  EXPECT_EQ(font.cachedGlyphCount(), cached);
  EXPECT_EQ(font.textWidth(U"QQ"), 2 * font.textWidth(U"Q"));
  // Control characters take no room.
  EXPECT_EQ(font.textWidth(U"\r\t"), 0);
}

TEST(FontRenderer, MissingFontIsNotReady) {
  FontRenderer font("/nonexistent/font.ttf");
  EXPECT_FALSE(font.ready());
  EXPECT_EQ(font.glyph(U'A'), nullptr);
  EXPECT_EQ(font.lineHeight(), 0);
  EXPECT_EQ(font.textWidth(U"A"), 0);
}

TEST(DecodeUtf16Test, PairsSurrogatesAndReplacesStrayOnes) {
  EXPECT_EQ(DecodeUtf16(u"a\u2190"), U"a\u2190");
  EXPECT_EQ(DecodeUtf16(u"\U0001F600"), U"\U0001F600");
  const char16_t stray[] = {0xD800, u'x', 0xDC00, 0};
  EXPECT_EQ(DecodeUtf16(stray), U"\uFFFDx\uFFFD");
  const char16_t highAtEnd[] = {u'x', 0xD83D, 0};
  EXPECT_EQ(DecodeUtf16(highAtEnd), U"x\uFFFD");
}

}  // namespace
}  // namespace emu
