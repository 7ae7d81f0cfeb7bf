#include <string>

#include "platform/emu/png.h"
#include "platform/emu/runner/key_script.h"

namespace emu {

bool ScriptInput::next(Emulator& emulator) {
  if (index_ >= script_.actions.size()) return false;
  const ScriptAction& a = script_.actions[index_];
  const auto fail = [&](const std::string& problem) {
    error_ = script_.file + ":" + std::to_string(a.line) + ": " + problem;
    index_ = script_.actions.size();
    throw RunStopped{};
  };
  bool done = true;
  switch (a.kind) {
    case ActionKind::Wait:
      emulator.wait(a.ms);
      break;
    case ActionKind::Down:
      emulator.keyDown(a.vk, a.scan, a.repeat);
      break;
    case ActionKind::Up:
      emulator.keyUp(a.vk, a.scan, a.repeat);
      break;
    case ActionKind::Press:
      // Three steps, each seen by the program before the next one.
      if (pressStep_ == 0) {
        emulator.keyDown(a.vk, a.scan, 1);
      } else if (pressStep_ == 1) {
        emulator.wait(a.ms);
      } else {
        emulator.keyUp(a.vk, a.scan, 1);
      }
      pressStep_ = (pressStep_ + 1) % 3;
      done = pressStep_ == 0;
      break;
    case ActionKind::Tap:
      emulator.tap(a.x, a.y);
      break;
    case ActionKind::ActivateOther:
      emulator.activateOther();
      break;
    case ActionKind::Repaint:
      emulator.repaintAll();
      break;
    case ActionKind::Screenshot: {
      std::string problem;
      if (!WritePng(a.path, emulator.screen(), &problem)) {
        fail("screenshot " + a.path + " could not be written: " + problem);
      }
      break;
    }
    case ActionKind::Answer:
      if (!emulator.answerMessageBox(a.answer)) fail("answer: no message box is shown");
      break;
  }
  if (done) ++index_;
  return true;
}

}  // namespace emu
