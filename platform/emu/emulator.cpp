// The emulated handset: running a program, the message queue with virtual time, input and
// hooks, timers, and the platform operations that are not window management (registry,
// resources, drawing, kernel objects, shell).
#include "platform/emu/emulator.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/emu/emulator_state.h"

#ifndef VANTOR_FONT_FILE
#define VANTOR_FONT_FILE "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
#endif

namespace emu {

using namespace harness;

namespace {

constexpr std::uintptr_t kProgramInstance = 0x00400000;
constexpr std::uintptr_t kCoreLibrary = 0x7C000000;
constexpr int kShellBarHeight = 26;
constexpr int kSipButtonWidth = 40;
constexpr std::u16string_view kActivityEvent = u"PowerManager/UserActivity_Active";
// Key events recorded without growing the record: far more than a full keyboard test takes.
constexpr std::size_t kKeyEventsReserved = 8192;

// The hook operations are plain functions found by name, so they reach the emulator that runs
// the program through this pointer.
Emulator* g_running = nullptr;

std::u16string Lower(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return out;
}

bool SameText(std::u16string_view a, std::u16string_view b) { return Lower(a) == Lower(b); }

ResourceId ToResourceId(const Wchar* name) {
  if (IsIntResource(name)) return IntResourceId(name);
  return std::u16string(name);
}

Lparam PackPoint(int x, int y) {
  return static_cast<Lparam>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(x)) |
                             (static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16));
}

class SteadyHostClock : public HostClock {
 public:
  std::uint64_t milliseconds() override {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
  }
  void sleepFor(std::uint32_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
};

HostClock* HostClockFor(const DeviceConfig& config) {
  static SteadyHostClock steady;
  if (config.clock != ClockMode::Host) return nullptr;
  return config.hostClock ? config.hostClock : &steady;
}

}  // namespace

// ---- Construction ----

Emulator::State::State(Emulator* owner, DeviceConfig c)
    : self(owner),
      config(std::move(c)),
      screen(config.screenWidth, config.screenHeight, 0),
      gdi(config.fontFile.empty() ? VANTOR_FONT_FILE : config.fontFile.c_str()),
      resources(config.resources),
      host(HostClockFor(config)),
      hostStart(host ? host->milliseconds() : 0) {}

Emulator::Emulator(DeviceConfig config) : s_(std::make_unique<State>(this, std::move(config))) {
  State& s = *s_;
  s.registry.setWriteObserver(
      [&s](const std::u16string& path, const std::u16string& name, const RegistryValue& value) {
        // Only the program's own writes count, not a profile merged before the run.
        if (s.recording()) s.record.registryWrites.push_back({s.tick(), path, name, value});
      });
  // Room for a long run's key events up front, so recording one does not allocate.
  s.record.keyEvents.reserve(kKeyEventsReserved);
  const int w = s.screen.width;
  const int h = s.screen.height;
  for (const ForeignWindow& f : s.config.foreignWindows) {
    Window* win = s.newWindow(WindowKind::Foreign, f.className, f.title, WS_POPUP, 0, nullptr,
                              nullptr, 0, Rect{0, 0, w, h});
    win->visible = true;
    s.active = win;
  }
  s.taskBar = s.newWindow(WindowKind::ShellBar, u"HHTaskBar", u"", WS_POPUP, WS_EX_TOPMOST, nullptr,
                          nullptr, 0, Rect{0, 0, w, kShellBarHeight});
  s.taskBar->visible = true;
  s.sipButton =
      s.newWindow(WindowKind::ShellBar, u"MS_SIPBUTTON", u"", WS_POPUP, WS_EX_TOPMOST, nullptr,
                  nullptr, 0, Rect{w - kSipButtonWidth, h - kShellBarHeight, w, h});
  s.sipButton->visible = true;
  s.fillDesktop(s.desktopVisible());
  for (Window* t : s.zOrder) s.drawInternal(t, s.visibleRegion(t));
}

Emulator::~Emulator() {
  if (g_running == this) g_running = nullptr;
}

// ---- Running a program ----

harness::Hinstance Emulator::programInstance() const {
  return reinterpret_cast<Hinstance>(kProgramInstance);
}

void Emulator::setInputSource(InputSource* source) {
  s_->source = source;
  s_->sourceExhausted = false;
  s_->idleEnd.reset();
}

void Emulator::setIdleLimit(std::uint32_t ms) { s_->idleLimit = ms; }

void Emulator::setDebugSink(std::function<void(std::u16string_view line)> sink) {
  s_->debugSink = std::move(sink);
}

RunResult Emulator::run(const std::function<int()>& entry) {
  State& s = *s_;
  g_running = this;
  SetPlatform(this);
  s.running = true;
  RunResult result;
  try {
    const int code = entry();
    result.exited = true;
    result.exitCode = code;
  } catch (const RunStopped&) {
    s.stopped = true;
  }
  s.running = false;
  result.endTick = s.tick();
  return result;
}

