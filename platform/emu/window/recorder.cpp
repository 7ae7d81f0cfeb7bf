#include "platform/emu/window/recorder.h"

#include <cstdio>

#include "platform/emu/emulator.h"

namespace emu {

Recorder::Recorder(std::uint32_t startTick) {
  text_ = "start-tick " + std::to_string(startTick) + "\n";
}

void Recorder::wait(Emulator& emulator, std::uint32_t ms) {
  emulator.wait(ms);
  text_ += "wait " + std::to_string(ms) + "\n";
}

void Recorder::key(const char* action, std::uint32_t vk, std::uint32_t scan, std::uint32_t repeat) {
  // In hex: a single decimal digit would name the digit key ("8" is code 56, not Backspace).
  char code[16];
  std::snprintf(code, sizeof code, "0x%02X", vk);
  text_ += std::string(action) + " " + code + " scan=" + std::to_string(scan) +
           " repeat=" + std::to_string(repeat) + "\n";
}

void Recorder::keyDown(Emulator& emulator, std::uint32_t vk, std::uint32_t scan,
                       std::uint32_t repeat) {
  emulator.keyDown(vk, scan, repeat);
  key("down", vk, scan, repeat);
}

void Recorder::keyUp(Emulator& emulator, std::uint32_t vk, std::uint32_t scan,
                     std::uint32_t repeat) {
  emulator.keyUp(vk, scan, repeat);
  key("up", vk, scan, repeat);
}

void Recorder::tap(Emulator& emulator, int x, int y) {
  emulator.tap(x, y);
  text_ += "tap " + std::to_string(x) + " " + std::to_string(y) + "\n";
}

void Recorder::activateOther(Emulator& emulator) {
  emulator.activateOther();
  text_ += "activate-other\n";
}

void Recorder::repaint(Emulator& emulator) {
  emulator.repaintAll();
  text_ += "repaint\n";
}

bool Recorder::answer(Emulator& emulator, int answer) {
  if (!emulator.answerMessageBox(answer)) return false;
  text_ += answer == 1 ? "answer ok\n" : "answer cancel\n";
  return true;
}

}  // namespace emu
