// The keyboard painted by the emulated handset's drawing layer, checked pixel by pixel.
#include <gtest/gtest.h>

#include "platform/emu/font.h"
#include "vantor/key_layouts.h"
#include "vantor/keyboard_render.h"
#include "vantor/test_state.h"
#include "vantor/tests/gdi_platform.h"

namespace vantor {
namespace {

class RenderGdiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetTestState();
    testState.screenWidth = 320;
    testState.screenHeight = 320;
    addLayoutKeys(testState.keyTable, 320, 320, 0);
  }
  void paint() {
    harness::Hdc surface = device.beginPaint();
    paintKeyboard(nullptr, surface);
    device.endPaint(surface);
  }
  harness::ColorRef at(int x, int y) const { return device.screen.at(x, y); }
  // Pixels of the key's face (inside the frame) that are not the fill colour: its label.
  int labelPixels(std::uint32_t index, harness::ColorRef fill) const {
    const harness::Rect r = KeyTable::keyRect(testState.keyTable.keyAt(index));
    int n = 0;
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
      for (int x = r.left + 1; x < r.right - 1; ++x) n += at(x, y) != fill ? 1 : 0;
    }
    return n;
  }
  testing::GdiPlatform device{emu::DefaultFontFile(), 320, 320};
};

TEST_F(RenderGdiTest, FramedKeysFilledByCountOnWhite) {
  KeyTable& table = testState.keyTable;
  table.keyAt(15).pressCount = 1;  // Q blue
  table.keyAt(16).pressCount = 2;  // W red
  paint();
  struct Probe {
    int x, y;
    harness::ColorRef colour;
  };
  const Probe probes[] = {
      {0, 0, 0x00FFFFFF},    {315, 315, 0x00FFFFFF},  // background
      {10, 150, 0},          {37, 174, 0},            // Q's frame corners
      {11, 172, 0x00FF0000}, {36, 151, 0x00FF0000},   // Q's face, away from the label
      {41, 172, 0x000000FF},                          // W's face
      {71, 172, 0x00FFFFFF},                          // E unpressed
      {38, 150, 0x00FFFFFF}, {39, 160, 0x00FFFFFF},   // the gap between Q and W
      {146, 75, 0},          {160, 87, 0x00FFFFFF},   // navigation centre: frame, bare face
  };
  for (const Probe& p : probes) {
    EXPECT_EQ(at(p.x, p.y), p.colour) << p.x << "," << p.y;
  }
  EXPECT_GT(labelPixels(15, 0x00FF0000), 0);  // "Q" drawn on blue
  EXPECT_EQ(labelPixels(14, 0x00FFFFFF), 0);  // a single space draws nothing
}

TEST_F(RenderGdiTest, ResetCountsPaintEveryKeyWhiteAgain) {
  for (std::uint32_t i = 0; i < testState.keyTable.keyCount(); ++i) {
    testState.keyTable.keyAt(i).pressCount = 1 + i % 2;
  }
  paint();
  EXPECT_EQ(at(11, 172), 0x000000FFu);  // Q, index 15: red
  EXPECT_EQ(at(41, 172), 0x00FF0000u);  // W, index 16: blue
  for (std::uint32_t i = 0; i < testState.keyTable.keyCount(); ++i) {
    testState.keyTable.keyAt(i).pressCount = 0;
  }
  paint();
  EXPECT_EQ(at(11, 172), 0x00FFFFFFu);
  EXPECT_EQ(at(41, 172), 0x00FFFFFFu);
}

TEST_F(RenderGdiTest, PaintingLeavesNoDrawingObjectsBehind) {
  const std::size_t before = device.gdi.liveObjectCount();
  for (int i = 0; i < 5; ++i) paint();
  EXPECT_EQ(device.gdi.liveObjectCount(), before);
}

// A label wider and taller than its key stays inside the key; a key reaching past the screen
// is cut at the edge.
TEST_F(RenderGdiTest, LabelsAndKeysAreClipped) {
  KeyTable& table = testState.keyTable;
  table.clearKeys();
  table.addKey(65, 0, 1, 100, 100, 14, 8, u"Camera Camera", 33);
  table.addKey(66, 0, 2, 300, 305, 40, 40, u"Msg", 34);
  paint();
  for (int y = 80; y < 130; ++y) {
    for (int x = 60; x < 160; ++x) {
      const bool inside = x >= 100 && x < 114 && y >= 100 && y < 108;
      if (!inside) {
        ASSERT_EQ(at(x, y), 0x00FFFFFFu) << x << "," << y;
      }
    }
  }
  EXPECT_GT(labelPixels(0, 0x00FF0000), 0);
  EXPECT_EQ(at(300, 305), 0u);           // frame corner
  EXPECT_EQ(at(319, 319), 0x000000FFu);  // red face up to the screen's edge
  EXPECT_EQ(at(299, 319), 0x00FFFFFFu);
}

TEST_F(RenderGdiTest, EmptyTableIsPlainWhite) {
  testState.keyTable.clearKeys();
  paint();
  for (int y = 0; y < 320; y += 7) {
    for (int x = 0; x < 320; x += 7) ASSERT_EQ(at(x, y), 0x00FFFFFFu) << x << "," << y;
  }
}

}  // namespace
}  // namespace vantor
