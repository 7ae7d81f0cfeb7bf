// The low-level keyboard hook binding: the core library is loaded and the two hook operations
// are looked up by name when the hook is installed, and released when it is removed.
#pragma once

#include "harness/platform_types.h"

namespace harness {

struct KeyHookBinding {
  Hmodule systemLibrary = nullptr;
  SetWindowsHookExFn setHookEntry = nullptr;
  UnhookWindowsHookExFn unhookEntry = nullptr;
  Hhook keyHook = nullptr;
};

inline constexpr const Wchar* kCoreLibrary = u"coredll.dll";

// True when the hook is installed and its removal operation was found.
bool InstallKeyHook(KeyHookBinding& binding, Hinstance module, HookProc hookProc);
// Always true; safe before any install and safe twice.
bool RemoveKeyHook(KeyHookBinding& binding);

}  // namespace harness
