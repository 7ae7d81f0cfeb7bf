#include "platform/emu/gdi.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>

#include "harness/platform_constants.h"
#include "platform/emu/font.h"

namespace emu {
namespace {

using harness::Hbitmap;
using harness::Hdc;
using harness::Hgdiobj;

constexpr ColorRef kSentinel = 0x00123456;
constexpr ColorRef kBlue = 0x00FF0000;
constexpr ColorRef kWhite = 0x00FFFFFF;

// A memory surface with a fresh bitmap of the given size, filled with kSentinel.
struct Canvas {
  Canvas(Gdi& gdi, int w, int h) : gdi(gdi) {
    dc = gdi.CreateCompatibleDC(nullptr);
    bitmap = gdi.CreateCompatibleBitmap(dc, w, h);
    old = gdi.SelectObject(dc, bitmap);
    Hgdiobj brush = gdi.CreateSolidBrush(kSentinel);
    Rect all{0, 0, w, h};
    gdi.FillRect(dc, &all, brush);
    gdi.DeleteObject(brush);
  }
  ~Canvas() {
    gdi.SelectObject(dc, old);
    gdi.DeleteObject(bitmap);
    gdi.DeleteDC(dc);
  }
  const Bitmap& pixels() const { return *gdi.bitmapPixels(bitmap); }
  Gdi& gdi;
  Hdc dc;
  Hbitmap bitmap;
  Hgdiobj old;
};

bool Inside(long long x, long long y, long long l, long long t, long long r, long long b) {
  return x >= l && x < r && y >= t && y < b;
}

int InkCount(const Bitmap& b, ColorRef background, Rect area) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) count += b.at(x, y) != background;
  return count;
}

// Rows [first, last] holding a pixel different from the background; {-1, -1} without any.
std::pair<int, int> InkRows(const Bitmap& b, ColorRef background) {
  int first = -1, last = -1;
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x)
      if (b.at(x, y) != background) {
        if (first < 0) first = y;
        last = y;
      }
  return {first, last};
}

TEST(GdiFill, HostileRectanglesTouchOnlyTheirPartOfTheBitmap) {
  const Rect cases[] = {
      {1, 1, 3, 2},
      {-5, -5, 2, 2},
      {3, 2, 100, 100},
      {-100, 1, 100, 2},
      {2, 2, 1, 1},
      {0, 0, 0, 0},
      {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
      {INT_MAX, INT_MAX, INT_MIN, INT_MIN},
      {INT_MAX - 1, 0, INT_MAX, 3},
      {3, 0, 4, 3},
      {4, 0, 10, 3},
      {0, 3, 4, 10},
  };
  Gdi gdi(DefaultFontFile());
  Hgdiobj brush = gdi.CreateSolidBrush(kBlue);
  for (const Rect& r : cases) {
    Canvas canvas(gdi, 4, 3);
    EXPECT_EQ(gdi.FillRect(canvas.dc, &r, brush), 1);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x)
        EXPECT_EQ(canvas.pixels().at(x, y),
                  Inside(x, y, r.left, r.top, r.right, r.bottom) ? kBlue : kSentinel)
            << "rect " << r.left << "," << r.top << "," << r.right << "," << r.bottom << " at " << x
            << "," << y;
  }
  gdi.DeleteObject(brush);
  EXPECT_EQ(gdi.liveObjectCount(), 0u);
}

TEST(GdiFill, KeyFrameAndFaceGiveExactPixels) {
  Gdi gdi(DefaultFontFile());
  Canvas canvas(gdi, 12, 10);
  Hgdiobj frame = gdi.CreateSolidBrush(0);
  Hgdiobj face = gdi.CreateSolidBrush(kBlue);
  Rect outer{1, 2, 11, 9}, inner{2, 3, 10, 8};
  gdi.FillRect(canvas.dc, &outer, frame);
  gdi.FillRect(canvas.dc, &inner, face);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x) {
      ColorRef want = kSentinel;
      if (Inside(x, y, 1, 2, 11, 9)) want = 0;
      if (Inside(x, y, 2, 3, 10, 8)) want = kBlue;
      EXPECT_EQ(canvas.pixels().at(x, y), want) << x << "," << y;
    }
  gdi.DeleteObject(frame);
  gdi.DeleteObject(face);
}

