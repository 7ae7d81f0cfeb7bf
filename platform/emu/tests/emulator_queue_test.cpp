// The emulator's message queue: retrieval order, sent and posted messages, timers and virtual
// time, the end of a run, low-level hooks and accelerators.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/emu/tests/emulator_test_support.h"

namespace emu::test {
namespace {

using namespace harness;

class QueueTest : public ::testing::Test {
 protected:
  QueueTest() : emu_(Config()) {
    g_log = &log_;
    SetPlatform(&emu_);
  }
  ~QueueTest() override { g_log = nullptr; }

  static DeviceConfig Config() {
    DeviceConfig c;
    c.startTick = 1000;
    return c;
  }

  Hwnd Dialog(std::uint32_t style = WS_POPUP | WS_VISIBLE,
              const std::vector<Control>& controls = {}) {
    tmpl_.push_back(DialogTemplate(style, u"Test", 100, 80, controls));
    return emu_.CreateDialogIndirectParamW(emu_.programInstance(), tmpl_.back().data(), nullptr,
                                           &LoggingDlgProc, 42);
  }

  // Fetches and dispatches n messages, returning what was fetched.
  std::vector<std::uint32_t> Pump(int n) {
    std::vector<std::uint32_t> got;
    for (int i = 0; i < n; ++i) {
      Msg m;
      if (emu_.GetMessageW(&m, nullptr, 0, 0) == 0) {
        got.push_back(WM_QUIT);
        break;
      }
      got.push_back(m.message);
      emu_.DispatchMessageW(&m);
    }
    return got;
  }

