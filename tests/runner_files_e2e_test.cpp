// The executables' files end to end: a command line that cannot be carried out safely stops
// with status 2 and one message before the program starts, leaving every file as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e_support.h"

namespace {

namespace fs = std::filesystem;

TEST(RunnerFilesE2E, RefusedRunsLeaveEveryFileAsItWas) {
  e2e::ScratchDir dir("runner_files");
  const fs::path d = dir.path();
  std::ofstream(d / "keys.txt") << "press Q\nwait 100\n";
  const std::string registry = "Windows Registry Editor Version 5.00\r\n";
  std::ofstream(d / "registry.reg", std::ios::binary) << registry;
  // A device like /dev/full, made here so that the real one is never at risk.
  ASSERT_EQ(::mknod((d / "full").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0)
      << "the tests run as root";

  struct Case {
    const char* program;
    std::vector<std::string> args;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"vantor",
       {"--keys", "keys.txt", "test", "--log", "x.log"},
       "vantor: '--log' after the command line word 'test': options go before the words (put "
       "'--' before words that begin with '--')\n"},
      {"vantor",
       {"--keys", "keys.txt", "--screenshot", "full", "test"},
       "--screenshot full: is not a plain file (a device, pipe or socket)\n"},
      {"vantor1",
       {"--keys", "keys.txt", "--log", "registry.reg"},
       "--registry registry.reg and --log registry.reg are the same file\n"},
      {"vantor1", {"--keys", "."}, ".: is a folder\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    std::vector<std::string> args = {"--headless", "--registry", "registry.reg"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(e2e::RunProgram(d, c.program, args), 2);
    EXPECT_EQ(e2e::ReadFile(d / "stderr.txt"), c.error);
    EXPECT_EQ(e2e::ReadFile(d / "registry.reg"), registry);
    EXPECT_TRUE(fs::is_character_file(d / "full"));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(d)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"full", "keys.txt", "registry.reg", "stderr.txt"}));
  }
}

// Two runs started together on one registry file take turns instead of tripping over each
// other's temporary file: both finish as a run alone would, and the file is whole.
TEST(RunnerFilesE2E, RunsSharingARegistryFileTakeTurns) {
  e2e::ScratchDir dir("runner_files");
  const fs::path d = dir.path();
  std::string script;
  for (int i = 0; i < 20; ++i)
    script += "press Q\nscreenshot shot" + std::to_string(i % 2) + ".png\n";
  std::ofstream(d / "keys.txt") << script;
  // cd DIR && { { run 1; } & { run 2; } & wait; }
  std::string command = "cd " + e2e::ShellQuoted(d.string()) + " && {";
  for (const std::string run : {"1", "2"}) {
    command += " { " + e2e::ShellQuoted(std::string(VANTOR_BIN_DIR) + "/vantor") +
               " --headless --keys keys.txt --registry device.reg --until-ms 100 --log run" + run +
               ".log --cmdline test 2> stderr" + run + ".txt; echo $? > status" + run + ".txt; } &";
  }
  command += " wait; }";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  for (const char* run : {"1", "2"}) {
    SCOPED_TRACE(run);
    EXPECT_EQ(e2e::ReadFile(d / (std::string("status") + run + ".txt")), "3\n");
    EXPECT_EQ(e2e::ReadFile(d / (std::string("stderr") + run + ".txt")), "");
  }
  const std::string registry = e2e::ReadFile(d / "device.reg");
  EXPECT_EQ(registry.rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u) << registry;
  EXPECT_NE(registry.find("[HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\LCDTest]"),
            std::string::npos)
      << registry;
  EXPECT_FALSE(fs::exists(d / "device.reg.tmp"));
}

}  // namespace
