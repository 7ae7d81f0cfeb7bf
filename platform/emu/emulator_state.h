// The emulator's inner state, shared by its implementation files (not part of the public API).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "harness/platform_constants.h"
#include "platform/emu/emulator.h"
#include "platform/emu/gdi.h"
#include "platform/emu/message_queue.h"
#include "platform/emu/pixels.h"
#include "platform/emu/registry.h"
#include "platform/emu/resources.h"

namespace emu {

using harness::Hwnd;
using harness::Lparam;
using harness::Lresult;
using harness::Msg;
using harness::Wchar;
using harness::Wparam;

// A region: a list of rectangles (they may overlap only where a caller allows it).
using Region = std::vector<Rect>;
Region Subtract(const Region& region, const Rect& cut);
void SubtractInto(const Region& region, const Rect& cut, Region* out);  // out: cleared first
Region SubtractRegion(const Region& region, const Region& cut);
Region IntersectRegion(const Region& region, const Rect& with);
void IntersectRegionInto(const Region& region, const Rect& with, Region* out);
Rect Bounds(const Region& region);

// A working region whose storage is borrowed from a pool and given back, so that region
// arithmetic on the key path allocates nothing once the pool is warm; nested users each borrow
// their own. The pool's capacity is fixed when it is made.
struct PooledRegion {
  explicit PooledRegion(std::vector<Region>& from) : pool(from) {
    if (!pool.empty()) {
      region = std::move(pool.back());
      pool.pop_back();
      region.clear();
    }
  }
  ~PooledRegion() {
    if (pool.size() < pool.capacity()) pool.push_back(std::move(region));
  }
  PooledRegion(const PooledRegion&) = delete;
  PooledRegion& operator=(const PooledRegion&) = delete;
  std::vector<Region>& pool;
  Region region;
};

enum class WindowKind {
  Program,     // created by the program from a built-in class with no drawing of its own
  Dialog,      // class "Dialog", procedure = DlgProc
  Button,      // built-in "button"
  Static,      // built-in "static"
  MessageBox,  // the emulator's modal box
  Foreign,     // another program's top-level window (no procedure here)
  ShellBar,    // task bar, input-panel button
  MenuBar,     // a dialog's menu bar (SHInitDialog)
};

struct Window {
  std::uintptr_t handle = 0;
  WindowKind kind = WindowKind::Program;
  std::u16string className;
  std::u16string title;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  Window* parent = nullptr;  // children only
  Window* owner = nullptr;   // top-levels only
  std::uintptr_t id = 0;
  Rect rect{};  // screen coordinates for top-levels, parent client coordinates for children
  bool visible = false;
  bool topmost = false;
  bool alive = true;
  bool destroying = false;
  harness::WndProc wndProc = nullptr;
  harness::DlgProc dlgProc = nullptr;
  int dlgProcDepth = 0;  // > 0 while the dialog procedure runs
  std::intptr_t userData = 0;
  std::intptr_t dwlUser = 0;
  std::intptr_t dwlMsgResult = 0;
  std::vector<Window*> children;  // creation order; later ones lie on top
  Region update;                  // client coordinates
  bool erasePending = false;
  Window* savedFocus = nullptr;  // focus to restore when a dialog is activated again
  // Dialogs.
  bool dialogEnded = false;
  std::intptr_t dialogResult = 0;
  Window* menuBar = nullptr;
  // Buttons.
  bool pressed = false;
  // Message boxes.
  std::optional<int> boxAnswer;
  bool boxHasOk = true;
  std::u16string boxText;

  Hwnd hwnd() const { return reinterpret_cast<Hwnd>(handle); }
  bool isChild() const { return parent != nullptr; }
  bool internalDrawing() const {
    return kind == WindowKind::Foreign || kind == WindowKind::ShellBar ||
           kind == WindowKind::MenuBar;
  }
};

struct Timer {
  Window* window = nullptr;
  std::uintptr_t id = 0;
  std::uint32_t period = 0;
  std::uint64_t due = 0;
  harness::TimerProc proc = nullptr;
};

struct InputEvent {
  bool key = false;
  std::uint32_t message = 0;
  Wparam wParam = 0;
  Lparam lParam = 0;
  Point point{};  // pointer events, screen coordinates
  std::uint32_t time = 0;
};

struct Hook {
  std::uintptr_t handle = 0;
  harness::HookProc proc = nullptr;
};

// The screen and shell as they were when the run was stopped.
struct StopSnapshot {
  Bitmap screen;
  std::optional<WindowInfo> foreground;
  bool taskBarVisible = false;
  bool sipButtonVisible = false;
};

struct Emulator::State {
  State(Emulator* owner, DeviceConfig c);

  Emulator* self;
  DeviceConfig config;
  Bitmap screen;
  Gdi gdi;
  Registry registry;
  ResourceFile resources;
  DeviceRecord record;

  // Run control.
  InputSource* source = nullptr;
  bool sourceExhausted = false;
  std::uint32_t idleLimit = 5000;
  std::optional<std::uint64_t> idleEnd;
  std::optional<std::uint64_t> waitEnd;
  std::uint64_t now = 0;        // ms since start
  HostClock* host = nullptr;    // set in ClockMode::Host
  std::uint64_t hostStart = 0;  // its reading at start
  bool running = false;
  bool stopped = false;
  std::optional<StopSnapshot> atStop;  // taken by stop()
  std::function<void(std::u16string_view)> debugSink;
  std::function<void(const Rect&)> screenObserver;

