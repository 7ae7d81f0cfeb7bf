// A small scripted handset for the line test's unit tests: one dialog window with a keyboard
// focus, a queue of posted messages, a low-level hook, a registry, counted drawing objects and
// message boxes with scripted answers. Steps (key presses, focus changes, checks) run whenever
// the program waits for a message and nothing is queued.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "harness/null_platform.h"
#include "harness/platform_constants.h"

namespace vantor1_test {

using harness::Hdc;
using harness::Hgdiobj;
using harness::Hwnd;
using harness::Lparam;
using harness::Lresult;
using harness::Msg;
using harness::Wparam;

template <class H>
H HandleOf(std::uintptr_t n) {
  return reinterpret_cast<H>(n);
}

inline std::string Narrow(const harness::Wchar* text) {
  std::string out;
  for (; text != nullptr && *text != 0; ++text) out += static_cast<char>(*text);
  return out;
}

struct Blit {
  Hdc dest;
  int x, y, width, height;
  int bitmapId;  // selected in the source surface; 0 when none
  friend bool operator==(const Blit&, const Blit&) = default;
};

struct BoxAnswer {
  int answer = harness::IDOK;
  bool otherWindowActivated = false;  // another program comes to the front while it is shown
};

class FakeHandset : public harness::NullPlatform {
 public:
  static inline FakeHandset* current = nullptr;
  const Hwnd dialog = HandleOf<Hwnd>(0x100);
  const Hwnd box = HandleOf<Hwnd>(0x101);
  const Hwnd other = HandleOf<Hwnd>(0x200);
  const Hdc screenSurface = HandleOf<Hdc>(0x300);

  std::vector<std::string> events;  // ordered record of what the program did
  std::deque<std::function<void()>> steps;
  std::deque<Msg> posted;
  std::deque<BoxAnswer> boxAnswers;
  std::map<std::string, std::uint32_t> registry;  // "Key\\Name" -> value
  std::vector<Blit> blits;
  int liveObjects = 0;
  bool failGetDc = false;
  bool hookAvailable = true;

  harness::DlgProc proc = nullptr;
  harness::HookProc hook = nullptr;
  bool alive = false;
  bool focused = false;
  bool boxShown = false;

  FakeHandset() { current = this; }
  ~FakeHandset() override {
    if (current == this) current = nullptr;
  }

  // ---- actions for steps ----
  void Key(std::uint32_t vk, std::uint32_t scan, bool up) {
    harness::KbdHookRecord record{vk, scan, up ? harness::LLKHF_UP : 0u, 0, 0};
    const std::uint32_t message = up ? harness::WM_KEYUP : harness::WM_KEYDOWN;
    if (hook != nullptr && hook(harness::HC_ACTION, message, reinterpret_cast<Lparam>(&record))) {
      return;
    }
    if (!up && focused) posted.push_back(Msg{dialog, message, vk, Lparam(scan << 16 | 1)});
  }
  void Press(std::uint32_t vk, std::uint32_t scan = 0) {
    steps.push_back([=, this] { Key(vk, scan, false); });
    steps.push_back([=, this] { Key(vk, scan, true); });
  }
  void ActivateOther() {
    if (!focused) return;
    focused = false;
    proc(dialog, harness::WM_KILLFOCUS, reinterpret_cast<Wparam>(other), 0);
  }
  void Repaint() {
    if (alive) proc(dialog, harness::WM_ERASEBKGND, reinterpret_cast<Wparam>(screenSurface), 0);
  }
  int CountEvents(const std::string& e) const {
    int n = 0;
    for (const auto& x : events) n += x == e;
    return n;
  }

  // ---- core library and hook ----
  static harness::Hhook SetHook(int type, harness::HookProc p, harness::Hinstance, std::uint32_t) {
    current->events.push_back("hook installed " + std::to_string(type));
    current->hook = p;
    return HandleOf<harness::Hhook>(0x77);
  }
  static int Unhook(harness::Hhook) {
    current->events.push_back("hook removed");
    current->hook = nullptr;
    return 1;
  }
  harness::Hmodule LoadLibraryW(const harness::Wchar* name) override {
    return hookAvailable && Narrow(name) == "coredll.dll" ? HandleOf<harness::Hmodule>(0x70)
                                                          : nullptr;
  }
  harness::FarProc GetProcAddressW(harness::Hmodule, const harness::Wchar* name) override {
    const std::string n = Narrow(name);
    if (n == "SetWindowsHookExW") return reinterpret_cast<harness::FarProc>(&SetHook);
    if (n == "UnhookWindowsHookEx") return reinterpret_cast<harness::FarProc>(&Unhook);
    return nullptr;
  }

