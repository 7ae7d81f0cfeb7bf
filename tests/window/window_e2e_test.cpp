// The window end to end, under a virtual X server (Xvfb) driven by xdotool: each program opened
// in its window, keys typed, handset buttons and the screen clicked, the window closed; then
// the recorded session replayed headless must give the same log, report and screenshot.
// Skipped when Xvfb or xdotool is missing (scripts/install-deps.sh installs both).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e_support.h"

namespace {

namespace fs = std::filesystem;
using e2e::ReadFile;
using e2e::ShellQuoted;

int Shell(const std::string& command) {
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
    ::pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

// Polls until ready() holds, for at most `seconds`.
template <typename F>
bool WaitFor(F ready, int seconds = 10) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!ready()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  return true;
}

class WindowE2E : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (Shell("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") != 0) return;
    // The server picks a free display number and writes it to the file; -noreset keeps it
    // serving while one client leaves and the next connects.
    server_ = std::make_unique<e2e::ScratchDir>("window_e2e_x");
    const fs::path number = server_->path() / "display";
    Shell("Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>" +
          ShellQuoted(number.string()) + " >/dev/null 2>&1 & echo $! >" +
          ShellQuoted((server_->path() / "pid").string()));
    if (WaitFor([&] { return !ReadFile(number).empty() && ReadFile(number).back() == '\n'; })) {
      const std::string display = ":" + Output("cat " + ShellQuoted(number.string()));
      // Serving, not only listening.
      if (WaitFor([&] {
            return Shell("DISPLAY=" + display + " xdotool getdisplaygeometry >/dev/null 2>&1") == 0;
          })) {
        display_ = display;
      }
    }
  }
  static void TearDownTestSuite() {
    // Gone before the next suite's server may take the same display number.
    if (server_) {
      const std::string pid = Output("cat " + ShellQuoted((server_->path() / "pid").string()));
      Shell("kill " + pid + " 2>/dev/null");
      WaitFor([&] { return Shell("kill -0 " + pid + " 2>/dev/null") != 0; });
    }
    server_.reset();
  }

  void SetUp() override {
#ifdef VANTOR_SANITIZE
    GTEST_SKIP() << "window tests run in the normal build: the X libraries' own allocations "
                    "are not ours to check";
#endif
    if (display_.empty()) GTEST_SKIP() << "Xvfb or xdotool is missing: no window test";
  }
  void TearDown() override {
    if (!pid_.empty()) Shell("kill -TERM " + pid_ + " 2>/dev/null");
  }

  const fs::path& dir() const { return dir_.path(); }
  std::string X(const std::string& xdotool) {
    return Output("DISPLAY=" + display_ + " xdotool " + xdotool + " 2>/dev/null");
  }

  // Starts the program in its window and waits until it is shown; returns its window id.
  std::string Open(const std::string& program, const std::vector<std::string>& args) {
    std::string command = "cd " + ShellQuoted(dir().string()) + " && (DISPLAY=" + display_ + " " +
                          ShellQuoted(std::string(VANTOR_BIN_DIR) + "/" + program);
    for (const std::string& a : args) command += " " + ShellQuoted(a);
    command += " 2>stderr.txt & echo $! >pid.txt; wait $!; echo $? >status.txt) &";
    Shell(command);
    std::string window;
    EXPECT_TRUE(WaitFor([&] {
      window = X("search --onlyvisible --name " + ShellQuoted("^" + program + "$"));
      return !window.empty();
    })) << ReadFile(dir() / "stderr.txt");
    pid_ = Output("cat " + ShellQuoted((dir() / "pid.txt").string()));
    X("windowfocus --sync " + window);
    return window;
  }
  // Clicks at a point of the window (scale 1: window pixels).
  void Click(const std::string& window, int x, int y) {
    X("mousemove --sync --window " + window + " " + std::to_string(x) + " " + std::to_string(y) +
      " sleep 0.1 click 1");
  }
  // Closing the window ends the run as a stop (SIGTERM reaches the window as a close request).
  void Close() {
    Shell("kill -TERM " + pid_);
    pid_.clear();
  }
  int Status() {
    EXPECT_TRUE(WaitFor([&] { return !ReadFile(dir() / "status.txt").empty(); }));
    return std::stoi("0" + ReadFile(dir() / "status.txt"));
  }

  // The debug output as the program writes it (the window runs without --log).
  std::string Log() { return ReadFile(dir() / "stderr.txt"); }
  std::size_t Count(const std::string& text) {
    const std::string log = Log();
    std::size_t n = 0;
    for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }

  // Replays the recording headless: the same log, report and final screen.
  void ExpectReplayIsTheSame(const std::string& program, int status,
                             const std::vector<std::string>& words) {
    std::vector<std::string> args = {"--headless",  "--keys",       "rec.keys",   "--until-ms",
                                     "0",           "--log",        "replay.log", "--report",
                                     "replay.json", "--screenshot", "replay.png"};
    args.insert(args.end(), words.begin(), words.end());
    const std::string log = Log();
    EXPECT_EQ(e2e::RunProgram(dir(), program, args), status) << Log();
    EXPECT_EQ(ReadFile(dir() / "replay.log"), log);
    EXPECT_EQ(ReadFile(dir() / "replay.json"), ReadFile(dir() / "run.json"));
    EXPECT_EQ(ReadFile(dir() / "replay.png"), ReadFile(dir() / "end.png"));
  }

  static std::vector<std::string> Outputs(std::vector<std::string> words = {}) {
    std::vector<std::string> args = {"--scale",  "1",        "--record",     "rec.keys",
                                     "--report", "run.json", "--screenshot", "end.png"};
    args.insert(args.end(), words.begin(), words.end());
    return args;
  }

  static inline std::unique_ptr<e2e::ScratchDir> server_;
  static inline std::string display_;
  e2e::ScratchDir dir_{"window_e2e"};
  std::string pid_;
};

