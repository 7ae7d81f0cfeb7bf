// A modal dialog built from a dialog template resource. The platform creates the window from
// the template and calls one static dialog procedure, which finds the C++ object and routes
// the message through its message map. The modal run pre-translates key messages through the
// platform's dialog manager (Escape becomes Cancel, Enter OK, Tab and arrows navigation) and
// lasts until the dialog is ended (OK, Cancel, EndDialog) or its window is destroyed.
#pragma once

#include <cstdint>

#include "platform/classlib/window.h"

namespace classlib {

class Dialog : public Window {
 public:
  explicit Dialog(std::uint16_t templateId, Window* parent = nullptr);
  ~Dialog() override;

  // Creates the dialog and runs it; the value given to EndDialog, or -1 when the dialog could
  // not be created or was destroyed without being ended.
  std::intptr_t DoModal();
  // Ends the modal run with `result`; the platform hides the dialog.
  void EndDialog(std::intptr_t result);

  // Called once the window exists; true lets the platform set the default focus.
  virtual bool OnInitDialog();

  std::uint16_t GetTemplateId() const { return m_templateId; }

 protected:
  virtual void OnOK();
  virtual void OnCancel();
  // True when the message was consumed and must not be dispatched.
  virtual bool PreTranslateMessage(harness::Msg& msg);

  bool OnWndMsg(std::uint32_t message, harness::Wparam wParam, harness::Lparam lParam,
                harness::Lresult& result) override;
  harness::Lresult DefaultProcessing(std::uint32_t message, harness::Wparam wParam,
                                     harness::Lparam lParam) override;

 private:
  static std::intptr_t DialogProc(harness::Hwnd hwnd, std::uint32_t message, harness::Wparam wParam,
                                  harness::Lparam lParam);
  void Attach(harness::Hwnd hwnd);
  void Detach();
  void RunModalLoop();
  bool IsOwnWindow(harness::Hwnd hwnd);

  std::uint16_t m_templateId;
  Window* m_pParent;
  bool m_bModalRunning = false;
  std::intptr_t m_nModalResult = -1;
};

}  // namespace classlib
