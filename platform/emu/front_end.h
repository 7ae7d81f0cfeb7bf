// The front end of a run: where its input comes from, how its time passes and where its
// picture goes. The runner picks one by name: "script" plays a key script on the virtual clock
// (headless, the tests' choice), "window" shows the handset on the desktop.
//
// The emulator asks the front end for input whenever the program waits and nothing is ready,
// passing how long it may take: the time until the next timer falls due (nullopt: none runs).
// A front end that waits for the outside world waits at most that long, then lets the time pass
// on the emulator (Emulator::wait), so that waiting never spins. Each call performs at most one
// action on the emulator, as a key script line does, so that a session can be written down and
// replayed step for step.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/emu/emulator.h"

namespace emu {

class FrontEnd : public InputSource {
 public:
  bool next(Emulator& emulator) final { return pump(emulator, emulator.nextDue()); }

  // One action on the emulator (a key event, a tap, time passing, ...): true; false when the
  // front end has nothing more to give. Throwing RunStopped ends the run as a stop.
  virtual bool pump(Emulator& emulator, std::optional<std::uint32_t> dueInMs) = 0;
  // A screen rectangle that drawing may change before the program next waits.
  virtual void screenChanged(const Rect& changed) { (void)changed; }
  // A step that could not be carried out, as "FILE:LINE: problem"; empty when none.
  virtual const std::string& error() const = 0;
  // The session written down as a key script, by a front end that records one.
  virtual const std::string* recording() const { return nullptr; }
};

}  // namespace emu
