// The test dialog's procedure, the RESET button and the program entry with its message loop.

#include "harness/debug_print.h"
#include "harness/platform.h"
#include "harness/platform_constants.h"
#include "harness/wide_text.h"
#include "vantor/key_events.h"
#include "vantor/keyboard_render.h"
#include "vantor/test_run.h"
#include "vantor/test_state.h"

namespace vantor {
namespace {

constexpr std::uint32_t kShellDialogFlags =
    harness::SHIDIF_SIPDOWN | harness::SHIDIF_FULLSCREENNOMENUBAR;
constexpr std::intptr_t kDestroyedDialogResult = 2;

std::uint16_t repeatCountOf(harness::Lparam lParam) {
  return static_cast<std::uint16_t>(lParam & 0xFFFF);
}
std::uint8_t scanCodeOf(harness::Lparam lParam) {
  return static_cast<std::uint8_t>((lParam >> 16) & 0xFF);
}

// A second press within the reset window abandons the test; otherwise the counts start over.
void onResetClicked(harness::Hwnd window, harness::Wparam wParam) {
  harness::Platform& os = harness::platform();
  const std::uint32_t tick = os.GetTickCount();
  if (tick - testState.lastResetTick < TestTimings::resetWindowMs) {
    harness::NKDbgPrintfW(u"[Vantor]IDC_RESET 2Times[%03x]\r\n", static_cast<unsigned>(wParam));
    os.DestroyWindow(window);
  } else {
    testState.lastResetTick = os.GetTickCount();
  }
  testState.keyTable.resetPressCounts();
  // The button took the focus when it was tapped; key messages belong to the dialog.
  os.SetFocus(window);
}

std::intptr_t onCommand(harness::Hwnd window, harness::Wparam wParam, harness::Lparam lParam) {
  const std::uint16_t id = harness::LoWord(wParam);
  const std::uint16_t notification = harness::HiWord(wParam);
  if (id == IDC_RESET) {
    if (notification == harness::BN_CLICKED) onResetClicked(window, wParam);
    return 0;
  }
  if (id == IDM_OK) {
    harness::platform().DestroyWindow(window);
    return 0;
  }
  return harness::platform().DefWindowProcW(window, harness::WM_COMMAND, wParam, lParam);
}

}  // namespace

std::intptr_t testDialogProc(harness::Hwnd window, std::uint32_t message, harness::Wparam wParam,
                             harness::Lparam lParam) {
  harness::Platform& os = harness::platform();
  switch (message) {
    case harness::WM_DESTROY:
      harness::NKDbgPrintfW(u"[Vantor]WM_DESTROY \r\n");
      finishTestRun();
      os.EndDialog(window, kDestroyedDialogResult);
      os.PostQuitMessage(0);
      return 0;
    case harness::WM_ACTIVATE:
      // Whatever the activation state: the test keeps the screen while it runs.
      setShellFullScreen(true);
      return 0;
    case harness::WM_PAINT: {
      harness::PaintStruct paint{};
      harness::Hdc surface = os.BeginPaint(window, &paint);
      paintKeyboard(window, surface);
      os.EndPaint(window, &paint);
      return 0;
    }
    case harness::WM_SETTINGCHANGE:
      return 0;
    case harness::WM_KEYDOWN:
      OnKeyDown(static_cast<std::uint32_t>(wParam), repeatCountOf(lParam), scanCodeOf(lParam));
      return 0;
    case harness::WM_KEYUP:
      OnKeyUp(static_cast<std::uint32_t>(wParam), repeatCountOf(lParam), scanCodeOf(lParam));
      return 0;
    case harness::WM_INITDIALOG: {
      const harness::ShInitDlgInfo info{harness::SHIDIM_FLAGS, window, kShellDialogFlags};
      os.SHInitDialog(&info);
      testState.dialog = window;
      startTestRun();
      return 1;
    }
    case harness::WM_COMMAND:
      return onCommand(window, wParam, lParam);
    case harness::WM_TIMER:
      if (wParam == IDT_ACTIVITY) {
        pulseUserActivity();
      } else if (wParam == IDT_CLOSE) {
        os.DestroyWindow(window);
      }
      return 0;
    default:
      return os.DefWindowProcW(window, message, wParam, lParam);
  }
}

namespace {

// Brings an already running test to the front instead of starting a second one.
bool startInstance(harness::Hinstance instance, int showCommand) {
  harness::Platform& os = harness::platform();
  testState.instance = instance;
  harness::Hwnd running = os.FindWindowW(u"Dialog", u"Vantor");
  if (running != nullptr) {
    os.SetForegroundWindow(harness::WithOwnedWindows(running));
    harness::NKDbgPrintfW(u"[Vantor]line key forground \r\n");
    return false;
  }
  harness::Hrsrc resource = os.FindResourceW(instance, harness::MakeIntResource(kDialogTemplateId),
                                             harness::MakeIntResource(harness::RT_DIALOG));
  if (resource == nullptr) return false;
  harness::Hglobal loaded = os.LoadResource(instance, resource);
  if (loaded == nullptr) return false;
  const void* dialogTemplate = os.LockResource(loaded);
  if (dialogTemplate == nullptr) return false;
  harness::Hwnd dialog =
      os.CreateDialogIndirectParamW(instance, dialogTemplate, nullptr, testDialogProc, 0);
  if (dialog == nullptr) return false;
  os.ShowWindow(dialog, showCommand);
  os.UpdateWindow(dialog);
  return true;
}

}  // namespace

int vantorMain(harness::Hinstance instance, harness::Hinstance /*previousInstance*/,
               const harness::Wchar* commandLine, int showCommand) {
  resetTestState();
  harness::Platform& os = harness::platform();
  harness::NKDbgPrintfW(u"[%08d][Vantor] - V[%s]\r\n", static_cast<int>(os.GetTickCount()),
                        kVersionText);
  if (commandLine == nullptr || harness::WideCompare(commandLine, kCommandLine) != 0) return 0;
  if (!startInstance(instance, showCommand)) return 0;

  harness::Haccel accelerators =
      os.LoadAcceleratorsW(instance, harness::MakeIntResource(kAcceleratorTableId));
  harness::Msg msg{};
  while (os.GetMessageW(&msg, nullptr, 0, 0) != 0) {
    if (os.TranslateAcceleratorW(msg.hwnd, accelerators, &msg) != 0) continue;
    os.TranslateMessage(&msg);
    os.DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace vantor
