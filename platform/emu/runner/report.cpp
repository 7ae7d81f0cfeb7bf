// The JSON report of a run, built with nlohmann::json (structure and escaping are the library's)
// and laid out one top-level field per line, list entries one per line, so that it is easy to
// read and to grep as well as to parse.

#include <nlohmann/json.hpp>

#include "harness/wide_text.h"
#include "platform/emu/runner/runner.h"

namespace emu {

namespace {

using Json = nlohmann::ordered_json;

std::string Utf8(std::u16string_view text) { return harness::Utf16ToUtf8(text); }

// A value on one line: the library's text for scalars, ", " and ": " between members.
std::string Inline(const Json& value) {
  if (value.is_object()) {
    std::string out = "{";
    for (auto it = value.begin(); it != value.end(); ++it) {
      if (it != value.begin()) out += ", ";
      out += Json(it.key()).dump() + ": " + Inline(it.value());
    }
    return out + "}";
  }
  if (value.is_array()) {
    std::string out = "[";
    for (std::size_t i = 0; i < value.size(); ++i) out += (i ? ", " : "") + Inline(value[i]);
    return out + "]";
  }
  // Text that is not well-formed UTF-8 gets U+FFFD instead of failing the report.
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// A list with one entry per line.
std::string Lines(const Json& list) {
  if (list.empty()) return "[]";
  std::string out = "[\n";
  for (std::size_t i = 0; i < list.size(); ++i) {
    out += "    " + Inline(list[i]) + (i + 1 < list.size() ? ",\n" : "\n");
  }
  return out + "  ]";
}

Json Optional(const std::optional<std::uint32_t>& value) {
  return value ? Json(*value) : Json(nullptr);
}

Json RegistryValueJson(const RegistryValue& value) {
  if (const auto* dword = std::get_if<std::uint32_t>(&value)) return *dword;
  return Utf8(std::get<std::u16string>(value));
}

Json KeyJson(const KeyDiagnostics& k) {
  Json key;
  if (k.key.label) key["label"] = *k.key.label;
  if (k.key.slot) key["slot"] = *k.key.slot;
  key["code"] = k.key.code;
  key["rect"] = Json::array({k.key.rect.left, k.key.rect.top, k.key.rect.right, k.key.rect.bottom});
  if (k.key.count) key["count"] = *k.key.count;
  if (k.key.pressed) key["pressed"] = *k.key.pressed;
  key["presses"] = k.presses;
  key["first_tick"] = Optional(k.firstTick);
  key["last_tick"] = Optional(k.lastTick);
  key["chatter"] = k.chatter;
  key["held"] = k.held;
  return key;
}

}  // namespace

std::string ReportJson(const RunOutcome& outcome) {
  const DeviceRecord& r = outcome.record;
  // Each field with whether it is a list laid out one entry per line.
  std::vector<std::tuple<std::string, Json, bool>> fields;
  const auto field = [&](std::string name, Json value, bool lines = false) {
    fields.emplace_back(std::move(name), std::move(value), lines);
  };
  field("exited", outcome.result.exited);
  field("exit_code", outcome.result.exitCode ? Json(*outcome.result.exitCode) : Json(nullptr));
  field("stopped", outcome.stopped);
  field("end_tick", outcome.result.endTick);
  Json foreground = nullptr;
  if (outcome.foreground) {
    foreground = {{"class", Utf8(outcome.foreground->className)},
                  {"title", Utf8(outcome.foreground->title)}};
  }
  field("foreground", foreground);
  Json processes = Json::array();
  for (const std::u16string& p : r.processesStarted) processes.push_back(Utf8(p));
  field("processes_started", processes, true);
  field("sounds", r.soundsPlayed);
  field("activity_pulses", r.activityPulses);
  field("task_bar_visible", outcome.taskBarVisible);
  field("sip_button_visible", outcome.sipButtonVisible);
  field("shell_switch",
        r.shellSwitch ? Json::array({r.shellSwitch->first, r.shellSwitch->second}) : Json(nullptr));
  field("system_switch", Optional(r.systemSwitch));
  Json writes = Json::array();
  for (const RegistryWrite& w : r.registryWrites) {
    writes.push_back({{"tick", w.tick},
                      {"key", Utf8(w.key)},
                      {"name", Utf8(w.name)},
                      {"value", RegistryValueJson(w.value)}});
  }
  field("registry_writes", writes, true);
  Json boxes = Json::array();
  for (const MessageBoxRecord& m : r.messageBoxes) {
    Json answer = nullptr;
    if (m.answer == 1) answer = "ok";
    if (m.answer == 2) answer = "cancel";
    boxes.push_back({{"tick", m.tick},
                     {"caption", Utf8(m.caption)},
                     {"text", Utf8(m.text)},
                     {"answer", answer}});
  }
  field("message_boxes", boxes, true);

  if (const std::optional<RunDiagnostics>& d = outcome.diagnostics) {
    Json keys = Json::array();
    for (const KeyDiagnostics& k : d->keys) keys.push_back(KeyJson(k));
    field("keys", keys, true);
    field("missing", d->missing);
    field("double_pressed", d->doublePressed);
    field("passed", d->passed);
    field("time_to_pass_ms", Optional(d->timeToPassMs));
    Json events = Json::array();
    for (const KeyEventRecord& e : r.keyEvents) {
      events.push_back({{"tick", e.tick},
                        {"code", e.vk},
                        {"scan", e.scan},
                        {"down", e.down},
                        {"consumed", e.consumed}});
    }
    field("key_events", events, true);
  }

  std::string out = "{\n";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const auto& [name, value, lines] = fields[i];
    out += "  " + Json(name).dump() + ": " + (lines ? Lines(value) : Inline(value)) +
           (i + 1 < fields.size() ? ",\n" : "\n");
  }
  return out + "}\n";
}

}  // namespace emu
