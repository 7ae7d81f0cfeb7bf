#include "vantor/test_run.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "harness/platform_constants.h"
#include "vantor/key_events.h"
#include "vantor/key_layouts.h"
#include "vantor/test_state.h"
#include "vantor/tests/fake_platform.h"

namespace vantor {
namespace {

using testing::FakePlatform;
using testing::handleOf;
using Calls = std::vector<std::string>;

const harness::Hwnd kDialog = handleOf<harness::Hwnd>(0xD1A0);
const harness::Hwnd kTaskBar = handleOf<harness::Hwnd>(0x7A50);
const harness::Hwnd kSipButton = handleOf<harness::Hwnd>(0x5100);
const harness::Hwnd kHarnessWindow = handleOf<harness::Hwnd>(0x9A40);
const harness::Hwnd kMenuBar = handleOf<harness::Hwnd>(0x3E50);

class TestRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetTestState();
    fake.nameWindow(kDialog, "dialog");
    fake.nameWindow(kTaskBar, "taskbar");
    fake.nameWindow(kSipButton, "sip");
    fake.nameWindow(kHarnessWindow, "plw");
    fake.nameWindow(kMenuBar, "menubar");
    fake.windows = {{"HHTaskBar", "", kTaskBar}, {"MS_SIPBUTTON", "", kSipButton}};
  }
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    for (const auto& line : fake.debugLines) out.push_back(harness::Utf16ToUtf8(line));
    return out;
  }
  void initDialog() {
    ASSERT_EQ(testDialogProc(kDialog, harness::WM_INITDIALOG, 0, 0), 1);
    fake.calls.clear();
    fake.debugLines.clear();
  }
  FakePlatform fake;
};

TEST_F(TestRunTest, InitDialogRunsTheStartStepsInOrder) {
  EXPECT_EQ(testDialogProc(kDialog, harness::WM_INITDIALOG, 0, 0), 1);
  EXPECT_EQ(testState.dialog, kDialog);
  EXPECT_EQ(fake.calls, (Calls{
                            "SHInitDialog 1 dialog 0x18",
                            "RegCreateKeyExW System\\State\\Corvane\\LCDTest",
                            "RegSetValueExW System\\State\\Corvane\\LCDTest Vantor=1",
                            "RegistryGetDWORD System\\State\\Corvane\\Phone TRV_Country",
                            "RegistryGetString Drivers\\BuiltIn\\keypad Dll 256",
                            "CreateWindowExW 0 button RESET 0x50000000 10,270 300x30 parent "
                            "dialog id 1030",
                            "InvalidateRect dialog all 1",
                            "ShellSwitch 0 1",
                            "LoadLibraryW coredll.dll",
                            "SetWindowsHookExW 20 thread 0",
                            "SetTimer dialog 4097 4000",
                            "PostMessageW dialog 275 4097 0",
                            "FindWindowW HHTaskBar",
                            "FindWindowW MS_SIPBUTTON",
                            "ShowWindow taskbar 0",
                            "ShowWindow sip 0",
                            "SHFullScreen dialog 42",
                            "MoveWindow dialog 0,0 320x320 1",
                            "SetForegroundWindow dialog|1",
                            "SetWindowPos dialog -1 0,0 0x0 1",
                            "SystemSwitch 1",
                        }));
  EXPECT_EQ(lines(), (std::vector<std::string>{
                         "[00100000][Vantor] - Country ID = 0x0000[0x0000] Screen[320/320]\r\n"}));
  EXPECT_EQ(testState.keyTable.keyCount(), 52u);
  EXPECT_EQ(fake.installedHook, &keyHookProc);
}

TEST_F(TestRunTest, StartOnTheCompactHandset) {
  fake.screenWidth = 400;
  fake.screenHeight = 240;
  fake.tick = 12345;
  fake.dwords["System\\State\\Corvane\\Phone"]["TRV_Country"] = 11;
  EXPECT_EQ(testDialogProc(kDialog, harness::WM_INITDIALOG, 0, 0), 1);
  EXPECT_EQ(lines().front(),
            "[00012345][Vantor] - Country ID = 0x000B[0x0000] Screen[400/240]\r\n");
  EXPECT_EQ(testState.keyTable.keyCount(), 7u);
  EXPECT_EQ(fake.callsStartingWith("CreateWindowExW"),
            (Calls{"CreateWindowExW 0 button RESET 0x50000000 10,190 380x30 parent dialog id "
                   "1030"}));
}

