// The handset's numbers that the backend translates, for files that include windows.h: its
// macros of the same names (WM_KEYDOWN, WH_KEYBOARD_LL, ...) clash with the handset's constants,
// so those are read in handset_values.cpp and handed over under names of their own.
#pragma once

#include <cstdint>

namespace win32::handset {

extern const int kLowLevelKeyboardHook;  // the handset's hook id (the desktop's differs)
extern const int kDialogUserSlot;        // DWL_USER: 8 on the handset, a pointer wider here
extern const int kScreenWidthMetric;
extern const int kScreenHeightMetric;
extern const std::uint32_t kEventPulse;
extern const std::uint32_t kEventReset;
extern const std::uint32_t kEventSet;

}  // namespace win32::handset
