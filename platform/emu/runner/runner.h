// The command-line runner of the emulated handset: one executable per program, driven by options
// and a key script, writing a debug log, a JSON report and screenshots.
//
// The work is split in three steps so that it can be tested in-process:
//   ParseRunPlan  options, key script and .reg files -> RunPlan (throws UsageError; reads only,
//                 and checks every output before anything is written)
//   RunProgram    RunPlan + ProgramSpec -> RunOutcome (the program runs on an emu::Emulator)
//   WriteOutputs  the log file, the report, the JUnit file and the final screenshot
// RunnerMain strings them together, checks the script's expectations and maps the outcome to the
// exit status.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "harness/platform_types.h"
#include "platform/emu/emulator.h"
#include "platform/emu/pixels.h"
#include "platform/emu/runner/diagnostics.h"
#include "platform/emu/runner/key_script.h"
#include "platform/emu/window/keymap.h"

namespace emu {

struct ProgramSpec {
  const char* name;                         // "vantor", "vantor1"
  std::span<const std::uint8_t> resources;  // the program's .res bytes
  bool readsCommandLine;                    // vantor1 reads none
  // Runs the program on the platform already installed (harness::platform()); returns the exit
  // code. instance = Emulator::programInstance(); commandLine = UTF-16 command line.
  std::function<int(harness::Hinstance instance, const std::u16string& commandLine)> entry;
  // The program's final key table, read once the run is over (never during it), given the
  // debug output (UTF-8) and the device's record; empty for a program without one.
  std::function<ProgramInspection(std::string_view log, const DeviceRecord& record)> inspect;
};

// The whole executable: returns the process's exit status.
int RunnerMain(int argc, char** argv, const ProgramSpec& program);

// How long a run waits for another run that holds its --registry file.
inline constexpr std::uint32_t kRegistryWaitMs = 10000;

// Exit statuses besides the program's own exit code.
inline constexpr int kExitUsage = 2;        // bad options, script or .reg file
inline constexpr int kExitStopped = 3;      // still running at --until-ms
inline constexpr int kExitExpectation = 1;  // an expect line of the key script did not hold

// Bad options or input files; what() is the complete message ("keys.txt:7: unknown action ...").
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct RunPlan {
  bool help = false;
  bool headless = false;
  std::u16string commandLine;
  KeyScript script;                                // empty without --keys
  std::string profileFile;                         // empty: none
  std::string profileText;                         // its bytes, already validated
  std::string registryFile;                        // empty: the registry lives in memory only
  std::optional<std::string> registryText;         // the file's bytes when it existed, validated
  std::uint32_t registryWaitMs = kRegistryWaitMs;  // for another run holding registryFile
  int screenWidth = 320;
  int screenHeight = 320;
  std::uint32_t startTick = 100000;
  std::uint32_t untilMs = 5000;
  std::vector<ForeignWindow> foreignWindows;
  std::string logFile;  // empty: standard error
  std::string screenshotFile;
  std::string reportFile;
  DeviceFaults faults;  // --fault NAME, repeatable
  std::uint32_t chatterMs = kDefaultChatterMs;
  bool summary = false;   // --summary: a short text summary on standard output
  std::string junitFile;  // --junit FILE
  // The window (without --headless).
  bool untilMsGiven = false;     // a window runs until it is closed unless --until-ms is given
  int scale = 0;                 // --scale; 0: the largest that fits the desktop, at most 3
  std::optional<Keymap> keymap;  // --keymap; the default keymap without it
  std::string recordFile;        // --record: the session as a key script
};

// args are the arguments after the executable's name.
RunPlan ParseRunPlan(const std::vector<std::string>& args, const ProgramSpec& program);
std::string UsageText(const ProgramSpec& program);

struct RunOutcome {
  std::string program;  // ProgramSpec::name
  RunResult result;
  bool stopped = false;  // stopped at --until-ms
  // A failure during the run that makes the exit status 2 (a script line that could not be
  // carried out, the registry file that could not be written); empty when none.
  std::string error;
  std::string log;  // the debug output as UTF-8, exactly as written
  DeviceRecord record;
  std::optional<WindowInfo> foreground;
  bool taskBarVisible = false;
  bool sipButtonVisible = false;
  Bitmap screen;
  std::string registryText;  // the registry at the end, as .reg text
  // The program's keys joined with the key events; empty for a program without an inspector.
  std::optional<RunDiagnostics> diagnostics;
  std::string recording;  // the key script of a window session (--record)
};

// The front end of a run by name: "script" (the key script on the virtual clock) or "window"
// (the handset on the desktop); null with *problem set when it cannot be had.
std::unique_ptr<FrontEnd> MakeFrontEnd(std::string_view name, const RunPlan& plan,
                                       const ProgramSpec& program, std::string* problem);

// Runs the program. The debug output goes to logSink as it is written (UTF-8) when given, and is
// always collected in RunOutcome::log.
RunOutcome RunProgram(const RunPlan& plan, const ProgramSpec& program,
                      const std::function<void(std::string_view)>& logSink = {});

std::string ReportJson(const RunOutcome& outcome);

// The device a run had, for names and summaries: "320x320", with the profile's name and the
// faults when given ("240x400 german no-sound").
std::string DeviceName(const RunPlan& plan);
// JUnit XML of the run: one testsuite named after the program and device, with a test case per
// key, the harness flags and the exit; for a script with expect lines, one per expect line,
// the scenario's own verdict.
std::string JunitXml(const RunPlan& plan, const RunOutcome& outcome);
// The one-screen text summary of --summary.
std::string SummaryText(const RunPlan& plan, const RunOutcome& outcome);
// The script's expect lines checked against the run: one message per failure, naming the
// script's line ("keys.txt:12: expect passed: ..."); empty when all hold.
std::vector<std::string> CheckExpectations(const KeyScript& script, const RunOutcome& outcome);
// Each expect line with why it does not hold (empty when it does), in script order.
struct ExpectationResult {
  const Expectation* expectation;
  std::string problem;
};
std::vector<ExpectationResult> CheckEachExpectation(const KeyScript& script,
                                                    const RunOutcome& outcome);
// Registry key paths and value names are equal without regard to ASCII case.
bool SameRegistryText(std::u16string_view a, std::u16string_view b);

// Writes the log file (when --log was given), the report, the JUnit file and the final
// screenshot, each replaced atomically. Throws std::runtime_error naming the file that could not
// be written.
void WriteOutputs(const RunPlan& plan, const RunOutcome& outcome);

}  // namespace emu
