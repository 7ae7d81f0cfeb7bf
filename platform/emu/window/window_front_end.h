// The "window" front end: the handset on the desktop (SDL2). The screen is shown scaled by an
// integer factor inside a drawn handset body with buttons for the keys a PC keyboard lacks, and
// a status strip beside it. PC keys reach the program through the keymap, mouse clicks on the
// screen are taps.
//
// Time is the host's, but only as it is read when something arrives: the front end lets the
// elapsed milliseconds pass on the emulator's clock (Emulator::wait) before it hands over the
// event, and the clock stands still while the program handles it. So every session is a key
// script of waits and events, which is what --record writes; replayed headless it makes the
// same calls at the same ticks. While nothing is due the process sleeps in the window system's
// event wait.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/emu/front_end.h"
#include "platform/emu/runner/key_script.h"
#include "platform/emu/window/keymap.h"

namespace emu {

struct WindowSetup {
  std::string title;  // the program's name
  int screenWidth = 320;
  int screenHeight = 320;
  int scale = 0;  // 0: the largest that fits the desktop, at most 3
  const Keymap* keymap = nullptr;
  const KeyScript* script = nullptr;     // played in real time; may be empty
  std::optional<std::uint32_t> untilMs;  // stop after this long without input
  std::uint32_t startTick = 0;           // written first into the recording
};

class WindowFrontEnd : public FrontEnd {
 public:
  // Opens the window; null with *problem set when there is no display to open it on.
  static std::unique_ptr<WindowFrontEnd> Open(const WindowSetup& setup, std::string* problem);
  ~WindowFrontEnd() override;

  bool pump(Emulator& emulator, std::optional<std::uint32_t> dueInMs) override;
  void screenChanged(const Rect& changed) override;

  const std::string* recording() const override;
  const std::string& error() const override;
  int scale() const;

  struct State;

 private:
  explicit WindowFrontEnd(std::unique_ptr<State> state);
  std::unique_ptr<State> s_;
};

}  // namespace emu
