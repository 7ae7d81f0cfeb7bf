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
//   start-tick N                     the clock at start (first action only; over --start-tick)
//
// and expect lines, checked when the run is over (see Expectation):
//
//   expect exit N | expect stopped | expect passed | expect not-passed
//   expect missing [NAME...]         exactly these keys never counted ("Vol Up" in quotes)
//   expect flag KEY NAME VALUE       a registry value at the end
//   expect writes                    the program's registry writes, exactly these in this
//     KEY NAME VALUE                 order, one per indented line below it
//   expect log TEXT                  a debug output line contains TEXT
//   expect message-box TEXT          a message box's text contains TEXT
//
// KEY is a harness flag's key below HKEY_LOCAL_MACHINE\System\State\Corvane (LCDTest,
// Plenwick, Phone) or a full path; VALUE is a number or a "quoted" string.
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
#include "platform/emu/front_end.h"
#include "platform/emu/window/recorder.h"

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

enum class ExpectKind { Exit, Stopped, Passed, NotPassed, Missing, Flag, Writes, Log, MessageBox };

// A registry value an expectation names.
struct ExpectedValue {
  std::u16string key;  // full path, root's long name first
  std::u16string name;
  std::optional<std::uint32_t> dword;  // else the string
  std::u16string string;
  int line = 0;
};

struct Expectation {
  ExpectKind kind = ExpectKind::Exit;
  int line = 0;
  std::string source;              // the line as written ("expect passed"), to name it in results
  int exitCode = 0;                // Exit
  std::vector<std::string> names;  // Missing
  ExpectedValue flag;              // Flag
  std::vector<ExpectedValue> writes;  // Writes
  std::string text;                   // Log, MessageBox (UTF-8)
};

struct KeyScript {
  std::string file;  // names the script in errors
  std::vector<ScriptAction> actions;
  std::vector<Expectation> expectations;
  std::optional<std::uint32_t> startTick;  // its start-tick line
};

// Parses script text; throws UsageError ("FILE:LINE: problem") on the first bad line.
KeyScript ParseKeyScript(std::string_view text, const std::string& file);
// Reads and parses a script file; a missing file, one that is not a plain file or one larger
// than kMaxInputBytes is a UsageError too.
KeyScript LoadKeyScript(const std::string& file);

// A virtual-key name or number, case-insensitive; nullopt when it is neither.
std::optional<std::uint32_t> ParseVirtualKey(std::string_view word);
// The name a key script gives a virtual key ("RETURN", "F1", "Q"), or 0xNN for one without.
std::string VirtualKeyName(std::uint32_t vk);
// Decimal or 0x hex, within [min, max].
std::optional<std::uint64_t> ParseNumber(std::string_view word, std::uint64_t min,
                                         std::uint64_t max);

// The "script" front end: plays a script into the emulator on the virtual clock, one step per
// pump: a press is three steps (down, the hold, up). A step that cannot be carried out (an
// answer with no message box shown) stops the run; error() then names the script line.
class ScriptInput : public FrontEnd {
 public:
  explicit ScriptInput(const KeyScript& script) : script_(script) {}
  bool pump(Emulator& emulator, std::optional<std::uint32_t> dueInMs) override;
  const std::string& error() const override { return error_; }

  // For a front end that plays the script in real time: every step but the waits through the
  // recorder (when given), the waits (a wait line, a press's hold) left to the caller, who lets
  // the time pass and reports it with waited().
  void setRecorder(Recorder* recorder) { recorder_ = recorder; }
  bool done() const { return index_ >= script_.actions.size(); }
  // The milliseconds left of the wait due now, or nullopt when the next step is not a wait.
  std::optional<std::uint32_t> pendingWait() const;
  void waited(std::uint32_t ms);

 private:
  const KeyScript& script_;
  std::size_t index_ = 0;
  int pressStep_ = 0;           // within a press: 0 down, 1 hold, 2 up
  std::uint32_t waitedMs_ = 0;  // of the pending wait, when played by a caller
  Recorder* recorder_ = nullptr;
  std::string error_;
};

}  // namespace emu
