// The key path allocates nothing: from the hook (or the dialog's key-down) to a counted slot and
// its posted check, on a platform that itself allocates nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "vantor1/tests/quiet_handset.h"

namespace {
bool g_counting = false;
long g_allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
  if (g_counting) ++g_allocations;
  if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// The first wait for a message plays every key through the hook and through the dialog,
// counting allocations meanwhile, then ends the run.
class KeyPlayingHandset : public vantor1_test::QuietHandset {
 public:
  int pressedAfterKeys = -1;

  int GetMessageW(harness::Msg* msg, harness::Hwnd, std::uint32_t, std::uint32_t) override {
    if (pressedAfterKeys < 0) {
      g_counting = true;
      for (std::uint32_t vk = 0; vk < 512; ++vk) {
        // Twice through every code: with the keyboard Enter's scan code, then with another.
        harness::KbdHookRecord record{vk % 256, vk < 256 ? 38u : 0u, 0, 0, 0};
        for (std::uint32_t m : {harness::WM_KEYDOWN, harness::WM_KEYUP}) {
          if (hook(0, m, reinterpret_cast<harness::Lparam>(&record)) == 0 &&
              m == harness::WM_KEYDOWN) {
            harness::Msg key{dialog, m, vk % 256, 1};
            if (IsDialogMessageW(dialog, &key) == 0) DispatchMessageW(&key);
          }
        }
      }
      g_counting = false;
      pressedAfterKeys = vantor1::g_pLineTestDialog->m_nPressedCount;
    }
    return Quit(msg);
  }
};

TEST(KeyPath, AllocatesNothing) {
  KeyPlayingHandset os;
  os.RunProgram();
  EXPECT_EQ(os.pressedAfterKeys, 55);  // every markable slot, through both routes
  EXPECT_EQ(g_allocations, 0);
}

}  // namespace
