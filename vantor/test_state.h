// Everything Vantor keeps for one run, in one process-wide record, beside its fixed time windows
// and the identifiers of its button, command and timers.
#pragma once

#include <cstdint>

#include "harness/key_hook.h"
#include "harness/platform_types.h"
#include "vantor/key_table.h"

namespace vantor {

inline constexpr std::uint16_t IDC_RESET = 1030;
inline constexpr std::uint16_t IDM_OK = 40000;
inline constexpr std::uintptr_t IDT_ACTIVITY = 4097;
inline constexpr std::uintptr_t IDT_CLOSE = 4098;

struct TestTimings {
  static constexpr std::uint32_t resetWindowMs = 200;
  static constexpr std::uint32_t repeatWindowMs = 130;
};

struct TestState {
  harness::Hinstance instance = nullptr;
  harness::Hwnd dialog = nullptr;
  std::uint32_t screenWidth = 0;
  std::uint32_t screenHeight = 0;
  std::uint32_t lastResetTick = 0;
  std::uint32_t lastKeyUpTick = 0;
  std::uint32_t countryId = 0;
  KeyTable keyTable;
  std::uint8_t passed = 0;
  std::int32_t lastKeyIndex = -1;
};

extern TestState testState;
// The program's hook binding, alive for the whole process beside the test state.
extern harness::KeyHookBinding keyHookBinding;

// Back to the state at process start, so that a run can be repeated within one process.
void resetTestState();

}  // namespace vantor