  // ---- registry ----
  std::int32_t RegCreateKeyExW(harness::Hkey, const harness::Wchar* subKey, std::uint32_t,
                               const harness::Wchar*, std::uint32_t, std::uint32_t, const void*,
                               harness::Hkey* result, std::uint32_t*) override {
    openKeys_.push_back(Narrow(subKey));
    *result = HandleOf<harness::Hkey>(openKeys_.size());
    return 0;
  }
  std::int32_t RegSetValueExW(harness::Hkey key, const harness::Wchar* name, std::uint32_t,
                              std::uint32_t type, const std::uint8_t* data,
                              std::uint32_t size) override {
    if (type != harness::REG_DWORD || size != 4) return 87;
    const std::uint32_t v = data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t(data[3]) << 24;
    const std::string path =
        openKeys_[reinterpret_cast<std::uintptr_t>(key) - 1] + "\\" + Narrow(name);
    registry[path] = v;
    events.push_back("set " + path + "=" + std::to_string(v));
    return 0;
  }
  std::int32_t RegistryGetDWORD(harness::Hkey, const harness::Wchar* subKey,
                                const harness::Wchar* name, std::uint32_t* data) override {
    auto it = registry.find(Narrow(subKey) + "\\" + Narrow(name));
    if (it == registry.end()) return 2;
    *data = it->second;
    return 0;
  }
  int CreateProcessW(const harness::Wchar* image, harness::Wchar*, const void*, const void*, int,
                     std::uint32_t, void*, const harness::Wchar*, void*, void*) override {
    events.push_back("start " + Narrow(image));
    return 1;
  }

  // ---- shell ----
  int SHInitExtraControls() override { return events.push_back("SHInitExtraControls"), 1; }
  int SHFullScreen(Hwnd, std::uint32_t state) override {
    return events.push_back("SHFullScreen " + std::to_string(state)), 1;
  }
  void ShellSwitch(std::uint32_t a, std::uint32_t b) override {
    events.push_back("ShellSwitch " + std::to_string(a) + "," + std::to_string(b));
  }
  int GetSystemMetrics(int index) override { return index == harness::SM_CXSCREEN ? 320 : 240; }
  int RelayoutDialog(harness::Hinstance, Hwnd, const harness::Wchar* name) override {
    return events.push_back("relayout " + std::to_string(harness::IntResourceId(name))), 1;
  }

