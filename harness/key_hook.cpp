#include "harness/key_hook.h"

#include "harness/platform.h"
#include "harness/platform_constants.h"

namespace harness {

bool InstallKeyHook(KeyHookBinding& binding, Hinstance module, HookProc hookProc) {
  Platform& os = platform();
  binding.setHookEntry = nullptr;
  binding.unhookEntry = nullptr;
  binding.systemLibrary = os.LoadLibraryW(kCoreLibrary);
  if (binding.systemLibrary == nullptr) return false;
  binding.setHookEntry = reinterpret_cast<SetWindowsHookExFn>(
      os.GetProcAddressW(binding.systemLibrary, u"SetWindowsHookExW"));
  if (binding.setHookEntry == nullptr) return false;
  binding.keyHook = binding.setHookEntry(WH_KEYBOARD_LL, hookProc, module, 0);
  if (binding.keyHook == nullptr) return false;
  binding.unhookEntry = reinterpret_cast<UnhookWindowsHookExFn>(
      os.GetProcAddressW(binding.systemLibrary, u"UnhookWindowsHookEx"));
  return binding.unhookEntry != nullptr;
}

bool RemoveKeyHook(KeyHookBinding& binding) {
  if (binding.keyHook != nullptr && binding.unhookEntry != nullptr) {
    binding.unhookEntry(binding.keyHook);
    binding.keyHook = nullptr;
  }
  if (binding.systemLibrary != nullptr) {
    platform().FreeLibrary(binding.systemLibrary);
    binding.systemLibrary = nullptr;
  }
  return true;
}

}  // namespace harness
