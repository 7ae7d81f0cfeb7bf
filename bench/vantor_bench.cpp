// The layout-aware test's hot paths: one key release through OnKeyUp (lookup, repeat filter,
// count, log line, pass check) and one full paint of the 52-key keyboard on the emulated
// drawing layer.
#include <benchmark/benchmark.h>

#include "harness/null_platform.h"
#include "platform/emu/font.h"
#include "vantor/key_events.h"
#include "vantor/key_layouts.h"
#include "vantor/keyboard_render.h"
#include "vantor/test_state.h"
#include "vantor/tests/gdi_platform.h"

namespace {

class TickPlatform : public harness::NullPlatform {
 public:
  std::uint32_t tick = 100000;
  std::uint32_t GetTickCount() override { return tick; }
};

void BM_VantorKeyRelease(benchmark::State& state) {
  TickPlatform device;
  harness::SetPlatform(&device);
  vantor::resetTestState();
  vantor::addLayoutKeys(vantor::testState.keyTable, 320, 320, 0);
  // Q alternates between 1 and 2 while the other keys stay at 0, so the test never passes.
  for (auto _ : state) {
    device.tick += 200;
    vantor::OnKeyUp(81, 1, 16);
  }
  benchmark::DoNotOptimize(vantor::testState.keyTable.keyAt(15).pressCount);
  harness::SetPlatform(nullptr);
}
BENCHMARK(BM_VantorKeyRelease);

void BM_VantorPaintKeyboard(benchmark::State& state) {
  vantor::testing::GdiPlatform device(emu::DefaultFontFile(), 320, 320);
  vantor::resetTestState();
  vantor::testState.screenWidth = 320;
  vantor::testState.screenHeight = 320;
  vantor::addLayoutKeys(vantor::testState.keyTable, 320, 320, 11);
  for (std::uint32_t i = 0; i < vantor::testState.keyTable.keyCount(); ++i) {
    vantor::testState.keyTable.keyAt(i).pressCount = i % 3;
  }
  harness::Hdc surface = device.beginPaint();
  for (auto _ : state) vantor::paintKeyboard(nullptr, surface);
  device.endPaint(surface);
  benchmark::DoNotOptimize(device.screen.pixels.data());
}
BENCHMARK(BM_VantorPaintKeyboard);

}  // namespace
