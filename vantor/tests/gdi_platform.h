// A platform whose drawing operations are the emulated handset's drawing layer, for painting the
// keyboard into a real screen bitmap without a window manager (rendering tests, benchmarks).
#pragma once

#include "harness/null_platform.h"
#include "platform/emu/gdi.h"
#include "platform/emu/pixels.h"

namespace vantor::testing {

class GdiPlatform : public harness::NullPlatform {
 public:
  GdiPlatform(const char* fontFile, int width, int height)
      : gdi(fontFile), screen(width, height, 0x00123456) {
    harness::SetPlatform(this);
  }
  ~GdiPlatform() override { harness::SetPlatform(nullptr); }

  // A paint surface over the whole screen.
  harness::Hdc beginPaint() {
    return gdi.createWindowSurface(&screen, {0, 0}, {{0, 0, screen.width, screen.height}});
  }
  void endPaint(harness::Hdc surface) { gdi.releaseWindowSurface(surface); }

  int GetClientRect(harness::Hwnd, harness::Rect* rect) override {
    *rect = {0, 0, screen.width, screen.height};
    return 1;
  }
  harness::Hdc CreateCompatibleDC(harness::Hdc s) override { return gdi.CreateCompatibleDC(s); }
  harness::Hbitmap CreateCompatibleBitmap(harness::Hdc s, int w, int h) override {
    return gdi.CreateCompatibleBitmap(s, w, h);
  }
  harness::Hgdiobj SelectObject(harness::Hdc s, harness::Hgdiobj o) override {
    return gdi.SelectObject(s, o);
  }
  harness::Hgdiobj GetStockObject(int index) override { return gdi.GetStockObject(index); }
  harness::Hbrush CreateSolidBrush(harness::ColorRef c) override { return gdi.CreateSolidBrush(c); }
  int FillRect(harness::Hdc s, const harness::Rect* r, harness::Hbrush b) override {
    return gdi.FillRect(s, r, b);
  }
  int SetBkMode(harness::Hdc s, int mode) override { return gdi.SetBkMode(s, mode); }
  harness::ColorRef SetBkColor(harness::Hdc s, harness::ColorRef c) override {
    return gdi.SetBkColor(s, c);
  }
  harness::ColorRef SetTextColor(harness::Hdc s, harness::ColorRef c) override {
    return gdi.SetTextColor(s, c);
  }
  int DrawTextW(harness::Hdc s, const harness::Wchar* text, int length, harness::Rect* r,
                std::uint32_t format) override {
    return gdi.DrawTextW(s, text, length, r, format);
  }
  int BitBlt(harness::Hdc d, int x, int y, int w, int h, harness::Hdc s, int sx, int sy,
             std::uint32_t rop) override {
    return gdi.BitBlt(d, x, y, w, h, s, sx, sy, rop);
  }
  int DeleteDC(harness::Hdc s) override { return gdi.DeleteDC(s); }
  int DeleteObject(harness::Hgdiobj o) override { return gdi.DeleteObject(o); }

  emu::Gdi gdi;
  emu::Bitmap screen;
};

}  // namespace vantor::testing
