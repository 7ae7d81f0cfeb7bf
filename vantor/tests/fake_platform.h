// A recording platform for Vantor's unit tests: every call that matters is appended to `calls`
// as one readable line, so tests can compare orders of steps as tables; ticks are set by the test.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "harness/null_platform.h"
#include "harness/platform_constants.h"
#include "harness/wide_text.h"

namespace vantor::testing {

template <typename T>
T handleOf(std::uintptr_t value) {
  return reinterpret_cast<T>(value);
}
inline std::uintptr_t valueOf(const void* handle) {
  return reinterpret_cast<std::uintptr_t>(handle);
}

inline std::string narrow(const harness::Wchar* text) {
  if (text == nullptr) return "(null)";
  if (harness::IsIntResource(text)) return "#" + std::to_string(harness::IntResourceId(text));
  return harness::Utf16ToUtf8(text);
}

class FakePlatform : public harness::NullPlatform {
 public:
  FakePlatform();
  ~FakePlatform() override;

  // ---- Set by tests ----
  std::uint32_t tick = 100000;
  // Added to tick after every reading, for a clock that moves while a handler runs.
  std::uint32_t tickStep = 0;
  int screenWidth = 320;
  int screenHeight = 320;
  harness::Rect clientRect{0, 0, 320, 320};
  // Top-level windows FindWindowW knows, by class (and title when not empty).
  struct KnownWindow {
    std::string className;
    std::string title;
    harness::Hwnd handle;
  };
  std::vector<KnownWindow> windows;
  harness::Hwnd menuBar = nullptr;
  // Registry: key path -> (value name -> value). A key exists when it is in the map.
  std::map<std::string, std::map<std::string, std::uint32_t>> dwords;
  std::map<std::string, std::map<std::string, std::u16string>> strings;
  bool hookLibraryAvailable = true;

  // ---- Recorded ----
  std::vector<std::string> calls;
  std::vector<std::u16string> debugLines;
  int soundsPlayed = 0;
  std::vector<harness::Hgdiobj> liveObjects;  // brushes and bitmaps created and not deleted
  std::vector<harness::Hdc> liveSurfaces;     // memory surfaces not deleted
  std::vector<harness::ColorRef> brushColours;
  std::set<harness::Hgdiobj> selected;  // objects selected into a memory surface now

  // How a handle appears in `calls` (otherwise as a hex number).
  void nameWindow(harness::Hwnd window, const std::string& name) { names_[valueOf(window)] = name; }
  // Calls whose line starts with prefix, in order.
  std::vector<std::string> callsStartingWith(const std::string& prefix) const;

