// Vantor end to end: build/bin/vantor run headless on the emulated handset with key scripts,
// judged by its debug log (byte for byte where it matters), its report and its registry file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "platform/emu/png.h"
#include "tests/e2e_support.h"

namespace {

namespace fs = std::filesystem;

using e2e::ReadFile;
using Flag = e2e::FlagWrite;

const std::vector<Flag> kAllFlagWrites = {
    {"LCDTest", "Vantor", 1}, {"Plenwick", "SimpleTest", 2}, {"LCDTest", "Vantor", 0}};

struct Outcome {
  int status = -1;
  std::string log;
  std::vector<std::string> lines;  // each with its CR LF
  std::string report;
  std::string registry;
  std::string errors;
  std::vector<Flag> writes;

  bool hasLine(const std::string& line) const {
    for (const auto& l : lines) {
      if (l == line) return true;
    }
    return false;
  }
  std::size_t countContaining(const std::string& part) const {
    std::size_t n = 0;
    for (const auto& l : lines) n += l.find(part) != std::string::npos ? 1 : 0;
    return n;
  }
};

class VantorRun {
 public:
  const fs::path& dir() const { return dir_.path(); }

  // Runs build/bin/vantor on the script with the options; the command line comes last.
  Outcome run(const std::string& script, const std::vector<std::string>& options,
              const std::vector<std::string>& commandLine = {"--cmdline", "test"}) {
    std::ofstream(dir() / "keys.txt") << script;
    std::vector<std::string> args = {"--headless", "--keys",      "keys.txt",
                                     "--report",   "report.json", "--log",
                                     "run.log",    "--registry",  "registry.reg"};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), commandLine.begin(), commandLine.end());
    Outcome r;
    r.status = e2e::RunProgram(dir(), "vantor", args);
    r.log = ReadFile(dir() / "run.log");
    for (std::size_t at = 0; at < r.log.size();) {
      std::size_t end = r.log.find("\r\n", at);
      end = end == std::string::npos ? r.log.size() : end + 2;
      r.lines.push_back(r.log.substr(at, end - at));
      at = end;
    }
    r.report = ReadFile(dir() / "report.json");
    r.registry = ReadFile(dir() / "registry.reg");
    r.errors = ReadFile(dir() / "stderr.txt");
    r.writes = e2e::FlagWrites(r.report);
    return r;
  }

 private:
  e2e::ScratchDir dir_{"vantor_e2e"};
};

// Every key of the full default layout, in table order, as key-script names.
const char* const kFullLayoutKeys[] = {
    "117", "118", "129",  "59",    "114",  "115",    "91", "136",  "112",
    "113", "UP",  "LEFT", "RIGHT", "DOWN", "RETURN", "Q",  "W",    "E",
    "R",   "T",   "Y",    "U",     "I",    "O",      "P",  "A",    "S",
    "D",   "F",   "G",    "H",     "J",    "K",      "L",  "BACK", "143",
    "Z",   "X",   "C",    "V",     "B",    "N",      "M",  "188",  "RETURN scan=38",
    "138", "95",  "0",    "SPACE", "190",  "62",     "140"};
const char* const kCompactKeys[] = {"117", "118", "129", "59", "114", "115", "91"};

template <std::size_t N>
std::string pressAll(const char* const (&keys)[N]) {
  std::string s = "wait 200\n";
  for (const char* k : keys) s += std::string("press ") + k + "\nwait 150\n";  // 200 ms apart
  return s + "wait 1000\n";
}

const std::string kVersionLine = "[00100000][Vantor] - V[20100625_01]\r\n";
const char kCtrlQ[] = "wait 100\ndown CONTROL\npress Q\nup CONTROL\n";

