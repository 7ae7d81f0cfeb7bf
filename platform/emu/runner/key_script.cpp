#include "platform/emu/runner/key_script.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "harness/wide_text.h"
#include "platform/emu/host_files.h"
#include "platform/emu/quote.h"
#include "platform/emu/runner/runner.h"

namespace emu {

namespace {

// Longer screenshot names are refused: no file system takes them.
constexpr std::size_t kMaxFileNameBytes = 4096;

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

constexpr std::pair<const char*, std::uint32_t> kKeyNames[] = {
    {"return", 0x0D}, {"escape", 0x1B}, {"space", 0x20},  {"back", 0x08},
    {"tab", 0x09},    {"left", 0x25},   {"up", 0x26},     {"right", 0x27},
    {"down", 0x28},   {"shift", 0x10},  {"control", 0x11}};

// The words of a line, into storage reused from line to line.
void Words(std::string_view line, std::vector<std::string_view>& words) {
  words.clear();
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
}

struct LineParser {
  const std::string& file;
  int line;

  [[noreturn]] void fail(const std::string& problem) const {
    throw UsageError(file + ":" + std::to_string(line) + ": " + problem);
  }

  std::uint64_t number(std::string_view word, std::uint64_t max, const char* what) const {
    std::optional<std::uint64_t> value = ParseNumber(word, 0, max);
    if (!value) {
      fail("bad " + std::string(what) + " '" + QuoteForMessage(word) + "' (0.." +
           std::to_string(max) + ")");
    }
    return *value;
  }

  std::uint32_t vk(const std::vector<std::string_view>& words, const std::string& action) const {
    if (words.size() < 2) fail(action + " needs a key");
    std::optional<std::uint32_t> value = ParseVirtualKey(words[1]);
    if (!value) fail("unknown key '" + QuoteForMessage(words[1]) + "'");
    return *value;
  }

  // Parses "name=value" options after the key; allowed maps each name to its maximum.
  void options(const std::vector<std::string_view>& words, const std::string& action,
               std::initializer_list<std::pair<const char*, std::uint64_t>> allowed,
               const std::function<void(const std::string&, std::uint64_t)>& store) const {
    unsigned seen = 0;  // a bit per allowed option
    for (std::size_t i = 2; i < words.size(); ++i) {
      const std::size_t eq = words[i].find('=');
      const std::string name = Lower(words[i].substr(0, eq));
      bool known = false;
      unsigned bit = 1;
      for (const auto& [optionName, max] : allowed) {
        if (eq != std::string_view::npos && name == optionName) {
          known = true;
          if (seen & bit) fail(name + "= given twice");
          seen |= bit;
          store(name, number(words[i].substr(eq + 1), max, optionName));
        }
        bit <<= 1;
      }
      if (!known) fail("unexpected '" + QuoteForMessage(words[i]) + "' after " + action);
    }
  }

