#include "platform/emu/window/window_front_end.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

#include "harness/platform_constants.h"
#include "harness/wide_text.h"
#include "platform/emu/font.h"
#include "platform/emu/gdi.h"
#include "platform/emu/window/handset_body.h"
#include "platform/emu/window/recorder.h"

namespace emu {

namespace {

using harness::Rgb;

constexpr std::uint32_t kStatusRefreshMs = 1000;  // the run time in the strip
constexpr int kMaxAutoScale = 3;
constexpr std::string_view kHarnessKey = "System\\State\\Corvane\\";

std::string Hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

// One input the front end hands the emulator at its next pump.
struct Action {
  enum class Kind { None, Down, Up, Tap } kind = Kind::None;
  std::uint32_t vk = 0;
  std::uint32_t scan = 0;
  int x = 0;
  int y = 0;
};

}  // namespace

struct WindowFrontEnd::State {
  WindowSetup setup;
  HandsetLayout layout;
  int scale = 1;
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* chromeTexture = nullptr;
  SDL_Texture* screenTexture = nullptr;
  Bitmap chrome;
  Gdi gdi{DefaultFontFile()};
  Recorder recorder;
  std::optional<ScriptInput> script;

  bool started = false;
  std::uint64_t realStart = 0;   // host ms at the first pump
  std::uint64_t virtualNow = 0;  // ms passed on the emulator's clock
  std::uint64_t lastInput = 0;   // virtualNow at the last input
  Action pending;
  bool closing = false;

  Rect dirty{};  // screen pixels changed since the last upload
  bool wholeScreen = true;
  bool chromeDirty = true;
  bool help = false;
  const HandsetButton* held = nullptr;  // pressed with the mouse
  std::string lastKey = "none";
  std::size_t writesSeen = 0;
  std::vector<std::pair<std::string, std::string>> flags;  // harness flag, last value