TEST(VantorE2E, FullPassReportsToTheHarness) {
  static_assert(std::size(kFullLayoutKeys) == 52);
  VantorRun run;
  const Outcome r =
      run.run(pressAll(kFullLayoutKeys), {"--profile", VANTOR_SOURCE_DIR "/profiles/no-driver.reg",
                                          "--foreign-window", "PLW_APP:Plenwick"});
  ASSERT_EQ(r.status, 0) << r.errors;
  ASSERT_GE(r.lines.size(), 5u);
  EXPECT_EQ(r.lines[0], kVersionLine);
  EXPECT_EQ(r.lines[1], "[00100000][Vantor] - Country ID = 0x0000[0x0000] Screen[320/320]\r\n");
  EXPECT_EQ(r.countContaining(":1]\r\n"), 52u) << r.log;
  EXPECT_EQ(r.countContaining("[:0]"), 0u) << r.log;
  EXPECT_TRUE(r.hasLine("[Vantor]VK_UD_SYMBOL[0x5F] [0x0000:0x80] UP\r\n")) << r.log;
  const std::size_t n = r.lines.size();
  EXPECT_TRUE(std::regex_match(r.lines[n - 3],
                               std::regex(R"(\[(\d{6})\]\[Vantor\]All Button Pressed!! Pass!! )"
                                          R"(btnCount\[52\]\r\n)")))
      << r.lines[n - 3];
  EXPECT_EQ(r.lines[n - 2], "[Vantor]WM_DESTROY \r\n");
  // The dialog closes 500 ms after the pass.
  const int passTick = std::stoi(r.lines[n - 3].substr(1, 6));
  char returnLine[64];
  std::snprintf(returnLine, sizeof returnLine, "[%08d][Vantor]Return To PLWMain\r\n",
                passTick + 500);
  EXPECT_EQ(r.lines[n - 1], returnLine);

  EXPECT_EQ(r.writes, kAllFlagWrites);
  EXPECT_NE(r.report.find(R"("foreground": {"class": "PLW_APP", "title": "Plenwick"})"),
            std::string::npos)
      << r.report;
  EXPECT_NE(r.report.find(R"("sounds": 52)"), std::string::npos);
  EXPECT_NE(r.report.find(R"("task_bar_visible": true)"), std::string::npos);
  EXPECT_NE(r.report.find(R"("sip_button_visible": false)"), std::string::npos);
  // The flag keys did not exist before the run: they were created.
  EXPECT_NE(r.registry.find("[HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\LCDTest]\r\n"
                            "\"Vantor\"=dword:00000000"),
            std::string::npos)
      << r.registry;
  EXPECT_NE(r.registry.find("[HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\Plenwick]\r\n"
                            "\"SimpleTest\"=dword:00000002"),
            std::string::npos)
      << r.registry;
}

TEST(VantorE2E, CompactLayoutPassesWithSevenKeys) {
  VantorRun run;
  const Outcome r = run.run(pressAll(kCompactKeys), {"--screen", "240x400"});
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(r.lines.at(1), "[00100000][Vantor] - Country ID = 0x0000[0x0000] Screen[240/400]\r\n");
  EXPECT_EQ(r.countContaining("All Button Pressed!! Pass!! btnCount[7]\r\n"), 1u) << r.log;
  EXPECT_EQ(r.writes, kAllFlagWrites);
}

TEST(VantorE2E, ResetOnceClearsTheCounts) {
  VantorRun run;
  // Q counted, RESET, Q counted as a first press again (the focus is back on the dialog).
  const Outcome r = run.run(
      "wait 100\npress Q\nwait 300\ntap 160 285\nwait 300\npress Q\nwait 300\n"
      "tap 160 285\nwait 250\ntap 160 285\nwait 300\n",
      {"--until-ms", "500"});
  EXPECT_EQ(r.status, 3) << r.errors;  // still running: no double press within 200 ms
  EXPECT_EQ(r.countContaining("[Q:1]\r\n"), 2u) << r.log;
  EXPECT_EQ(r.countContaining("IDC_RESET"), 0u);
  EXPECT_EQ(r.writes, (std::vector<Flag>{{"LCDTest", "Vantor", 1}}));
}

TEST(VantorE2E, ResetTwiceWithin200MsEndsTheTest) {
  VantorRun run;
  const Outcome r = run.run("wait 100\npress Q\nwait 300\ntap 160 285\nwait 150\ntap 160 285\n",
                            {"--foreign-window", "PLW_APP:Plenwick"});
  ASSERT_EQ(r.status, 0) << r.errors;
  const std::size_t n = r.lines.size();
  ASSERT_GE(n, 3u);
  EXPECT_EQ(r.lines[n - 3], "[Vantor]IDC_RESET 2Times[406]\r\n");
  EXPECT_EQ(r.lines[n - 2], "[Vantor]WM_DESTROY \r\n");
  EXPECT_NE(r.lines[n - 1].find("[Vantor]Return To PLWMain\r\n"), std::string::npos);
  EXPECT_EQ(r.writes, kAllFlagWrites);
}

