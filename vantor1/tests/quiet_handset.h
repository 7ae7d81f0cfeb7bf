// A handset that answers at once with fixed handles and allocates nothing: it creates the test
// dialog, captures the installed hook, and stubs the drawing objects. Posted messages are
// dropped unless a derived handset keeps them; each user decides in GetMessageW what to play
// when the program first waits. Used where the program's own work is what is looked at: the
// allocation test, the benchmark and the fuzz target.
#pragma once

#include <cstdint>

#include "harness/null_platform.h"
#include "harness/platform.h"
#include "harness/platform_constants.h"
#include "vantor1/key_capture.h"
#include "vantor1/line_test_app.h"
#include "vantor1/line_test_dialog.h"

namespace vantor1_test {

template <class H>
H Fake(std::uintptr_t n) {
  return reinterpret_cast<H>(n);
}

class QuietHandset : public harness::NullPlatform {
 public:
  static inline QuietHandset* current = nullptr;
  harness::HookProc hook = nullptr;
  harness::DlgProc proc = nullptr;
  const harness::Hwnd dialog = Fake<harness::Hwnd>(0x100);
  bool alive = false;

  QuietHandset() { current = this; }
  ~QuietHandset() override {
    if (current == this) current = nullptr;
  }

  // Runs the whole program on this handset, with the program-wide hook state fresh.
  void RunProgram() {
    harness::SetPlatform(this);
    vantor1::g_keyHookBinding = {};
    vantor1::g_pLineTestDialog = nullptr;
    vantor1::RunLineTestProgram(Fake<harness::Hinstance>(0x400000));
    harness::SetPlatform(nullptr);
  }

  // ---- core library and hook ----
  static harness::Hhook SetHook(int, harness::HookProc p, harness::Hinstance, std::uint32_t) {
    current->hook = p;
    return Fake<harness::Hhook>(1);
  }
  static int Unhook(harness::Hhook) {
    current->hook = nullptr;
    return 1;
  }
  harness::Hmodule LoadLibraryW(const harness::Wchar*) override {
    return Fake<harness::Hmodule>(1);
  }
  harness::FarProc GetProcAddressW(harness::Hmodule, const harness::Wchar* name) override {
    return name[0] == u'S' ? reinterpret_cast<harness::FarProc>(&SetHook)
                           : reinterpret_cast<harness::FarProc>(&Unhook);
  }

  // ---- dialog window ----
  harness::Hrsrc FindResourceW(harness::Hinstance, const harness::Wchar*,
                               const harness::Wchar*) override {
    return Fake<harness::Hrsrc>(1);
  }
  harness::Hglobal LoadResource(harness::Hinstance, harness::Hrsrc) override { return this; }
  const void* LockResource(harness::Hglobal data) override { return data; }
  harness::Hwnd CreateDialogIndirectParamW(harness::Hinstance, const void*, harness::Hwnd,
                                           harness::DlgProc p, harness::Lparam param) override {
    proc = p;
    alive = true;
    proc(dialog, harness::WM_INITDIALOG, 0, param);
    return dialog;
  }
  int IsWindow(harness::Hwnd) override { return alive; }
  int IsWindowVisible(harness::Hwnd) override { return alive; }
  int DestroyWindow(harness::Hwnd) override {
    if (!alive) return 0;
    proc(dialog, harness::WM_DESTROY, 0, 0);
    alive = false;
    return 1;
  }
  int PostMessageW(harness::Hwnd, std::uint32_t, harness::Wparam, harness::Lparam) override {
    return 1;
  }
  harness::Lresult DispatchMessageW(const harness::Msg* m) override {
    return alive ? proc(m->hwnd, m->message, m->wParam, m->lParam) : 0;
  }

  // ---- drawing ----
  harness::Hdc GetDC(harness::Hwnd) override { return Fake<harness::Hdc>(2); }
  harness::Hdc CreateCompatibleDC(harness::Hdc) override { return Fake<harness::Hdc>(3); }
  harness::Hbitmap LoadBitmapW(harness::Hinstance, const harness::Wchar*) override {
    return Fake<harness::Hbitmap>(4);
  }
  harness::Hgdiobj SelectObject(harness::Hdc, harness::Hgdiobj) override {
    return Fake<harness::Hgdiobj>(5);
  }

 protected:
  // The program has finished waiting: the quit message ends its modal run.
  static int Quit(harness::Msg* msg) {
    *msg = harness::Msg{nullptr, harness::WM_QUIT, 0, 0};
    return 0;
  }
};

}  // namespace vantor1_test
