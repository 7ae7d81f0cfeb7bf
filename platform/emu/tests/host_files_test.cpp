#include "platform/emu/host_files.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace emu {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A scratch folder with the kinds of things an output path may name.
class HostFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "host_files_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir_);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  std::string file(const std::string& name, const std::string& content,
                   fs::perms perms = fs::perms::owner_read | fs::perms::owner_write) const {
    std::ofstream(path(name), std::ios::binary) << content;
    fs::permissions(path(name), perms);
    return path(name);
  }
  // A character device like /dev/full, made here so that no test can harm the real one.
  std::string device(const std::string& name) const {
    EXPECT_EQ(::mknod(path(name).c_str(), S_IFCHR | 0666, makedev(1, 7)), 0)
        << "the tests run as root";
    return path(name);
  }
  std::string socket(const std::string& name) const {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path(name).c_str());
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    return path(name);
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(dir_)) out.push_back(entry.path().filename());
    std::sort(out.begin(), out.end());
    return out;
  }

  fs::path dir_;
};

TEST_F(HostFilesTest, OutputPathsThatCanAndCannotBeWritten) {
  fs::create_directory(path("folder"));
  ::mkfifo(path("fifo").c_str(), 0644);
  fs::create_symlink("plain.txt", path("link"));
  fs::create_symlink("later.txt", path("dangling"));
  fs::create_symlink(path("missing/x.txt"), path("link-into-nowhere"));
  fs::create_symlink("loop-b", path("loop-a"));
  fs::create_symlink("loop-a", path("loop-b"));
  fs::create_directory(path("blocked.log.tmp"));
  file("plain.txt", "x");
  file("stale.txt", "x");
  file("stale.txt.tmp", "half written");
  file("mode000.reg", "x", fs::perms::none);
  file("readonly.reg", "x", fs::perms::owner_read | fs::perms::group_read);

  struct Case {
    std::string path;
    std::string problem;
  };
  const std::vector<Case> cases = {
      {path("new.txt"), ""},
      {path("plain.txt"), ""},
      {path("link"), ""},
      {path("dangling"), ""},
      {path("stale.txt"), ""},  // a stale temporary file is a plain file: the write removes it
      {path("folder"), "is a folder"},
      {path("fifo"), "is not a plain file (a device, pipe or socket)"},
      {socket("socket"), "is not a plain file (a device, pipe or socket)"},
      {device("full"), "is not a plain file (a device, pipe or socket)"},
      {"/dev/full", "is not a plain file (a device, pipe or socket)"},
      // No write permission bits: refused even for root, who could write it.
      {path("mode000.reg"), "is read-only"},
      {path("readonly.reg"), "is read-only"},
      {path("missing/x.txt"), "folder " + path("missing") + " does not exist"},
      {path("link-into-nowhere"), "folder " + path("missing") + " does not exist"},
      {path("plain.txt/x"), path("plain.txt") + " is not a folder"},
      {path("loop-a"), "too many levels of symbolic links"},
      {path("blocked.log"),
       "its temporary file " + path("blocked.log.tmp") + " is in the way (not a plain file)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(OutputProblem(c.path), c.problem);
  }
  EXPECT_EQ(OutputTarget(path("link")), path("plain.txt"));
}

TEST_F(HostFilesTest, ReplaceWritesTheLinksTargetInItsOwnFolderAndKeepsItsPermissions) {
  fs::create_directory(path("real"));
  const std::string target =
      file("real/device.reg", "old",
           fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  file("real/device.reg.tmp", "left by a killed run");
  fs::create_symlink("real/device.reg", path("device.reg"));

  std::string problem;
  ASSERT_TRUE(ReplaceFile(path("device.reg"), "new", &problem)) << problem;
  EXPECT_TRUE(fs::is_symlink(path("device.reg")));
  EXPECT_EQ(ReadFile(target), "new");
  EXPECT_EQ(fs::status(target).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(names(), (std::vector<std::string>{"device.reg", "real"}));
  EXPECT_FALSE(fs::exists(path("real/device.reg.tmp")));
}

// Checked again at the moment of writing: what is not a plain writable file stays as it was.
TEST_F(HostFilesTest, ReplaceRefusesWhatIsNotAPlainWritableFile) {
  const std::string readOnly = file("readonly.png", "old", fs::perms::owner_read);
  const std::string full = device("full");
  fs::create_directory(path("blocked.png.tmp"));
  std::string problem;
  EXPECT_FALSE(ReplaceFile(readOnly, "new", &problem));
  EXPECT_EQ(problem, "cannot replace " + readOnly + ": it is read-only");
  EXPECT_EQ(ReadFile(readOnly), "old");
  EXPECT_EQ(fs::status(readOnly).permissions(), fs::perms::owner_read);
  EXPECT_FALSE(ReplaceFile(full, "new", &problem));
  EXPECT_EQ(problem, "cannot replace " + full + ": it is not a plain file");
  EXPECT_TRUE(fs::is_character_file(full));
  EXPECT_FALSE(ReplaceFile(path("blocked.png"), "new", &problem));
  EXPECT_EQ(problem, "cannot create " + path("blocked.png.tmp") + ": File exists");
  EXPECT_EQ(names(), (std::vector<std::string>{"blocked.png.tmp", "full", "readonly.png"}));
}

TEST_F(HostFilesTest, OutputsAndInputsMustBeDistinctFiles) {
  const std::string keys = file("keys.txt", "wait 1\n");
  file("keys.tmp", "wait 1\n");
  const std::string reg = file("device.reg", "");
  fs::create_hard_link(reg, path("hard.reg"));
  fs::create_symlink("device.reg", path("soft.reg"));
  fs::create_directory(path("sub"));

  struct Case {
    std::vector<RunFile> outputs;
    std::vector<RunFile> inputs;
    std::string problem;
  };
  const std::string spelled = (dir_ / "sub" / ".." / "new.log").string();
  const std::vector<Case> cases = {
      {{{reg, "--registry"}, {path("run.log"), "--log"}}, {{keys, "--keys"}}, ""},
      {{{reg, "--registry"}, {reg, "--log"}},
       {},
       "--registry " + reg + " and --log " + reg + " are the same file"},
      {{{path("hard.reg"), "--registry"}, {path("soft.reg"), "--report"}},
       {},
       "--registry " + path("hard.reg") + " and --report " + path("soft.reg") +
           " are the same file"},
      // Not made yet, spelled two ways.
      {{{path("new.log"), "--log"}, {spelled, "--report"}},
       {},
       "--log " + path("new.log") + " and --report " + spelled + " are the same file"},
      {{{keys, "--log"}},
       {{keys, "--keys"}},
       "--log " + keys + " and --keys " + keys + " are the same file"},
      {{{reg, "--registry"}},
       {{path("soft.reg"), "--profile"}},
       "--registry " + reg + " and --profile " + path("soft.reg") + " are the same file"},
      {{{path("shot.png"), "--screenshot"}, {path("shot.png.tmp"), "--log"}},
       {},
       "--log " + path("shot.png.tmp") + " is the temporary file of --screenshot " +
           path("shot.png")},
      // The next write would remove the script as a stale temporary file.
      {{{path("keys"), "--screenshot"}},
       {{path("keys.tmp"), "--keys"}},
       "--keys " + path("keys.tmp") + " is the temporary file of --screenshot " + path("keys")},
      // A key script may take the same screenshot twice; the last one stays.
      {{{path("a.png"), "k:1: screenshot", true}, {path("a.png"), "k:2: screenshot", true}},
       {},
       ""},
      {{{path("a.png"), "k:1: screenshot", true}, {path("a.png"), "--screenshot"}},
       {},
       "k:1: screenshot " + path("a.png") + " and --screenshot " + path("a.png") +
           " are the same file"},
      {{{"", "--log"}}, {}, "--log needs a file name"},
      {{{path("soft.reg"), "--registry"}, {path("sub"), "--log"}},
       {},
       "--log " + path("sub") + ": is a folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.problem);
    EXPECT_EQ(CheckRunFiles(c.outputs, c.inputs), c.problem);
  }
  fs::create_symlink(path("sub"), path("to-sub"));
  EXPECT_EQ(CheckRunFiles({{path("to-sub"), "--log"}}, {}),
            "--log " + path("to-sub") + " (a link to " + path("sub") + "): is a folder");
}

TEST_F(HostFilesTest, InputFilesMustBePlainAndBounded) {
  fs::create_directory(path("folder"));
  ::mkfifo(path("fifo").c_str(), 0644);  // opening it must not wait for a writer
  file("ten.txt", "0123456789");
  file("eleven.txt", "0123456789A");
  struct Case {
    std::string path;
    std::string problem;
  };
  const std::vector<Case> cases = {
      {path("ten.txt"), ""},
      {path("eleven.txt"), "is larger than 10 bytes"},
      {path("folder"), "is a folder"},
      {path("fifo"), "is not a plain file"},
      {"/dev/zero", "is not a plain file"},
      {path("missing.txt"), "cannot be read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::string problem;
    const std::optional<std::string> bytes = ReadInputFile(c.path, 10, &problem);
    EXPECT_EQ(bytes.has_value(), c.problem.empty());
    EXPECT_EQ(problem, c.problem);
  }
  // The bound is checked before reading: a sparse file over it is refused at once.
  std::ofstream(path("huge.txt"));
  fs::resize_file(path("huge.txt"), kMaxInputBytes + 1);
  std::string problem;
  EXPECT_FALSE(ReadInputFile(path("huge.txt"), kMaxInputBytes, &problem).has_value());
  EXPECT_EQ(problem, "is larger than 64 MiB");
}

TEST_F(HostFilesTest, LockKeepsOtherHoldersOutAcrossReplacements) {
  std::string problem;
  std::unique_ptr<LockedFile> first = LockedFile::Lock(path("device.reg"), 0, &problem);
  ASSERT_TRUE(first) << problem;
  EXPECT_EQ(ReadFile(path("device.reg")), "") << "made empty when missing";
  EXPECT_EQ(first->read(100, &problem), std::optional<std::string>(""));

  EXPECT_FALSE(LockedFile::Lock(path("device.reg"), 0, &problem));
  EXPECT_EQ(problem, "in use");
  // Replacing the file moves the lock to the new file.
  ASSERT_TRUE(first->replace("one", &problem)) << problem;
  EXPECT_FALSE(LockedFile::Lock(path("device.reg"), 0, &problem));
  EXPECT_EQ(problem, "in use");
  EXPECT_EQ(first->read(100, &problem), std::optional<std::string>("one"));

  // A waiting holder gets the file once the first one lets go, with what it left there.
  std::thread holder([&first] {
    std::string p;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(first->replace("two", &p)) << p;
    first.reset();
  });
  std::unique_ptr<LockedFile> second = LockedFile::Lock(path("device.reg"), 60000, &problem);
  holder.join();
  ASSERT_TRUE(second) << problem;
  EXPECT_EQ(second->read(100, &problem), std::optional<std::string>("two"));
  EXPECT_EQ(names(), std::vector<std::string>{"device.reg"});

  EXPECT_FALSE(LockedFile::Lock(device("full"), 0, &problem));
  EXPECT_EQ(problem, path("full") + " is not a plain file");
}

}  // namespace
}  // namespace emu
