#include "platform/emu/gdi.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "platform/emu/font.h"

namespace emu {

namespace {

using harness::Hbitmap;
using harness::Hbrush;
using harness::Hdc;
using harness::Hgdiobj;

constexpr ColorRef kInvalidColor = 0xFFFFFFFFu;
constexpr int kTransparent = 1;
constexpr int kOpaque = 2;
constexpr std::uint32_t kSrcCopy = 0x00CC0020u;
constexpr std::uint32_t kBlackness = 0x00000042u;
constexpr std::uint32_t kWhiteness = 0x00FF0062u;
constexpr std::uint32_t kDtCenter = 0x01;
constexpr std::uint32_t kDtRight = 0x02;
constexpr std::uint32_t kDtVCenter = 0x04;
constexpr std::uint32_t kDtBottom = 0x08;
constexpr std::uint32_t kDtSingleLine = 0x20;
constexpr std::uint32_t kDtNoClip = 0x100;
constexpr std::uint32_t kDtCalcRect = 0x400;

// Stock objects have fixed handles below every created one; created handles are never reused,
// so a stale handle can never reach a newer object.
constexpr std::uintptr_t kStockBase = 0x10;
constexpr int kStockCount = 6;  // white, light grey, grey, dark grey, black, null brush
constexpr std::uintptr_t kDefaultBitmap = 0x20;
constexpr std::uintptr_t kFirstHandle = 0x100;

// Larger images than this are refused rather than risking an allocation failure.
constexpr long long kMaxDimension = 16384;
constexpr long long kMaxPixels = 1LL << 26;

struct Object {
  bool isBitmap = false;
  bool stock = false;
  bool nullBrush = false;
  ColorRef color = 0;
  Bitmap pixels;
  int selections = 0;  // surfaces that have it selected
};

struct Surface {
  bool window = false;
  Bitmap* screen = nullptr;   // window surfaces
  Point origin{};             // window surfaces
  std::vector<Rect> clip;     // window surfaces: disjoint, screen coordinates
  std::uintptr_t bitmap = 0;  // memory surfaces
  std::uintptr_t brush = kStockBase;
  int bkMode = kOpaque;
  ColorRef bkColor = 0x00FFFFFF;
  ColorRef textColor = 0;
};

// Rectangles in 64 bits: sums of hostile coordinates and offsets cannot overflow.
struct Box {
  long long left = 0, top = 0, right = 0, bottom = 0;
  bool empty() const { return right <= left || bottom <= top; }
};

Box ToBox(const Rect& r) { return Box{r.left, r.top, r.right, r.bottom}; }
Box Shift(Box b, long long dx, long long dy) {
  return Box{b.left + dx, b.top + dy, b.right + dx, b.bottom + dy};
}
Box Cut(const Box& a, const Box& b) {
  return Box{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom)};
}

// Where a surface's drawing lands: a bitmap, the offset from surface to bitmap coordinates and
// the parts of the bitmap that may be written.
struct Target {
  Bitmap* bitmap = nullptr;
  long long dx = 0, dy = 0;
  std::vector<Box> clip;
};

// Pieces of `r` not covered by `hole` (up to four).
void Subtract(const Rect& r, const Rect& hole, std::vector<Rect>* out) {
  Rect cut = Intersect(r, hole);
  if (IsEmpty(cut)) {
    out->push_back(r);
    return;
  }
  if (r.top < cut.top) out->push_back(Rect{r.left, r.top, r.right, cut.top});
  if (cut.bottom < r.bottom) out->push_back(Rect{r.left, cut.bottom, r.right, r.bottom});
  if (r.left < cut.left) out->push_back(Rect{r.left, cut.top, cut.left, cut.bottom});
  if (cut.right < r.right) out->push_back(Rect{cut.right, cut.top, r.right, cut.bottom});
}

// Overlapping clip rectangles would blend antialiased text twice; keep them disjoint.
std::vector<Rect> DisjointWithin(const std::vector<Rect>& rects, const Rect& bounds) {
  std::vector<Rect> result;
  for (const Rect& r : rects) {
    std::vector<Rect> pieces{Intersect(r, bounds)};
    if (IsEmpty(pieces[0])) continue;
    for (const Rect& taken : result) {
      std::vector<Rect> next;
      for (const Rect& p : pieces) Subtract(p, taken, &next);
      pieces = std::move(next);
    }
    result.insert(result.end(), pieces.begin(), pieces.end());
  }
  return result;
}

void FillBox(Bitmap& bitmap, const Box& b, ColorRef color) {
  for (long long y = b.top; y < b.bottom; ++y) {
    ColorRef* row = &bitmap.at(static_cast<int>(b.left), static_cast<int>(y));
    std::fill(row, row + (b.right - b.left), color);
  }
}

ColorRef Blend(ColorRef under, ColorRef over, unsigned alpha) {
  ColorRef out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    unsigned d = (under >> shift) & 0xFF;
    unsigned s = (over >> shift) & 0xFF;
    out |= ((s * alpha + d * (255 - alpha) + 127) / 255) << shift;
  }
  return out;
}

