#include <string>

#include "platform/emu/png.h"
#include "platform/emu/runner/key_script.h"

namespace emu {

// The virtual clock needs no waiting: time passes only where the script says so.
bool ScriptInput::pump(Emulator& emulator, std::optional<std::uint32_t>) {
  if (index_ >= script_.actions.size()) return false;
  const ScriptAction& a = script_.actions[index_];
  const auto fail = [&](const std::string& problem) {
    error_ = script_.file + ":" + std::to_string(a.line) + ": " + problem;
    index_ = script_.actions.size();
    throw RunStopped{};
  };
  Recorder* r = recorder_;
  const auto wait = [&](std::uint32_t ms) { r ? r->wait(emulator, ms) : emulator.wait(ms); };
  const auto down = [&](std::uint32_t repeat) {
    r ? r->keyDown(emulator, a.vk, a.scan, repeat) : emulator.keyDown(a.vk, a.scan, repeat);
  };
  const auto up = [&](std::uint32_t repeat) {
    r ? r->keyUp(emulator, a.vk, a.scan, repeat) : emulator.keyUp(a.vk, a.scan, repeat);
  };
  bool done = true;
  switch (a.kind) {
    case ActionKind::Wait:
      wait(a.ms - waitedMs_);
      waitedMs_ = 0;
      break;
    case ActionKind::Down:
      down(a.repeat);
      break;
    case ActionKind::Up:
      up(a.repeat);
      break;
    case ActionKind::Press:
      // Three steps, each seen by the program before the next one.
      if (pressStep_ == 0) {
        down(1);
      } else if (pressStep_ == 1) {
        wait(a.ms - waitedMs_);
        waitedMs_ = 0;
      } else {
        up(1);
      }
      pressStep_ = (pressStep_ + 1) % 3;
      done = pressStep_ == 0;
      break;
    case ActionKind::Tap:
      r ? r->tap(emulator, a.x, a.y) : emulator.tap(a.x, a.y);
      break;
    case ActionKind::ActivateOther:
      r ? r->activateOther(emulator) : emulator.activateOther();
      break;
    case ActionKind::Repaint:
      r ? r->repaint(emulator) : emulator.repaintAll();
      break;
    case ActionKind::Screenshot: {
      std::string problem;
      if (!WritePng(a.path, emulator.screen(), &problem)) {
        fail("screenshot " + a.path + " could not be written: " + problem);
      }
      break;
    }
    case ActionKind::Answer:
      if (!(r ? r->answer(emulator, a.answer) : emulator.answerMessageBox(a.answer))) {
        fail("answer: no message box is shown");
      }
      break;
  }
  if (done) ++index_;
  return true;
}

std::optional<std::uint32_t> ScriptInput::pendingWait() const {
  if (done()) return std::nullopt;
  const ScriptAction& a = script_.actions[index_];
  if (a.kind == ActionKind::Wait || (a.kind == ActionKind::Press && pressStep_ == 1)) {
    return a.ms - waitedMs_;
  }
  return std::nullopt;
}

void ScriptInput::waited(std::uint32_t ms) {
  const std::optional<std::uint32_t> left = pendingWait();
  if (!left) return;
  if (ms < *left) {
    waitedMs_ += ms;
    return;
  }
  waitedMs_ = 0;
  if (script_.actions[index_].kind == ActionKind::Press) {
    pressStep_ = 2;
  } else {
    ++index_;
  }
}

}  // namespace emu