std::optional<std::uint32_t> Emulator::nextDue() const {
  const State& s = *s_;
  std::optional<std::uint64_t> due;
  // As when time passes: a timer already due but not retrievable now does not count.
  for (const Timer& t : s.timers) {
    if (t.due > s.now && (!due || t.due < *due)) due = t.due;
  }
  if (!due) return std::nullopt;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(*due - s.now, UINT32_MAX));
}

void Emulator::setScreenObserver(std::function<void(const Rect& changed)> observer) {
  s_->screenObserver = std::move(observer);
}

Hdc Emulator::State::screenSurface(Point origin, const Region& clip) {
  if (screenObserver && !clip.empty()) screenObserver(Bounds(clip));
  return gdi.createWindowSurface(&screen, origin, clip);
}

// ---- The queue ----

std::optional<Msg> Emulator::State::take(Hwnd filter, std::uint32_t min, std::uint32_t max,
                                         bool remove) {
  syncClock();
  Window* filterWindow = filter ? get(filter) : nullptr;
  auto matches = [&](Window* w, std::uint32_t message) {
    if ((min != 0 || max != 0) && (message < min || message > max)) return false;
    if (filter && (!w || !filterWindow || !isDescendant(w, filterWindow))) return false;
    return true;
  };
  const std::uint32_t time = tick();

  for (std::size_t i = 0; i < posted.size();) {
    const Msg& m = posted[i];
    Window* w = m.hwnd ? get(m.hwnd) : nullptr;
    if (m.hwnd && (!w || !w->alive)) {  // its window is gone
      posted.erase(i);
      continue;
    }
    if (matches(w, m.message)) {
      const Msg found = m;
      if (remove) posted.erase(i);
      return found;
    }
    ++i;
  }

  if (quitPending) {
    Msg m{nullptr, WM_QUIT, static_cast<Wparam>(quitCode), 0, time, lastPointer};
    if (remove) quitPending = false;
    return m;
  }

  for (std::size_t i = 0; i < input.size();) {
    const InputEvent* it = &input[i];
    Window* target = nullptr;
    Lparam lParam = it->lParam;
    if (it->key) {
      target = focus;
    } else {
      target = (it->message == WM_LBUTTONUP && capture && capture->alive) ? capture
                                                                          : windowAt(it->point);
      if (target && (target->internalDrawing() || (target->style & WS_DISABLED))) {
        target = nullptr;
      }
      if (target) {
        const Point o = clientOrigin(target);
        lParam = PackPoint(it->point.x - o.x, it->point.y - o.y);
      }
    }
    if (!target || !target->alive) {  // nobody to receive it
      if (it->key) threadKeyState[it->wParam & 0xFF] = it->message == WM_KEYDOWN;
      input.erase(i);
      continue;
    }
    if (!matches(target, it->message)) {
      ++i;
      continue;
    }
    Msg m{target->hwnd(), it->message, it->wParam, lParam, it->time, it->point};
    if (!it->key) lastPointer = it->point;
    if (remove) {
      if (it->key) threadKeyState[it->wParam & 0xFF] = it->message == WM_KEYDOWN;
      input.erase(i);
    }
    return m;
  }

  // WM_PAINT: parents before their children, top-most windows first.
  Window* paint = nullptr;
  std::vector<Window*>& walk = paintWalk;
  walk.assign(zOrder.begin(), zOrder.end());  // popped from the back: top-most first
  while (!walk.empty() && !paint) {
    Window* w = walk.back();
    walk.pop_back();
    if (!w->alive || !w->visible) continue;
    if (!w->update.empty() && matches(w, WM_PAINT)) {
      paint = w;
      break;
    }
    for (auto c = w->children.rbegin(); c != w->children.rend(); ++c) walk.push_back(*c);
  }
  if (paint) return Msg{paint->hwnd(), WM_PAINT, 0, 0, time, lastPointer};

  Timer* due = nullptr;
  for (Timer& t : timers) {
    if (t.due <= now && matches(t.window, WM_TIMER) && (!due || t.due < due->due)) due = &t;
  }
  if (due) {
    Msg m{due->window ? due->window->hwnd() : nullptr, WM_TIMER, due->id,
          reinterpret_cast<Lparam>(due->proc),         time,     lastPointer};
    // However often it fell due, one message; the next period starts now.
    if (remove) due->due = now + due->period;
    return m;
  }
  return std::nullopt;
}

void Emulator::State::syncClock() {
  if (host) now = std::max(now, host->milliseconds() - hostStart);
}

void Emulator::State::passTo(std::uint64_t until) {
  if (host) {
    for (syncClock(); now < until; syncClock()) {
      host->sleepFor(static_cast<std::uint32_t>(std::min<std::uint64_t>(until - now, 1000)));
    }
  }
  now = std::max(now, until);
}

