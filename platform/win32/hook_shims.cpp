#include "platform/win32/hook_shims.h"

#include <array>
#include <utility>

#include "platform/win32/desktop.h"
#include "platform/win32/handset_values.h"

namespace win32 {

namespace {

// The desktop calls a hook procedure without saying which hook it belongs to, so every slot has
// a procedure of its own.
struct HookSlot {
  HHOOK hook = nullptr;
  harness::HookProc proc = nullptr;
};
constexpr std::size_t kHookSlots = 4;
std::array<HookSlot, kHookSlots> g_hooks{};

template <std::size_t Slot>
LRESULT CALLBACK KeyboardHookShim(int code, WPARAM wParam, LPARAM lParam) {
  const HookSlot& slot = g_hooks[Slot];
  // Negative codes belong to the desktop's hook chain; the program only sees events to act on.
  if (code >= 0 && slot.proc != nullptr) {
    // The record is layout-compatible (desktop.h): the program reads it in place.
    const harness::Lresult result = slot.proc(code, wParam, lParam);
    if (result != 0) return result;
  }
  return ::CallNextHookEx(slot.hook, code, wParam, lParam);
}

template <std::size_t... Slots>
constexpr std::array<HOOKPROC, kHookSlots> ShimTable(std::index_sequence<Slots...>) {
  return {&KeyboardHookShim<Slots>...};
}
constexpr std::array<HOOKPROC, kHookSlots> kShims =
    ShimTable(std::make_index_sequence<kHookSlots>());

}  // namespace

harness::Hhook SetWindowsHookExShim(int idHook, harness::HookProc proc, harness::Hinstance,
                                    std::uint32_t) {
  if (idHook != handset::kLowLevelKeyboardHook || proc == nullptr) return nullptr;
  for (std::size_t i = 0; i < kHookSlots; ++i) {
    HookSlot& slot = g_hooks[i];
    if (slot.hook != nullptr) continue;
    slot.proc = proc;
    slot.hook = ::SetWindowsHookExW(WH_KEYBOARD_LL, kShims[i], ::GetModuleHandleW(nullptr), 0);
    if (slot.hook == nullptr) {
      slot.proc = nullptr;
      return nullptr;
    }
    return reinterpret_cast<harness::Hhook>(slot.hook);
  }
  return nullptr;
}

int UnhookWindowsHookExShim(harness::Hhook hook) {
  if (hook == nullptr) return 0;
  for (HookSlot& slot : g_hooks) {
    if (reinterpret_cast<harness::Hhook>(slot.hook) != hook) continue;
    const BOOL removed = ::UnhookWindowsHookEx(slot.hook);
    slot = {};
    return removed ? 1 : 0;
  }
  return 0;
}

}  // namespace win32
