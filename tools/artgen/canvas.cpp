#include "canvas.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <climits>
#include <cmath>

namespace artgen {

namespace {

constexpr int kSub = 4;  // subsamples per pixel along each axis

}  // namespace

Canvas::Canvas(int width, int height, Rgba ground)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width * height), ground) {}

void Canvas::blend(int x, int y, Rgba colour, int coverage) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || coverage <= 0) return;
  Rgba& d = pixels_[static_cast<std::size_t>(y * width_ + x)];
  const int sa = colour.a * std::min(coverage, 255) / 255;
  const int da = d.a * (255 - sa) / 255;
  const int oa = sa + da;
  if (oa == 0) {
    d = Rgba{0, 0, 0, 0};
    return;
  }
  auto mix = [&](int s, int c) {
    return static_cast<std::uint8_t>((s * sa + c * da + oa / 2) / oa);
  };
  d = Rgba{mix(colour.r, d.r), mix(colour.g, d.g), mix(colour.b, d.b),
           static_cast<std::uint8_t>(oa)};
}

void Canvas::fillShape(Box bounds, const std::function<bool(double, double)>& inside, Rgba colour) {
  const int x0 = std::max(0, static_cast<int>(std::floor(bounds.left)));
  const int y0 = std::max(0, static_cast<int>(std::floor(bounds.top)));
  const int x1 = std::min(width_, static_cast<int>(std::ceil(bounds.right)));
  const int y1 = std::min(height_, static_cast<int>(std::ceil(bounds.bottom)));
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      int hits = 0;
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          const double px = x + (sx + 0.5) / kSub;
          const double py = y + (sy + 0.5) / kSub;
          if (inside(px, py)) ++hits;
        }
      }
      blend(x, y, colour, hits * 255 / (kSub * kSub));
    }
  }
}

void Canvas::fillRect(Box box, Rgba colour) {
  fillShape(
      box,
      [&](double x, double y) {
        return x >= box.left && x < box.right && y >= box.top && y < box.bottom;
      },
      colour);
}

void Canvas::fillRoundRect(Box box, double radius, Rgba colour) {
  radius = std::max(0.0, std::min({radius, box.width() / 2, box.height() / 2}));
  fillShape(
      box,
      [&](double x, double y) {
        if (x < box.left || x >= box.right || y < box.top || y >= box.bottom) return false;
        const double cx = std::clamp(x, box.left + radius, box.right - radius);
        const double cy = std::clamp(y, box.top + radius, box.bottom - radius);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
      },
      colour);
}

void Canvas::fillEllipse(Box box, Rgba colour) {
  const Point c = box.centre();
  const double rx = box.width() / 2;
  const double ry = box.height() / 2;
  fillShape(
      box,
      [&](double x, double y) {
        const double dx = (x - c.x) / rx;
        const double dy = (y - c.y) / ry;
        return dx * dx + dy * dy <= 1.0;
      },
      colour);
}

void Canvas::fillPolygon(const std::vector<Point>& points, Rgba colour) {
  if (points.size() < 3) return;
  Box bounds{points[0].x, points[0].y, points[0].x, points[0].y};
  for (const Point& p : points) {
    bounds = {std::min(bounds.left, p.x), std::min(bounds.top, p.y), std::max(bounds.right, p.x),
              std::max(bounds.bottom, p.y)};
  }
  fillShape(
      bounds,
      [&](double x, double y) {
        bool in = false;
        for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
          const Point& a = points[i];
          const Point& b = points[j];
          if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
        }
        return in;
      },
      colour);
}

void Canvas::drawLine(Point a, Point b, double thickness, Rgba colour) {
  const double r = thickness / 2;
  const Box bounds{std::min(a.x, b.x) - r, std::min(a.y, b.y) - r, std::max(a.x, b.x) + r,
                   std::max(a.y, b.y) + r};
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  fillShape(
      bounds,
      [&](double x, double y) {
        double t = len2 > 0 ? ((x - a.x) * dx + (y - a.y) * dy) / len2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        const double ex = a.x + t * dx - x;
        const double ey = a.y + t * dy - y;
        return ex * ex + ey * ey <= r * r;
      },
      colour);
}

void Canvas::drawKey(Box box, double radius, double thickness, Rgba outline, Rgba face) {
  fillRoundRect(box, radius, outline);
  fillRoundRect(box.inset(thickness), std::max(0.0, radius - thickness), face);
}

void Canvas::drawText(const Font& font, const std::u32string& text, Box box, int maxPixels,
                      Rgba colour) {
  Font::Glyphs run;
  Font::Glyphs capital;
  for (int size = maxPixels; size >= 4; --size) {
    run = font.render(text, size);
    capital = font.render(U"H", size);
    if (run.inkRight - run.inkLeft <= box.width() && run.inkBottom - run.inkTop <= box.height()) {
      break;
    }
  }
  // Ink centred across; along the height the capitals are centred, so that a full stop or a
  // comma sits on the baseline as on the real key. Whole pixels keep the hinted glyphs crisp.
  const Point c = box.centre();
  const int ox = static_cast<int>(std::lround(c.x - (run.inkLeft + run.inkRight) / 2.0));
  const int oy = static_cast<int>(std::lround(c.y - (capital.inkTop + capital.inkBottom) / 2.0));
  for (const auto& g : run.glyphs) {
    for (int row = 0; row < g.rows; ++row) {
      for (int col = 0; col < g.width; ++col) {
        blend(ox + g.x + col, oy + g.y + row, colour,
              g.coverage[static_cast<std::size_t>(row * g.width + col)]);
      }
    }
  }
}

struct Font::Impl {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~Impl() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
};

std::unique_ptr<Font> Font::open(const std::string& path, std::string* error) {
  std::unique_ptr<Font> font(new Font);
  font->impl_ = std::make_unique<Impl>();
  if (FT_Init_FreeType(&font->impl_->library) != 0) {
    *error = "cannot initialise FreeType";
    return nullptr;
  }
  if (FT_New_Face(font->impl_->library, path.c_str(), 0, &font->impl_->face) != 0) {
    *error = "cannot read font file " + path;
    return nullptr;
  }
  return font;
}

Font::~Font() = default;

Font::Glyphs Font::render(const std::u32string& text, int pixels) const {
  Glyphs out;
  FT_Face face = impl_->face;
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels));
  int pen = 0;
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
  for (char32_t ch : text) {
    if (FT_Load_Char(face, ch, FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    Glyphs::Glyph g;
    g.x = pen + slot->bitmap_left;
    g.y = -slot->bitmap_top;
    g.width = static_cast<int>(bm.width);
    g.rows = static_cast<int>(bm.rows);
    g.coverage.resize(static_cast<std::size_t>(g.width * g.rows));
    for (int row = 0; row < g.rows; ++row) {
      for (int col = 0; col < g.width; ++col) {
        g.coverage[static_cast<std::size_t>(row * g.width + col)] = bm.buffer[row * bm.pitch + col];
      }
    }
    if (g.width > 0 && g.rows > 0) {
      left = std::min(left, g.x);
      top = std::min(top, g.y);
      right = std::max(right, g.x + g.width);
      bottom = std::max(bottom, g.y + g.rows);
    }
    pen += static_cast<int>(slot->advance.x >> 6);
    out.glyphs.push_back(std::move(g));
  }
  if (left <= right) {
    out.inkLeft = left;
    out.inkTop = top;
    out.inkRight = right;
    out.inkBottom = bottom;
  }
  return out;
}

}  // namespace artgen
