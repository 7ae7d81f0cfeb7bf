#include "vantor/keyboard_render.h"

#include <algorithm>

#include "harness/platform.h"
#include "harness/platform_constants.h"
#include "vantor/test_state.h"

namespace vantor {

harness::ColorRef fillColourForCount(std::uint32_t pressCount) {
  if (pressCount == 0) return kUnpressedColour;
  if (pressCount == 1) return kPressedOnceColour;
  return kPressedAgainColour;
}

void paintKeyboard(harness::Hwnd window, harness::Hdc paintSurface) {
  harness::Platform& os = harness::platform();
  harness::Rect client{};
  os.GetClientRect(window, &client);
  const int imageWidth = client.right - client.left;
  const int imageHeight = client.bottom - client.top;

  harness::Hdc memory = os.CreateCompatibleDC(paintSurface);
  harness::Hbitmap image = os.CreateCompatibleBitmap(paintSurface, imageWidth, imageHeight);
  harness::Hgdiobj previous = os.SelectObject(memory, image);

  os.FillRect(memory, &client,
              static_cast<harness::Hbrush>(os.GetStockObject(harness::WHITE_BRUSH)));
  os.SetBkMode(memory, harness::TRANSPARENT);

  const KeyTable& table = testState.keyTable;
  for (std::uint32_t i = 0; i < table.keyCount(); ++i) {
    const KeyTableEntry& entry = table.keyAt(i);
    drawKey(memory, entry.label, KeyTable::keyRect(entry), kFrameColour,
            fillColourForCount(entry.pressCount));
  }

  // The recorded screen size, but never more than the off-screen image holds.
  const int copyWidth =
      static_cast<int>(std::min<std::int64_t>(testState.screenWidth, std::max(imageWidth, 0)));
  const int copyHeight =
      static_cast<int>(std::min<std::int64_t>(testState.screenHeight, std::max(imageHeight, 0)));
  os.BitBlt(paintSurface, 0, 0, copyWidth, copyHeight, memory, 0, 0, harness::SRCCOPY);

  os.SelectObject(memory, previous);
  os.DeleteObject(image);
  os.DeleteDC(memory);
}

void drawKey(harness::Hdc surface, const harness::Wchar* labelText, const harness::Rect& rect,
             harness::ColorRef frameColour, harness::ColorRef fillColour) {
  harness::Platform& os = harness::platform();
  harness::Hbrush frameBrush = os.CreateSolidBrush(frameColour);
  harness::Hbrush fillBrush = os.CreateSolidBrush(fillColour);
  os.FillRect(surface, &rect, frameBrush);
  const harness::Rect face{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
  os.FillRect(surface, &face, fillBrush);
  os.SetBkColor(surface, fillColour);
  os.SetTextColor(surface, frameColour);
  if (labelText != nullptr) {
    harness::Rect textRect = rect;
    os.DrawTextW(surface, labelText, -1, &textRect, harness::DT_CENTER | harness::DT_VCENTER);
  }
  os.DeleteObject(frameBrush);
  os.DeleteObject(fillBrush);
}

}  // namespace vantor
