// Key capture by the low-level keyboard hook: a fixed map from key codes to slots (by index),
// the hook procedure that marks them, and the program-wide hook state.
#pragma once

#include <cstdint>

#include "harness/key_hook.h"
#include "harness/platform_types.h"

namespace vantor1 {

class LineTestDialog;

// What the hook does with a code: a slot index (mark it, consume the event), or one of these.
inline constexpr int HOOK_CONSUME = -1;  // consumed without marking (the ring segments' codes)
inline constexpr int HOOK_PASS = -2;     // left to the focused window
// The keyboard's own Enter reports this scan code; any other Enter is the navigation centre.
inline constexpr std::uint32_t KEYBOARD_ENTER_SCAN_CODE = 38;

// The hook's map. Several codes differ from the code stored in the slot they reach: the
// handset's side and special keys report other codes to the hook than to windows.
constexpr int HookSlotFor(std::uint32_t vkCode, std::uint32_t scanCode) {
  switch (vkCode) {
    case 13:
      return scanCode == KEYBOARD_ENTER_SCAN_CODE ? 40 : 56;
    case 33:
    case 34:
      return HOOK_CONSUME;
    case 37:
      return 50;
    case 38:
      return 48;
    case 39:
      return 51;
    case 40:
      return 49;
    case 59:
      return 57;
    case 62:
      return 35;
    case 91:
      return 39;
    case 95:
    case 122:
      return 30;
    case 112:
      return 43;
    case 113:
      return 44;
    case 114:
      return 46;
    case 115:
      return 47;
    case 117:
      return 41;
    case 118:
      return 42;
    case 129:
      return 58;
    case 136:
      return 45;
    case 138:
    case 193:
      return 34;
    case 140:
      return 37;
    case 143:
      return 28;
    case 195:
      return 36;
    case 196:
      return 38;
    default:
      return HOOK_PASS;
  }
}

// The dialog whose slots the hook marks, and the hook binding; both live for the program.
extern LineTestDialog* g_pLineTestDialog;
extern harness::KeyHookBinding g_keyHookBinding;

// Records the dialog as the hook's target first (whatever happens next), then installs the hook
// with the program's instance as its module. True when installed with its removal found.
bool InstallKeyHook(LineTestDialog* dialog, harness::HookProc hookProc);
// Removes the hook and releases the core library; safe when nothing is installed.
bool RemoveKeyHook();

// The low-level keyboard hook: marks the mapped slot and consumes the event, or lets it pass.
harness::Lresult SlotKeyHookProc(int code, harness::Wparam message, harness::Lparam event);

}  // namespace vantor1
