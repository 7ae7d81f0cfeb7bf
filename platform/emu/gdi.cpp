#include "platform/emu/gdi.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

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
// so a stale handle can never reach a newer object. A created handle is a serial number above
// its record's slot: the slot is found at once and the serial tells a stale handle apart.
constexpr std::uintptr_t kStockBase = 0x10;
constexpr int kStockCount = 6;  // white, light grey, grey, dark grey, black, null brush
constexpr std::uintptr_t kDefaultBitmap = 0x20;
constexpr int kSlotBits = 20;  // at most about a million objects alive at once
constexpr std::uintptr_t kSlotMask = (std::uintptr_t{1} << kSlotBits) - 1;

// Larger images than this are refused rather than risking an allocation failure.
constexpr long long kMaxDimension = 16384;
constexpr long long kMaxPixels = 1LL << 26;

// Pixels of deleted images kept for the next images: a repainting program's off-screen images.
constexpr std::size_t kSpareImages = 4;

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
bool Covers(const Box& outer, const Box& inner) {
  return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
         outer.bottom >= inner.bottom;
}

// One drawing step on a memory image, in the image's coordinates: a fill of `box`, or the glyph
// whose image starts at (gx, gy) blended in `color` within `box`. Each step changes a pixel from
// its value before the step alone, so the steps replayed over any part of the image give exactly
// the pixels that drawing them over the whole image gives there.
struct Op {
  Box box;
  ColorRef color = 0;
  const Glyph* glyph = nullptr;  // null: a fill
  long long gx = 0, gy = 0;
};

// Drawing on a memory image is recorded, not done at once: a repainting program draws its whole
// picture off-screen and copies only the part that changed, so only that part is worked out.
constexpr std::size_t kMaxPendingOps = 1024;

struct Object {
  bool isBitmap = false;
  bool stock = false;
  bool nullBrush = false;
  ColorRef color = 0;  // brushes; bitmaps while `uniform`
  // A bitmap whose every pixel is `color` and whose stored pixels are not yet written: a new
  // image starts black and is usually filled whole at once, so neither needs to touch memory.
  bool uniform = false;
  Bitmap pixels;
  std::vector<Op> pending;  // bitmaps: drawing not yet done on `pixels`, oldest first
  long long replayed = 0;   // pixels worked out from `pending` since it was last done
  int selections = 0;       // surfaces that have it selected
};

struct Surface {
  bool window = false;
  Bitmap* screen = nullptr;   // window surfaces
  Point origin{};             // window surfaces
  std::vector<Box> clip;      // window surfaces: disjoint, screen coordinates
  std::uintptr_t bitmap = 0;  // memory surfaces
  std::uintptr_t brush = kStockBase;
  int bkMode = kOpaque;
  ColorRef bkColor = 0x00FFFFFF;
  ColorRef textColor = 0;
};

// Records of one kind in slots that are reused once free, so creating and deleting objects in a
// steady rhythm allocates nothing.
template <typename T>
class HandleTable {
 public:
  // A free slot for a new record (left as its previous occupant had it, storage included) and
  // its handle; null when the table is full.
  T* add(std::uintptr_t serial, std::uintptr_t* handle) {
    std::size_t index;
    if (!free_.empty()) {
      index = free_.back();
      free_.pop_back();
    } else if (slots_.size() <= kSlotMask) {
      index = slots_.size();
      slots_.emplace_back();
    } else {
      return nullptr;
    }
    *handle = (serial << kSlotBits) | index;
    slots_[index].handle = *handle;
    ++live_;
    return &slots_[index].value;
  }
  T* find(std::uintptr_t handle) {
    const std::size_t index = handle & kSlotMask;
    if (handle == 0 || index >= slots_.size() || slots_[index].handle != handle) return nullptr;
    return &slots_[index].value;
  }
  void remove(std::uintptr_t handle) {
    const std::size_t index = handle & kSlotMask;
    slots_[index].handle = 0;
    free_.push_back(static_cast<std::uint32_t>(index));
    --live_;
  }
  std::size_t live() const { return live_; }

 private:
  struct Slot {
    std::uintptr_t handle = 0;  // 0: free
    T value;
  };
  std::vector<Slot> slots_;
  std::vector<std::uint32_t> free_;
  std::size_t live_ = 0;
};

