// The drawn handset around the emulated screen: where the screen sits, the buttons for the keys
// a PC keyboard lacks, and the status strip beside the body (never over the screen). All in
// window pixels before scaling.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/emu/pixels.h"

namespace emu {

struct HandsetButton {
  const char* label;
  std::uint32_t vk;
  std::uint32_t scan;
  Rect rect;
};

struct HandsetLayout {
  Rect body;
  Rect screen;
  Rect strip;  // the status strip, right of the body
  int width = 0;
  int height = 0;
  std::vector<HandsetButton> buttons;

  // The button at a window pixel, or null.
  const HandsetButton* buttonAt(Point p) const;
};

HandsetLayout LayoutHandset(int screenWidth, int screenHeight);

}  // namespace emu