  Log log_;
  Emulator emu_;
  std::vector<std::vector<std::uint8_t>> tmpl_;
};

TEST_F(QueueTest, PostedBeforeInputBeforePaintBeforeTimer) {
  Hwnd d = Dialog();
  ASSERT_NE(d, nullptr);
  emu_.SetTimer(d, 1, 10, nullptr);
  emu_.SetTimer(d, 2, 10, nullptr);
  Script script({[](Emulator& e) { e.wait(10); }});
  emu_.setInputSource(&script);
  for (Msg m; m.message != WM_TIMER;) {  // the first paint, then timer 1
    ASSERT_EQ(emu_.GetMessageW(&m, nullptr, 0, 0), 1);
    emu_.DispatchMessageW(&m);
  }
  log_.messages.clear();
  // Timer 2 is due as well now; everything else arrives while it waits.
  emu_.InvalidateRect(d, nullptr, 1);
  emu_.keyDown('A');
  emu_.PostMessageW(d, WM_USER, 0, 0);
  EXPECT_EQ(Pump(4), (std::vector<std::uint32_t>{WM_USER, WM_KEYDOWN, WM_PAINT, WM_TIMER}));
}

TEST_F(QueueTest, QuitComesAfterEveryPostedMessage) {
  Hwnd d = Dialog();
  emu_.PostMessageW(d, WM_USER + 1, 0, 0);
  emu_.PostQuitMessage(7);
  emu_.PostMessageW(d, WM_USER + 2, 0, 0);
  emu_.keyDown('B');
  Msg m;
  ASSERT_EQ(emu_.GetMessageW(&m, nullptr, 0, 0), 1);
  EXPECT_EQ(m.message, WM_USER + 1);
  ASSERT_EQ(emu_.GetMessageW(&m, nullptr, 0, 0), 1);
  EXPECT_EQ(m.message, WM_USER + 2);
  ASSERT_EQ(emu_.GetMessageW(&m, nullptr, 0, 0), 0);
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 7u);
  ASSERT_EQ(emu_.GetMessageW(&m, nullptr, 0, 0), 1);  // the input is still there
  EXPECT_EQ(m.message, WM_KEYDOWN);
}

TEST_F(QueueTest, SentMessagesRunAtOncePostedOnesWhenDispatched) {
  Hwnd d = Dialog();
  log_.messages.clear();
  log_.react = [](Hwnd, std::uint32_t m, Wparam, Lparam) -> std::intptr_t {
    return m == WM_USER ? 1 : 0;
  };
  emu_.SetWindowLongPtrW(d, DWL_MSGRESULT, 99);
  EXPECT_EQ(emu_.SendMessageW(d, WM_USER, 5, 6), 99);  // a handled message answers DWL_MSGRESULT
  EXPECT_EQ(log_.messages, (std::vector<Logged>{{d, WM_USER, 5, 6}}));
  emu_.PostMessageW(d, WM_USER + 1, 0, 0);
  EXPECT_EQ(log_.messages.size(), 1u);
  EXPECT_EQ(Pump(1), std::vector<std::uint32_t>{WM_USER + 1});
  EXPECT_EQ(log_.messages.back().message, WM_USER + 1u);
  // Messages for a destroyed window are dropped.
  emu_.PostMessageW(d, WM_USER + 2, 0, 0);
  emu_.DestroyWindow(d);
  Msg m;
  EXPECT_EQ(emu_.PeekMessageW(&m, nullptr, 0, 0, 1), 0);
}

TEST_F(QueueTest, TimersFireAtTheirTicksAndAreRescheduledFromDelivery) {
  Hwnd d = Dialog();
  std::vector<std::pair<std::uintptr_t, std::uint32_t>> fired;
  log_.react = [&](Hwnd, std::uint32_t m, Wparam w, Lparam) -> std::intptr_t {
    if (m == WM_TIMER) fired.emplace_back(w, emu_.GetTickCount());
    return m == WM_INITDIALOG;
  };
  emu_.SetTimer(d, 7, 100, nullptr);
  emu_.SetTimer(d, 8, 150, nullptr);
  emu_.SetTimer(d, 8, 120, nullptr);  // replaces the first timer 8
  Script script({[](Emulator& e) { e.wait(250); },
                 [&](Emulator& e) {
                   e.KillTimer(d, 7);
                   EXPECT_EQ(e.KillTimer(d, 7), 0);  // not running any more: harmless
                   e.wait(100);
                 }});
  emu_.setInputSource(&script);
  emu_.setIdleLimit(0);
  const RunResult r = emu_.run([&] {
    Msg m;
    while (emu_.GetMessageW(&m, nullptr, 0, 0)) emu_.DispatchMessageW(&m);
    return 0;
  });
  EXPECT_FALSE(r.exited);
  EXPECT_EQ(r.endTick, 1350u);
  // Timer 8 would next fire at 1360, after the run has ended.
  EXPECT_EQ(fired, (std::vector<std::pair<std::uintptr_t, std::uint32_t>>{
                       {7, 1100}, {8, 1120}, {7, 1200}, {8, 1240}}));
}

TEST_F(QueueTest, RunStopsAtTheIdleLimitAndRecordsNothingAfterwards) {
  std::vector<std::u16string> lines;
  emu_.setDebugSink([&](std::u16string_view l) { lines.emplace_back(l); });
  emu_.setIdleLimit(2500);
  Hwnd d = nullptr;
  int timers = 0;
  log_.react = [&](Hwnd, std::uint32_t m, Wparam, Lparam) -> std::intptr_t {
    if (m == WM_TIMER) ++timers;
    return m == WM_INITDIALOG;
  };
  const RunResult r = emu_.run([&] {
    d = Dialog();
    emu_.SetTimer(d, 1, 1000, nullptr);
    emu_.DebugOutput(u"start\r\n");
    Msg m;
    while (emu_.GetMessageW(&m, nullptr, 0, 0)) emu_.DispatchMessageW(&m);
    return 5;
  });
  EXPECT_FALSE(r.exited);
  EXPECT_FALSE(r.exitCode.has_value());
  EXPECT_EQ(r.endTick, 3500u);
  EXPECT_EQ(timers, 2);
  Msg m;
  EXPECT_THROW(emu_.GetMessageW(&m, nullptr, 0, 0), RunStopped);
  emu_.DebugOutput(u"after\r\n");
  emu_.RegCreateKeyExW(RootLocalMachine(), u"Software", 0, u"", 0, KEY_WRITE, nullptr, nullptr,
                       nullptr);
  EXPECT_NE(emu_.RegistrySetDWORD(RootLocalMachine(), u"Software", u"X", 1), ERROR_SUCCESS);
  EXPECT_EQ(lines, std::vector<std::u16string>{u"start\r\n"});
  EXPECT_TRUE(emu_.record().registryWrites.empty());
}

TEST_F(QueueTest, RunReturnsTheProgramsResult) {
  const RunResult r = emu_.run([&] {
    emu_.PostQuitMessage(3);
    Msg m;
    while (emu_.GetMessageW(&m, nullptr, 0, 0)) emu_.DispatchMessageW(&m);
    return static_cast<int>(m.wParam);
  });
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.endTick, 1000u);
}

