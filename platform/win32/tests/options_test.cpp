// The Windows executables' command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/runner/runner.h"

namespace win32 {
namespace {

const ProgramSpec kVantor{"vantor", true, {}};

TEST(RunOptions, SupportedOptionsAndTheProgramsWords) {
  const RunOptions o = ParseRunOptions(
      {"--screen", "240x400", "--until-ms=9000", "--log", "run.log", "--foreign-window",
       "PLW_APP:Plenwick", "--foreign-window", "Other", "test", "--log"},
      kVantor);
  EXPECT_EQ(o.screenWidth, 240);
  EXPECT_EQ(o.screenHeight, 400);
  EXPECT_EQ(o.untilMs, 9000u);
  EXPECT_EQ(o.logFile, "run.log");
  ASSERT_EQ(o.foreignWindows.size(), 2u);
  EXPECT_EQ(o.foreignWindows[0].className, u"PLW_APP");
  EXPECT_EQ(o.foreignWindows[0].title, u"Plenwick");
  EXPECT_EQ(o.foreignWindows[1].title, u"");
  // After the first word everything is the program's.
  EXPECT_EQ(o.commandLine, u"test --log");

  const RunOptions defaults = ParseRunOptions({}, kVantor);
  EXPECT_EQ(defaults.screenWidth, 320);
  EXPECT_FALSE(defaults.untilMs.has_value());
  EXPECT_TRUE(defaults.logFile.empty());
}

TEST(RunOptions, BadOptionsAreUsageErrorsNamingTheProblem) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--keys", "x.keys"}, "unknown option '--keys'"},
      {{"--screen", "320"}, "bad --screen '320'"},
      {{"--screen", "0x320"}, "bad --screen '0x320'"},
      {{"--until-ms", "-1"}, "bad --until-ms '-1'"},
      {{"--until-ms", "4294967296"}, "bad --until-ms"},
      {{"--until-ms"}, "--until-ms needs a value"},
      {{"--log", "a.log", "--log", "b.log"}, "--log given twice"},
      {{"--log", "no-such-folder/run.log"}, "folder no-such-folder does not exist"},
      {{"--foreign-window", ":Title"}, "bad --foreign-window"},
      {{"--help=yes"}, "--help takes no value"},
  };
  for (const auto& c : cases) {
    try {
      ParseRunOptions(c.args, kVantor);
      ADD_FAILURE() << c.args[0] << " accepted";
    } catch (const UsageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
      EXPECT_EQ(std::string(e.what()).rfind("vantor: ", 0), 0u) << e.what();
    }
  }
}

}  // namespace
}  // namespace win32
