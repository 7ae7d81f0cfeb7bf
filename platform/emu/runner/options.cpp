// The runner's command line: options, then the program's command-line words.

#include <algorithm>
#include <filesystem>

#include "harness/wide_text.h"
#include "platform/emu/host_files.h"
#include "platform/emu/quote.h"
#include "platform/emu/registry.h"
#include "platform/emu/runner/runner.h"

namespace emu {

namespace {

struct OptionInfo {
  const char* name;
  bool takesValue;
  bool repeatable;
};

constexpr OptionInfo kOptions[] = {
    {"--headless", false, false},  {"--help", false, false},      {"--keys", true, false},
    {"--profile", true, false},    {"--registry", true, false},   {"--screen", true, false},
    {"--start-tick", true, false}, {"--until-ms", true, false},   {"--foreign-window", true, true},
    {"--log", true, false},        {"--screenshot", true, false}, {"--report", true, false},
    {"--cmdline", true, false},    {"--fault", true, true},       {"--chatter-ms", true, false},
    {"--summary", false, false},   {"--junit", true, false},      {"--scale", true, false},
    {"--keymap", true, false},     {"--record", true, false},
};

// --fault names and the flag each sets.
struct FaultInfo {
  const char* name;
  bool DeviceFaults::*flag;
  const char* meaning;
};

constexpr FaultInfo kFaults[] = {
    {"no-core-library", &DeviceFaults::noCoreLibrary, "loading the core library fails"},
    {"no-hook-functions", &DeviceFaults::noHookFunctions,
     "the core library lacks the two hook functions"},
    {"hook-refused", &DeviceFaults::hookRefused, "installing the keyboard hook fails"},
    {"registry-writes-fail", &DeviceFaults::registryWritesFail, "every registry write fails"},
    {"no-sound", &DeviceFaults::noSound, "playing a sound fails"},
};

// The options that name an output file. Every one is checked before the run (a plain writable
// file or none yet, in a writable folder, distinct from every other file of the run); a new
// output joins the checks with one line here.
struct OutputOption {
  const char* name;
  std::string RunPlan::*file;
};

constexpr OutputOption kOutputOptions[] = {
    {"--registry", &RunPlan::registryFile},     {"--log", &RunPlan::logFile},
    {"--screenshot", &RunPlan::screenshotFile}, {"--report", &RunPlan::reportFile},
    {"--junit", &RunPlan::junitFile},           {"--record", &RunPlan::recordFile},
};

std::string ReadInput(const std::string& file) {
  std::string problem;
  std::optional<std::string> bytes = ReadInputFile(file, kMaxInputBytes, &problem);
  if (!bytes) throw UsageError(file + ": " + problem);
  return std::move(*bytes);
}

// .reg bytes checked by a trial merge, so that the run never starts with a bad file.
void CheckRegText(const std::string& bytes, const std::string& file) {
  try {
    Registry scratch;
    scratch.mergeText(bytes, file);
  } catch (const RegFileError& e) {
    throw UsageError(e.what());
  }
}

}  // namespace

std::string UsageText(const ProgramSpec& program) {
  std::string name = program.name;
  std::string text = "usage: " + name + " [OPTIONS]" +
                     (program.readsCommandLine ? " [COMMAND LINE WORDS...]" : "") +
                     "\n"
                     "Runs " +
                     name +
                     " on the emulated handset.\n"
                     "\n"
                     "  --headless               no window; virtual clock, driven by --keys\n"
                     "  --keys FILE              key script (one action per line)\n"
                     "  --profile FILE           .reg file merged into the registry at start\n"
                     "  --registry FILE          device registry: read at start if it exists,\n"
                     "                           rewritten after every change, locked for the run\n"
                     "  --screen WxH             screen size (default 320x320)\n"
                     "  --start-tick N           virtual clock at start (default 100000)\n"
                     "  --until-ms N             ms allowed after the script's last line\n"
                     "                           (default 5000); then the program is stopped\n"
                     "  --foreign-window CLASS[:TITLE]\n"
                     "                           another program's top-level window (repeatable)\n"
                     "  --log FILE               debug output (default standard error)\n"
                     "  --screenshot FILE.png    the screen at the end\n"
                     "  --report FILE.json       JSON report of the run\n"
                     "  --junit FILE.xml         JUnit XML: a test case per key, the harness\n"
                     "                           flags at the end and the exit\n"
                     "  --summary                a short summary of the run on standard output\n"
                     "  --chatter-ms N           a key released again within N ms chatters\n"
                     "                           (default 130)\n"
                     "  --scale N                window: screen pixels per handset pixel (1..8;\n"
                     "                           default the largest that fits, at most 3)\n"
                     "  --keymap FILE            window: PC keys to handset keys (KEY NAME = VK)\n"
                     "  --record FILE            window: the session as a key script\n"
                     "  --fault NAME             a handset fault (repeatable):\n";
  for (const FaultInfo& f : kFaults) {
    std::string line = std::string("                             ") + f.name;
    line.resize(std::max<std::size_t>(line.size() + 1, 52), ' ');
    text += line + f.meaning + "\n";
  }
  if (program.readsCommandLine) {
    text += "  --cmdline STRING         the exact command line instead of the words\n";
  }
  text +=
      "  --help                   this text\n"
      "\n"
      "Key script actions: wait MS | down VK [scan=N] [repeat=N] | up VK [scan=N] [repeat=N] |\n"
      "press VK [scan=N] [hold=MS] | tap X Y | activate-other | repaint | screenshot FILE.png |\n"
      "answer ok|cancel; expect lines checked at the end. '#' starts a comment.\n"
      "\n"
      "Options go before the command line words; after '--' every argument is a word.\n"
      "\n"
      "Exit status: the program's exit code; 3 when stopped at --until-ms or the window was\n"
      "closed; 2 for bad options, a bad key script, keymap or .reg file, an input or output\n"
      "that cannot be used safely, no display for the window, or a registry file still in use\n"
      "by another run after " +
      std::to_string(kRegistryWaitMs / 1000) +
      " s. With expect lines in the key script: 0 when they all hold, 1 when one does not.\n";
  return text;
}

std::string DeviceName(const RunPlan& plan) {
  std::string name = std::to_string(plan.screenWidth) + "x" + std::to_string(plan.screenHeight);
  if (!plan.profileFile.empty())
    name += " " + std::filesystem::path(plan.profileFile).stem().string();
  for (const FaultInfo& f : kFaults) {
    if (plan.faults.*(f.flag)) name += std::string(" ") + f.name;
  }
  return name;
}

RunPlan ParseRunPlan(const std::vector<std::string>& args, const ProgramSpec& program) {
  const std::string self = program.name;
  const auto fail = [&](const std::string& problem) -> void {
    throw UsageError(self + ": " + problem);
  };

  RunPlan plan;
  std::vector<std::string> seen;
  std::vector<std::string> words;
  std::optional<std::string> cmdline;
  std::string keysFile;
  std::string keymapFile;
  bool optionsDone = false;
  bool afterDashes = false;  // "--" was given: every later argument is a word
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool optionLike = arg.size() >= 2 && arg.compare(0, 2, "--") == 0;
    if (optionsDone && optionLike && !afterDashes) {
      // Most likely an option given too late, which would otherwise be lost in the command line.
      fail("'" + QuoteForMessage(arg) + "' after the command line word '" +
           QuoteForMessage(words[0]) +
           "': options go before the words (put '--' before words that begin with '--')");
    }
    if (optionsDone || !optionLike) {
      optionsDone = true;
      words.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsDone = true;
      afterDashes = true;
      continue;
    }
    const std::size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    const OptionInfo* info = nullptr;
    for (const OptionInfo& o : kOptions) {
      if (name == o.name) info = &o;
    }
    if (!info) fail("unknown option '" + QuoteForMessage(name) + "' (see --help)");
    if (!info->repeatable) {
      for (const std::string& s : seen) {
        if (s == name) fail(name + " given twice");
      }
      seen.push_back(name);
    }
    std::string value;
    if (info->takesValue) {
      if (eq != std::string::npos) {
        value = arg.substr(eq + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        fail(name + " needs a value");
      }
    } else if (eq != std::string::npos) {
      fail(name + " takes no value");
    }

    for (const OutputOption& o : kOutputOptions) {
      if (name == o.name) plan.*o.file = value;
    }
    if (name == "--help") {
      plan.help = true;
      return plan;
    } else if (name == "--headless") {
      plan.headless = true;
    } else if (name == "--keys") {
      keysFile = value;
    } else if (name == "--profile") {
      plan.profileFile = value;
    } else if (name == "--screen") {
      const std::size_t x = value.find_first_of("xX");
      std::optional<std::uint64_t> w, h;
      if (x != std::string::npos) {
        w = ParseNumber(std::string_view(value).substr(0, x), 1, 4096);
        h = ParseNumber(std::string_view(value).substr(x + 1), 1, 4096);
      }
      if (!w || !h) fail("bad --screen '" + QuoteForMessage(value) + "' (WxH, each 1..4096)");
      plan.screenWidth = static_cast<int>(*w);
      plan.screenHeight = static_cast<int>(*h);
    } else if (name == "--start-tick" || name == "--until-ms") {
      std::optional<std::uint64_t> n = ParseNumber(value, 0, UINT32_MAX);
      if (!n) fail("bad " + name + " '" + QuoteForMessage(value) + "' (0..4294967295)");
      (name == "--start-tick" ? plan.startTick : plan.untilMs) = static_cast<std::uint32_t>(*n);
      if (name == "--until-ms") plan.untilMsGiven = true;
    } else if (name == "--foreign-window") {
      const std::size_t colon = value.find(':');
      const std::string className = value.substr(0, colon);
      if (className.empty())
        fail("bad --foreign-window '" + QuoteForMessage(value) + "' (CLASS[:TITLE])");
      plan.foreignWindows.push_back(
          {harness::Utf8ToUtf16(className),
           colon == std::string::npos ? u"" : harness::Utf8ToUtf16(value.substr(colon + 1))});
    } else if (name == "--cmdline") {
      cmdline = value;
    } else if (name == "--chatter-ms") {
      std::optional<std::uint64_t> n = ParseNumber(value, 1, 60000);
      if (!n) fail("bad --chatter-ms '" + value + "' (1..60000)");
      plan.chatterMs = static_cast<std::uint32_t>(*n);
    } else if (name == "--summary") {
      plan.summary = true;
    } else if (name == "--scale") {
      std::optional<std::uint64_t> n = ParseNumber(value, 1, 8);
      if (!n) fail("bad --scale '" + QuoteForMessage(value) + "' (1..8)");
      plan.scale = static_cast<int>(*n);
    } else if (name == "--keymap") {
      keymapFile = value;
    } else if (name == "--record") {
      plan.recordFile = value;
    } else if (name == "--fault") {
      const FaultInfo* fault = nullptr;
      for (const FaultInfo& f : kFaults) {
        if (value == f.name) fault = &f;
      }
      if (!fault) fail("unknown --fault '" + QuoteForMessage(value) + "' (see --help)");
      plan.faults.*(fault->flag) = true;
    }
  }

  const auto has = [&](const char* option) {
    return std::find(seen.begin(), seen.end(), option) != seen.end();
  };

  // The program's command line.
  if (cmdline && !words.empty()) {
    fail("both --cmdline and command line words given ('" + QuoteForMessage(words[0]) + "')");
  }
  std::string line;
  if (cmdline) {
    line = *cmdline;
  } else {
    for (const std::string& w : words) line += (line.empty() ? "" : " ") + w;
  }
  plan.commandLine = harness::Utf8ToUtf16(line);

  // Input files, read and checked now, and every output checked: a problem stops the run
  // before anything is written.
  std::vector<RunFile> inputs;
  std::vector<RunFile> outputs;
  if (has("--keys")) {
    plan.script = LoadKeyScript(keysFile);
    inputs.push_back({keysFile, "--keys"});
    if (plan.script.startTick) plan.startTick = *plan.script.startTick;
  }
  for (const ScriptAction& a : plan.script.actions) {
    const std::string where = plan.script.file + ":" + std::to_string(a.line) + ": ";
    if (a.kind == ActionKind::Tap && (a.x >= plan.screenWidth || a.y >= plan.screenHeight)) {
      throw UsageError(where + "tap (" + std::to_string(a.x) + ", " + std::to_string(a.y) +
                       ") is outside the " + std::to_string(plan.screenWidth) + "x" +
                       std::to_string(plan.screenHeight) + " screen");
    }
    if (a.kind == ActionKind::Screenshot) outputs.push_back({a.path, where + "screenshot", true});
  }
  if (has("--profile")) {
    plan.profileText = ReadInput(plan.profileFile);
    CheckRegText(plan.profileText, plan.profileFile);
    inputs.push_back({plan.profileFile, "--profile"});
  }
  if (has("--keymap")) {
    plan.keymap = ParseKeymap(ReadInput(keymapFile), keymapFile);
    inputs.push_back({keymapFile, "--keymap"});
  }
  if (has("--record") && plan.headless) {
    fail("--record writes a window session; it cannot be used with --headless");
  }
  for (const OutputOption& o : kOutputOptions) {
    if (has(o.name)) outputs.push_back({plan.*o.file, o.name});
  }
  if (std::string problem = CheckRunFiles(outputs, inputs); !problem.empty()) {
    throw UsageError(problem);
  }
  if (has("--registry")) {
    // A registry file that is not there yet starts empty; so does an empty one.
    std::error_code ec;
    if (std::filesystem::exists(plan.registryFile, ec)) {
      plan.registryText = ReadInput(plan.registryFile);
      if (!plan.registryText->empty()) CheckRegText(*plan.registryText, plan.registryFile);
    }
  }
  return plan;
}

}  // namespace emu
