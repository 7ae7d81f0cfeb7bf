// The platform's window, dialog, focus and painting operations on top of the window manager.
#include <algorithm>

#include "platform/emu/emulator_state.h"

namespace emu {

using namespace harness;

namespace {

constexpr int kGwlStyle = -16;
constexpr int kGwlExStyle = -20;
constexpr int kGwlId = -12;
constexpr int kSwShowNoActivate = 4;
constexpr int kSwShowMinNoActive = 7;
constexpr int kSwShowNa = 8;
constexpr std::uint32_t kSwpNoRedraw = 0x0008;
constexpr std::uint32_t kSwpShowWindow = 0x0040;
constexpr std::uint32_t kSwpHideWindow = 0x0080;
constexpr int kCwUseDefault = static_cast<int>(0x80000000u);

// Dialog units to pixels: base units 8 x 16, i.e. two pixels per unit both ways, as on a
// high-resolution handset with the default dialog font.
constexpr int kPixelsPerDluX = 2;
constexpr int kPixelsPerDluY = 2;

std::u16string LowerText(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return out;
}

std::optional<WindowKind> BuiltInClass(std::u16string_view name) {
  const std::u16string lower = LowerText(name);
  if (lower == u"button") return WindowKind::Button;
  if (lower == u"static") return WindowKind::Static;
  return std::nullopt;
}

std::u16string PredefinedClassName(std::uint16_t atom) {
  switch (atom) {
    case 0x80:
      return u"button";
    case 0x81:
      return u"edit";
    case 0x82:
      return u"static";
    case 0x83:
      return u"listbox";
    case 0x84:
      return u"scrollbar";
    case 0x85:
      return u"combobox";
    default:
      return u"";
  }
}

}  // namespace

Hwnd Emulator::CreateWindowExW(std::uint32_t exStyle, const Wchar* className,
                               const Wchar* windowName, std::uint32_t style, int x, int y,
                               int width, int height, Hwnd parent, std::uintptr_t menuOrId,
                               Hinstance, void*) {
  State& s = *s_;
  if (!className || IsIntResource(className)) return nullptr;
  const auto kind = BuiltInClass(className);
  if (!kind) return nullptr;
  Window* p = parent ? s.live(parent) : nullptr;
  if (parent && !p) return nullptr;
  const bool child = (style & WS_CHILD) != 0;
  if (child && !p) return nullptr;
  if (x == kCwUseDefault) x = 0;
  if (y == kCwUseDefault) y = 0;
  if (width == kCwUseDefault) width = s.screen.width;
  if (height == kCwUseDefault) height = s.screen.height;
  Window* w =
      s.newWindow(*kind, className, windowName ? windowName : u"", style, exStyle,
                  child ? p : nullptr, child ? nullptr : s.topLevel(p), child ? menuOrId : 0,
                  Rect{x, y, x + std::max(0, width), y + std::max(0, height)});
  if (style & WS_VISIBLE) s.show(w, !child);
  return w->hwnd();
}

Hwnd Emulator::CreateDialogIndirectParamW(Hinstance, const void* dialogTemplate, Hwnd parent,
                                          DlgProc dialogProc, Lparam initParam) {
  State& s = *s_;
  if (!dialogTemplate) return nullptr;
  const auto t = ParseDialogTemplate(dialogTemplate);
  if (!t) return nullptr;
  Window* p = parent ? s.live(parent) : nullptr;
  const bool child = (t->style & WS_CHILD) != 0 && p;
  const int width = t->cx * kPixelsPerDluX;
  const int height = t->cy * kPixelsPerDluY;
  int x = t->x * kPixelsPerDluX;
  int y = t->y * kPixelsPerDluY;
  if ((t->style & DS_CENTER) && !child) {
    x = (s.screen.width - width) / 2;
    y = (s.screen.height - height) / 2;
  } else if (p && !child) {
    const Point o = s.clientOrigin(p);
    x += o.x;
    y += o.y;
  }
  Window* d = s.newWindow(WindowKind::Dialog, u"Dialog", t->title, t->style, t->exStyle,
                          child ? p : nullptr, child ? nullptr : s.topLevel(p), 0,
                          Rect{x, y, x + width, y + height});
  d->dlgProc = dialogProc;
  for (const DialogItemTemplate& item : t->items) {
    std::u16string cls;
    if (const auto* atom = std::get_if<std::uint16_t>(&item.windowClass)) {
      cls = PredefinedClassName(*atom);
    } else {
      cls = std::get<std::u16string>(item.windowClass);
    }
    std::u16string title;
    if (const auto* text = std::get_if<std::u16string>(&item.title)) title = *text;
    const Rect r{item.x * kPixelsPerDluX, item.y * kPixelsPerDluY,
                 (item.x + item.cx) * kPixelsPerDluX, (item.y + item.cy) * kPixelsPerDluY};
    const auto kind = BuiltInClass(cls);
    // Controls of classes the emulator does not draw still exist (ids, focus, navigation).
    Window* c = s.newWindow(kind.value_or(WindowKind::Program), cls, title, item.style | WS_CHILD,
                            item.exStyle, d, nullptr, item.id, r);
    if (item.style & WS_VISIBLE) s.show(c, false);
  }
  Window* firstTabStop = nullptr;
  for (Window* c : d->children) {
    if ((c->style & WS_TABSTOP) && c->visible && !(c->style & WS_DISABLED)) {
      firstTabStop = c;
      break;
    }
  }
  const Lresult init =
      s.send(d, WM_INITDIALOG,
             reinterpret_cast<Wparam>(firstTabStop ? firstTabStop->hwnd() : nullptr), initParam);
  if (!d->alive) return nullptr;
  if (init != 0) {
    // The default focus: the first tab-stop control, or the dialog itself without one.
    Window* target = (firstTabStop && firstTabStop->alive) ? firstTabStop : d;
    d->savedFocus = target;
    s.setFocus(target);
    if (!d->alive) return nullptr;
  }
  if ((t->style & WS_VISIBLE) && !d->visible) s.show(d, !child);
  return d->alive ? d->hwnd() : nullptr;
}

int Emulator::EndDialog(Hwnd dialog, std::intptr_t result) {
  State& s = *s_;
  Window* d = s.live(dialog);
  if (!d) return 0;
  d->dialogEnded = true;
  d->dialogResult = result;
  s.hide(d);
  return 1;
}

int Emulator::IsDialogMessageW(Hwnd dialog, Msg* msg) {
  State& s = *s_;
  Window* d = s.live(dialog);
  if (!d || !msg) return 0;
  Window* target = s.live(msg->hwnd);
  if (!target || !s.isDescendant(target, d)) return 0;
  const bool keyMessage = msg->message >= WM_KEYDOWN && msg->message <= 0x0108;
  if (keyMessage && msg->message == WM_KEYDOWN) {
    const Wparam vk = msg->wParam;
    if (vk == VK_ESCAPE) {
      Hwnd cancel = GetDlgItem(dialog, IDCANCEL);
      s.send(d, WM_COMMAND, MakeWparam(IDCANCEL, BN_CLICKED), reinterpret_cast<Lparam>(cancel));
      return 1;
    }
    if (vk == VK_RETURN) {
      Window* def = nullptr;
      for (Window* c : d->children) {
        if (c->alive && c->kind == WindowKind::Button && (c->style & 0x0F) == BS_DEFPUSHBUTTON) {
          def = c;
          break;
        }
      }
      const auto id = static_cast<std::uint16_t>(def ? def->id : IDOK);
      s.send(d, WM_COMMAND, MakeWparam(id, BN_CLICKED),
             reinterpret_cast<Lparam>(def ? def->hwnd() : GetDlgItem(dialog, IDOK)));
      return 1;
    }
    if (vk == VK_TAB || vk == VK_LEFT || vk == VK_UP || vk == VK_RIGHT || vk == VK_DOWN) {
      std::vector<Window*> stops;
      for (Window* c : d->children) {
        if (c->alive && c->visible && (c->style & WS_TABSTOP) && !(c->style & WS_DISABLED)) {
          stops.push_back(c);
        }
      }
      if (!stops.empty()) {
        const bool backwards =
            (vk == VK_TAB &&
             (s.threadKeyState[VK_SHIFT] || s.threadKeyState[0xA0] || s.threadKeyState[0xA1])) ||
            vk == VK_LEFT || vk == VK_UP;
        const auto at = std::find(stops.begin(), stops.end(), s.focus);
        std::size_t index = 0;
        if (at == stops.end()) {
          index = backwards ? stops.size() - 1 : 0;
        } else {
          const std::size_t cur = static_cast<std::size_t>(at - stops.begin());
          index = backwards ? (cur + stops.size() - 1) % stops.size() : (cur + 1) % stops.size();
        }
        s.setFocus(stops[index]);
      }
      return 1;
    }
  }
  DispatchMessageW(msg);
  return 1;
}

int Emulator::ShowWindow(Hwnd window, int command) {
  State& s = *s_;
  Window* w = s.live(window);
  if (!w) return 0;
  const bool wasVisible = w->visible;
  if (command == SW_HIDE) {
    s.hide(w);
  } else {
    const bool activate =
        command != kSwShowNoActivate && command != kSwShowNa && command != kSwShowMinNoActive;
    s.show(w, activate && !w->parent);
  }
  return wasVisible ? 1 : 0;
}

int Emulator::UpdateWindow(Hwnd window) {
  State& s = *s_;
  Window* w = s.live(window);
  if (!w) return 0;
  std::vector<Window*> walk{w};
  while (!walk.empty()) {
    Window* x = walk.back();
    walk.pop_back();
    if (!x->alive || !x->visible) continue;
    if (!x->update.empty()) {
      Msg m{x->hwnd(), WM_PAINT, 0, 0, s.tick(), s.lastPointer};
      DispatchMessageW(&m);
    }
    for (auto it = x->children.rbegin(); it != x->children.rend(); ++it) walk.push_back(*it);
  }
  return 1;
}

int Emulator::DestroyWindow(Hwnd window) { return s_->destroy(s_->get(window)) ? 1 : 0; }

int Emulator::IsWindow(Hwnd window) { return s_->live(window) ? 1 : 0; }

int Emulator::IsWindowVisible(Hwnd window) {
  Window* w = s_->live(window);
  return (w && s_->effectivelyVisible(w)) ? 1 : 0;
}

Hwnd Emulator::GetParent(Hwnd window) {
  Window* w = s_->live(window);
  if (!w) return nullptr;
  if (w->parent) return w->parent->hwnd();
  return (w->owner && w->owner->alive) ? w->owner->hwnd() : nullptr;
}

Lresult Emulator::DefWindowProcW(Hwnd window, std::uint32_t message, Wparam wParam, Lparam lParam) {
  State& s = *s_;
  Window* w = s.live(window);
  if (!w) return 0;
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_ERASEBKGND: {
      Rect r{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
      s.gdi.FillRect(reinterpret_cast<Hdc>(wParam), &r, s.gdi.GetStockObject(WHITE_BRUSH));
      return 1;
    }
    case WM_PAINT: {
      PaintStruct ps;
      BeginPaint(window, &ps);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_SETTEXT:
      w->title = lParam ? reinterpret_cast<const Wchar*>(lParam) : u"";
      return 1;
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<Wchar*>(lParam);
      if (!buffer || wParam == 0) return 0;
      const std::size_t n = std::min<std::size_t>(w->title.size(), wParam - 1);
      std::copy_n(w->title.data(), n, buffer);
      buffer[n] = u'\0';
      return static_cast<Lresult>(n);
    }
    default:
      return 0;
  }
}

Lresult Emulator::DefDlgProcW(Hwnd dialog, std::uint32_t message, Wparam wParam, Lparam lParam) {
  State& s = *s_;
  Window* d = s.live(dialog);
  if (!d) return 0;
  if (d->kind != WindowKind::Dialog) return DefWindowProcW(dialog, message, wParam, lParam);
  // Called from inside the dialog procedure: the class's own processing only, or the
  // procedure would be asked again about the message it is handling.
  if (d->dlgProcDepth > 0) return s.dialogDefault(d, message, wParam, lParam);
  return s.dialogProc(d, message, wParam, lParam);
}

Hwnd Emulator::SetFocus(Hwnd window) {
  State& s = *s_;
  Window* old = s.focus;
  Hwnd previous = (old && old->alive) ? old->hwnd() : nullptr;
  if (!window) {
    s.setFocus(nullptr);
    return previous;
  }
  Window* w = s.live(window);
  if (!w || w->destroying || w->internalDrawing()) return nullptr;
  s.setFocus(w);
  return previous;
}

Hwnd Emulator::GetFocus() {
  Window* f = s_->focus;
  return (f && f->alive) ? f->hwnd() : nullptr;
}

Hwnd Emulator::GetActiveWindow() {
  Window* a = s_->active;
  return (a && a->alive && a->kind != WindowKind::Foreign) ? a->hwnd() : nullptr;
}

Hwnd Emulator::FindWindowW(const Wchar* className, const Wchar* windowName) {
  State& s = *s_;
  for (auto it = s.zOrder.rbegin(); it != s.zOrder.rend(); ++it) {
    Window* t = *it;
    if (!t->alive) continue;
    if (className && !IsIntResource(className) && LowerText(t->className) != LowerText(className)) {
      continue;
    }
    if (windowName && t->title != windowName) continue;
    return t->hwnd();
  }
  return nullptr;
}

int Emulator::SetForegroundWindow(Hwnd window) {
  State& s = *s_;
  // The lowest bit asks for the windows it owns as well; they always come along here.
  const auto handle = reinterpret_cast<std::uintptr_t>(window) & ~std::uintptr_t{1};
  Window* w = s.topLevel(s.live(reinterpret_cast<Hwnd>(handle)));
  if (!w || !s.activatable(w)) return 0;
  if (w == s.active) {
    s.raise(w);
    return 1;
  }
  s.setActive(w);
  return 1;
}

Hwnd Emulator::GetForegroundWindow() {
  Window* a = s_->active;
  return (a && a->alive) ? a->hwnd() : nullptr;
}

namespace {

// Moves and sizes a window; what it uncovers is repainted, and it gets WM_SIZE when its size
// changed.
void Reposition(Emulator::State& s, Window* w, Rect rect, bool redraw) {
  const Rect old = w->rect;
  if (old == rect) return;
  if (w->parent) {
    w->rect = rect;
    if (w->visible) s.invalidate(w->parent, Region{old}, true);
  } else {
    const auto before = s.topLevelVisibility();
    const Region desk = s.desktopVisible();
    w->rect = rect;
    s.exposeAfter(before, desk, w);
  }
  if (redraw) s.invalidateAll(w, true);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width != old.right - old.left || height != old.bottom - old.top) {
    s.send(w, WM_SIZE, 0,
           static_cast<Lparam>(
               static_cast<std::uint32_t>(static_cast<std::uint16_t>(width)) |
               (static_cast<std::uint32_t>(static_cast<std::uint16_t>(height)) << 16)));
  }
}

}  // namespace

