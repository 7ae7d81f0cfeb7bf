// Vantor1 end to end: build/bin/vantor1 run headless with key scripts, judged by its report and
// screenshots.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "platform/emu/png.h"
#include "platform/emu/resources.h"
#include "tests/e2e_support.h"
#include "vantor1/key_slot_table.h"

namespace {

namespace fs = std::filesystem;

using e2e::ReadFile;
using Write = e2e::FlagWrite;

struct Report {
  int status = -1;
  std::string text;
  std::vector<Write> writes;
  std::vector<std::string> boxAnswers;  // "ok", "cancel", "null"
  std::vector<std::string> processes;
  bool exited = false;
};

class Vantor1Run {
 public:
  const fs::path& dir() const { return dir_.path(); }

  // Runs the program on the script; `profile` is .reg text merged into the registry at start,
  // `options` come after the usual ones.
  Report Run(const std::string& script, const std::string& profile = "",
             const std::vector<std::string>& options = {}) {
    std::ofstream(dir() / "keys.txt") << script;
    std::vector<std::string> args = {"--headless",  "--keys", "keys.txt", "--report",
                                     "report.json", "--log",  "run.log"};
    args.insert(args.end(), options.begin(), options.end());
    if (!profile.empty()) {
      std::ofstream(dir() / "profile.reg")
          << "Windows Registry Editor Version 5.00\r\n\r\n"
          << "[HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\Phone]\r\n"
          << profile;
      args.insert(args.end(), {"--profile", "profile.reg"});
    }
    Report r;
    r.status = e2e::RunProgram(dir(), "vantor1", args);
    r.text = ReadFile(dir() / "report.json");
    r.writes = e2e::FlagWrites(r.text);
    const std::regex box(R"re("text": "You've just passed the test", "answer": "?(\w+))re");
    for (std::sregex_iterator it(r.text.begin(), r.text.end(), box), end; it != end; ++it) {
      r.boxAnswers.push_back((*it)[1].str());
    }
    const auto started = r.text.find("\"processes_started\": [");
    if (started != std::string::npos) {
      const auto close = r.text.find(']', started);
      const std::regex path(R"re("([^"]+)")re");
      const std::string list = r.text.substr(started + 22, close - started - 22);
      for (std::sregex_iterator it(list.begin(), list.end(), path), end; it != end; ++it) {
        r.processes.push_back((*it)[1].str());
      }
    }
    r.exited = r.text.find("\"exited\": true") != std::string::npos;
    return r;
  }

 private:
  e2e::ScratchDir dir_{"vantor1_e2e"};
};

const Write kStart[] = {{"LCDTest", "Vantor", 1}, {"Plenwick", "SimpleTest", 1}};
const Write kFinish[] = {{"Plenwick", "SimpleTest", 2}, {"LCDTest", "Vantor", 0}};
const Write kPassAcknowledged = {"Plenwick", "SimpleTest", 2};

std::vector<Write> Writes(std::initializer_list<Write> w) { return w; }

// 51 distinct keys, every slot but 58 (HOLD) of the 52 on the picture, by both routes; then
// keys that must not count again: the other codes of slots reached by both routes, a held key's
// repeats, and the ring segments' codes.
std::string FiftyOneKeys() {
  std::string s = "wait 100\n";
  for (char c = 'A'; c <= 'Z'; ++c) s += std::string("press ") + c + "\n";
  for (const char* k :
       {"240", "BACK", "SHIFT",          "95",   "241",   "SPACE",         "190", "202", "175",
        "140", "91",   "RETURN scan=38", "117",  "118",   "112",           "113", "136", "114",
        "115", "UP",   "DOWN",           "LEFT", "RIGHT", "RETURN scan=0", "59"}) {
    s += std::string("press ") + k + "\n";
  }
  for (const char* k : {"122", "143", "138", "193", "62", "16", "232", "Q", "0x21", "0x22"}) {
    s += std::string("press ") + k + "\n";
  }
  s += "down W repeat=3\nup W\nwait 100\n";
  return s;
}
const std::string kFiftySecond = "press 129\nwait 100\n";  // HOLD, through the hook

TEST(Vantor1EndToEnd, FullPassByBothRoutesCountsEachKeyOnce) {
  Vantor1Run run;
  const Report before = run.Run(FiftyOneKeys());
  EXPECT_TRUE(before.boxAnswers.empty()) << "counted more than 51 keys:\n" << before.text;
  EXPECT_EQ(before.status, 3) << "the test still runs";

  const Report pass = run.Run(FiftyOneKeys() + kFiftySecond + "answer ok\nwait 100\n");
  EXPECT_EQ(pass.status, 0) << pass.text;
  EXPECT_TRUE(pass.exited);
  EXPECT_EQ(pass.boxAnswers, std::vector<std::string>{"ok"});
  EXPECT_EQ(pass.writes, Writes({kStart[0], kStart[1], kPassAcknowledged, kFinish[0], kFinish[1]}));
  EXPECT_TRUE(pass.processes.empty());
}

TEST(Vantor1EndToEnd, EndsWithoutAPass) {
  struct Case {
    const char* name;
    const char* script;
    std::vector<std::string> options;
  };
  const Case cases[] = {
      {"focus lost before any key", "wait 100\nactivate-other\nwait 100\n", {}},
      {"Escape", "wait 100\npress Q\npress ESCAPE\nwait 100\n", {}},
      // Enter is the hook's to take; without it the dialog manager makes it the OK command.
      {"Enter without the hook",
       "wait 100\npress Q\npress RETURN\nwait 100\n",
       {"--fault", "hook-refused"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Vantor1Run run;
    const Report r = run.Run(c.script, "", c.options);
    EXPECT_EQ(r.status, 0) << r.text;
    EXPECT_TRUE(r.exited);
    EXPECT_TRUE(r.boxAnswers.empty());
    EXPECT_EQ(r.writes, Writes({kStart[0], kStart[1], kFinish[0], kFinish[1]}));
  }
}

TEST(Vantor1EndToEnd, PassMessageCancelledComesBackOnTheNextMarking) {
  Vantor1Run run;
  const Report r = run.Run(FiftyOneKeys() + kFiftySecond +
                           "answer cancel\nwait 100\npress Q\nwait 100\nanswer ok\nwait 100\n");
  EXPECT_EQ(r.status, 0) << r.text;
  EXPECT_EQ(r.boxAnswers, (std::vector<std::string>{"cancel", "ok"}));
  EXPECT_EQ(r.writes, Writes({kStart[0], kStart[1], kPassAcknowledged, kFinish[0], kFinish[1]}));
}

TEST(Vantor1EndToEnd, AnotherProgramComingUpBehindThePassMessageEndsTheTest) {
  // The box itself taking the focus ends nothing; another program taking it does, once the box
  // is answered: OK as a pass, anything else as an abandoned run.
  for (const char* answer : {"ok", "cancel"}) {
    SCOPED_TRACE(answer);
    Vantor1Run run;
    const Report r = run.Run(FiftyOneKeys() + kFiftySecond + "activate-other\nwait 100\nanswer " +
                             answer + "\nwait 100\n");
    EXPECT_EQ(r.status, 0) << r.text;
    EXPECT_EQ(r.boxAnswers, std::vector<std::string>{answer});
    std::vector<Write> expected(std::begin(kStart), std::end(kStart));
    if (std::string(answer) == "ok") expected.push_back(kPassAcknowledged);
    expected.insert(expected.end(), std::begin(kFinish), std::end(kFinish));
    EXPECT_EQ(r.writes, expected);
  }
}

TEST(Vantor1EndToEnd, SimpleTestRuleOnEveryCombination) {
  struct Case {
    const char* profile;
    bool loopback;
    bool phoneWrite;
  };
  const Case cases[] = {
      {"\"FactorySIMInserted\"=dword:00000001\r\n\"FactorySimpleTest\"=dword:00000001\r\n", true,
       false},
      {"\"FactorySIMInserted\"=dword:00000000\r\n\"FactorySimpleTest\"=dword:00000001\r\n", true,
       true},
      {"\"FactorySimpleTest\"=dword:00000001\r\n", true, true},
      {"\"FactorySIMInserted\"=dword:00000000\r\n\"FactorySimpleTest\"=dword:00000002\r\n", false,
       false},
      {"\"FactorySIMInserted\"=dword:00000001\r\n", true, false},
      {"\"FactorySIMInserted\"=dword:00000001\r\n\"FactorySimpleTest\"=dword:00000002\r\n", true,
       false},
      {"\"FactorySIMInserted\"=dword:00000000\r\n", false, false},
      {"\"FactorySimpleTest\"=dword:00000002\r\n", false, false},
      // Only exactly 1 counts as a SIM inserted.
      {"\"FactorySIMInserted\"=dword:00000002\r\n\"FactorySimpleTest\"=dword:00000001\r\n", true,
       true},
      {"\"TRV_Country\"=dword:00000000\r\n", false, false},
  };
  for (const char* ending : {"activate-other\nwait 100\n", "pass"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(ending) + c.profile);
      Vantor1Run run;
      const bool pass = std::string(ending) == "pass";
      const Report r = run.Run(pass ? FiftyOneKeys() + kFiftySecond + "answer ok\nwait 100\n"
                                    : std::string("wait 100\n") + ending,
                               c.profile);
      EXPECT_EQ(r.status, 0) << r.text;
      std::vector<Write> expected(std::begin(kStart), std::end(kStart));
      if (pass) expected.push_back(kPassAcknowledged);
      if (c.phoneWrite) expected.push_back({"Phone", "FactorySimpleTest", 0});
      expected.insert(expected.end(), std::begin(kFinish), std::end(kFinish));
      EXPECT_EQ(r.writes, expected);
      EXPECT_EQ(r.processes, c.loopback ? std::vector<std::string>{"\\\\Windows\\\\Loopback.exe"}
                                        : std::vector<std::string>{});
    }
  }
}

const std::optional<emu::Bitmap>& ReadArtwork(const std::string& name) {
  static std::map<std::string, std::optional<emu::Bitmap>> cache;
  if (auto it = cache.find(name); it != cache.end()) return it->second;
  const std::string bytes = ReadFile(fs::path(VANTOR_SOURCE_DIR) / "vantor1/res" / name);
  auto& entry = cache[name];
  if (bytes.size() > 14) {  // past the file header the bytes are those of a bitmap resource
    entry = emu::DecodeBitmapResource(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 14, bytes.size() - 14));
  }
  return entry;
}

// Whether (x, y) lies where another drawn slot's image is copied (its rectangle within its image).
bool CoveredByOther(int slot, int x, int y, const std::vector<int>& drawn) {
  for (int other : drawn) {
    if (other == slot) continue;
    const auto& o = vantor1::kSlotDefinitions[other];
    const auto& img = ReadArtwork("key_" + std::to_string(o.bitmapId) + ".bmp");
    if (x >= o.x && y >= o.y && x < o.x + std::min(o.width, img->width) &&
        y < o.y + std::min(o.height, img->height)) {
      return true;
    }
  }
  return false;
}

// Pixels of a slot's rectangle (within `expected`'s size and the screen) that differ from
// `expected` at offset (ox, oy), leaving out those another drawn slot covers.
int Mismatches(const emu::Bitmap& screen, int slot, const emu::Bitmap& expected, int ox, int oy,
               const std::vector<int>& drawn) {
  const auto& s = vantor1::kSlotDefinitions[slot];
  int bad = 0;
  for (int dy = 0; dy < std::min(s.height, expected.height - oy); ++dy) {
    for (int dx = 0; dx < std::min(s.width, expected.width - ox); ++dx) {
      const int x = s.x + dx, y = s.y + dy;
      if (x >= screen.width || y >= screen.height || CoveredByOther(slot, x, y, drawn)) continue;
      bad += screen.at(x, y) != expected.at(ox + dx, oy + dy);
    }
  }
  return bad;
}

TEST(Vantor1EndToEnd, ScreenShowsCountedKeysPressedAlsoAfterARepaint) {
  Vantor1Run run;
  const Report r = run.Run(FiftyOneKeys() +
                           "screenshot marked.png\nrepaint\nwait 100\nscreenshot repainted.png\n");
  EXPECT_EQ(r.status, 3) << r.text;
  const std::vector<int> counted = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                    13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25,
                                    26, 27, 28, 30, 31, 32, 33, 34, 35, 37, 39, 40, 41,
                                    42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 56, 57};
  const auto& background = ReadArtwork("keypad_129.bmp");
  ASSERT_TRUE(background);
  for (const char* shot : {"marked.png", "repainted.png"}) {
    SCOPED_TRACE(shot);
    const auto screen = emu::ReadPng((run.dir() / shot).string());
    ASSERT_TRUE(screen);
    for (int slot : counted) {
      const auto image =
          ReadArtwork("key_" + std::to_string(vantor1::kSlotDefinitions[slot].bitmapId) + ".bmp");
      ASSERT_TRUE(image);
      EXPECT_EQ(Mismatches(*screen, slot, *image, 0, 0, counted), 0) << slot;
    }
    // Not counted: HOLD (58) and the ring segments show the bare picture.
    for (int slot : {58, 52, 53, 54, 55}) {
      const auto& s = vantor1::kSlotDefinitions[slot];
      EXPECT_EQ(Mismatches(*screen, slot, *background, s.x, s.y, counted), 0) << slot;
    }
  }
}

// Every key of the handset once: first the keys only the hook maps to slots, then the slots' own
// codes, the ring segments' last. With the hook the pass comes at Talk (114), the 52nd key;
// without it only the dialog route counts, the hook-only keys mark nothing (the arrows are
// dialog navigation), and the ring segments' codes bring it to 52.
std::string EveryKeyOnce() {
  std::string s = "wait 100\n";
  for (const char* k :
       {"UP", "DOWN", "LEFT", "RIGHT", "136", "59", "129", "62", "143", "138", "95"}) {
    s += std::string("press ") + k + "\n";
  }
  for (char c = 'A'; c <= 'Z'; ++c) s += std::string("press ") + c + "\n";
  for (const char* k :
       {"240", "BACK", "SHIFT", "144", "232", "241", "SPACE", "190", "202", "175",  "195",
        "140", "196",  "91",    "117", "118", "112", "113",   "114", "115", "0x21", "0x22"}) {
    s += std::string("press ") + k + "\n";
  }
  return s + "wait 100\nscreenshot passed.png\nanswer ok\nwait 100\n";
}

bool RingSegmentsShowPressed(const fs::path& screenshot) {
  const auto screen = emu::ReadPng(screenshot.string());
  if (!screen) return false;
  for (int slot : {52, 53, 54, 55}) {
    const auto& image =
        ReadArtwork("key_" + std::to_string(vantor1::kSlotDefinitions[slot].bitmapId) + ".bmp");
    if (!image || Mismatches(*screen, slot, *image, 0, 0, {slot}) != 0) return false;
  }
  return true;
}

TEST(Vantor1EndToEnd, EveryKeyOnceOnAFaultyHandset) {
  struct Case {
    const char* fault;
    bool hook;
    bool registryWrites;
  };
  const Case cases[] = {
      {"", true, true},
      {"no-core-library", false, true},
      {"no-hook-functions", false, true},
      {"hook-refused", false, true},
      {"registry-writes-fail", true, false},
      {"no-sound", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    Vantor1Run run;
    std::vector<std::string> options = {"--registry", "registry.reg"};
    if (*c.fault) options.insert(options.end(), {"--fault", c.fault});
    const Report r = run.Run(EveryKeyOnce(), "\"FactorySimpleTest\"=dword:00000001\r\n", options);
    // The pass, by whichever route could count, and the run's end whatever the registry did.
    EXPECT_EQ(r.status, 0) << r.text;
    EXPECT_EQ(r.boxAnswers, std::vector<std::string>{"ok"});
    EXPECT_EQ(RingSegmentsShowPressed(run.dir() / "passed.png"), !c.hook);
    EXPECT_EQ(r.processes, std::vector<std::string>{"\\\\Windows\\\\Loopback.exe"});
    EXPECT_NE(r.text.find(R"("sounds": 0,)"), std::string::npos);  // it plays none
    EXPECT_NE(r.text.find(R"("task_bar_visible": true,)"), std::string::npos);
    EXPECT_EQ(ReadFile(run.dir() / "run.log"), "");  // it writes no log
    const std::string registry = ReadFile(run.dir() / "registry.reg");
    if (c.registryWrites) {
      EXPECT_EQ(r.writes, Writes({kStart[0],
                                  kStart[1],
                                  kPassAcknowledged,
                                  {"Phone", "FactorySimpleTest", 0},
                                  kFinish[0],
                                  kFinish[1]}));
      EXPECT_NE(registry.find("\"FactorySimpleTest\"=dword:00000000"), std::string::npos);
    } else {
      // Nothing written and nothing created: the loopback request stays as the handset had it.
      EXPECT_TRUE(r.writes.empty()) << r.text;
      EXPECT_NE(registry.find("\"FactorySimpleTest\"=dword:00000001"), std::string::npos);
      EXPECT_EQ(registry.find("LCDTest"), std::string::npos) << registry;
      EXPECT_EQ(registry.find("Plenwick"), std::string::npos) << registry;
    }
  }
}

TEST(Vantor1EndToEnd, AStoppedRunShowsTheTestAsItStood) {
  Vantor1Run run;
  const Report r = run.Run("wait 100\npress Q\nwait 100\n", "",
                           {"--until-ms", "100", "--screenshot", "end.png"});
  EXPECT_EQ(r.status, 3) << r.text;
  EXPECT_NE(r.text.find(R"("foreground": {"class": "Dialog", "title": "pelmora_vantor"})"),
            std::string::npos)
      << r.text;
  EXPECT_NE(r.text.find(R"("task_bar_visible": false,)"), std::string::npos);  // still full screen
  const auto screen = emu::ReadPng((run.dir() / "end.png").string());
  ASSERT_TRUE(screen);
  const auto& q =
      ReadArtwork("key_" + std::to_string(vantor1::kSlotDefinitions[0].bitmapId) + ".bmp");
  ASSERT_TRUE(q);
  EXPECT_EQ(Mismatches(*screen, 0, *q, 0, 0, {0}), 0) << "Q is not shown pressed";
}

}  // namespace