TEST_F(QueueTest, TimersWithoutAWindowGetIdsOfTheirOwn) {
  const std::uintptr_t a = emu_.SetTimer(nullptr, 0, 10, nullptr);
  const std::uintptr_t b = emu_.SetTimer(nullptr, 0, 20, nullptr);
  EXPECT_EQ(emu_.KillTimer(nullptr, a), 1);
  const std::uintptr_t c = emu_.SetTimer(nullptr, 0, 30, nullptr);
  EXPECT_NE(c, b);  // b keeps running
  Script script({[](Emulator& e) { e.wait(30); }});
  emu_.setInputSource(&script);
  std::vector<std::pair<std::uintptr_t, std::uint32_t>> fired;
  Msg m;
  while (fired.size() < 2 && emu_.GetMessageW(&m, nullptr, 0, 0)) {
    if (m.message == WM_TIMER) fired.emplace_back(m.wParam, emu_.GetTickCount());
  }
  EXPECT_EQ(fired, (std::vector<std::pair<std::uintptr_t, std::uint32_t>>{{b, 1020}, {c, 1030}}));
}

// A host clock that moves only when slept on, oversleeping by 1 ms each time.
class FakeHostClock : public HostClock {
 public:
  explicit FakeHostClock(std::uint64_t start) : ms_(start) {}
  std::uint64_t milliseconds() override { return ms_; }
  void sleepFor(std::uint32_t ms) override {
    slept_.push_back(ms);
    ms_ += ms + 1;
  }
  const std::vector<std::uint32_t>& slept() const { return slept_; }

 private:
  std::uint64_t ms_;
  std::vector<std::uint32_t> slept_;
};

TEST(EmulatorHostClock, TicksAreTheHostsCutTo32BitsAndWaitsSleep) {
  FakeHostClock host(0x1FFFFFFA0);  // 96 ms before the 32-bit tick wraps
  DeviceConfig config;
  config.clock = ClockMode::Host;
  config.hostClock = &host;
  config.startTick = 1000;  // the virtual clock's; not used
  Emulator emu(config);
  EXPECT_EQ(emu.GetTickCount(), 0xFFFFFFA0u);
  Script script({[](Emulator& e) { e.wait(250); }});
  emu.setInputSource(&script);
  emu.setIdleLimit(0);
  std::vector<std::uint32_t> fired;
  const RunResult r = emu.run([&] {
    emu.SetTimer(nullptr, 0, 100, nullptr);
    Msg m;
    while (emu.GetMessageW(&m, nullptr, 0, 0)) {
      if (m.message == WM_TIMER) fired.push_back(emu.GetTickCount());
    }
    return 0;
  });
  // Each timer is rescheduled from its late delivery; the wait ends after the second one.
  EXPECT_EQ(fired, (std::vector<std::uint32_t>{5, 106}));
  EXPECT_EQ(host.slept(), (std::vector<std::uint32_t>{100, 100, 48}));
  EXPECT_FALSE(r.exited);
  EXPECT_EQ(r.endTick, 155u);
}

