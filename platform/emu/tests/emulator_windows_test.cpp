// The emulator's window manager: dialogs and their default focus, focus and activation order,
// destruction, buttons, the dialog manager's keys, message boxes, painting and the shell.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/emu/resources.h"
#include "platform/emu/tests/emulator_test_support.h"

namespace emu::test {
namespace {

using namespace harness;

class WindowsTest : public ::testing::Test {
 protected:
  WindowsTest() : emu_(Config()) {
    g_log = &log_;
    SetPlatform(&emu_);
  }
  ~WindowsTest() override { g_log = nullptr; }

  static DeviceConfig Config() {
    DeviceConfig c;
    c.foreignWindows.push_back({u"PLW_APP", u"Plenwick"});
    return c;
  }

  Hwnd Dialog(std::uint32_t style = WS_POPUP | WS_VISIBLE,
              const std::vector<Control>& controls = {}, std::u16string_view title = u"Test",
              std::int16_t cx = 100, std::int16_t cy = 80) {
    tmpl_.push_back(DialogTemplate(style, title, cx, cy, controls));
    return emu_.CreateDialogIndirectParamW(emu_.programInstance(), tmpl_.back().data(), nullptr,
                                           &LoggingDlgProc, 42);
  }

  void Drain() {
    Msg m;
    while (emu_.PeekMessageW(&m, nullptr, 0, 0, 1)) emu_.DispatchMessageW(&m);
  }

