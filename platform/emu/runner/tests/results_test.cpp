// What a run tells a production line: the per-key diagnostics (key table joined with the
// device's key events), their report fields, the JUnit file and the key script's expectations.

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <map>
#include <string>
#include <vector>

#include "platform/emu/runner/runner.h"
#include "platform/emu/runner/tests/script_errors.h"

namespace emu {
namespace {

// Three keys A, B, C found by their codes; counts as the program left them.
ProgramInspection ThreeKeys(std::vector<std::uint32_t> counts, bool passed = false,
                            std::optional<std::uint32_t> passTick = std::nullopt) {
  ProgramInspection inspection;
  for (std::size_t i = 0; i < counts.size(); ++i) {
    const std::string name(1, static_cast<char>('A' + i));
    InspectedKey key;
    key.name = name;
    key.label = name;
    key.code = static_cast<std::uint32_t>('A' + i);
    key.rect = {static_cast<std::int32_t>(10 * i), 0, static_cast<std::int32_t>(10 * i + 8), 8};
    key.count = counts[i];
    inspection.keys.push_back(key);
  }
  inspection.passed = passed;
  inspection.passTick = passTick;
  // Z reaches A and C at once, as one code marks several slots in the line test.
  inspection.keysFor = [n = counts.size()](const KeyEventRecord& e) -> std::vector<int> {
    if (e.vk == 'Z' && n == 3) return {0, 2};
    if (e.vk >= 'A' && e.vk < 'A' + n) return {static_cast<int>(e.vk - 'A')};
    return {};
  };
  return inspection;
}

KeyEventRecord Down(std::uint32_t tick, char key) { return {tick, std::uint32_t(key), 0, true}; }
KeyEventRecord Up(std::uint32_t tick, char key) { return {tick, std::uint32_t(key), 0, false}; }

TEST(DiagnosticsTest, KeyEventsJoinedWithTheKeyTable) {
  struct Expected {
    int presses;
    int chatter;
    bool held;
    std::optional<std::uint32_t> first, last;
  };
  struct Case {
    const char* name;
    ProgramInspection inspection;
    std::vector<KeyEventRecord> events;
    std::vector<Expected> keys;
    std::vector<std::string> missing;
    std::vector<std::string> doublePressed;
    std::optional<std::uint32_t> timeToPass;
  };
  const std::vector<Case> cases = {
      {"a release 100 ms after the last one chatters, 250 ms after does not",
       ThreeKeys({1, 1, 1}),
       {Down(1000, 'A'), Up(1050, 'A'), Down(1100, 'A'), Up(1150, 'A'), Down(1300, 'A'),
        Up(1400, 'A')},
       {{3, 1, false, 1000, 1400}, {0, 0, false, {}, {}}, {0, 0, false, {}, {}}},
       {},
       {},
       {}},
      {"chatter measured across the tick's wrap-around",
       ThreeKeys({1, 1, 1}),
       {Up(0xFFFFFFF0u, 'B'), Up(0x10, 'B')},
       {{0, 0, false, {}, {}}, {0, 1, false, 0xFFFFFFF0u, 0x10}, {0, 0, false, {}, {}}},
       {},
       {},
       {}},
      {"a key down at the end is held; auto-repeats are not presses",
       ThreeKeys({0, 1, 0}),
       {Down(1000, 'B'), Up(1050, 'B'), Down(1100, 'C'), Down(1200, 'C'), Down(1300, 'C')},
       {{0, 0, false, {}, {}}, {1, 0, false, 1000, 1050}, {1, 0, true, 1100, 1300}},
       {"A", "C"},
       {},
       {}},
      {"count 0 is missing, count 2 double pressed; unknown codes are ignored",
       ThreeKeys({2, 0, 1}),
       {Down(900, 'Y'), Up(950, 'Y')},
       {{0, 0, false, {}, {}}, {0, 0, false, {}, {}}, {0, 0, false, {}, {}}},
       {"B"},
       {"A"},
       {}},
      {"time to pass runs from the first key event of any key",
       ThreeKeys({1, 1, 1}, true, 1500),
       {Down(1000, 'Y'), Up(1100, 'A')},
       {{0, 0, false, 1100, 1100}, {0, 0, false, {}, {}}, {0, 0, false, {}, {}}},
       {},
       {},
       500},
      {"one event reaching two keys counts for both",
       ThreeKeys({1, 0, 1}),
       {Down(1000, 'Z'), Up(1050, 'Z'), Down(1100, 'A'), Up(1150, 'A')},
       {{2, 1, false, 1000, 1150}, {0, 0, false, {}, {}}, {1, 0, false, 1000, 1050}},
       {"B"},
       {},
       {}},
      {"a pass without key events has no time to pass",
       ThreeKeys({1, 1, 1}, true, 1500),
       {},
       {{0, 0, false, {}, {}}, {0, 0, false, {}, {}}, {0, 0, false, {}, {}}},
       {},
       {},
       {}},
      {"no time to pass without a pass",
       ThreeKeys({1, 1, 0}, false, 1500),
       {Up(1100, 'A')},
       {{0, 0, false, 1100, 1100}, {0, 0, false, {}, {}}, {0, 0, false, {}, {}}},
       {"C"},
       {},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RunDiagnostics d = Diagnose(c.inspection, c.events, 130);
    ASSERT_EQ(d.keys.size(), c.keys.size());
    for (std::size_t i = 0; i < c.keys.size(); ++i) {
      SCOPED_TRACE(d.keys[i].key.name);
      EXPECT_EQ(d.keys[i].presses, c.keys[i].presses);
      EXPECT_EQ(d.keys[i].chatter, c.keys[i].chatter);
      EXPECT_EQ(d.keys[i].held, c.keys[i].held);
      EXPECT_EQ(d.keys[i].firstTick, c.keys[i].first);
      EXPECT_EQ(d.keys[i].lastTick, c.keys[i].last);
    }
    EXPECT_EQ(d.missing, c.missing);
    EXPECT_EQ(d.doublePressed, c.doublePressed);
    EXPECT_EQ(d.passed, c.inspection.passed);
    EXPECT_EQ(d.timeToPassMs, c.timeToPass);
  }
}

TEST(DiagnosticsTest, TheChatterWindowIsTheOption) {
  const std::vector<KeyEventRecord> events{Up(1000, 'A'), Up(1100, 'A')};
  EXPECT_EQ(Diagnose(ThreeKeys({1}), events, 101).keys[0].chatter, 1);
  EXPECT_EQ(Diagnose(ThreeKeys({1}), events, 100).keys[0].chatter, 0);
}

// A finished run of three keys: A chattered and is at count 2, B was never pressed.
RunOutcome ThreeKeyRun() {
  RunOutcome outcome;
  outcome.program = "vantor";
  outcome.result = {true, 0, 101000};
  outcome.record.keyEvents = {Down(100000, 'A'), Up(100050, 'A'),   Down(100060, 'A'),
                              Up(100100, 'A'),   Down(100200, 'C'), Up(100250, 'C')};
  outcome.record.registryWrites = {
      {100000, u"HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\LCDTest", u"Vantor", 1u},
      {100900, u"HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\Plenwick", u"SimpleTest", 2u},
      {100900, u"HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\LCDTest", u"Vantor", 0u}};
  outcome.diagnostics = Diagnose(ThreeKeys({2, 0, 1}), outcome.record.keyEvents, 130);
  outcome.registryText =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\LCDTest]\r\n\"Vantor\"=dword:00000000\r\n";
  outcome.log = "[100100][Vantor]OnKeyUp char[0x0041:0x00][01][A:2]\r\n";
  return outcome;
}

TEST(RunnerReportTest, DiagnosticsFields) {
  const std::string json = ReportJson(ThreeKeyRun());
  for (const char* line : {
           "  \"keys\": [\n"
           "    {\"label\": \"A\", \"code\": 65, \"rect\": [0, 0, 8, 8], \"count\": 2, "
           "\"presses\": 2, \"first_tick\": 100000, \"last_tick\": 100100, \"chatter\": 1, "
           "\"held\": false},\n",
           "    {\"label\": \"B\", \"code\": 66, \"rect\": [10, 0, 18, 8], \"count\": 0, "
           "\"presses\": 0, \"first_tick\": null, \"last_tick\": null, \"chatter\": 0, "
           "\"held\": false},\n",
           "  \"missing\": [\"B\"],\n",
           "  \"double_pressed\": [\"A\"],\n",
           "  \"passed\": false,\n",
           "  \"time_to_pass_ms\": null,\n",
           "    {\"tick\": 100000, \"code\": 65, \"scan\": 0, \"down\": true, \"consumed\": "
           "false},\n",
       }) {
    EXPECT_NE(json.find(line), std::string::npos) << line << "\n" << json;
  }
}

// The JUnit file parsed back: suite, test cases and their failures.
struct ParsedSuite {
  std::string name;
  int tests = -1;
  int failures = -1;
  std::map<std::string, std::string> failed;  // test case -> failure message
  std::vector<std::string> cases;
};

ParsedSuite ParseJunit(const std::string& xml) {
  ParsedSuite s;
  tinyxml2::XMLDocument doc;
  EXPECT_EQ(doc.Parse(xml.c_str()), tinyxml2::XML_SUCCESS) << xml;
  const tinyxml2::XMLElement* suite = doc.RootElement();
  if (suite == nullptr || std::string(suite->Name()) != "testsuite") {
    ADD_FAILURE() << xml;
    return s;
  }
  s.name = suite->Attribute("name");
  s.tests = suite->IntAttribute("tests", -1);
  s.failures = suite->IntAttribute("failures", -1);
  for (const char* required : {"timestamp", "hostname", "errors", "time"}) {
    EXPECT_NE(suite->Attribute(required), nullptr) << required;
  }
  EXPECT_NE(suite->FirstChildElement("properties"), nullptr);
  EXPECT_NE(suite->FirstChildElement("system-out"), nullptr);
  EXPECT_NE(suite->FirstChildElement("system-err"), nullptr);
  for (const tinyxml2::XMLElement* c = suite->FirstChildElement("testcase"); c;
       c = c->NextSiblingElement("testcase")) {
    s.cases.push_back(c->Attribute("name"));
    EXPECT_STREQ(c->Attribute("classname"), s.name.c_str());
    if (const tinyxml2::XMLElement* f = c->FirstChildElement("failure")) {
      EXPECT_NE(f->Attribute("type"), nullptr);
      s.failed[c->Attribute("name")] = f->Attribute("message");
    }
  }
  return s;
}

TEST(JunitTest, ACaseForEveryKeyTheFlagsAndTheExit) {
  RunPlan plan;
  plan.screenWidth = 240;
  plan.screenHeight = 400;
  plan.profileFile = "profiles/german.reg";
  plan.faults.noSound = true;
  const ParsedSuite s = ParseJunit(JunitXml(plan, ThreeKeyRun()));
  EXPECT_EQ(s.name, "vantor 240x400 german no-sound");
  EXPECT_EQ(s.cases, (std::vector<std::string>{"A (0x41)", "B (0x42)", "C (0x43)", "harness flags",
                                               "exit"}));
  EXPECT_EQ(s.tests, 5);
  EXPECT_EQ(s.failures, 2);
  const std::map<std::string, std::string> failed{{"A (0x41)", "left at count 2; chattered 1 time"},
                                                  {"B (0x42)", "never pressed"}};
  EXPECT_EQ(s.failed, failed);
}

TEST(JunitTest, HarnessFlagsAndExit) {
  const std::u16string lcd = u"HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\LCDTest";
  const std::u16string plw = u"HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\Plenwick";
  struct Case {
    const char* name;
    std::vector<RegistryWrite> writes;
    bool stopped;
    std::optional<int> exitCode;
    std::map<std::string, std::string> failed;
  };
  const std::vector<Case> cases = {
      {"finished in order", {{0, plw, u"SimpleTest", 2u}, {0, lcd, u"Vantor", 0u}}, false, 0, {}},
      {"LCDTest first",
       {{0, lcd, u"Vantor", 0u}, {0, plw, u"SimpleTest", 2u}},
       false,
       0,
       {{"harness flags", "LCDTest back to 0 before SimpleTest 2"}}},
      {"never finished, stopped",
       {{0, lcd, u"Vantor", 1u}, {0, plw, u"SimpleTest", 1u}},
       true,
       std::nullopt,
       {{"harness flags", "SimpleTest left at 1, not 2; LCDTest left at 1, not 0"},
        {"exit", "still running, stopped at --until-ms"}}},
      {"no writes at all, exit code 4",
       {},
       false,
       4,
       {{"harness flags", "SimpleTest never set; LCDTest never set"}, {"exit", "exit code 4"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunOutcome outcome;
    outcome.program = "vantor1";
    outcome.record.registryWrites = c.writes;
    outcome.stopped = c.stopped;
    outcome.result.exitCode = c.exitCode;
    const ParsedSuite s = ParseJunit(JunitXml(RunPlan{}, outcome));
    EXPECT_EQ(s.name, "vantor1 320x320");
    EXPECT_EQ(s.failed, c.failed);
    EXPECT_EQ(s.failures, static_cast<int>(c.failed.size()));
  }
}

TEST(JunitTest, UnpressedSlotsFailOnlyARunThatDidNotPass) {
  for (const bool passed : {true, false}) {
    ProgramInspection slots;
    for (int i = 0; i < 2; ++i) {
      InspectedKey key;
      key.name = std::to_string(i);
      key.slot = i;
      key.code = 0x41 + i;
      key.pressed = i == 0;
      slots.keys.push_back(key);
    }
    slots.passed = passed;
    RunOutcome outcome;
    outcome.program = "vantor1";
    outcome.diagnostics = Diagnose(slots, {}, 130);
    const ParsedSuite s = ParseJunit(JunitXml(RunPlan{}, outcome));
    EXPECT_EQ(s.failed.count("slot 1 (0x42)"), passed ? 0u : 1u);
    EXPECT_EQ(s.failed.count("slot 0 (0x41)"), 0u);
  }
}

TEST(JunitTest, AScenariosExpectLinesAreItsTestCases) {
  RunPlan plan;
  plan.script = ParseKeyScript("wait 5\nexpect exit 0\nexpect passed   # the verdict\n", "s.keys");
  const ParsedSuite s = ParseJunit(JunitXml(plan, ThreeKeyRun()));
  EXPECT_EQ(s.cases, (std::vector<std::string>{"line 2: expect exit 0", "line 3: expect passed"}));
  const std::map<std::string, std::string> failed{
      {"line 3: expect passed", "s.keys:3: expect passed: not passed, missing B"}};
  EXPECT_EQ(s.failed, failed);
}

std::vector<std::string> Check(const std::string& script, const RunOutcome& outcome) {
  return CheckExpectations(ParseKeyScript(script, "s.keys"), outcome);
}

TEST(ExpectationsTest, HoldingAndFailing) {
  const RunOutcome run = ThreeKeyRun();
  struct Case {
    std::string script;
    std::vector<std::string> failures;
  };
  const std::vector<Case> cases = {
      {"expect exit 0\nexpect not-passed\nexpect missing B\n"
       "expect flag LCDTest Vantor 0\nexpect flag hklm\\System\\State\\Corvane\\lcdtest VANTOR 0\n"
       "expect log [A:2]\n"
       "expect writes\n  LCDTest Vantor 1\n  # the end\n  Plenwick SimpleTest 2\n"
       "\tLCDTest Vantor 0\nwait 10\n",
       {}},
      {"wait 1\nexpect exit 3\nexpect stopped\nexpect passed",
       {"s.keys:2: expect exit 3: exit 0", "s.keys:3: expect stopped: exit 0",
        "s.keys:4: expect passed: not passed, missing B"}},
      {"expect missing \"Vol Up\" B", {"s.keys:1: expect missing Vol Up, B: missing B"}},
      {"expect missing", {"s.keys:1: expect missing none: missing B"}},
      {"expect flag LCDTest Vantor 1\nexpect flag Phone X \"on\"",
       {"s.keys:1: expect flag LCDTest Vantor 1: it is 0",
        "s.keys:2: expect flag Phone X \"on\": no such value at the end"}},
      {"expect writes\n  LCDTest Vantor 1\n  Plenwick SimpleTest 1\n",
       {"s.keys:3: expect writes: write 2: expected Plenwick SimpleTest 1, got Plenwick "
        "SimpleTest 2"}},
      {"expect writes\n  LCDTest Vantor 1\n",
       {"s.keys:1: expect writes: write 2: Plenwick SimpleTest 2 is not expected"}},
      {"expect log Pass!!\nexpect message-box passed\x07",
       {"s.keys:1: expect log Pass!!: no debug output line contains it",
        "s.keys:2: expect message-box passed\\x07: no message box was shown"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    EXPECT_EQ(Check(c.script, run), c.failures);
  }

  RunOutcome box;
  box.record.messageBoxes = {{1, u"Vantor", u"You've just passed the test", 1}};
  EXPECT_EQ(Check("expect message-box just passed", box), std::vector<std::string>{});
  EXPECT_EQ(
      Check("expect passed", box),
      std::vector<std::string>{"s.keys:1: expect passed: the program has no key table to inspect"});
}

TEST(ExpectationsTest, BadLines) {
  struct Case {
    const char* text;
    const char* error;
  };
  const std::vector<Case> cases = {
      {"expect", "keys.txt:1: expect needs what to expect (see --help)"},
      {"expect exit", "keys.txt:1: expected 'expect exit N'"},
      {"expect exit 256", "keys.txt:1: bad exit status '256' (0..255)"},
      {"expect passed now", "keys.txt:1: expected 'expect passed'"},
      {"expect flag LCDTest Vantor", "keys.txt:1: expected 'expect flag KEY NAME VALUE'"},
      {"expect writes\n  LCDTest 1", "keys.txt:2: expected 'KEY NAME VALUE (an expected write)'"},
      {"expect missing \"Vol Up", "keys.txt:1: a quote is not closed"},
      {"expect log   ", "keys.txt:1: expect log needs a text"},
      {"expect colour red", "keys.txt:1: unknown expectation 'colour'"},
      {"expect \x1b[2J", "keys.txt:1: unknown expectation '\\x1B[2J'"},
      // An indented line with no "expect writes" above it is an action as before.
      {"wait 1\n  prss Q", "keys.txt:2: unknown action 'prss'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(KeyScriptError(c.text), c.error);
  }
}

}  // namespace
}  // namespace emu