TEST(GdiFill, StockBrushesAndNullBrush) {
  Gdi gdi(DefaultFontFile());
  Canvas canvas(gdi, 3, 1);
  Rect r0{0, 0, 1, 1}, r1{1, 0, 2, 1}, r2{2, 0, 3, 1};
  EXPECT_EQ(gdi.FillRect(canvas.dc, &r0, gdi.GetStockObject(harness::WHITE_BRUSH)), 1);
  EXPECT_EQ(gdi.FillRect(canvas.dc, &r1, gdi.GetStockObject(harness::BLACK_BRUSH)), 1);
  EXPECT_EQ(gdi.FillRect(canvas.dc, &r2, gdi.GetStockObject(5)), 1);
  EXPECT_EQ(canvas.pixels().at(0, 0), kWhite);
  EXPECT_EQ(canvas.pixels().at(1, 0), 0u);
  EXPECT_EQ(canvas.pixels().at(2, 0), kSentinel);
}

TEST(GdiWindowSurface, DrawingIsOffsetAndLimitedToScreenAndClipList) {
  Gdi gdi(DefaultFontFile());
  Bitmap screen(10, 8, kSentinel);
  // Overlapping clip rectangles, one reaching off the screen.
  std::vector<Rect> clip{{1, 1, 5, 4}, {3, 2, 7, 6}, {8, 6, 20, 20}};
  Hdc dc = gdi.createWindowSurface(&screen, Point{2, 1}, clip);
  ASSERT_NE(dc, nullptr);
  Rect everything{-1000, -1000, 1000, 1000};
  Hgdiobj brush = gdi.CreateSolidBrush(kBlue);
  EXPECT_EQ(gdi.FillRect(dc, &everything, brush), 1);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) {
      bool clipped =
          Inside(x, y, 1, 1, 5, 4) || Inside(x, y, 3, 2, 7, 6) || Inside(x, y, 8, 6, 20, 20);
      EXPECT_EQ(screen.at(x, y), clipped ? kBlue : kSentinel) << x << "," << y;
    }
  // Surface coordinates start at the origin.
  Rect one{0, 0, 1, 1};
  Hgdiobj white = gdi.GetStockObject(harness::WHITE_BRUSH);
  gdi.FillRect(dc, &one, white);
  EXPECT_EQ(screen.at(2, 1), kWhite);
  EXPECT_EQ(gdi.DeleteDC(dc), 0);  // window surfaces are released, not deleted
  EXPECT_TRUE(gdi.releaseWindowSurface(dc));
  EXPECT_FALSE(gdi.releaseWindowSurface(dc));
  EXPECT_EQ(gdi.FillRect(dc, &one, brush), 0);
  gdi.DeleteObject(brush);

  Hdc none = gdi.createWindowSurface(&screen, Point{}, {});
  gdi.FillRect(none, &everything, white);
  EXPECT_EQ(screen.at(0, 0), kSentinel);
  gdi.releaseWindowSurface(none);
  EXPECT_EQ(gdi.liveObjectCount(), 0u);
}

struct BlitCase {
  int x, y, w, h, sx, sy;
};