  Log log_;
  Emulator emu_;
  std::vector<std::vector<std::uint8_t>> tmpl_;
};

Lparam L(Hwnd h) { return reinterpret_cast<Lparam>(h); }
Wparam W(Hwnd h) { return reinterpret_cast<Wparam>(h); }

TEST_F(WindowsTest, DialogCreationGivesTheDefaultFocus) {
  struct Case {
    std::vector<Control> controls;
    bool initResult;
    bool focusOnButton;
  };
  const Case cases[] = {
      {{}, true, false},
      {{{10, 0, u"plain"}, {11, WS_TABSTOP, u"tab"}}, true, true},
      {{{11, WS_TABSTOP, u"tab"}}, false, false},
  };
  for (const Case& c : cases) {
    log_.messages.clear();
    log_.react = [&](Hwnd, std::uint32_t m, Wparam, Lparam) -> std::intptr_t {
      return m == WM_INITDIALOG ? c.initResult : 0;
    };
    Hwnd d = Dialog(WS_POPUP | WS_VISIBLE, c.controls);
    ASSERT_NE(d, nullptr);
    ASSERT_FALSE(log_.messages.empty());
    EXPECT_EQ(log_.messages[0].message, WM_INITDIALOG);
    EXPECT_EQ(log_.messages[0].lParam, 42);
    Hwnd expected = c.focusOnButton ? emu_.GetDlgItem(d, 11) : d;
    EXPECT_EQ(emu_.GetFocus(), expected);
    EXPECT_EQ(emu_.GetForegroundWindow(), d);
    Wchar cls[16];
    EXPECT_EQ(emu_.FindWindowW(u"Dialog", u"Test"), d);
    EXPECT_EQ(emu_.GetWindowTextW(d, cls, 16), 4);
    Rect r;
    emu_.GetClientRect(d, &r);
    EXPECT_EQ(r, (Rect{0, 0, 200, 160}));  // two pixels per dialog unit
    emu_.DestroyWindow(d);
  }
}

TEST_F(WindowsTest, ActivationAndFocusMessagesInOrder) {
  Hwnd a = Dialog();
  Hwnd b = Dialog();  // takes activation from a
  log_.messages.clear();
  EXPECT_EQ(emu_.SetForegroundWindow(a), 1);
  const std::vector<Logged> switchToA{
      {b, WM_ACTIVATE, MakeWparam(WA_INACTIVE, 0), L(a)},
      {a, WM_ACTIVATE, MakeWparam(WA_ACTIVE, 0), L(b)},
      {b, WM_KILLFOCUS, W(a), 0},
      {a, WM_SETFOCUS, W(b), 0},
  };
  EXPECT_EQ(log_.messages, switchToA);
  EXPECT_EQ(emu_.SetForegroundWindow(b), 1);
  log_.messages.clear();
  EXPECT_EQ(emu_.SetForegroundWindow(b), 1);  // already active: nothing
  EXPECT_TRUE(log_.messages.empty());

  emu_.activateOther();
  const std::vector<Logged> toOther{
      {b, WM_ACTIVATE, MakeWparam(WA_INACTIVE, 0), log_.messages.at(0).lParam},
      {b, WM_KILLFOCUS, 0, 0},
  };
  EXPECT_EQ(log_.messages, toOther);
  EXPECT_EQ(emu_.foreground()->className, u"OtherApp");
  EXPECT_EQ(emu_.GetFocus(), nullptr);
}

TEST_F(WindowsTest, ANestedSetForegroundWindowWins) {
  Hwnd d = Dialog();
  log_.react = [&](Hwnd h, std::uint32_t m, Wparam w, Lparam) -> std::intptr_t {
    if (m == WM_ACTIVATE && LoWord(w) == WA_INACTIVE) {
      // Stays in front, as the keyboard test does; the handle's low bit brings owned windows.
      emu_.SetForegroundWindow(reinterpret_cast<Hwnd>(reinterpret_cast<std::uintptr_t>(h) | 1));
    }
    return 0;
  };
  log_.messages.clear();
  emu_.activateOther();
  ASSERT_EQ(log_.messages.size(), 2u);
  EXPECT_EQ(log_.messages[0].message, WM_ACTIVATE);
  EXPECT_EQ(LoWord(log_.messages[0].wParam), WA_INACTIVE);
  EXPECT_EQ(log_.messages[1].message, WM_ACTIVATE);
  EXPECT_EQ(LoWord(log_.messages[1].wParam), WA_ACTIVE);
  EXPECT_EQ(emu_.GetForegroundWindow(), d);
  EXPECT_EQ(emu_.GetFocus(), d);  // no WM_KILLFOCUS was sent
}

TEST_F(WindowsTest, DestroyingTheActiveDialog) {
  Hwnd d = Dialog(WS_POPUP | WS_VISIBLE, {{11, WS_TABSTOP, u"b"}});
  Hwnd button = emu_.GetDlgItem(d, 11);
  log_.messages.clear();
  int destroyCalls = 0;
  log_.react = [&](Hwnd h, std::uint32_t m, Wparam, Lparam) -> std::intptr_t {
    if (m == WM_DESTROY && h == d) {
      ++destroyCalls;
      EXPECT_EQ(emu_.IsWindow(h), 1);
      EXPECT_EQ(emu_.DestroyWindow(h), 0);  // re-entrant call: nothing
      EXPECT_EQ(emu_.IsWindow(button), 1);  // children still exist
    }
    return 0;
  };
  EXPECT_EQ(emu_.DestroyWindow(d), 1);
  const std::vector<Logged> expected{
      {d, WM_ACTIVATE, MakeWparam(WA_INACTIVE, 0), L(emu_.FindWindowW(u"PLW_APP", nullptr))},
      {d, WM_DESTROY, 0, 0},
  };
  EXPECT_EQ(log_.messages, expected);
  EXPECT_EQ(destroyCalls, 1);
  EXPECT_EQ(emu_.IsWindow(d), 0);
  EXPECT_EQ(emu_.IsWindow(button), 0);
  EXPECT_EQ(emu_.DestroyWindow(d), 0);
  EXPECT_EQ(emu_.foreground()->className, u"PLW_APP");
  EXPECT_EQ(emu_.GetFocus(), nullptr);

  // With the focus on the dialog itself, it hears of the focus going before WM_DESTROY.
  Hwnd e = Dialog();
  log_.messages.clear();
  emu_.DestroyWindow(e);
  EXPECT_EQ(log_.numbers(), (std::vector<std::uint32_t>{WM_ACTIVATE, WM_KILLFOCUS, WM_DESTROY}));
}

TEST_F(WindowsTest, TappingAButtonSendsItsCommand) {
  Hwnd d = Dialog();
  Hwnd b = emu_.CreateWindowExW(0, u"button", u"RESET", WS_CHILD | WS_VISIBLE, 10, 100, 100, 30, d,
                                1030, emu_.programInstance(), nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(
      emu_.CreateWindowExW(0, u"nosuchclass", u"", WS_CHILD, 0, 0, 1, 1, d, 1, nullptr, nullptr),
      nullptr);
  Drain();
  log_.messages.clear();
  Rect r;
  emu_.GetWindowRect(d, &r);
  emu_.tap(r.left + 20, r.top + 110);
  Drain();
  const std::vector<Logged> expected{
      {d, WM_KILLFOCUS, W(b), 0},
      {d, WM_COMMAND, MakeWparam(1030, BN_CLICKED), L(b)},
  };
  EXPECT_EQ(log_.messages, expected);
  EXPECT_EQ(emu_.GetFocus(), b);
  // A tap on the dialog itself reaches it in client coordinates.
  log_.messages.clear();
  emu_.tap(r.left + 5, r.top + 40);  // below the task bar
  Drain();
  EXPECT_EQ(log_.numbers(), (std::vector<std::uint32_t>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
  EXPECT_EQ(log_.messages[0].lParam, (40 << 16) | 5);
}

TEST_F(WindowsTest, DialogManagerKeys) {
  struct Case {
    std::vector<Control> controls;
    std::uint32_t vk;
    std::vector<Logged> expected;  // hwnd filled in below: 0 = the dialog
  };
  const Case cases[] = {
      {{}, VK_ESCAPE, {{nullptr, WM_COMMAND, MakeWparam(IDCANCEL, BN_CLICKED), 0}}},
      {{}, VK_RETURN, {{nullptr, WM_COMMAND, MakeWparam(IDOK, BN_CLICKED), 0}}},
      {{{7, BS_DEFPUSHBUTTON, u"Go"}},
       VK_RETURN,
       {{nullptr, WM_COMMAND, MakeWparam(7, BN_CLICKED), 1}}},
      {{}, VK_TAB, {}},
      {{}, VK_DOWN, {}},
      {{}, 'K', {{nullptr, WM_KEYDOWN, 'K', 0x00000001}}},
  };
  for (const Case& c : cases) {
    Hwnd d = Dialog(WS_POPUP | WS_VISIBLE, c.controls);
    Drain();
    log_.messages.clear();
    emu_.keyDown(c.vk);
    Msg m;
    ASSERT_EQ(emu_.PeekMessageW(&m, nullptr, WM_KEYDOWN, WM_KEYDOWN, 1), 1);
    EXPECT_EQ(emu_.IsDialogMessageW(d, &m), 1);
    std::vector<Logged> expected = c.expected;
    for (Logged& e : expected) {
      e.hwnd = d;
      if (e.lParam == 1 && e.message == WM_COMMAND) e.lParam = L(emu_.GetDlgItem(d, 7));
    }
    EXPECT_EQ(log_.messages, expected) << c.vk;
    EXPECT_EQ(emu_.GetFocus(), d);
    emu_.keyUp(c.vk);
    Drain();
    emu_.DestroyWindow(d);
  }
  // Messages of other windows are not the dialog's business.
  Hwnd one = Dialog();
  Hwnd two = Dialog();
  Msg m{two, WM_KEYDOWN, VK_ESCAPE, 0};
  EXPECT_EQ(emu_.IsDialogMessageW(one, &m), 0);
}

TEST_F(WindowsTest, TabMovesBetweenTabStops) {
  Hwnd d = Dialog(WS_POPUP | WS_VISIBLE,
                  {{1, WS_TABSTOP, u"a"}, {2, 0, u"b"}, {3, WS_TABSTOP, u"c", 50, 4}});
  EXPECT_EQ(emu_.GetFocus(), emu_.GetDlgItem(d, 1));
  for (int expectedId : {3, 1}) {
    emu_.keyDown(VK_TAB);
    Msg m;
    ASSERT_EQ(emu_.PeekMessageW(&m, nullptr, WM_KEYDOWN, WM_KEYDOWN, 1), 1);
    emu_.IsDialogMessageW(d, &m);
    EXPECT_EQ(emu_.GetFocus(), emu_.GetDlgItem(d, expectedId));
  }
}

TEST_F(WindowsTest, MessageBoxAnsweredAndDestroyedWithItsOwner) {
  Hwnd d = Dialog();
  std::vector<int> results;
  log_.react = [&](Hwnd h, std::uint32_t m, Wparam w, Lparam) -> std::intptr_t {
    if (m == WM_TIMER && w == 1) {
      emu_.KillTimer(h, 1);
      results.push_back(emu_.MessageBoxW(h, u"You've just passed the test", u"Vantor", MB_OK));
    }
    if (m == WM_TIMER && w == 2) {
      emu_.KillTimer(h, 2);
      emu_.DestroyWindow(h);
    }
    return m == WM_INITDIALOG;
  };
  Script script({[&](Emulator& e) {
                   EXPECT_FALSE(e.answerMessageBox(IDOK));  // none shown yet
                   e.wait(10);
                 },
                 [&](Emulator& e) {
                   EXPECT_TRUE(e.messageBoxShown());
                   EXPECT_EQ(e.foreground()->className, u"MessageBox");
                   e.answerMessageBox(IDCANCEL);
                   EXPECT_FALSE(e.messageBoxShown());
                 },
                 [&](Emulator& e) {
                   emu_.SetTimer(d, 1, 10, nullptr);
                   e.wait(10);
                 },
                 [&](Emulator& e) {
                   EXPECT_TRUE(e.messageBoxShown());
                   emu_.SetTimer(d, 2, 10, nullptr);
                   e.wait(10);
                 }});
  emu_.setInputSource(&script);
  emu_.setIdleLimit(100);
  emu_.SetTimer(d, 1, 10, nullptr);
  log_.messages.clear();
  const RunResult r = emu_.run([&] {
    Msg m;
    while (emu_.IsWindow(d) && emu_.GetMessageW(&m, nullptr, 0, 0)) emu_.DispatchMessageW(&m);
    return 0;
  });
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(results, (std::vector<int>{IDCANCEL, 0}));
  ASSERT_EQ(emu_.record().messageBoxes.size(), 2u);
  EXPECT_EQ(emu_.record().messageBoxes[0].caption, u"Vantor");
  EXPECT_EQ(emu_.record().messageBoxes[0].text, u"You've just passed the test");
  EXPECT_EQ(emu_.record().messageBoxes[0].answer, IDCANCEL);
  EXPECT_EQ(emu_.record().messageBoxes[1].answer, std::nullopt);
  // The box took activation and the focus from its owner, and gave them back.
  std::vector<std::uint32_t> firstBox;
  for (const Logged& l : log_.messages) {
    if (l.message == WM_TIMER) break;
    firstBox.push_back(l.message);
  }
  EXPECT_TRUE(firstBox.empty());
  std::vector<std::uint32_t> seen;
  for (const Logged& l : log_.messages) {
    if (l.message != WM_TIMER) seen.push_back(l.message);
  }
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{WM_ACTIVATE, WM_KILLFOCUS, WM_ACTIVATE, WM_SETFOCUS,
                                              WM_ACTIVATE, WM_KILLFOCUS, WM_DESTROY}));
}

TEST_F(WindowsTest, PaintingIsClippedToTheUpdateRegionAndWindowsAbove) {
  const ColorRef red = Rgb(0xFF, 0, 0);
  Hwnd below = Dialog(WS_POPUP | WS_VISIBLE, {}, u"Below", 100, 100);  // 200 x 200 at (0, 0)
  emu_.MoveWindow(below, 0, 0, 200, 200, 1);
  int erases = 0;
  log_.react = [&](Hwnd h, std::uint32_t m, Wparam w, Lparam) -> std::intptr_t {
    if (m == WM_ERASEBKGND && h == below) ++erases;
    if (m == WM_PAINT && h == below) {
      PaintStruct ps;
      Hdc dc = emu_.BeginPaint(h, &ps);
      Hbrush brush = emu_.CreateSolidBrush(red);
      Rect all{0, 0, 200, 200};
      emu_.FillRect(dc, &all, brush);
      emu_.DeleteObject(brush);
      emu_.EndPaint(h, &ps);
      return 1;
    }
    (void)w;
    return m == WM_INITDIALOG;
  };
  Drain();
  EXPECT_EQ(erases, 1);
  EXPECT_EQ(emu_.screen().at(150, 150), red);
  Hwnd above = Dialog(WS_POPUP | WS_VISIBLE, {}, u"Above", 50, 50);
  emu_.MoveWindow(above, 100, 100, 100, 100, 1);
  Drain();
  EXPECT_EQ(emu_.screen().at(150, 150), Rgb(0xFF, 0xFF, 0xFF));  // erased white by default
  EXPECT_EQ(erases, 2);  // the part of it that the other dialog uncovered when it moved
  emu_.InvalidateRect(below, nullptr, 0);
  Drain();
  EXPECT_EQ(emu_.screen().at(150, 150), Rgb(0xFF, 0xFF, 0xFF));  // still covered
  EXPECT_EQ(emu_.screen().at(50, 150), red);
  EXPECT_EQ(erases, 2);  // no erase asked for this time
  // What a destroyed window uncovered is painted again.
  emu_.DestroyWindow(above);
  Drain();
  EXPECT_EQ(emu_.screen().at(150, 150), red);
  EXPECT_EQ(emu_.liveGdiObjects(), 0u);
}

TEST_F(WindowsTest, ShellWindowsAndFullScreen) {
  Hwnd d = Dialog();
  Hwnd taskBar = emu_.FindWindowW(u"HHTaskBar", nullptr);
  ASSERT_NE(taskBar, nullptr);
  ASSERT_NE(emu_.FindWindowW(u"MS_SIPBUTTON", nullptr), nullptr);
  EXPECT_EQ(emu_.FindWindowW(u"PLW_APP", u"Other title"), nullptr);
  EXPECT_TRUE(emu_.taskBarVisible());
  EXPECT_EQ(emu_.SHFullScreen(d, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON), 1);
  EXPECT_FALSE(emu_.taskBarVisible());
  EXPECT_FALSE(emu_.sipButtonVisible());
  emu_.ShowWindow(taskBar, SW_SHOW);
  EXPECT_TRUE(emu_.taskBarVisible());
  EXPECT_EQ(emu_.GetForegroundWindow(), d);  // shell bars never take activation

  ShInitDlgInfo noBar{SHIDIM_FLAGS, d, SHIDIF_SIPDOWN | SHIDIF_FULLSCREENNOMENUBAR};
  emu_.SHInitDialog(&noBar);
  EXPECT_EQ(emu_.SHFindMenuBar(d), nullptr);
  Hwnd e = Dialog();
  ShInitDlgInfo withBar{SHIDIM_FLAGS, e, 0};
  emu_.SHInitDialog(&withBar);
  Hwnd bar = emu_.SHFindMenuBar(e);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(emu_.ShowMenuBar(bar, 0), 1);
  EXPECT_EQ(emu_.IsWindowVisible(bar), 0);
  emu_.DestroyWindow(e);
  EXPECT_EQ(emu_.IsWindow(bar), 0);  // owned by the dialog
}

TEST(EmulatorRegistry, HelpersAndRecordedWrites) {
  DeviceConfig c;
  Emulator emu(c);
  emu.registry().createKey(u"HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\keypad");
  emu.registry().set(u"HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\keypad", u"Dll",
                     std::u16string(u"keypad_QUARN_0407.Dll"));
  emu.run([&] {
    Hkey key = nullptr;
    std::uint32_t disposition = 0;
    EXPECT_EQ(emu.RegCreateKeyExW(RootLocalMachine(), u"System\\State\\Corvane\\LCDTest", 0, u"", 0,
                                  KEY_WRITE, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, 1u);
    const std::uint8_t one[4] = {1, 0, 0, 0};
    EXPECT_EQ(emu.RegSetValueExW(key, u"Vantor", 0, REG_DWORD, one, 4), ERROR_SUCCESS);
    EXPECT_EQ(emu.RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_NE(emu.RegistrySetDWORD(RootLocalMachine(), u"No\\Such\\Key", u"V", 1), 0);

    std::uint32_t value = 77;
    EXPECT_NE(emu.RegistryGetDWORD(RootLocalMachine(), u"System\\State\\Corvane\\LCDTest",
                                   u"Missing", &value),
              0);
    EXPECT_EQ(value, 77u);
    EXPECT_EQ(emu.RegistryGetDWORD(RootLocalMachine(), u"system\\state\\corvane\\lcdtest",
                                   u"VANTOR", &value),
              0);
    EXPECT_EQ(value, 1u);
    Wchar small[7];
    std::fill(std::begin(small), std::end(small), u'#');
    emu.RegistryGetString(RootLocalMachine(), u"Drivers\\BuiltIn\\keypad", u"Dll", small, 7);
    EXPECT_EQ(std::u16string(small), u"keypad");
    return 0;
  });
  ASSERT_EQ(emu.record().registryWrites.size(), 1u);  // the set-up above is not the program's
  EXPECT_EQ(emu.record().registryWrites[0].key,
            u"HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\LCDTest");
  EXPECT_EQ(emu.record().registryWrites[0].name, u"Vantor");
  EXPECT_EQ(std::get<std::uint32_t>(emu.record().registryWrites[0].value), 1u);
  EXPECT_EQ(emu.record().registryWrites[0].tick, 100000u);
}

// A bitmap resource is decoded once; each load is an image of its own, so drawing on one leaves
// the others, and later loads in the storage of deleted images, as the resource is.
TEST(EmulatorResources, EveryLoadOfABitmapIsItsOwnCopy) {
  std::ifstream in(std::string(EMU_TEST_DATA_DIR) + "/tiny.res", std::ios::binary);
  const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
  DeviceConfig c;
  c.resources = bytes;
  Emulator emu(c);
  const Wchar* id = MakeIntResource(129);
  Hbitmap first = emu.LoadBitmapW(emu.programInstance(), id);
  ASSERT_NE(first, nullptr);
  int w = 0, h = 0;
  ASSERT_EQ(emu.GetBitmapSize(first, &w, &h), 1);
  Hdc screen = emu.GetDC(nullptr);
  // The image's pixels, as copied to the top left of the screen.
  auto pixels = [&](Hbitmap image) {
    Hdc dc = emu.CreateCompatibleDC(nullptr);
    Hgdiobj old = emu.SelectObject(dc, image);
    emu.BitBlt(screen, 0, 0, w, h, dc, 0, 0, SRCCOPY);
    emu.SelectObject(dc, old);
    emu.DeleteDC(dc);
    std::vector<ColorRef> out;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) out.push_back(emu.screen().at(x, y));
    return out;
  };
  const ResourceFile file(bytes);
  const auto decoded =
      DecodeBitmapResource(file.find(ResourceId(RT_BITMAP), ResourceId(std::uint16_t{129}))->data);
  ASSERT_TRUE(decoded);
  const std::vector<ColorRef> resource = decoded->pixels;
  EXPECT_EQ(pixels(first), resource);

  // Red copied over the first load (a copy writes the image's pixels at once).
  Hdc dc = emu.CreateCompatibleDC(nullptr);
  Hgdiobj old = emu.SelectObject(dc, first);
  Hdc redDc = emu.CreateCompatibleDC(nullptr);
  Hbitmap redImage = emu.CreateCompatibleBitmap(redDc, w, h);
  Hgdiobj redOld = emu.SelectObject(redDc, redImage);
  Rect all{0, 0, w, h};
  Hbrush red = emu.CreateSolidBrush(0x000000FF);
  emu.FillRect(redDc, &all, red);
  emu.BitBlt(dc, 0, 0, w, h, redDc, 0, 0, SRCCOPY);
  emu.SelectObject(dc, old);
  emu.SelectObject(redDc, redOld);
  emu.DeleteDC(redDc);
  emu.DeleteObject(redImage);
  EXPECT_EQ(pixels(first), std::vector<ColorRef>(resource.size(), 0x000000FFu));

  Hbitmap second = emu.LoadBitmapW(emu.programInstance(), id);
  EXPECT_EQ(pixels(second), resource);
  EXPECT_EQ(emu.DeleteObject(first), 1);
  Hbitmap third = emu.LoadBitmapW(emu.programInstance(), id);
  EXPECT_EQ(pixels(third), resource);

  emu.DeleteDC(dc);
  emu.DeleteObject(red);
  emu.DeleteObject(second);
  emu.DeleteObject(third);
  emu.ReleaseDC(nullptr, screen);
  EXPECT_EQ(emu.liveGdiObjects(), 0u);
}

TEST(EmulatorEvents, PulsesOfTheActivityEventAreCounted) {
  Emulator emu(DeviceConfig{});
  Handle h = emu.CreateEventW(nullptr, 0, 0, u"PowerManager/UserActivity_Active");
  Handle other = emu.CreateEventW(nullptr, 0, 0, u"Something");
  EXPECT_EQ(emu.EventModify(h, EVENT_PULSE), 1);
  EXPECT_EQ(emu.EventModify(other, EVENT_PULSE), 1);
  EXPECT_EQ(emu.CloseHandle(h), 1);
  EXPECT_EQ(emu.CloseHandle(h), 0);
  EXPECT_EQ(emu.EventModify(h, EVENT_PULSE), 0);
  EXPECT_EQ(emu.record().activityPulses, 1);
}

}  // namespace
}  // namespace emu::test
