// The base of the library's windows: a platform window handle with the few operations the
// programs use, and the routing of a window's messages through its message map.
#pragma once

#include <cstdint>

#include "harness/platform_constants.h"
#include "harness/platform_types.h"
#include "platform/classlib/message_map.h"

namespace classlib {

class Window {
 public:
  Window() = default;
  virtual ~Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  harness::Hwnd GetSafeHwnd() const { return m_hWnd; }

  bool SetWindowText(const harness::Wchar* text);
  bool MoveWindow(int x, int y, int width, int height, bool repaint = true);
  // Destroys the window; does nothing (false) when there is none any more.
  bool DestroyWindow();
  // A message box owned by this window; the platform's answer (1 for OK).
  int MessageBox(const harness::Wchar* text, const harness::Wchar* caption,
                 std::uint32_t type = harness::MB_OK);
  harness::Lresult SendMessage(std::uint32_t message, harness::Wparam wParam = 0,
                               harness::Lparam lParam = 0);
  bool PostMessage(std::uint32_t message, harness::Wparam wParam = 0, harness::Lparam lParam = 0);

  // Hands the message now being handled to the platform's default processing and returns its
  // result; 0 when called outside a handler.
  harness::Lresult Default();

 protected:
  // The class's message map; the base has none.
  virtual MessageMap GetMessageMap() const { return {}; }
  // Routes one message: the message map first, then the class's own fixed handling. True when
  // something handled it; `result` then holds the message's result.
  virtual bool OnWndMsg(std::uint32_t message, harness::Wparam wParam, harness::Lparam lParam,
                        harness::Lresult& result);
  // The platform's processing for messages this window leaves alone.
  virtual harness::Lresult DefaultProcessing(std::uint32_t message, harness::Wparam wParam,
                                             harness::Lparam lParam);

  // Runs OnWndMsg with the message recorded as the current one, so handlers can call Default().
  bool RouteMessage(std::uint32_t message, harness::Wparam wParam, harness::Lparam lParam,
                    harness::Lresult& result);
  // True once for the message that Default() is handing on right now: the platform's default
  // processing may ask the window's own procedure first, which must then leave it alone.
  bool IsBeingDefaulted(std::uint32_t message, harness::Wparam wParam, harness::Lparam lParam);

  harness::Hwnd m_hWnd = nullptr;

 private:
  struct CurrentMessage {
    std::uint32_t message;
    harness::Wparam wParam;
    harness::Lparam lParam;
  };
  const CurrentMessage* m_pCurrentMessage = nullptr;
  const CurrentMessage* m_pDefaulting = nullptr;
};

}  // namespace classlib