void Emulator::State::advance() {
  if (stopped) throw RunStopped{};
  syncClock();
  std::optional<std::uint64_t> nextDue;
  for (const Timer& t : timers) {
    if (t.due > now && (!nextDue || t.due < *nextDue)) nextDue = t.due;
  }
  if (waitEnd) {
    if (nextDue && *nextDue <= *waitEnd) {
      passTo(*nextDue);
      return;
    }
    passTo(*waitEnd);
    waitEnd.reset();
    return;
  }
  if (source && !sourceExhausted) {
    bool more = false;
    try {
      more = source->next(*self);
    } catch (const RunStopped&) {
      stop();  // the source ended the run (a failed script line, say): the same moment frozen
      throw;
    }
    if (!more) sourceExhausted = true;
    return;
  }
  if (!idleEnd) idleEnd = now + idleLimit;
  if (nextDue && *nextDue <= *idleEnd) {
    passTo(*nextDue);
    return;
  }
  passTo(*idleEnd);
  stop();
  throw RunStopped{};
}

void Emulator::State::stop() {
  stopped = true;
  // What the handset shows now: unwinding the program destroys its windows afterwards.
  atStop = StopSnapshot{screen, self->foreground(), taskBar->visible, sipButton->visible};
}

int Emulator::GetMessageW(Msg* msg, Hwnd window, std::uint32_t filterMin, std::uint32_t filterMax) {
  State& s = *s_;
  for (;;) {
    if (s.stopped) throw RunStopped{};
    if (auto m = s.take(window, filterMin, filterMax, true)) {
      if (msg) *msg = *m;
      return m->message == WM_QUIT ? 0 : 1;
    }
    s.advance();
  }
}

int Emulator::PeekMessageW(Msg* msg, Hwnd window, std::uint32_t filterMin, std::uint32_t filterMax,
                           std::uint32_t removeFlags) {
  auto m = s_->take(window, filterMin, filterMax, (removeFlags & 1) != 0);
  if (!m) return 0;
  if (msg) *msg = *m;
  return 1;
}

int Emulator::TranslateMessage(const Msg*) { return 0; }

Lresult Emulator::DispatchMessageW(const Msg* msg) {
  State& s = *s_;
  if (!msg) return 0;
  Window* w = s.live(msg->hwnd);
  if (msg->message == WM_TIMER && msg->lParam != 0) {
    auto proc = reinterpret_cast<TimerProc>(msg->lParam);
    proc(msg->hwnd, WM_TIMER, msg->wParam, s.tick());
    return 0;
  }
  if (!w) return 0;
  if (msg->message == WM_PAINT) {
    const std::uint64_t paints = s.paintCount;
    const Lresult r = s.send(w, WM_PAINT, msg->wParam, msg->lParam);
    // A procedure that ignored the paint request would otherwise be asked again forever.
    if (w->alive && s.paintCount == paints) {
      w->update.clear();
      w->erasePending = false;
    }
    return r;
  }
  return s.send(w, msg->message, msg->wParam, msg->lParam);
}

int Emulator::TranslateAcceleratorW(Hwnd window, Haccel table, Msg* msg) {
  State& s = *s_;
  const auto index = reinterpret_cast<std::uintptr_t>(table);
  if (!msg || index == 0 || index > s.accelTables.size()) return 0;
  if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return 0;
  Window* target = s.live(window);
  if (!target) return 0;
  auto down = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    return s.threadKeyState[a] || s.threadKeyState[b] || s.threadKeyState[c];
  };
  const bool control = down(VK_CONTROL, 0xA2, 0xA3);
  const bool shift = down(VK_SHIFT, 0xA0, 0xA1);
  const bool alt = down(VK_MENU, 0xA4, 0xA5);
  for (const AcceleratorEntry& e : s.accelTables[index - 1]) {
    if ((e.flags & FVIRTKEY) == 0) continue;  // character accelerators need WM_CHAR
    if (e.key != msg->wParam) continue;
    if (((e.flags & FCONTROL) != 0) != control || ((e.flags & FSHIFT) != 0) != shift ||
        ((e.flags & FALT) != 0) != alt) {
      continue;
    }
    s.send(target, WM_COMMAND, MakeWparam(e.command, 1), 0);
    return 1;
  }
  return 0;
}

int Emulator::PostMessageW(Hwnd window, std::uint32_t message, Wparam wParam, Lparam lParam) {
  State& s = *s_;
  if (window && !s.live(window)) return 0;
  s.posted.push_back(Msg{window, message, wParam, lParam, s.tick(), s.lastPointer});
  return 1;
}

Lresult Emulator::SendMessageW(Hwnd window, std::uint32_t message, Wparam wParam, Lparam lParam) {
  return s_->send(s_->live(window), message, wParam, lParam);
}

void Emulator::PostQuitMessage(int exitCode) {
  s_->quitPending = true;
  s_->quitCode = exitCode;
}

std::uintptr_t Emulator::SetTimer(Hwnd window, std::uintptr_t id, std::uint32_t elapseMs,
                                  TimerProc proc) {
  State& s = *s_;
  s.syncClock();
  Window* w = nullptr;
  if (window) {
    w = s.live(window);
    if (!w) return 0;
  } else if (id == 0) {
    // Never an id still in use: counting the running timers would hand one out twice.
    id = s.nextTimerId++;
  }
  // A zero period would make the timer due again at once, forever.
  const std::uint32_t period = std::max<std::uint32_t>(elapseMs, 1);
  for (Timer& t : s.timers) {
    if (t.window == w && t.id == id) {
      t.period = period;
      t.due = s.now + period;
      t.proc = proc;
      return id == 0 ? 1 : id;
    }
  }
  s.timers.push_back(Timer{w, id, period, s.now + period, proc});
  return id == 0 ? 1 : id;
}

