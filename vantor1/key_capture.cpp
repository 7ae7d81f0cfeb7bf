#include "vantor1/key_capture.h"

#include "harness/platform_constants.h"
#include "platform/classlib/application.h"
#include "vantor1/line_test_dialog.h"

namespace vantor1 {

LineTestDialog* g_pLineTestDialog = nullptr;
harness::KeyHookBinding g_keyHookBinding;

bool InstallKeyHook(LineTestDialog* dialog, harness::HookProc hookProc) {
  g_pLineTestDialog = dialog;
  return harness::InstallKeyHook(g_keyHookBinding, classlib::ResourceInstance(), hookProc);
}

bool RemoveKeyHook() { return harness::RemoveKeyHook(g_keyHookBinding); }

harness::Lresult SlotKeyHookProc(int code, harness::Wparam message, harness::Lparam event) {
  if (code != harness::HC_ACTION) return 0;
  if (message != harness::WM_KEYDOWN && message != harness::WM_KEYUP) return 0;
  const auto* record = reinterpret_cast<const harness::KbdHookRecord*>(event);
  if (record == nullptr) return 0;
  const int target = HookSlotFor(record->vkCode, record->scanCode);
  if (target == HOOK_PASS) return 0;
  if (target >= 0 && g_pLineTestDialog != nullptr) {
    g_pLineTestDialog->MarkKey(g_pLineTestDialog->m_keySlots[target]);
  }
  return 1;
}

}  // namespace vantor1
