#include "vantor/test_run.h"

#include "harness/debug_print.h"
#include "harness/key_hook.h"
#include "harness/platform.h"
#include "harness/platform_constants.h"
#include "harness/registry_protocol.h"
#include "harness/wide_text.h"
#include "vantor/key_events.h"
#include "vantor/key_layouts.h"
#include "vantor/test_state.h"

namespace vantor {
namespace {

struct KeypadDriverCountry {
  const harness::Wchar* driverName;
  std::uint32_t countryId;
};

constexpr KeypadDriverCountry kKeypadDrivers[] = {
    {u"keypad_QUARN_0407.Dll", 11}, {u"keypad_QUARN_0419.Dll", 44}, {u"keypad_QUARN_0C0A.Dll", 27},
    {u"keypad_QUARN_0414.Dll", 22}, {u"keypad_QUARN_040C.Dll", 10},
};

constexpr std::uint32_t kResetButtonStyle = harness::WS_CHILD | harness::WS_VISIBLE;
constexpr std::uint32_t kFullScreenFlags =
    harness::SHFS_HIDETASKBAR | harness::SHFS_HIDESIPBUTTON | harness::SHFS_HIDESTARTICON;

int logTick() { return static_cast<int>(harness::platform().GetTickCount()); }

}  // namespace

void detectCountry() {
  harness::Platform& os = harness::platform();
  os.RegistryGetDWORD(harness::RootLocalMachine(), harness::kPhoneKey, harness::kCountryValue,
                      &testState.countryId);
  harness::Wchar driverName[kKeypadNameUnits] = {};
  os.RegistryGetString(harness::RootLocalMachine(), harness::kKeypadKey, harness::kKeypadDllValue,
                       driverName, kKeypadNameUnits);
  for (const KeypadDriverCountry& driver : kKeypadDrivers) {
    if (harness::WideNCompare(driverName, driver.driverName, kKeypadNameCompareUnits) == 0) {
      testState.countryId = driver.countryId;
      return;
    }
  }
}

void startTestRun() {
  harness::Platform& os = harness::platform();
  harness::SetHarnessFlag(harness::kLcdTestKey, harness::kLcdTestValue, 1);
  detectCountry();
  testState.screenWidth = static_cast<std::uint32_t>(os.GetSystemMetrics(harness::SM_CXSCREEN));
  testState.screenHeight = static_cast<std::uint32_t>(os.GetSystemMetrics(harness::SM_CYSCREEN));
  harness::NKDbgPrintfW(u"[%08d][Vantor] - Country ID = 0x%04X[0x%04X] Screen[%d/%d]\r\n",
                        logTick(), testState.countryId, 0u, static_cast<int>(testState.screenWidth),
                        static_cast<int>(testState.screenHeight));
  testState.keyTable.clearKeys();
  selectLayout();

  const int width = static_cast<int>(testState.screenWidth);
  const int height = static_cast<int>(testState.screenHeight);
  os.CreateWindowExW(0, u"button", u"RESET", kResetButtonStyle, 10, height - 50, width - 20, 30,
                     testState.dialog, IDC_RESET, testState.instance, nullptr);
  testState.keyTable.resetPressCounts();

  os.ShellSwitch(0, 1);
  harness::InstallKeyHook(keyHookBinding, testState.instance, keyHookProc);
  os.SetTimer(testState.dialog, IDT_ACTIVITY, kActivityPeriodMs, nullptr);
  // The first pulse right after initialisation, not 4 s later.
  os.PostMessageW(testState.dialog, harness::WM_TIMER, IDT_ACTIVITY, 0);
  setShellFullScreen(true);
  os.SystemSwitch(1);
}

void setShellFullScreen(bool hide) {
  harness::Platform& os = harness::platform();
  harness::Hwnd dialog = testState.dialog;
  harness::Hwnd taskBar = os.FindWindowW(u"HHTaskBar", nullptr);
  harness::Hwnd sipButton = os.FindWindowW(u"MS_SIPBUTTON", nullptr);
  harness::Hwnd menuBar = os.SHFindMenuBar(dialog);
  if (hide) {
    if (taskBar != nullptr) os.ShowWindow(taskBar, harness::SW_HIDE);
    if (sipButton != nullptr) os.ShowWindow(sipButton, harness::SW_HIDE);
    if (menuBar != nullptr) os.ShowMenuBar(menuBar, 0);
    os.SHFullScreen(dialog, kFullScreenFlags);
    os.MoveWindow(dialog, 0, 0, os.GetSystemMetrics(harness::SM_CXSCREEN),
                  os.GetSystemMetrics(harness::SM_CYSCREEN), 1);
    os.SetForegroundWindow(harness::WithOwnedWindows(dialog));
    os.SetWindowPos(dialog, harness::HwndTopmost(), 0, 0, 0, 0, harness::SWP_NOSIZE);
    return;
  }
  // The input-panel button stays hidden and the dialog keeps its full-screen state.
  if (taskBar != nullptr) os.ShowWindow(taskBar, harness::SW_SHOW);
  if (menuBar != nullptr) os.ShowMenuBar(menuBar, 1);
}

void pulseUserActivity() {
  harness::Platform& os = harness::platform();
  harness::Handle event = os.CreateEventW(nullptr, 0, 0, kUserActivityEvent);
  if (event == nullptr) return;
  os.EventModify(event, harness::EVENT_PULSE);
  os.CloseHandle(event);
}

void finishTestRun() {
  harness::Platform& os = harness::platform();
  harness::SetHarnessFlag(harness::kPlenwickKey, harness::kSimpleTestValue, 2);
  harness::SetHarnessFlag(harness::kLcdTestKey, harness::kLcdTestValue, 0);
  harness::RemoveKeyHook(keyHookBinding);
  os.KillTimer(testState.dialog, IDT_CLOSE);
  os.KillTimer(testState.dialog, IDT_ACTIVITY);
  os.ShellSwitch(0, 0);
  setShellFullScreen(false);
  os.SystemSwitch(0);

  harness::Hwnd harnessWindow = os.FindWindowW(harness::kHarnessWindowClass, nullptr);
  if (harnessWindow == nullptr) return;
  harness::NKDbgPrintfW(u"[%08d][Vantor]Return To PLWMain\r\n", logTick());
  os.SetForegroundWindow(harness::WithOwnedWindows(harnessWindow));
}

}  // namespace vantor