int Emulator::KillTimer(Hwnd window, std::uintptr_t id) {
  State& s = *s_;
  Window* w = window ? s.get(window) : nullptr;
  const auto before = s.timers.size();
  s.timers.erase(std::remove_if(s.timers.begin(), s.timers.end(),
                                [&](const Timer& t) { return t.window == w && t.id == id; }),
                 s.timers.end());
  return s.timers.size() != before ? 1 : 0;
}

// ---- Actions ----

namespace {

// Newest first, the hooks installed when the event came: one that an earlier hook of this round
// removed is skipped, one installed meanwhile waits for the next event. Handles grow with each
// installation, so the round walks down from the newest without copying the list.
Lresult CallHooks(const std::vector<Hook>& installed, Wparam message, KbdHookRecord* record) {
  std::uintptr_t below = UINTPTR_MAX;
  for (;;) {
    const Hook* next = nullptr;
    for (const Hook& h : installed) {
      if (h.handle < below && (!next || h.handle > next->handle)) next = &h;
    }
    if (!next) return 0;
    below = next->handle;
    const HookProc proc = next->proc;  // the list may change during the call
    if (proc(HC_ACTION, message, reinterpret_cast<Lparam>(record)) != 0) return 1;
  }
}

// Recorded before the hooks run, so that the record keeps delivery order even when a hook runs
// a nested message loop; whether a hook consumed the event is filled in after. Returns the
// entry's index, or SIZE_MAX when the run is not recording.
std::size_t RecordKeyEvent(Emulator::State& s, const KbdHookRecord& record, bool down) {
  if (!s.recording()) return SIZE_MAX;
  s.record.keyEvents.push_back({record.time, record.vkCode, record.scanCode, down, false});
  return s.record.keyEvents.size() - 1;
}

// Sends the event through the hooks and notes in its record whether one consumed it.
bool DeliverToHooks(Emulator::State& s, Wparam message, KbdHookRecord& record) {
  const std::size_t index = RecordKeyEvent(s, record, message == WM_KEYDOWN);
  const bool consumed = CallHooks(s.hooks, message, &record) != 0;
  if (consumed && index < s.record.keyEvents.size()) s.record.keyEvents[index].consumed = true;
  return consumed;
}

}  // namespace

void Emulator::keyDown(std::uint32_t vk, std::uint32_t scan, std::uint32_t repeat) {
  State& s = *s_;
  if (s.stopped) return;
  KbdHookRecord record{vk, scan, 0, s.tick(), 0};
  if (DeliverToHooks(s, WM_KEYDOWN, record)) return;
  const bool wasDown = s.keyDown[vk & 0xFF];
  s.keyDown[vk & 0xFF] = true;
  const std::uint32_t lParam =
      (repeat & 0xFFFF) | ((scan & 0xFF) << 16) | (wasDown ? (1u << 30) : 0u);
  s.input.push_back(InputEvent{true, WM_KEYDOWN, vk, static_cast<Lparam>(lParam), {}, s.tick()});
}

void Emulator::keyUp(std::uint32_t vk, std::uint32_t scan, std::uint32_t repeat) {
  State& s = *s_;
  if (s.stopped) return;
  KbdHookRecord record{vk, scan, LLKHF_UP, s.tick(), 0};
  if (DeliverToHooks(s, WM_KEYUP, record)) return;
  s.keyDown[vk & 0xFF] = false;
  const std::uint32_t lParam = (repeat & 0xFFFF) | ((scan & 0xFF) << 16) | (1u << 30) | (1u << 31);
  s.input.push_back(InputEvent{true, WM_KEYUP, vk, static_cast<Lparam>(lParam), {}, s.tick()});
}

void Emulator::wait(std::uint32_t ms) {
  State& s = *s_;
  s.syncClock();
  s.waitEnd = (s.waitEnd ? *s.waitEnd : s.now) + ms;
}

void Emulator::tap(int x, int y) {
  State& s = *s_;
  if (s.stopped) return;
  const Point p{x, y};
  s.input.push_back(InputEvent{false, WM_LBUTTONDOWN, 1, 0, p, s.tick()});
  s.input.push_back(InputEvent{false, WM_LBUTTONUP, 0, 0, p, s.tick()});
}

void Emulator::activateOther() {
  State& s = *s_;
  if (s.stopped) return;
  if (!s.otherApp || !s.otherApp->alive) {
    s.otherApp = s.newWindow(WindowKind::Foreign, u"OtherApp", u"Other", WS_POPUP, WS_EX_TOPMOST,
                             nullptr, nullptr, 0, Rect{0, 0, s.screen.width, s.screen.height});
  }
  s.otherApp->topmost = true;
  s.show(s.otherApp, false);
  s.raise(s.otherApp);
  s.setActive(s.otherApp);
}

void Emulator::repaintAll() {
  State& s = *s_;
  s.fillDesktop(s.desktopVisible());
  for (Window* t : s.zOrder) s.invalidateAll(t, true);
}

