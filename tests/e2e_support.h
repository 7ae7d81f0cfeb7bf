// Helpers shared by the end-to-end tests: a scratch folder per run, running a program
// executable from build/bin in it, reading files back, and the harness flag writes of a report.
#pragma once

#include <stdlib.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::string ShellQuoted(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// A fresh folder under /tmp, removed with everything in it at the end of the test.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "_XXXXXX";
    dir_ = mkdtemp(pattern.data());
  }
  ~ScratchDir() { fs::remove_all(dir_); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const fs::path& path() const { return dir_; }

 private:
  fs::path dir_;
};

// Runs build/bin/<program> with the arguments in `dir` (relative paths are relative to it),
// standard error going to dir/stderr.txt; returns the exit status (-1 when it did not exit).
inline int RunProgram(const fs::path& dir, const std::string& program,
                      const std::vector<std::string>& args) {
  std::string command = "cd " + ShellQuoted(dir.string()) + " && " +
                        ShellQuoted(std::string(VANTOR_BIN_DIR) + "/" + program);
  for (const auto& a : args) command += " " + ShellQuoted(a);
  command += " 2> stderr.txt";
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// One harness flag write of a report, its key below "HKEY_LOCAL_MACHINE\System\State\Corvane\".
struct FlagWrite {
  std::string key;
  std::string name;
  std::uint32_t value;
  friend bool operator==(const FlagWrite&, const FlagWrite&) = default;
};
inline std::ostream& operator<<(std::ostream& os, const FlagWrite& f) {
  return os << f.key << "\\" << f.name << "=" << f.value;
}

// The report's registry writes under the harness keys, in order.
inline std::vector<FlagWrite> FlagWrites(const std::string& report) {
  static const std::regex write(
      R"re("key": "HKEY_LOCAL_MACHINE\\\\System\\\\State\\\\Corvane\\\\(\w+)", "name": "(\w+)", "value": (\d+))re");
  std::vector<FlagWrite> writes;
  for (std::sregex_iterator it(report.begin(), report.end(), write), end; it != end; ++it) {
    writes.push_back(
        {(*it)[1].str(), (*it)[2].str(), static_cast<std::uint32_t>(std::stoul((*it)[3].str()))});
  }
  return writes;
}

}  // namespace e2e
