// Value types and handle types shared by the programs and every backend.
//
// Handles are opaque pointers to incomplete tag types: each kind of handle is its own C++ type,
// so a brush cannot be passed where a window is expected, and a backend may put whatever it
// likes behind them (the emulator uses small numbers, a native backend the OS's own handles).
#pragma once

#include <cstdint>

namespace harness {

// Text in the programs is UTF-16, whatever the host's wchar_t is.
using Wchar = char16_t;

struct WindowTag;
struct SurfaceTag;
struct GdiObjectTag;
struct InstanceTag;
struct LibraryTag;
struct IconTag;
struct AccelTableTag;
struct HookTag;
struct KernelObjectTag;
struct RegKeyTag;
struct ResourceTag;

using Hwnd = WindowTag*;
using Hdc = SurfaceTag*;
using Hgdiobj = GdiObjectTag*;  // brushes and bitmaps
using Hbrush = Hgdiobj;
using Hbitmap = Hgdiobj;
using Hinstance = InstanceTag*;
using Hmodule = LibraryTag*;
using Hicon = IconTag*;
using Haccel = AccelTableTag*;
using Hhook = HookTag*;
using Handle = KernelObjectTag*;
using Hkey = RegKeyTag*;
using Hrsrc = ResourceTag*;
using Hglobal = const void*;

using Wparam = std::uintptr_t;
using Lparam = std::intptr_t;
using Lresult = std::intptr_t;
using ColorRef = std::uint32_t;  // 0x00BBGGRR

struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Msg {
  Hwnd hwnd = nullptr;
  std::uint32_t message = 0;
  Wparam wParam = 0;
  Lparam lParam = 0;
  std::uint32_t time = 0;
  Point pt{};
};

struct PaintStruct {
  Hdc hdc = nullptr;
  std::int32_t fErase = 0;
  Rect rcPaint{};
  std::int32_t fRestore = 0;
  std::int32_t fIncUpdate = 0;
};

// The low-level keyboard hook record: four 32-bit values and the platform's extra word.
struct KbdHookRecord {
  std::uint32_t vkCode = 0;
  std::uint32_t scanCode = 0;
  std::uint32_t flags = 0;
  std::uint32_t time = 0;
  std::uintptr_t extraInfo = 0;
};

// Shell dialog initialisation request (mask, dialog, flags).
struct ShInitDlgInfo {
  std::uint32_t mask = 0;
  Hwnd hDlg = nullptr;
  std::uint32_t flags = 0;
};

using WndProc = Lresult (*)(Hwnd, std::uint32_t, Wparam, Lparam);
using DlgProc = std::intptr_t (*)(Hwnd, std::uint32_t, Wparam, Lparam);
using HookProc = Lresult (*)(int code, Wparam, Lparam);
using TimerProc = void (*)(Hwnd, std::uint32_t, std::uintptr_t, std::uint32_t);
using FarProc = void (*)();

// The two hook operations as found by name in the core library at run time.
using SetWindowsHookExFn = Hhook (*)(int idHook, HookProc proc, Hinstance module,
                                     std::uint32_t threadId);
using UnhookWindowsHookExFn = int (*)(Hhook hook);

// A resource id given as a number travels in a name pointer, as on the handset.
inline const Wchar* MakeIntResource(std::uint16_t id) {
  return reinterpret_cast<const Wchar*>(static_cast<std::uintptr_t>(id));
}
inline bool IsIntResource(const Wchar* name) {
  return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0;
}
inline std::uint16_t IntResourceId(const Wchar* name) {
  return static_cast<std::uint16_t>(reinterpret_cast<std::uintptr_t>(name));
}

// A window handle with its lowest bit set: SetForegroundWindow then brings the windows it owns
// to the front along with it.
inline Hwnd WithOwnedWindows(Hwnd window) {
  return reinterpret_cast<Hwnd>(reinterpret_cast<std::uintptr_t>(window) | 1);
}

inline constexpr std::uint16_t LoWord(std::uintptr_t v) { return static_cast<std::uint16_t>(v); }
inline constexpr std::uint16_t HiWord(std::uintptr_t v) {
  return static_cast<std::uint16_t>(v >> 16);
}
inline constexpr Wparam MakeWparam(std::uint16_t lo, std::uint16_t hi) {
  return static_cast<Wparam>(lo) | (static_cast<Wparam>(hi) << 16);
}

// HKEY_LOCAL_MACHINE as the handset numbers it.
inline Hkey RootLocalMachine() {
  return reinterpret_cast<Hkey>(static_cast<std::uintptr_t>(0x80000002u));
}

}  // namespace harness