  void count(const std::vector<std::string_view>& words, std::size_t n,
             const std::string& usage) const {
    if (words.size() != n) fail("expected '" + usage + "'");
  }
};

}  // namespace

std::optional<std::uint64_t> ParseNumber(std::string_view word, std::uint64_t min,
                                         std::uint64_t max) {
  int base = 10;
  if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    base = 16;
    word.remove_prefix(2);
  }
  if (word.empty() || word.size() > 20) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : word) {
    std::uint64_t d;
    if (c >= '0' && c <= '9') {
      d = static_cast<std::uint64_t>(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      d = static_cast<std::uint64_t>(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      d = static_cast<std::uint64_t>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    if (d >= static_cast<std::uint64_t>(base)) return std::nullopt;
    if (value > (UINT64_MAX - d) / static_cast<std::uint64_t>(base)) return std::nullopt;
    value = value * static_cast<std::uint64_t>(base) + d;
  }
  if (value < min || value > max) return std::nullopt;
  return value;
}

std::optional<std::uint32_t> ParseVirtualKey(std::string_view word) {
  const std::string name = Lower(word);
  // A single letter or digit names its key: "0" is the digit key (48), not the code 0.
  if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z') {
    return static_cast<std::uint32_t>('A' + (name[0] - 'a'));
  }
  if (name.size() == 1 && name[0] >= '0' && name[0] <= '9') {
    return static_cast<std::uint32_t>(name[0]);
  }
  for (const auto& [keyName, vk] : kKeyNames) {
    if (name == keyName) return vk;
  }
  if (name.size() >= 2 && name[0] == 'f') {
    std::optional<std::uint64_t> n = ParseNumber(name.substr(1), 1, 12);
    if (n && name[1] != '0') return static_cast<std::uint32_t>(0x70 + *n - 1);
  }
  std::optional<std::uint64_t> code = ParseNumber(word, 0, 255);
  if (code) return static_cast<std::uint32_t>(*code);
  return std::nullopt;
}

std::string VirtualKeyName(std::uint32_t vk) {
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::string(1, char(vk));
  if (vk >= 0x70 && vk <= 0x7B) return "F" + std::to_string(vk - 0x70 + 1);
  for (const auto& [keyName, code] : kKeyNames) {
    if (code == vk) {
      std::string name = keyName;
      for (char& c : name) c = static_cast<char>(c - 'a' + 'A');
      return name;
    }
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned>(vk));
  return hex;
}

namespace {

// Words of an expect line; a word in double quotes may hold blanks ("Vol Up").
std::vector<std::string> QuotedWords(std::string_view text, const LineParser& p) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ' || text[i] == '\t') {
      ++i;
      continue;
    }
    if (text[i] == '"') {
      const std::size_t end = text.find('"', i + 1);
      if (end == std::string_view::npos) p.fail("a quote is not closed");
      words.emplace_back(text.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    const std::size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    words.emplace_back(text.substr(start, i - start));
  }
  return words;
}

// KEY NAME VALUE of expect flag and of an expected write.
ExpectedValue ParseExpectedValue(const std::vector<std::string>& words, std::size_t first,
                                 const LineParser& p, const std::string& usage) {
  if (words.size() != first + 3) p.fail("expected '" + usage + "'");
  ExpectedValue v;
  v.line = p.line;
  std::u16string key = harness::Utf8ToUtf16(words[first]);
  if (key.find(u'\\') == std::u16string::npos) {
    key = u"HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\" + key;
  } else if (Lower(words[first].substr(0, 5)) == "hklm\\") {
    key = u"HKEY_LOCAL_MACHINE" + key.substr(4);
  }
  v.key = key;
  v.name = harness::Utf8ToUtf16(words[first + 1]);
  const std::string& value = words[first + 2];
  if (std::optional<std::uint64_t> n = ParseNumber(value, 0, UINT32_MAX)) {
    v.dword = static_cast<std::uint32_t>(*n);
  } else {
    v.string = harness::Utf8ToUtf16(value);
  }
  return v;
}

// One expect line; rest is the line after the word "expect".
Expectation ParseExpectation(std::string_view rest, const LineParser& p) {
  Expectation e;
  e.line = p.line;
  const std::vector<std::string> words = QuotedWords(rest, p);
  if (words.empty()) p.fail("expect needs what to expect (see --help)");
  const std::string what = Lower(words[0]);
  const auto noMore = [&](const char* usage) {
    if (words.size() != 1) p.fail(std::string("expected '") + usage + "'");
  };
  // The text of log and message-box expectations: the rest of the line as written.
  const auto restText = [&]() {
    std::string_view text = rest;
    const std::size_t start = text.find_first_not_of(" \t");
    text.remove_prefix(start);
    text.remove_prefix(std::min(text.size(), words[0].size()));
    const std::size_t from = text.find_first_not_of(" \t");
    const std::size_t to = text.find_last_not_of(" \t");
    if (from == std::string_view::npos) p.fail("expect " + what + " needs a text");
    return std::string(text.substr(from, to - from + 1));
  };
  if (what == "exit") {
    if (words.size() != 2) p.fail("expected 'expect exit N'");
    e.kind = ExpectKind::Exit;
    e.exitCode = static_cast<int>(p.number(words[1], 255, "exit status"));
  } else if (what == "stopped") {
    noMore("expect stopped");
    e.kind = ExpectKind::Stopped;
  } else if (what == "passed") {
    noMore("expect passed");
    e.kind = ExpectKind::Passed;
  } else if (what == "not-passed") {
    noMore("expect not-passed");
    e.kind = ExpectKind::NotPassed;
  } else if (what == "missing") {
    e.kind = ExpectKind::Missing;
    e.names.assign(words.begin() + 1, words.end());
  } else if (what == "flag") {
    e.kind = ExpectKind::Flag;
    e.flag = ParseExpectedValue(words, 1, p, "expect flag KEY NAME VALUE");
  } else if (what == "writes") {
    noMore("expect writes");
    e.kind = ExpectKind::Writes;
  } else if (what == "log") {
    e.kind = ExpectKind::Log;
    e.text = restText();
  } else if (what == "message-box") {
    e.kind = ExpectKind::MessageBox;
    e.text = restText();
  } else {
    p.fail("unknown expectation '" + QuoteForMessage(words[0]) + "'");
  }
  return e;
}

}  // namespace

