#include "vantor/key_events.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "harness/platform_constants.h"
#include "vantor/key_layouts.h"
#include "vantor/test_state.h"
#include "vantor/tests/fake_platform.h"

namespace vantor {
namespace {

using testing::FakePlatform;

class KeyEventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetTestState();
    testState.dialog = testing::handleOf<harness::Hwnd>(0xD1A);
    fake.nameWindow(testState.dialog, "dialog");
    addLayoutKeys(testState.keyTable, 320, 320, 0);
  }
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    for (const auto& line : fake.debugLines) out.push_back(harness::Utf16ToUtf8(line));
    return out;
  }
  std::string lastLine() const { return harness::Utf16ToUtf8(fake.debugLines.back()); }
  std::uint32_t count(std::uint32_t index) const {
    return testState.keyTable.keyAt(index).pressCount;
  }
  // Releases a key at the given tick.
  void release(std::uint32_t tick, std::uint32_t vk, std::uint8_t scan = 0) {
    fake.tick = tick;
    OnKeyUp(vk, 1, scan);
  }
  FakePlatform fake;
};

TEST(AcceptedKeyCodes, ExactlyTheLayoutCodesAndTheMatrixCode) {
  std::vector<std::uint32_t> accepted;
  for (std::uint32_t vk = 0; vk < 1024; ++vk) {
    if (isAcceptedKeyCode(vk)) accepted.push_back(vk);
  }
  const std::vector<std::uint32_t> expected = {
      8,   13,  32,  37,  38,  39,  40,  48,  59,  62,  65,  66,  67,  68,  69,  70,  71, 72, 73,
      74,  75,  76,  77,  78,  79,  80,  81,  82,  83,  84,  85,  86,  87,  88,  89,  90, 91, 95,
      112, 113, 114, 115, 117, 118, 129, 136, 138, 140, 143, 188, 190, 193, 240, 241, 245};
  EXPECT_EQ(accepted, expected);
  for (std::uint32_t near : {116u, 49u, 57u, 60u, 61u, 63u, 64u, 92u, 94u, 189u, 191u, 192u, 242u,
                             244u, 256u + 13u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(isAcceptedKeyCode(near)) << near;
  }
}

TEST_F(KeyEventsTest, FirstReleaseCountsRedrawsBeepsAndLogs) {
  fake.tick = 123;
  OnKeyUp(81, 1, 16);
  EXPECT_EQ(count(15), 1u);
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"InvalidateRect dialog (10,150,38,175) 1",
                                                  "PlaySoundW beep.wav 0x0 1"}));
  EXPECT_EQ(lines(),
            (std::vector<std::string>{"[000123][Vantor]OnKeyUp char[0x0051:0x10][01][Q:1]\r\n"}));
}

TEST_F(KeyEventsTest, LogLinesAreByteExact) {
  fake.tick = 4294967295u;  // printed signed, as the handset does
  OnKeyDown(0x1BC, 65535, 255);
  fake.tick = 7;
  OnKeyUp(116, 3, 0xAB);
  OnKeyUp(13, 12, 38);
  EXPECT_EQ(lines(),
            (std::vector<std::string>{"[-00001][Vantor]OnKeyDown   char[0x01BC:0xFF][65535]\r\n",
                                      "[000007][Vantor]OnKeyUp char[0x0074:0xAB][03][:0]\r\n",
                                      "[000007][Vantor]OnKeyUp char[0x000D:0x26][12][Etr:1]\r\n"}));
}

// Sequences of releases (tick, vk, scan) with the counts of the keys afterwards.
struct Release {
  std::uint32_t tick;
  std::uint32_t vk;
  std::uint8_t scan;
  std::string logTail;  // what the OnKeyUp line ends with
};
struct SequenceCase {
  const char* name;
  std::uint32_t startLastKeyUpTick;
  std::vector<Release> releases;
};