std::size_t TextLength(const harness::Wchar* text, int length) {
  if (length >= 0) return static_cast<std::size_t>(length);
  return std::u16string_view(text).size();
}

}  // namespace

struct Gdi::State {
  explicit State(const char* fontFile) : font(fontFile ? fontFile : "") {}

  FontRenderer font;
  std::unordered_map<std::uintptr_t, Object> objects;
  std::unordered_map<std::uintptr_t, Surface> surfaces;
  std::uintptr_t next = kFirstHandle;

  Object* object(const void* handle) {
    auto found = objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == objects.end() ? nullptr : &found->second;
  }
  Surface* surface(Hdc handle) {
    auto found = surfaces.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == surfaces.end() ? nullptr : &found->second;
  }
  Hgdiobj addObject(Object o) {
    std::uintptr_t h = next++;
    objects.emplace(h, std::move(o));
    return reinterpret_cast<Hgdiobj>(h);
  }
  Hdc addSurface(Surface s) {
    std::uintptr_t h = next++;
    if (s.bitmap) objects.at(s.bitmap).selections++;
    objects.at(s.brush).selections++;
    surfaces.emplace(h, std::move(s));
    return reinterpret_cast<Hdc>(h);
  }
  void removeSurface(std::uintptr_t h) {
    Surface& s = surfaces.at(h);
    if (Object* b = object(reinterpret_cast<void*>(s.bitmap))) b->selections--;
    if (Object* b = object(reinterpret_cast<void*>(s.brush))) b->selections--;
    surfaces.erase(h);
  }

  bool target(Surface& s, Target* t) {
    t->clip.clear();
    if (s.window) {
      if (!s.screen) return false;
      t->bitmap = s.screen;
      t->dx = s.origin.x;
      t->dy = s.origin.y;
      for (const Rect& r : s.clip) t->clip.push_back(ToBox(r));
      return true;
    }
    Object* b = object(reinterpret_cast<void*>(s.bitmap));
    if (!b || !b->isBitmap) return false;
    t->bitmap = &b->pixels;
    t->dx = t->dy = 0;
    t->clip.push_back(Box{0, 0, b->pixels.width, b->pixels.height});
    return true;
  }

  // Fills `box` (surface coordinates) within `limit` and the target's clip.
  static void fill(Target& t, const Box& box, const Box& limit, ColorRef color) {
    Box b = Shift(Cut(box, limit), t.dx, t.dy);
    for (const Box& c : t.clip) {
      Box part = Cut(b, c);
      if (!part.empty()) FillBox(*t.bitmap, part, color);
    }
  }
};

Gdi::Gdi(const char* fontFile) : state_(std::make_unique<State>(fontFile)) {
  const ColorRef stockColors[kStockCount] = {0x00FFFFFF, 0x00C0C0C0, 0x00808080,
                                             0x00404040, 0x00000000, 0};
  for (int i = 0; i < kStockCount; ++i) {
    Object brush;
    brush.stock = true;
    brush.color = stockColors[i];
    brush.nullBrush = i == 5;
    state_->objects.emplace(kStockBase + i, std::move(brush));
  }
  // The 1 x 1 image every new memory surface starts with, as on the handset.
  Object defaultBitmap;
  defaultBitmap.stock = true;
  defaultBitmap.isBitmap = true;
  defaultBitmap.pixels = Bitmap(1, 1, 0);
  state_->objects.emplace(kDefaultBitmap, std::move(defaultBitmap));
}

