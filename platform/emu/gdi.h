// The emulated handset's drawing objects: surfaces (window surfaces on the screen and memory
// surfaces), brushes and bitmaps, behind the platform's drawing operations. Every operation
// clips to the surfaces it touches: nothing is read or written outside a bitmap, whatever the
// rectangle. Handles are checked: an unknown or deleted handle makes the call fail harmlessly.
// Text is drawn in the one default font (FontRenderer, font.h: the given TrueType file at
// kDefaultFontPixelSize pixels, antialiased and blended onto the destination).
//
// A program that repaints creates and deletes its surfaces, images and brushes every time, so the
// device keeps their records on free lists and the pixels of deleted images in a small pool: once
// a run has seen its sizes, drawing allocates nothing. Drawing on a memory image is recorded and
// worked out only for the parts that are copied out of it (or all of it when it is read whole),
// with exactly the pixels that drawing at once would give.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "harness/platform_types.h"
#include "platform/emu/pixels.h"

namespace emu {

class FontRenderer;

class Gdi {
 public:
  // fontFile: the TrueType font used for all text (the handset's default font).
  explicit Gdi(const char* fontFile);
  ~Gdi();
  Gdi(const Gdi&) = delete;
  Gdi& operator=(const Gdi&) = delete;

  // A surface that draws onto `screen` (which must outlive it): surface coordinates are offset
  // by `origin` (the client area's top-left on the screen) and drawing is limited to `clip`
  // (screen coordinates; an empty list draws nothing).
  harness::Hdc createWindowSurface(Bitmap* screen, Point origin, const std::vector<Rect>& clip);
  // Releases a window surface; false for anything else.
  bool releaseWindowSurface(harness::Hdc surface);
  // A bitmap object holding the given pixels (resource bitmaps).
  harness::Hbitmap createBitmap(Bitmap pixels);
  // The same with a copy of them, in pooled storage: a resource loaded again and again.
  harness::Hbitmap copyBitmap(const Bitmap& pixels);
  // The pixels of a bitmap object, or null.
  const Bitmap* bitmapPixels(harness::Hbitmap bitmap) const;

  // Objects currently alive that were created through the operations below (brushes, bitmaps,
  // memory surfaces, window surfaces); stock objects are not counted.
  std::size_t liveObjectCount() const;

  // The platform's operations, with the platform's results.
  harness::Hdc CreateCompatibleDC(harness::Hdc surface);
  harness::Hbitmap CreateCompatibleBitmap(harness::Hdc surface, int width, int height);
  harness::Hgdiobj SelectObject(harness::Hdc surface, harness::Hgdiobj object);
  harness::Hgdiobj GetStockObject(int index);
  harness::Hbrush CreateSolidBrush(ColorRef color);
  int FillRect(harness::Hdc surface, const Rect* rect, harness::Hbrush brush);
  int SetBkMode(harness::Hdc surface, int mode);
  ColorRef SetBkColor(harness::Hdc surface, ColorRef color);
  ColorRef SetTextColor(harness::Hdc surface, ColorRef color);
  int DrawTextW(harness::Hdc surface, const harness::Wchar* text, int length, Rect* rect,
                std::uint32_t format);
  int BitBlt(harness::Hdc dest, int x, int y, int width, int height, harness::Hdc source,
             int sourceX, int sourceY, std::uint32_t rop);
  int DeleteDC(harness::Hdc surface);
  int DeleteObject(harness::Hgdiobj object);
  int GetBitmapSize(harness::Hbitmap bitmap, int* width, int* height);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace emu
