#include "platform/emu/window/recorder.h"

#include <gtest/gtest.h>

#include "platform/emu/emulator.h"
#include "platform/emu/runner/key_script.h"

namespace emu {
namespace {

// What the recorder writes parses back to the very actions it performed.
TEST(RecorderTest, LinesParseBackToTheActions) {
  Emulator emulator{DeviceConfig{}};
  Recorder recorder(123456);
  recorder.wait(emulator, 17);
  recorder.keyDown(emulator, 13, 38, 1);
  recorder.keyDown(emulator, 13, 38, 1);  // held: the key repeats
  recorder.keyUp(emulator, 13, 38, 1);
  recorder.keyDown(emulator, 8, 14, 2);  // Backspace, not the digit 8
  recorder.tap(emulator, 160, 285);
  recorder.activateOther(emulator);
  recorder.repaint(emulator);
  EXPECT_FALSE(recorder.answer(emulator, 1)) << "no message box is shown";

  const KeyScript script = ParseKeyScript(recorder.text(), "rec.keys");
  EXPECT_EQ(script.startTick, std::optional<std::uint32_t>(123456));
  const auto make = [](ActionKind kind, int line) {
    ScriptAction a;
    a.kind = kind;
    a.line = line;
    return a;
  };
  std::vector<ScriptAction> expected;
  expected.push_back(make(ActionKind::Wait, 2));
  expected.back().ms = 17;
  for (const auto& [kind, line] :
       {std::pair{ActionKind::Down, 3}, {ActionKind::Down, 4}, {ActionKind::Up, 5}}) {
    expected.push_back(make(kind, line));
    expected.back().vk = 13;
    expected.back().scan = 38;
  }
  expected.push_back(make(ActionKind::Down, 6));
  expected.back().vk = 8;
  expected.back().scan = 14;
  expected.back().repeat = 2;
  expected.push_back(make(ActionKind::Tap, 7));
  expected.back().x = 160;
  expected.back().y = 285;
  expected.push_back(make(ActionKind::ActivateOther, 8));
  expected.push_back(make(ActionKind::Repaint, 9));
  EXPECT_EQ(script.actions, expected);
}

}  // namespace
}  // namespace emu