TEST(GdiBitBlt, CopiesOnlyWhatLiesInsideBothBitmaps) {
  const BlitCase cases[] = {
      {0, 0, 3, 3, 0, 0},
      {1, 1, 3, 3, 0, 0},
      {0, 0, 5, 5, 0, 0},
      {3, 3, 10, 10, 0, 0},
      {-2, -1, 5, 5, 0, 0},
      {0, 0, 3, 3, -2, -2},
      {1, 0, 2, 2, 2, 2},
      {0, 0, 320, 320, 0, 0},
      {0, 0, 0, 5, 0, 0},
      {2, 2, 3, 3, 5, 5},
      {INT_MAX, INT_MAX, INT_MAX, INT_MAX, 0, 0},
      {INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MIN, INT_MIN},
      {0, 0, INT_MAX, INT_MAX, INT_MIN, INT_MIN},
      {1, 1, 3, 3, INT_MAX, 0},
  };
  Gdi gdi(DefaultFontFile());
  Bitmap sourcePixels(3, 3);
  for (int i = 0; i < 9; ++i) sourcePixels.pixels[static_cast<std::size_t>(i)] = 0x100u + i;
  Hbitmap sourceBitmap = gdi.createBitmap(sourcePixels);
  Hdc source = gdi.CreateCompatibleDC(nullptr);
  Hgdiobj old = gdi.SelectObject(source, sourceBitmap);
  for (const BlitCase& c : cases) {
    Canvas dest(gdi, 5, 5);
    EXPECT_EQ(gdi.BitBlt(dest.dc, c.x, c.y, c.w, c.h, source, c.sx, c.sy, harness::SRCCOPY), 1);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 5; ++x) {
        long long fx = static_cast<long long>(x) - c.x + c.sx;
        long long fy = static_cast<long long>(y) - c.y + c.sy;
        bool copied = Inside(x, y, c.x, c.y, static_cast<long long>(c.x) + c.w,
                             static_cast<long long>(c.y) + c.h) &&
                      Inside(fx, fy, 0, 0, 3, 3);
        EXPECT_EQ(dest.pixels().at(x, y),
                  copied ? sourcePixels.at(static_cast<int>(fx), static_cast<int>(fy)) : kSentinel)
            << "case " << c.x << "," << c.y << " " << c.w << "x" << c.h << " from " << c.sx << ","
            << c.sy << " at " << x << "," << y;
      }
  }
  gdi.SelectObject(source, old);
  gdi.DeleteObject(sourceBitmap);
  gdi.DeleteDC(source);
  EXPECT_EQ(gdi.liveObjectCount(), 0u);
}

TEST(GdiBitBlt, OverlappingCopyWithinOneBitmapReadsBeforeWriting) {
  Gdi gdi(DefaultFontFile());
  Bitmap screen(6, 1);
  for (int x = 0; x < 6; ++x) screen.at(x, 0) = static_cast<ColorRef>(x);
  Hdc dc = gdi.createWindowSurface(&screen, Point{}, {{0, 0, 6, 1}});
  EXPECT_EQ(gdi.BitBlt(dc, 1, 0, 5, 1, dc, 0, 0, harness::SRCCOPY), 1);
  EXPECT_EQ(screen.pixels, (std::vector<ColorRef>{0, 0, 1, 2, 3, 4}));
  gdi.releaseWindowSurface(dc);
}

TEST(GdiBitBlt, RasterOperationsAndRejectedArguments) {
  Gdi gdi(DefaultFontFile());
  Canvas dest(gdi, 4, 1);
  Canvas source(gdi, 4, 1);
  EXPECT_EQ(gdi.BitBlt(dest.dc, 0, 0, 1, 1, nullptr, 0, 0, 0x00000042), 1);  // BLACKNESS
  EXPECT_EQ(gdi.BitBlt(dest.dc, 1, 0, 1, 1, nullptr, 0, 0, 0x00FF0062), 1);  // WHITENESS
  EXPECT_EQ(dest.pixels().at(0, 0), 0u);
  EXPECT_EQ(dest.pixels().at(1, 0), kWhite);
  EXPECT_EQ(gdi.BitBlt(dest.dc, 0, 0, 4, 1, source.dc, 0, 0, 0x00660046), 0);  // SRCINVERT
  EXPECT_EQ(gdi.BitBlt(dest.dc, 0, 0, -1, 1, source.dc, 0, 0, harness::SRCCOPY), 0);
  EXPECT_EQ(gdi.BitBlt(dest.dc, 0, 0, 1, -1, source.dc, 0, 0, harness::SRCCOPY), 0);
  EXPECT_EQ(gdi.BitBlt(dest.dc, 0, 0, 1, 1, nullptr, 0, 0, harness::SRCCOPY), 0);
  EXPECT_EQ(dest.pixels().at(2, 0), kSentinel);
}