// The default host clock: no timing asserted, only that ticks follow the steady clock.
TEST(EmulatorHostClock, DefaultsToTheSteadyClock) {
  const auto steady = [] {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
  };
  DeviceConfig config;
  config.clock = ClockMode::Host;
  const std::uint32_t before = steady();
  Emulator emu(config);
  Script script({[](Emulator& e) { e.wait(2); }});
  emu.setInputSource(&script);
  emu.setIdleLimit(0);
  std::uint32_t first = 0;
  const RunResult r = emu.run([&] {
    first = emu.GetTickCount();
    Msg m;
    while (emu.GetMessageW(&m, nullptr, 0, 0)) {
    }
    return 0;
  });
  const std::uint32_t after = steady();
  EXPECT_LE(first - before, after - before);
  EXPECT_GE(r.endTick - first, 2u);  // the wait passed in real time
  EXPECT_LE(r.endTick - before, after - before);
}

// ---- Hooks ----

std::vector<KbdHookRecord> g_hookRecords;
std::vector<Wparam> g_hookMessages;
Lresult ConsumeA(int code, Wparam message, Lparam lParam) {
  const auto* rec = reinterpret_cast<const KbdHookRecord*>(lParam);
  g_hookRecords.push_back(*rec);
  g_hookMessages.push_back(message);
  return (code == HC_ACTION && rec->vkCode == 'A') ? 1 : 0;
}

TEST_F(QueueTest, HooksSeeKeysFirstAndMayConsumeThem) {
  g_hookRecords.clear();
  g_hookMessages.clear();
  Hwnd d = Dialog();
  Hmodule core = emu_.LoadLibraryW(u"coredll.dll");
  ASSERT_NE(core, nullptr);
  EXPECT_EQ(emu_.LoadLibraryW(u"user32.dll"), nullptr);
  auto set = reinterpret_cast<SetWindowsHookExFn>(emu_.GetProcAddressW(core, u"SetWindowsHookExW"));
  auto unhook =
      reinterpret_cast<UnhookWindowsHookExFn>(emu_.GetProcAddressW(core, u"UnhookWindowsHookEx"));
  ASSERT_NE(set, nullptr);
  ASSERT_NE(unhook, nullptr);
  EXPECT_EQ(emu_.GetProcAddressW(core, u"Other"), nullptr);
  EXPECT_EQ(set(2, &ConsumeA, nullptr, 0), nullptr);  // only low-level keyboard hooks
  Hhook hook = set(WH_KEYBOARD_LL, &ConsumeA, nullptr, 0);
  ASSERT_NE(hook, nullptr);

  log_.messages.clear();
  emu_.keyDown('A', 30);
  emu_.keyDown('B', 48);
  emu_.keyDown('B', 48, 2);
  emu_.keyUp('B', 48);
  Pump(3);
  ASSERT_EQ(g_hookRecords.size(), 4u);
  EXPECT_EQ(g_hookRecords[0].vkCode, static_cast<std::uint32_t>('A'));
  EXPECT_EQ(g_hookRecords[0].scanCode, 30u);
  EXPECT_EQ(g_hookRecords[0].flags, 0u);
  EXPECT_EQ(g_hookRecords[0].time, 1000u);
  EXPECT_EQ(g_hookRecords[3].flags, LLKHF_UP);
  EXPECT_EQ(g_hookMessages, (std::vector<Wparam>{WM_KEYDOWN, WM_KEYDOWN, WM_KEYDOWN, WM_KEYUP}));
  // 'A' never reaches the window; repeat count, scan code, previous state and transition bits.
  const std::vector<Logged> expected{
      {d, WM_KEYDOWN, 'B', 0x00300001},
      {d, WM_KEYDOWN, 'B', 0x40300002},
      {d, WM_KEYUP, 'B', static_cast<Lparam>(0xC0300001u)},
  };
  EXPECT_EQ(log_.messages, expected);

  EXPECT_EQ(unhook(hook), 1);
  EXPECT_EQ(unhook(hook), 0);
  emu_.keyDown('A');
  EXPECT_EQ(Pump(1), std::vector<std::uint32_t>{WM_KEYDOWN});
  EXPECT_EQ(emu_.FreeLibrary(core), 1);
  EXPECT_EQ(emu_.loadedLibraries(), 0);
  EXPECT_EQ(emu_.FreeLibrary(core), 0);
}