  explicit State(const WindowSetup& s)
      : setup(s),
        layout(LayoutHandset(s.screenWidth, s.screenHeight)),
        chrome(layout.width, layout.height),
        recorder(s.startTick) {
    if (setup.script && !setup.script->actions.empty()) {
      script.emplace(*setup.script);
      script->setRecorder(&recorder);
    }
  }
  ~State() {
    if (screenTexture) SDL_DestroyTexture(screenTexture);
    if (chromeTexture) SDL_DestroyTexture(chromeTexture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  std::uint64_t realElapsed() const { return SDL_GetTicks64() - realStart; }

  // ---- Drawing ----
  void text(harness::Hdc dc, const std::string& utf8, Rect r, harness::ColorRef color,
            std::uint32_t format) {
    const std::u16string wide = harness::Utf8ToUtf16(utf8);
    gdi.SetTextColor(dc, color);
    gdi.DrawTextW(dc, wide.c_str(), -1, &r, format);
  }
  void fill(harness::Hdc dc, Rect r, harness::ColorRef color) {
    harness::Hbrush brush = gdi.CreateSolidBrush(color);
    gdi.FillRect(dc, &r, brush);
    gdi.DeleteObject(brush);
  }

  void drawChrome(const Emulator& emulator) {
    harness::Hdc dc =
        gdi.createWindowSurface(&chrome, Point{0, 0}, {Rect{0, 0, chrome.width, chrome.height}});
    gdi.SetBkMode(dc, harness::TRANSPARENT);
    const std::uint32_t centred = harness::DT_CENTER | harness::DT_VCENTER | harness::DT_SINGLELINE;
    const std::uint32_t left = harness::DT_VCENTER | harness::DT_SINGLELINE;
    if (help) {
      drawHelp(dc);
      gdi.releaseWindowSurface(dc);
      return;
    }
    const HandsetLayout& l = layout;
    fill(dc, l.body, Rgb(0x30, 0x33, 0x38));
    fill(dc, Rect{l.screen.left - 3, l.screen.top - 3, l.screen.right + 3, l.screen.bottom + 3},
         Rgb(0, 0, 0));
    text(dc, setup.title, Rect{l.body.left, 6, l.body.right, l.screen.top - 6},
         Rgb(0xE0, 0xE0, 0xE0), centred);
    for (const HandsetButton& b : l.buttons) {
      fill(dc, b.rect, &b == held ? Rgb(0x50, 0x90, 0xE0) : Rgb(0xB8, 0xBC, 0xC4));
      text(dc, b.label, b.rect, Rgb(0x10, 0x10, 0x10), centred);
    }

    // The status strip.
    fill(dc, l.strip, Rgb(0x1C, 0x1E, 0x22));
    const harness::ColorRef ink = Rgb(0xE8, 0xE8, 0xE8);
    int y = 8;
    const auto line = [&](const std::string& s) {
      text(dc, s, Rect{l.strip.left + 8, y, l.strip.right - 4, y + 16}, ink, left);
      y += 17;
    };
    char time[32];
    std::snprintf(time, sizeof time, "%.0f s",
                  static_cast<double>(started ? realElapsed() : 0) / 1000.0);
    line("run time  " + std::string(time));
    line("tick  " + std::to_string(emulator.tick()));
    line("last key  " + lastKey);
    y += 6;
    line("harness flags");
    if (flags.empty()) line("  (none written yet)");
    for (const auto& [name, value] : flags) line("  " + name + " = " + value);
    y += 6;
    if (script && !script->done()) line("playing the key script");
    line("Tab: keymap help");
    gdi.releaseWindowSurface(dc);
  }

  void drawHelp(harness::Hdc dc) {
    fill(dc, Rect{0, 0, chrome.width, chrome.height}, Rgb(0x10, 0x18, 0x28));
    const std::uint32_t left = harness::DT_VCENTER | harness::DT_SINGLELINE;
    const harness::ColorRef ink = Rgb(0xF0, 0xF0, 0xF0);
    // Letters and digits that send their own code are said once, not listed.
    std::vector<const KeyBinding*> listed;
    for (const KeyBinding& b : setup.keymap->bindings) {
      const std::string& n = b.hostName;
      const bool itself = n.size() == 1 && std::isalnum(static_cast<unsigned char>(n[0])) &&
                          b.vk == static_cast<std::uint32_t>(std::toupper(n[0])) && b.scan == 0;
      if (!itself) listed.push_back(&b);
    }
    text(dc, "PC key: handset key code - letters and digits are themselves - Tab closes",
         Rect{8, 4, chrome.width - 8, 22}, ink, left);
    const int rows = std::max(1, (chrome.height - 30) / 14);
    const int columns = static_cast<int>((listed.size() + rows - 1) / rows);
    const int columnWidth = chrome.width / std::max(1, columns);
    for (std::size_t i = 0; i < listed.size(); ++i) {
      const KeyBinding& b = *listed[i];
      const int column = static_cast<int>(i) / rows;
      const int row = static_cast<int>(i) % rows;
      std::string entry = b.hostName + ": " + std::to_string(b.vk);
      if (b.scan != 0) entry += "/" + std::to_string(b.scan);
      if (!b.description.empty()) entry += " " + b.description;
      const int x = column * columnWidth + 8;
      text(dc, entry, Rect{x, 28 + row * 14, x + columnWidth - 4, 42 + row * 14}, ink, left);
    }
  }

  void updateFlags(const Emulator& emulator) {
    const auto& writes = emulator.record().registryWrites;
    for (; writesSeen < writes.size(); ++writesSeen) {
      const RegistryWrite& w = writes[writesSeen];
      const std::string key = harness::Utf16ToUtf8(w.key);
      const std::size_t at = key.find(kHarnessKey);
      if (at == std::string::npos) continue;
      const std::string name =
          key.substr(at + kHarnessKey.size()) + "\\" + harness::Utf16ToUtf8(w.name);
      const std::string value = std::holds_alternative<std::uint32_t>(w.value)
                                    ? std::to_string(std::get<std::uint32_t>(w.value))
                                    : harness::Utf16ToUtf8(std::get<std::u16string>(w.value));
      auto it =
          std::find_if(flags.begin(), flags.end(), [&](const auto& f) { return f.first == name; });
      if (it == flags.end()) {
        flags.emplace_back(name, value);
      } else {
        it->second = value;
      }
      chromeDirty = true;
    }
  }

  // Brings the window up to date with the emulator: the changed part of the screen, the strip.
  void present(const Emulator& emulator) {
    updateFlags(emulator);
    bool changed = false;
    const Bitmap& screen = emulator.screen();
    if (wholeScreen) dirty = Rect{0, 0, screen.width, screen.height};
    dirty = Intersect(dirty, Rect{0, 0, screen.width, screen.height});
    if (!IsEmpty(dirty)) {
      const SDL_Rect r{dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top};
      const std::size_t first =
          static_cast<std::size_t>(dirty.top) * static_cast<std::size_t>(screen.width) +
          static_cast<std::size_t>(dirty.left);
      SDL_UpdateTexture(screenTexture, &r, screen.pixels.data() + first,
                        screen.width * static_cast<int>(sizeof(harness::ColorRef)));
      changed = true;
    }
    dirty = Rect{};
    wholeScreen = false;
    if (chromeDirty) {
      drawChrome(emulator);
      SDL_UpdateTexture(chromeTexture, nullptr, chrome.pixels.data(),
                        chrome.width * static_cast<int>(sizeof(harness::ColorRef)));
      chromeDirty = false;
      changed = true;
    }
    if (!changed) return;
    SDL_RenderCopy(renderer, chromeTexture, nullptr, nullptr);
    if (!help) {
      const Rect& s = layout.screen;
      const SDL_Rect to{s.left * scale, s.top * scale, (s.right - s.left) * scale,
                        (s.bottom - s.top) * scale};
      SDL_RenderCopy(renderer, screenTexture, nullptr, &to);
    }
    SDL_RenderPresent(renderer);
  }

  // ---- Input ----
  Action translate(const SDL_Event& e) {
    Action a;
    switch (e.type) {
      case SDL_QUIT:
        closing = true;
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) closing = true;
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED) wholeScreen = chromeDirty = true;
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        const KeyBinding* b = setup.keymap->find(static_cast<std::int32_t>(e.key.keysym.sym));
        if (!b) {
          if (e.key.keysym.sym == SDLK_TAB && e.type == SDL_KEYDOWN && !e.key.repeat) {
            help = !help;
            wholeScreen = chromeDirty = true;
          }
          break;
        }
        // A held PC key repeats as the handset's repeated key-downs.
        a = Action{e.type == SDL_KEYDOWN ? Action::Kind::Down : Action::Kind::Up, b->vk, b->scan};
        break;
      }
      case SDL_MOUSEBUTTONDOWN: {
        if (e.button.button != SDL_BUTTON_LEFT || help) break;
        const Point p{e.button.x / scale, e.button.y / scale};
        const Rect& s = layout.screen;
        if (p.x >= s.left && p.x < s.right && p.y >= s.top && p.y < s.bottom) {
          a = Action{Action::Kind::Tap, 0, 0, p.x - s.left, p.y - s.top};
        } else if (const HandsetButton* b = layout.buttonAt(p)) {
          held = b;
          chromeDirty = true;
          a = Action{Action::Kind::Down, b->vk, b->scan};
        }
        break;
      }
      case SDL_MOUSEBUTTONUP:
        if (e.button.button == SDL_BUTTON_LEFT && held) {
          a = Action{Action::Kind::Up, held->vk, held->scan};
          held = nullptr;
          chromeDirty = true;
        }
        break;
      default:
        break;
    }
    return a;
  }