KeyScript ParseKeyScript(std::string_view text, const std::string& file) {
  KeyScript script;
  script.file = file;
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  int lineNo = 0;
  std::vector<ExpectedValue>* writes = nullptr;  // of the "expect writes" being read
  std::vector<std::string_view> words;
  // One action per line at most, so a script of ordinary size is stored without regrowing (a
  // file of blank lines must not reserve gigabytes, hence the cap).
  const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  script.actions.reserve(std::min<std::size_t>(lines + 1, 1 << 16));
  while (!text.empty()) {
    ++lineNo;
    std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    if (std::size_t hash = line.find('#'); hash != std::string_view::npos) {
      line = line.substr(0, hash);
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    Words(line, words);
    if (words.empty()) continue;

    const LineParser p{file, lineNo};
    // The indented lines below "expect writes" are the writes it expects.
    const bool indented = line[0] == ' ' || line[0] == '\t';
    if (indented && writes != nullptr) {
      writes->push_back(
          ParseExpectedValue(QuotedWords(line, p), 0, p, "KEY NAME VALUE (an expected write)"));
      continue;
    }
    writes = nullptr;
    const std::string action = Lower(words[0]);
    if (action == "expect") {
      script.expectations.push_back(ParseExpectation(line.substr(line.find(words[0]) + 6), p));
      const std::size_t start = line.find(words[0]);
      const std::size_t end = line.find_last_not_of(" \t");
      script.expectations.back().source = std::string(line.substr(start, end + 1 - start));
      if (script.expectations.back().kind == ExpectKind::Writes) {
        writes = &script.expectations.back().writes;
      }
      continue;
    }
    if (action == "start-tick") {
      // A recorded session begins with its clock, so that its replay shows the same ticks.
      if (!script.actions.empty() || script.startTick)
        p.fail("start-tick must be the first action");
      p.count(words, 2, "start-tick N");
      script.startTick = static_cast<std::uint32_t>(p.number(words[1], UINT32_MAX, "tick"));
      continue;
    }
    ScriptAction a;
    a.line = lineNo;
    if (action == "wait") {
      p.count(words, 2, "wait MS");
      a.kind = ActionKind::Wait;
      a.ms = static_cast<std::uint32_t>(p.number(words[1], UINT32_MAX, "milliseconds"));
    } else if (action == "down" || action == "up") {
      a.kind = action == "down" ? ActionKind::Down : ActionKind::Up;
      a.vk = p.vk(words, action);
      p.options(words, action, {{"scan", 255}, {"repeat", 65535}},
                [&](const std::string& name, std::uint64_t v) {
                  (name == "scan" ? a.scan : a.repeat) = static_cast<std::uint32_t>(v);
                });
    } else if (action == "press") {
      a.kind = ActionKind::Press;
      a.vk = p.vk(words, action);
      a.ms = 50;
      p.options(words, action, {{"scan", 255}, {"hold", UINT32_MAX}},
                [&](const std::string& name, std::uint64_t v) {
                  (name == "scan" ? a.scan : a.ms) = static_cast<std::uint32_t>(v);
                });
    } else if (action == "tap") {
      p.count(words, 3, "tap X Y");
      a.kind = ActionKind::Tap;
      a.x = static_cast<int>(p.number(words[1], 65535, "x"));
      a.y = static_cast<int>(p.number(words[2], 65535, "y"));
    } else if (action == "activate-other" || action == "repaint") {
      p.count(words, 1, action);
      a.kind = action == "repaint" ? ActionKind::Repaint : ActionKind::ActivateOther;
    } else if (action == "screenshot") {
      p.count(words, 2, "screenshot FILE.png");
      a.kind = ActionKind::Screenshot;
      a.path = std::string(words[1]);
      // The name goes to the file system as it is: a NUL would cut it short there, and other
      // control characters make names that no one can type.
      const bool control = std::any_of(a.path.begin(), a.path.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
      });
      if (control || a.path.size() > kMaxFileNameBytes) {
        p.fail("bad screenshot file name '" + QuoteForMessage(a.path) + "'");
      }
    } else if (action == "answer") {
      p.count(words, 2, "answer ok|cancel");
      const std::string answer = Lower(words[1]);
      if (answer != "ok" && answer != "cancel") {
        p.fail("bad answer '" + QuoteForMessage(words[1]) + "' (ok or cancel)");
      }
      a.kind = ActionKind::Answer;
      a.answer = answer == "ok" ? 1 : 2;
    } else {
      p.fail("unknown action '" + QuoteForMessage(words[0]) + "'");
    }
    script.actions.push_back(std::move(a));
  }
  return script;
}

KeyScript LoadKeyScript(const std::string& file) {
  std::string problem;
  const std::optional<std::string> text = ReadInputFile(file, kMaxInputBytes, &problem);
  if (!text) throw UsageError(file + ": " + problem);
  return ParseKeyScript(*text, file);
}

}  // namespace emu