Gdi::~Gdi() = default;

Hdc Gdi::createWindowSurface(Bitmap* screen, Point origin, std::vector<Rect> clip) {
  if (!screen) return nullptr;
  Surface s;
  s.window = true;
  s.screen = screen;
  s.origin = origin;
  s.clip = DisjointWithin(clip, Rect{0, 0, screen->width, screen->height});
  return state_->addSurface(std::move(s));
}

bool Gdi::releaseWindowSurface(Hdc surface) {
  Surface* s = state_->surface(surface);
  if (!s || !s->window) return false;
  state_->removeSurface(reinterpret_cast<std::uintptr_t>(surface));
  return true;
}

Hbitmap Gdi::createBitmap(Bitmap pixels) {
  if (pixels.width <= 0 || pixels.height <= 0 || pixels.width > kMaxDimension ||
      pixels.height > kMaxDimension ||
      pixels.pixels.size() !=
          static_cast<std::size_t>(pixels.width) * static_cast<std::size_t>(pixels.height)) {
    return nullptr;
  }
  Object o;
  o.isBitmap = true;
  o.pixels = std::move(pixels);
  return state_->addObject(std::move(o));
}

const Bitmap* Gdi::bitmapPixels(Hbitmap bitmap) const {
  Object* o = state_->object(bitmap);
  return o && o->isBitmap ? &o->pixels : nullptr;
}

std::size_t Gdi::liveObjectCount() const {
  std::size_t count = state_->surfaces.size();
  for (const auto& [handle, o] : state_->objects) count += o.stock ? 0 : 1;
  return count;
}

Hdc Gdi::CreateCompatibleDC(Hdc surface) {
  // Null asks for a surface compatible with the screen.
  if (surface && !state_->surface(surface)) return nullptr;
  Surface s;
  s.bitmap = kDefaultBitmap;
  return state_->addSurface(std::move(s));
}

Hbitmap Gdi::CreateCompatibleBitmap(Hdc surface, int width, int height) {
  if (!state_->surface(surface)) return nullptr;
  if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension ||
      static_cast<long long>(width) * height > kMaxPixels) {
    return nullptr;
  }
  return createBitmap(Bitmap(width, height, 0));
}

Hgdiobj Gdi::SelectObject(Hdc surface, Hgdiobj object) {
  Surface* s = state_->surface(surface);
  Object* o = state_->object(object);
  if (!s || !o) return nullptr;
  std::uintptr_t handle = reinterpret_cast<std::uintptr_t>(object);
  std::uintptr_t& slot = o->isBitmap ? s->bitmap : s->brush;
  if (o->isBitmap) {
    if (s->window) return nullptr;  // a window surface always draws on the screen
    // A bitmap lives in one memory surface at a time (the shared default one excepted).
    if (!o->stock && o->selections > 0 && slot != handle) return nullptr;
  }
  std::uintptr_t previous = slot;
  if (previous != handle) {
    if (Object* p = state_->object(reinterpret_cast<void*>(previous))) p->selections--;
    o->selections++;
    slot = handle;
  }
  return reinterpret_cast<Hgdiobj>(previous);
}

Hgdiobj Gdi::GetStockObject(int index) {
  if (index < 0 || index >= kStockCount) return nullptr;
  return reinterpret_cast<Hgdiobj>(kStockBase + static_cast<std::uintptr_t>(index));
}

Hbrush Gdi::CreateSolidBrush(ColorRef color) {
  Object o;
  o.color = color & 0x00FFFFFFu;
  return state_->addObject(std::move(o));
}