int Emulator::MoveWindow(Hwnd window, int x, int y, int width, int height, int repaint) {
  State& s = *s_;
  Window* w = s.live(window);
  if (!w) return 0;
  Reposition(s, w, Rect{x, y, x + std::max(0, width), y + std::max(0, height)}, repaint != 0);
  return 1;
}

int Emulator::SetWindowPos(Hwnd window, Hwnd insertAfter, int x, int y, int cx, int cy,
                           std::uint32_t flags) {
  State& s = *s_;
  Window* w = s.live(window);
  if (!w) return 0;
  Rect r = w->rect;
  if (!(flags & SWP_NOMOVE)) r = Offset(r, x - r.left, y - r.top);
  if (!(flags & SWP_NOSIZE)) {
    r.right = r.left + std::max(0, cx);
    r.bottom = r.top + std::max(0, cy);
  }
  if (!(flags & SWP_NOZORDER) && !w->parent) {
    const auto after = reinterpret_cast<std::intptr_t>(insertAfter);
    if (after == -1) {
      w->topmost = true;
      w->exStyle |= WS_EX_TOPMOST;
    } else if (after == -2) {
      w->topmost = false;
      w->exStyle &= ~WS_EX_TOPMOST;
    }
    if (after == 1) {  // to the bottom
      const auto before = s.topLevelVisibility();
      const Region desk = s.desktopVisible();
      s.zOrder.erase(std::remove(s.zOrder.begin(), s.zOrder.end(), w), s.zOrder.end());
      s.zOrder.insert(s.zOrder.begin(), w);
      w->topmost = false;
      s.exposeAfter(before, desk, nullptr);
    } else {
      s.raise(w);
    }
  }
  Reposition(s, w, r, (flags & kSwpNoRedraw) == 0);
  if (flags & kSwpHideWindow) s.hide(w);
  if (flags & kSwpShowWindow) s.show(w, false);
  if (!(flags & SWP_NOACTIVATE) && !w->parent && w->visible && s.activatable(w)) s.setActive(w);
  return 1;
}