TEST(GdiHandles, SelectionDeletionAndMisuse) {
  Gdi gdi(DefaultFontFile());
  Hdc first = gdi.CreateCompatibleDC(nullptr);
  Hdc second = gdi.CreateCompatibleDC(first);
  Hbitmap bitmap = gdi.CreateCompatibleBitmap(first, 2, 2);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(gdi.bitmapPixels(bitmap)->pixels, std::vector<ColorRef>(4, 0u));  // starts black

  // A fresh memory surface holds a 1 x 1 bitmap, which SelectObject hands back.
  Hgdiobj original = gdi.SelectObject(first, bitmap);
  int w = 0, h = 0;
  EXPECT_EQ(gdi.GetBitmapSize(original, &w, &h), 1);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 1);
  EXPECT_EQ(gdi.SelectObject(second, bitmap), nullptr);  // one surface at a time
  EXPECT_EQ(gdi.DeleteObject(bitmap), 0);                // still selected
  EXPECT_EQ(gdi.SelectObject(first, original), bitmap);

  Hgdiobj brush = gdi.CreateSolidBrush(kBlue);
  EXPECT_EQ(gdi.SelectObject(first, brush), gdi.GetStockObject(harness::WHITE_BRUSH));
  EXPECT_EQ(gdi.SelectObject(first, gdi.GetStockObject(harness::WHITE_BRUSH)), brush);

  // Window surfaces draw on the screen only.
  Bitmap screen(2, 2);
  Hdc window = gdi.createWindowSurface(&screen, Point{}, {{0, 0, 2, 2}});
  EXPECT_EQ(gdi.SelectObject(window, bitmap), nullptr);

  EXPECT_EQ(gdi.liveObjectCount(), 5u);
  EXPECT_EQ(gdi.DeleteObject(bitmap), 1);
  EXPECT_EQ(gdi.DeleteObject(bitmap), 0);
  EXPECT_EQ(gdi.DeleteObject(brush), 1);
  EXPECT_EQ(gdi.DeleteObject(gdi.GetStockObject(harness::BLACK_BRUSH)), 1);  // no effect
  EXPECT_EQ(gdi.DeleteDC(second), 1);
  EXPECT_EQ(gdi.DeleteDC(second), 0);
  gdi.releaseWindowSurface(window);

  // Stale, unknown and null handles and bad sizes fail without touching anything.
  Rect r{0, 0, 1, 1};
  auto bogusDc = reinterpret_cast<Hdc>(static_cast<std::uintptr_t>(0xBAD));
  auto bogusObject = reinterpret_cast<Hgdiobj>(static_cast<std::uintptr_t>(0xBAD));
  EXPECT_EQ(gdi.FillRect(second, &r, gdi.GetStockObject(0)), 0);
  EXPECT_EQ(gdi.FillRect(first, &r, bitmap), 0);
  EXPECT_EQ(gdi.FillRect(first, nullptr, gdi.GetStockObject(0)), 0);
  EXPECT_EQ(gdi.FillRect(first, &r, original), 0);  // a bitmap is no brush
  EXPECT_EQ(gdi.SelectObject(bogusDc, brush), nullptr);
  EXPECT_EQ(gdi.SelectObject(first, bogusObject), nullptr);
  EXPECT_EQ(gdi.CreateCompatibleDC(bogusDc), nullptr);
  EXPECT_EQ(gdi.CreateCompatibleBitmap(first, 0, 5), nullptr);
  EXPECT_EQ(gdi.CreateCompatibleBitmap(first, 5, -1), nullptr);
  EXPECT_EQ(gdi.CreateCompatibleBitmap(first, INT_MAX, INT_MAX), nullptr);
  EXPECT_EQ(gdi.CreateCompatibleBitmap(bogusDc, 5, 5), nullptr);
  EXPECT_EQ(gdi.createBitmap(Bitmap(0, 3)), nullptr);
  EXPECT_EQ(gdi.GetStockObject(99), nullptr);
  EXPECT_EQ(gdi.GetBitmapSize(brush, &w, &h), 0);
  EXPECT_EQ(gdi.SetBkMode(bogusDc, 1), 0);
  EXPECT_EQ(gdi.SetBkColor(bogusDc, 0), 0xFFFFFFFFu);
  EXPECT_EQ(gdi.DeleteObject(nullptr), 0);
  EXPECT_EQ(gdi.DeleteDC(nullptr), 0);
  EXPECT_EQ(gdi.BitBlt(bogusDc, 0, 0, 1, 1, first, 0, 0, harness::SRCCOPY), 0);
  EXPECT_EQ(gdi.DrawTextW(bogusDc, u"x", -1, &r, 0), 0);

  EXPECT_EQ(gdi.DeleteDC(first), 1);
  EXPECT_EQ(gdi.liveObjectCount(), 0u);

  // Deleting a surface with an image still selected frees the image for deletion.
  Hdc surface = gdi.CreateCompatibleDC(nullptr);
  Hbitmap image = gdi.createBitmap(Bitmap(3, 2, kBlue));
  gdi.SelectObject(surface, image);
  EXPECT_EQ(gdi.DeleteDC(surface), 1);
  EXPECT_EQ(gdi.bitmapPixels(image)->pixels, std::vector<ColorRef>(6, kBlue));
  EXPECT_EQ(gdi.DeleteObject(image), 1);
  EXPECT_EQ(gdi.liveObjectCount(), 0u);
}

