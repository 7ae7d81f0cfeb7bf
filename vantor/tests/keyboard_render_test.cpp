#include "vantor/keyboard_render.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vantor/test_state.h"
#include "vantor/tests/fake_platform.h"

namespace vantor {
namespace {

using testing::FakePlatform;

class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetTestState();
    testState.screenWidth = 320;
    testState.screenHeight = 320;
    KeyTable& t = testState.keyTable;
    t.addKey(81, 0, 0, 10, 150, 28, 25, u"Q", 17);
    t.addKey(87, 0, 1, 40, 150, 28, 25, u"W", 18);
    t.addKey(38, 0, 2, 146, 50, 28, 20, u" ", 0);
  }
  const harness::Hdc paint = testing::handleOf<harness::Hdc>(0x9A1);
  FakePlatform fake;
};

TEST_F(RenderTest, ColoursFollowTheCount) {
  EXPECT_EQ(fillColourForCount(0), 0x00FFFFFFu);
  EXPECT_EQ(fillColourForCount(1), 0x00FF0000u);
  EXPECT_EQ(fillColourForCount(2), 0x000000FFu);
  EXPECT_EQ(fillColourForCount(7), 0x000000FFu);
}

TEST_F(RenderTest, DrawsEveryKeyOffScreenAndReleasesEverything) {
  paintKeyboard(nullptr, paint);
  // Frame brush, then face brush, per key in table order.
  EXPECT_EQ(fake.brushColours, (std::vector<harness::ColorRef>{0, 0xFFFFFF, 0, 0xFF0000, 0, 0xFF}));
  EXPECT_TRUE(fake.liveObjects.empty());
  EXPECT_TRUE(fake.liveSurfaces.empty());
  EXPECT_TRUE(fake.selected.empty());  // the surface's own image went back in
  const std::vector<std::string> expected = {
      "CreateCompatibleDC 0x9a1",
      "CreateCompatibleBitmap 320x320",
      "SelectObject 0x1001",
      "FillRect (0,0,320,320) white-stock",
      "SetBkMode 1",
      "FillRect (10,150,38,175) brush",
      "FillRect (11,151,37,174) brush",
      "DrawTextW Q -1 (10,150,38,175) 5",
      "FillRect (40,150,68,175) brush",
      "FillRect (41,151,67,174) brush",
      "DrawTextW W -1 (40,150,68,175) 5",
      "FillRect (146,50,174,70) brush",
      "FillRect (147,51,173,69) brush",
      "DrawTextW   -1 (146,50,174,70) 5",
      "BitBlt 0x9a1 0,0 320x320 from 0,0 0xcc0020",
      "SelectObject 0xdef0",
      "DeleteDC",
  };
  EXPECT_EQ(fake.calls, expected);
}

TEST_F(RenderTest, CopyIsLimitedToTheOffScreenImage) {
  fake.clientRect = {0, 0, 200, 300};
  paintKeyboard(nullptr, paint);
  EXPECT_EQ(fake.callsStartingWith("BitBlt"),
            (std::vector<std::string>{"BitBlt 0x9a1 0,0 200x300 from 0,0 0xcc0020"}));
  testState.screenWidth = 100;
  fake.calls.clear();
  paintKeyboard(nullptr, paint);
  EXPECT_EQ(fake.callsStartingWith("BitBlt"),
            (std::vector<std::string>{"BitBlt 0x9a1 0,0 100x300 from 0,0 0xcc0020"}));
}

TEST_F(RenderTest, EmptyTableIsPlainWhite) {
  testState.keyTable.clearKeys();
  paintKeyboard(nullptr, paint);
  EXPECT_TRUE(fake.brushColours.empty());
  EXPECT_EQ(fake.callsStartingWith("FillRect"),
            (std::vector<std::string>{"FillRect (0,0,320,320) white-stock"}));
}

}  // namespace
}  // namespace vantor