// ---- Observation ----

Registry& Emulator::registry() { return s_->registry; }
const DeviceRecord& Emulator::record() const { return s_->record; }
const Bitmap& Emulator::screen() const { return s_->atStop ? s_->atStop->screen : s_->screen; }
std::uint32_t Emulator::tick() const { return s_->tick(); }

std::optional<WindowInfo> Emulator::foreground() const {
  if (s_->atStop) return s_->atStop->foreground;
  const Window* a = s_->active;
  if (!a || !a->alive) return std::nullopt;
  return WindowInfo{a->className, a->title};
}

bool Emulator::taskBarVisible() const {
  return s_->atStop ? s_->atStop->taskBarVisible : s_->taskBar->visible;
}
bool Emulator::sipButtonVisible() const {
  return s_->atStop ? s_->atStop->sipButtonVisible : s_->sipButton->visible;
}
std::size_t Emulator::liveGdiObjects() const { return s_->gdi.liveObjectCount(); }
int Emulator::loadedLibraries() const { return s_->libraryRefs; }
std::optional<std::uint32_t> Emulator::lastFullScreenRequest() const {
  if (!s_->lastFullScreen) return std::nullopt;
  return s_->lastFullScreen->second;
}

// ---- Core library and hooks ----

namespace {

Hhook SetHookEntry(int idHook, HookProc proc, Hinstance, std::uint32_t) {
  if (!g_running) return nullptr;
  return g_running->installHook(idHook, proc);
}

int UnhookEntry(Hhook hook) {
  if (!g_running) return 0;
  return g_running->removeHook(hook);
}

}  // namespace

Hhook Emulator::installHook(int idHook, HookProc proc) {
  State& s = *s_;
  if (idHook != WH_KEYBOARD_LL || !proc || s.config.faults.hookRefused) return nullptr;
  const std::uintptr_t handle = s.nextHookHandle++;
  s.hooks.push_back(Hook{handle, proc});
  return reinterpret_cast<Hhook>(handle);
}

int Emulator::removeHook(Hhook hook) {
  State& s = *s_;
  const auto handle = reinterpret_cast<std::uintptr_t>(hook);
  const auto before = s.hooks.size();
  s.hooks.erase(std::remove_if(s.hooks.begin(), s.hooks.end(),
                               [&](const Hook& h) { return h.handle == handle; }),
                s.hooks.end());
  return s.hooks.size() != before ? 1 : 0;
}

std::size_t Emulator::installedHooks() const { return s_->hooks.size(); }

Hmodule Emulator::LoadLibraryW(const Wchar* name) {
  if (!name || !SameText(name, u"coredll.dll") || s_->config.faults.noCoreLibrary) return nullptr;
  // The hook entries find the emulator through this, also outside run().
  if (!g_running) g_running = this;
  ++s_->libraryRefs;
  return reinterpret_cast<Hmodule>(kCoreLibrary);
}

FarProc Emulator::GetProcAddressW(Hmodule module, const Wchar* procName) {
  if (reinterpret_cast<std::uintptr_t>(module) != kCoreLibrary || s_->libraryRefs == 0) {
    return nullptr;
  }
  if (!procName || IsIntResource(procName)) return nullptr;
  const std::u16string_view name(procName);
  if (s_->config.faults.noHookFunctions) return nullptr;  // the hook operations are all it has
  if (name == u"SetWindowsHookExW") {
    return reinterpret_cast<FarProc>(static_cast<SetWindowsHookExFn>(&SetHookEntry));
  }
  if (name == u"UnhookWindowsHookEx") {
    return reinterpret_cast<FarProc>(static_cast<UnhookWindowsHookExFn>(&UnhookEntry));
  }
  return nullptr;
}

int Emulator::FreeLibrary(Hmodule module) {
  if (reinterpret_cast<std::uintptr_t>(module) != kCoreLibrary || s_->libraryRefs == 0) return 0;
  --s_->libraryRefs;
  return 1;
}

// ---- Registry ----

namespace {

constexpr std::int32_t kErrorAccessDenied = 5;
constexpr std::int32_t kErrorInvalidHandle = 6;
constexpr std::int32_t kErrorNotReady = 21;

std::u16string JoinKey(const std::u16string& base, const Wchar* subKey) {
  std::u16string_view sub = subKey ? std::u16string_view(subKey) : std::u16string_view();
  while (!sub.empty() && sub.front() == u'\\') sub.remove_prefix(1);
  if (sub.empty()) return base;
  return base + u"\\" + std::u16string(sub);
}

}  // namespace

namespace {

std::optional<std::u16string> KeyBase(const Emulator::State& s, Hkey key) {
  const auto v = reinterpret_cast<std::uintptr_t>(key);
  if (v >= 0x80000000u && v <= 0x80000003u) {
    return Registry::RootName(static_cast<std::uint32_t>(v));
  }
  const auto it = s.openKeys.find(v);
  if (it == s.openKeys.end()) return std::nullopt;
  return it->second;
}

}  // namespace

