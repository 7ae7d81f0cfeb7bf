// The JSON report of a run: one field per line, list entries one per line, so that the report is
// easy to read and to grep as well as to parse.

#include <cstdio>

#include "harness/wide_text.h"
#include "platform/emu/runner/runner.h"

namespace emu {

namespace {

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (u < 0x20 || u == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", u);
          out += buf;
        } else {
          out += c;  // UTF-8 passes through
        }
    }
  }
  return out + "\"";
}

std::string JsonString(std::u16string_view text) { return JsonString(harness::Utf16ToUtf8(text)); }

std::string Bool(bool b) { return b ? "true" : "false"; }

template <typename T, typename F>
std::string List(const std::vector<T>& items, F&& item) {
  if (items.empty()) return "[]";
  std::string out = "[\n";
  for (std::size_t i = 0; i < items.size(); ++i) {
    out += "    " + item(items[i]) + (i + 1 < items.size() ? ",\n" : "\n");
  }
  return out + "  ]";
}

}  // namespace

std::string ReportJson(const RunOutcome& outcome) {
  const DeviceRecord& r = outcome.record;
  std::vector<std::pair<std::string, std::string>> fields;
  fields.emplace_back("exited", Bool(outcome.result.exited));
  fields.emplace_back("exit_code", outcome.result.exitCode
                                       ? std::to_string(*outcome.result.exitCode)
                                       : std::string("null"));
  fields.emplace_back("stopped", Bool(outcome.stopped));
  fields.emplace_back("end_tick", std::to_string(outcome.result.endTick));
  fields.emplace_back("foreground",
                      outcome.foreground
                          ? "{\"class\": " + JsonString(outcome.foreground->className) +
                                ", \"title\": " + JsonString(outcome.foreground->title) + "}"
                          : std::string("null"));
  fields.emplace_back("processes_started", List(r.processesStarted, [](const std::u16string& p) {
                        return JsonString(p);
                      }));
  fields.emplace_back("sounds", std::to_string(r.soundsPlayed));
  fields.emplace_back("activity_pulses", std::to_string(r.activityPulses));
  fields.emplace_back("task_bar_visible", Bool(outcome.taskBarVisible));
  fields.emplace_back("sip_button_visible", Bool(outcome.sipButtonVisible));
  fields.emplace_back("shell_switch", r.shellSwitch
                                          ? "[" + std::to_string(r.shellSwitch->first) + ", " +
                                                std::to_string(r.shellSwitch->second) + "]"
                                          : std::string("null"));
  fields.emplace_back("system_switch",
                      r.systemSwitch ? std::to_string(*r.systemSwitch) : std::string("null"));
  fields.emplace_back(
      "registry_writes", List(r.registryWrites, [](const RegistryWrite& w) {
        const auto* dword = std::get_if<std::uint32_t>(&w.value);
        return "{\"tick\": " + std::to_string(w.tick) + ", \"key\": " + JsonString(w.key) +
               ", \"name\": " + JsonString(w.name) + ", \"value\": " +
               (dword ? std::to_string(*dword) : JsonString(std::get<std::u16string>(w.value))) +
               "}";
      }));
  fields.emplace_back(
      "message_boxes", List(r.messageBoxes, [](const MessageBoxRecord& m) {
        std::string answer = "null";
        if (m.answer == 1) answer = "\"ok\"";
        if (m.answer == 2) answer = "\"cancel\"";
        return "{\"tick\": " + std::to_string(m.tick) + ", \"caption\": " + JsonString(m.caption) +
               ", \"text\": " + JsonString(m.text) + ", \"answer\": " + answer + "}";
      }));

  std::string out = "{\n";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    out += "  \"" + fields[i].first + "\": " + fields[i].second +
           (i + 1 < fields.size() ? ",\n" : "\n");
  }
  return out + "}\n";
}

}  // namespace emu
