#include "platform/emu/runner/runner.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>

#include "harness/wide_text.h"
#include "platform/emu/host_files.h"
#include "platform/emu/png.h"
#include "platform/emu/window/window_front_end.h"

namespace emu {

namespace {

void WriteFile(const std::string& file, const std::string& bytes) {
  std::string problem;
  if (!ReplaceFile(file, bytes, &problem)) throw std::runtime_error(file + ": " + problem);
}

}  // namespace

std::unique_ptr<FrontEnd> MakeFrontEnd(std::string_view name, const RunPlan& plan,
                                       const ProgramSpec& program, std::string* problem) {
  if (name == "script") return std::make_unique<ScriptInput>(plan.script);
  if (name == "window") {
    WindowSetup setup;
    setup.title = program.name;
    setup.screenWidth = plan.screenWidth;
    setup.screenHeight = plan.screenHeight;
    setup.scale = plan.scale;
    setup.keymap = plan.keymap ? &*plan.keymap : &DefaultKeymap();
    setup.script = &plan.script;
    if (plan.untilMsGiven) setup.untilMs = plan.untilMs;
    setup.startTick = plan.startTick;
    std::unique_ptr<WindowFrontEnd> window = WindowFrontEnd::Open(setup, problem);
    if (!window) *problem = std::string(program.name) + ": " + *problem;
    return window;
  }
  *problem = std::string(program.name) + ": no front end named '" + std::string(name) + "'";
  return nullptr;
}

RunOutcome RunProgram(const RunPlan& plan, const ProgramSpec& program,
                      const std::function<void(std::string_view)>& logSink) {
  RunOutcome outcome;
  outcome.program = program.name;
  // The window first: without a display the run ends before anything is touched.
  std::unique_ptr<FrontEnd> frontEnd =
      MakeFrontEnd(plan.headless ? "script" : "window", plan, program, &outcome.error);
  if (!frontEnd) return outcome;
  DeviceConfig config;
  config.screenWidth = plan.screenWidth;
  config.screenHeight = plan.screenHeight;
  // Both front ends drive the virtual clock: the window lets the host's time pass on it as
  // events arrive, so that a window session replays headless tick for tick.
  config.clock = ClockMode::Virtual;
  config.startTick = plan.startTick;
  config.foreignWindows = plan.foreignWindows;
  config.resources = program.resources;
  config.faults = plan.faults;
  Emulator emulator(config);

  // The stored registry first, then the device's settings over it; neither counts as a write
  // of the program's.
  Registry& registry = emulator.registry();
  std::optional<std::string> registryText = plan.registryText;
  std::unique_ptr<LockedFile> registryFile;
  if (!plan.registryFile.empty()) {
    // One run at a time per registry file; what the other run left is read afresh.
    std::string problem;
    registryFile = LockedFile::Lock(plan.registryFile, plan.registryWaitMs, &problem);
    if (!registryFile && problem == "in use") {
      outcome.error = std::string(program.name) + ": registry file in use: " + plan.registryFile +
                      " (another run kept it for " + std::to_string(plan.registryWaitMs) + " ms)";
      return outcome;
    }
    if (!registryFile) {
      outcome.error = "registry file " + problem;
      return outcome;
    }
    registryText = registryFile->read(kMaxInputBytes, &problem);
    if (!registryText) {
      outcome.error = plan.registryFile + ": " + problem;
      return outcome;
    }
  }
  try {
    // An empty file (made by a lock, or by hand) is an empty registry.
    if (registryText && !registryText->empty()) {
      registry.mergeText(*registryText, plan.registryFile);
    }
    if (!plan.profileFile.empty()) registry.mergeText(plan.profileText, plan.profileFile);
    if (registryFile) registry.attachFile(std::move(registryFile));
  } catch (const std::runtime_error& e) {
    outcome.error = e.what();
    return outcome;
  }

  emulator.setInputSource(frontEnd.get());
  emulator.setScreenObserver([&](const Rect& changed) { frontEnd->screenChanged(changed); });
  emulator.setIdleLimit(plan.untilMs);
  // Lines are appended to the log where they are kept; plain ASCII (every line the programs write)
  // without a converted copy, and the log's storage is reserved, so a line costs no allocation.
  outcome.log.reserve(64 * 1024);
  emulator.setDebugSink([&](std::u16string_view line) {
    const std::size_t start = outcome.log.size();
    if (std::all_of(line.begin(), line.end(), [](char16_t c) { return c < 0x80; })) {
      for (const char16_t c : line) outcome.log.push_back(static_cast<char>(c));
    } else {
      outcome.log += harness::Utf16ToUtf8(line);
    }
    if (logSink) logSink(std::string_view(outcome.log).substr(start));
  });
  const harness::Hinstance instance = emulator.programInstance();
  outcome.result = emulator.run([&] { return program.entry(instance, plan.commandLine); });
  outcome.error = frontEnd->error();
  if (const std::string* recording = frontEnd->recording()) outcome.recording = *recording;
  // A registry file left behind the run's last changes is a failure, not a finished run.
  if (outcome.error.empty()) outcome.error = registry.fileProblem();
  outcome.stopped = !outcome.result.exited;
  outcome.record = emulator.record();
  outcome.foreground = emulator.foreground();
  outcome.taskBarVisible = emulator.taskBarVisible();
  outcome.sipButtonVisible = emulator.sipButtonVisible();
  outcome.screen = emulator.screen();
  outcome.registryText = registry.toRegText();
  if (program.inspect) {
    outcome.diagnostics = Diagnose(program.inspect(outcome.log, outcome.record),
                                   outcome.record.keyEvents, plan.chatterMs);
  }
  return outcome;
}

void WriteOutputs(const RunPlan& plan, const RunOutcome& outcome) {
  if (!plan.logFile.empty()) WriteFile(plan.logFile, outcome.log);
  if (!plan.reportFile.empty()) WriteFile(plan.reportFile, ReportJson(outcome));
  if (!plan.junitFile.empty()) WriteFile(plan.junitFile, JunitXml(plan, outcome));
  if (!plan.recordFile.empty()) WriteFile(plan.recordFile, outcome.recording);
  if (!plan.screenshotFile.empty()) {
    std::string problem;
    if (!WritePng(plan.screenshotFile, outcome.screen, &problem)) {
      throw std::runtime_error(plan.screenshotFile + ": " + problem);
    }
  }
}

int RunnerMain(int argc, char** argv, const ProgramSpec& program) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  RunPlan plan;
  try {
    plan = ParseRunPlan(args, program);
  } catch (const UsageError& e) {
    std::cerr << e.what() << "\n";
    return kExitUsage;
  }
  if (plan.help) {
    std::cout << UsageText(program);
    return 0;
  }

  // Without --log the debug output goes to standard error as it is written.
  std::function<void(std::string_view)> sink;
  if (plan.logFile.empty()) {
    sink = [](std::string_view text) {
      std::fwrite(text.data(), 1, text.size(), stderr);
      std::fflush(stderr);
    };
  }
  const RunOutcome outcome = RunProgram(plan, program, sink);
  if (!outcome.error.empty()) {
    std::cerr << outcome.error << "\n";
    return kExitUsage;
  }
  try {
    WriteOutputs(plan, outcome);
  } catch (const std::runtime_error& e) {
    std::cerr << program.name << ": " << e.what() << "\n";
    return kExitUsage;
  }
  if (plan.summary) std::cout << SummaryText(plan, outcome) << std::flush;
  // A script that says what to expect decides the status: 0 when it all held, 1 when not.
  if (!plan.script.expectations.empty()) {
    const std::vector<std::string> failures = CheckExpectations(plan.script, outcome);
    for (const std::string& f : failures) std::cerr << f << "\n";
    return failures.empty() ? 0 : kExitExpectation;
  }
  if (outcome.stopped) return kExitStopped;
  return outcome.result.exitCode.value_or(0);
}

}  // namespace emu
