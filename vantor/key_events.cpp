#include "vantor/key_events.h"

#include <iterator>

#include "harness/debug_print.h"
#include "harness/platform.h"
#include "harness/platform_constants.h"
#include "vantor/test_state.h"

namespace vantor {
namespace {

// One bit per accepted code below 256.
constexpr std::uint64_t acceptedMask(int word) {
  constexpr int kCodes[] = {8,   13,  32,  37,  38,  39,  40,  48,  59,  62,  65,  66,  67,  68,
                            69,  70,  71,  72,  73,  74,  75,  76,  77,  78,  79,  80,  81,  82,
                            83,  84,  85,  86,  87,  88,  89,  90,  91,  95,  112, 113, 114, 115,
                            117, 118, 129, 136, 138, 140, 143, 188, 190, 193, 240, 241, 245};
  static_assert(std::size(kCodes) == 55);
  std::uint64_t mask = 0;
  for (int code : kCodes) {
    if (code / 64 == word) mask |= std::uint64_t{1} << (code % 64);
  }
  return mask;
}
constexpr std::uint64_t kAccepted[4] = {acceptedMask(0), acceptedMask(1), acceptedMask(2),
                                        acceptedMask(3)};

int logTick(std::uint32_t tick) { return static_cast<int>(tick); }

}  // namespace

bool isAcceptedKeyCode(std::uint32_t virtualKey) {
  if (virtualKey >= 256) return false;
  return (kAccepted[virtualKey / 64] >> (virtualKey % 64)) & 1;
}

void OnKeyUp(std::uint32_t virtualKey, std::uint16_t repeatCount, std::uint8_t scanCode) {
  harness::Platform& os = harness::platform();
  TestState& state = testState;
  KeyTable& table = state.keyTable;

  if (state.passed) {
    harness::NKDbgPrintfW(u"[%06d][Vantor]OnKeyUp char[0x%04X:0x%02X][%02d] SKIP!!\r\n",
                          logTick(os.GetTickCount()), virtualKey, unsigned{scanCode},
                          int{repeatCount});
    return;
  }

  std::int32_t index = -1;
  if (isAcceptedKeyCode(virtualKey)) {
    index = virtualKey == kMatrixVirtualKey ? table.findKeyByMatrixCode(scanCode)
                                            : table.findKeyByVirtualKey(virtualKey, scanCode);
    if (index == state.lastKeyIndex) {
      // Unsigned difference: correct across the tick counter's wrap-around.
      if (os.GetTickCount() - state.lastKeyUpTick < TestTimings::repeatWindowMs) index = -1;
    } else {
      state.lastKeyIndex = index;
    }
    // A fresh reading, also for an ignored repeat, so a bouncing key stays ignored until it has
    // been quiet.
    state.lastKeyUpTick = os.GetTickCount();

    if (index >= 0) {
      KeyTableEntry& entry = table.keyAt(static_cast<std::uint32_t>(index));
      if (entry.pressCount >= 2) entry.pressCount = 0;
      ++entry.pressCount;
      const harness::Rect rect = KeyTable::keyRect(entry);
      os.InvalidateRect(state.dialog, &rect, 1);
      os.PlaySoundW(u"beep.wav", nullptr, harness::SND_ASYNC);
    }
  }

  const harness::Wchar* label = u"";
  std::uint32_t count = 0;
  if (index >= 0) {
    const KeyTableEntry& entry = table.keyAt(static_cast<std::uint32_t>(index));
    label = entry.label;
    count = entry.pressCount;
  }
  harness::NKDbgPrintfW(u"[%06d][Vantor]OnKeyUp char[0x%04X:0x%02X][%02d][%s:%d]\r\n",
                        logTick(os.GetTickCount()), virtualKey, unsigned{scanCode},
                        int{repeatCount}, label, static_cast<int>(count));

  if (table.countKeysPressedOnce() == table.keyCount()) {
    harness::NKDbgPrintfW(u"[%06d][Vantor]All Button Pressed!! Pass!! btnCount[%d]\r\n",
                          logTick(os.GetTickCount()), static_cast<int>(table.keyCount()));
    state.passed = 1;
    os.SetTimer(state.dialog, IDT_CLOSE, kPassCloseDelayMs, nullptr);
  }
}

void OnKeyDown(std::uint32_t virtualKey, std::uint16_t repeatCount, std::uint8_t scanCode) {
  harness::NKDbgPrintfW(u"[%06d][Vantor]OnKeyDown   char[0x%04X:0x%02X][%02d]\r\n",
                        logTick(harness::platform().GetTickCount()), virtualKey, unsigned{scanCode},
                        int{repeatCount});
}

harness::Lresult keyHookProc(int code, harness::Wparam message, harness::Lparam event) {
  if (code != harness::HC_ACTION ||
      (message != harness::WM_KEYDOWN && message != harness::WM_KEYUP) || event == 0) {
    return 0;
  }
  const auto* record = reinterpret_cast<const harness::KbdHookRecord*>(event);
  if (record->vkCode != VK_UD_SYMBOL) return 0;
  if (message == harness::WM_KEYUP) {
    harness::NKDbgPrintfW(u"[Vantor]VK_UD_SYMBOL[0x%02X] [0x%04X:0x%02X] %s\r\n", record->vkCode,
                          record->scanCode, record->flags, u"UP");
    OnKeyUp(VK_UD_SYMBOL, 0, 0);
  }
  return 1;
}

}  // namespace vantor
