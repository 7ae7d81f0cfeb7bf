// The line test on a scripted handset: slot table, hook map, both capture routes, marking and
// counting, the pass check, the finish procedure and the harness flag writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "harness/platform.h"
#include "vantor1/key_capture.h"
#include "vantor1/line_test_app.h"
#include "vantor1/line_test_dialog.h"
#include "vantor1/tests/fake_handset.h"

namespace {

using namespace vantor1_test;
using vantor1::g_pLineTestDialog;
using vantor1::KEY_SLOT_COUNT;
using vantor1::kSlotDefinitions;
using vantor1::LineTestDialog;

const std::string kLcdTest = "System\\State\\Corvane\\LCDTest\\Vantor";
const std::string kSimpleTest = "System\\State\\Corvane\\Plenwick\\SimpleTest";
const std::string kSimInserted = "System\\State\\Corvane\\Phone\\FactorySIMInserted";
const std::string kFactorySimple = "System\\State\\Corvane\\Phone\\FactorySimpleTest";
const std::string kLoopback = "start \\Windows\\Loopback.exe";

class LineTest : public ::testing::Test {
 public:
  void SetUp() override { Reset(); }
  void TearDown() override { harness::SetPlatform(nullptr); }
  void Reset() {
    os_ = std::make_unique<FakeHandset>();
    harness::SetPlatform(os_.get());
    g_pLineTestDialog = nullptr;
    vantor1::g_keyHookBinding = {};
  }
  FakeHandset& os() { return *os_; }
  int Run() { return vantor1::RunLineTestProgram(HandleOf<harness::Hinstance>(0x400000)); }
  void Step(std::function<void()> f) { os().steps.push_back(std::move(f)); }
  static LineTestDialog& Dialog() { return *g_pLineTestDialog; }
  // Marks `n` distinct slots that every route can reach (letters and keyboard keys).
  void MarkSlots(int n) {
    Step([n] {
      for (int i = 0; i < n; ++i) {
        const int slot = i < 52 ? i : i + 4;  // skip the ring segments 52..55
        Dialog().MarkKey(Dialog().m_keySlots[slot]);
      }
    });
  }
  std::vector<std::string> Matching(const std::string& prefix1,
                                    const std::string& prefix2 = "\x01") {
    std::vector<std::string> out;
    for (const auto& e : os().events) {
      if (e.rfind(prefix1, 0) == 0 || e.rfind(prefix2, 0) == 0) out.push_back(e);
    }
    return out;
  }
  std::unique_ptr<FakeHandset> os_;
};

TEST_F(LineTest, StartUpOrder) {
  Step([this] { os().events.push_back("-- running"); });
  EXPECT_EQ(Run(), 0);
  const std::vector<std::string> expected = {"SHInitExtraControls",  "icon 1 128",
                                             "icon 0 128",           "set " + kLcdTest + "=1",
                                             "SHFullScreen 42",      "move 0,0 320x240 1",
                                             "relayout 102",         "ShellSwitch 0,1",
                                             "hook installed 20",    "set " + kSimpleTest + "=1",
                                             "title pelmora_vantor", "-- running"};
  ASSERT_GE(os().events.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(os().events.begin(), os().events.begin() + expected.size()),
            expected);
}

TEST_F(LineTest, SlotTableIsFilledFromTheSharedDefinitions) {
  Step([] {
    const LineTestDialog& d = Dialog();
    for (int i = 0; i < vantor1::FILLED_SLOT_COUNT; ++i) {
      const auto& s = d.m_keySlots[i];
      const auto& e = kSlotDefinitions[i];
      EXPECT_EQ((std::array{s.GetVkCode(), s.GetX(), s.GetY(), s.GetWidth(), s.GetHeight(),
                            s.GetBitmapId()}),
                (std::array{e.vkCode, e.x, e.y, e.width, e.height, e.bitmapId}))
          << "slot " << i;
      EXPECT_FALSE(s.IsPressed());
    }
    const auto& empty = d.m_keySlots[KEY_SLOT_COUNT - 1];
    EXPECT_EQ(
        (std::array{empty.GetVkCode(), empty.GetWidth(), empty.GetHeight(), empty.GetBitmapId()}),
        (std::array{0, 0, 0, 0}));
    EXPECT_EQ(d.m_nPressedCount, 0);

    // Codes shared by two slots; every letter names exactly one.
    std::map<int, std::vector<int>> byCode;
    for (int i = 0; i < KEY_SLOT_COUNT; ++i) byCode[d.m_keySlots[i].GetVkCode()].push_back(i);
    EXPECT_EQ(byCode[117], (std::vector<int>{41, 57}));
    EXPECT_EQ(byCode[118], (std::vector<int>{42, 58}));
    EXPECT_EQ(byCode[13], (std::vector<int>{40, 56}));
    EXPECT_EQ(byCode[33], (std::vector<int>{52, 53}));
    EXPECT_EQ(byCode[34], (std::vector<int>{54, 55}));
    for (int c = 'A'; c <= 'Z'; ++c) EXPECT_EQ(byCode[c].size(), 1u) << char(c);
    std::set<int> images;
    for (const auto& e : kSlotDefinitions) images.insert(e.bitmapId);
    EXPECT_EQ(images.size(), kSlotDefinitions.size());
  });
  Run();
}

TEST_F(LineTest, KeySlotSetKeepsThePressedFlag) {
  vantor1::KeySlot slot;
  EXPECT_FALSE(slot.IsPressed());
  slot.SetPressed();
  slot.Set(81, 2, 88, 29, 35, 164);
  EXPECT_TRUE(slot.IsPressed());
  EXPECT_EQ(slot.GetVkCode(), 81);
}

// The hook's map, complete: code -> slot; 33 and 34 consumed unmarked; everything else passes.
const std::map<std::uint32_t, int> kHookMap = {{37, 50},
                                               {38, 48},
                                               {39, 51},
                                               {40, 49},
                                               {59, 57},
                                               {62, 35},
                                               {91, 39},
                                               {95, 30},
                                               {112, 43},
                                               {113, 44},
                                               {114, 46},
                                               {115, 47},
                                               {117, 41},
                                               {118, 42},
                                               {122, 30},
                                               {129, 58},
                                               {136, 45},
                                               {138, 34},
                                               {140, 37},
                                               {143, 28},
                                               {193, 34},
                                               {195, 36},
                                               {196, 38},
                                               {33, vantor1::HOOK_CONSUME},
                                               {34, vantor1::HOOK_CONSUME}};

TEST_F(LineTest, HookMapsEveryCodeAsTabled) {
  for (std::uint32_t code = 0; code < 256; ++code) {
    for (std::uint32_t scan : {0u, 38u, 99u}) {
      int expected = vantor1::HOOK_PASS;
      if (code == 13) {
        expected = scan == 38 ? 40 : 56;
      } else if (auto it = kHookMap.find(code); it != kHookMap.end()) {
        expected = it->second;
      }
      EXPECT_EQ(vantor1::HookSlotFor(code, scan), expected) << code << " scan " << scan;
    }
  }
}

TEST_F(LineTest, HookProcedureMarksMappedSlotsAndConsumes) {
  Step([] {
    LineTestDialog& d = Dialog();
    std::set<int> pressed;
    for (std::uint32_t code = 0; code < 256; ++code) {
      harness::KbdHookRecord record{code, 38, 0, 0, 0};
      const auto event = reinterpret_cast<harness::Lparam>(&record);
      // Not acted on: a non-zero hook code, or a system key message.
      EXPECT_EQ(vantor1::SlotKeyHookProc(1, harness::WM_KEYDOWN, event), 0);
      EXPECT_EQ(vantor1::SlotKeyHookProc(0, harness::WM_SYSKEYDOWN, event), 0);
      EXPECT_EQ(d.m_nPressedCount, static_cast<int>(pressed.size()));

      const int target = vantor1::HookSlotFor(code, 38);
      for (std::uint32_t message : {harness::WM_KEYDOWN, harness::WM_KEYUP}) {
        EXPECT_EQ(vantor1::SlotKeyHookProc(0, message, event), target == vantor1::HOOK_PASS ? 0 : 1)
            << code;
      }
      if (target >= 0) pressed.insert(target);
      std::set<int> now;
      for (int i = 0; i < KEY_SLOT_COUNT; ++i) {
        if (d.m_keySlots[i].IsPressed()) now.insert(i);
      }
      ASSERT_EQ(now, pressed) << "after code " << code;
    }
    EXPECT_EQ(d.m_nPressedCount, 22);  // 23 hook slots less 56 (needs another Enter scan code)
  });
  Run();
}

TEST_F(LineTest, DialogRouteMarksEverySlotOfTheCodeOnKeyDownOnly) {
  os().Press('Q');
  os().Press(16);  // Shift by its own code; 143 reaches the same slot through the hook
  os().Press(143);
  os().Press(0);   // no key carries code 0: the empty slot is never marked
  os().Press(33);  // a ring segment code: consumed, never marked
  Step([this] {
    const LineTestDialog& d = Dialog();
    EXPECT_TRUE(d.m_keySlots[0].IsPressed());
    EXPECT_TRUE(d.m_keySlots[28].IsPressed());
    EXPECT_FALSE(d.m_keySlots[KEY_SLOT_COUNT - 1].IsPressed());
    for (int ring = 52; ring <= 55; ++ring) EXPECT_FALSE(d.m_keySlots[ring].IsPressed());
    EXPECT_EQ(d.m_nPressedCount, 2);
    // Q: 1 check; Shift by dialog: 1; 143 down and up through the hook: 2.
    EXPECT_EQ(os().CountEvents("check posted"), 4);
  });
  Run();
  // Each key-down that reaches the dialog turns the shell switch on before it marks anything.
  const auto seq = Matching("ShellSwitch", "check posted");
  EXPECT_EQ(std::vector<std::string>(seq.begin() + 1, seq.begin() + 3),
            (std::vector<std::string>{"ShellSwitch 0,1", "check posted"}));
  EXPECT_EQ(os().CountEvents("default keydown"), 3);  // Q, Shift, code 0
}

TEST_F(LineTest, EnterIsToldApartByScanCodeAndEscapeCloses) {
  os().Press(13, 38);
  os().Press(13, 0);
  Step([] {
    EXPECT_TRUE(Dialog().m_keySlots[40].IsPressed());
    EXPECT_TRUE(Dialog().m_keySlots[56].IsPressed());
    EXPECT_EQ(Dialog().m_nPressedCount, 2);
  });
  os().Press(27);   // the hook lets Escape pass: the dialog manager makes it Cancel
  os().Press('W');  // never arrives
  Run();
  EXPECT_EQ(os().CountEvents("EndDialog 2"), 1);
  EXPECT_EQ(os().CountEvents("set " + kLcdTest + "=0"), 1);
  EXPECT_EQ(os().CountEvents("DestroyWindow"), 1);
}

TEST_F(LineTest, MarkKeyDrawsCountsOnceAndPostsEveryTime) {
  Step([this] {
    LineTestDialog& d = Dialog();
    d.MarkKey(d.m_keySlots[57]);
    d.MarkKey(d.m_keySlots[57]);
    EXPECT_EQ(d.m_nPressedCount, 1);
    EXPECT_EQ(os().CountEvents("check posted"), 2);
    const Blit cam{HandleOf<harness::Hdc>(0x400), 13, 4, 55, 24, 199};
    EXPECT_EQ(os().blits, (std::vector<Blit>{cam, cam}));
    EXPECT_EQ(os().liveObjects, 0);

    os().failGetDc = true;  // no surface: nothing changes and nothing is posted
    d.MarkKey(d.m_keySlots[0]);
    EXPECT_FALSE(d.m_keySlots[0].IsPressed());
    EXPECT_EQ(d.m_nPressedCount, 1);
    EXPECT_EQ(os().CountEvents("check posted"), 2);
    os().failGetDc = false;
  });
  Run();
}

TEST_F(LineTest, PassCheckThresholds) {
  struct Case {
    int marked;
    bool passes;
  };
  for (Case c : {Case{0, false}, Case{51, false}, Case{52, true}, Case{53, true}, Case{55, true}}) {
    SCOPED_TRACE(c.marked);
    Reset();
    MarkSlots(c.marked);
    Step([this] { os().events.push_back("-- checks done"); });
    Run();
    const auto done = std::find(os().events.begin(), os().events.end(), "-- checks done");
    const bool boxBeforeEnd =
        std::find_if(os().events.begin(), done, [](const std::string& e) {
          return e.rfind("box Vantor: You've just passed the test type 0 owned", 0) == 0;
        }) != done;
    EXPECT_EQ(boxBeforeEnd, c.passes);
  }
}

TEST_F(LineTest, PassAcknowledgedWritesTheFlagsInOrder) {
  MarkSlots(52);
  Run();
  const std::vector<std::string> expected = {"set " + kLcdTest + "=1",
                                             "ShellSwitch 0,1",
                                             "set " + kSimpleTest + "=1",
                                             "hook removed",
                                             "box Vantor: You've just passed the test type 0 owned",
                                             "box answered 1",
                                             "set " + kSimpleTest + "=2",
                                             "ShellSwitch 0,0",
                                             "set " + kSimpleTest + "=2",
                                             "set " + kLcdTest + "=0",
                                             "ShellSwitch 0,0",
                                             "DestroyWindow"};
  EXPECT_EQ(Matching("set ", "ShellSwitch"),
            std::vector<std::string>({expected[0], expected[1], expected[2], expected[6],
                                      expected[7], expected[8], expected[9], expected[10]}));
  const auto seq = Matching("hook removed", "box");
  EXPECT_EQ(seq, std::vector<std::string>(expected.begin() + 3, expected.begin() + 6));
  EXPECT_EQ(os().CountEvents("DestroyWindow"), 1);
}

TEST_F(LineTest, PassMessageNotAcknowledgedShowsAgainOnTheNextCheck) {
  os().boxAnswers = {BoxAnswer{harness::IDCANCEL}, BoxAnswer{harness::IDOK}};
  MarkSlots(52);
  Step([this] {
    // Cancelled: no flag written, the hook stays removed, the dialog still runs.
    EXPECT_EQ(os().CountEvents("box answered 2"), 1);
    EXPECT_EQ(os().CountEvents("set " + kSimpleTest + "=2"), 0);
    EXPECT_EQ(os().hook, nullptr);
    EXPECT_TRUE(os().alive);
  });
  os().Press('Q');  // already counted: drawn again and checked again
  Run();
  // The key-down that reached the dialog after the cancelled box turned the shell switch on.
  const auto cancelled = std::find(os().events.begin(), os().events.end(), "box answered 2");
  EXPECT_NE(std::find(cancelled, os().events.end(), "ShellSwitch 0,1"), os().events.end());
  EXPECT_EQ(os().CountEvents("box answered 1"), 1);
  EXPECT_EQ(os().CountEvents("set " + kSimpleTest + "=2"), 2);
  EXPECT_EQ(os().CountEvents("set " + kLcdTest + "=0"), 1);
}

TEST_F(LineTest, ChecksQueuedWhileThePassMessageIsShownWaitForItsAnswer) {
  MarkSlots(52);
  Step([] { Dialog().MarkKey(Dialog().m_keySlots[0]); });  // queued behind the first check
  // The first check's box dispatches the second check from its own loop.
  MarkSlots(0);
  Run();
  EXPECT_EQ(Matching("box Vantor").size(), 1u);
}

TEST_F(LineTest, FinishRunsOncePerRun) {
  struct Case {
    const char* name;
    std::function<void(LineTest&)> script;
    int passWrites;  // SimpleTest := 2 from the acknowledged pass
  };
  const std::vector<Case> cases = {
      {"focus lost", [](LineTest& t) { t.Step([&t] { t.os().ActivateOther(); }); }, 0},
      {"pass acknowledged", [](LineTest& t) { t.MarkSlots(52); }, 1},
      {"another window came up behind the pass message, cancelled",
       [](LineTest& t) {
         t.os().boxAnswers = {BoxAnswer{harness::IDCANCEL, true}};
         t.MarkSlots(52);
       },
       0},
      {"another window came up behind the pass message, OK",
       [](LineTest& t) {
         t.os().boxAnswers = {BoxAnswer{harness::IDOK, true}};
         t.MarkSlots(52);
       },
       1},
      {"focus lost twice, then closed",
       [](LineTest& t) {
         t.Step([&t] {
           t.os().ActivateOther();
           t.os().focused = true;
           t.os().ActivateOther();
         });
       },
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    os().registry[kSimInserted] = 1;  // every entry of the finish would start the loopback test
    c.script(*this);
    os().Press('Q');  // after the finish: nothing arrives any more
    Run();
    EXPECT_EQ(os().CountEvents(kLoopback), 1);
    EXPECT_EQ(os().CountEvents("set " + kSimpleTest + "=2"), 1 + c.passWrites);
    EXPECT_EQ(os().CountEvents("set " + kLcdTest + "=0"), 1);
    EXPECT_EQ(os().CountEvents("DestroyWindow"), 1);
    EXPECT_FALSE(os().alive);
    EXPECT_EQ(vantor1::g_keyHookBinding.keyHook, nullptr);
    EXPECT_EQ(vantor1::g_keyHookBinding.systemLibrary, nullptr);
  }
}

TEST_F(LineTest, PassMessageTakingTheFocusDoesNotEndTheTest) {
  MarkSlots(52);
  Run();
  // The box took the focus while shown; the finish came only from its OK.
  const auto box = std::find(os().events.begin(), os().events.end(), "box answered 1");
  EXPECT_EQ(std::count(os().events.begin(), box, "set " + kLcdTest + "=0"), 0);
  EXPECT_EQ(std::count(box, os().events.end(), "set " + kLcdTest + "=0"), 1);
}

TEST_F(LineTest, SimpleTestRuleOnEveryCombination) {
  struct Case {
    std::optional<std::uint32_t> simInserted, factorySimple;
    bool loopback;
    bool phoneWrite;
  };
  const Case cases[] = {
      {1, 1, true, false},
      {0, 1, true, true},
      {std::nullopt, 1, true, true},
      {0, 2, false, false},
      {1, std::nullopt, true, false},
      {std::nullopt, std::nullopt, false, false},
      {2, 0, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.simInserted.value_or(99) << "/" << c.factorySimple.value_or(99));
    Reset();
    if (c.simInserted) os().registry[kSimInserted] = *c.simInserted;
    if (c.factorySimple) os().registry[kFactorySimple] = *c.factorySimple;
    Step([this] { os().ActivateOther(); });  // focus lost before any key
    Run();
    std::vector<std::string> expected = {"set " + kLcdTest + "=1", "set " + kSimpleTest + "=1"};
    if (c.phoneWrite) expected.push_back("set " + kFactorySimple + "=0");
    if (c.loopback) expected.push_back(kLoopback);
    expected.push_back("set " + kSimpleTest + "=2");
    expected.push_back("set " + kLcdTest + "=0");
    EXPECT_EQ(Matching("set ", "start "), expected);
  }
}

TEST_F(LineTest, RepaintKeepsCountedKeysPressed) {
  Step([this] {
    LineTestDialog& d = Dialog();
    d.MarkKey(d.m_keySlots[0]);
    d.MarkKey(d.m_keySlots[57]);
    os().blits.clear();
    os().Repaint();
    const harness::Hdc s = os().screenSurface;
    EXPECT_EQ(os().blits,
              (std::vector<Blit>{
                  {s, 0, 0, 320, 320, 129}, {s, 2, 88, 29, 35, 164}, {s, 13, 4, 55, 24, 199}}));
    EXPECT_EQ(os().liveObjects, 0);
    EXPECT_EQ(d.m_nPressedCount, 2);
  });
  Run();
}

TEST_F(LineTest, WithoutTheHookTheDialogRouteStillCounts) {
  os().hookAvailable = false;
  os().Press('A');
  os().Press(143);  // would be Shift through the hook; here it reaches no slot
  os().Press(33);   // no hook consumes the ring segments' codes: each marks both its slots
  os().Press(34);
  os().Press(0);  // no key carries code 0: the empty slot is never marked
  Step([] {
    const LineTestDialog& d = Dialog();
    EXPECT_EQ(d.m_nPressedCount, 5);
    EXPECT_TRUE(d.m_keySlots[10].IsPressed());
    for (int ring = 52; ring <= 55; ++ring) EXPECT_TRUE(d.m_keySlots[ring].IsPressed()) << ring;
    EXPECT_FALSE(d.m_keySlots[KEY_SLOT_COUNT - 1].IsPressed());
  });
  Run();
  EXPECT_EQ(os().CountEvents("hook installed 20"), 0);
}

}  // namespace