TEST(GdiState, ModesAndColoursReturnThePreviousValue) {
  Gdi gdi(DefaultFontFile());
  Hdc dc = gdi.CreateCompatibleDC(nullptr);
  EXPECT_EQ(gdi.SetBkMode(dc, harness::TRANSPARENT), harness::OPAQUE);
  EXPECT_EQ(gdi.SetBkMode(dc, 7), 0);
  EXPECT_EQ(gdi.SetBkMode(dc, harness::OPAQUE), harness::TRANSPARENT);
  EXPECT_EQ(gdi.SetBkColor(dc, kBlue), kWhite);
  EXPECT_EQ(gdi.SetBkColor(dc, 0), kBlue);
  EXPECT_EQ(gdi.SetTextColor(dc, kBlue), 0u);
  EXPECT_EQ(gdi.SetTextColor(dc, 0), kBlue);
  gdi.DeleteDC(dc);
}

// Text: a white 60 x 60 canvas, black text, transparent unless a test says otherwise.
struct TextCanvas : Canvas {
  explicit TextCanvas(Gdi& gdi) : Canvas(gdi, 60, 60) {
    Hgdiobj white = gdi.GetStockObject(harness::WHITE_BRUSH);
    Rect all{0, 0, 60, 60};
    gdi.FillRect(dc, &all, white);
    gdi.SetBkMode(dc, harness::TRANSPARENT);
  }
};

TEST(GdiText, CentredWithoutSingleLineStartsAtTheTop) {
  Gdi gdi(DefaultFontFile());
  FontRenderer font(DefaultFontFile());
  const int lineHeight = font.lineHeight();
  ASSERT_GT(lineHeight, 0);

  TextCanvas top(gdi);
  Rect rect{0, 0, 60, 60};
  EXPECT_EQ(gdi.DrawTextW(top.dc, u"W", -1, &rect, harness::DT_CENTER | harness::DT_VCENTER),
            lineHeight);
  auto [first, last] = InkRows(top.pixels(), kWhite);
  ASSERT_GE(first, 0);
  EXPECT_LT(last, lineHeight);
  // Centred horizontally: as much white on the left of the ink as on the right.
  int left = 60, right = -1;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x)
      if (top.pixels().at(x, y) != kWhite) left = std::min(left, x), right = std::max(right, x);
  EXPECT_LE(std::abs(left - (59 - right)), 2);

  TextCanvas middle(gdi);
  int height = gdi.DrawTextW(middle.dc, u"W", -1, &rect,
                             harness::DT_CENTER | harness::DT_VCENTER | harness::DT_SINGLELINE);
  EXPECT_EQ(height, (60 - lineHeight) / 2 + lineHeight);
  auto [mFirst, mLast] = InkRows(middle.pixels(), kWhite);
  EXPECT_LE(std::abs((mFirst + mLast) / 2 - 30), 3);

  // Lines break at "\n" and "\r\n" and stack from the top.
  TextCanvas lines(gdi);
  EXPECT_EQ(gdi.DrawTextW(lines.dc, u"W\r\nW\nW", -1, &rect, harness::DT_CENTER), 3 * lineHeight);
  for (int i = 0; i < 3; ++i)
    EXPECT_GT(InkCount(lines.pixels(), kWhite, Rect{0, i * lineHeight, 60, (i + 1) * lineHeight}),
              0)
        << "line " << i;
  EXPECT_EQ(InkCount(lines.pixels(), kWhite, Rect{0, 3 * lineHeight, 60, 60}), 0);

  // Right alignment; a length shorter than the text draws only that much.
  TextCanvas aligned(gdi);
  gdi.DrawTextW(aligned.dc, u"WWWWWWWW", 1, &rect, 2 /* DT_RIGHT */);
  EXPECT_EQ(InkCount(aligned.pixels(), kWhite, Rect{0, 0, 45, 60}), 0);
  EXPECT_GT(InkCount(aligned.pixels(), kWhite, Rect{45, 0, 60, 60}), 0);
}