// A round of hooks for one event: newest first; a hook removed by an earlier one of the round is
// skipped, a hook installed during the round sees the next event only.
std::vector<int> g_hookCalls;
SetWindowsHookExFn g_setHook = nullptr;
UnhookWindowsHookExFn g_unhook = nullptr;
Hhook g_middleHook = nullptr;
Lresult OldestHook(int, Wparam, Lparam) {
  g_hookCalls.push_back(1);
  return 0;
}
Lresult MiddleHook(int, Wparam, Lparam) {
  g_hookCalls.push_back(2);
  return 0;
}
Lresult ConsumingHook(int, Wparam, Lparam) {
  g_hookCalls.push_back(4);
  return 1;
}
Lresult NewestHook(int, Wparam, Lparam) {
  g_hookCalls.push_back(3);
  if (g_middleHook) {
    g_unhook(g_middleHook);
    g_middleHook = nullptr;
    g_setHook(WH_KEYBOARD_LL, &ConsumingHook, nullptr, 0);
  }
  return 0;
}

TEST_F(QueueTest, HooksRemovedOrInstalledDuringARoundWaitForTheNextEvent) {
  Dialog();
  Hmodule core = emu_.LoadLibraryW(u"coredll.dll");
  g_setHook =
      reinterpret_cast<SetWindowsHookExFn>(emu_.GetProcAddressW(core, u"SetWindowsHookExW"));
  g_unhook =
      reinterpret_cast<UnhookWindowsHookExFn>(emu_.GetProcAddressW(core, u"UnhookWindowsHookEx"));
  g_hookCalls.clear();
  ASSERT_NE(g_setHook(WH_KEYBOARD_LL, &OldestHook, nullptr, 0), nullptr);
  g_middleHook = g_setHook(WH_KEYBOARD_LL, &MiddleHook, nullptr, 0);
  ASSERT_NE(g_setHook(WH_KEYBOARD_LL, &NewestHook, nullptr, 0), nullptr);

  emu_.keyDown('A');  // 3 removes 2 and installs 4; 1 still runs; the key reaches the window
  EXPECT_EQ(g_hookCalls, (std::vector<int>{3, 1}));
  EXPECT_EQ(Pump(1), std::vector<std::uint32_t>{WM_KEYDOWN});
  emu_.keyUp('A');  // 4 is the newest now and swallows the key
  EXPECT_EQ(g_hookCalls, (std::vector<int>{3, 1, 4}));
  Msg m;
  EXPECT_EQ(emu_.PeekMessageW(&m, nullptr, WM_KEYDOWN, WM_KEYUP, 1), 0);
  EXPECT_EQ(emu_.installedHooks(), 3u);
}

TEST_F(QueueTest, TheRecordHoldsEveryKeyEventDeliveredDuringTheRun) {
  emu_.keyDown('Z');  // before the run: not the program's
  emu_.setIdleLimit(100);
  emu_.run([&] {
    Dialog();
    Hmodule core = emu_.LoadLibraryW(u"coredll.dll");
    auto set =
        reinterpret_cast<SetWindowsHookExFn>(emu_.GetProcAddressW(core, u"SetWindowsHookExW"));
    set(WH_KEYBOARD_LL, &ConsumeA, nullptr, 0);
    emu_.keyDown('A', 30);
    emu_.keyDown('B', 48);
    emu_.keyUp('A', 30);
    emu_.keyUp('B', 48, 3);
    Msg m;
    while (emu_.GetMessageW(&m, nullptr, 0, 0)) emu_.DispatchMessageW(&m);
    return 0;
  });
  emu_.keyUp('Z');  // after the stop: nothing reaches the program
  const std::vector<KeyEventRecord> expected{
      {1000, 'A', 30, true, true},
      {1000, 'B', 48, true, false},
      {1000, 'A', 30, false, true},
      {1000, 'B', 48, false, false},
  };
  EXPECT_EQ(emu_.record().keyEvents, expected);
}