// On the compact handset RESET sits at (10, 350), 220 x 30. Pressed after the pass it clears
// the counts but not the pass: releases are skipped and the dialog closes 500 ms after the pass.
TEST(VantorE2E, ResetAfterThePassStillClosesOnTime) {
  std::string script = pressAll(kCompactKeys);
  script.resize(script.size() - std::string("wait 1000\n").size());
  script +=
      "screenshot passed.png\ntap 120 365\nwait 50\nscreenshot reset.png\npress 117\nwait 1000\n";
  VantorRun run;
  const Outcome r =
      run.run(script, {"--screen", "240x400", "--foreign-window", "PLW_APP:Plenwick"});
  ASSERT_EQ(r.status, 0) << r.errors;
  const auto pass = std::find_if(r.lines.begin(), r.lines.end(), [](const std::string& l) {
    return l.find("All Button Pressed!! Pass!! btnCount[7]") != std::string::npos;
  });
  ASSERT_NE(pass, r.lines.end()) << r.log;
  EXPECT_EQ(r.countContaining("IDC_RESET"), 0u) << r.log;
  EXPECT_EQ(r.countContaining("OnKeyUp char[0x0075:0x00][01] SKIP!!\r\n"), 1u) << r.log;
  char returnLine[64];
  std::snprintf(returnLine, sizeof returnLine, "[%08d][Vantor]Return To PLWMain\r\n",
                std::stoi(pass->substr(1, 6)) + 500);
  EXPECT_EQ(r.lines.back(), returnLine) << r.log;
  EXPECT_EQ(r.writes, kAllFlagWrites);
  // "Vol Up" (10, 20, 70, 45): blue after the pass, white again after RESET.
  const auto passed = emu::ReadPng((run.dir() / "passed.png").string());
  const auto reset = emu::ReadPng((run.dir() / "reset.png").string());
  ASSERT_TRUE(passed && reset);
  EXPECT_EQ(passed->at(12, 42), 0x00FF0000u);
  EXPECT_EQ(reset->at(12, 42), 0x00FFFFFFu);
}

TEST(VantorE2E, CtrlQClosesThroughTheSameExit) {
  VantorRun run;
  const Outcome r = run.run(std::string("wait 100\npress 95\n") + kCtrlQ, {});
  ASSERT_EQ(r.status, 0) << r.errors;
  // The symbol key is caught by the hook: no key-down line, a hook line, then its count.
  EXPECT_EQ(r.countContaining("char[0x005F"), 1u) << r.log;
  EXPECT_TRUE(r.hasLine("[Vantor]VK_UD_SYMBOL[0x5F] [0x0000:0x80] UP\r\n")) << r.log;
  EXPECT_EQ(r.countContaining("OnKeyUp char[0x005F:0x00][00][Syn:1]\r\n"), 1u) << r.log;
  // Ctrl+Q: Control's press is logged, Q becomes the close command and is never counted.
  EXPECT_EQ(r.countContaining("OnKeyDown   char[0x0011:0x00][01]\r\n"), 1u) << r.log;
  EXPECT_EQ(r.countContaining("[Q:"), 0u) << r.log;
  EXPECT_EQ(r.lines.back(), "[Vantor]WM_DESTROY \r\n");  // no harness window to return to
  EXPECT_EQ(r.writes, kAllFlagWrites);
  // One keep-awake pulse right after the start, none after the end.
  EXPECT_NE(r.report.find(R"("activity_pulses": 1,)"), std::string::npos) << r.report;
}

TEST(VantorE2E, TakesTheScreenBackWhenAnotherWindowIsActivated) {
  VantorRun run;
  const Outcome r = run.run("wait 100\nactivate-other\nwait 8100\n", {"--until-ms", "0"});
  EXPECT_EQ(r.status, 3) << r.errors;  // still testing
  EXPECT_NE(r.report.find(R"("foreground": {"class": "Dialog", "title": "Vantor"})"),
            std::string::npos)
      << r.report;
  EXPECT_NE(r.report.find(R"("task_bar_visible": false)"), std::string::npos) << r.report;
  // Pulses at 0, 4000 and 8000 ms.
  EXPECT_NE(r.report.find(R"("activity_pulses": 3,)"), std::string::npos) << r.report;
}