  // Windows.
  std::map<std::uintptr_t, std::unique_ptr<Window>> windows;
  std::uintptr_t nextWindowHandle = 0x10000;
  std::vector<Window*> zOrder;  // top-levels, bottom first
  Window* active = nullptr;
  Window* focus = nullptr;
  Window* capture = nullptr;
  std::uint64_t activationSerial = 0;
  std::uint64_t focusSerial = 0;
  Window* taskBar = nullptr;
  Window* sipButton = nullptr;
  Window* otherApp = nullptr;
  std::optional<std::pair<Window*, std::uint32_t>> lastFullScreen;
  // The top-level window whose full-screen request hid the task bar; its end shows it again.
  Window* taskBarHiddenBy = nullptr;
  std::vector<Window*> boxes;  // message boxes being shown, innermost last

  // Queue.
  Fifo<Msg> posted;
  Fifo<InputEvent> input;
  bool quitPending = false;
  int quitCode = 0;
  std::vector<Timer> timers;            // creation order
  std::uintptr_t nextTimerId = 0x7000;  // ids of timers without a window
  Point lastPointer{};
  std::vector<Window*> paintWalk;  // take()'s search for a window to paint, kept for its storage

  // Keyboard.
  std::array<bool, 256> keyDown{};         // as the key events happened (previous-state bit)
  std::array<bool, 256> threadKeyState{};  // as of the key messages retrieved (accelerators)
  std::vector<Hook> hooks;                 // installation order
  std::uintptr_t nextHookHandle = 0x100;
  int libraryRefs = 0;

  // Resources, registry keys, events, icons, accelerators.
  std::vector<std::vector<AcceleratorEntry>> accelTables;
  std::map<std::uintptr_t, std::u16string> openKeys;
  std::uintptr_t nextKeyHandle = 0x1000;
  std::map<std::uintptr_t, std::u16string> events;  // handle -> name ("" unnamed)
  std::map<std::u16string, int> eventPulses;
  std::uintptr_t nextEventHandle = 0x100;
  std::map<std::uintptr_t, bool> icons;
  std::map<const ResourceEntry*, Bitmap> decodedBitmaps;  // each bitmap resource decoded once
  std::uintptr_t nextIconHandle = 0x100;
  std::uint64_t paintCount = 0;  // BeginPaint calls, to notice a paint request left unanswered
  std::vector<Region> regionPool = std::vector<Region>(16);  // for PooledRegion

  // ---- helpers (emulator_windows.cpp) ----
  Window* get(Hwnd h) const;
  Window* live(Hwnd h) const;  // alive windows only
  Window* topLevel(Window* w) const;
  bool isDescendant(const Window* w, const Window* ancestor) const;
  Point clientOrigin(const Window* w) const;  // screen position of the client area's top-left
  Rect screenRect(const Window* w) const;
  bool effectivelyVisible(const Window* w) const;
  Region visibleRegion(const Window* w) const;  // screen coordinates
  void visibleRegionInto(const Window* w, Region* out, Region* scratch) const;
  std::map<Window*, Region> topLevelVisibility() const;
  Region desktopVisible() const;
  void exposeAfter(const std::map<Window*, Region>& before, const Region& desktopBefore,
                   Window* skip);
  void invalidate(Window* w, const Region& clientRects, bool erase);
  void invalidateAll(Window* w, bool erase);
  void drawInternal(Window* w, const Region& screenRects);
  void fillDesktop(const Region& screenRects);
  Window* windowAt(Point p) const;
  void bringToTop(Window* w);
  void raise(Window* w);  // bringToTop, invalidating what it uncovers
  bool activatable(const Window* w) const;
  Window* newWindow(WindowKind kind, std::u16string className, std::u16string title,
                    std::uint32_t style, std::uint32_t exStyle, Window* parent, Window* owner,
                    std::uintptr_t id, Rect rect);

  // Messages to window procedures (built-in classes included).
  Lresult send(Window* w, std::uint32_t message, Wparam wParam, Lparam lParam);
  Lresult dialogProc(Window* w, std::uint32_t message, Wparam wParam, Lparam lParam);
  Lresult dialogDefault(Window* w, std::uint32_t message, Wparam wParam, Lparam lParam);
  Lresult buttonProc(Window* w, std::uint32_t message, Wparam wParam, Lparam lParam);
  Lresult staticProc(Window* w, std::uint32_t message, Wparam wParam, Lparam lParam);
  Lresult boxProc(Window* w, std::uint32_t message, Wparam wParam, Lparam lParam);

  // Focus, activation, visibility, destruction.
  void setFocus(Window* w);
  void setActive(Window* w);
  void activateNext(Window* leaving);
  void show(Window* w, bool activate);
  void hide(Window* w);
  bool destroy(Window* w);
  void markDead(Window* w);

  // Queue (emulator.cpp).
  std::optional<Msg> take(Hwnd filter, std::uint32_t min, std::uint32_t max, bool remove);
  void advance();                    // nothing to retrieve: run the input source or let time pass
  void stop();                       // the idle limit has passed: freeze what the run shows
  void syncClock();                  // host clock: now catches up with real time
  void passTo(std::uint64_t until);  // time passes up to until (host clock: sleeping)
  // A surface drawing onto the screen; the observer learns which part may change.
  harness::Hdc screenSurface(Point origin, const Region& clip);
  bool recording() const { return running && !stopped; }
  std::uint32_t tick() const {
    if (host) return static_cast<std::uint32_t>(host->milliseconds());
    return config.startTick + static_cast<std::uint32_t>(now);
  }
};

}  // namespace emu
