// The host's files as the runner and the emulated handset use them: inputs read with a size
// bound, outputs checked before a run and replaced atomically through one fixed-name temporary
// file beside the real target, and the lock that keeps two runs off one registry file.
//
// Every call into the host's file system that needs more than standard C++ lives here, so that
// another host needs a twin of this file only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

// The largest key script or .reg file read, so that a wrong path (a device, a huge log) fails
// at once instead of filling the memory.
inline constexpr std::uint64_t kMaxInputBytes = std::uint64_t{64} << 20;

// Reads a whole input file, which must be a plain file (symbolic links followed) of at most
// maxBytes. On failure returns nullopt and sets *problem: "cannot be read", "is not a plain
// file", "is larger than 64 MiB".
std::optional<std::string> ReadInputFile(const std::string& path, std::uint64_t maxBytes,
                                         std::string* problem);

// One file of a run and what it is, for messages: {"run.log", "--log"}.
struct RunFile {
  std::string path;
  std::string what;
  // Outputs that may name one file between them (successive screenshots of a key script).
  bool mayRepeat = false;
};

// Checks before a run that every output can be written safely (see OutputProblem) and that no
// two of the outputs and inputs are one file, compared by device and inode, not by spelling;
// an output's temporary file counts as that output's. Returns the first problem as a complete
// message ("--log x: ..."), or empty.
std::string CheckRunFiles(const std::vector<RunFile>& outputs, const std::vector<RunFile>& inputs);

// Why path cannot be written, or empty: the target (symbolic links followed) is there and is not
// a plain file, or has no write permission bits (even for root), or its folder is missing or not
// writable, or something other than a plain file sits where its temporary file goes.
std::string OutputProblem(const std::string& path);

// The file a write to path replaces: path with symbolic links followed to their final target.
// Returns path itself when a link cannot be read.
std::string OutputTarget(const std::string& path);

// The one temporary file of a target, beside it: "<target>.tmp". A stale one (left by a killed
// run) is removed by the next write.
std::string TemporaryFileFor(const std::string& target);

// Replaces the target of path with bytes: written to its temporary file, flushed to the disk,
// then renamed over the target, which keeps its permissions. Refuses a target that is not a
// plain writable file. On failure returns false, sets *problem and leaves the target as it was.
bool ReplaceFile(const std::string& path, std::string_view bytes, std::string* problem);

// An exclusive lock on a file for as long as this object lives; replace() keeps the lock on the
// new file. Another process locking the same path waits for it.
class LockedFile {
 public:
  // Locks the target of path, creating it empty when it does not exist. Waits up to waitMs for
  // another holder; nullptr with *problem "in use" when it still holds the file, or another
  // problem ("is not a plain file", ...).
  static std::unique_ptr<LockedFile> Lock(const std::string& path, std::uint32_t waitMs,
                                          std::string* problem);
  ~LockedFile();
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;

  const std::string& target() const { return target_; }
  // The locked file's bytes; nullopt and *problem as ReadInputFile.
  std::optional<std::string> read(std::uint64_t maxBytes, std::string* problem) const;
  // As ReplaceFile, for the locked file.
  bool replace(std::string_view bytes, std::string* problem);

 private:
  LockedFile(int fd, std::string target) : fd_(fd), target_(std::move(target)) {}
  int fd_;
  std::string target_;
};

}  // namespace emu