TEST(GdiText, ClippedToTheRectangleUnlessNoClip) {
  Gdi gdi(DefaultFontFile());
  TextCanvas clipped(gdi);
  Rect small{20, 20, 24, 24};
  gdi.DrawTextW(clipped.dc, u"WWW", -1, &small, 0);
  EXPECT_GT(InkCount(clipped.pixels(), kWhite, small), 0);
  EXPECT_EQ(InkCount(clipped.pixels(), kWhite, Rect{0, 0, 60, 60}),
            InkCount(clipped.pixels(), kWhite, small));

  TextCanvas unclipped(gdi);
  gdi.DrawTextW(unclipped.dc, u"WWW", -1, &small, 0x100 /* DT_NOCLIP */);
  EXPECT_GT(InkCount(unclipped.pixels(), kWhite, Rect{24, 0, 60, 60}), 0);

  // Hostile rectangles and positions off the bitmap draw nothing out of bounds.
  const Rect hostile[] = {{INT_MIN, INT_MIN, INT_MAX, INT_MAX},
                          {INT_MAX - 2, INT_MAX - 2, INT_MAX, INT_MAX},
                          {50, 50, 10, 10},
                          {-30, -5, 5, 3}};
  for (Rect r : hostile) {
    gdi.DrawTextW(unclipped.dc, u"W\nW", -1, &r, 0);
    gdi.DrawTextW(unclipped.dc, u"W", -1, &r, 0x125);
    gdi.DrawTextW(unclipped.dc, u"W", -1, &r, 0x100);
  }
}

TEST(GdiText, OpaqueModeFillsTheLineBoxesWithTheBackground) {
  Gdi gdi(DefaultFontFile());
  FontRenderer font(DefaultFontFile());
  TextCanvas canvas(gdi);
  gdi.SetBkMode(canvas.dc, harness::OPAQUE);
  gdi.SetBkColor(canvas.dc, kBlue);
  gdi.SetTextColor(canvas.dc, kWhite);
  Rect rect{0, 0, 60, 60};
  gdi.DrawTextW(canvas.dc, u"i", -1, &rect, 0);
  // The line's box is blue, the rest of the canvas untouched.
  EXPECT_EQ(canvas.pixels().at(0, 0), kBlue);
  EXPECT_EQ(canvas.pixels().at(0, font.lineHeight() - 1), kBlue);
  EXPECT_EQ(canvas.pixels().at(0, font.lineHeight()), kWhite);
  EXPECT_EQ(canvas.pixels().at(30, 0), kWhite);
}

TEST(GdiText, SpecialLabelsDrawInTheTextColour) {
  Gdi gdi(DefaultFontFile());
  for (const char16_t* label : {u"\u2190", u"\u2191", u"\u00DF", u"\u0419", u"\u03BB", u"Ab"}) {
    TextCanvas canvas(gdi);
    gdi.SetTextColor(canvas.dc, kBlue);
    Rect rect{0, 0, 60, 60};
    gdi.DrawTextW(canvas.dc, label, -1, &rect, harness::DT_CENTER | harness::DT_VCENTER);
    EXPECT_GT(InkCount(canvas.pixels(), kWhite, rect), 5) << std::u16string(label).size();
    // Ink is the text colour blended onto the white: blue stays full, red and green drop.
    bool strong = false;
    for (ColorRef p : canvas.pixels().pixels) {
      EXPECT_EQ(p & 0xFF0000u, 0xFF0000u);
      strong = strong || (p & 0xFFu) < 0x40;
    }
    EXPECT_TRUE(strong);
  }
}