  void perform(Emulator& emulator, const Action& a) {
    switch (a.kind) {
      case Action::Kind::Down:
      case Action::Kind::Up: {
        const bool down = a.kind == Action::Kind::Down;
        if (down) {
          recorder.keyDown(emulator, a.vk, a.scan, 1);
        } else {
          recorder.keyUp(emulator, a.vk, a.scan, 1);
        }
        lastKey = std::string(down ? "down " : "up ") + Hex(a.vk, 4) + " scan " + Hex(a.scan, 2);
        chromeDirty = true;
        break;
      }
      case Action::Kind::Tap:
        recorder.tap(emulator, a.x, a.y);
        break;
      case Action::Kind::None:
        break;
    }
    lastInput = virtualNow;
  }

  void letPass(Emulator& emulator, std::uint32_t ms) {
    recorder.wait(emulator, ms);
    virtualNow += ms;
    if (script && script->pendingWait()) script->waited(ms);
  }
};

std::unique_ptr<WindowFrontEnd> WindowFrontEnd::Open(const WindowSetup& setup,
                                                     std::string* problem) {
  // Only a real display, unless SDL_VIDEODRIVER asks for another (the tests' dummy driver):
  // the library would otherwise fall back to drawing off-screen, a window nobody sees.
  SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11,wayland,KMSDRM", SDL_HINT_DEFAULT);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    *problem =
        std::string("no display to open a window on (") + SDL_GetError() + "); use --headless";
    return nullptr;
  }
  auto s = std::make_unique<State>(setup);
  const HandsetLayout& l = s->layout;
  int scale = setup.scale;
  if (scale == 0) {
    scale = 1;
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
      // Room for the desktop's own panels and the window's frame.
      for (int k = kMaxAutoScale; k > 1; --k) {
        if (l.width * k <= desktop.w - 32 && l.height * k <= desktop.h - 96) {
          scale = k;
          break;
        }
      }
    }
  }
  s->scale = scale;
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  // A click that brings the window to the front presses too: otherwise the first click on the
  // handset, or one just after the window took the focus, would be lost.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  s->window = SDL_CreateWindow(setup.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               l.width * scale, l.height * scale, 0);
  if (s->window) s->renderer = SDL_CreateRenderer(s->window, -1, 0);
  if (!s->renderer) {
    *problem =
        std::string("the window could not be opened (") + SDL_GetError() + "); use --headless";
    return nullptr;
  }
  s->chromeTexture = SDL_CreateTexture(s->renderer, SDL_PIXELFORMAT_XBGR8888,
                                       SDL_TEXTUREACCESS_STREAMING, l.width, l.height);
  s->screenTexture =
      SDL_CreateTexture(s->renderer, SDL_PIXELFORMAT_XBGR8888, SDL_TEXTUREACCESS_STREAMING,
                        setup.screenWidth, setup.screenHeight);
  if (!s->chromeTexture || !s->screenTexture) {
    *problem = std::string("the window could not be drawn (") + SDL_GetError() + ")";
    return nullptr;
  }
  return std::unique_ptr<WindowFrontEnd>(new WindowFrontEnd(std::move(s)));
}