  // ---- harness::Platform ----
  harness::Hmodule LoadLibraryW(const harness::Wchar* name) override;
  harness::FarProc GetProcAddressW(harness::Hmodule module, const harness::Wchar* name) override;
  int FreeLibrary(harness::Hmodule module) override;
  std::int32_t RegCreateKeyExW(harness::Hkey root, const harness::Wchar* subKey, std::uint32_t,
                               const harness::Wchar*, std::uint32_t, std::uint32_t sam, const void*,
                               harness::Hkey* result, std::uint32_t*) override;
  std::int32_t RegSetValueExW(harness::Hkey key, const harness::Wchar* valueName, std::uint32_t,
                              std::uint32_t type, const std::uint8_t* data,
                              std::uint32_t size) override;
  std::int32_t RegCloseKey(harness::Hkey key) override;
  std::int32_t RegistryGetDWORD(harness::Hkey, const harness::Wchar* subKey,
                                const harness::Wchar* valueName, std::uint32_t* data) override;
  std::int32_t RegistryGetString(harness::Hkey, const harness::Wchar* subKey,
                                 const harness::Wchar* valueName, harness::Wchar* buffer,
                                 std::uint32_t length) override;
  std::int32_t RegistrySetDWORD(harness::Hkey, const harness::Wchar* subKey,
                                const harness::Wchar* valueName, std::uint32_t value) override;
  std::uint32_t GetTickCount() override {
    const std::uint32_t now = tick;
    tick += tickStep;
    return now;
  }
  void DebugOutput(const harness::Wchar* text) override { debugLines.emplace_back(text); }
  int PlaySoundW(const harness::Wchar* sound, harness::Hmodule, std::uint32_t flags) override;
  harness::Handle CreateEventW(const void*, int manualReset, int initialState,
                               const harness::Wchar* name) override;
  int EventModify(harness::Handle event, std::uint32_t function) override;
  int CloseHandle(harness::Handle object) override;
  harness::Hwnd CreateWindowExW(std::uint32_t exStyle, const harness::Wchar* className,
                                const harness::Wchar* windowName, std::uint32_t style, int x, int y,
                                int width, int height, harness::Hwnd parent, std::uintptr_t id,
                                harness::Hinstance, void*) override;
  int EndDialog(harness::Hwnd dialog, std::intptr_t result) override;
  int ShowWindow(harness::Hwnd window, int command) override;
  int UpdateWindow(harness::Hwnd window) override;
  int DestroyWindow(harness::Hwnd window) override;
  harness::Lresult DefWindowProcW(harness::Hwnd, std::uint32_t message, harness::Wparam,
                                  harness::Lparam) override;
  harness::Hwnd SetFocus(harness::Hwnd window) override;
  harness::Hwnd FindWindowW(const harness::Wchar* className,
                            const harness::Wchar* windowName) override;
  int SetForegroundWindow(harness::Hwnd window) override;
  int MoveWindow(harness::Hwnd window, int x, int y, int width, int height, int repaint) override;
  int SetWindowPos(harness::Hwnd window, harness::Hwnd insertAfter, int x, int y, int cx, int cy,
                   std::uint32_t flags) override;
  int GetClientRect(harness::Hwnd, harness::Rect* rect) override;
  int GetSystemMetrics(int index) override;
  int PostMessageW(harness::Hwnd window, std::uint32_t message, harness::Wparam wParam,
                   harness::Lparam lParam) override;
  void PostQuitMessage(int exitCode) override;
  std::uintptr_t SetTimer(harness::Hwnd window, std::uintptr_t id, std::uint32_t ms,
                          harness::TimerProc) override;
  int KillTimer(harness::Hwnd window, std::uintptr_t id) override;
  int InvalidateRect(harness::Hwnd window, const harness::Rect* rect, int erase) override;
  harness::Hdc CreateCompatibleDC(harness::Hdc surface) override;
  harness::Hbitmap CreateCompatibleBitmap(harness::Hdc surface, int width, int height) override;
  harness::Hgdiobj SelectObject(harness::Hdc surface, harness::Hgdiobj object) override;
  harness::Hgdiobj GetStockObject(int index) override;
  harness::Hbrush CreateSolidBrush(harness::ColorRef color) override;
  int FillRect(harness::Hdc surface, const harness::Rect* rect, harness::Hbrush brush) override;
  int SetBkMode(harness::Hdc surface, int mode) override;
  int DrawTextW(harness::Hdc surface, const harness::Wchar* text, int length, harness::Rect* rect,
                std::uint32_t format) override;
  int BitBlt(harness::Hdc dest, int x, int y, int width, int height, harness::Hdc source, int sx,
             int sy, std::uint32_t rop) override;
  int DeleteDC(harness::Hdc surface) override;
  int DeleteObject(harness::Hgdiobj object) override;
  int SHInitDialog(const harness::ShInitDlgInfo* info) override;
  int SHFullScreen(harness::Hwnd window, std::uint32_t state) override;
  harness::Hwnd SHFindMenuBar(harness::Hwnd) override { return menuBar; }
  int ShowMenuBar(harness::Hwnd menuBar, int show) override;
  void ShellSwitch(std::uint32_t a, std::uint32_t b) override;
  void SystemSwitch(std::uint32_t on) override;

  // The hook entry points handed out by GetProcAddressW reach the current fake through this.
  static FakePlatform* current;
  harness::HookProc installedHook = nullptr;

 private:
  std::string windowName(harness::Hwnd window) const;
  std::uintptr_t nextHandle_ = 0x1000;
  std::map<std::uintptr_t, std::string> openKeys_;
  std::map<std::uintptr_t, std::string> names_;
};

}  // namespace vantor::testing
