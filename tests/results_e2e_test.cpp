// The results of real runs: each program's inspector read after the run and joined with the
// device's key events in the report, and scenario files run by scripts/run-scenarios.sh.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/e2e_support.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct RunResult {
  int status = -1;
  json report;
  std::string errors;
};

RunResult RunWith(const std::string& program, const std::string& script,
                  std::vector<std::string> options) {
  e2e::ScratchDir dir("results_e2e");
  std::ofstream(dir.path() / "keys.txt") << script;
  std::vector<std::string> args = {"--headless",  "--keys", "keys.txt", "--report",
                                   "report.json", "--log",  "run.log"};
  args.insert(args.end(), options.begin(), options.end());
  RunResult r;
  r.status = e2e::RunProgram(dir.path(), program, args);
  r.errors = e2e::ReadFile(dir.path() / "stderr.txt");
  r.report = json::parse(e2e::ReadFile(dir.path() / "report.json"), nullptr, false);
  return r;
}

const json* KeyNamed(const json& report, const std::string& label) {
  for (const json& k : report["keys"]) {
    if (k.value("label", "") == label) return &k;
  }
  return nullptr;
}

TEST(ResultsE2E, VantorKeyTableJoinedWithTheKeyEvents) {
  // Q bounces (second release 80 ms after the first: the program ignores it, the diagnostics
  // count chatter), E ends at count 2, W is still held when the run is stopped.
  const RunResult r = RunWith("vantor",
                              "wait 200\npress Q\nwait 30\npress Q\nwait 300\npress E\nwait 300\n"
                              "press E\nwait 300\ndown W\n",
                              {"--until-ms", "500", "test"});
  ASSERT_EQ(r.status, 3) << r.errors;
  ASSERT_TRUE(r.report.is_object());
  ASSERT_EQ(r.report["keys"].size(), 52u);
  const json* q = KeyNamed(r.report, "Q");
  const json* e = KeyNamed(r.report, "E");
  const json* w = KeyNamed(r.report, "W");
  ASSERT_TRUE(q && e && w);
  EXPECT_EQ(*q, json::parse(R"({"label": "Q", "code": 81, "rect": [10, 150, 38, 175],
      "count": 1, "presses": 2, "first_tick": 100200, "last_tick": 100330, "chatter": 1,
      "held": false})"));
  EXPECT_EQ((*e)["count"], 2);
  EXPECT_EQ((*e)["chatter"], 0);
  EXPECT_EQ((*w)["held"], true);
  EXPECT_EQ((*w)["count"], 0);
  EXPECT_EQ(r.report["double_pressed"], json::array({"E"}));
  EXPECT_EQ(r.report["missing"].size(), 50u);
  // Keys drawn without text go by their key script names.
  EXPECT_EQ(r.report["missing"][10], "UP");
  EXPECT_EQ(r.report["passed"], false);
  EXPECT_TRUE(r.report["time_to_pass_ms"].is_null());
  EXPECT_EQ(r.report["key_events"].size(), 9u);
}

TEST(ResultsE2E, TimeToPassRunsFromTheFirstKeyEventToThePass) {
  std::string script = "wait 300\n";
  for (const char* k : {"117", "118", "129", "59", "114", "115", "91"}) {
    script += std::string("press ") + k + "\nwait 100\n";
  }
  const RunResult vantor =
      RunWith("vantor", script + "wait 1000\n", {"--screen", "240x400", "test"});
  ASSERT_EQ(vantor.status, 0) << vantor.errors;
  EXPECT_EQ(vantor.report["passed"], true);
  EXPECT_EQ(vantor.report["missing"], json::array());
  // Seven presses 150 ms apart, the last release 50 ms after its press.
  EXPECT_EQ(vantor.report["time_to_pass_ms"], 6 * 150 + 50);

  // Vantor1: the pass is the moment the pass message comes up.
  const std::string keys =
      e2e::ReadFile(fs::path(VANTOR_SOURCE_DIR) / "scenarios/vantor1-pass.keys");
  const RunResult line = RunWith("vantor1", keys, {});
  ASSERT_EQ(line.status, 0) << line.errors;
  EXPECT_EQ(line.report["passed"], true);
  const std::uint32_t firstKey = line.report["key_events"][0]["tick"];
  const std::uint32_t boxShown = line.report["message_boxes"][0]["tick"];
  EXPECT_EQ(line.report["time_to_pass_ms"], boxShown - firstKey);
}

TEST(ResultsE2E, Vantor1SlotsAsTheRunLeftThemAlsoWhenStopped) {
  // The dialog holding the slots is destroyed as the stopped run unwinds: its state is kept.
  const RunResult r = RunWith("vantor1", "wait 100\npress A\npress 59\npress RETURN scan=38\n",
                              {"--until-ms", "200"});
  ASSERT_EQ(r.status, 3) << r.errors;
  ASSERT_EQ(r.report["keys"].size(), 59u);
  std::vector<int> pressed;
  for (const json& k : r.report["keys"]) {
    if (k["pressed"] == true) pressed.push_back(k["slot"]);
  }
  // A (slot 10) by the dialog; CAM (57, code 117 on the picture, 59 to the hook) and the
  // keyboard's Enter (40) by the hook.
  EXPECT_EQ(pressed, (std::vector<int>{10, 40, 57}));
  EXPECT_EQ(r.report["keys"][57], json::parse(R"({"slot": 57, "code": 117,
      "rect": [13, 4, 68, 28], "pressed": true, "presses": 1, "first_tick": 100150,
      "last_tick": 100200, "chatter": 0, "held": false})"));
  EXPECT_EQ(r.report["missing"].size(), 56u);
  EXPECT_EQ(r.report["passed"], false);
}

TEST(ResultsE2E, RunScenariosPassesAndFails) {
  e2e::ScratchDir dir("scenarios_e2e");
  std::ofstream(dir.path() / "good.keys") << "# program: vantor\n# options: --cmdline test\n"
                                             "wait 100\ndown CONTROL\npress Q\nup CONTROL\n"
                                             "expect exit 0\nexpect not-passed\n";
  std::ofstream(dir.path() / "bad.keys") << "# program: vantor1\nwait 100\nactivate-other\n"
                                            "expect passed\n";
  const std::string command =
      e2e::ShellQuoted(std::string(VANTOR_SOURCE_DIR) + "/scripts/run-scenarios.sh") + " --bin " +
      e2e::ShellQuoted(VANTOR_BIN_DIR) + " --junit " +
      e2e::ShellQuoted((dir.path() / "all.xml").string()) + " " +
      e2e::ShellQuoted(dir.path().string()) + " > " +
      e2e::ShellQuoted((dir.path() / "out.txt").string());
  const int raw = std::system(command.c_str());
  EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1);
  const std::string out = e2e::ReadFile(dir.path() / "out.txt");
  const std::string d = dir.path().string();
  EXPECT_EQ(out,
            "FAIL  " + d + "/bad.keys: exit 1: bad.keys:4: expect passed: not passed, " +
                "missing 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, " +
                "19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, " +
                "38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, " +
                "57, 58\n" + "PASS  " + d + "/good.keys\n" + "1 passed, 1 failed\n");
  const std::string xml = e2e::ReadFile(dir.path() / "all.xml");
  EXPECT_NE(xml.find("<testsuite package=\"" + d + "/bad.keys\" id=\"0\" name=\"vantor1 320x320\""),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("<failure message=\"bad.keys:4: expect passed"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<testsuite package=\"" + d + "/good.keys\" id=\"1\" name=\"vantor 320x320\""),
            std::string::npos)
      << xml;
}

}  // namespace
