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

}  // namespace
