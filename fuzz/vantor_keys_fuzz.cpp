// Layout-aware test: random key-event streams through the dialog's key handlers and the
// low-level hook, after a real test start on a handset whose country and screen come from the
// input. After every event: each count is 0, 1 or 2, the repeat filter's last index names an
// entry or is -1, and the test passes exactly at the release that brings every count to 1.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "harness/null_platform.h"
#include "harness/platform.h"
#include "harness/platform_constants.h"
#include "vantor/key_events.h"
#include "vantor/key_table.h"
#include "vantor/test_run.h"
#include "vantor/test_state.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

class FuzzHandset : public harness::NullPlatform {
 public:
  std::uint32_t tick = 0;
  int width = 320;
  int height = 320;
  std::uint32_t country = 0;
  int closeTimers = 0;

  std::uint32_t GetTickCount() override { return tick; }
  int GetSystemMetrics(int index) override {
    return index == harness::SM_CXSCREEN ? width : index == harness::SM_CYSCREEN ? height : 0;
  }
  std::int32_t RegistryGetDWORD(harness::Hkey, const harness::Wchar*, const harness::Wchar*,
                                std::uint32_t* data) override {
    *data = country;
    return 0;
  }
  std::uintptr_t SetTimer(harness::Hwnd, std::uintptr_t id, std::uint32_t,
                          harness::TimerProc) override {
    if (id == vantor::IDT_CLOSE) ++closeTimers;
    return id;
  }
};

void CheckTable() {
  const vantor::KeyTable& table = vantor::testState.keyTable;
  for (std::uint32_t i = 0; i < table.keyCount(); ++i) Check(table.keyAt(i).pressCount <= 2);
  const std::int32_t last = vantor::testState.lastKeyIndex;
  Check(last >= -1 && last < static_cast<std::int32_t>(table.keyCount()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  FuzzHandset handset;
  harness::SetPlatform(&handset);
  constexpr std::uint32_t kCountries[] = {0, 10, 11, 22, 27, 44, 45, 52};
  handset.country = kCountries[data[0] % 8];
  if (data[0] & 0x80) {
    handset.width = 240;
    handset.height = 400;
  }
  handset.tick = 0xFFFFF000u + data[1] * 16u;  // near the wrap-around
  data += 2;
  size -= 2;

  vantor::resetTestState();
  const harness::Hwnd dialog = reinterpret_cast<harness::Hwnd>(std::uintptr_t{0xD1A});
  vantor::testDialogProc(dialog, harness::WM_INITDIALOG, 0, 0);
  vantor::KeyTable& table = vantor::testState.keyTable;
  Check(table.keyCount() == (handset.width == 240 ? 7u : 52u));
  CheckTable();

  // Four bytes per event: what, code, scan, time step.
  for (std::size_t at = 0; at + 4 <= size; at += 4) {
    const std::uint8_t what = data[at];
    std::uint32_t vk = data[at + 1];
    std::uint8_t scan = data[at + 2];
    handset.tick += static_cast<std::uint32_t>(data[at + 3]) * (what & 0x80 ? 8u : 1u);
    if ((what & 0x40) != 0 && table.keyCount() > 0) {
      // A key of the table, so that passes are reachable.
      const vantor::KeyTableEntry& entry = table.keyAt(vk % table.keyCount());
      vk = entry.virtualKey;
      scan = static_cast<std::uint8_t>(entry.scanCode);
    }
    const bool passedBefore = vantor::testState.passed != 0;
    const int timersBefore = handset.closeTimers;
    switch (what & 0x7) {
      case 0:
      case 1: {
        const harness::Lparam lParam = (static_cast<harness::Lparam>(scan) << 16) | 1;
        vantor::testDialogProc(dialog, harness::WM_KEYUP, vk, lParam);
        break;
      }
      case 2:
        vantor::testDialogProc(dialog, harness::WM_KEYDOWN, vk, (scan << 16) | 1);
        break;
      case 3:
      case 4: {
        harness::KbdHookRecord record{vk, scan, (what & 1) ? 0u : 0x80u, handset.tick, 0};
        const harness::Wparam message = (what & 1) ? harness::WM_KEYDOWN : harness::WM_KEYUP;
        const auto result =
            vantor::keyHookProc(0, message, reinterpret_cast<harness::Lparam>(&record));
        Check(result == (vk == vantor::VK_UD_SYMBOL ? 1 : 0));
        if (result == 0)
          vantor::testDialogProc(dialog, static_cast<std::uint32_t>(message), vk, (scan << 16) | 1);
        break;
      }
      case 5:
        table.resetPressCounts();
        break;
      default:
        vantor::OnKeyUp(vk, static_cast<std::uint16_t>(at), scan);
        break;
    }
    CheckTable();
    const bool passedAfter = vantor::testState.passed != 0;
    Check(passedAfter || !passedBefore);  // never cleared
    if (passedAfter && !passedBefore) {
      Check(table.countKeysPressedOnce() == table.keyCount());
      Check(handset.closeTimers == timersBefore + 1);
    } else {
      Check(handset.closeTimers == timersBefore);
    }
    if (!passedAfter) Check(table.countKeysPressedOnce() != table.keyCount());
  }
  vantor::testDialogProc(dialog, harness::WM_DESTROY, 0, 0);
  harness::SetPlatform(nullptr);
  return 0;
}