TEST_F(TestRunTest, FinishReportsRestoresAndReturnsToTheHarness) {
  fake.menuBar = kMenuBar;
  fake.windows.push_back({"PLW_APP", "Plenwick", kHarnessWindow});
  initDialog();
  fake.tick = 200000;
  EXPECT_EQ(testDialogProc(kDialog, harness::WM_DESTROY, 0, 0), 0);
  EXPECT_EQ(fake.calls, (Calls{
                            "RegCreateKeyExW System\\State\\Corvane\\Plenwick",
                            "RegSetValueExW System\\State\\Corvane\\Plenwick SimpleTest=2",
                            "RegCreateKeyExW System\\State\\Corvane\\LCDTest",
                            "RegSetValueExW System\\State\\Corvane\\LCDTest Vantor=0",
                            "UnhookWindowsHookEx 0x400c",
                            "FreeLibrary 0xc0de",
                            "KillTimer dialog 4098",
                            "KillTimer dialog 4097",
                            "ShellSwitch 0 0",
                            "FindWindowW HHTaskBar",
                            "FindWindowW MS_SIPBUTTON",
                            "ShowWindow taskbar 5",
                            "ShowMenuBar menubar 1",
                            "SystemSwitch 0",
                            "FindWindowW PLW_APP",
                            "SetForegroundWindow plw|1",
                            "EndDialog dialog 2",
                            "PostQuitMessage 0",
                        }));
  EXPECT_EQ(lines(), (std::vector<std::string>{"[Vantor]WM_DESTROY \r\n",
                                               "[00200000][Vantor]Return To PLWMain\r\n"}));
  EXPECT_EQ(fake.installedHook, nullptr);
}

TEST_F(TestRunTest, FinishWithoutHarnessWindowEndsQuietly) {
  initDialog();
  finishTestRun();
  EXPECT_EQ(fake.calls.back(), "FindWindowW PLW_APP");
  EXPECT_TRUE(fake.debugLines.empty());
}

// On a fresh handset the flag keys do not exist; the shell's set helper would fail there.
TEST_F(TestRunTest, FlagsAreWrittenEvenWhenTheirKeysAreMissing) {
  ASSERT_TRUE(fake.dwords.empty());
  testDialogProc(kDialog, harness::WM_INITDIALOG, 0, 0);
  EXPECT_EQ(fake.dwords["System\\State\\Corvane\\LCDTest"]["Vantor"], 1u);
  EXPECT_FALSE(fake.dwords.contains("System\\State\\Corvane\\Plenwick"));
  testDialogProc(kDialog, harness::WM_DESTROY, 0, 0);
  EXPECT_EQ(fake.dwords["System\\State\\Corvane\\LCDTest"]["Vantor"], 0u);
  EXPECT_EQ(fake.dwords["System\\State\\Corvane\\Plenwick"]["SimpleTest"], 2u);
  EXPECT_TRUE(fake.callsStartingWith("RegistrySetDWORD").empty());
}

TEST_F(TestRunTest, DialogProcRoutesMessages) {
  initDialog();
  struct Case {
    const char* name;
    std::uint32_t message;
    harness::Wparam wParam;
    harness::Lparam lParam;
    std::intptr_t result;
    Calls calls;
  };
  const Case cases[] = {
      {"activity timer pulses the power manager",
       harness::WM_TIMER,
       IDT_ACTIVITY,
       0,
       0,
       {"CreateEventW PowerManager/UserActivity_Active 0 0", "EventModify 0xe7e7 1",
        "CloseHandle 0xe7e7"}},
      {"close timer destroys", harness::WM_TIMER, IDT_CLOSE, 0, 0, {"DestroyWindow dialog"}},
      {"other timer", harness::WM_TIMER, 4099, 0, 0, {}},
      {"Ctrl+Q command",
       harness::WM_COMMAND,
       harness::MakeWparam(IDM_OK, 1),
       0,
       0,
       {"DestroyWindow dialog"}},
      {"RESET notification other than clicked",
       harness::WM_COMMAND,
       harness::MakeWparam(IDC_RESET, 1),
       0,
       0,
       {}},
      {"unknown command", harness::WM_COMMAND, 7, 0, 77, {"DefWindowProcW 273"}},
      {"setting change is consumed", harness::WM_SETTINGCHANGE, 0, 0, 0, {}},
      {"other messages", harness::WM_USER, 0, 0, 77, {"DefWindowProcW 1024"}},
      {"deactivation retakes the screen",
       harness::WM_ACTIVATE,
       harness::WA_INACTIVE,
       0,
       0,
       {"FindWindowW HHTaskBar", "FindWindowW MS_SIPBUTTON", "ShowWindow taskbar 0",
        "ShowWindow sip 0", "SHFullScreen dialog 42", "MoveWindow dialog 0,0 320x320 1",
        "SetForegroundWindow dialog|1", "SetWindowPos dialog -1 0,0 0x0 1"}},
  };
  for (const Case& c : cases) {
    fake.calls.clear();
    EXPECT_EQ(testDialogProc(kDialog, c.message, c.wParam, c.lParam), c.result) << c.name;
    EXPECT_EQ(fake.calls, c.calls) << c.name;
  }
}

