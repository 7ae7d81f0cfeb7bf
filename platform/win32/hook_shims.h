// The two hook operations as the hook binding finds them by name in the core library: shims
// with the handset's signatures that install the program's procedure as the desktop's
// low-level keyboard hook (the handset's hook id differs from the desktop's).
#pragma once

#include "harness/platform_types.h"

namespace win32 {

// The handset's rules: only the low-level keyboard hook and a procedure are accepted; the module
// argument and thread are the program's (Vantor1 passes its dialog there), the desktop gets the
// executable's module and all threads.
harness::Hhook SetWindowsHookExShim(int idHook, harness::HookProc proc, harness::Hinstance module,
                                    std::uint32_t threadId);
int UnhookWindowsHookExShim(harness::Hhook hook);

}  // namespace win32