std::int32_t Emulator::RegCreateKeyExW(Hkey root, const Wchar* subKey, std::uint32_t, const Wchar*,
                                       std::uint32_t, std::uint32_t, const void*, Hkey* result,
                                       std::uint32_t* disposition) {
  State& s = *s_;
  if (!result) return ERROR_INVALID_PARAMETER;
  const auto base = KeyBase(s, root);
  if (!base) return kErrorInvalidHandle;
  if (s.stopped) return kErrorNotReady;
  const std::u16string path = JoinKey(*base, subKey);
  const bool existed = s.registry.keyExists(path);
  // A registry that takes no writes still opens the keys it has, but creates none.
  if (!existed && s.config.faults.registryWritesFail) return kErrorAccessDenied;
  if (!existed && !s.registry.createKey(path)) return ERROR_INVALID_PARAMETER;
  const std::uintptr_t handle = s.nextKeyHandle++;
  s.openKeys[handle] = path;
  *result = reinterpret_cast<Hkey>(handle);
  if (disposition) *disposition = existed ? 2u : 1u;  // opened existing : created new
  return ERROR_SUCCESS;
}

std::int32_t Emulator::RegSetValueExW(Hkey key, const Wchar* valueName, std::uint32_t,
                                      std::uint32_t type, const std::uint8_t* data,
                                      std::uint32_t size) {
  State& s = *s_;
  const auto path = KeyBase(s, key);
  if (!path) return kErrorInvalidHandle;
  if (!data) return ERROR_INVALID_PARAMETER;
  if (s.stopped) return kErrorNotReady;
  if (s.config.faults.registryWritesFail) return kErrorAccessDenied;
  RegistryValue value;
  if (type == REG_DWORD) {
    if (size != 4) return ERROR_INVALID_PARAMETER;
    value = static_cast<std::uint32_t>(data[0] | (data[1] << 8) | (data[2] << 16)) |
            (static_cast<std::uint32_t>(data[3]) << 24);
  } else if (type == REG_SZ) {
    std::u16string text(size / 2, u'\0');
    std::memcpy(text.data(), data, (size / 2) * 2);
    const auto end = text.find(u'\0');
    if (end != std::u16string::npos) text.resize(end);
    value = std::move(text);
  } else {
    return ERROR_INVALID_PARAMETER;
  }
  if (!s.registry.set(*path, valueName ? valueName : u"", std::move(value))) {
    return ERROR_FILE_NOT_FOUND;
  }
  return ERROR_SUCCESS;
}

std::int32_t Emulator::RegCloseKey(Hkey key) {
  State& s = *s_;
  const auto v = reinterpret_cast<std::uintptr_t>(key);
  if (v >= 0x80000000u && v <= 0x80000003u) return ERROR_SUCCESS;
  return s.openKeys.erase(v) != 0 ? ERROR_SUCCESS : kErrorInvalidHandle;
}

std::int32_t Emulator::RegistryGetDWORD(Hkey root, const Wchar* subKey, const Wchar* valueName,
                                        std::uint32_t* data) {
  State& s = *s_;
  const auto base = KeyBase(s, root);
  if (!base || !data) return ERROR_INVALID_PARAMETER;
  const auto value = s.registry.get(JoinKey(*base, subKey), valueName ? valueName : u"");
  if (!value) return ERROR_FILE_NOT_FOUND;
  const auto* dword = std::get_if<std::uint32_t>(&*value);
  if (!dword) return ERROR_INVALID_PARAMETER;
  *data = *dword;
  return ERROR_SUCCESS;
}

std::int32_t Emulator::RegistryGetString(Hkey root, const Wchar* subKey, const Wchar* valueName,
                                         Wchar* buffer, std::uint32_t bufferLength) {
  State& s = *s_;
  const auto base = KeyBase(s, root);
  if (!base || !buffer || bufferLength == 0) return ERROR_INVALID_PARAMETER;
  const auto value = s.registry.get(JoinKey(*base, subKey), valueName ? valueName : u"");
  if (!value) return ERROR_FILE_NOT_FOUND;
  const auto* text = std::get_if<std::u16string>(&*value);
  if (!text) return ERROR_INVALID_PARAMETER;
  const std::size_t n = std::min<std::size_t>(text->size(), bufferLength - 1);
  std::copy_n(text->data(), n, buffer);
  buffer[n] = u'\0';
  return ERROR_SUCCESS;
}

std::int32_t Emulator::RegistrySetDWORD(Hkey root, const Wchar* subKey, const Wchar* valueName,
                                        std::uint32_t value) {
  State& s = *s_;
  const auto base = KeyBase(s, root);
  if (!base) return ERROR_INVALID_PARAMETER;
  if (s.stopped) return kErrorNotReady;
  if (s.config.faults.registryWritesFail) return kErrorAccessDenied;
  const std::u16string path = JoinKey(*base, subKey);
  // Like the handset's helper: it writes into an existing key only.
  if (!s.registry.keyExists(path)) return ERROR_FILE_NOT_FOUND;
  return s.registry.set(path, valueName ? valueName : u"", value) ? ERROR_SUCCESS
                                                                  : ERROR_FILE_NOT_FOUND;
}