  // ---- dialog window ----
  harness::Hrsrc FindResourceW(harness::Hinstance, const harness::Wchar* name,
                               const harness::Wchar* type) override {
    return harness::IntResourceId(name) == 102 && harness::IntResourceId(type) == harness::RT_DIALOG
               ? HandleOf<harness::Hrsrc>(1)
               : nullptr;
  }
  harness::Hglobal LoadResource(harness::Hinstance, harness::Hrsrc) override { return &bytes_; }
  const void* LockResource(harness::Hglobal data) override { return data; }
  harness::Hicon LoadIconW(harness::Hinstance, const harness::Wchar* name) override {
    return HandleOf<harness::Hicon>(0x5000 + harness::IntResourceId(name));
  }
  Hwnd CreateDialogIndirectParamW(harness::Hinstance, const void*, Hwnd, harness::DlgProc p,
                                  Lparam param) override {
    proc = p;
    alive = true;
    if (proc(dialog, harness::WM_INITDIALOG, 0, param) != 0 && alive) focused = true;
    return alive ? dialog : nullptr;
  }
  int IsWindow(Hwnd w) override { return w == dialog && alive; }
  int IsWindowVisible(Hwnd w) override { return IsWindow(w); }
  Hwnd GetFocus() override { return boxShown ? box : focused ? dialog : nullptr; }
  int GetMessageW(Msg* msg, Hwnd, std::uint32_t, std::uint32_t) override {
    while (posted.empty() && !steps.empty()) {
      auto step = std::move(steps.front());
      steps.pop_front();
      step();
    }
    if (posted.empty()) {
      *msg = Msg{nullptr, harness::WM_QUIT, 0, 0};
      return 0;
    }
    *msg = posted.front();
    posted.pop_front();
    return 1;
  }
  Lresult DispatchMessageW(const Msg* m) override {
    return alive && m->hwnd == dialog ? proc(dialog, m->message, m->wParam, m->lParam) : 0;
  }
  int IsDialogMessageW(Hwnd, Msg* m) override {
    if (m->message != harness::WM_KEYDOWN) return 0;
    if (m->wParam == harness::VK_ESCAPE || m->wParam == harness::VK_RETURN) {
      proc(dialog, harness::WM_COMMAND,
           m->wParam == harness::VK_ESCAPE ? harness::IDCANCEL : harness::IDOK, 0);
      return 1;
    }
    return m->wParam == harness::VK_TAB ||
           (m->wParam >= harness::VK_LEFT && m->wParam <= harness::VK_DOWN);
  }
  int PostMessageW(Hwnd w, std::uint32_t message, Wparam wp, Lparam lp) override {
    if (!IsWindow(w)) return 0;
    if (message == harness::WM_TIMER) events.push_back("check posted");
    posted.push_back(Msg{w, message, wp, lp});
    return 1;
  }
  Lresult SendMessageW(Hwnd w, std::uint32_t message, Wparam wp, Lparam lp) override {
    if (message == harness::WM_SETICON) {
      events.push_back("icon " + std::to_string(wp) + " " + std::to_string(lp - 0x5000));
    }
    return IsWindow(w) ? proc(w, message, wp, lp) : 0;
  }
  int EndDialog(Hwnd, std::intptr_t result) override {
    events.push_back("EndDialog " + std::to_string(result));
    if (focused) {  // hiding the dialog takes the focus away from it
      focused = false;
      proc(dialog, harness::WM_KILLFOCUS, 0, 0);
    }
    return 1;
  }
  int DestroyWindow(Hwnd w) override {
    if (!IsWindow(w)) return 0;
    events.push_back("DestroyWindow");
    if (focused) {
      focused = false;
      proc(dialog, harness::WM_KILLFOCUS, 0, 0);
    }
    proc(dialog, harness::WM_DESTROY, 0, 0);
    alive = false;
    return 1;
  }
  int SetWindowTextW(Hwnd, const harness::Wchar* text) override {
    return events.push_back("title " + Narrow(text)), 1;
  }
  int MoveWindow(Hwnd, int x, int y, int w, int h, int repaint) override {
    events.push_back("move " + std::to_string(x) + "," + std::to_string(y) + " " +
                     std::to_string(w) + "x" + std::to_string(h) + " " + std::to_string(repaint));
    proc(dialog, harness::WM_SIZE, 0, Lparam(h) << 16 | w);
    return 1;
  }
  Lresult DefDlgProcW(Hwnd, std::uint32_t message, Wparam, Lparam) override {
    if (message == harness::WM_KEYDOWN) events.push_back("default keydown");
    return 0;
  }
  int MessageBoxW(Hwnd owner, const harness::Wchar* text, const harness::Wchar* caption,
                  std::uint32_t type) override {
    events.push_back("box " + Narrow(caption) + ": " + Narrow(text) + " type " +
                     std::to_string(type) + (owner == dialog ? " owned" : " unowned"));
    const BoxAnswer a = boxAnswers.empty() ? BoxAnswer{} : boxAnswers.front();
    if (!boxAnswers.empty()) boxAnswers.pop_front();
    const bool hadFocus = focused;
    boxShown = true;
    if (focused) {  // the box takes the keyboard focus from its owner
      focused = false;
      proc(dialog, harness::WM_KILLFOCUS, reinterpret_cast<Wparam>(box), 0);
    }
    // The box's own loop dispatches what is queued meanwhile.
    while (!posted.empty() && alive) {
      Msg m = posted.front();
      posted.pop_front();
      DispatchMessageW(&m);
    }
    boxShown = false;
    if (hadFocus && !a.otherWindowActivated && alive) focused = true;  // back to the owner
    events.push_back("box answered " + std::to_string(a.answer));
    return alive ? a.answer : 0;
  }

  // ---- drawing ----
  Hdc GetDC(Hwnd) override {
    if (failGetDc) return nullptr;
    ++liveObjects;
    return HandleOf<Hdc>(0x400);
  }
  int ReleaseDC(Hwnd, Hdc) override { return --liveObjects, 1; }
  Hdc CreateCompatibleDC(Hdc) override {
    ++liveObjects;
    memorySelection_ = 0;
    return HandleOf<Hdc>(0x500);
  }
  int DeleteDC(Hdc) override { return --liveObjects, 1; }
  harness::Hbitmap LoadBitmapW(harness::Hinstance, const harness::Wchar* name) override {
    ++liveObjects;
    return HandleOf<harness::Hbitmap>(0x10000 + harness::IntResourceId(name));
  }
  int DeleteObject(Hgdiobj) override { return --liveObjects, 1; }
  Hgdiobj SelectObject(Hdc, Hgdiobj object) override {
    const std::uintptr_t previous = memorySelection_ ? 0x10000 + memorySelection_ : 0x999;
    const auto id = reinterpret_cast<std::uintptr_t>(object);
    memorySelection_ = id >= 0x10000 ? static_cast<int>(id - 0x10000) : 0;
    return HandleOf<Hgdiobj>(previous);
  }
  int BitBlt(Hdc dest, int x, int y, int w, int h, Hdc, int, int, std::uint32_t rop) override {
    if (rop == harness::SRCCOPY) blits.push_back(Blit{dest, x, y, w, h, memorySelection_});
    return 1;
  }

 private:
  std::vector<std::string> openKeys_;
  int memorySelection_ = 0;
  int bytes_ = 0;
};

}  // namespace vantor1_test