int Gdi::FillRect(Hdc surface, const Rect* rect, Hbrush brush) {
  Surface* s = state_->surface(surface);
  Object* b = state_->object(brush);
  if (!s || !b || b->isBitmap || !rect) return 0;
  Target t;
  if (!state_->target(*s, &t)) return 0;
  if (b->nullBrush) return 1;
  Box whole{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  State::fill(t, ToBox(*rect), whole, b->color);
  return 1;
}

int Gdi::SetBkMode(Hdc surface, int mode) {
  Surface* s = state_->surface(surface);
  if (!s || (mode != kTransparent && mode != kOpaque)) return 0;
  int previous = s->bkMode;
  s->bkMode = mode;
  return previous;
}

ColorRef Gdi::SetBkColor(Hdc surface, ColorRef color) {
  Surface* s = state_->surface(surface);
  if (!s) return kInvalidColor;
  ColorRef previous = s->bkColor;
  s->bkColor = color & 0x00FFFFFFu;
  return previous;
}

ColorRef Gdi::SetTextColor(Hdc surface, ColorRef color) {
  Surface* s = state_->surface(surface);
  if (!s) return kInvalidColor;
  ColorRef previous = s->textColor;
  s->textColor = color & 0x00FFFFFFu;
  return previous;
}

int Gdi::DrawTextW(Hdc surface, const harness::Wchar* text, int length, Rect* rect,
                   std::uint32_t format) {
  Surface* s = state_->surface(surface);
  if (!s || !text || !rect || length < -1) return 0;
  Target t;
  if (!state_->target(*s, &t)) return 0;
  FontRenderer& font = state_->font;
  if (!font.ready()) return 0;

  std::u32string all = DecodeUtf16(std::u16string_view(text, TextLength(text, length)));
  std::vector<std::u32string_view> lines;
  std::u32string_view rest(all);
  const bool singleLine = (format & kDtSingleLine) != 0;
  while (!singleLine) {
    std::size_t br = rest.find(U'\n');
    if (br == std::u32string_view::npos) break;
    std::u32string_view line = rest.substr(0, br);
    if (!line.empty() && line.back() == U'\r') line.remove_suffix(1);
    lines.push_back(line);
    rest.remove_prefix(br + 1);
  }
  lines.push_back(rest);
  if (all.empty()) lines.clear();

  const long long lineHeight = font.lineHeight();
  const long long ascent = font.ascent();
  const long long textHeight = lineHeight * static_cast<long long>(lines.size());
  const Box area = ToBox(*rect);
  long long top = area.top;
  // Vertical placement applies to a single line only; several lines always start at the top.
  if (singleLine && (format & kDtVCenter)) {
    top = area.top + (area.bottom - area.top - lineHeight) / 2;
  } else if (singleLine && (format & kDtBottom)) {
    top = area.bottom - lineHeight;
  }
  const long long result =
      singleLine && (format & (kDtVCenter | kDtBottom)) ? top - area.top + lineHeight : textHeight;

  std::vector<int> widths;
  int widest = 0;
  for (std::u32string_view line : lines) {
    widths.push_back(font.textWidth(line));
    widest = std::max(widest, widths.back());
  }
  if (format & kDtCalcRect) {
    rect->right =
        static_cast<std::int32_t>(std::clamp<long long>(area.left + widest, INT32_MIN, INT32_MAX));
    rect->bottom = static_cast<std::int32_t>(
        std::clamp<long long>(area.top + textHeight, INT32_MIN, INT32_MAX));
    return static_cast<int>(std::min<long long>(textHeight, INT32_MAX));
  }

  const Box limit = (format & kDtNoClip)
                        ? Box{INT32_MIN * 4LL, INT32_MIN * 4LL, INT32_MAX * 4LL, INT32_MAX * 4LL}
                        : area;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    long long x = area.left;
    if (format & kDtCenter) {
      x = area.left + (area.right - area.left - widths[i]) / 2;
    } else if (format & kDtRight) {
      x = area.right - widths[i];
    }
    const long long y = top + lineHeight * static_cast<long long>(i);
    if (s->bkMode == kOpaque) {
      State::fill(t, Box{x, y, x + widths[i], y + lineHeight}, limit, s->bkColor);
    }
    long long pen = x * 64;  // 1/64 pixel, so that fractional advances add up
    const long long baseline = y + ascent;
    for (char32_t c : lines[i]) {
      const Glyph* g = font.glyph(c);
      if (!g) break;
      const long long gx = (pen + 32) / 64 + g->left;
      const long long gy = baseline - g->top;
      pen += g->advance;
      if (g->coverage.empty()) continue;
      const Box glyphBox =
          Shift(Cut(Box{gx, gy, gx + g->width, gy + g->height}, limit), t.dx, t.dy);
      for (const Box& clip : t.clip) {
        const Box part = Cut(glyphBox, clip);
        for (long long py = part.top; py < part.bottom; ++py) {
          for (long long px = part.left; px < part.right; ++px) {
            const std::size_t index =
                static_cast<std::size_t>(py - t.dy - gy) * static_cast<std::size_t>(g->width) +
                static_cast<std::size_t>(px - t.dx - gx);
            const unsigned alpha = g->coverage[index];
            if (alpha == 0) continue;
            ColorRef& pixel = t.bitmap->at(static_cast<int>(px), static_cast<int>(py));
            pixel = Blend(pixel, s->textColor, alpha);
          }
        }
      }
    }
  }
  return static_cast<int>(std::clamp<long long>(result, INT32_MIN, INT32_MAX));
}