TEST(VantorE2E, CountryFromTheHandsetProfile) {
  struct Case {
    const char* profile;
    const char* countryLine;
  };
  const Case cases[] = {
      {"german.reg", "Country ID = 0x000B[0x0000]"},
      {"russian.reg", "Country ID = 0x002C[0x0000]"},
      {"norwegian.reg", "Country ID = 0x0016[0x0000]"},
  };
  for (const Case& c : cases) {
    VantorRun run;
    const Outcome r =
        run.run(kCtrlQ, {"--profile", std::string(VANTOR_SOURCE_DIR "/profiles/") + c.profile});
    EXPECT_EQ(r.status, 0) << c.profile << r.errors;
    EXPECT_EQ(r.countContaining(c.countryLine), 1u) << c.profile << "\n" << r.log;
  }
}

TEST(VantorE2E, SecondInstanceBringsTheFirstForward) {
  VantorRun run;
  const Outcome r = run.run("", {"--foreign-window", "Dialog:Vantor"});
  EXPECT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(r.log, kVersionLine + "[Vantor]line key forground \r\n");
  EXPECT_TRUE(r.writes.empty()) << r.report;
  EXPECT_NE(r.report.find(R"("foreground": {"class": "Dialog", "title": "Vantor"})"),
            std::string::npos)
      << r.report;
}

TEST(VantorE2E, AnyOtherCommandLineDoesNothing) {
  const std::vector<std::vector<std::string>> lines = {
      {"--cmdline", "Test"}, {"--cmdline", " test"}, {"--cmdline", "test "},
      {"test", "x"},         {"--cmdline", ""},      {}};
  for (const auto& commandLine : lines) {
    VantorRun run;
    const Outcome r = run.run("wait 100\npress Q\n", {}, commandLine);
    const std::string shown = commandLine.empty() ? "(none)" : commandLine.back();
    EXPECT_EQ(r.status, 0) << shown << r.errors;
    EXPECT_EQ(r.log, kVersionLine) << shown;
    EXPECT_TRUE(r.writes.empty()) << shown;
    EXPECT_NE(r.report.find(R"("exited": true)"), std::string::npos) << shown;
  }
}

// The full layout pressed once on a handset with a fault. Vantor is built to see the symbol key
// (95) only through its hook, which takes it before the system can act on it. The emulated
// handset has no use of its own for that key: without the hook it reaches the dialog like any
// other key, is counted there as "Syn" (a key-down line, repeat 01, no hook line), and the test
// still passes. A failed registry write or sound changes nothing else.
TEST(VantorE2E, FullPassOnAFaultyHandset) {
  struct Case {
    const char* fault;
    bool hook;
    bool registryWrites;
    const char* sounds;
  };
  const Case cases[] = {
      {"", true, true, R"("sounds": 52,)"},
      {"no-core-library", false, true, R"("sounds": 52,)"},
      {"no-hook-functions", false, true, R"("sounds": 52,)"},
      {"hook-refused", false, true, R"("sounds": 52,)"},
      {"registry-writes-fail", true, false, R"("sounds": 52,)"},
      {"no-sound", true, true, R"("sounds": 0,)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    std::vector<std::string> options = {"--foreign-window", "PLW_APP:Plenwick"};
    if (*c.fault) options.insert(options.end(), {"--fault", c.fault});
    VantorRun run;
    const Outcome r = run.run(pressAll(kFullLayoutKeys), options);
    ASSERT_EQ(r.status, 0) << r.errors;
    EXPECT_EQ(r.countContaining("All Button Pressed!! Pass!! btnCount[52]\r\n"), 1u) << r.log;
    EXPECT_EQ(r.countContaining("[Vantor]Return To PLWMain\r\n"), 1u) << r.log;
    EXPECT_EQ(r.hasLine("[Vantor]VK_UD_SYMBOL[0x5F] [0x0000:0x80] UP\r\n"), c.hook) << r.log;
    EXPECT_EQ(r.countContaining("OnKeyDown   char[0x005F:0x00][01]\r\n"), c.hook ? 0u : 1u);
    EXPECT_EQ(r.countContaining(c.hook ? "OnKeyUp char[0x005F:0x00][00][Syn:1]\r\n"
                                       : "OnKeyUp char[0x005F:0x00][01][Syn:1]\r\n"),
              1u)
        << r.log;
    EXPECT_NE(r.report.find(c.sounds), std::string::npos) << r.report;
    EXPECT_NE(r.report.find(R"("task_bar_visible": true,)"), std::string::npos);
    if (c.registryWrites) {
      EXPECT_EQ(r.writes, kAllFlagWrites);
    } else {
      EXPECT_TRUE(r.writes.empty()) << r.report;
      EXPECT_EQ(r.registry.find("Corvane"), std::string::npos) << r.registry;
    }
  }
}

}  // namespace
