// The key path allocates nothing: global operator new is counted around key releases and hook
// calls on a platform that itself never allocates.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "harness/null_platform.h"
#include "harness/platform_constants.h"
#include "vantor/key_events.h"
#include "vantor/key_layouts.h"
#include "vantor/test_state.h"

namespace {
std::size_t g_newCalls = 0;
}  // namespace

void* operator new(std::size_t size) {
  ++g_newCalls;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  ++g_newCalls;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace vantor {
namespace {

// Counts what the key path does in fixed fields only.
class QuietPlatform : public harness::NullPlatform {
 public:
  std::uint32_t tick = 1000;
  int lines = 0;
  int sounds = 0;
  int invalidations = 0;
  std::uint32_t GetTickCount() override { return tick; }
  void DebugOutput(const harness::Wchar*) override { ++lines; }
  int PlaySoundW(const harness::Wchar*, harness::Hmodule, std::uint32_t) override {
    return ++sounds;
  }
  int InvalidateRect(harness::Hwnd, const harness::Rect*, int) override { return ++invalidations; }
};

TEST(KeyPath, AllocatesNothing) {
  QuietPlatform quiet;
  harness::SetPlatform(&quiet);
  resetTestState();
  addLayoutKeys(testState.keyTable, 320, 320, 0);
  harness::KbdHookRecord symbol{VK_UD_SYMBOL, 0, 0x80, 0, 0};

  const std::size_t before = g_newCalls;
  KeyTable& table = testState.keyTable;
  for (int round = 0; round < 3; ++round) {
    for (std::uint32_t i = 0; i < table.keyCount(); ++i) {
      quiet.tick += 200;
      OnKeyDown(table.keyAt(i).virtualKey, 1, 0);
      const auto scan = static_cast<std::uint8_t>(table.keyAt(i).scanCode);
      OnKeyUp(table.keyAt(i).virtualKey, 1, scan);
      OnKeyUp(table.keyAt(i).virtualKey, 1, scan);  // a bounce
    }
    quiet.tick += 200;
    keyHookProc(harness::HC_ACTION, harness::WM_KEYDOWN,
                reinterpret_cast<harness::Lparam>(&symbol));
    keyHookProc(harness::HC_ACTION, harness::WM_KEYUP, reinterpret_cast<harness::Lparam>(&symbol));
    OnKeyUp(193, 1, 22);
    OnKeyUp(116, 1, 0);
  }
  const std::size_t after = g_newCalls;
  harness::SetPlatform(nullptr);

  EXPECT_EQ(after - before, 0u);
  EXPECT_GT(quiet.lines, 0);
  EXPECT_GT(quiet.sounds, 0);
  EXPECT_EQ(testState.passed, 1);  // the first round ends in a pass, the rest are skipped
}

}  // namespace
}  // namespace vantor
