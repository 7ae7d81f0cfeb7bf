// The key path allocates nothing: from the hook (or the dialog's key-down) to a counted slot and
// its posted check, on a platform that itself allocates nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "harness/null_platform.h"
#include "harness/platform.h"
#include "harness/platform_constants.h"
#include "vantor1/key_capture.h"
#include "vantor1/line_test_app.h"
#include "vantor1/line_test_dialog.h"

namespace {
bool g_counting = false;
long g_allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
  if (g_counting) ++g_allocations;
  if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

template <class H>
H Fake(std::uintptr_t n) {
  return reinterpret_cast<H>(n);
}

// Answers with fixed handles; the first wait for a message plays every key through the hook
// and through the dialog, counting allocations meanwhile, then ends the run.
class QuietHandset : public harness::NullPlatform {
 public:
  harness::HookProc hook = nullptr;
  harness::DlgProc proc = nullptr;
  harness::Hwnd dialog = Fake<harness::Hwnd>(0x100);
  int pressedAfterKeys = -1;

  static inline QuietHandset* current = nullptr;
  static harness::Hhook SetHook(int, harness::HookProc p, harness::Hinstance, std::uint32_t) {
    current->hook = p;
    return Fake<harness::Hhook>(1);
  }
  static int Unhook(harness::Hhook) { return 1; }

  harness::Hmodule LoadLibraryW(const harness::Wchar*) override {
    return Fake<harness::Hmodule>(1);
  }
  harness::FarProc GetProcAddressW(harness::Hmodule, const harness::Wchar* name) override {
    return name[0] == u'S' ? reinterpret_cast<harness::FarProc>(&SetHook)
                           : reinterpret_cast<harness::FarProc>(&Unhook);
  }
  harness::Hrsrc FindResourceW(harness::Hinstance, const harness::Wchar*,
                               const harness::Wchar*) override {
    return Fake<harness::Hrsrc>(1);
  }
  harness::Hglobal LoadResource(harness::Hinstance, harness::Hrsrc) override { return this; }
  const void* LockResource(harness::Hglobal data) override { return data; }
  harness::Hwnd CreateDialogIndirectParamW(harness::Hinstance, const void*, harness::Hwnd,
                                           harness::DlgProc p, harness::Lparam param) override {
    proc = p;
    proc(dialog, harness::WM_INITDIALOG, 0, param);
    return dialog;
  }
  int IsWindow(harness::Hwnd) override { return 1; }
  int IsWindowVisible(harness::Hwnd) override { return 1; }
  harness::Hdc GetDC(harness::Hwnd) override { return Fake<harness::Hdc>(2); }
  harness::Hdc CreateCompatibleDC(harness::Hdc) override { return Fake<harness::Hdc>(3); }
  harness::Hbitmap LoadBitmapW(harness::Hinstance, const harness::Wchar*) override {
    return Fake<harness::Hbitmap>(4);
  }
  harness::Hgdiobj SelectObject(harness::Hdc, harness::Hgdiobj) override {
    return Fake<harness::Hgdiobj>(5);
  }
  int PostMessageW(harness::Hwnd, std::uint32_t, harness::Wparam, harness::Lparam) override {
    return 1;
  }
  int GetMessageW(harness::Msg* msg, harness::Hwnd, std::uint32_t, std::uint32_t) override {
    if (pressedAfterKeys < 0) {
      g_counting = true;
      for (std::uint32_t vk = 0; vk < 512; ++vk) {
        // Twice through every code: with the keyboard Enter's scan code, then with another.
        harness::KbdHookRecord record{vk % 256, vk < 256 ? 38u : 0u, 0, 0, 0};
        for (std::uint32_t m : {harness::WM_KEYDOWN, harness::WM_KEYUP}) {
          if (hook(0, m, reinterpret_cast<harness::Lparam>(&record)) == 0 &&
              m == harness::WM_KEYDOWN) {
            harness::Msg key{dialog, m, vk % 256, 1};
            if (IsDialogMessageW(dialog, &key) == 0) DispatchMessageW(&key);
          }
        }
      }
      g_counting = false;
      pressedAfterKeys = vantor1::g_pLineTestDialog->m_nPressedCount;
    }
    *msg = harness::Msg{nullptr, harness::WM_QUIT, 0, 0};
    return 0;
  }
  harness::Lresult DispatchMessageW(const harness::Msg* m) override {
    return proc(m->hwnd, m->message, m->wParam, m->lParam);
  }
};

TEST(KeyPath, AllocatesNothing) {
  QuietHandset os;
  QuietHandset::current = &os;
  harness::SetPlatform(&os);
  vantor1::g_keyHookBinding = {};
  vantor1::RunLineTestProgram(Fake<harness::Hinstance>(0x400000));
  harness::SetPlatform(nullptr);
  EXPECT_EQ(os.pressedAfterKeys, 55);  // every markable slot, through both routes
  EXPECT_EQ(g_allocations, 0);
}

}  // namespace