int Emulator::GetClientRect(Hwnd window, Rect* rect) {
  Window* w = s_->live(window);
  if (!w || !rect) return 0;
  *rect = Rect{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  return 1;
}

int Emulator::GetWindowRect(Hwnd window, Rect* rect) {
  Window* w = s_->live(window);
  if (!w || !rect) return 0;
  *rect = s_->screenRect(w);
  return 1;
}

int Emulator::SetWindowTextW(Hwnd window, const Wchar* text) {
  State& s = *s_;
  Window* w = s.live(window);
  if (!w) return 0;
  if (w->internalDrawing()) {
    w->title = text ? text : u"";
    s.invalidateAll(w, true);
    return 1;
  }
  s.send(w, WM_SETTEXT, 0, reinterpret_cast<Lparam>(text ? text : u""));
  return 1;
}

int Emulator::GetWindowTextW(Hwnd window, Wchar* buffer, int bufferLength) {
  Window* w = s_->live(window);
  if (!w || !buffer || bufferLength <= 0) return 0;
  const std::size_t n =
      std::min<std::size_t>(w->title.size(), static_cast<std::size_t>(bufferLength) - 1);
  std::copy_n(w->title.data(), n, buffer);
  buffer[n] = u'\0';
  return static_cast<int>(n);
}

std::intptr_t Emulator::SetWindowLongPtrW(Hwnd window, int index, std::intptr_t value) {
  Window* w = s_->live(window);
  if (!w) return 0;
  std::intptr_t old = 0;
  switch (index) {
    case GWL_USERDATA:
      old = w->userData;
      w->userData = value;
      break;
    case DWL_MSGRESULT:
      old = w->dwlMsgResult;
      w->dwlMsgResult = value;
      break;
    case DWL_USER:
      old = w->dwlUser;
      w->dwlUser = value;
      break;
    case kGwlStyle:
      old = w->style;
      w->style = (static_cast<std::uint32_t>(value) & ~WS_VISIBLE) | (w->style & WS_VISIBLE);
      break;
    case kGwlExStyle:
      old = w->exStyle;
      w->exStyle = static_cast<std::uint32_t>(value);
      break;
    case kGwlId:
      old = static_cast<std::intptr_t>(w->id);
      w->id = static_cast<std::uintptr_t>(value);
      break;
    default:
      return 0;
  }
  return old;
}

std::intptr_t Emulator::GetWindowLongPtrW(Hwnd window, int index) {
  Window* w = s_->live(window);
  if (!w) return 0;
  switch (index) {
    case GWL_USERDATA:
      return w->userData;
    case DWL_MSGRESULT:
      return w->dwlMsgResult;
    case DWL_USER:
      return w->dwlUser;
    case kGwlStyle:
      return w->style;
    case kGwlExStyle:
      return w->exStyle;
    case kGwlId:
      return static_cast<std::intptr_t>(w->id);
    default:
      return 0;
  }
}

Hwnd Emulator::GetDlgItem(Hwnd dialog, int id) {
  Window* d = s_->live(dialog);
  if (!d) return nullptr;
  for (Window* c : d->children) {
    if (c->alive && c->id == static_cast<std::uintptr_t>(id)) return c->hwnd();
  }
  return nullptr;
}

// ---- Painting ----

int Emulator::InvalidateRect(Hwnd window, const Rect* rect, int erase) {
  State& s = *s_;
  if (!window) {
    for (Window* t : s.zOrder) s.invalidateAll(t, erase != 0);
    return 1;
  }
  Window* w = s.live(window);
  if (!w) return 0;
  if (rect) {
    PooledRegion one(s.regionPool);
    one.region.push_back(*rect);
    s.invalidate(w, one.region, erase != 0);
  } else {
    s.invalidateAll(w, erase != 0);
  }
  return 1;
}

Hdc Emulator::BeginPaint(Hwnd window, PaintStruct* paint) {
  State& s = *s_;
  Window* w = s.live(window);
  if (!w || !paint) return nullptr;
  ++s.paintCount;
  const Point o = s.clientOrigin(w);
  PooledRegion visiblePart(s.regionPool), scratch(s.regionPool), clipPart(s.regionPool);
  const Region& visible = visiblePart.region;
  s.visibleRegionInto(w, &visiblePart.region, &scratch.region);
  Region& clip = clipPart.region;
  for (const Rect& u : w->update) {
    const Rect onScreen = Offset(u, o.x, o.y);
    for (const Rect& v : visible) {
      const Rect i = Intersect(onScreen, v);
      if (!IsEmpty(i)) clip.push_back(i);
    }
  }
  const Rect bounds = Bounds(w->update);
  const bool erase = w->erasePending;
  w->update.clear();
  w->erasePending = false;
  Hdc dc = s.screenSurface(o, clip);
  *paint = PaintStruct{};
  paint->hdc = dc;
  paint->rcPaint = bounds;
  if (erase && dc) {
    paint->fErase = s.send(w, WM_ERASEBKGND, reinterpret_cast<Wparam>(dc), 0) == 0 ? 1 : 0;
  }
  return dc;
}

int Emulator::EndPaint(Hwnd, const PaintStruct* paint) {
  if (!paint || !paint->hdc) return 0;
  return s_->gdi.releaseWindowSurface(paint->hdc) ? 1 : 0;
}

Hdc Emulator::GetDC(Hwnd window) {
  State& s = *s_;
  if (!window) {
    return s.screenSurface(Point{0, 0}, Region{Rect{0, 0, s.screen.width, s.screen.height}});
  }
  Window* w = s.live(window);
  if (!w) return nullptr;
  PooledRegion visible(s.regionPool), scratch(s.regionPool);
  s.visibleRegionInto(w, &visible.region, &scratch.region);
  return s.screenSurface(s.clientOrigin(w), visible.region);
}

int Emulator::ReleaseDC(Hwnd, Hdc surface) { return s_->gdi.releaseWindowSurface(surface) ? 1 : 0; }

}  // namespace emu
