// Line test: random key streams through both capture routes, with the pass checks they post.
// Whatever arrives, the count equals the number of pressed slots, the empty slot is never
// marked, and the four ring segments are marked only by a key-down of their code that reached
// the dialog (the hook consumes those codes unmarked).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "vantor1/tests/quiet_handset.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// ringCodeReached[0] for code 33 (slots 52, 53), [1] for code 34 (slots 54, 55).
void CheckCount(const bool (&ringCodeReached)[2]) {
  const vantor1::LineTestDialog* d = vantor1::g_pLineTestDialog;
  if (d == nullptr) return;
  int pressed = 0;
  for (const auto& slot : d->m_keySlots) pressed += slot.IsPressed() ? 1 : 0;
  Check(d->m_nPressedCount == pressed);
  for (int ring = 52; ring <= 55; ++ring) {
    Check(!d->m_keySlots[ring].IsPressed() || ringCodeReached[(ring - 52) / 2]);
  }
  Check(!d->m_keySlots[vantor1::KEY_SLOT_COUNT - 1].IsPressed());
}

// Plays the input when the program first waits: three bytes per event (what, code, scan).
// Pass checks are queued and handled; the pass message is cancelled and acknowledged in turn.
class FuzzHandset : public vantor1_test::QuietHandset {
 public:
  FuzzHandset(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  harness::Hwnd GetFocus() override { return alive ? dialog : nullptr; }
  int EndDialog(harness::Hwnd, std::intptr_t) override {
    proc(dialog, harness::WM_KILLFOCUS, 0, 0);  // hiding takes the focus away
    return 1;
  }
  int MessageBoxW(harness::Hwnd, const harness::Wchar*, const harness::Wchar*,
                  std::uint32_t) override {
    return (boxes_++ % 2) == 0 ? harness::IDCANCEL : harness::IDOK;
  }
  int IsDialogMessageW(harness::Hwnd, harness::Msg* m) override {
    if (m->message != harness::WM_KEYDOWN) return 0;
    if (m->wParam == harness::VK_ESCAPE || m->wParam == harness::VK_RETURN) {
      proc(dialog, harness::WM_COMMAND,
           m->wParam == harness::VK_ESCAPE ? harness::IDCANCEL : harness::IDOK, 0);
      return 1;
    }
    return 0;
  }
  int PostMessageW(harness::Hwnd, std::uint32_t message, harness::Wparam wp,
                   harness::Lparam lp) override {
    if (!alive || queued_ >= kQueue) return 0;
    queue_[queued_++] = harness::Msg{dialog, message, wp, lp};
    return 1;
  }
  int GetMessageW(harness::Msg* msg, harness::Hwnd, std::uint32_t, std::uint32_t) override {
    CheckCount(ringCodeReached_);
    while (alive) {
      if (queued_ > 0) {
        *msg = queue_[0];
        for (std::size_t i = 1; i < queued_; ++i) queue_[i - 1] = queue_[i];
        --queued_;
        return 1;
      }
      if (pos_ + 3 > size_) break;
      const std::uint8_t what = data_[pos_];
      harness::KbdHookRecord record{data_[pos_ + 1], data_[pos_ + 2], 0, 0, 0};
      pos_ += 3;
      const std::uint32_t message = (what & 1) != 0 ? harness::WM_KEYUP : harness::WM_KEYDOWN;
      const bool viaHook = (what & 2) == 0;
      if (viaHook && hook != nullptr &&
          hook(what >> 4, message, reinterpret_cast<harness::Lparam>(&record)) != 0) {
        continue;
      }
      if (message == harness::WM_KEYDOWN &&
          PostMessageW(dialog, message, record.vkCode,
                       harness::Lparam(record.scanCode << 16 | 1))) {
        if (record.vkCode == 33 || record.vkCode == 34) ringCodeReached_[record.vkCode - 33] = true;
      }
      CheckCount(ringCodeReached_);
    }
    return Quit(msg);
  }

 private:
  static constexpr std::size_t kQueue = 64;
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  int boxes_ = 0;
  harness::Msg queue_[kQueue];
  std::size_t queued_ = 0;
  bool ringCodeReached_[2] = {false, false};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzHandset os(data, size);
  os.RunProgram();
  return 0;
}
