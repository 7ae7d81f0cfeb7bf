#include "platform/classlib/dialog.h"

#include <array>

#include "harness/platform.h"
#include "platform/classlib/application.h"

namespace classlib {

namespace {

// Which object owns which dialog window. A small fixed table: a program has a handful of
// dialogs at most, and looking one up must not allocate (it sits on the key path).
struct WindowBinding {
  harness::Hwnd hwnd = nullptr;
  Dialog* dialog = nullptr;
};
std::array<WindowBinding, 16> g_bindings{};
// The dialog whose window is being created: messages that arrive before WM_INITDIALOG find it.
Dialog* g_pCreating = nullptr;

Dialog* FindDialog(harness::Hwnd hwnd) {
  for (const WindowBinding& b : g_bindings) {
    if (b.hwnd == hwnd && hwnd != nullptr) return b.dialog;
  }
  return nullptr;
}

constexpr std::uint32_t kFirstKeyMessage = harness::WM_KEYDOWN;
constexpr std::uint32_t kLastKeyMessage = 0x0108;

}  // namespace

Dialog::Dialog(std::uint16_t templateId, Window* parent)
    : m_templateId(templateId), m_pParent(parent) {}

Dialog::~Dialog() {
  if (m_hWnd != nullptr) {
    harness::Hwnd hwnd = m_hWnd;
    Detach();
    harness::platform().DestroyWindow(hwnd);
  }
}

bool Dialog::OnInitDialog() { return true; }

void Dialog::OnOK() { EndDialog(harness::IDOK); }

void Dialog::OnCancel() { EndDialog(harness::IDCANCEL); }

void Dialog::EndDialog(std::intptr_t result) {
  m_nModalResult = result;
  m_bModalRunning = false;
  if (m_hWnd != nullptr) harness::platform().EndDialog(m_hWnd, result);
}

std::intptr_t Dialog::DoModal() {
  harness::Platform& os = harness::platform();
  const harness::Hinstance instance = ResourceInstance();
  const harness::Hrsrc resource = os.FindResourceW(instance, harness::MakeIntResource(m_templateId),
                                                   harness::MakeIntResource(harness::RT_DIALOG));
  if (resource == nullptr) return -1;
  const void* dialogTemplate = os.LockResource(os.LoadResource(instance, resource));
  if (dialogTemplate == nullptr) return -1;

  m_nModalResult = -1;
  m_bModalRunning = true;
  Dialog* outerCreating = g_pCreating;
  g_pCreating = this;
  const harness::Hwnd parent = m_pParent != nullptr ? m_pParent->GetSafeHwnd() : nullptr;
  const harness::Hwnd hwnd =
      os.CreateDialogIndirectParamW(instance, dialogTemplate, parent, &Dialog::DialogProc,
                                    reinterpret_cast<harness::Lparam>(this));
  g_pCreating = outerCreating;
  if (hwnd == nullptr || os.IsWindow(hwnd) == 0) {
    // Creation failed, or the dialog was already destroyed during its initialisation.
    if (m_hWnd != nullptr) Detach();
    m_bModalRunning = false;
    return m_nModalResult;
  }
  if (m_hWnd == nullptr) Attach(hwnd);
  if (m_bModalRunning && os.IsWindowVisible(hwnd) == 0) os.ShowWindow(hwnd, harness::SW_SHOW);

  RunModalLoop();

  if (m_hWnd != nullptr) {
    const harness::Hwnd still = m_hWnd;
    Detach();
    os.DestroyWindow(still);
  }
  return m_nModalResult;
}

void Dialog::RunModalLoop() {
  harness::Platform& os = harness::platform();
  harness::Msg msg{};
  while (m_bModalRunning && m_hWnd != nullptr) {
    const int got = os.GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // A quit request ends the modal run; it is posted again for whatever loop runs next.
      os.PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got < 0) break;
    if (PreTranslateMessage(msg)) continue;
    os.TranslateMessage(&msg);
    os.DispatchMessageW(&msg);
  }
}

bool Dialog::IsOwnWindow(harness::Hwnd hwnd) {
  harness::Platform& os = harness::platform();
  for (int depth = 0; hwnd != nullptr && depth < 32; ++depth) {
    if (hwnd == m_hWnd) return true;
    hwnd = os.GetParent(hwnd);
  }
  return false;
}

bool Dialog::PreTranslateMessage(harness::Msg& msg) {
  if (m_hWnd == nullptr) return false;
  if (msg.message < kFirstKeyMessage || msg.message > kLastKeyMessage) return false;
  if (!IsOwnWindow(msg.hwnd)) return false;
  return harness::platform().IsDialogMessageW(m_hWnd, &msg) != 0;
}

bool Dialog::OnWndMsg(std::uint32_t message, harness::Wparam wParam, harness::Lparam lParam,
                      harness::Lresult& result) {
  if (Window::OnWndMsg(message, wParam, lParam, result)) return true;
  if (message == harness::WM_COMMAND && harness::HiWord(wParam) == harness::BN_CLICKED) {
    const std::uint16_t id = harness::LoWord(wParam);
    if (id == harness::IDOK) {
      OnOK();
      result = 0;
      return true;
    }
    if (id == harness::IDCANCEL) {
      OnCancel();
      result = 0;
      return true;
    }
  }
  return false;
}

harness::Lresult Dialog::DefaultProcessing(std::uint32_t message, harness::Wparam wParam,
                                           harness::Lparam lParam) {
  return harness::platform().DefDlgProcW(m_hWnd, message, wParam, lParam);
}

void Dialog::Attach(harness::Hwnd hwnd) {
  m_hWnd = hwnd;
  for (WindowBinding& b : g_bindings) {
    if (b.hwnd == nullptr) {
      b = {hwnd, this};
      return;
    }
  }
}

void Dialog::Detach() {
  for (WindowBinding& b : g_bindings) {
    if (b.dialog == this) b = {};
  }
  m_hWnd = nullptr;
}

std::intptr_t Dialog::DialogProc(harness::Hwnd hwnd, std::uint32_t message, harness::Wparam wParam,
                                 harness::Lparam lParam) {
  Dialog* self = FindDialog(hwnd);
  if (self == nullptr) {
    if (g_pCreating != nullptr && g_pCreating->m_hWnd == nullptr) {
      self = g_pCreating;
    } else if (message == harness::WM_INITDIALOG && lParam != 0) {
      self = reinterpret_cast<Dialog*>(lParam);
    } else {
      return 0;
    }
    self->Attach(hwnd);
  }
  if (self->IsBeingDefaulted(message, wParam, lParam)) return 0;

  if (message == harness::WM_INITDIALOG) {
    // Answered directly: non-zero lets the platform give the default focus.
    return self->OnInitDialog() ? 1 : 0;
  }
  harness::Lresult result = 0;
  const bool handled = self->RouteMessage(message, wParam, lParam, result);
  if (message == harness::WM_DESTROY) {
    // The window is gone: the modal run ends and later operations on it do nothing. The run may
    // be waiting for a message right now; for the application's main window the quit request
    // that ends the program also wakes it.
    self->m_bModalRunning = false;
    self->Detach();
    const Application* app = CurrentApplication();
    if (app != nullptr && app->m_pMainWnd == self) harness::platform().PostQuitMessage(0);
  }
  if (!handled) return 0;
  harness::platform().SetWindowLongPtrW(hwnd, harness::DWL_MSGRESULT, result);
  return 1;
}

}  // namespace classlib
