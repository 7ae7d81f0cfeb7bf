// Line test: the cost of marking a key (draw its pressed image, count it, post the check),
// on a platform that answers at once, so what is measured is the program's own work.
#include <benchmark/benchmark.h>

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

// Creates the dialog; the first wait for a message runs the measured loop, then ends the run.
class BenchHandset : public harness::NullPlatform {
 public:
  explicit BenchHandset(benchmark::State& state) : state_(state) {}
  harness::Hrsrc FindResourceW(harness::Hinstance, const harness::Wchar*,
                               const harness::Wchar*) override {
    return Fake<harness::Hrsrc>(1);
  }
  harness::Hglobal LoadResource(harness::Hinstance, harness::Hrsrc) override { return this; }
  const void* LockResource(harness::Hglobal data) override { return data; }
  harness::Hwnd CreateDialogIndirectParamW(harness::Hinstance, const void*, harness::Hwnd,
                                           harness::DlgProc p, harness::Lparam param) override {
    p(dialog_, harness::WM_INITDIALOG, 0, param);
    return dialog_;
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
    if (!ran_) {
      ran_ = true;
      vantor1::LineTestDialog& dialog = *vantor1::g_pLineTestDialog;
      int slot = 0;
      for (auto _ : state_) {
        dialog.MarkKey(dialog.m_keySlots[slot]);
        slot = (slot + 1) % vantor1::FILLED_SLOT_COUNT;
      }
      benchmark::DoNotOptimize(dialog.m_nPressedCount);
    }
    *msg = harness::Msg{nullptr, harness::WM_QUIT, 0, 0};
    return 0;
  }

 private:
  benchmark::State& state_;
  harness::Hwnd dialog_ = Fake<harness::Hwnd>(0x100);
  bool ran_ = false;
};

void BM_Vantor1MarkKey(benchmark::State& state) {
  BenchHandset os(state);
  harness::SetPlatform(&os);
  vantor1::g_keyHookBinding = {};
  vantor1::RunLineTestProgram(Fake<harness::Hinstance>(0x400000));
  harness::SetPlatform(nullptr);
}
BENCHMARK(BM_Vantor1MarkKey);

}  // namespace