TEST(GdiText, MissingFontDrawsNothing) {
  Gdi gdi("/nonexistent/font.ttf");
  TextCanvas canvas(gdi);
  Rect rect{0, 0, 60, 60};
  EXPECT_EQ(gdi.DrawTextW(canvas.dc, u"W", -1, &rect, 0), 0);
  EXPECT_EQ(InkCount(canvas.pixels(), kWhite, rect), 0);
}

TEST(GdiText, AntialiasedInkIsTheRoundedBlendOfTextAndBackground) {
  Gdi gdi(DefaultFontFile());
  FontRenderer font(DefaultFontFile());
  const Glyph* w = font.glyph(U'W');
  ASSERT_NE(w, nullptr);
  const ColorRef background = 0x00C0A050, text = 0x00336699;
  Canvas canvas(gdi, 30, 30);
  Hgdiobj brush = gdi.CreateSolidBrush(background);
  Rect all{0, 0, 30, 30};
  gdi.FillRect(canvas.dc, &all, brush);
  gdi.DeleteObject(brush);
  gdi.SetBkMode(canvas.dc, harness::TRANSPARENT);
  gdi.SetTextColor(canvas.dc, text);
  gdi.DrawTextW(canvas.dc, u"W", -1, &all, 0);
  // The glyph starts at the pen (0) plus its bearing, its top row at ascent - top.
  const int left = w->left, top = font.ascent() - w->top;
  int partial = 0;
  for (int y = 0; y < w->height; ++y)
    for (int x = 0; x < w->width; ++x) {
      const unsigned a = w->coverage[static_cast<std::size_t>(y * w->width + x)];
      ColorRef want = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        const unsigned s = (text >> shift) & 0xFF, d = (background >> shift) & 0xFF;
        want |= ((s * a + d * (255 - a) + 127) / 255) << shift;
      }
      partial += a > 0 && a < 255;
      ASSERT_EQ(canvas.pixels().at(left + x, top + y), want) << x << "," << y << " alpha " << a;
    }
  EXPECT_GT(partial, 5);
}

TEST(GdiImages, ReusedStorageStartsBlackAndStaleHandlesStayDead) {
  Gdi gdi(DefaultFontFile());
  Canvas first(gdi, 16, 8);  // filled with kSentinel
  const ColorRef* storage = first.pixels().pixels.data();
  Hgdiobj brush = gdi.CreateSolidBrush(kBlue);
  ASSERT_EQ(gdi.DeleteObject(brush), 1);
  gdi.SelectObject(first.dc, first.old);
  ASSERT_EQ(gdi.DeleteObject(first.bitmap), 1);

  // An image of a size seen before gets the old pixels' storage, but reads black.
  Hbitmap again = gdi.CreateCompatibleBitmap(first.dc, 16, 8);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(gdi.bitmapPixels(again)->pixels.data(), storage);
  EXPECT_EQ(gdi.bitmapPixels(again)->pixels, std::vector<ColorRef>(16 * 8, 0u));
  // The records of deleted objects are reused under new handles; the old ones fail.
  Hgdiobj other = gdi.CreateSolidBrush(kWhite);
  EXPECT_NE(other, brush);
  EXPECT_NE(static_cast<Hgdiobj>(again), static_cast<Hgdiobj>(first.bitmap));
  Rect r{0, 0, 1, 1};
  EXPECT_EQ(gdi.FillRect(first.dc, &r, brush), 0);
  EXPECT_EQ(gdi.DeleteObject(brush), 0);
  EXPECT_EQ(gdi.bitmapPixels(first.bitmap), nullptr);
  EXPECT_EQ(gdi.DeleteObject(first.bitmap), 0);
  gdi.DeleteObject(other);
  first.bitmap = again;
}

