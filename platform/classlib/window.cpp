#include "platform/classlib/window.h"

#include "harness/platform.h"

namespace classlib {

bool Window::SetWindowText(const harness::Wchar* text) {
  if (m_hWnd == nullptr) return false;
  return harness::platform().SetWindowTextW(m_hWnd, text) != 0;
}

bool Window::MoveWindow(int x, int y, int width, int height, bool repaint) {
  if (m_hWnd == nullptr) return false;
  return harness::platform().MoveWindow(m_hWnd, x, y, width, height, repaint ? 1 : 0) != 0;
}

bool Window::DestroyWindow() {
  if (m_hWnd == nullptr) return false;
  return harness::platform().DestroyWindow(m_hWnd) != 0;
}

int Window::MessageBox(const harness::Wchar* text, const harness::Wchar* caption,
                       std::uint32_t type) {
  return harness::platform().MessageBoxW(m_hWnd, text, caption, type);
}

harness::Lresult Window::SendMessage(std::uint32_t message, harness::Wparam wParam,
                                     harness::Lparam lParam) {
  if (m_hWnd == nullptr) return 0;
  return harness::platform().SendMessageW(m_hWnd, message, wParam, lParam);
}

bool Window::PostMessage(std::uint32_t message, harness::Wparam wParam, harness::Lparam lParam) {
  if (m_hWnd == nullptr) return false;
  return harness::platform().PostMessageW(m_hWnd, message, wParam, lParam) != 0;
}

harness::Lresult Window::Default() {
  const CurrentMessage* current = m_pCurrentMessage;
  if (current == nullptr || m_hWnd == nullptr) return 0;
  const CurrentMessage* outer = m_pDefaulting;
  m_pDefaulting = current;
  const harness::Lresult result =
      DefaultProcessing(current->message, current->wParam, current->lParam);
  m_pDefaulting = outer;
  return result;
}

bool Window::OnWndMsg(std::uint32_t message, harness::Wparam wParam, harness::Lparam lParam,
                      harness::Lresult& result) {
  for (const MessageMapEntry& entry : GetMessageMap()) {
    if (entry.message == message && entry.thunk != nullptr) {
      entry.thunk(*this, wParam, lParam, result);
      return true;
    }
  }
  return false;
}

harness::Lresult Window::DefaultProcessing(std::uint32_t message, harness::Wparam wParam,
                                           harness::Lparam lParam) {
  return harness::platform().DefWindowProcW(m_hWnd, message, wParam, lParam);
}

bool Window::RouteMessage(std::uint32_t message, harness::Wparam wParam, harness::Lparam lParam,
                          harness::Lresult& result) {
  const CurrentMessage current{message, wParam, lParam};
  const CurrentMessage* outer = m_pCurrentMessage;
  m_pCurrentMessage = &current;
  const bool handled = OnWndMsg(message, wParam, lParam, result);
  m_pCurrentMessage = outer;
  return handled;
}

bool Window::IsBeingDefaulted(std::uint32_t message, harness::Wparam wParam,
                              harness::Lparam lParam) {
  const CurrentMessage* d = m_pDefaulting;
  if (d == nullptr || d->message != message || d->wParam != wParam || d->lParam != lParam) {
    return false;
  }
  // Only the first arrival is the platform asking back; anything it sends on is new.
  m_pDefaulting = nullptr;
  return true;
}

}  // namespace classlib
