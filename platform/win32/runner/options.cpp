// The Windows executables' options: the emulator's, as far as this entry supports them.
#include <charconv>
#include <filesystem>

#include "harness/wide_text.h"
#include "platform/win32/runner/runner.h"

namespace win32 {

namespace {

std::optional<std::uint64_t> ParseNumber(std::string_view text, std::uint64_t low,
                                         std::uint64_t high) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  if (value < low || value > high) return {};
  return value;
}

// The log's folder must exist before the run, so that the run is not wasted; empty when fine.
std::string WritableProblem(const std::string& file, const std::string& what) {
  namespace fs = std::filesystem;
  if (file.empty()) return what + " needs a file name";
  fs::path parent = fs::path(file).parent_path();
  if (parent.empty()) parent = ".";
  std::error_code ec;
  if (!fs::is_directory(parent, ec)) {
    return what + " " + file + ": folder " + parent.string() + " does not exist";
  }
  if (fs::is_directory(file, ec)) return what + " " + file + ": is a folder";
  return {};
}

}  // namespace

std::string UsageText(const ProgramSpec& program) {
  const std::string name = program.name;
  return "usage: " + name + " [OPTIONS]" +
         (program.readsCommandLine ? " [COMMAND LINE WORDS...]" : "") +
         "\n"
         "Runs " +
         name +
         " on the desktop's window system.\n"
         "\n"
         "  --log FILE               debug output (UTF-8, CR LF as written; default standard\n"
         "                           error)\n"
         "  --screen WxH             the screen size the program is told (default 320x320)\n"
         "  --until-ms N             stop the program N ms after the start (exit status 3)\n"
         "  --foreign-window CLASS[:TITLE]\n"
         "                           another program's top-level window (repeatable)\n"
         "  --help                   this text\n"
         "\n"
         "Exit status: the program's exit code; 3 when stopped at --until-ms; 2 for bad options.\n";
}

RunOptions ParseRunOptions(const std::vector<std::string>& args, const ProgramSpec& program) {
  const std::string self = program.name;
  const auto fail = [&](const std::string& problem) { throw UsageError(self + ": " + problem); };
  struct OptionInfo {
    const char* name;
    bool takesValue;
    bool repeatable;
  };
  static constexpr OptionInfo kOptions[] = {
      {"--help", false, false},    {"--log", true, false},           {"--screen", true, false},
      {"--until-ms", true, false}, {"--foreign-window", true, true},
  };

  RunOptions options;
  std::vector<std::string> seen;
  std::vector<std::string> words;
  bool optionsDone = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsDone || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      optionsDone = true;
      words.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsDone = true;
      continue;
    }
    const std::size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    const OptionInfo* info = nullptr;
    for (const OptionInfo& o : kOptions) {
      if (name == o.name) info = &o;
    }
    if (info == nullptr) fail("unknown option '" + name + "' (see --help)");
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

    if (name == "--help") {
      options.help = true;
      return options;
    } else if (name == "--log") {
      if (const std::string problem = WritableProblem(value, "--log"); !problem.empty()) {
        fail(problem);
      }
      options.logFile = value;
    } else if (name == "--screen") {
      const std::size_t x = value.find_first_of("xX");
      std::optional<std::uint64_t> w, h;
      if (x != std::string::npos) {
        w = ParseNumber(std::string_view(value).substr(0, x), 1, 4096);
        h = ParseNumber(std::string_view(value).substr(x + 1), 1, 4096);
      }
      if (!w || !h) fail("bad --screen '" + value + "' (WxH, each 1..4096)");
      options.screenWidth = static_cast<int>(*w);
      options.screenHeight = static_cast<int>(*h);
    } else if (name == "--until-ms") {
      const std::optional<std::uint64_t> n = ParseNumber(value, 0, UINT32_MAX);
      if (!n) fail("bad --until-ms '" + value + "' (0..4294967295)");
      options.untilMs = static_cast<std::uint32_t>(*n);
    } else if (name == "--foreign-window") {
      const std::size_t colon = value.find(':');
      const std::string className = value.substr(0, colon);
      if (className.empty()) fail("bad --foreign-window '" + value + "' (CLASS[:TITLE])");
      options.foreignWindows.push_back(
          {harness::Utf8ToUtf16(className),
           colon == std::string::npos ? u"" : harness::Utf8ToUtf16(value.substr(colon + 1))});
    }
  }
  std::string line;
  for (const std::string& w : words) line += (line.empty() ? "" : " ") + w;
  options.commandLine = harness::Utf8ToUtf16(line);
  return options;
}

}  // namespace win32