TEST_F(KeyEventsTest, RepeatFilter) {
  const SequenceCase cases[] = {
      {"again after 130 ms counts, cycling 1 2 1",
       0,
       {{1000, 81, 0, "[Q:1]"}, {1130, 81, 0, "[Q:2]"}, {1260, 81, 0, "[Q:1]"}}},
      {"within 130 ms is a repeat", 0, {{1000, 81, 0, "[Q:1]"}, {1129, 81, 0, "[:0]"}}},
      {"a bouncing key stays ignored until quiet for 130 ms",
       0,
       {{1000, 81, 0, "[Q:1]"},
        {1100, 81, 0, "[:0]"},
        {1200, 81, 0, "[:0]"},
        {1330, 81, 0, "[Q:2]"}}},
      {"A, B, A within the window counts A again",
       0,
       {{1000, 81, 0, "[Q:1]"}, {1010, 87, 0, "[W:1]"}, {1020, 81, 0, "[Q:2]"}}},
      {"a filtered-out code does not break the window",
       0,
       {{1000, 81, 0, "[Q:1]"}, {1050, 116, 0, "[:0]"}, {1100, 81, 0, "[:0]"}}},
      {"an accepted code without entry resets the last key",
       0,
       {{1000, 81, 0, "[Q:1]"}, {1010, 193, 99, "[:0]"}, {1020, 81, 0, "[Q:2]"}}},
      {"matrix code 193 finds the key by scan code",
       0,
       {{1000, 193, 22, "[Z:1]"}, {1050, 90, 0, "[:0]"}}},
      {"Enter with scan 38 is Etr, other scans the pad centre",
       0,
       {{1000, 13, 38, "[Etr:1]"}, {1001, 13, 0, "[ :1]"}, {1002, 13, 37, "[:0]"}}},
      {"wrap-around: 96 ms across zero is a repeat, 144 ms is not",
       0,
       {{0xFFFFFFF0u, 81, 0, "[Q:1]"}, {0x50, 81, 0, "[:0]"}, {0xE0, 81, 0, "[Q:2]"}}},
      {"wrap-around with a stale last tick counts", 0xFFFFFF00u, {{0x10, 81, 0, "[Q:1]"}}},
  };
  for (const SequenceCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    fake.debugLines.clear();
    testState.lastKeyIndex = 15;  // as if Q had been released last
    testState.lastKeyUpTick = c.startLastKeyUpTick;
    if (c.startLastKeyUpTick == 0) testState.lastKeyIndex = -1;
    for (const Release& r : c.releases) {
      release(r.tick, r.vk, r.scan);
      const std::string line = lastLine();
      EXPECT_EQ(line.substr(line.size() - r.logTail.size() - 2), r.logTail + "\r\n")
          << "at tick " << r.tick;
    }
  }
}

TEST_F(KeyEventsTest, RepeatLeavesNoTraceButTheLogLine) {
  release(1000, 81);
  fake.calls.clear();
  release(1050, 81);
  EXPECT_TRUE(fake.calls.empty());
  EXPECT_EQ(count(15), 1u);
  EXPECT_EQ(testState.lastKeyIndex, 15);
  EXPECT_EQ(testState.lastKeyUpTick, 1050u);
}

// On a clock that moves while the release is handled, the repeat check, the stamp and each
// log line take readings of their own.
TEST_F(KeyEventsTest, EachStepReadsTheClockAfresh) {
  fake.tickStep = 1;
  release(1000, 81);  // new key: no repeat check; stamp 1000, log 1001
  EXPECT_EQ(testState.lastKeyUpTick, 1000u);
  release(1200, 81);  // same key: check 1200, stamp 1201, log 1202
  EXPECT_EQ(testState.lastKeyUpTick, 1201u);
  release(1330, 81);  // 129 ms after the stamp: a repeat, though 130 after the last check
  EXPECT_EQ(count(15), 2u);
  EXPECT_EQ(lines(),
            (std::vector<std::string>{"[001001][Vantor]OnKeyUp char[0x0051:0x00][01][Q:1]\r\n",
                                      "[001202][Vantor]OnKeyUp char[0x0051:0x00][01][Q:2]\r\n",
                                      "[001332][Vantor]OnKeyUp char[0x0051:0x00][01][:0]\r\n"}));
}

TEST_F(KeyEventsTest, FilteredCodeTouchesNeitherLastKeyNorTick) {
  release(1000, 81);
  release(1050, 116);
  EXPECT_EQ(testState.lastKeyIndex, 15);
  EXPECT_EQ(testState.lastKeyUpTick, 1000u);
}

