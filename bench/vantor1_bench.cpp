// Line test: the cost of marking a key (draw its pressed image, count it, post the check),
// on a platform that answers at once, so what is measured is the program's own work.
#include <benchmark/benchmark.h>

#include "vantor1/tests/quiet_handset.h"

namespace {

// The first wait for a message runs the measured loop, then ends the run.
class BenchHandset : public vantor1_test::QuietHandset {
 public:
  explicit BenchHandset(benchmark::State& state) : state_(state) {}
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
    return Quit(msg);
  }

 private:
  benchmark::State& state_;
  bool ran_ = false;
};

void BM_Vantor1MarkKey(benchmark::State& state) {
  BenchHandset os(state);
  os.RunProgram();
}
BENCHMARK(BM_Vantor1MarkKey);

}  // namespace