// ---- Time, debug output, sound, processes, events ----

std::uint32_t Emulator::GetTickCount() { return s_->tick(); }

void Emulator::DebugOutput(const Wchar* text) {
  if (s_->stopped || !text || !s_->debugSink) return;
  s_->debugSink(std::u16string_view(text));
}

int Emulator::PlaySoundW(const Wchar*, Hmodule, std::uint32_t) {
  if (s_->stopped || s_->config.faults.noSound) return 0;
  ++s_->record.soundsPlayed;
  return 1;
}

int Emulator::CreateProcessW(const Wchar* image, Wchar* commandLine, const void*, const void*, int,
                             std::uint32_t, void*, const Wchar*, void*, void*) {
  if (s_->stopped) return 0;
  const Wchar* path = image ? image : commandLine;
  if (!path) return 0;
  s_->record.processesStarted.emplace_back(path);
  return 1;
}

Handle Emulator::CreateEventW(const void*, int, int, const Wchar* name) {
  State& s = *s_;
  const std::uintptr_t handle = s.nextEventHandle++;
  s.events[handle] = name ? std::u16string(name) : std::u16string();
  return reinterpret_cast<Handle>(handle);
}

int Emulator::EventModify(Handle event, std::uint32_t function) {
  State& s = *s_;
  const auto it = s.events.find(reinterpret_cast<std::uintptr_t>(event));
  if (it == s.events.end()) return 0;
  if (function == EVENT_PULSE && !s.stopped) {
    if (!it->second.empty()) ++s.eventPulses[it->second];
    if (it->second == kActivityEvent) ++s.record.activityPulses;
  }
  return 1;
}

int Emulator::CloseHandle(Handle object) {
  return s_->events.erase(reinterpret_cast<std::uintptr_t>(object)) != 0 ? 1 : 0;
}

// ---- Resources ----

namespace {

bool OwnInstance(Hinstance instance) {
  const auto v = reinterpret_cast<std::uintptr_t>(instance);
  return v == 0 || v == kProgramInstance;
}

}  // namespace

Hrsrc Emulator::FindResourceW(Hinstance instance, const Wchar* name, const Wchar* type) {
  State& s = *s_;
  if (!OwnInstance(instance) || !name || !type) return nullptr;
  const ResourceEntry* e = s.resources.find(ToResourceId(type), ToResourceId(name));
  if (!e) return nullptr;
  const auto index = static_cast<std::uintptr_t>(e - s.resources.entries().data());
  return reinterpret_cast<Hrsrc>(index + 1);
}

namespace {

const ResourceEntry* EntryOf(const ResourceFile& file, Hrsrc resource) {
  const auto v = reinterpret_cast<std::uintptr_t>(resource);
  if (v == 0 || v > file.entries().size()) return nullptr;
  return &file.entries()[v - 1];
}

}  // namespace

Hglobal Emulator::LoadResource(Hinstance instance, Hrsrc resource) {
  if (!OwnInstance(instance)) return nullptr;
  const ResourceEntry* e = EntryOf(s_->resources, resource);
  return e ? e->data.data() : nullptr;
}

std::uint32_t Emulator::SizeofResource(Hinstance instance, Hrsrc resource) {
  if (!OwnInstance(instance)) return 0;
  const ResourceEntry* e = EntryOf(s_->resources, resource);
  return e ? static_cast<std::uint32_t>(e->data.size()) : 0;
}

const void* Emulator::LockResource(Hglobal data) { return data; }

Haccel Emulator::LoadAcceleratorsW(Hinstance instance, const Wchar* name) {
  State& s = *s_;
  if (!OwnInstance(instance) || !name) return nullptr;
  const ResourceEntry* e = s.resources.find(RT_ACCELERATOR, ToResourceId(name));
  if (!e) return nullptr;
  s.accelTables.push_back(ParseAcceleratorTable(e->data));
  return reinterpret_cast<Haccel>(s.accelTables.size());
}

Hicon Emulator::LoadIconW(Hinstance instance, const Wchar* name) {
  State& s = *s_;
  if (!OwnInstance(instance) || !name) return nullptr;
  if (!s.resources.find(RT_GROUP_ICON, ToResourceId(name))) return nullptr;
  const std::uintptr_t handle = s.nextIconHandle++;
  s.icons[handle] = true;
  return reinterpret_cast<Hicon>(handle);
}

int Emulator::DestroyIcon(Hicon icon) {
  return s_->icons.erase(reinterpret_cast<std::uintptr_t>(icon)) != 0 ? 1 : 0;
}

Hbitmap Emulator::LoadBitmapW(Hinstance instance, const Wchar* name) {
  State& s = *s_;
  if (!OwnInstance(instance) || !name) return nullptr;
  const ResourceEntry* e = s.resources.find(RT_BITMAP, ToResourceId(name));
  if (!e) return nullptr;
  // A program may load the same image for every key it marks: decode it once.
  auto decoded = s.decodedBitmaps.find(e);
  if (decoded == s.decodedBitmaps.end()) {
    auto pixels = DecodeBitmapResource(e->data);
    if (!pixels) return nullptr;
    decoded = s.decodedBitmaps.emplace(e, std::move(*pixels)).first;
  }
  return s.gdi.copyBitmap(decoded->second);
}