TEST_F(QueueTest, KeysWithoutAFocusWindowAreDropped) {
  Hwnd d = Dialog();
  emu_.SetFocus(nullptr);
  emu_.keyDown('C');
  Msg m;
  EXPECT_EQ(emu_.PeekMessageW(&m, nullptr, WM_KEYDOWN, WM_KEYUP, 1), 0);
  emu_.SetFocus(d);
  EXPECT_EQ(emu_.PeekMessageW(&m, nullptr, WM_KEYDOWN, WM_KEYUP, 1), 0);
  emu_.keyDown('D');  // assigned at retrieval: the focus window now
  ASSERT_EQ(emu_.PeekMessageW(&m, nullptr, WM_KEYDOWN, WM_KEYUP, 1), 1);
  EXPECT_EQ(m.hwnd, d);
}

// ---- Accelerators ----

TEST(EmulatorAccelerators, ControlQBecomesACommand) {
  Bytes table;
  table.u16(0x8B);  // FVIRTKEY | FNOINVERT | FCONTROL | FLASTENTRY
  table.u16('Q');
  table.u16(40000);
  table.u16(0);
  const auto res = ResFile({{RT_ACCELERATOR, 2, table.bytes()}});
  DeviceConfig c;
  c.resources = res;
  Emulator emu(c);
  Log log;
  g_log = &log;
  SetPlatform(&emu);
  const auto tmpl = DialogTemplate(WS_POPUP | WS_VISIBLE, u"T", 50, 50);
  Hwnd d = emu.CreateDialogIndirectParamW(emu.programInstance(), tmpl.data(), nullptr,
                                          &LoggingDlgProc, 0);
  Haccel acc = emu.LoadAcceleratorsW(emu.programInstance(), MakeIntResource(2));
  ASSERT_NE(acc, nullptr);
  EXPECT_EQ(emu.LoadAcceleratorsW(emu.programInstance(), MakeIntResource(3)), nullptr);
  log.messages.clear();

  struct Case {
    bool control;
    std::uint32_t vk;
    bool translated;
  };
  const Case cases[] = {{true, 'Q', true}, {false, 'Q', false}, {true, 'W', false}};
  for (const Case& k : cases) {
    if (k.control) emu.keyDown(VK_CONTROL);
    emu.keyDown(k.vk);
    emu.keyUp(k.vk);
    if (k.control) emu.keyUp(VK_CONTROL);
    int commands = 0;
    Msg m;
    while (emu.PeekMessageW(&m, nullptr, 0, 0, 1)) {
      if (emu.TranslateAcceleratorW(m.hwnd, acc, &m)) {
        ++commands;
        continue;
      }
      EXPECT_EQ(emu.TranslateAcceleratorW(m.hwnd, nullptr, &m), 0);
      emu.DispatchMessageW(&m);
    }
    EXPECT_EQ(commands, k.translated ? 1 : 0) << k.vk;
  }
  std::vector<Logged> commands;
  for (const Logged& m : log.messages) {
    if (m.message == WM_COMMAND) commands.push_back(m);
  }
  EXPECT_EQ(commands, (std::vector<Logged>{{d, WM_COMMAND, MakeWparam(40000, 1), 0}}));
  g_log = nullptr;
}

}  // namespace
}  // namespace emu::test
