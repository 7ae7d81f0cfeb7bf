// The window manager: window records, geometry and regions, z-order, focus and activation,
// visibility, destruction, invalidation and the emulator's own drawing of windows that have no
// program behind them (other programs' windows, shell bars, the desktop).
#include <algorithm>

#include "platform/emu/emulator_state.h"

namespace emu {

using namespace harness;

// ---- Regions ----

Region Subtract(const Region& region, const Rect& cut) {
  Region out;
  SubtractInto(region, cut, &out);
  return out;
}

void SubtractInto(const Region& region, const Rect& cut, Region* out) {
  out->clear();
  for (const Rect& r : region) {
    const Rect i = Intersect(r, cut);
    if (IsEmpty(i)) {
      if (!IsEmpty(r)) out->push_back(r);
      continue;
    }
    if (r.top < i.top) out->push_back({r.left, r.top, r.right, i.top});
    if (i.bottom < r.bottom) out->push_back({r.left, i.bottom, r.right, r.bottom});
    if (r.left < i.left) out->push_back({r.left, i.top, i.left, i.bottom});
    if (i.right < r.right) out->push_back({i.right, i.top, r.right, i.bottom});
  }
}

Region SubtractRegion(const Region& region, const Region& cut) {
  Region out = region;
  for (const Rect& c : cut) out = Subtract(out, c);
  return out;
}

Region IntersectRegion(const Region& region, const Rect& with) {
  Region out;
  IntersectRegionInto(region, with, &out);
  return out;
}

void IntersectRegionInto(const Region& region, const Rect& with, Region* out) {
  out->clear();
  for (const Rect& r : region) {
    const Rect i = Intersect(r, with);
    if (!IsEmpty(i)) out->push_back(i);
  }
}

Rect Bounds(const Region& region) {
  Rect b{};
  bool first = true;
  for (const Rect& r : region) {
    if (IsEmpty(r)) continue;
    if (first) {
      b = r;
      first = false;
      continue;
    }
    b.left = std::min(b.left, r.left);
    b.top = std::min(b.top, r.top);
    b.right = std::max(b.right, r.right);
    b.bottom = std::max(b.bottom, r.bottom);
  }
  return b;
}

namespace {

Region OffsetRegion(const Region& region, int dx, int dy) {
  Region out;
  out.reserve(region.size());
  for (const Rect& r : region) out.push_back(Offset(r, dx, dy));
  return out;
}

// Update regions are kept as lists; a program that invalidates often without painting would
// grow one without bound, so a long list collapses to its bounding rectangle.
constexpr std::size_t kMaxUpdateRects = 64;

}  // namespace

// ---- Window records and geometry ----

Window* Emulator::State::get(Hwnd h) const {
  const auto it = windows.find(reinterpret_cast<std::uintptr_t>(h));
  return it == windows.end() ? nullptr : it->second.get();
}

Window* Emulator::State::live(Hwnd h) const {
  Window* w = get(h);
  return (w && w->alive) ? w : nullptr;
}

Window* Emulator::State::topLevel(Window* w) const {
  while (w && w->parent) w = w->parent;
  return w;
}

bool Emulator::State::isDescendant(const Window* w, const Window* ancestor) const {
  for (; w; w = w->parent) {
    if (w == ancestor) return true;
  }
  return false;
}

Point Emulator::State::clientOrigin(const Window* w) const {
  Point p{w->rect.left, w->rect.top};
  for (const Window* a = w->parent; a; a = a->parent) {
    p.x += a->rect.left;
    p.y += a->rect.top;
  }
  return p;
}

Rect Emulator::State::screenRect(const Window* w) const {
  const Point o = clientOrigin(w);
  return Rect{o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
}

bool Emulator::State::effectivelyVisible(const Window* w) const {
  for (; w; w = w->parent) {
    if (!w->alive || !w->visible) return false;
  }
  return true;
}

Region Emulator::State::visibleRegion(const Window* w) const {
  Region out, scratch;
  visibleRegionInto(w, &out, &scratch);
  return out;
}

void Emulator::State::visibleRegionInto(const Window* w, Region* out, Region* scratch) const {
  out->clear();
  if (!effectivelyVisible(w)) return;
  Rect r = Intersect(screenRect(w), Rect{0, 0, screen.width, screen.height});
  for (const Window* a = w->parent; a; a = a->parent) r = Intersect(r, screenRect(a));
  if (IsEmpty(r)) return;
  const Window* top = topLevel(const_cast<Window*>(w));
  const auto pos = std::find(zOrder.begin(), zOrder.end(), top);
  if (pos == zOrder.end()) return;
  out->push_back(r);
  for (auto it = pos + 1; it != zOrder.end(); ++it) {
    if ((*it)->visible && (*it)->alive) {
      SubtractInto(*out, (*it)->rect, scratch);
      out->swap(*scratch);
    }
  }
}

std::map<Window*, Region> Emulator::State::topLevelVisibility() const {
  std::map<Window*, Region> out;
  for (Window* t : zOrder) {
    if (t->alive && t->visible) out[t] = visibleRegion(t);
  }
  return out;
}

Region Emulator::State::desktopVisible() const {
  Region r{Rect{0, 0, screen.width, screen.height}};
  for (Window* t : zOrder) {
    if (t->alive && t->visible) r = Subtract(r, t->rect);
  }
  return r;
}

void Emulator::State::exposeAfter(const std::map<Window*, Region>& before,
                                  const Region& desktopBefore, Window* skip) {
  // Collect first: invalidating internal windows draws at once, which must not disturb the
  // comparison of the other windows.
  std::vector<std::pair<Window*, Region>> todo;
  for (Window* t : zOrder) {
    if (!t->alive || !t->visible || t == skip) continue;
    const auto it = before.find(t);
    Region added = visibleRegion(t);
    if (it != before.end()) added = SubtractRegion(added, it->second);
    if (!added.empty()) todo.emplace_back(t, added);
  }
  const Region desk = SubtractRegion(desktopVisible(), desktopBefore);
  for (auto& [t, added] : todo) {
    invalidate(t, OffsetRegion(added, -t->rect.left, -t->rect.top), true);
  }
  if (!desk.empty()) fillDesktop(desk);
}

void Emulator::State::invalidate(Window* w, const Region& clientRects, bool erase) {
  if (!w || !w->alive || !effectivelyVisible(w)) return;
  const Rect client{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  PooledRegion pooled(regionPool);
  Region& rects = pooled.region;
  IntersectRegionInto(clientRects, client, &rects);
  if (rects.empty()) return;
  if (w->internalDrawing()) {
    const Point o = clientOrigin(w);
    Region onScreen;
    for (const Rect& r : rects) onScreen.push_back(Offset(r, o.x, o.y));
    drawInternal(w, onScreen);
    return;
  }
  w->update.insert(w->update.end(), rects.begin(), rects.end());
  if (w->update.size() > kMaxUpdateRects) w->update = Region{Bounds(w->update)};
  w->erasePending = w->erasePending || erase;
  // Children are not clipped out of their parent, so what the parent repaints may cover them.
  for (Window* c : w->children) {
    if (!c->alive || !c->visible) continue;
    PooledRegion part(regionPool);
    IntersectRegionInto(rects, c->rect, &part.region);
    if (part.region.empty()) continue;
    for (Rect& r : part.region) r = Offset(r, -c->rect.left, -c->rect.top);
    invalidate(c, part.region, erase);
  }
}

void Emulator::State::invalidateAll(Window* w, bool erase) {
  if (!w) return;
  invalidate(w, Region{Rect{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top}},
             erase);
}

void Emulator::State::drawInternal(Window* w, const Region& screenRects) {
  const Region clip = [&] {
    Region vis = visibleRegion(w);
    Region out;
    for (const Rect& r : screenRects) {
      for (const Rect& v : vis) {
        const Rect i = Intersect(r, v);
        if (!IsEmpty(i)) out.push_back(i);
      }
    }
    return out;
  }();
  if (clip.empty()) return;
  const Point o = clientOrigin(w);
  Hdc dc = screenSurface(o, clip);
  if (!dc) return;
  const ColorRef face = w->kind == WindowKind::Foreign ? Rgb(0xC0, 0xC0, 0xC0) : Rgb(0, 0, 0x80);
  const ColorRef text = w->kind == WindowKind::Foreign ? Rgb(0, 0, 0) : Rgb(0xFF, 0xFF, 0xFF);
  Hbrush brush = gdi.CreateSolidBrush(face);
  Rect client{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  gdi.FillRect(dc, &client, brush);
  gdi.DeleteObject(brush);
  if (!w->title.empty()) {
    gdi.SetBkMode(dc, TRANSPARENT);
    gdi.SetTextColor(dc, text);
    // Shell bars carry their name in the bar; another program's window in its middle, where
    // the task bar does not hide it.
    Rect line = w->kind == WindowKind::Foreign ? client
                                               : Rect{client.left, client.top, client.right,
                                                      std::min(client.bottom, client.top + 26)};
    gdi.DrawTextW(dc, w->title.c_str(), -1, &line, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  gdi.releaseWindowSurface(dc);
}

void Emulator::State::fillDesktop(const Region& screenRects) {
  Hdc dc = screenSurface(Point{0, 0}, screenRects);
  if (!dc) return;
  Rect all{0, 0, screen.width, screen.height};
  gdi.FillRect(dc, &all, gdi.GetStockObject(BLACK_BRUSH));
  gdi.releaseWindowSurface(dc);
}

Window* Emulator::State::windowAt(Point p) const {
  for (auto it = zOrder.rbegin(); it != zOrder.rend(); ++it) {
    Window* t = *it;
    if (!t->alive || !t->visible) continue;
    const Rect& r = t->rect;
    if (p.x < r.left || p.x >= r.right || p.y < r.top || p.y >= r.bottom) continue;
    Window* w = t;
    for (bool descended = true; descended;) {
      descended = false;
      for (auto c = w->children.rbegin(); c != w->children.rend(); ++c) {
        if (!(*c)->alive || !(*c)->visible) continue;
        const Rect s = screenRect(*c);
        if (p.x >= s.left && p.x < s.right && p.y >= s.top && p.y < s.bottom) {
          w = *c;
          descended = true;
          break;
        }
      }
    }
    return w;
  }
  return nullptr;
}

bool Emulator::State::activatable(const Window* w) const {
  return w && w->alive && !w->destroying && !w->parent && w->kind != WindowKind::ShellBar &&
         w->kind != WindowKind::MenuBar && (w->style & WS_DISABLED) == 0;
}

// Moves a top-level window to the top of its band (topmost or not), with the windows it owns
// above it, as they always are.
void Emulator::State::bringToTop(Window* w) {
  if (!w || w->parent) return;
  auto place = [&](Window* x) {
    zOrder.erase(std::remove(zOrder.begin(), zOrder.end(), x), zOrder.end());
    if (x->topmost) {
      zOrder.push_back(x);
    } else {
      auto firstTopmost =
          std::find_if(zOrder.begin(), zOrder.end(), [](const Window* y) { return y->topmost; });
      zOrder.insert(firstTopmost, x);
    }
  };
  place(w);
  std::vector<Window*> owned;
  for (Window* t : zOrder) {
    if (t != w && t->owner == w && t->alive) owned.push_back(t);
  }
  for (Window* o : owned) {
    if (w->topmost) o->topmost = true;
    bringToTop(o);
  }
}

void Emulator::State::raise(Window* w) {
  const auto before = topLevelVisibility();
  const Region desk = desktopVisible();
  bringToTop(w);
  exposeAfter(before, desk, nullptr);
}

Window* Emulator::State::newWindow(WindowKind kind, std::u16string className, std::u16string title,
                                   std::uint32_t style, std::uint32_t exStyle, Window* parent,
                                   Window* owner, std::uintptr_t id, Rect rect) {
  auto w = std::make_unique<Window>();
  w->handle = nextWindowHandle;
  nextWindowHandle += 4;  // the lowest bit stays free (SetForegroundWindow's "owned too" bit)
  w->kind = kind;
  w->className = std::move(className);
  w->title = std::move(title);
  w->style = style & ~WS_VISIBLE;
  w->exStyle = exStyle;
  w->parent = parent;
  w->owner = parent ? nullptr : owner;
  w->id = id;
  w->rect = rect;
  w->topmost = (exStyle & WS_EX_TOPMOST) != 0;
  Window* raw = w.get();
  windows[raw->handle] = std::move(w);
  if (parent) {
    parent->children.push_back(raw);
  } else {
    zOrder.push_back(raw);
    bringToTop(raw);
  }
  return raw;
}

// ---- Focus and activation ----

void Emulator::State::setFocus(Window* w) {
  if (w == focus) return;
  if (w && !w->alive) return;
  if (w) {
    Window* top = topLevel(w);
    if (top != active) {
      if (!activatable(top)) return;
      top->savedFocus = w;
      setActive(top);
      return;  // activation moved the focus to it (or a nested change won)
    }
  }
  const std::uint64_t serial = ++focusSerial;
  Window* old = focus;
  focus = w;
  if (w) topLevel(w)->savedFocus = w;
  if (old && old->alive)
    send(old, WM_KILLFOCUS, reinterpret_cast<Wparam>(w ? w->hwnd() : nullptr), 0);
  if (serial != focusSerial || !w || !w->alive || focus != w) return;
  send(w, WM_SETFOCUS, reinterpret_cast<Wparam>(old && old->alive ? old->hwnd() : nullptr), 0);
}

void Emulator::State::setActive(Window* w) {
  if (w == active) return;
  const std::uint64_t serial = ++activationSerial;
  Window* old = active;
  active = w;
  if (w) raise(w);
  if (old && old->alive) {
    send(old, WM_ACTIVATE, MakeWparam(WA_INACTIVE, 0),
         reinterpret_cast<Lparam>(w ? w->hwnd() : nullptr));
    if (serial != activationSerial) return;  // the deactivated window took activation back
  }
  if (w && w->alive) {
    send(w, WM_ACTIVATE, MakeWparam(WA_ACTIVE, 0),
         reinterpret_cast<Lparam>(old && old->alive ? old->hwnd() : nullptr));
    if (serial != activationSerial) return;
  }
  // The keyboard focus follows: into the newly active window of this program (where it was
  // last), or away from this program's windows altogether.
  Window* target = nullptr;
  if (w && w->alive && w->kind != WindowKind::Foreign) {
    target = w;
    if (w->savedFocus && w->savedFocus->alive && !w->savedFocus->destroying &&
        isDescendant(w->savedFocus, w)) {
      target = w->savedFocus;
    }
  }
  if (focus && focus->alive && target && isDescendant(focus, w)) return;
  const std::uint64_t fserial = ++focusSerial;
  Window* oldFocus = focus;
  focus = target;
  if (oldFocus && oldFocus->alive) {
    send(oldFocus, WM_KILLFOCUS, reinterpret_cast<Wparam>(target ? target->hwnd() : nullptr), 0);
  }
  if (fserial != focusSerial || !target || !target->alive || focus != target) return;
  send(target, WM_SETFOCUS,
       reinterpret_cast<Wparam>(oldFocus && oldFocus->alive ? oldFocus->hwnd() : nullptr), 0);
}

// Activation leaves `leaving`: its owner takes it when it can, otherwise the top-most
// activatable visible window; with none, no window is active.
void Emulator::State::activateNext(Window* leaving) {
  Window* next = nullptr;
  if (leaving && leaving->owner && activatable(leaving->owner) && leaving->owner->visible) {
    next = leaving->owner;
  }
  for (auto it = zOrder.rbegin(); !next && it != zOrder.rend(); ++it) {
    Window* t = *it;
    if (t == leaving || !t->visible || !activatable(t)) continue;
    if (leaving && t->owner == leaving) continue;
    next = t;
  }
  setActive(next);
}

void Emulator::State::show(Window* w, bool activate) {
  if (!w->visible) {
    const auto before = topLevelVisibility();
    const Region desk = desktopVisible();
    w->visible = true;
    w->style |= WS_VISIBLE;
    if (w->parent) {
      invalidateAll(w, true);
    } else {
      if (activate && activatable(w)) bringToTop(w);
      exposeAfter(before, desk, w);
      invalidateAll(w, true);
    }
  }
  if (activate && !w->parent && activatable(w)) setActive(w);
}

void Emulator::State::hide(Window* w) {
  if (!w->visible) return;
  if (w->parent) {
    w->visible = false;
    w->style &= ~WS_VISIBLE;
    w->update.clear();
    invalidate(w->parent, Region{w->rect}, true);
  } else {
    const auto before = topLevelVisibility();
    const Region desk = desktopVisible();
    w->visible = false;
    w->style &= ~WS_VISIBLE;
    w->update.clear();
    exposeAfter(before, desk, nullptr);
    if (active == w) activateNext(w);
  }
  // A hidden window keeps no keyboard focus: it goes to the parent (none for a top-level).
  if (focus && isDescendant(focus, w)) {
    Window* to = w->parent;
    if (to && !effectivelyVisible(to)) to = nullptr;
    const std::uint64_t serial = ++focusSerial;
    Window* old = focus;
    focus = to;
    send(old, WM_KILLFOCUS, reinterpret_cast<Wparam>(to ? to->hwnd() : nullptr), 0);
    if (serial == focusSerial && to && to->alive && focus == to) {
      send(to, WM_SETFOCUS, reinterpret_cast<Wparam>(old->alive ? old->hwnd() : nullptr), 0);
    }
  }
}

void Emulator::State::markDead(Window* w) {
  for (Window* c : w->children) markDead(c);
  w->alive = false;
  w->visible = false;
  w->update.clear();
  timers.erase(
      std::remove_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.window == w; }),
      timers.end());
  if (focus == w) focus = nullptr;
  if (active == w) active = nullptr;
  if (capture == w) capture = nullptr;
}

bool Emulator::State::destroy(Window* w) {
  if (!w || !w->alive || w->destroying) return false;
  std::vector<Window*> stack{w};
  while (!stack.empty()) {
    Window* x = stack.back();
    stack.pop_back();
    x->destroying = true;
    for (Window* c : x->children) stack.push_back(c);
  }
  // Hidden first: activation and the focus move away while the window still exists.
  hide(w);
  if (active == w) activateNext(w);
  if (focus && isDescendant(focus, w)) {
    const std::uint64_t serial = ++focusSerial;
    Window* old = focus;
    focus = nullptr;
    send(old, WM_KILLFOCUS, 0, 0);
    (void)serial;
  }
  // Owned windows (a message box over a dialog) go with their owner.
  if (!w->parent) {
    for (;;) {
      Window* owned = nullptr;
      for (Window* t : zOrder) {
        if (t->owner == w && t->alive && !t->destroying) {
          owned = t;
          break;
        }
      }
      if (!owned) break;
      destroy(owned);
    }
  }
  // WM_DESTROY to the window, then its children, while all of them still exist.
  std::vector<Window*> order;
  std::vector<Window*> walk{w};
  while (!walk.empty()) {
    Window* x = walk.back();
    walk.pop_back();
    order.push_back(x);
    for (auto it = x->children.rbegin(); it != x->children.rend(); ++it) walk.push_back(*it);
  }
  for (Window* x : order) send(x, WM_DESTROY, 0, 0);
  if (w->parent) {
    Window* p = w->parent;
    p->children.erase(std::remove(p->children.begin(), p->children.end(), w), p->children.end());
  }
  markDead(w);
  zOrder.erase(std::remove(zOrder.begin(), zOrder.end(), w), zOrder.end());
  for (Window* t : zOrder) {
    if (t->owner == w) t->owner = nullptr;
  }
  // Full screen is the window's: the shell brings its task bar back when the window goes.
  if (taskBarHiddenBy == w) {
    taskBarHiddenBy = nullptr;
    show(taskBar, false);
  }
  return true;
}

}  // namespace emu
