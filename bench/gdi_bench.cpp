// The emulated handset's drawing layer: one full keyboard paint as the layout-aware test does
// it (52 framed, labelled keys off-screen, then one copy), and one label on its own, which after
// the first paint draws from cached glyphs only.
#include <benchmark/benchmark.h>

#include "harness/platform_constants.h"
#include "platform/emu/font.h"
#include "platform/emu/gdi.h"

namespace {

using emu::Bitmap;
using emu::Gdi;
using harness::Rect;

void BM_PaintKeyboard(benchmark::State& state) {
  Gdi gdi(emu::DefaultFontFile());
  Bitmap screen(240, 400);
  harness::Hdc window = gdi.createWindowSurface(&screen, {0, 0}, {{0, 0, 240, 400}});
  const char16_t* labels[] = {u"Q", u"\u2190", u"\u2191", u"\u00DF", u"Sym", u" "};
  for (auto _ : state) {
    harness::Hdc memory = gdi.CreateCompatibleDC(window);
    harness::Hbitmap image = gdi.CreateCompatibleBitmap(window, 240, 400);
    harness::Hgdiobj old = gdi.SelectObject(memory, image);
    Rect all{0, 0, 240, 400};
    gdi.FillRect(memory, &all, gdi.GetStockObject(harness::WHITE_BRUSH));
    gdi.SetBkMode(memory, harness::TRANSPARENT);
    for (int key = 0; key < 52; ++key) {
      Rect r{(key % 8) * 30, (key / 8) * 36, (key % 8) * 30 + 29, (key / 8) * 36 + 35};
      harness::Hbrush frame = gdi.CreateSolidBrush(0);
      harness::Hbrush face = gdi.CreateSolidBrush(key % 2 ? 0x00FF0000 : 0x00FFFFFF);
      gdi.FillRect(memory, &r, frame);
      Rect inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
      gdi.FillRect(memory, &inner, face);
      gdi.DrawTextW(memory, labels[key % 6], -1, &r, harness::DT_CENTER | harness::DT_VCENTER);
      gdi.DeleteObject(frame);
      gdi.DeleteObject(face);
    }
    gdi.BitBlt(window, 0, 0, 240, 400, memory, 0, 0, harness::SRCCOPY);
    gdi.SelectObject(memory, old);
    gdi.DeleteObject(image);
    gdi.DeleteDC(memory);
  }
  gdi.releaseWindowSurface(window);
}
BENCHMARK(BM_PaintKeyboard);

void BM_DrawLabel(benchmark::State& state) {
  Gdi gdi(emu::DefaultFontFile());
  Bitmap screen(60, 40);
  harness::Hdc window = gdi.createWindowSurface(&screen, {0, 0}, {{0, 0, 60, 40}});
  Rect r{0, 0, 60, 40};
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        gdi.DrawTextW(window, u"RESET", -1, &r, harness::DT_CENTER | harness::DT_VCENTER));
  }
  gdi.releaseWindowSurface(window);
}
BENCHMARK(BM_DrawLabel);

}  // namespace
