// The frame of Vantor: program entry, the test dialog and its procedure, the start and the end
// of a test run, and taking the screen from the shell and giving it back.
#pragma once

#include <cstdint>

#include "harness/platform_types.h"

namespace vantor {

inline constexpr const harness::Wchar* kVersionText = u"20100625_01";
inline constexpr const harness::Wchar* kCommandLine = u"test";
inline constexpr std::uint16_t kDialogTemplateId = 102;
inline constexpr std::uint16_t kAcceleratorTableId = 2;
inline constexpr std::uint32_t kActivityPeriodMs = 4000;
inline constexpr std::uint32_t kKeypadNameUnits = 256;
inline constexpr std::uint32_t kKeypadNameCompareUnits = 21;
inline constexpr const harness::Wchar* kUserActivityEvent = u"PowerManager/UserActivity_Active";

// Program entry: exit code, 0 on every path. Starts from the initial test state, so it can run
// more than once in one process.
int vantorMain(harness::Hinstance instance, harness::Hinstance previousInstance,
               const harness::Wchar* commandLine, int showCommand);

std::intptr_t testDialogProc(harness::Hwnd window, std::uint32_t message, harness::Wparam wParam,
                             harness::Lparam lParam);

// Dialog initialisation: flags, country, screen, key table, RESET button, hook, timers, screen.
void startTestRun();
// Country id from the registry's country value, overridden by a known keypad driver name.
void detectCountry();
// The exit sequence, run when the dialog is destroyed, whatever destroyed it.
void finishTestRun();
void setShellFullScreen(bool hide);
void pulseUserActivity();

}  // namespace vantor