int Gdi::BitBlt(Hdc dest, int x, int y, int width, int height, Hdc source, int sourceX, int sourceY,
                std::uint32_t rop) {
  Surface* d = state_->surface(dest);
  if (!d || width < 0 || height < 0) return 0;
  Target dt;
  if (!state_->target(*d, &dt)) return 0;
  const Box destBox{x, y, static_cast<long long>(x) + width, static_cast<long long>(y) + height};
  const Box whole{INT32_MIN * 4LL, INT32_MIN * 4LL, INT32_MAX * 4LL, INT32_MAX * 4LL};
  if (rop == kBlackness || rop == kWhiteness) {
    State::fill(dt, destBox, whole, rop == kBlackness ? 0x000000u : 0xFFFFFFu);
    return 1;
  }
  if (rop != kSrcCopy) return 0;
  Surface* s = state_->surface(source);
  Target st;
  if (!s || !state_->target(*s, &st)) return 0;

  // The readable part of the source, in source-bitmap coordinates, moved onto the destination.
  const Bitmap& from = *st.bitmap;
  const long long sx = sourceX + st.dx, sy = sourceY + st.dy;
  const Box readable =
      Cut(Box{sx, sy, sx + width, sy + height}, Box{0, 0, from.width, from.height});
  if (readable.empty()) return 1;
  const long long moveX = x + dt.dx - sx, moveY = y + dt.dy - sy;
  const Box landing = Shift(readable, moveX, moveY);

  // Source and destination may be the same bitmap: read everything before writing.
  std::vector<ColorRef> copy;
  const long long copyWidth = readable.right - readable.left;
  copy.reserve(static_cast<std::size_t>(copyWidth * (readable.bottom - readable.top)));
  for (long long row = readable.top; row < readable.bottom; ++row) {
    const ColorRef* src = from.pixels.data() + row * from.width + readable.left;
    copy.insert(copy.end(), src, src + copyWidth);
  }
  for (const Box& c : dt.clip) {
    const Box part = Cut(landing, c);
    if (part.empty()) continue;
    for (long long row = part.top; row < part.bottom; ++row) {
      const ColorRef* src =
          copy.data() + (row - landing.top) * copyWidth + (part.left - landing.left);
      std::copy(src, src + (part.right - part.left),
                &dt.bitmap->at(static_cast<int>(part.left), static_cast<int>(row)));
    }
  }
  return 1;
}

int Gdi::DeleteDC(Hdc surface) {
  Surface* s = state_->surface(surface);
  if (!s || s->window) return 0;
  state_->removeSurface(reinterpret_cast<std::uintptr_t>(surface));
  return 1;
}

int Gdi::DeleteObject(Hgdiobj object) {
  Object* o = state_->object(object);
  if (!o) return 0;
  if (o->stock) return 1;
  // Still selected into a surface: the surface would be left drawing with a dead object.
  if (o->selections > 0) return 0;
  state_->objects.erase(reinterpret_cast<std::uintptr_t>(object));
  return 1;
}

int Gdi::GetBitmapSize(Hbitmap bitmap, int* width, int* height) {
  const Bitmap* pixels = bitmapPixels(bitmap);
  if (!pixels) return 0;
  if (width) *width = pixels->width;
  if (height) *height = pixels->height;
  return 1;
}

}  // namespace emu
