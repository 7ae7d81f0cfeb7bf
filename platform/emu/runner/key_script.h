// Key scripts: the input of a headless run, one action per line.
//
//   wait MS                          virtual milliseconds pass
//   down VK [scan=N] [repeat=N]      key pressed (scan 0..255, repeat 0..65535)
//   up VK [scan=N] [repeat=N]        key released
//   press VK [scan=N] [hold=MS]      down, hold (default 50 ms), up
//   tap X Y                          a tap at screen pixel (X, Y)
//   activate-other                   another program's window comes to the front
//   repaint                          every window is repainted
//   screenshot FILE.png              the screen now
//   answer ok|cancel                 answers the message box that is shown
//
// '#' starts a comment; numbers are decimal or 0x hex; a VK is 0..255 or a name (A-Z, 0-9,
// RETURN, ESCAPE, SPACE, BACK, TAB, LEFT, UP, RIGHT, DOWN, F1..F12, SHIFT, CONTROL).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/emu/emulator.h"

namespace emu {

enum class ActionKind { Wait, Down, Up, Press, Tap, ActivateOther, Repaint, Screenshot, Answer };

struct ScriptAction {
  ActionKind kind = ActionKind::Wait;
  int line = 0;
  std::uint32_t ms = 0;  // wait; press: hold
  std::uint32_t vk = 0;
  std::uint32_t scan = 0;
  std::uint32_t repeat = 1;
  int x = 0;
  int y = 0;
  std::string path;  // screenshot
  int answer = 0;    // 1 OK, 2 Cancel
  friend bool operator==(const ScriptAction&, const ScriptAction&) = default;
};

struct KeyScript {
  std::string file;  // names the script in errors
  std::vector<ScriptAction> actions;
};

// Parses script text; throws UsageError ("FILE:LINE: problem") on the first bad line.
KeyScript ParseKeyScript(std::string_view text, const std::string& file);
// Reads and parses a script file; a missing file, one that is not a plain file or one larger
// than kMaxInputBytes is a UsageError too.
KeyScript LoadKeyScript(const std::string& file);

// A virtual-key name or number, case-insensitive; nullopt when it is neither.
std::optional<std::uint32_t> ParseVirtualKey(std::string_view word);
// Decimal or 0x hex, within [min, max].
std::optional<std::uint64_t> ParseNumber(std::string_view word, std::uint64_t min,
                                         std::uint64_t max);

// Plays a script into the emulator, one step per call of next(): a press is three steps (down,
// the hold, up). A step that cannot be carried out (an answer with no message box shown) stops
// the run; error() then names the script line.
class ScriptInput : public InputSource {
 public:
  explicit ScriptInput(const KeyScript& script) : script_(script) {}
  bool next(Emulator& emulator) override;
  const std::string& error() const { return error_; }

 private:
  const KeyScript& script_;
  std::size_t index_ = 0;
  int pressStep_ = 0;  // within a press: 0 down, 1 hold, 2 up
  std::string error_;
};

}  // namespace emu
