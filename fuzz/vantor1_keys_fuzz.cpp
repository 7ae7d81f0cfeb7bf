// Line test: random key streams through both capture routes, with the pass checks they post.
// Whatever arrives, the count equals the number of pressed slots and never exceeds the 55 slots
// that can be marked (the four ring segments and the empty slot never are).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "harness/null_platform.h"
#include "harness/platform.h"
#include "harness/platform_constants.h"
#include "vantor1/key_capture.h"
#include "vantor1/line_test_app.h"
#include "vantor1/line_test_dialog.h"

namespace {

template <class H>
H Fake(std::uintptr_t n) {
  return reinterpret_cast<H>(n);
}

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckCount() {
  const vantor1::LineTestDialog* d = vantor1::g_pLineTestDialog;
  if (d == nullptr) return;
  int pressed = 0;
  for (const auto& slot : d->m_keySlots) pressed += slot.IsPressed() ? 1 : 0;
  Check(d->m_nPressedCount == pressed);
  Check(pressed <= 55);
  for (int ring = 52; ring <= 55; ++ring) Check(!d->m_keySlots[ring].IsPressed());
  Check(!d->m_keySlots[vantor1::KEY_SLOT_COUNT - 1].IsPressed());
}

// Plays the input when the program first waits: three bytes per event (what, code, scan).
class FuzzHandset : public harness::NullPlatform {
 public:
  FuzzHandset(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  static inline FuzzHandset* current = nullptr;
  static harness::Hhook SetHook(int, harness::HookProc p, harness::Hinstance, std::uint32_t) {
    current->hook_ = p;
    return Fake<harness::Hhook>(1);
  }
  static int Unhook(harness::Hhook) {
    current->hook_ = nullptr;
    return 1;
  }
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
    proc_ = p;
    alive_ = true;
    proc_(dialog_, harness::WM_INITDIALOG, 0, param);
    return dialog_;
  }
  int IsWindow(harness::Hwnd) override { return alive_; }
  int IsWindowVisible(harness::Hwnd) override { return alive_; }
  harness::Hwnd GetFocus() override { return alive_ ? dialog_ : nullptr; }
  int DestroyWindow(harness::Hwnd) override {
    if (!alive_) return 0;
    proc_(dialog_, harness::WM_DESTROY, 0, 0);
    alive_ = false;
    return 1;
  }
  int EndDialog(harness::Hwnd, std::intptr_t) override {
    proc_(dialog_, harness::WM_KILLFOCUS, 0, 0);  // hiding takes the focus away
    return 1;
  }
  int MessageBoxW(harness::Hwnd, const harness::Wchar*, const harness::Wchar*,
                  std::uint32_t) override {
    return (boxes_++ % 2) == 0 ? harness::IDCANCEL : harness::IDOK;
  }
  int IsDialogMessageW(harness::Hwnd, harness::Msg* m) override {
    if (m->message != harness::WM_KEYDOWN) return 0;
    if (m->wParam == harness::VK_ESCAPE || m->wParam == harness::VK_RETURN) {
      proc_(dialog_, harness::WM_COMMAND,
            m->wParam == harness::VK_ESCAPE ? harness::IDCANCEL : harness::IDOK, 0);
      return 1;
    }
    return 0;
  }
  harness::Hdc GetDC(harness::Hwnd) override { return Fake<harness::Hdc>(2); }
  harness::Hdc CreateCompatibleDC(harness::Hdc) override { return Fake<harness::Hdc>(3); }
  harness::Hbitmap LoadBitmapW(harness::Hinstance, const harness::Wchar*) override {
    return Fake<harness::Hbitmap>(4);
  }
  int PostMessageW(harness::Hwnd, std::uint32_t message, harness::Wparam wp,
                   harness::Lparam lp) override {
    if (!alive_ || queued_ >= kQueue) return 0;
    queue_[queued_++] = harness::Msg{dialog_, message, wp, lp};
    return 1;
  }
  int GetMessageW(harness::Msg* msg, harness::Hwnd, std::uint32_t, std::uint32_t) override {
    CheckCount();
    while (alive_) {
      if (queued_ > 0) {
        *msg = queue_[0];
        for (std::size_t i = 1; i < queued_; ++i) queue_[i - 1] = queue_[i];
        --queued_;
        return 1;
      }
      if (pos_ + 3 > size_) break;
      const std::uint8_t what = data_[pos_];
      harness::KbdHookRecord record{data_[pos_ + 1], data_[pos_ + 2], 0, 0, 0};
      pos_ += 3;
      const std::uint32_t message = (what & 1) != 0 ? harness::WM_KEYUP : harness::WM_KEYDOWN;
      const bool viaHook = (what & 2) == 0;
      if (viaHook && hook_ != nullptr &&
          hook_(what >> 4, message, reinterpret_cast<harness::Lparam>(&record)) != 0) {
        continue;
      }
      if (message == harness::WM_KEYDOWN) {
        PostMessageW(dialog_, message, record.vkCode, harness::Lparam(record.scanCode << 16 | 1));
      }
      CheckCount();
    }
    *msg = harness::Msg{nullptr, harness::WM_QUIT, 0, 0};
    return 0;
  }
  harness::Lresult DispatchMessageW(const harness::Msg* m) override {
    return alive_ ? proc_(m->hwnd, m->message, m->wParam, m->lParam) : 0;
  }

 private:
  static constexpr std::size_t kQueue = 64;
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  harness::HookProc hook_ = nullptr;
  harness::DlgProc proc_ = nullptr;
  harness::Hwnd dialog_ = Fake<harness::Hwnd>(0x100);
  bool alive_ = false;
  int boxes_ = 0;
  harness::Msg queue_[kQueue];
  std::size_t queued_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzHandset os(data, size);
  FuzzHandset::current = &os;
  harness::SetPlatform(&os);
  vantor1::g_keyHookBinding = {};
  vantor1::g_pLineTestDialog = nullptr;
  vantor1::RunLineTestProgram(Fake<harness::Hinstance>(0x400000));
  harness::SetPlatform(nullptr);
  return 0;
}