// Window pixels at scale 1 of a 320x320 screen: the screen's top-left, the "Vol +" button.
constexpr int kScreenX = 72;
constexpr int kScreenY = 36;
constexpr int kVolUpX = 20;
constexpr int kVolUpY = 70;

TEST_F(WindowE2E, VantorKeysButtonResetAndClose) {
  const std::string window = Open("vantor", Outputs({"test"}));
  X("key --delay 40 q w");
  Click(window, kVolUpX, kVolUpY);
  Click(window, kScreenX + 160, kScreenY + 285);  // RESET
  X("key q");
  // After RESET the Q counts as a first press again.
  ASSERT_TRUE(WaitFor([&] { return Count("[Q:1]\r\n") == 2; })) << Log();
  Close();
  EXPECT_EQ(Status(), 3) << Log();

  const std::string log = Log();
  EXPECT_NE(log.find("OnKeyUp char[0x0057:0x00][01][W:1]\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("OnKeyUp char[0x0075:0x00][01][Vol Up:1]\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("[Q:2]"), std::string::npos) << log;
  EXPECT_NE(ReadFile(dir() / "run.json").find("\"stopped\": true"), std::string::npos);
  EXPECT_EQ(ReadFile(dir() / "end.png").substr(0, 4), "\x89PNG");
  EXPECT_EQ(ReadFile(dir() / "rec.keys").substr(0, 18), "start-tick 100000\n");
  ExpectReplayIsTheSame("vantor", 3, {"test"});
}

TEST_F(WindowE2E, Vantor1PassMessageAnsweredWithEnter) {
  const std::string window = Open("vantor1", Outputs());
  // 51 keys from the PC keyboard and Volume Up from the handset's own button: 52 keys.
  X("key --delay 20 q w e r t z u i o p a s d f g h j k l y x c v b n m minus BackSpace "
    "Shift_R Delete equal space period Alt_L Insert End Home Return F7 F1 F2 F9 F3 F4 Up Down "
    "Left Right KP_Enter F5 F8");
  Click(window, kVolUpX, kVolUpY);
  // Enter answers the pass message once it is shown; before, it is a key already counted.
  EXPECT_TRUE(WaitFor([&] {
    X("key Return");
    return WaitFor([&] { return !ReadFile(dir() / "status.txt").empty(); }, 1);
  }));
  EXPECT_EQ(Status(), 0) << Log();
  pid_.clear();

  const std::string report = ReadFile(dir() / "run.json");
  EXPECT_NE(report.find("\"text\": \"You've just passed the test\", \"answer\": \"ok\""),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("\"name\": \"SimpleTest\", \"value\": 2"), std::string::npos) << report;
  ExpectReplayIsTheSame("vantor1", 0, {});
}

}  // namespace
