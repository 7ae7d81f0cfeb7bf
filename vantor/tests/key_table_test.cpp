#include "vantor/key_table.h"

#include <gtest/gtest.h>

#include <string>

#include "vantor/key_layouts.h"
#include "vantor/test_state.h"
#include "vantor/tests/fake_platform.h"

namespace vantor {
namespace {

using testing::FakePlatform;

class KeyTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetTestState();
    testState.dialog = testing::handleOf<harness::Hwnd>(0xD1A);
    fake.nameWindow(testState.dialog, "dialog");
  }
  KeyTable& table() { return testState.keyTable; }
  FakePlatform fake;
};

TEST_F(KeyTableTest, LabelKeepsAtMostFiftyUnitsAndIsZeroFilled) {
  const std::u16string sixty(60, u'x');
  table().addKey(65, 0, 0, 1, 2, 3, 4, sixty.c_str(), 33);
  table().addKey(66, 0, 0, 1, 2, 3, 4, u"abc", 34);
  const KeyTableEntry& longEntry = table().keyAt(0);
  EXPECT_EQ(std::u16string(longEntry.label), std::u16string(50, u'x'));
  const KeyTableEntry& shortEntry = table().keyAt(1);
  EXPECT_EQ(std::u16string(shortEntry.label), u"abc");
  for (std::uint32_t i = 3; i < kLabelUnits; ++i) EXPECT_EQ(shortEntry.label[i], 0) << i;
  for (std::uint32_t i = 50; i < kLabelUnits; ++i) EXPECT_EQ(longEntry.label[i], 0) << i;
}

TEST_F(KeyTableTest, FieldsKeepTheirOrderAndRectIsExclusive) {
  table().addKey(13, 38, 0, 280, 210, 28, 25, u"Etr", 58);
  const KeyTableEntry& e = table().keyAt(0);
  EXPECT_EQ(e.virtualKey, 13u);
  EXPECT_EQ(e.scanCode, 38u);
  EXPECT_EQ(e.matrixCode, 58u);
  EXPECT_EQ(e.pressCount, 0u);
  EXPECT_EQ(KeyTable::keyRect(e), (harness::Rect{280, 210, 308, 235}));
}

TEST_F(KeyTableTest, CapacityIsFixedAtFiftyTwo) {
  for (std::uint32_t i = 0; i < kKeyTableCapacity + 5; ++i) {
    table().addKey(i, 0, 0, 0, 0, 1, 1, u"k", i);
  }
  EXPECT_EQ(table().keyCount(), kKeyTableCapacity);
  EXPECT_EQ(table().findKeyByVirtualKey(kKeyTableCapacity, 0), -1);
  table().clearKeys();
  EXPECT_EQ(table().keyCount(), 0u);
}

struct LookupCase {
  bool compact;
  std::uint32_t virtualKey;
  std::uint32_t scanCode;
  std::int32_t expected;
};

TEST_F(KeyTableTest, FindKeyByVirtualKey) {
  const LookupCase cases[] = {
      {false, 13, 38, 44},  // the keyboard's Enter
      {false, 13, 0, 14},   // navigation-pad centre
      {false, 13, 37, 14}, {false, 13, 255, 14}, {false, 81, 0, 15},  {false, 81, 38, 15},
      {false, 117, 0, 0},  {false, 140, 0, 51},  {false, 116, 0, -1}, {false, 193, 0, -1},
      {true, 13, 38, -1},  {true, 13, 0, -1},    {true, 91, 0, 6},    {true, 81, 0, -1},
  };
  for (const LookupCase& c : cases) {
    table().clearKeys();
    addLayoutKeys(table(), c.compact ? 240 : 320, c.compact ? 400 : 320, 0);
    EXPECT_EQ(table().findKeyByVirtualKey(c.virtualKey, c.scanCode), c.expected)
        << (c.compact ? "compact" : "full") << " vk " << c.virtualKey << " scan " << c.scanCode;
  }
}

TEST_F(KeyTableTest, FindKeyByMatrixCode) {
  addLayoutKeys(table(), 320, 320, 0);
  EXPECT_EQ(table().findKeyByMatrixCode(0), 0);  // side keys carry 0: "Vol Up"
  EXPECT_EQ(table().findKeyByMatrixCode(58), 44);
  EXPECT_EQ(table().findKeyByMatrixCode(22), 36);
  EXPECT_EQ(table().findKeyByMatrixCode(99), -1);
  table().clearKeys();
  addLayoutKeys(table(), 400, 240, 0);
  EXPECT_EQ(table().findKeyByMatrixCode(0), 0);
  EXPECT_EQ(table().findKeyByMatrixCode(17), -1);
}

TEST_F(KeyTableTest, CountsOnlyEntriesAtExactlyOne) {
  addLayoutKeys(table(), 320, 320, 0);
  for (std::uint32_t i = 0; i < table().keyCount(); ++i) table().keyAt(i).pressCount = 2;
  EXPECT_EQ(table().countKeysPressedOnce(), 0u);
  table().keyAt(3).pressCount = 1;
  table().keyAt(7).pressCount = 1;
  EXPECT_EQ(table().countKeysPressedOnce(), 2u);
}

TEST_F(KeyTableTest, ResetClearsCountsAndRepaintsTheWholeDialog) {
  addLayoutKeys(table(), 320, 320, 0);
  table().keyAt(0).pressCount = 1;
  table().keyAt(51).pressCount = 2;
  table().resetPressCounts();
  EXPECT_EQ(table().keyAt(0).pressCount, 0u);
  EXPECT_EQ(table().keyAt(51).pressCount, 0u);
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"InvalidateRect dialog all 1"}));
}

TEST_F(KeyTableTest, EmptyTableStillRequestsTheRepaint) {
  EXPECT_EQ(table().keyCount(), 0u);
  EXPECT_EQ(table().countKeysPressedOnce(), 0u);
  table().resetPressCounts();
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"InvalidateRect dialog all 1"}));
}

}  // namespace
}  // namespace vantor
