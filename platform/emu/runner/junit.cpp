// JUnit XML of a run, built with tinyxml2: one testsuite named after the program and the device,
// one testcase per key, one for the harness flags at the end and one for the exit. Laid out to
// the common JUnit schema (testsuite attributes, properties, system-out, system-err), so a CI
// server or a line's results system reads it.

#include <tinyxml2.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "harness/registry_protocol.h"
#include "harness/wide_text.h"
#include "platform/emu/quote.h"
#include "platform/emu/runner/runner.h"

namespace emu {

namespace {

struct Check {
  std::string name;
  std::string failureType;  // empty: passed
  std::string message;
};

std::string Join(const std::vector<std::string>& parts, const char* separator) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : separator) + p;
  return out;
}

Check KeyCheck(const KeyDiagnostics& k, bool runPassed) {
  Check check{KeyTitle(k.key), "", ""};
  std::vector<std::string> problems;
  const bool counted = k.key.count ? *k.key.count != 0 : k.key.pressed.value_or(false);
  // The line test passes with some of its slots unused: an unpressed slot fails only a run
  // that did not pass.
  if (!counted && (k.key.count || !runPassed)) problems.push_back("never pressed");
  if (k.key.count == 2u) problems.push_back("left at count 2");
  if (k.chatter > 0) {
    problems.push_back("chattered " + std::to_string(k.chatter) +
                       (k.chatter == 1 ? " time" : " times"));
  }
  if (!problems.empty()) {
    check.failureType = problems.front();
    check.message = Join(problems, "; ");
  }
  return check;
}

// The last write of one harness flag: its value and its place among all writes.
struct LastWrite {
  std::optional<std::uint32_t> value;
  std::size_t index = 0;
};

LastWrite LastFlagWrite(const DeviceRecord& record, const std::u16string& key,
                        const std::u16string& name) {
  LastWrite last;
  const std::u16string path = u"HKEY_LOCAL_MACHINE\\" + key;
  for (std::size_t i = 0; i < record.registryWrites.size(); ++i) {
    const RegistryWrite& w = record.registryWrites[i];
    if (!SameRegistryText(w.key, path) || !SameRegistryText(w.name, name)) continue;
    const auto* dword = std::get_if<std::uint32_t>(&w.value);
    last.value = dword ? std::optional<std::uint32_t>(*dword) : std::nullopt;
    last.index = i;
  }
  return last;
}

// Both flags back to their finished values at the end, SimpleTest 2 before LCDTest 0.
Check FlagsCheck(const DeviceRecord& record) {
  Check check{"harness flags", "", ""};
  const LastWrite simple = LastFlagWrite(record, harness::kPlenwickKey, harness::kSimpleTestValue);
  const LastWrite lcd = LastFlagWrite(record, harness::kLcdTestKey, harness::kLcdTestValue);
  std::vector<std::string> problems;
  const auto describe = [](const char* flag, const LastWrite& w, std::uint32_t finished) {
    if (!w.value) return std::string(flag) + " never set";
    if (*w.value == finished) return std::string();
    return std::string(flag) + " left at " + std::to_string(*w.value) + ", not " +
           std::to_string(finished);
  };
  for (const std::string& p : {describe("SimpleTest", simple, 2), describe("LCDTest", lcd, 0)}) {
    if (!p.empty()) problems.push_back(p);
  }
  if (problems.empty() && lcd.index < simple.index) {
    problems.push_back("LCDTest back to 0 before SimpleTest 2");
  }
  if (!problems.empty()) {
    check.failureType = "harness flags";
    check.message = Join(problems, "; ");
  }
  return check;
}

Check ExitCheck(const RunOutcome& outcome) {
  Check check{"exit", "", ""};
  if (outcome.stopped) {
    check.failureType = "stopped";
    check.message = "still running, stopped at --until-ms";
  } else if (outcome.result.exitCode.value_or(0) != 0) {
    check.failureType = "exit code";
    check.message = "exit code " + std::to_string(*outcome.result.exitCode);
  }
  return check;
}

std::string Timestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  return text;
}

std::string Hostname() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
}

}  // namespace

std::string JunitXml(const RunPlan& plan, const RunOutcome& outcome) {
  std::vector<Check> checks;
  if (!plan.script.expectations.empty()) {
    // A scenario says itself what the run must do (a run abandoned on purpose leaves keys
    // unpressed): its expect lines are the test cases.
    for (const ExpectationResult& r : CheckEachExpectation(plan.script, outcome)) {
      checks.push_back(
          {"line " + std::to_string(r.expectation->line) + ": " + r.expectation->source,
           r.problem.empty() ? "" : "expectation", r.problem});
    }
  } else {
    if (outcome.diagnostics) {
      for (const KeyDiagnostics& k : outcome.diagnostics->keys) {
        checks.push_back(KeyCheck(k, outcome.diagnostics->passed));
      }
    }
    checks.push_back(FlagsCheck(outcome.record));
    checks.push_back(ExitCheck(outcome));
  }

  const std::string suiteName = outcome.program + " " + DeviceName(plan);
  int failures = 0;
  for (const Check& c : checks) failures += c.failureType.empty() ? 0 : 1;
  // Virtual time: what the run took on the handset.
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f",
                static_cast<std::uint32_t>(outcome.result.endTick - plan.startTick) / 1000.0);

  tinyxml2::XMLDocument doc;
  doc.InsertEndChild(doc.NewDeclaration());
  tinyxml2::XMLElement* suite = doc.NewElement("testsuite");
  doc.InsertEndChild(suite);
  suite->SetAttribute("name", suiteName.c_str());
  suite->SetAttribute("timestamp", Timestamp().c_str());
  suite->SetAttribute("hostname", Hostname().c_str());
  suite->SetAttribute("tests", static_cast<int>(checks.size()));
  suite->SetAttribute("failures", failures);
  suite->SetAttribute("errors", 0);
  suite->SetAttribute("time", seconds);

  tinyxml2::XMLElement* properties = suite->InsertNewChildElement("properties");
  const auto property = [&](const char* name, const std::string& value) {
    tinyxml2::XMLElement* p = properties->InsertNewChildElement("property");
    p->SetAttribute("name", name);
    p->SetAttribute("value", value.c_str());
  };
  property("program", outcome.program);
  property("device", DeviceName(plan));
  property("chatter_ms", std::to_string(plan.chatterMs));
  if (!plan.script.file.empty()) property("key_script", plan.script.file);
  if (outcome.diagnostics) {
    property("passed", outcome.diagnostics->passed ? "true" : "false");
    if (outcome.diagnostics->timeToPassMs) {
      property("time_to_pass_ms", std::to_string(*outcome.diagnostics->timeToPassMs));
    }
  }

  for (const Check& c : checks) {
    tinyxml2::XMLElement* testcase = suite->InsertNewChildElement("testcase");
    testcase->SetAttribute("name", c.name.c_str());
    testcase->SetAttribute("classname", suiteName.c_str());
    testcase->SetAttribute("time", 0);
    if (!c.failureType.empty()) {
      tinyxml2::XMLElement* failure = testcase->InsertNewChildElement("failure");
      failure->SetAttribute("message", c.message.c_str());
      failure->SetAttribute("type", c.failureType.c_str());
      failure->SetText(c.message.c_str());
    }
  }
  suite->InsertNewChildElement("system-out");
  suite->InsertNewChildElement("system-err");

  tinyxml2::XMLPrinter printer;
  doc.Print(&printer);
  return printer.CStr();
}

}  // namespace emu
