// Writes a session down as a key script while it happens: every action the window performs on
// the emulator, in order, as the script line that performs the same action on replay, after a
// first line with the clock at start. Replaying it headless with the same device options makes
// the same calls at the same ticks, so the run is the same line for line.
#pragma once

#include <cstdint>
#include <string>

namespace emu {

class Emulator;

class Recorder {
 public:
  explicit Recorder(std::uint32_t startTick);

  // Each performs the action on the emulator and writes its line.
  void wait(Emulator& emulator, std::uint32_t ms);
  void keyDown(Emulator& emulator, std::uint32_t vk, std::uint32_t scan, std::uint32_t repeat);
  void keyUp(Emulator& emulator, std::uint32_t vk, std::uint32_t scan, std::uint32_t repeat);
  void tap(Emulator& emulator, int x, int y);
  void activateOther(Emulator& emulator);
  void repaint(Emulator& emulator);
  // False (and nothing written) when no message box is shown.
  bool answer(Emulator& emulator, int answer);

  const std::string& text() const { return text_; }

 private:
  void key(const char* action, std::uint32_t vk, std::uint32_t scan, std::uint32_t repeat);
  std::string text_;
};

}  // namespace emu
