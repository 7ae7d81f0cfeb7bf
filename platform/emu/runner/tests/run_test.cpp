// Whole runs of a small fake program through RunnerMain: exit statuses, the log, the report, the
// registry file and the screenshot, and that a bad input file writes nothing at all.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "harness/platform.h"
#include "harness/platform_constants.h"
#include "harness/registry_protocol.h"
#include "harness/wide_text.h"
#include "platform/emu/host_files.h"
#include "platform/emu/runner/runner.h"

namespace emu {
namespace {

namespace fs = std::filesystem;
using harness::platform;

// ---- The fake program ----
// Its command line picks the behaviour: "quit N" ends with exit code N on its first timer,
// "hang" never ends, "box" shows a message box at the first key-down and exits with 10 + its
// answer. Every key message is logged with its tick.

std::u16string g_mode;
// When set, the fake makes this folder before its first registry write (it blocks the
// registry file's temporary file).
std::string g_blockBeforeWrite;

void Log(const std::string& text) {
  const std::u16string line = harness::Utf8ToUtf16(text + "\r\n");
  platform().DebugOutput(line.c_str());
}

std::intptr_t FakeDialogProc(harness::Hwnd dialog, std::uint32_t message, harness::Wparam wParam,
                             harness::Lparam lParam) {
  switch (message) {
    case harness::WM_INITDIALOG:
      if (!g_blockBeforeWrite.empty()) std::filesystem::create_directory(g_blockBeforeWrite);
      harness::SetRegistryDword(harness::RootLocalMachine(), harness::kLcdTestKey,
                                harness::kLcdTestValue, 1);
      Log("[fake] start " + std::to_string(platform().GetTickCount()));
      platform().SetTimer(dialog, 1, 100, nullptr);
      return 1;
    case harness::WM_KEYDOWN:
    case harness::WM_KEYUP:
      Log("[fake] " + std::string(message == harness::WM_KEYDOWN ? "down " : "up ") +
          std::to_string(wParam) + " scan " + std::to_string((lParam >> 16) & 0xFF) + " at " +
          std::to_string(platform().GetTickCount()));
      if (message == harness::WM_KEYDOWN && g_mode == u"box") {
        const int answer = platform().MessageBoxW(dialog, u"Pass?", u"Fake", harness::MB_OKCANCEL);
        platform().DestroyWindow(dialog);
        platform().PostQuitMessage(10 + answer);
      }
      return 1;
    case harness::WM_TIMER:
      if (g_mode.rfind(u"quit ", 0) == 0) {
        platform().KillTimer(dialog, 1);
        platform().DestroyWindow(dialog);
        platform().PostQuitMessage(std::stoi(harness::Utf16ToUtf8(g_mode.substr(5))));
      }
      return 1;
    default:
      return 0;
  }
}

// A classic dialog template: visible pop-up, no controls, title "Fake".
std::vector<std::uint16_t> FakeTemplate() {
  const std::uint32_t style = harness::WS_POPUP | harness::WS_VISIBLE;
  std::vector<std::uint16_t> t = {static_cast<std::uint16_t>(style & 0xFFFF),
                                  static_cast<std::uint16_t>(style >> 16),
                                  0,
                                  0,
                                  0,
                                  0,
                                  0,
                                  160,
                                  160,
                                  0,
                                  0};
  for (char16_t c : std::u16string(u"Fake")) t.push_back(c);
  t.push_back(0);
  return t;
}

int FakeEntry(harness::Hinstance instance, const std::u16string& commandLine) {
  g_mode = commandLine;
  const std::vector<std::uint16_t> dialogTemplate = FakeTemplate();
  harness::Hwnd dialog = platform().CreateDialogIndirectParamW(instance, dialogTemplate.data(),
                                                               nullptr, FakeDialogProc, 0);
  if (!dialog) return 99;
  harness::Msg msg;
  while (platform().GetMessageW(&msg, nullptr, 0, 0) > 0) {
    platform().TranslateMessage(&msg);
    platform().DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

const ProgramSpec kFake{"fake", {}, true, FakeEntry};

// ---- Helpers ----

class RunnerRunTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() / ("runner_run_" + std::to_string(::getpid()) + "_" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  std::string write(const std::string& name, const std::string& content) const {
    std::ofstream(path(name), std::ios::binary) << content;
    return path(name);
  }
  static std::string read(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Runs the fake with the arguments; stderr is captured into errors_.
  int run(std::vector<std::string> args) {
    args.insert(args.begin(), "fake");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    testing::internal::CaptureStderr();
    const int status = RunnerMain(static_cast<int>(argv.size()), argv.data(), kFake);
    errors_ = testing::internal::GetCapturedStderr();
    return status;
  }

  // The output options every run below uses.
  std::vector<std::string> outputs() const {
    return {"--headless", "--registry",     path("device.reg"), "--log",        path("run.log"),
            "--report",   path("run.json"), "--screenshot",     path("end.png")};
  }

  fs::path dir_;
  std::string errors_;
};

const std::string kProfile =
    "Windows Registry Editor Version 5.00\r\n"
    "[HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\Phone]\r\n"
    "\"TRV_Country\"=dword:0000000b\r\n";

TEST_F(RunnerRunTest, CompleteRunWritesLogReportRegistryAndScreenshot) {
  const std::string profile = write("p.reg", kProfile);
  const std::string keys = write("k.txt", "wait 10\n");
  std::vector<std::string> args = outputs();
  for (const char* a : {"--profile", profile.c_str(), "--keys", keys.c_str(), "--start-tick",
                        "5000", "--foreign-window", "PLW_APP:Plenwick", "quit", "7"}) {
    args.push_back(a);
  }
  EXPECT_EQ(run(args), 7) << errors_;
  EXPECT_EQ(read(path("run.log")), "[fake] start 5000\r\n");

  const std::string report = read(path("run.json"));
  EXPECT_NE(report.find("\"exited\": true,"), std::string::npos) << report;
  EXPECT_NE(report.find("\"exit_code\": 7,"), std::string::npos) << report;
  EXPECT_NE(report.find("\"end_tick\": 5100,"), std::string::npos) << report;
  // Only the program's write, not the profile's values.
  EXPECT_NE(report.find("\"registry_writes\": [\n    {\"tick\": 5000, \"key\": "
                        "\"HKEY_LOCAL_MACHINE\\\\System\\\\State\\\\Corvane\\\\LCDTest\", "
                        "\"name\": \"Vantor\", \"value\": 1}\n  ],"),
            std::string::npos)
      << report;

  const std::string registry = read(path("device.reg"));
  EXPECT_NE(registry.find("[HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\LCDTest]\r\n"
                          "\"Vantor\"=dword:00000001\r\n"),
            std::string::npos)
      << registry;
  EXPECT_NE(registry.find("\"TRV_Country\"=dword:0000000b"), std::string::npos) << registry;
  EXPECT_EQ(read(path("end.png")).substr(0, 4), "\x89PNG");

  // The next run starts from the stored registry.
  EXPECT_EQ(
      run({"--headless", "--registry", path("device.reg"), "--log", path("run2.log"), "quit 0"}),
      0);
  const std::string again = read(path("device.reg"));
  EXPECT_NE(again.find("\"TRV_Country\"=dword:0000000b"), std::string::npos) << again;
}

TEST_F(RunnerRunTest, KeysReachTheProgramInScriptOrder) {
  const std::string keys = write("k.txt",
                                 "down A scan=30\n"
                                 "wait 20\n"
                                 "press RETURN scan=38 hold=70  # three steps\n"
                                 "up A\n");
  EXPECT_EQ(
      run({"--headless", "--keys", keys, "--log", path("run.log"), "--until-ms", "0", "hang"}),
      kExitStopped)
      << errors_;
  EXPECT_EQ(read(path("run.log")),
            "[fake] start 100000\r\n"
            "[fake] down 65 scan 30 at 100000\r\n"
            "[fake] down 13 scan 38 at 100020\r\n"
            "[fake] up 13 scan 38 at 100090\r\n"
            "[fake] up 65 scan 0 at 100090\r\n");
}

TEST_F(RunnerRunTest, StoppedAtTheIdleLimit) {
  std::vector<std::string> args = outputs();
  for (const char* a : {"--until-ms", "1000", "hang"}) args.push_back(a);
  EXPECT_EQ(run(args), kExitStopped) << errors_;
  const std::string report = read(path("run.json"));
  EXPECT_NE(report.find("\"exited\": false,"), std::string::npos) << report;
  EXPECT_NE(report.find("\"exit_code\": null,"), std::string::npos) << report;
  EXPECT_NE(report.find("\"end_tick\": 101000,"), std::string::npos) << report;
}

TEST_F(RunnerRunTest, MessageBoxAnswersAreRecorded) {
  const std::string keys = write("k.txt", "press A\nanswer cancel\n");
  std::vector<std::string> args = outputs();
  for (const char* a : {"--keys", keys.c_str(), "box"}) args.push_back(a);
  EXPECT_EQ(run(args), 12) << errors_;
  const std::string report = read(path("run.json"));
  EXPECT_NE(report.find("\"message_boxes\": [\n    {\"tick\": 100000, \"caption\": \"Fake\", "
                        "\"text\": \"Pass?\", \"answer\": \"cancel\"}\n  ]"),
            std::string::npos)
      << report;
}

TEST_F(RunnerRunTest, ExpectLinesDecideTheExitStatus) {
  struct Case {
    const char* script;
    const char* mode;
    int status;
    std::string errors;  // after the script's path
  };
  const std::vector<Case> cases = {
      {"wait 10\nexpect exit 7\nexpect flag LCDTest Vantor 1\n", "quit 7", 0, ""},
      {"expect stopped\n", "hang", 0, ""},
      {"wait 10\nexpect exit 0\nexpect log start\nexpect log nothing\n", "quit 7", kExitExpectation,
       ":2: expect exit 0: exit 7\n{}:4: expect log nothing: no debug output line contains it\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    const std::string keys = write("k.txt", c.script);
    std::vector<std::string> args = outputs();
    for (const char* a : {"--until-ms", "1000", "--junit", "", "--keys", keys.c_str(), c.mode}) {
      args.push_back(a);
    }
    args[args.size() - 4] = path("run.xml");
    EXPECT_EQ(run(args), c.status) << errors_;
    std::string expected = c.errors.empty() ? "" : keys + c.errors;
    if (const std::size_t at = expected.find("{}"); at != std::string::npos) {
      expected.replace(at, 2, keys);
    }
    EXPECT_EQ(errors_, expected);
    // The outputs are written whatever the expectations say.
    EXPECT_NE(read(path("run.xml")).find("<testsuite name=\"fake 320x320\""), std::string::npos);
  }
}

TEST_F(RunnerRunTest, AnswerWithoutMessageBoxIsAScriptError) {
  const std::string keys = write("k.txt", "wait 5\n\nanswer ok\n");
  std::vector<std::string> args = outputs();
  for (const char* a : {"--keys", keys.c_str(), "hang"}) args.push_back(a);
  EXPECT_EQ(run(args), kExitUsage);
  EXPECT_EQ(errors_, keys + ":3: answer: no message box is shown\n");
  EXPECT_FALSE(fs::exists(path("run.json")));
  EXPECT_FALSE(fs::exists(path("run.log")));
}

TEST_F(RunnerRunTest, BadInputWritesNothing) {
  const std::string badKeys = write("bad.txt", "wait 10\nprss Q\n");
  const std::string badProfile = write("bad.reg", kProfile + "\"X\"=dword:xyz\r\n");
  const std::string goodKeys = write("good.txt", "wait 10\n");
  struct Case {
    std::vector<std::string> extra;
    std::string error;
  };
  const std::vector<Case> cases = {
      {{"--keys", badKeys, "quit 0"}, badKeys + ":2: unknown action 'prss'\n"},
      {{"--keys", goodKeys, "--profile", badProfile, "quit 0"},
       badProfile + ":4: bad dword value 'xyz'\n"},
      {{"--screen", "big", "quit 0"}, "fake: bad --screen 'big' (WxH, each 1..4096)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    std::vector<std::string> args = outputs();
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    EXPECT_EQ(run(args), kExitUsage);
    EXPECT_EQ(errors_, c.error);
    for (const char* file : {"device.reg", "device.reg.tmp", "run.log", "run.json", "end.png"}) {
      EXPECT_FALSE(fs::exists(path(file))) << file;
    }
  }
}

TEST_F(RunnerRunTest, RegistryFileThatMissesTheRunsWritesFailsTheRun) {
  g_blockBeforeWrite = path("device.reg.tmp");
  const int status = run({"--headless", "--registry", path("device.reg"), "quit 0"});
  g_blockBeforeWrite.clear();
  EXPECT_EQ(status, kExitUsage);
  EXPECT_NE(errors_.find("registry file cannot create " + path("device.reg.tmp")),
            std::string::npos)
      << errors_;
  EXPECT_EQ(read(path("device.reg")).find("LCDTest"), std::string::npos);
}

// Each file of the folder: kind, permissions and, for a plain file, its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> out;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const fs::file_status st = fs::symlink_status(entry.path());
    std::string& item = out[entry.path().filename()];
    item = std::to_string(static_cast<int>(st.type())) + " " +
           std::to_string(static_cast<int>(st.permissions()));
    if (st.type() == fs::file_type::regular) {
      std::ifstream in(entry.path(), std::ios::binary);
      item += " " + std::string(std::istreambuf_iterator<char>(in), {});
    }
  }
  return out;
}

// Every problem with an output is found before the run: exit 2, one message, and not a byte
// written anywhere (the registry file keeps its content and its permissions).
TEST_F(RunnerRunTest, RefusedOutputsWriteNothing) {
  const std::string reg = write("device.reg", kProfile);
  const std::string readOnly = write("readonly.reg", kProfile);
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);
  const std::string mode000 = write("mode000.reg", kProfile);
  fs::permissions(mode000, fs::perms::none);
  // A device like /dev/full, made here so that the real one is never at risk.
  const std::string full = path("full");
  ASSERT_EQ(::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0) << "the tests run as root";
  const std::string fifo = path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  fs::create_directory(path("folder"));
  fs::create_directory(path("blocked.log.tmp"));
  const std::string keys = write("k.txt", "wait 10\n");
  const std::string shotKeys = write("shot.txt", "wait 10\nscreenshot " + full + "\n");

  struct Case {
    std::vector<std::string> args;
    std::string error;
  };
  const std::string device = ": is not a plain file (a device, pipe or socket)\n";
  const std::vector<Case> cases = {
      {{"--registry", reg, "--screenshot", full}, "--screenshot " + full + device},
      // Found only after the run before, when the registry file had been rewritten.
      {{"--registry", reg, "--report", full}, "--report " + full + device},
      {{"--registry", reg, "--log", fifo}, "--log " + fifo + device},
      {{"--registry", reg, "--keys", shotKeys}, shotKeys + ":2: screenshot " + full + device},
      {{"--registry", reg, "--log", path("folder")}, "--log " + path("folder") + ": is a folder\n"},
      {{"--registry", readOnly}, "--registry " + readOnly + ": is read-only\n"},
      {{"--registry", mode000}, "--registry " + mode000 + ": is read-only\n"},
      {{"--registry", reg, "--log", path("blocked.log")},
       "--log " + path("blocked.log") + ": its temporary file " + path("blocked.log.tmp") +
           " is in the way (not a plain file)\n"},
      {{"--registry", reg, "--log", reg},
       "--registry " + reg + " and --log " + reg + " are the same file\n"},
      {{"--keys", keys, "--log", keys, "--registry", reg},
       "--log " + keys + " and --keys " + keys + " are the same file\n"},
      {{"--profile", reg, "--registry", path("./device.reg")},
       "--registry " + path("./device.reg") + " and --profile " + reg + " are the same file\n"},
      {{"--registry", reg, "quit", "0", "--log", path("run.log")},
       "fake: '--log' after the command line word 'quit': options go before the words (put '--' "
       "before words that begin with '--')\n"},
  };
  const auto before = Snapshot(dir_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    std::vector<std::string> args = {"--headless"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    if (args.back() != path("run.log")) args.push_back("quit 0");
    EXPECT_EQ(run(args), kExitUsage);
    EXPECT_EQ(errors_, c.error);
    EXPECT_EQ(Snapshot(dir_), before);
    EXPECT_TRUE(fs::is_character_file(full));
  }
}

// A linked registry file is written through the link into the target's own folder; the link
// stays. Stale temporary files of killed runs are removed and no new one stays behind.
TEST_F(RunnerRunTest, OutputsGoThroughLinksAndLeaveNoTemporaryFiles) {
  fs::create_directory(path("store"));
  const std::string target = write("store/device.reg", kProfile);
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("store/device.reg", path("device.reg"));
  for (const char* stale :
       {"store/device.reg.tmp", "run.log.tmp", "run.json.tmp", "end.png.tmp", "mid.png.tmp"}) {
    write(stale, "left by a killed run");
  }
  const std::string keys = write("k.txt", "screenshot " + path("mid.png") + "\nwait 10\n");
  std::vector<std::string> args = outputs();
  for (const char* a : {"--keys", keys.c_str(), "quit 0"}) args.push_back(a);
  EXPECT_EQ(run(args), 0) << errors_;

  EXPECT_TRUE(fs::is_symlink(path("device.reg")));
  EXPECT_NE(read(target).find("LCDTest"), std::string::npos) << read(target);
  EXPECT_NE(read(target).find("TRV_Country"), std::string::npos) << read(target);
  EXPECT_EQ(fs::status(target).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
    names.push_back(entry.path().lexically_relative(dir_).string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"device.reg", "end.png", "k.txt", "mid.png",
                                             "run.json", "run.log", "store", "store/device.reg"}));
}

TEST_F(RunnerRunTest, EmptyRegistryFileStartsAnEmptyRegistry) {
  write("device.reg", "");
  EXPECT_EQ(run({"--headless", "--registry", path("device.reg"), "quit 0"}), 0) << errors_;
  EXPECT_NE(read(path("device.reg")).find("[HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\LCDTest]"),
            std::string::npos);
}

// Two runs on one registry file take turns: the second waits for the first and starts from what
// the first left, instead of failing on or overwriting its files.
TEST_F(RunnerRunTest, SecondRunWaitsForTheRegistryFile) {
  std::string problem;
  std::unique_ptr<LockedFile> first = LockedFile::Lock(path("device.reg"), 0, &problem);
  ASSERT_TRUE(first) << problem;
  std::thread release([&first] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::string p;
    EXPECT_TRUE(first->replace(kProfile, &p)) << p;
    first.reset();
  });
  const int status = run({"--headless", "--registry", path("device.reg"), "quit 0"});
  release.join();
  EXPECT_EQ(status, 0) << errors_;
  const std::string registry = read(path("device.reg"));
  EXPECT_NE(registry.find("TRV_Country"), std::string::npos) << registry;
  EXPECT_NE(registry.find("LCDTest"), std::string::npos) << registry;
  EXPECT_FALSE(fs::exists(path("device.reg.tmp")));
}

TEST_F(RunnerRunTest, RegistryFileInUseStopsTheRunWritingNothing) {
  const std::string reg = write("device.reg", kProfile);
  std::string problem;
  std::unique_ptr<LockedFile> other = LockedFile::Lock(reg, 0, &problem);
  ASSERT_TRUE(other) << problem;
  RunPlan plan = ParseRunPlan({"--headless", "--registry", reg, "quit 0"}, kFake);
  plan.registryWaitMs = 50;
  const RunOutcome outcome = RunProgram(plan, kFake);
  EXPECT_EQ(outcome.error,
            "fake: registry file in use: " + reg + " (another run kept it for 50 ms)");
  EXPECT_TRUE(outcome.log.empty());
  EXPECT_EQ(read(reg), kProfile);
}

TEST_F(RunnerRunTest, LogGoesToStandardErrorByDefault) {
  EXPECT_EQ(run({"--headless", "quit 3"}), 3);
  EXPECT_EQ(errors_, "[fake] start 100000\r\n");
}

// Sets an environment variable for one scope (nullptr: unset), restoring it afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Without --headless the run is in a window; with no display it ends before anything is
// touched, and says how to run without one.
TEST_F(RunnerRunTest, WithoutHeadlessAndWithoutADisplayNothingRuns) {
  const ScopedEnv display("DISPLAY", nullptr), wayland("WAYLAND_DISPLAY", nullptr),
      driver("SDL_VIDEODRIVER", nullptr);
  EXPECT_EQ(run({"--registry", path("device.reg"), "--log", path("run.log"), "quit 4"}), 2);
  EXPECT_NE(errors_.find("fake: no display"), std::string::npos) << errors_;
  EXPECT_NE(errors_.find("--headless"), std::string::npos) << errors_;
  EXPECT_FALSE(fs::exists(path("run.log")));
  EXPECT_FALSE(fs::exists(path("device.reg")));
}

// A window session (on the window system's dummy driver, in real time) written down with
// --record replays headless to the same log, ticks included, and the same report.
TEST_F(RunnerRunTest, RecordedWindowSessionReplaysHeadlessTheSame) {
  const ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
  const std::string keys = write("k.txt",
                                 "start-tick 7000\n"
                                 "down A scan=30\n"
                                 "wait 30\n"
                                 "press RETURN scan=38 hold=20\n"
                                 "tap 5 6\n");
  ASSERT_EQ(run({"--keys", keys, "--record", path("rec.keys"), "--log", path("window.log"),
                 "--report", path("window.json"), "--until-ms", "40", "hang"}),
            3)
      << errors_;
  const std::string recording = read(path("rec.keys"));
  EXPECT_EQ(recording.substr(0, 16), "start-tick 7000\n") << recording;
  const std::string log = read(path("window.log"));
  EXPECT_NE(log.find("[fake] start 7000\r\n[fake] down 65 scan 30 at 7000\r\n"), std::string::npos)
      << log;
  EXPECT_NE(log.find("[fake] down 13 scan 38"), std::string::npos) << log;

  EXPECT_EQ(run({"--headless", "--keys", path("rec.keys"), "--log", path("replay.log"), "--report",
                 path("replay.json"), "--until-ms", "0", "hang"}),
            3)
      << errors_;
  EXPECT_EQ(read(path("replay.log")), log);
  EXPECT_EQ(read(path("replay.json")), read(path("window.json")));
}

TEST_F(RunnerRunTest, RecordIsForAWindowSession) {
  EXPECT_EQ(run({"--headless", "--record", path("rec.keys"), "quit 0"}), 2);
  EXPECT_NE(errors_.find("--record"), std::string::npos) << errors_;
}

}  // namespace
}  // namespace emu
