// The Windows executables' entry: a small command line, the backend installed as the platform,
// the program run on the real window system, its debug lines written to the log.
//
// ParseRunOptions is the one place that reads the command line, so that the option parser the
// emulator shares later can take its place; the key-script and .reg readers are not repeated
// here (they arrive with it).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "harness/platform_types.h"

namespace win32 {

struct ProgramSpec {
  const char* name;       // "vantor", "vantor1"
  bool readsCommandLine;  // vantor1 reads none
  // Runs the program on the platform already installed; returns its exit code.
  std::function<int(harness::Hinstance instance, const std::u16string& commandLine)> entry;
};

struct ForeignWindow {
  std::u16string className;
  std::u16string title;
};

struct RunOptions {
  bool help = false;
  std::u16string commandLine;  // the words after the options, joined by blanks
  std::string logFile;         // empty: standard error
  int screenWidth = 320;
  int screenHeight = 320;
  // The run is stopped (status 3) this many ms after the start; none: it runs until it ends.
  std::optional<std::uint32_t> untilMs;
  std::vector<ForeignWindow> foreignWindows;
};

// Exit statuses besides the program's own exit code (as in the emulator's runner).
inline constexpr int kExitUsage = 2;
inline constexpr int kExitStopped = 3;

// Bad options; what() is the complete message.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// args are the arguments after the executable's name. Checks that the log file can be written.
RunOptions ParseRunOptions(const std::vector<std::string>& args, const ProgramSpec& program);
std::string UsageText(const ProgramSpec& program);

// The whole executable: returns the process's exit status.
int RunnerMain(int argc, char** argv, const ProgramSpec& program);

}  // namespace win32
