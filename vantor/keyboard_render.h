// Drawing of the key table: framed keys filled by their count, drawn off-screen and shown with
// one copy so the operator never sees a half-drawn keyboard.
#pragma once

#include <cstdint>

#include "harness/platform_types.h"

namespace vantor {

inline constexpr harness::ColorRef kFrameColour = 0x00000000;
inline constexpr harness::ColorRef kUnpressedColour = 0x00FFFFFF;
inline constexpr harness::ColorRef kPressedOnceColour = 0x00FF0000;   // blue
inline constexpr harness::ColorRef kPressedAgainColour = 0x000000FF;  // red

harness::ColorRef fillColourForCount(std::uint32_t pressCount);

void paintKeyboard(harness::Hwnd window, harness::Hdc paintSurface);
// A 1-pixel frame around a face, with the label centred at the top; label may be null.
void drawKey(harness::Hdc surface, const harness::Wchar* labelText, const harness::Rect& rect,
             harness::ColorRef frameColour, harness::ColorRef fillColour);

}  // namespace vantor
