// The desktop's API for the backend's own files, and the translations between the handset's
// types and the desktop's: layout-compatible records are cast (checked here), handles are the
// desktop's own, root keys are widened the way the desktop defines them.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "harness/platform_types.h"

namespace win32 {

static_assert(sizeof(void*) == 8, "the backend is x86-64 only");
static_assert(sizeof(wchar_t) == sizeof(harness::Wchar), "UTF-16 text is passed through as is");

static_assert(sizeof(harness::Rect) == sizeof(RECT));
static_assert(offsetof(harness::Rect, left) == offsetof(RECT, left));
static_assert(offsetof(harness::Rect, top) == offsetof(RECT, top));
static_assert(offsetof(harness::Rect, right) == offsetof(RECT, right));
static_assert(offsetof(harness::Rect, bottom) == offsetof(RECT, bottom));

static_assert(sizeof(harness::Msg) == sizeof(MSG));
static_assert(offsetof(harness::Msg, hwnd) == offsetof(MSG, hwnd));
static_assert(offsetof(harness::Msg, message) == offsetof(MSG, message));
static_assert(offsetof(harness::Msg, wParam) == offsetof(MSG, wParam));
static_assert(offsetof(harness::Msg, lParam) == offsetof(MSG, lParam));
static_assert(offsetof(harness::Msg, time) == offsetof(MSG, time));
static_assert(offsetof(harness::Msg, pt) == offsetof(MSG, pt));
static_assert(sizeof(harness::Point) == sizeof(POINT));

static_assert(sizeof(harness::KbdHookRecord) == sizeof(KBDLLHOOKSTRUCT));
static_assert(offsetof(harness::KbdHookRecord, vkCode) == offsetof(KBDLLHOOKSTRUCT, vkCode));
static_assert(offsetof(harness::KbdHookRecord, scanCode) == offsetof(KBDLLHOOKSTRUCT, scanCode));
static_assert(offsetof(harness::KbdHookRecord, flags) == offsetof(KBDLLHOOKSTRUCT, flags));
static_assert(offsetof(harness::KbdHookRecord, time) == offsetof(KBDLLHOOKSTRUCT, time));
static_assert(offsetof(harness::KbdHookRecord, extraInfo) ==
              offsetof(KBDLLHOOKSTRUCT, dwExtraInfo));

// PAINTSTRUCT carries reserved bytes that PaintStruct lacks: it is translated, never cast.
static_assert(sizeof(harness::PaintStruct) < sizeof(PAINTSTRUCT));

inline const wchar_t* Wide(const harness::Wchar* text) {
  return reinterpret_cast<const wchar_t*>(text);
}
inline wchar_t* Wide(harness::Wchar* text) { return reinterpret_cast<wchar_t*>(text); }

inline HWND ToHwnd(harness::Hwnd window) { return reinterpret_cast<HWND>(window); }
inline harness::Hwnd FromHwnd(HWND window) { return reinterpret_cast<harness::Hwnd>(window); }
inline HDC ToHdc(harness::Hdc surface) { return reinterpret_cast<HDC>(surface); }
inline harness::Hdc FromHdc(HDC surface) { return reinterpret_cast<harness::Hdc>(surface); }
inline HGDIOBJ ToGdi(harness::Hgdiobj object) { return reinterpret_cast<HGDIOBJ>(object); }
inline harness::Hgdiobj FromGdi(HGDIOBJ object) {
  return reinterpret_cast<harness::Hgdiobj>(object);
}
inline HINSTANCE ToInstance(harness::Hinstance instance) {
  return reinterpret_cast<HINSTANCE>(instance);
}

// The handset numbers the predefined root keys 0x80000000..0x80000005 as 32-bit values; the
// desktop's handles are the same numbers sign-extended to pointer width. Other keys are the
// desktop's own handles, passed through.
inline HKEY ToDesktopKey(harness::Hkey key) {
  const auto value = reinterpret_cast<std::uintptr_t>(key);
  if (value >= 0x80000000u && value <= 0x80000005u) {
    return reinterpret_cast<HKEY>(
        static_cast<std::intptr_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value))));
  }
  return reinterpret_cast<HKEY>(key);
}

}  // namespace win32
