// The key script's expect lines, checked against a finished run.

#include <algorithm>
#include <set>

#include "harness/wide_text.h"
#include "platform/emu/quote.h"
#include "platform/emu/runner/runner.h"

namespace emu {

namespace {

// Room for a whole key table's names in one message.
constexpr std::size_t kLongMessage = 2000;

std::string ValueText(const std::optional<std::uint32_t>& dword, const std::u16string& string) {
  return dword ? std::to_string(*dword) : "\"" + harness::Utf16ToUtf8(string) + "\"";
}

std::string ValueText(const RegistryValue& value) {
  const auto* dword = std::get_if<std::uint32_t>(&value);
  return dword ? ValueText(*dword, u"") : ValueText(std::nullopt, std::get<std::u16string>(value));
}

bool SameValue(const ExpectedValue& expected, const RegistryValue& value) {
  const auto* dword = std::get_if<std::uint32_t>(&value);
  if (expected.dword) return dword && *dword == *expected.dword;
  return !dword && std::get<std::u16string>(value) == expected.string;
}

// A key as the script writes it: the harness flag's own key name when it is one.
std::string KeyText(const std::u16string& key) {
  constexpr std::u16string_view kFlags = u"HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\";
  if (key.size() > kFlags.size() && SameRegistryText(key.substr(0, kFlags.size()), kFlags) &&
      key.find(u'\\', kFlags.size()) == std::u16string::npos) {
    return harness::Utf16ToUtf8(key.substr(kFlags.size()));
  }
  return harness::Utf16ToUtf8(key);
}

std::string WriteText(const RegistryWrite& w) {
  return KeyText(w.key) + " " + harness::Utf16ToUtf8(w.name) + " " + ValueText(w.value);
}

std::string WriteText(const ExpectedValue& v) {
  return KeyText(v.key) + " " + harness::Utf16ToUtf8(v.name) + " " + ValueText(v.dword, v.string);
}

std::string Names(const std::vector<std::string>& names) {
  if (names.empty()) return "none";
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
  return out;
}

std::string HowItEnded(const RunOutcome& outcome) {
  return outcome.stopped ? "stopped at --until-ms"
                         : "exit " + std::to_string(outcome.result.exitCode.value_or(0));
}

// Why the expectation does not hold; empty when it does.
std::string Problem(const Expectation& e, const RunOutcome& outcome,
                    const std::optional<Registry>& finalRegistry, std::string& where) {
  const std::optional<RunDiagnostics>& d = outcome.diagnostics;
  switch (e.kind) {
    case ExpectKind::Exit:
      if (!outcome.stopped && outcome.result.exitCode.value_or(0) == e.exitCode) return "";
      return "expect exit " + std::to_string(e.exitCode) + ": " + HowItEnded(outcome);
    case ExpectKind::Stopped:
      return outcome.stopped ? "" : "expect stopped: " + HowItEnded(outcome);
    case ExpectKind::Passed:
    case ExpectKind::NotPassed: {
      const bool want = e.kind == ExpectKind::Passed;
      const char* what = want ? "expect passed: " : "expect not-passed: ";
      if (!d) return std::string(what) + "the program has no key table to inspect";
      if (d->passed == want) return "";
      return std::string(what) +
             (d->passed ? "passed" : "not passed, missing " + Names(d->missing));
    }
    case ExpectKind::Missing: {
      if (!d) return "expect missing: the program has no key table to inspect";
      const std::set<std::string> want(e.names.begin(), e.names.end());
      const std::set<std::string> got(d->missing.begin(), d->missing.end());
      if (want == got) return "";
      return "expect missing " + Names(e.names) + ": missing " + Names(d->missing);
    }
    case ExpectKind::Flag: {
      const std::string what = "expect flag " + WriteText(e.flag) + ": ";
      if (!finalRegistry) return what + "the registry at the end could not be read";
      const std::optional<RegistryValue> value = finalRegistry->get(e.flag.key, e.flag.name);
      if (!value) return what + "no such value at the end";
      if (SameValue(e.flag, *value)) return "";
      return what + "it is " + ValueText(*value);
    }
    case ExpectKind::Writes: {
      const std::vector<RegistryWrite>& got = outcome.record.registryWrites;
      for (std::size_t i = 0; i < std::max(got.size(), e.writes.size()); ++i) {
        const bool have = i < got.size();
        const bool want = i < e.writes.size();
        if (have && want && SameRegistryText(got[i].key, e.writes[i].key) &&
            SameRegistryText(got[i].name, e.writes[i].name) &&
            SameValue(e.writes[i], got[i].value)) {
          continue;
        }
        const std::string n = "write " + std::to_string(i + 1) + ": ";
        if (want) where = std::to_string(e.writes[i].line);
        if (!have) return "expect writes: " + n + "expected " + WriteText(e.writes[i]) + ", none";
        if (!want) return "expect writes: " + n + WriteText(got[i]) + " is not expected";
        return "expect writes: " + n + "expected " + WriteText(e.writes[i]) + ", got " +
               WriteText(got[i]);
      }
      return "";
    }
    case ExpectKind::Log: {
      if (outcome.log.find(e.text) != std::string::npos) return "";
      return "expect log " + QuoteForMessage(e.text) + ": no debug output line contains it";
    }
    case ExpectKind::MessageBox: {
      const std::u16string text = harness::Utf8ToUtf16(e.text);
      for (const MessageBoxRecord& box : outcome.record.messageBoxes) {
        if (box.text.find(text) != std::u16string::npos) return "";
      }
      return "expect message-box " + QuoteForMessage(e.text) + ": " +
             (outcome.record.messageBoxes.empty() ? "no message box was shown"
                                                  : "no message box's text contains it");
    }
  }
  return "";
}

}  // namespace

bool SameRegistryText(std::u16string_view a, std::u16string_view b) {
  const auto fold = [](char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
  };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](char16_t x, char16_t y) { return fold(x) == fold(y); });
}

std::vector<ExpectationResult> CheckEachExpectation(const KeyScript& script,
                                                    const RunOutcome& outcome) {
  std::optional<Registry> finalRegistry;
  try {
    finalRegistry.emplace();
    finalRegistry->mergeText(outcome.registryText, "the registry at the end");
  } catch (const RegFileError&) {
    finalRegistry.reset();
  }
  std::vector<ExpectationResult> results;
  for (const Expectation& e : script.expectations) {
    std::string where = std::to_string(e.line);
    std::string problem = Problem(e, outcome, finalRegistry, where);
    // Names, values and texts come from the script and the program: printable on one line.
    if (!problem.empty()) {
      problem = script.file + ":" + where + ": " + QuoteForMessage(problem, kLongMessage);
    }
    results.push_back({&e, std::move(problem)});
  }
  return results;
}

std::vector<std::string> CheckExpectations(const KeyScript& script, const RunOutcome& outcome) {
  std::vector<std::string> failures;
  for (ExpectationResult& r : CheckEachExpectation(script, outcome)) {
    if (!r.problem.empty()) failures.push_back(std::move(r.problem));
  }
  return failures;
}

}  // namespace emu
