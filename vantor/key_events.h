// The key event path: every key release is matched to a key, filtered against bounce, counted,
// redrawn, acknowledged with a beep and logged; the test passes when every count is 1.
#pragma once

#include <cstdint>

#include "harness/platform_types.h"

namespace vantor {

inline constexpr std::uint32_t VK_UD_SYMBOL = 95;
// Keys the keypad driver reports by matrix position (the event's scan code) alone.
inline constexpr std::uint32_t kMatrixVirtualKey = 193;
inline constexpr std::uint32_t kPassCloseDelayMs = 500;

// The virtual-key codes the layouts use, plus the matrix code 193.
bool isAcceptedKeyCode(std::uint32_t virtualKey);

void OnKeyUp(std::uint32_t virtualKey, std::uint16_t repeatCount, std::uint8_t scanCode);
void OnKeyDown(std::uint32_t virtualKey, std::uint16_t repeatCount, std::uint8_t scanCode);
// Low-level keyboard hook: consumes the symbol key (press and release) and counts its release.
harness::Lresult keyHookProc(int code, harness::Wparam message, harness::Lparam event);

}  // namespace vantor
