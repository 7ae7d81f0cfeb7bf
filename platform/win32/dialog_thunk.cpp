#include "platform/win32/dialog_thunk.h"

#include <array>
#include <cstring>

namespace win32 {

namespace {

struct DialogSlot {
  HWND hwnd = nullptr;
  harness::DlgProc proc = nullptr;
  int depth = 0;          // the program's procedure is running (nested sends count)
  bool reasking = false;  // DefDlgProcW from inside the procedure is about to ask it again
};
constexpr std::size_t kDialogSlots = 16;
std::array<DialogSlot, kDialogSlots> g_dialogs{};
// The procedure of the dialog being created: the desktop sends messages (WM_SETFONT,
// WM_INITDIALOG) before CreateDialogIndirectParamW returns the handle.
harness::DlgProc g_creating = nullptr;

DialogSlot* FindSlot(HWND hwnd) {
  for (DialogSlot& slot : g_dialogs) {
    if (slot.hwnd == hwnd && hwnd != nullptr) return &slot;
  }
  return nullptr;
}

DialogSlot* ClaimSlot(HWND hwnd, harness::DlgProc proc) {
  for (DialogSlot& slot : g_dialogs) {
    if (slot.hwnd == nullptr) {
      slot = {hwnd, proc, 0, false};
      return &slot;
    }
  }
  return nullptr;
}

bool TakesTabFocus(HWND control) {
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_STYLE));
  return (style & WS_TABSTOP) != 0 && (style & WS_VISIBLE) != 0 && (style & WS_DISABLED) == 0;
}

// The handset's default focus: the first tab-stop control; with none, the dialog itself (the
// desktop would pick the first control of any kind and send it the keys).
HWND FirstTabStop(HWND dialog) {
  for (HWND c = ::GetWindow(dialog, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
    if (TakesTabFocus(c)) return c;
  }
  return nullptr;
}

INT_PTR CallProgram(DialogSlot& slot, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ++slot.depth;
  const INT_PTR result = slot.proc(reinterpret_cast<harness::Hwnd>(hwnd), message, wParam, lParam);
  // The slot may have been reused if the dialog was destroyed meanwhile; depth is per handle.
  if (slot.hwnd == hwnd) --slot.depth;
  return result;
}

INT_PTR CALLBACK DialogThunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogSlot* slot = FindSlot(hwnd);
  if (slot == nullptr && g_creating != nullptr) {
    slot = ClaimSlot(hwnd, g_creating);
    g_creating = nullptr;
  }
  if (slot == nullptr) return FALSE;
  if (slot->reasking) {
    slot->reasking = false;
    return FALSE;
  }
  switch (message) {
    case WM_INITDIALOG: {
      const HWND tabStop = FirstTabStop(hwnd);
      const INT_PTR result =
          CallProgram(*slot, hwnd, message, reinterpret_cast<WPARAM>(tabStop), lParam);
      if (result != 0 && ::IsWindow(hwnd)) {
        ::SetFocus(tabStop != nullptr && ::IsWindow(tabStop) ? tabStop : hwnd);
      }
      // The focus is set: the desktop must not choose its own.
      return FALSE;
    }
    case WM_SETFOCUS: {
      const INT_PTR result = CallProgram(*slot, hwnd, message, wParam, lParam);
      // Without a tab-stop control the dialog keeps the focus, where the desktop would move it
      // to its first control.
      if (result == 0 && FirstTabStop(hwnd) == nullptr) return TRUE;
      return result;
    }
    case WM_NCDESTROY: {
      const INT_PTR result = CallProgram(*slot, hwnd, message, wParam, lParam);
      if (DialogSlot* still = FindSlot(hwnd)) *still = {};
      return result;
    }
    default:
      return CallProgram(*slot, hwnd, message, wParam, lParam);
  }
}

}  // namespace

std::vector<std::uint8_t> HandsetDialogTemplate(const void* dialogTemplate, std::size_t size) {
  const auto* begin = static_cast<const std::uint8_t*>(dialogTemplate);
  std::vector<std::uint8_t> bytes(begin, begin + size);
  // Extended form: version 1 and signature 0xFFFF, then help id, extended style, style.
  const bool extended =
      size >= 16 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF && bytes[3] == 0xFF;
  const std::size_t styleOffset = extended ? 12 : 0;
  if (size < styleOffset + 4) return bytes;
  DWORD style = 0;
  std::memcpy(&style, bytes.data() + styleOffset, sizeof style);
  if ((style & (WS_POPUP | WS_CHILD)) == 0) {
    style |= WS_POPUP;
    std::memcpy(bytes.data() + styleOffset, &style, sizeof style);
  }
  return bytes;
}

HWND CreateHandsetDialog(HINSTANCE instance, const void* dialogTemplate, std::size_t templateSize,
                         HWND parent, harness::DlgProc dialogProc, LPARAM initParam) {
  if (dialogTemplate == nullptr || dialogProc == nullptr) return nullptr;
  std::vector<std::uint8_t> copy;
  const void* used = dialogTemplate;
  if (templateSize != 0) {
    copy = HandsetDialogTemplate(dialogTemplate, templateSize);
    used = copy.data();
  }
  const harness::DlgProc outer = g_creating;
  g_creating = dialogProc;
  const HWND dialog = ::CreateDialogIndirectParamW(instance, static_cast<const DLGTEMPLATE*>(used),
                                                   parent, &DialogThunk, initParam);
  g_creating = outer;
  return dialog;
}

bool InsideDialogProcedure(HWND dialog) {
  const DialogSlot* slot = FindSlot(dialog);
  return slot != nullptr && slot->depth > 0;
}

LRESULT DefaultDialogProcessing(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogSlot* slot = FindSlot(dialog);
  if (slot == nullptr || slot->depth == 0) {
    return ::DefDlgProcW(dialog, message, wParam, lParam);
  }
  slot->reasking = true;
  const LRESULT result = ::DefDlgProcW(dialog, message, wParam, lParam);
  if (DialogSlot* still = FindSlot(dialog)) still->reasking = false;
  return result;
}

}  // namespace win32
