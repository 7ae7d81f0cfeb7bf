#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/emu/host_files.h"
#include "platform/emu/runner/runner.h"
#include "platform/emu/runner/tests/script_errors.h"

namespace emu {
namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    path_ = fs::temp_directory_path() /
            ("runner_parse_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  std::string file(const std::string& name, const std::string& content) const {
    const fs::path p = path_ / name;
    std::ofstream(p, std::ios::binary) << content;
    return p.string();
  }
  std::string path(const std::string& name) const { return (path_ / name).string(); }

 private:
  static inline int counter_ = 0;
  fs::path path_;
};

const ProgramSpec kVantor{"vantor", {}, true, {}};
const ProgramSpec kVantor1{"vantor1", {}, false, {}};

std::string ErrorOf(const std::vector<std::string>& args, const ProgramSpec& program = kVantor) {
  try {
    ParseRunPlan(args, program);
  } catch (const UsageError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(RunnerOptionsTest, Defaults) {
  const RunPlan plan = ParseRunPlan({}, kVantor);
  EXPECT_FALSE(plan.help);
  EXPECT_EQ(plan.commandLine, u"");
  EXPECT_EQ(plan.screenWidth, 320);
  EXPECT_EQ(plan.screenHeight, 320);
  EXPECT_EQ(plan.startTick, 100000u);
  EXPECT_EQ(plan.untilMs, 5000u);
  EXPECT_TRUE(plan.script.actions.empty());
  EXPECT_TRUE(plan.foreignWindows.empty());
  EXPECT_TRUE(plan.logFile.empty());
  EXPECT_FALSE(plan.registryText.has_value());
}

TEST(RunnerOptionsTest, GoodCommandLines) {
  struct Case {
    std::vector<std::string> args;
    std::u16string commandLine;
  };
  const std::vector<Case> cases = {
      {{"test"}, u"test"},
      {{"--headless", "test"}, u"test"},
      {{"--headless", "test", "x"}, u"test x"},
      // Options end at the first word; after "--" every argument is a word.
      {{"--", "--headless"}, u"--headless"},
      {{"--headless", "--", "test", "--log", "x", "--"}, u"test --log x --"},
      {{"test", "-x", "-"}, u"test -x -"},
      {{"--cmdline", " test "}, u" test "},
      {{"--cmdline", ""}, u""},
      {{"--cmdline=test x"}, u"test x"},
      {{"--cmdline", "t\xC3\xA9st"}, u"t\u00E9st"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    EXPECT_EQ(ParseRunPlan(c.args, kVantor).commandLine, c.commandLine);
  }
}

// A program that reads no command line is started like the other one; the words it is given are
// accepted and simply not read, as on the handset.
TEST(RunnerOptionsTest, CommandLineOfAProgramThatReadsNone) {
  EXPECT_EQ(ParseRunPlan({"--headless", "test"}, kVantor1).commandLine, u"test");
  EXPECT_EQ(ParseRunPlan({"--cmdline", ""}, kVantor1).commandLine, u"");
}

TEST(RunnerOptionsTest, Values) {
  const RunPlan plan =
      ParseRunPlan({"--screen", "240x400", "--start-tick", "0xFFFFFFFF", "--until-ms=0",
                    "--foreign-window", "PLW_APP:Plenwick", "--foreign-window", "Dialog:Vantor:x",
                    "--foreign-window", "Bare", "test"},
                   kVantor);
  EXPECT_EQ(plan.screenWidth, 240);
  EXPECT_EQ(plan.screenHeight, 400);
  EXPECT_EQ(plan.startTick, 0xFFFFFFFFu);
  EXPECT_EQ(plan.untilMs, 0u);
  ASSERT_EQ(plan.foreignWindows.size(), 3u);
  EXPECT_EQ(plan.foreignWindows[0].className, u"PLW_APP");
  EXPECT_EQ(plan.foreignWindows[0].title, u"Plenwick");
  EXPECT_EQ(plan.foreignWindows[1].className, u"Dialog");
  EXPECT_EQ(plan.foreignWindows[1].title, u"Vantor:x");
  EXPECT_EQ(plan.foreignWindows[2].title, u"");
  EXPECT_TRUE(ParseRunPlan({"--help", "--bogus"}, kVantor).help);
  EXPECT_EQ(plan.faults, DeviceFaults{});
  EXPECT_EQ(plan.chatterMs, 130u);
  EXPECT_FALSE(plan.summary);

  const RunPlan results =
      ParseRunPlan({"--chatter-ms", "0x50", "--summary", "--junit=j.xml"}, kVantor);
  EXPECT_EQ(results.chatterMs, 80u);
  EXPECT_TRUE(results.summary);
  EXPECT_EQ(results.junitFile, "j.xml");
}

TEST(RunnerOptionsTest, FaultsAreNamedAndRepeatable) {
  const RunPlan plan =
      ParseRunPlan({"--fault", "hook-refused", "--fault=no-sound", "--fault", "no-sound"}, kVantor);
  DeviceFaults expected;
  expected.hookRefused = true;
  expected.noSound = true;
  EXPECT_EQ(plan.faults, expected);
  const RunPlan all = ParseRunPlan({"--fault", "no-core-library", "--fault", "no-hook-functions",
                                    "--fault", "registry-writes-fail"},
                                   kVantor1);
  EXPECT_TRUE(all.faults.noCoreLibrary && all.faults.noHookFunctions &&
              all.faults.registryWritesFail);
  EXPECT_NE(UsageText(kVantor).find("registry-writes-fail"), std::string::npos);
}

TEST(RunnerOptionsTest, BadOptions) {
  struct Case {
    std::vector<std::string> args;
    const ProgramSpec& program;
    std::string error;
  };
  const std::vector<Case> cases = {
      {{"--bogus"}, kVantor, "vantor: unknown option '--bogus' (see --help)"},
      {{"--keys"}, kVantor, "vantor: --keys needs a value"},
      {{"--headless=1"}, kVantor, "vantor: --headless takes no value"},
      {{"--screen", "320"}, kVantor, "vantor: bad --screen '320' (WxH, each 1..4096)"},
      {{"--screen", "0x320"}, kVantor, "vantor: bad --screen '0x320' (WxH, each 1..4096)"},
      {{"--screen", "320x-1"}, kVantor, "vantor: bad --screen '320x-1' (WxH, each 1..4096)"},
      {{"--start-tick", "4294967296"},
       kVantor,
       "vantor: bad --start-tick '4294967296' (0..4294967295)"},
      {{"--until-ms", "5s"}, kVantor, "vantor: bad --until-ms '5s' (0..4294967295)"},
      {{"--until-ms", "1", "--until-ms", "2"}, kVantor, "vantor: --until-ms given twice"},
      {{"--foreign-window", ":Plenwick"},
       kVantor,
       "vantor: bad --foreign-window ':Plenwick' (CLASS[:TITLE])"},
      {{"--cmdline", "test", "test"},
       kVantor,
       "vantor: both --cmdline and command line words given ('test')"},
      {{"--keys", "/nonexistent/k.txt"}, kVantor, "/nonexistent/k.txt: cannot be read"},
      {{"--profile", "/nonexistent/p.reg"}, kVantor, "/nonexistent/p.reg: cannot be read"},
      {{"--report", "/nonexistent/r.json"},
       kVantor,
       "--report /nonexistent/r.json: folder /nonexistent does not exist"},
      {{"--log", ""}, kVantor, "--log needs a file name"},
      {{"--fault", "no-keys"}, kVantor, "vantor: unknown --fault 'no-keys' (see --help)"},
      // An option after the first word would silently become part of the command line.
      {{"--headless", "test", "--log", "x.log"},
       kVantor,
       "vantor: '--log' after the command line word 'test': options go before the words (put "
       "'--' before words that begin with '--')"},
      {{"test", "--"},
       kVantor1,
       "vantor1: '--' after the command line word 'test': options go before the words (put '--' "
       "before words that begin with '--')"},
      // Input files must be plain files: a folder or a device is refused before it is read.
      {{"--keys", "/"}, kVantor, "/: is a folder"},
      {{"--keys", "/dev/zero"}, kVantor, "/dev/zero: is not a plain file"},
      {{"--profile", "/dev/zero"}, kVantor, "/dev/zero: is not a plain file"},
      {{"--registry", "/dev/null"},
       kVantor,
       "--registry /dev/null: is not a plain file (a device, pipe or socket)"},
      {{"--screenshot", "/dev/full"},
       kVantor,
       "--screenshot /dev/full: is not a plain file (a device, pipe or socket)"},
      {{"--chatter-ms", "0"}, kVantor, "vantor: bad --chatter-ms '0' (1..60000)"},
      {{"--summary=yes"}, kVantor, "vantor: --summary takes no value"},
      {{"--junit", "/nonexistent/j.xml"},
       kVantor,
       "--junit /nonexistent/j.xml: folder /nonexistent does not exist"},
      {{"--scale", "0"}, kVantor, "vantor: bad --scale '0' (1..8)"},
      {{"--scale", "9"}, kVantor, "vantor: bad --scale '9' (1..8)"},
      {{"--keymap", "/nonexistent/k.map"}, kVantor, "/nonexistent/k.map: cannot be read"},
      {{"--record", "/nonexistent/r.keys"},
       kVantor,
       "--record /nonexistent/r.keys: folder /nonexistent does not exist"},
      {{"--headless", "--record", "r.keys"},
       kVantor,
       "vantor: --record writes a window session; it cannot be used with --headless"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    EXPECT_EQ(ErrorOf(c.args, c.program), c.error);
  }
}

TEST(RunnerOptionsTest, InputFilesAreCheckedBeforeTheRun) {
  TempDir dir;
  const std::string header = "Windows Registry Editor Version 5.00\r\n";
  const std::string goodReg = dir.file("good.reg", header + "[HKLM\\A]\r\n\"v\"=dword:1\r\n");
  const std::string badReg = dir.file("bad.reg", header + "[HKLM\\A]\r\n\"v\"=qword:01\r\n");
  const std::string keys = dir.file("keys.txt", "wait 10\npress Q\ntap 319 319\n");

  const RunPlan plan = ParseRunPlan(
      {"--keys", keys, "--profile", goodReg, "--registry", dir.path("device.reg"), "test"},
      kVantor);
  EXPECT_EQ(plan.script.actions.size(), 3u);
  EXPECT_EQ(plan.profileText, header + "[HKLM\\A]\r\n\"v\"=dword:1\r\n");
  EXPECT_FALSE(plan.registryText.has_value()) << "a registry file that does not exist yet";
  EXPECT_EQ(ParseRunPlan({"--registry", goodReg}, kVantor).registryText,
            std::optional<std::string>(header + "[HKLM\\A]\r\n\"v\"=dword:1\r\n"));

  EXPECT_EQ(ErrorOf({"--profile", badReg}), badReg + ":3: unsupported value type 'qword'");
  EXPECT_EQ(ErrorOf({"--registry", badReg}), badReg + ":3: unsupported value type 'qword'");
  EXPECT_EQ(ErrorOf({"--registry", dir.path("missing/device.reg")}),
            "--registry " + dir.path("missing/device.reg") + ": folder " + dir.path("missing") +
                " does not exist");
  // A tap must land on the screen the run will have.
  EXPECT_EQ(ErrorOf({"--screen", "240x400", "--keys", keys}),
            keys + ":3: tap (319, 319) is outside the 240x400 screen");
  const std::string shot = dir.file("shot.txt", "screenshot /nonexistent/a.png\n");
  EXPECT_EQ(ErrorOf({"--keys", shot}),
            shot + ":1: screenshot /nonexistent/a.png: folder /nonexistent does not exist");
}

// Files over the input bound are refused from their size, before they are read.
TEST(RunnerOptionsTest, InputFilesOverTheSizeBoundAreRefused) {
  TempDir dir;
  const std::string huge = dir.file("huge", "");
  std::filesystem::resize_file(huge, kMaxInputBytes + 1);
  for (const char* option : {"--keys", "--profile", "--registry"}) {
    SCOPED_TRACE(option);
    EXPECT_EQ(ErrorOf({option, huge}), huge + ": is larger than 64 MiB");
  }
}

// An empty registry file (a run killed before its first write, or made by hand) is an empty
// registry, not a malformed one.
TEST(RunnerOptionsTest, EmptyRegistryFileIsAnEmptyRegistry) {
  TempDir dir;
  const std::string empty = dir.file("device.reg", "");
  EXPECT_EQ(ParseRunPlan({"--registry", empty}, kVantor).registryText,
            std::optional<std::string>(""));
}

// The window's options, and a recorded session's first line, whose clock wins over
// --start-tick wherever that is given.
TEST(RunnerOptionsTest, WindowOptionsAndStartTickLine) {
  TempDir dir;
  const std::string keys = dir.file("rec.keys", "# recorded\nstart-tick 0x10\nwait 5\n");
  const std::string keymap = dir.file("k.map", "F5 = 59  # Camera\n");
  const RunPlan plan = ParseRunPlan({"--start-tick", "9", "--keys", keys, "--scale", "2",
                                     "--keymap", keymap, "--record", dir.path("out.keys")},
                                    kVantor);
  EXPECT_EQ(plan.startTick, 16u);
  EXPECT_EQ(plan.script.actions.size(), 1u);
  EXPECT_EQ(plan.scale, 2);
  ASSERT_TRUE(plan.keymap.has_value());
  ASSERT_EQ(plan.keymap->bindings.size(), 1u);
  EXPECT_EQ(plan.keymap->bindings[0].vk, 59u);
  EXPECT_EQ(plan.recordFile, dir.path("out.keys"));
  EXPECT_FALSE(plan.untilMsGiven);
  EXPECT_TRUE(ParseRunPlan({"--until-ms", "5000"}, kVantor).untilMsGiven);

  const std::string bad = dir.file("bad.map", "F5 = 59\nF99 = 1\n");
  EXPECT_EQ(ErrorOf({"--keymap", bad}), bad + ":2: unknown PC key 'F99'");
}

TEST(KeyScriptTest, GoodLines) {
  struct Case {
    const char* text;
    ScriptAction action;
  };
  const auto make = [](ActionKind kind) {
    ScriptAction a;
    a.kind = kind;
    a.line = 1;
    return a;
  };
  ScriptAction wait = make(ActionKind::Wait);
  wait.ms = 4294967295u;
  ScriptAction down = make(ActionKind::Down);
  down.vk = 0x11;
  ScriptAction up = make(ActionKind::Up);
  up.vk = 0x0D;
  up.scan = 38;
  up.repeat = 0;
  ScriptAction press = make(ActionKind::Press);
  press.vk = 95;
  press.ms = 50;
  ScriptAction pressHold = make(ActionKind::Press);
  pressHold.vk = '0';
  pressHold.scan = 0xFF;
  pressHold.ms = 0;
  ScriptAction tap = make(ActionKind::Tap);
  tap.x = 160;
  tap.y = 285;
  ScriptAction shot = make(ActionKind::Screenshot);
  shot.path = "out/a.png";
  ScriptAction ok = make(ActionKind::Answer);
  ok.answer = 1;
  ScriptAction cancel = make(ActionKind::Answer);
  cancel.answer = 2;

  const std::vector<Case> cases = {
      {"wait 0xFFFFFFFF", wait},
      {"down control", down},
      {"  up RETURN repeat=0 scan=0x26  # the keyboard Enter", up},
      {"press 95", press},
      {"PRESS 0 hold=0 scan=255", pressHold},
      {"tap 160 285\r", tap},
      {"activate-other", make(ActionKind::ActivateOther)},
      {"repaint # again", make(ActionKind::Repaint)},
      {"screenshot out/a.png", shot},
      {"answer OK", ok},
      {"answer cancel", cancel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const KeyScript script = ParseKeyScript(c.text, "k.txt");
    ASSERT_EQ(script.actions.size(), 1u);
    EXPECT_EQ(script.actions[0], c.action);
  }
}

TEST(KeyScriptTest, LineNumbersCountCommentsAndBlanks) {
  const KeyScript script =
      ParseKeyScript("\xEF\xBB\xBF# header\r\n\r\n   \nwait 5\n\t# x\npress A\n", "k.txt");
  ASSERT_EQ(script.actions.size(), 2u);
  EXPECT_EQ(script.actions[0].line, 4);
  EXPECT_EQ(script.actions[1].line, 6);
  EXPECT_EQ(script.file, "k.txt");
}

TEST(KeyScriptTest, BadLines) {
  struct Case {
    const char* text;
    const char* error;
  };
  const std::vector<Case> cases = {
      {"wait 1\nprss Q", "keys.txt:2: unknown action 'prss'"},
      {"wait", "keys.txt:1: expected 'wait MS'"},
      {"wait 1 2", "keys.txt:1: expected 'wait MS'"},
      {"wait -1", "keys.txt:1: bad milliseconds '-1' (0..4294967295)"},
      {"wait 4294967296", "keys.txt:1: bad milliseconds '4294967296' (0..4294967295)"},
      {"wait 0x", "keys.txt:1: bad milliseconds '0x' (0..4294967295)"},
      {"wait 12ms", "keys.txt:1: bad milliseconds '12ms' (0..4294967295)"},
      {"down", "keys.txt:1: down needs a key"},
      {"down 256", "keys.txt:1: unknown key '256'"},
      {"down F13", "keys.txt:1: unknown key 'F13'"},
      {"down ENTER", "keys.txt:1: unknown key 'ENTER'"},
      {"down A scan=256", "keys.txt:1: bad scan '256' (0..255)"},
      {"up A repeat=65536", "keys.txt:1: bad repeat '65536' (0..65535)"},
      {"up A hold=5", "keys.txt:1: unexpected 'hold=5' after up"},
      {"press A repeat=2", "keys.txt:1: unexpected 'repeat=2' after press"},
      {"press A scan=1 scan=2", "keys.txt:1: scan= given twice"},
      {"press A 5", "keys.txt:1: unexpected '5' after press"},
      {"tap 10", "keys.txt:1: expected 'tap X Y'"},
      {"tap 10 -2", "keys.txt:1: bad y '-2' (0..65535)"},
      {"repaint now", "keys.txt:1: expected 'repaint'"},
      {"screenshot", "keys.txt:1: expected 'screenshot FILE.png'"},
      {"answer yes", "keys.txt:1: bad answer 'yes' (ok or cancel)"},
      {"wait 1\nstart-tick 5", "keys.txt:2: start-tick must be the first action"},
      {"start-tick 5\nstart-tick 6", "keys.txt:2: start-tick must be the first action"},
      {"start-tick", "keys.txt:1: expected 'start-tick N'"},
      {"start-tick 4294967296", "keys.txt:1: bad tick '4294967296' (0..4294967295)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(KeyScriptError(c.text), c.error);
  }
}

// A hostile line gives a short message on one line: at most 80 characters of the bad word,
// control characters and NUL escaped.
TEST(KeyScriptTest, BadWordsAreQuotedShortAndPrintable) {
  using namespace std::string_literals;
  const std::string longWord(10'000'000, 'x');
  struct Case {
    std::string text;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"prss" + longWord + "\n",
       "keys.txt:1: unknown action 'prss" + longWord.substr(0, 76) + "...'"},
      {"wait 1\ndown " + longWord, "keys.txt:2: unknown key '" + longWord.substr(0, 80) + "...'"},
      {"down A\0B"s, "keys.txt:1: unknown key 'A\\x00B'"},
      {"wait 1\0"s, "keys.txt:1: bad milliseconds '1\\x00' (0..4294967295)"},
      {"press A \x1B[2J"s, "keys.txt:1: unexpected '\\x1B[2J' after press"},
      {"answer \x7F", "keys.txt:1: bad answer '\\x7F' (ok or cancel)"},
      // A NUL would cut the name short where the file is made.
      {"screenshot a\0b.png"s, "keys.txt:1: bad screenshot file name 'a\\x00b.png'"},
      {"screenshot a\x1B.png", "keys.txt:1: bad screenshot file name 'a\\x1B.png'"},
      {"screenshot " + longWord,
       "keys.txt:1: bad screenshot file name '" + longWord.substr(0, 80) + "...'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    EXPECT_EQ(KeyScriptError(c.text), c.error);
  }
}

TEST(KeyScriptTest, VirtualKeys) {
  const std::vector<std::pair<const char*, std::optional<std::uint32_t>>> cases = {
      {"A", 0x41},          {"z", 0x5A},          {"0", 0x30},           {"9", 0x39},
      {"10", 10},           {"0x0", 0},           {"255", 255},          {"0xFF", 255},
      {"RETURN", 0x0D},     {"escape", 0x1B},     {"Space", 0x20},       {"BACK", 0x08},
      {"TAB", 0x09},        {"LEFT", 0x25},       {"UP", 0x26},          {"RIGHT", 0x27},
      {"DOWN", 0x28},       {"F1", 0x70},         {"f12", 0x7B},         {"SHIFT", 0x10},
      {"CONTROL", 0x11},    {"F0", std::nullopt}, {"F01", std::nullopt}, {"256", std::nullopt},
      {"AB", std::nullopt}, {"", std::nullopt},
  };
  for (const auto& [word, vk] : cases) {
    EXPECT_EQ(ParseVirtualKey(word), vk) << word;
  }
  // The name given to a key reads back as that key.
  for (std::uint32_t vk = 0; vk < 256; ++vk) {
    EXPECT_EQ(ParseVirtualKey(VirtualKeyName(vk)), vk) << VirtualKeyName(vk);
  }
  EXPECT_EQ(VirtualKeyName(0x26), "UP");
  EXPECT_EQ(VirtualKeyName(0xC1), "0xC1");
}

TEST(RunnerReportTest, JsonFieldsAndEscaping) {
  RunOutcome outcome;
  outcome.result.exited = true;
  outcome.result.exitCode = 0;
  outcome.result.endTick = 100600;
  outcome.foreground = WindowInfo{u"PLW_APP", u"Plen\"wick\\\u00E9\n"};
  outcome.record.processesStarted = {u"\\Windows\\Loopback.exe"};
  outcome.record.soundsPlayed = 3;
  outcome.record.activityPulses = 2;
  outcome.record.shellSwitch = std::make_pair(0u, 1u);
  outcome.record.registryWrites = {
      {100010, u"HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\LCDTest", u"Vantor", 1u},
      {100020, u"HKEY_LOCAL_MACHINE\\X", u"S", std::u16string(u"a\u0001b")}};
  outcome.record.messageBoxes = {{100300, u"Vantor1", u"You've just passed the test", 1},
                                 {100400, u"C", u"T", std::nullopt}};
  outcome.taskBarVisible = true;
  EXPECT_EQ(ReportJson(outcome),
            "{\n"
            "  \"exited\": true,\n"
            "  \"exit_code\": 0,\n"
            "  \"stopped\": false,\n"
            "  \"end_tick\": 100600,\n"
            "  \"foreground\": {\"class\": \"PLW_APP\", \"title\": "
            "\"Plen\\\"wick\\\\\xC3\xA9\\n\"},\n"
            "  \"processes_started\": [\n"
            "    \"\\\\Windows\\\\Loopback.exe\"\n"
            "  ],\n"
            "  \"sounds\": 3,\n"
            "  \"activity_pulses\": 2,\n"
            "  \"task_bar_visible\": true,\n"
            "  \"sip_button_visible\": false,\n"
            "  \"shell_switch\": [0, 1],\n"
            "  \"system_switch\": null,\n"
            "  \"registry_writes\": [\n"
            "    {\"tick\": 100010, \"key\": "
            "\"HKEY_LOCAL_MACHINE\\\\System\\\\State\\\\Corvane\\\\LCDTest\", \"name\": "
            "\"Vantor\", \"value\": 1},\n"
            "    {\"tick\": 100020, \"key\": \"HKEY_LOCAL_MACHINE\\\\X\", \"name\": \"S\", "
            "\"value\": \"a\\u0001b\"}\n"
            "  ],\n"
            "  \"message_boxes\": [\n"
            "    {\"tick\": 100300, \"caption\": \"Vantor1\", \"text\": \"You've just passed the "
            "test\", \"answer\": \"ok\"},\n"
            "    {\"tick\": 100400, \"caption\": \"C\", \"text\": \"T\", \"answer\": null}\n"
            "  ]\n"
            "}\n");

  RunOutcome stopped;
  stopped.stopped = true;
  const std::string json = ReportJson(stopped);
  EXPECT_NE(json.find("\"exit_code\": null,"), std::string::npos);
  EXPECT_NE(json.find("\"foreground\": null,"), std::string::npos);
  EXPECT_NE(json.find("\"registry_writes\": [],"), std::string::npos);
  EXPECT_NE(json.find("\"shell_switch\": null,"), std::string::npos);
}

}  // namespace
}  // namespace emu
