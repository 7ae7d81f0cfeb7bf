// What a front end learns from the emulator: when the next timer falls due, and which part of
// the screen drawing may have changed.
#include <gtest/gtest.h>

#include "platform/emu/tests/emulator_test_support.h"

namespace emu::test {
namespace {

using namespace harness;

class FrontEndSeamTest : public ::testing::Test {
 protected:
  FrontEndSeamTest() : emu_(DeviceConfig{}) { SetPlatform(&emu_); }

  Hwnd Dialog() {
    tmpl_ = DialogTemplate(WS_POPUP | WS_VISIBLE, u"Test", 100, 80);
    return emu_.CreateDialogIndirectParamW(emu_.programInstance(), tmpl_.data(), nullptr,
                                           &LoggingDlgProc, 0);
  }

  Emulator emu_;
  std::vector<std::uint8_t> tmpl_;
};

TEST_F(FrontEndSeamTest, NextDueIsTheEarliestTimerStillAhead) {
  EXPECT_EQ(emu_.nextDue(), std::nullopt);
  Hwnd d = Dialog();
  emu_.SetTimer(d, 1, 500, nullptr);
  emu_.SetTimer(nullptr, 0, 120, nullptr);

  // Asked each time the program waits with nothing to retrieve: at the start, 100 ms later, and
  // after the 120 ms timer has fired and been rescheduled.
  std::vector<std::optional<std::uint32_t>> seen;
  Script script({[&](Emulator& e) {
                   seen.push_back(e.nextDue());
                   e.wait(100);
                 },
                 [&](Emulator& e) {
                   seen.push_back(e.nextDue());
                   e.wait(20);
                 },
                 [&](Emulator& e) {
                   seen.push_back(e.nextDue());
                   e.PostQuitMessage(0);
                 }});
  emu_.setInputSource(&script);
  Msg m;
  for (int i = 0; i < 20 && emu_.GetMessageW(&m, nullptr, 0, 0) != 0; ++i) {
    emu_.DispatchMessageW(&m);
  }
  EXPECT_EQ(seen, (std::vector<std::optional<std::uint32_t>>{120, 20, 120}));
}

TEST_F(FrontEndSeamTest, ScreenObserverLearnsWhereDrawingMayChangeTheScreen) {
  std::vector<Rect> changed;
  emu_.setScreenObserver([&](const Rect& r) { changed.push_back(r); });
  Hwnd d = Dialog();
  Rect window{};
  emu_.GetWindowRect(d, &window);
  PaintStruct paint{};
  emu_.BeginPaint(d, &paint);  // the first paint: all of it
  emu_.EndPaint(d, &paint);
  changed.clear();

  const Rect part{20, 40, 30, 50};  // below the task bar
  emu_.InvalidateRect(d, &part, 0);
  emu_.BeginPaint(d, &paint);
  emu_.EndPaint(d, &paint);
  // A popup's client area starts at its corner: the part, on the screen.
  EXPECT_EQ(changed, (std::vector<Rect>{Offset(part, window.left, window.top)}));

  changed.clear();
  emu_.ReleaseDC(nullptr, emu_.GetDC(nullptr));
  EXPECT_EQ(changed, (std::vector<Rect>{Rect{0, 0, 320, 320}}));
}

}  // namespace
}  // namespace emu::test
