// The fixed key slots of the line test: code, rectangle on the keypad picture and the id of the
// pressed-key image, for slots 0 to 58 (slot 59 stays empty). Shared by the program and the
// artwork generator, so the picture and the slots cannot drift apart.
#pragma once

#include <array>
#include <cstdint>

namespace vantor1 {

struct SlotDefinition {
  std::int32_t vkCode;
  std::int32_t x;
  std::int32_t y;
  std::int32_t width;
  std::int32_t height;
  std::int32_t bitmapId;
};

inline constexpr int KEY_SLOT_COUNT = 60;
inline constexpr int FILLED_SLOT_COUNT = 59;
inline constexpr int BACKGROUND_BITMAP_ID = 129;

inline constexpr std::array<SlotDefinition, FILLED_SLOT_COUNT> kSlotDefinitions = {{
    {81, 2, 88, 29, 35, 164},      // 0: Q
    {87, 33, 88, 29, 35, 182},     // 1: W
    {69, 63, 88, 29, 35, 145},     // 2: E
    {82, 95, 88, 29, 35, 165},     // 3: R
    {84, 127, 88, 29, 35, 176},    // 4: T
    {90, 160, 88, 29, 35, 189},    // 5: Z
    {85, 192, 88, 29, 35, 177},    // 6: U
    {73, 224, 88, 29, 35, 151},    // 7: I
    {79, 256, 88, 29, 35, 160},    // 8: O
    {80, 288, 90, 29, 35, 162},    // 9: P
    {65, 2, 125, 29, 35, 135},     // 10: A
    {83, 33, 125, 29, 35, 167},    // 11: S
    {68, 64, 125, 29, 35, 142},    // 12: D
    {70, 97, 125, 29, 35, 147},    // 13: F
    {71, 128, 125, 29, 35, 148},   // 14: G
    {72, 161, 125, 29, 35, 149},   // 15: H
    {74, 192, 125, 29, 35, 152},   // 16: J
    {75, 224, 125, 29, 35, 153},   // 17: K
    {76, 256, 125, 29, 35, 154},   // 18: L
    {89, 33, 162, 29, 35, 188},    // 19: Y
    {88, 64, 162, 29, 35, 187},    // 20: X
    {67, 97, 162, 29, 35, 139},    // 21: C
    {86, 130, 162, 29, 35, 179},   // 22: V
    {66, 161, 162, 29, 35, 137},   // 23: B
    {78, 192, 162, 29, 35, 159},   // 24: N
    {77, 225, 162, 29, 35, 156},   // 25: M
    {240, 256, 162, 29, 35, 190},  // 26: full stop, third letter row right of M
    {8, 288, 125, 29, 35, 143},    // 27: Backspace (left arrow), end of the A row
    {16, 1, 161, 29, 35, 169},     // 28: Shift (up arrow), start of the Y row
    {144, 3, 199, 29, 35, 191},    // 29: Alt (second Alt image), bottom-left corner
    {232, 65, 199, 29, 35, 194},   // 30: symbol key with a λ-like glyph
    {241, 98, 198, 29, 35, 134},   // 31: key labelled 0
    {32, 127, 198, 64, 37, 174},   // 32: Space
    {190, 192, 199, 29, 35, 141},  // 33: comma, bottom row right of Space
    {202, 33, 199, 29, 35, 170},   // 34: Alt
    {175, 224, 198, 29, 35, 175},  // 35: sym
    {195, 288, 198, 29, 35, 140},  // 36: camera symbol, bottom-right corner
    {140, 257, 198, 29, 35, 157},  // 37: envelope (messaging) symbol
    {196, 7, 4, 48, 24, 163},      // 38: Power key, top left
    {91, 72, 57, 67, 25, 150},     // 39: Start key (house symbol)
    {13, 288, 162, 29, 35, 146},   // 40: Enter of the keyboard, end of the Y row
    {117, 194, 4, 55, 24, 181},    // 41: Volume Up
    {118, 250, 4, 59, 24, 180},    // 42: Volume Down
    {112, 66, 34, 34, 20, 171},    // 43: left soft key
    {113, 217, 34, 34, 20, 172},   // 44: right soft key
    {27, 215, 58, 34, 20, 138},    // 45: OK
    {114, 25, 45, 67, 25, 168},    // 46: Talk (handset key, left)
    {115, 262, 45, 63, 20, 130},   // 47: End (handset key, right)
    {38, 147, 26, 20, 14, 178},    // 48: navigation up
    {40, 149, 69, 20, 14, 144},    // 49: navigation down
    {37, 117, 44, 19, 20, 155},    // 50: navigation left
    {39, 181, 44, 19, 20, 166},    // 51: navigation right
    {33, 173, 31, 14, 14, 185},    // 52: navigation ring segment, upper right
    {33, 175, 61, 14, 14, 186},    // 53: navigation ring segment, lower right
    {34, 131, 32, 14, 14, 183},    // 54: navigation ring segment, upper left
    {34, 131, 63, 14, 14, 184},    // 55: navigation ring segment, lower left
    {13, 145, 48, 25, 12, 161},    // 56: navigation centre (action key)
    {117, 13, 4, 55, 24, 199},     // 57: CAM
    {118, 70, 4, 59, 24, 198},     // 58: HOLD
}};

}  // namespace vantor1
