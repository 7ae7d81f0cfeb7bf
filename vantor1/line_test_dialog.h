// The line test dialog: a full-screen picture of the keypad on which every captured key shows
// its pressed image. The run passes at PASS_KEY_COUNT counted keys and ends on the pass
// message's OK or on any loss of the keyboard focus.
#pragma once

#include <cstdint>

#include "harness/platform_types.h"
#include "platform/classlib/dialog.h"
#include "vantor1/key_slot.h"
#include "vantor1/key_slot_table.h"

namespace vantor1 {

inline constexpr std::int32_t PASS_KEY_COUNT = 52;
inline constexpr int PICTURE_COPY_SIZE = 320;
inline constexpr const harness::Wchar* WINDOW_TITLE = u"pelmora_vantor";
inline constexpr const harness::Wchar* PASS_MESSAGE_TEXT = u"You've just passed the test";
inline constexpr const harness::Wchar* PASS_MESSAGE_CAPTION = u"Vantor";

class LineTestDialog;

// Called with the dialog as it is destroyed, so that a host can keep the run's final slot table
// (the dialog holds it and does not outlive the run); none by default.
using LineTestEndedHook = void (*)(const LineTestDialog& dialog);
extern LineTestEndedHook g_pfnLineTestEnded;

class LineTestDialog : public classlib::Dialog {
 public:
  LineTestDialog();
  ~LineTestDialog() override;

  bool OnInitDialog() override;
  // Fills the slots, takes the screen, installs the hook and tells the harness the test is ready.
  void StartLineTest();
  // Draws the slot's pressed image, counts the slot the first time, and posts the pass check.
  void MarkKey(KeySlot& slot);
  // Reports the end of the run to the harness and closes the dialog; once per run.
  void FinishLineTest();

  void OnSize(std::uint32_t type, int width, int height);
  bool OnEraseBkgnd(harness::Hdc surface);
  void OnKeyDown(std::uint32_t vkCode, std::uint32_t repeatCount, std::uint32_t flags);
  void OnTimer(std::uintptr_t timerId);
  void OnKillFocus(harness::Hwnd newFocus);

  harness::Hicon m_hIcon = nullptr;
  KeySlot m_keySlots[KEY_SLOT_COUNT];
  std::int32_t m_nPressedCount = 0;

 protected:
  classlib::MessageMap GetMessageMap() const override;

 private:
  void DrawSlotImage(harness::Hdc surface, const KeySlot& slot);

  bool m_bFinished = false;
  bool m_bPassMessageShown = false;
};

}  // namespace vantor1