// ---- Drawing ----

Hdc Emulator::CreateCompatibleDC(Hdc surface) { return s_->gdi.CreateCompatibleDC(surface); }
Hbitmap Emulator::CreateCompatibleBitmap(Hdc surface, int width, int height) {
  return s_->gdi.CreateCompatibleBitmap(surface, width, height);
}
Hgdiobj Emulator::SelectObject(Hdc surface, Hgdiobj object) {
  return s_->gdi.SelectObject(surface, object);
}
Hgdiobj Emulator::GetStockObject(int index) { return s_->gdi.GetStockObject(index); }
Hbrush Emulator::CreateSolidBrush(ColorRef color) { return s_->gdi.CreateSolidBrush(color); }
int Emulator::FillRect(Hdc surface, const Rect* rect, Hbrush brush) {
  return s_->gdi.FillRect(surface, rect, brush);
}
int Emulator::SetBkMode(Hdc surface, int mode) { return s_->gdi.SetBkMode(surface, mode); }
ColorRef Emulator::SetBkColor(Hdc surface, ColorRef color) {
  return s_->gdi.SetBkColor(surface, color);
}
ColorRef Emulator::SetTextColor(Hdc surface, ColorRef color) {
  return s_->gdi.SetTextColor(surface, color);
}
int Emulator::DrawTextW(Hdc surface, const Wchar* text, int length, Rect* rect,
                        std::uint32_t format) {
  return s_->gdi.DrawTextW(surface, text, length, rect, format);
}
int Emulator::BitBlt(Hdc dest, int x, int y, int width, int height, Hdc source, int sourceX,
                     int sourceY, std::uint32_t rop) {
  return s_->gdi.BitBlt(dest, x, y, width, height, source, sourceX, sourceY, rop);
}
int Emulator::DeleteDC(Hdc surface) { return s_->gdi.DeleteDC(surface); }
int Emulator::DeleteObject(Hgdiobj object) { return s_->gdi.DeleteObject(object); }
int Emulator::GetBitmapSize(Hbitmap bitmap, int* width, int* height) {
  return s_->gdi.GetBitmapSize(bitmap, width, height);
}

// ---- Shell ----

int Emulator::SHInitExtraControls() { return 1; }

int Emulator::SHInitDialog(const ShInitDlgInfo* info) {
  State& s = *s_;
  if (!info) return 0;
  Window* d = s.live(info->hDlg);
  if (!d) return 0;
  const std::uint32_t flags = (info->mask & SHIDIM_FLAGS) ? info->flags : 0;
  if ((flags & SHIDIF_FULLSCREENNOMENUBAR) == 0 && (!d->menuBar || !d->menuBar->alive)) {
    const int w = s.screen.width;
    const int h = s.screen.height;
    Window* bar = s.newWindow(WindowKind::MenuBar, u"menu_worker", u"", WS_POPUP, 0, nullptr,
                              s.topLevel(d), 0, Rect{0, h - kShellBarHeight, w, h});
    d->menuBar = bar;
    s.show(bar, false);
  }
  return 1;
}

int Emulator::SHFullScreen(Hwnd window, std::uint32_t state) {
  State& s = *s_;
  Window* w = s.live(window);
  if (!w) return 0;
  s.lastFullScreen = std::make_pair(w, state);
  if (state & SHFS_HIDETASKBAR) {
    s.hide(s.taskBar);
    s.taskBarHiddenBy = s.topLevel(w);
  }
  if (state & SHFS_SHOWTASKBAR) {
    s.show(s.taskBar, false);
    s.taskBarHiddenBy = nullptr;
  }
  if (state & SHFS_HIDESIPBUTTON) s.hide(s.sipButton);
  if (state & 0x0004) s.show(s.sipButton, false);  // show the input-panel button
  return 1;
}

Hwnd Emulator::SHFindMenuBar(Hwnd window) {
  Window* d = s_->live(window);
  if (!d || !d->menuBar || !d->menuBar->alive) return nullptr;
  return d->menuBar->hwnd();
}

int Emulator::ShowMenuBar(Hwnd menuBar, int show) {
  Window* bar = s_->live(menuBar);
  if (!bar || bar->kind != WindowKind::MenuBar) return 0;
  if (show) {
    s_->show(bar, false);
  } else {
    s_->hide(bar);
  }
  return 1;
}

void Emulator::ShellSwitch(std::uint32_t a, std::uint32_t b) {
  if (!s_->stopped) s_->record.shellSwitch = std::make_pair(a, b);
}

void Emulator::SystemSwitch(std::uint32_t on) {
  if (!s_->stopped) s_->record.systemSwitch = on;
}

int Emulator::RelayoutDialog(Hinstance, Hwnd, const Wchar*) { return 1; }

int Emulator::GetSystemMetrics(int index) {
  if (index == SM_CXSCREEN) return s_->screen.width;
  if (index == SM_CYSCREEN) return s_->screen.height;
  return 0;
}

}  // namespace emu