TEST_F(TestRunTest, KeyMessagesCarryRepeatAndScanFromTheSecondParameter) {
  initDialog();
  fake.tick = 1234;
  const harness::Lparam down = (0x10 << 16) | 2;
  const harness::Lparam up = static_cast<harness::Lparam>(0xC0000000u | (0x1A5u << 16) | 3u);
  EXPECT_EQ(testDialogProc(kDialog, harness::WM_KEYDOWN, 81, down), 0);
  EXPECT_EQ(testDialogProc(kDialog, harness::WM_KEYUP, 81, up), 0);
  EXPECT_EQ(lines(),
            (std::vector<std::string>{"[001234][Vantor]OnKeyDown   char[0x0051:0x10][02]\r\n",
                                      "[001234][Vantor]OnKeyUp char[0x0051:0xA5][03][Q:1]\r\n"}));
}

TEST_F(TestRunTest, ResetOnceClearsTwiceWithinTheWindowEnds) {
  initDialog();
  const harness::Wparam clicked = harness::MakeWparam(IDC_RESET, harness::BN_CLICKED);
  testState.keyTable.keyAt(3).pressCount = 2;
  fake.tick = 10000;
  testDialogProc(kDialog, harness::WM_COMMAND, clicked, 0);
  EXPECT_EQ(testState.keyTable.keyAt(3).pressCount, 0u);
  EXPECT_EQ(testState.lastResetTick, 10000u);
  EXPECT_EQ(fake.calls, (Calls{"InvalidateRect dialog all 1", "SetFocus dialog"}));

  // 250 ms later: counts reset again and a new window starts.
  fake.calls.clear();
  fake.tick = 10250;
  testDialogProc(kDialog, harness::WM_COMMAND, clicked, 0);
  EXPECT_EQ(testState.lastResetTick, 10250u);
  EXPECT_TRUE(fake.callsStartingWith("DestroyWindow").empty());

  // 150 ms after that: the test is abandoned.
  fake.calls.clear();
  fake.tick = 10400;
  testDialogProc(kDialog, harness::WM_COMMAND, clicked, 0);
  EXPECT_EQ(fake.calls,
            (Calls{"DestroyWindow dialog", "InvalidateRect dialog all 1", "SetFocus dialog"}));
  EXPECT_EQ(lines(), (std::vector<std::string>{"[Vantor]IDC_RESET 2Times[406]\r\n"}));
  EXPECT_EQ(testState.lastResetTick, 10250u);
}

TEST_F(TestRunTest, ResetLeavesThePassAndTheRepeatFilterAlone) {
  initDialog();
  testState.passed = 1;
  testState.lastKeyIndex = 5;
  testState.lastKeyUpTick = 99;
  fake.tick = 5000;
  testDialogProc(kDialog, harness::WM_COMMAND, harness::MakeWparam(IDC_RESET, harness::BN_CLICKED),
                 0);
  EXPECT_EQ(testState.passed, 1);
  EXPECT_EQ(testState.lastKeyIndex, 5);
  EXPECT_EQ(testState.lastKeyUpTick, 99u);
}

// ---- Program entry ----

class EntryPlatform : public FakePlatform {
 public:
  bool haveTemplate = true;
  std::deque<harness::Msg> messages;
  int quitCode = 0;
  std::vector<std::uint32_t> dispatched;
  harness::DlgProc dialogProc = nullptr;