// Where a surface's drawing lands: a bitmap, the offset from surface to bitmap coordinates and
// the parts of the bitmap that may be written.
struct Target {
  Bitmap* bitmap = nullptr;
  Object* image = nullptr;  // a memory surface's image, whose drawing is recorded
  long long dx = 0, dy = 0;
  const Box* clip = nullptr;
  std::size_t clipCount = 0;
  Box whole;  // a memory surface's clip: its bitmap
};

// Pixels in memory seen through a box: `data` holds the box's rows, `stride` apart.
struct View {
  ColorRef* data = nullptr;
  long long left = 0, top = 0, stride = 0;
  ColorRef* at(long long x, long long y) const { return data + (y - top) * stride + (x - left); }
};

View ViewOf(Bitmap& bitmap) { return View{bitmap.pixels.data(), 0, 0, bitmap.width}; }

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

void FillBox(const View& view, const Box& b, ColorRef color) {
  const auto width = static_cast<std::size_t>(b.right - b.left);
  ColorRef* row = view.at(b.left, b.top);
  for (long long y = b.top; y < b.bottom; ++y, row += view.stride) FillPixels(row, width, color);
}

// (over * alpha + under * (255 - alpha)) / 255, rounded, for each colour byte: red and blue side
// by side in 16-bit lanes, then green; the division is the exact shift form of v / 255 for every
// v up to 255 * 255 + 127.
ColorRef Blend(ColorRef under, ColorRef over, unsigned alpha) {
  const unsigned rest = 255 - alpha;
  std::uint32_t rb = (over & 0xFF00FFu) * alpha + (under & 0xFF00FFu) * rest + 0x7F007Fu;
  std::uint32_t g = ((over >> 8) & 0xFFu) * alpha + ((under >> 8) & 0xFFu) * rest + 0x7Fu;
  rb = ((rb + 0x10001u + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
  g = ((g + 1 + (g >> 8)) >> 8) & 0xFFu;
  return rb | (g << 8);
}

// Carries out one drawing step on the part of `view` inside `within` (a box the view holds).
void Apply(const Op& op, const View& view, const Box& within) {
  const Box part = Cut(op.box, within);
  if (part.empty()) return;
  if (!op.glyph) {
    FillBox(view, part, op.color);
    return;
  }
  const Glyph& g = *op.glyph;
  const auto partWidth = static_cast<std::size_t>(part.right - part.left);
  const std::uint8_t* coverage = g.coverage.data() +
                                 static_cast<std::size_t>(part.top - op.gy) * g.width +
                                 static_cast<std::size_t>(part.left - op.gx);
  ColorRef* row = view.at(part.left, part.top);
  for (long long y = part.top; y < part.bottom; ++y, row += view.stride, coverage += g.width) {
    for (std::size_t k = 0; k < partWidth; ++k) {
      const unsigned alpha = coverage[k];
      if (alpha == 0) continue;
      row[k] = alpha == 255 ? op.color : Blend(row[k], op.color, alpha);
    }
  }
}

std::size_t TextLength(const harness::Wchar* text, int length) {
  if (length >= 0) return static_cast<std::size_t>(length);
  return std::u16string_view(text).size();
}

// The next line of `rest` (without its CR LF or LF), consuming it.
std::u16string_view NextLine(std::u16string_view* rest, bool singleLine) {
  std::size_t br = singleLine ? std::u16string_view::npos : rest->find(u'\n');
  std::u16string_view line = rest->substr(0, br);
  rest->remove_prefix(br == std::u16string_view::npos ? rest->size() : br + 1);
  if (!singleLine && br != std::u16string_view::npos && !line.empty() && line.back() == u'\r') {
    line.remove_suffix(1);
  }
  return line;
}

}  // namespace

struct Gdi::State {
  explicit State(const char* fontFile) : font(fontFile ? fontFile : "") {
    spare.reserve(kSpareImages);
  }

  FontRenderer font;
  Object stock[kStockCount];
  Object defaultBitmap;
  HandleTable<Object> objects;
  HandleTable<Surface> surfaces;
  std::uintptr_t serial = 0;
  std::vector<std::vector<ColorRef>> spare;  // pixels of deleted images, for reuse
  // Scratch storage, kept between calls.
  std::vector<Rect> pieces, next;
  std::vector<ColorRef> copy;

  Object* object(const void* handle) {
    const auto h = reinterpret_cast<std::uintptr_t>(handle);
    if (h >= kStockBase && h < kStockBase + kStockCount) return &stock[h - kStockBase];
    if (h == kDefaultBitmap) return &defaultBitmap;
    return objects.find(h);
  }
  Surface* surface(Hdc handle) { return surfaces.find(reinterpret_cast<std::uintptr_t>(handle)); }

  // A new object record, every field reset (a deleted image's pixels went to the pool).
  Object* newObject(std::uintptr_t* handle) {
    Object* o = objects.add(++serial, handle);
    if (!o) return nullptr;
    std::vector<Op> pending = std::move(o->pending);
    *o = Object{};
    o->pending = std::move(pending);
    o->pending.clear();
    return o;
  }
  Hdc addSurface(const Surface& settings) {
    std::uintptr_t h = 0;
    Surface* s = surfaces.add(++serial, &h);
    if (!s) return nullptr;
    std::vector<Box> clip = std::move(s->clip);
    *s = settings;
    s->clip = std::move(clip);
    s->clip.clear();
    if (s->bitmap) object(reinterpret_cast<void*>(s->bitmap))->selections++;
    object(reinterpret_cast<void*>(s->brush))->selections++;
    return reinterpret_cast<Hdc>(h);
  }
  void removeSurface(Hdc handle) {
    Surface& s = *surface(handle);
    if (Object* b = object(reinterpret_cast<void*>(s.bitmap))) b->selections--;
    if (Object* b = object(reinterpret_cast<void*>(s.brush))) b->selections--;
    surfaces.remove(reinterpret_cast<std::uintptr_t>(handle));
  }

  // Storage for an image of `count` pixels: the smallest spare one that holds it, else new.
  std::vector<ColorRef> takeStorage(std::size_t count) {
    std::size_t best = spare.size();
    for (std::size_t i = 0; i < spare.size(); ++i) {
      if (spare[i].capacity() >= count &&
          (best == spare.size() || spare[i].capacity() < spare[best].capacity())) {
        best = i;
      }
    }
    std::vector<ColorRef> storage;
    if (best != spare.size()) {
      storage = std::move(spare[best]);
      spare[best] = std::move(spare.back());
      spare.pop_back();
    }
    storage.resize(count);
    return storage;
  }
  // Keeps a deleted image's pixels for the next image, up to kSpareImages (the largest kept).
  void keepStorage(std::vector<ColorRef>&& storage) {
    if (storage.capacity() == 0) return;
    if (spare.size() < kSpareImages) {
      spare.push_back(std::move(storage));
      return;
    }
    auto smallest = std::min_element(spare.begin(), spare.end(), [](const auto& a, const auto& b) {
      return a.capacity() < b.capacity();
    });
    if (smallest->capacity() < storage.capacity()) *smallest = std::move(storage);
  }

  // The pixels of a bitmap object with all its drawing done.
  static Bitmap& pixels(Object& o) {
    if (o.uniform) {
      FillPixels(o.pixels.pixels.data(), o.pixels.pixels.size(), o.color);
      o.uniform = false;
    }
    if (!o.pending.empty()) {
      const View view = ViewOf(o.pixels);
      const Box whole{0, 0, o.pixels.width, o.pixels.height};
      for (const Op& op : o.pending) Apply(op, view, whole);
      o.pending.clear();
    }
    o.replayed = 0;
    return o.pixels;
  }

  // Where drawing on `s` lands. A memory surface's image is not brought up to date here: its
  // drawing goes through draw(), and whoever writes its pixels otherwise calls pixels() first.
  bool target(Surface& s, Target* t) {
    if (s.window) {
      if (!s.screen) return false;
      t->bitmap = s.screen;
      t->dx = s.origin.x;
      t->dy = s.origin.y;
      t->clip = s.clip.data();
      t->clipCount = s.clip.size();
      return true;
    }
    Object* b = object(reinterpret_cast<void*>(s.bitmap));
    if (!b || !b->isBitmap) return false;
    t->bitmap = &b->pixels;
    t->image = b->stock ? nullptr : b;
    if (b->stock) pixels(*b);
    t->dx = t->dy = 0;
    t->whole = Box{0, 0, b->pixels.width, b->pixels.height};
    t->clip = &t->whole;
    t->clipCount = 1;
    return true;
  }

  // Draws `op` (surface coordinates, already within its limit) on the target: recorded on a
  // memory image, done at once on the screen.
  static void draw(Target& t, Op op) {
    op.box = Shift(op.box, t.dx, t.dy);
    op.gx += t.dx;
    op.gy += t.dy;
    if (Object* image = t.image) {
      op.box = Cut(op.box, t.whole);
      if (op.box.empty()) return;
      if (image->pending.size() < kMaxPendingOps) {
        image->pending.push_back(op);
        return;
      }
      pixels(*image);
    }
    const View view = ViewOf(*t.bitmap);
    for (std::size_t i = 0; i < t.clipCount; ++i) Apply(op, view, t.clip[i]);
  }

  // Fills `box` (surface coordinates) within `limit` and the target's clip.
  static void fill(Target& t, const Box& box, const Box& limit, ColorRef color) {
    Op op;
    op.box = Cut(box, limit);
    op.color = color;
    draw(t, op);
  }

  // Copies the part `box` of the image `o` (image coordinates) to `out` (holding `box`). Drawing
  // still recorded is worked out for that part only, unless that would cost more than doing it
  // all: an image copied out over and over has its drawing done once.
  void copyOut(Object& o, const Box& box, const View& out) {
    const auto width = static_cast<std::size_t>(box.right - box.left);
    if (!o.pending.empty()) {
      o.replayed += static_cast<long long>(width) * (box.bottom - box.top);
      if (o.replayed > static_cast<long long>(o.pixels.pixels.size())) pixels(o);
    }
    if (o.uniform && o.pending.empty()) {
      FillBox(out, box, o.color);
      return;
    }
    for (long long y = box.top; y < box.bottom; ++y) {
      ColorRef* to = out.at(box.left, y);
      if (o.uniform) {
        FillPixels(to, width, o.color);
      } else {
        std::copy_n(&o.pixels.at(static_cast<int>(box.left), static_cast<int>(y)), width, to);
      }
    }
    for (const Op& op : o.pending) Apply(op, out, box);
  }

  // Overlapping clip rectangles would blend antialiased text twice; keep them disjoint.
  void disjointWithin(const std::vector<Rect>& rects, const Rect& bounds, std::vector<Box>* out) {
    out->clear();
    for (const Rect& r : rects) {
      pieces.assign(1, Intersect(r, bounds));
      if (IsEmpty(pieces[0])) continue;
      for (const Box& taken : *out) {
        next.clear();
        const Rect hole{static_cast<std::int32_t>(taken.left), static_cast<std::int32_t>(taken.top),
                        static_cast<std::int32_t>(taken.right),
                        static_cast<std::int32_t>(taken.bottom)};
        for (const Rect& p : pieces) Subtract(p, hole, &next);
        pieces.swap(next);
      }
      for (const Rect& p : pieces) out->push_back(ToBox(p));
    }
  }
};

Gdi::Gdi(const char* fontFile) : state_(std::make_unique<State>(fontFile)) {
  const ColorRef stockColors[kStockCount] = {0x00FFFFFF, 0x00C0C0C0, 0x00808080,
                                             0x00404040, 0x00000000, 0};
  for (int i = 0; i < kStockCount; ++i) {
    Object& brush = state_->stock[i];
    brush.stock = true;
    brush.color = stockColors[i];
    brush.nullBrush = i == 5;
  }
  // The 1 x 1 image every new memory surface starts with, as on the handset.
  Object& defaultBitmap = state_->defaultBitmap;
  defaultBitmap.stock = true;
  defaultBitmap.isBitmap = true;
  defaultBitmap.pixels = Bitmap(1, 1, 0);
}

Gdi::~Gdi() = default;

Hdc Gdi::createWindowSurface(Bitmap* screen, Point origin, const std::vector<Rect>& clip) {
  if (!screen) return nullptr;
  Surface settings;
  settings.window = true;
  settings.screen = screen;
  settings.origin = origin;
  Hdc h = state_->addSurface(settings);
  if (h) {
    state_->disjointWithin(clip, Rect{0, 0, screen->width, screen->height},
                           &state_->surface(h)->clip);
  }
  return h;
}

bool Gdi::releaseWindowSurface(Hdc surface) {
  Surface* s = state_->surface(surface);
  if (!s || !s->window) return false;
  state_->removeSurface(surface);
  return true;
}

Hbitmap Gdi::createBitmap(Bitmap pixels) {
  if (pixels.width <= 0 || pixels.height <= 0 || pixels.width > kMaxDimension ||
      pixels.height > kMaxDimension ||
      pixels.pixels.size() !=
          static_cast<std::size_t>(pixels.width) * static_cast<std::size_t>(pixels.height)) {
    return nullptr;
  }
  std::uintptr_t h = 0;
  Object* o = state_->newObject(&h);
  if (!o) return nullptr;
  o->isBitmap = true;
  o->pixels = std::move(pixels);
  return reinterpret_cast<Hbitmap>(h);
}

Hbitmap Gdi::copyBitmap(const Bitmap& pixels) {
  Bitmap copy;
  copy.width = pixels.width;
  copy.height = pixels.height;
  copy.pixels = state_->takeStorage(pixels.pixels.size());
  std::copy(pixels.pixels.begin(), pixels.pixels.end(), copy.pixels.begin());
  return createBitmap(std::move(copy));
}

const Bitmap* Gdi::bitmapPixels(Hbitmap bitmap) const {
  Object* o = state_->object(bitmap);
  return o && o->isBitmap ? &State::pixels(*o) : nullptr;
}

std::size_t Gdi::liveObjectCount() const {
  return state_->objects.live() + state_->surfaces.live();
}

Hdc Gdi::CreateCompatibleDC(Hdc surface) {
  // Null asks for a surface compatible with the screen.
  if (surface && !state_->surface(surface)) return nullptr;
  Surface settings;
  settings.bitmap = kDefaultBitmap;
  return state_->addSurface(settings);
}

Hbitmap Gdi::CreateCompatibleBitmap(Hdc surface, int width, int height) {
  if (!state_->surface(surface)) return nullptr;
  if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension ||
      static_cast<long long>(width) * height > kMaxPixels) {
    return nullptr;
  }
  std::uintptr_t h = 0;
  Object* o = state_->newObject(&h);
  if (!o) return nullptr;
  o->pixels.pixels =
      state_->takeStorage(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  o->pixels.width = width;
  o->pixels.height = height;
  o->isBitmap = true;
  o->uniform = true;  // black
  o->color = 0;
  return reinterpret_cast<Hbitmap>(h);
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
  std::uintptr_t h = 0;
  Object* o = state_->newObject(&h);
  if (!o) return nullptr;
  o->color = color & 0x00FFFFFFu;
  return reinterpret_cast<Hbrush>(h);
}

int Gdi::FillRect(Hdc surface, const Rect* rect, Hbrush brush) {
  Surface* s = state_->surface(surface);
  Object* b = state_->object(brush);
  if (!s || !b || b->isBitmap || !rect) return 0;
  if (!s->window) {
    // Filling a whole memory image makes it one colour, written out when it is next drawn on.
    Object* image = state_->object(reinterpret_cast<void*>(s->bitmap));
    if (image && image->isBitmap && !image->stock && !b->nullBrush &&
        Covers(ToBox(*rect), Box{0, 0, image->pixels.width, image->pixels.height})) {
      image->uniform = true;
      image->color = b->color;
      image->pending.clear();
      image->replayed = 0;
      return 1;
    }
  }
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

  const std::u16string_view all(text, TextLength(text, length));
  const bool singleLine = (format & kDtSingleLine) != 0;
  long long lineCount = 0;
  if (!all.empty()) {
    lineCount =
        singleLine ? 1 : 1 + static_cast<long long>(std::count(all.begin(), all.end(), u'\n'));
  }

  const long long lineHeight = font.lineHeight();
  const long long ascent = font.ascent();
  const long long textHeight = lineHeight * lineCount;
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

  if (format & kDtCalcRect) {
    int widest = 0;
    std::u16string_view rest = all;
    for (long long i = 0; i < lineCount; ++i) {
      widest = std::max(widest, font.textWidth(NextLine(&rest, singleLine)));
    }
    rect->right =
        static_cast<std::int32_t>(std::clamp<long long>(area.left + widest, INT32_MIN, INT32_MAX));
    rect->bottom = static_cast<std::int32_t>(
        std::clamp<long long>(area.top + textHeight, INT32_MIN, INT32_MAX));
    return static_cast<int>(std::min<long long>(textHeight, INT32_MAX));
  }

  const Box limit = (format & kDtNoClip)
                        ? Box{INT32_MIN * 4LL, INT32_MIN * 4LL, INT32_MAX * 4LL, INT32_MAX * 4LL}
                        : area;
  std::u16string_view rest = all;
  for (long long i = 0; i < lineCount; ++i) {
    const std::u16string_view line = NextLine(&rest, singleLine);
    const int width = font.textWidth(line);
    long long x = area.left;
    if (format & kDtCenter) {
      x = area.left + (area.right - area.left - width) / 2;
    } else if (format & kDtRight) {
      x = area.right - width;
    }
    const long long y = top + lineHeight * i;
    if (s->bkMode == kOpaque) {
      State::fill(t, Box{x, y, x + width, y + lineHeight}, limit, s->bkColor);
    }
    long long pen = x * 64;  // 1/64 pixel, so that fractional advances add up
    const long long baseline = y + ascent;
    for (std::size_t at = 0; at < line.size();) {
      const Glyph* g = font.glyph(NextCodePoint(line, &at));
      if (!g) break;
      Op op;
      op.glyph = g;
      op.color = s->textColor;
      op.gx = (pen + 32) / 64 + g->left;
      op.gy = baseline - g->top;
      pen += g->advance;
      if (g->coverage.empty()) continue;
      op.box = Cut(Box{op.gx, op.gy, op.gx + g->width, op.gy + g->height}, limit);
      State::draw(t, op);
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

  // The destination is written directly, so drawing recorded on it is done first.
  if (dt.image) State::pixels(*dt.image);
  const View to = ViewOf(*dt.bitmap);

  // Source and destination may be the same bitmap: then everything is read before writing.
  if (st.bitmap == dt.bitmap) {
    const long long copyWidth = readable.right - readable.left;
    std::vector<ColorRef>& copy = state_->copy;
    copy.resize(static_cast<std::size_t>(copyWidth * (readable.bottom - readable.top)));
    const View snapshot{copy.data(), readable.left, readable.top, copyWidth};
    for (long long row = readable.top; row < readable.bottom; ++row) {
      std::copy_n(&st.bitmap->at(static_cast<int>(readable.left), static_cast<int>(row)), copyWidth,
                  snapshot.at(readable.left, row));
    }
    for (std::size_t c = 0; c < dt.clipCount; ++c) {
      const Box part = Cut(landing, dt.clip[c]);
      for (long long row = part.top; row < part.bottom; ++row) {
        std::copy_n(snapshot.at(part.left - moveX, row - moveY), part.right - part.left,
                    to.at(part.left, row));
      }
    }
    return 1;
  }
  for (std::size_t c = 0; c < dt.clipCount; ++c) {
    const Box part = Cut(landing, dt.clip[c]);
    if (part.empty()) continue;
    const Box read = Shift(part, -moveX, -moveY);
    // The destination seen in the source's coordinates.
    const View out{to.at(part.left, part.top), read.left, read.top, to.stride};
    if (st.image) {
      state_->copyOut(*st.image, read, out);
    } else {
      for (long long row = read.top; row < read.bottom; ++row) {
        std::copy_n(&st.bitmap->at(static_cast<int>(read.left), static_cast<int>(row)),
                    read.right - read.left, out.at(read.left, row));
      }
    }
  }
  return 1;
}

int Gdi::DeleteDC(Hdc surface) {
  Surface* s = state_->surface(surface);
  if (!s || s->window) return 0;
  state_->removeSurface(surface);
  return 1;
}

int Gdi::DeleteObject(Hgdiobj object) {
  Object* o = state_->object(object);
  if (!o) return 0;
  if (o->stock) return 1;
  // Still selected into a surface: the surface would be left drawing with a dead object.
  if (o->selections > 0) return 0;
  if (o->isBitmap) {
    state_->keepStorage(std::move(o->pixels.pixels));
    o->pixels = Bitmap{};
  }
  state_->objects.remove(reinterpret_cast<std::uintptr_t>(object));
  return 1;
}

int Gdi::GetBitmapSize(Hbitmap bitmap, int* width, int* height) {
  const Object* o = state_->object(bitmap);
  if (!o || !o->isBitmap) return 0;
  if (width) *width = o->pixels.width;
  if (height) *height = o->pixels.height;
  return 1;
}

}  // namespace emu