TEST_F(KeyEventsTest, PassWhenEveryKeyIsAtOneThenSkip) {
  KeyTable& table = testState.keyTable;
  std::uint32_t tick = 5000;
  // Press every key once except Q, which goes to 2 first and so holds the pass back.
  release(tick, 81);
  release(tick += 200, 81);
  for (std::uint32_t i = 0; i < table.keyCount(); ++i) {
    if (i == 15) continue;
    const KeyTableEntry& e = table.keyAt(i);
    release(tick += 200, e.virtualKey, static_cast<std::uint8_t>(e.scanCode));
  }
  EXPECT_EQ(testState.passed, 0);
  EXPECT_EQ(table.countKeysPressedOnce(), 51u);
  EXPECT_TRUE(fake.callsStartingWith("SetTimer").empty());

  release(tick += 200, 81);
  EXPECT_EQ(testState.passed, 1);
  const auto all = lines();
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "[%06u]", tick);
  EXPECT_EQ(all[all.size() - 2],
            std::string(stamp) + "[Vantor]OnKeyUp char[0x0051:0x00][01][Q:1]\r\n");
  EXPECT_EQ(all.back(),
            std::string(stamp) + "[Vantor]All Button Pressed!! Pass!! btnCount[52]\r\n");
  EXPECT_EQ(fake.callsStartingWith("SetTimer"),
            (std::vector<std::string>{"SetTimer dialog 4098 500"}));

  // After the pass nothing is counted, played or drawn; RESET does not bring it back.
  fake.calls.clear();
  const auto lastKey = testState.lastKeyIndex;
  table.resetPressCounts();
  fake.calls.clear();
  fake.tick = 9;
  OnKeyUp(87, 2, 0x11);
  EXPECT_EQ(lastLine(), "[000009][Vantor]OnKeyUp char[0x0057:0x11][02] SKIP!!\r\n");
  EXPECT_TRUE(fake.calls.empty());
  EXPECT_EQ(count(16), 0u);
  EXPECT_EQ(testState.lastKeyIndex, lastKey);
}

TEST_F(KeyEventsTest, EmptyTablePassesOnTheFirstRelease) {
  testState.keyTable.clearKeys();
  release(300, 250);  // not even an accepted code
  EXPECT_EQ(testState.passed, 1);
  EXPECT_EQ(lines(), (std::vector<std::string>{
                         "[000300][Vantor]OnKeyUp char[0x00FA:0x00][01][:0]\r\n",
                         "[000300][Vantor]All Button Pressed!! Pass!! btnCount[0]\r\n"}));
}

TEST_F(KeyEventsTest, HookConsumesTheSymbolKeyAndCountsItsRelease) {
  harness::KbdHookRecord record{95, 0x12, 0x80, 777, 0};
  const auto event = reinterpret_cast<harness::Lparam>(&record);
  fake.tick = 2000;
  EXPECT_EQ(keyHookProc(harness::HC_ACTION, harness::WM_KEYDOWN, event), 1);
  EXPECT_TRUE(fake.debugLines.empty());
  EXPECT_EQ(keyHookProc(harness::HC_ACTION, harness::WM_KEYUP, event), 1);
  EXPECT_EQ(lines(),
            (std::vector<std::string>{"[Vantor]VK_UD_SYMBOL[0x5F] [0x0012:0x80] UP\r\n",
                                      "[002000][Vantor]OnKeyUp char[0x005F:0x00][00][Syn:1]\r\n"}));
  EXPECT_EQ(count(46), 1u);
}

TEST_F(KeyEventsTest, HookLetsEverythingElsePass) {
  harness::KbdHookRecord symbol{95, 0, 0, 0, 0};
  harness::KbdHookRecord other{81, 16, 0x80, 0, 0};
  struct Case {
    int code;
    harness::Wparam message;
    harness::KbdHookRecord* record;
  };
  const Case cases[] = {{1, harness::WM_KEYUP, &symbol},
                        {-1, harness::WM_KEYDOWN, &symbol},
                        {harness::HC_ACTION, harness::WM_SYSKEYUP, &symbol},
                        {harness::HC_ACTION, harness::WM_SYSKEYDOWN, &symbol},
                        {harness::HC_ACTION, harness::WM_KEYUP, &other},
                        {harness::HC_ACTION, harness::WM_KEYDOWN, &other}};
  for (const Case& c : cases) {
    EXPECT_EQ(keyHookProc(c.code, c.message, reinterpret_cast<harness::Lparam>(c.record)), 0);
  }
  EXPECT_TRUE(fake.debugLines.empty());
  EXPECT_EQ(testState.keyTable.countKeysPressedOnce(), 0u);
}

}  // namespace
}  // namespace vantor