  harness::Hrsrc FindResourceW(harness::Hinstance, const harness::Wchar* name,
                               const harness::Wchar* type) override {
    calls.push_back("FindResourceW " + testing::narrow(name) + " " + testing::narrow(type));
    return haveTemplate ? handleOf<harness::Hrsrc>(0x7E) : nullptr;
  }
  harness::Hglobal LoadResource(harness::Hinstance, harness::Hrsrc) override { return kBytes; }
  const void* LockResource(harness::Hglobal data) override { return data; }
  harness::Hwnd CreateDialogIndirectParamW(harness::Hinstance, const void* dialogTemplate,
                                           harness::Hwnd parent, harness::DlgProc proc,
                                           harness::Lparam param) override {
    calls.push_back(std::string("CreateDialogIndirectParamW") +
                    (dialogTemplate == kBytes ? " template" : " ?") +
                    (parent == nullptr ? " no-parent" : " parent") + " " + std::to_string(param));
    dialogProc = proc;
    return kDialog;
  }
  harness::Haccel LoadAcceleratorsW(harness::Hinstance, const harness::Wchar* name) override {
    calls.push_back("LoadAcceleratorsW " + testing::narrow(name));
    return handleOf<harness::Haccel>(0xACC);
  }
  int GetMessageW(harness::Msg* msg, harness::Hwnd, std::uint32_t, std::uint32_t) override {
    if (messages.empty()) {
      *msg = harness::Msg{};
      msg->message = harness::WM_QUIT;
      msg->wParam = static_cast<harness::Wparam>(quitCode);
      return 0;
    }
    *msg = messages.front();
    messages.pop_front();
    return 1;
  }
  int TranslateAcceleratorW(harness::Hwnd window, harness::Haccel table,
                            harness::Msg* msg) override {
    calls.push_back("TranslateAcceleratorW " + std::to_string(testing::valueOf(window)) + " " +
                    std::to_string(testing::valueOf(table)) + " " + std::to_string(msg->message));
    return msg->message == harness::WM_KEYDOWN ? 1 : 0;
  }
  harness::Lresult DispatchMessageW(const harness::Msg* msg) override {
    dispatched.push_back(msg->message);
    return 0;
  }

 private:
  static inline const char kBytes[4] = {};
};

TEST(ProgramEntry, AnyOtherCommandLineExitsAfterTheVersionLine) {
  const char16_t* lines[] = {u"Test", u" test", u"test ", u"test x", u"", u"tes", nullptr};
  for (const char16_t* commandLine : lines) {
    EntryPlatform fake;
    EXPECT_EQ(vantorMain(nullptr, nullptr, commandLine, harness::SW_SHOW), 0);
    EXPECT_EQ(fake.debugLines,
              (std::vector<std::u16string>{u"[00100000][Vantor] - V[20100625_01]\r\n"}));
    EXPECT_TRUE(fake.calls.empty()) << (commandLine ? testing::narrow(commandLine) : "null");
  }
}

TEST(ProgramEntry, SecondInstanceBringsTheFirstToTheFront) {
  EntryPlatform fake;
  const harness::Hwnd running = handleOf<harness::Hwnd>(0x4242);
  fake.nameWindow(running, "running");
  fake.windows = {{"Dialog", "Vantor", running}};
  EXPECT_EQ(vantorMain(nullptr, nullptr, u"test", harness::SW_SHOW), 0);
  EXPECT_EQ(fake.calls, (Calls{"FindWindowW Dialog Vantor", "SetForegroundWindow running|1"}));
  EXPECT_EQ(fake.debugLines,
            (std::vector<std::u16string>{u"[00100000][Vantor] - V[20100625_01]\r\n",
                                         u"[Vantor]line key forground \r\n"}));
}

TEST(ProgramEntry, MissingDialogTemplateExitsQuietly) {
  EntryPlatform fake;
  fake.haveTemplate = false;
  EXPECT_EQ(vantorMain(nullptr, nullptr, u"test", harness::SW_SHOW), 0);
  EXPECT_EQ(fake.calls, (Calls{"FindWindowW Dialog Vantor", "FindResourceW #102 #5"}));
  EXPECT_EQ(fake.debugLines.size(), 1u);
}

TEST(ProgramEntry, CreatesTheDialogAndRunsTheLoopWithAccelerators) {
  EntryPlatform fake;
  fake.nameWindow(kDialog, "dialog");
  const auto target = handleOf<harness::Hwnd>(0x51);
  fake.messages = {{target, harness::WM_KEYDOWN, 0x51, 0, 0, {}},
                   {target, harness::WM_KEYUP, 0x51, 0, 0, {}}};
  fake.quitCode = 3;
  const auto instance = handleOf<harness::Hinstance>(0x1A57);
  EXPECT_EQ(vantorMain(instance, nullptr, u"test", 7), 3);
  EXPECT_EQ(testState.instance, instance);
  EXPECT_EQ(fake.dialogProc, &testDialogProc);
  EXPECT_EQ(fake.calls,
            (Calls{"FindWindowW Dialog Vantor", "FindResourceW #102 #5",
                   "CreateDialogIndirectParamW template no-parent 0", "ShowWindow dialog 7",
                   "UpdateWindow dialog", "LoadAcceleratorsW #2",
                   "TranslateAcceleratorW 81 2764 256", "TranslateAcceleratorW 81 2764 257"}));
  EXPECT_EQ(fake.dispatched, (std::vector<std::uint32_t>{harness::WM_KEYUP}));
}

}  // namespace
}  // namespace vantor