WindowFrontEnd::WindowFrontEnd(std::unique_ptr<State> state) : s_(std::move(state)) {}
WindowFrontEnd::~WindowFrontEnd() = default;

const std::string* WindowFrontEnd::recording() const { return &s_->recorder.text(); }
int WindowFrontEnd::scale() const { return s_->scale; }
const std::string& WindowFrontEnd::error() const {
  static const std::string none;
  return s_->script ? s_->script->error() : none;
}

void WindowFrontEnd::screenChanged(const Rect& changed) {
  State& s = *s_;
  if (IsEmpty(s.dirty)) {
    s.dirty = changed;
  } else {
    s.dirty =
        Rect{std::min(s.dirty.left, changed.left), std::min(s.dirty.top, changed.top),
             std::max(s.dirty.right, changed.right), std::max(s.dirty.bottom, changed.bottom)};
  }
}

bool WindowFrontEnd::pump(Emulator& emulator, std::optional<std::uint32_t> dueInMs) {
  State& s = *s_;
  if (!s.started) {
    s.started = true;
    s.realStart = SDL_GetTicks64();
  }
  s.present(emulator);
  for (;;) {
    if (s.pending.kind != Action::Kind::None) {
      const Action a = s.pending;
      s.pending = Action{};
      s.perform(emulator, a);
      return true;
    }
    if (s.closing) throw RunStopped{};
    if (s.script && !s.script->done()) {
      const std::optional<std::uint32_t> wait = s.script->pendingWait();
      if (wait && *wait == 0) {
        s.script->waited(0);
        continue;
      }
      if (!wait) {
        s.script->pump(emulator, dueInMs);
        s.lastInput = s.virtualNow;
        s.chromeDirty = true;
        return true;
      }
    }

    // How long the emulator's clock may stand still: until the next timer, the rest of a
    // script's wait, the end of --until-ms.
    std::optional<std::uint64_t> budget;
    const auto limit = [&](std::uint64_t ms) { budget = budget ? std::min(*budget, ms) : ms; };
    if (dueInMs) limit(*dueInMs);
    if (s.script && s.script->pendingWait()) limit(*s.script->pendingWait());
    if (s.setup.untilMs && (!s.script || s.script->done())) {
      const std::uint64_t end = s.lastInput + *s.setup.untilMs;
      if (s.virtualNow >= end) throw RunStopped{};
      limit(end - s.virtualNow);
    }

    const std::uint64_t now = s.realElapsed();
    std::uint64_t timeout = kStatusRefreshMs;
    if (budget) {
      const std::uint64_t deadline = s.virtualNow + *budget;
      timeout = std::min<std::uint64_t>(timeout, deadline > now ? deadline - now : 0);
    }
    SDL_Event event;
    const bool got = timeout == 0 ? SDL_PollEvent(&event) != 0
                                  : SDL_WaitEventTimeout(&event, static_cast<int>(timeout)) != 0;
    if (got) s.pending = s.translate(event);

    // The host's time, read now: it passes on the emulator before an input is handed over or
    // when something falls due, never beyond what was due. Events that are no input (the
    // pointer moving, text, the window exposed) let no time pass.
    std::uint64_t elapsed = s.realElapsed();
    elapsed = elapsed > s.virtualNow ? elapsed - s.virtualNow : 0;
    const bool due = budget && elapsed >= *budget;
    if (budget) elapsed = std::min(elapsed, *budget);
    if (elapsed > 0 && (due || s.closing || s.pending.kind != Action::Kind::None)) {
      s.letPass(emulator, static_cast<std::uint32_t>(std::min<std::uint64_t>(elapsed, UINT32_MAX)));
      s.chromeDirty = true;
      return true;
    }
    if (!got) s.chromeDirty = true;  // the run time in the strip
    s.present(emulator);
  }
}

}  // namespace emu