// Drawing on memory images is recorded and worked out for the parts copied out only. A long
// random mix of drawing and copying must give exactly the pixels that drawing everything at once
// gives: the same run once with every image brought up to date after each step.
TEST(GdiImages, RecordedDrawingCopiesOutExactlyAsDrawingAtOnce) {
  const char16_t* texts[] = {u"W", u"Vol Up", u"\u2190", u"A\nB", u"", u"Sym\r\nx"};
  for (unsigned seed = 1; seed <= 12; ++seed) {
    auto run = [&](bool eager) {
      Gdi gdi(DefaultFontFile());
      Bitmap screen(40, 30, kSentinel);
      Hdc window = gdi.createWindowSurface(&screen, Point{1, 2}, {{2, 2, 30, 20}, {10, 5, 38, 28}});
      Hdc dcs[2] = {gdi.CreateCompatibleDC(window), gdi.CreateCompatibleDC(window)};
      Hbitmap images[2] = {gdi.CreateCompatibleBitmap(window, 24, 18),
                           gdi.CreateCompatibleBitmap(window, 9, 7)};
      gdi.SelectObject(dcs[0], images[0]);
      gdi.SelectObject(dcs[1], images[1]);
      std::mt19937 random(seed);
      auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
      };
      // Seed 12 draws far more than it copies, past the longest record an image keeps.
      const int steps = seed == 12 ? 10000 : 400;
      for (int step = 0; step < steps; ++step) {
        const int which = pick(0, 1);
        Hdc dc = dcs[which];
        Rect r{pick(-5, 26), pick(-5, 20), pick(-5, 30), pick(-5, 24)};
        if (seed == 12) r = Rect{r.left, r.top, r.left + 3, r.top + 3};  // never the whole image
        const int action = seed == 12 && step % 2000 != 0 ? pick(0, 1) : pick(0, 9);
        if (action == 0) {
          if (pick(0, 7) == 0 && seed != 12)
            r = Rect{-1, -1, 40, 40};  // the whole image: one colour
          Hgdiobj brush = gdi.CreateSolidBrush(static_cast<ColorRef>(random()) & 0xFFFFFF);
          gdi.FillRect(dc, &r, brush);
          gdi.DeleteObject(brush);
        } else if (action <= 2) {
          gdi.SetBkMode(dc, pick(1, 2));
          gdi.SetBkColor(dc, static_cast<ColorRef>(random()));
          gdi.SetTextColor(dc, static_cast<ColorRef>(random()));
          const std::uint32_t formats[] = {0, 1, 5, 0x25, 0x100, 2, 0x28};
          gdi.DrawTextW(dc, texts[pick(0, 5)], -1, &r, formats[pick(0, 6)]);
        } else if (action <= 5) {
          gdi.BitBlt(window, pick(-5, 40), pick(-5, 30), pick(0, 30), pick(0, 30), dc, pick(-5, 20),
                     pick(-5, 15), harness::SRCCOPY);
        } else if (action == 6) {
          gdi.BitBlt(dcs[1 - which], pick(-3, 20), pick(-3, 15), pick(0, 25), pick(0, 20), dc,
                     pick(-3, 20), pick(-3, 15), harness::SRCCOPY);
        } else if (action == 7) {
          gdi.BitBlt(dc, pick(-3, 10), pick(-3, 10), pick(0, 20), pick(0, 20), dc, pick(-3, 10),
                     pick(-3, 10), harness::SRCCOPY);
        } else if (action == 8) {
          gdi.BitBlt(dc, r.left, r.top, pick(0, 20), pick(0, 20), nullptr, 0, 0,
                     pick(0, 1) ? 0x00000042u : 0x00FF0062u);
        } else {
          gdi.BitBlt(dc, pick(-3, 10), pick(-3, 10), pick(0, 20), pick(0, 20), window, pick(-3, 30),
                     pick(-3, 20), harness::SRCCOPY);
        }
        if (eager) {
          for (Hbitmap image : images) gdi.bitmapPixels(image);
        }
      }
      std::vector<ColorRef> result = screen.pixels;
      for (Hbitmap image : images) {
        const auto& p = gdi.bitmapPixels(image)->pixels;
        result.insert(result.end(), p.begin(), p.end());
      }
      gdi.releaseWindowSurface(window);
      return result;
    };
    EXPECT_EQ(run(false), run(true)) << "seed " << seed;
  }
}

}  // namespace
}  // namespace emu
