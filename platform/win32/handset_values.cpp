// Kept apart from windows.h: see handset_values.h.
#include "platform/win32/handset_values.h"

#include "harness/platform_constants.h"

namespace win32::handset {

const int kLowLevelKeyboardHook = harness::WH_KEYBOARD_LL;
const int kDialogUserSlot = harness::DWL_USER;
const int kScreenWidthMetric = harness::SM_CXSCREEN;
const int kScreenHeightMetric = harness::SM_CYSCREEN;
const std::uint32_t kEventPulse = harness::EVENT_PULSE;
const std::uint32_t kEventReset = harness::EVENT_RESET;
const std::uint32_t kEventSet = harness::EVENT_SET;

}  // namespace win32::handset
