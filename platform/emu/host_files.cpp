#include "platform/emu/host_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace emu {

namespace {

std::string Error() { return std::strerror(errno); }

// The folder part of a path: "." for a bare name, "/" for a file at the root.
std::string Folder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SizeText(std::uint64_t bytes) {
  if (bytes % (std::uint64_t{1} << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
  return std::to_string(bytes) + " bytes";
}

// Reads from the start of an open plain file; nullopt when it holds more than maxBytes.
std::optional<std::string> ReadAll(int fd, std::uint64_t maxBytes, std::string* problem) {
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(bytes.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *problem = "cannot be read (" + Error() + ")";
      return std::nullopt;
    }
    if (n == 0) return bytes;
    if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
      *problem = "is larger than " + SizeText(maxBytes);
      return std::nullopt;
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

// The reason a file found by stat() cannot be read as an input, or empty.
std::string InputKindProblem(const struct stat& st, std::uint64_t maxBytes) {
  if (S_ISDIR(st.st_mode)) return "is a folder";
  if (!S_ISREG(st.st_mode)) return "is not a plain file";
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
    return "is larger than " + SizeText(maxBytes);
  }
  return {};
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A file's identity: device and inode when it exists, otherwise its folder's and its name.
struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  std::string name;
  bool operator==(const FileId&) const = default;
};

std::optional<FileId> IdOf(const std::string& path) {
  const std::string target = OutputTarget(path);
  struct stat st;
  if (::stat(target.c_str(), &st) == 0) return FileId{st.st_dev, st.st_ino, {}};
  if (::stat(Folder(target).c_str(), &st) == 0)
    return FileId{st.st_dev, st.st_ino, BaseName(target)};
  return std::nullopt;
}

void WriteAll(int fd, std::string_view bytes, std::string* problem, const std::string& file) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *problem = "cannot write " + file + ": " + Error();
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

// Replaces target (no link) through its temporary file. With lockFd, the new file is locked
// before it takes the target's name and replaces *lockFd as the held lock.
bool ReplaceTarget(const std::string& target, std::string_view bytes, std::string* problem,
                   int* lockFd) {
  struct stat old;
  const bool existed = ::lstat(target.c_str(), &old) == 0;
  if (existed && !S_ISREG(old.st_mode)) {
    *problem = "cannot replace " + target + ": it is not a plain file";
    return false;
  }
  if (existed && (old.st_mode & 0222) == 0) {
    *problem = "cannot replace " + target + ": it is read-only";
    return false;
  }
  const std::string temporary = TemporaryFileFor(target);
  struct stat stale;
  if (::lstat(temporary.c_str(), &stale) == 0 && S_ISREG(stale.st_mode)) {
    ::unlink(temporary.c_str());  // left by a run that was killed while writing
  }
  const int fd =
      ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    *problem = "cannot create " + temporary + ": " + Error();
    return false;
  }
  problem->clear();
  WriteAll(fd, bytes, problem, temporary);
  if (problem->empty() && ::fsync(fd) != 0) *problem = "cannot write " + temporary + ": " + Error();
  if (problem->empty() && existed) {
    // The replacement keeps the old file's permissions and, where allowed, its owner.
    if (::fchmod(fd, old.st_mode & 07777) != 0) {
      *problem = "cannot set the permissions of " + temporary + ": " + Error();
    } else if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
               ::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Only root may give the file back to its owner; anyone else makes it their own.
    }
  }
  if (problem->empty() && lockFd && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    *problem = "cannot lock " + temporary + ": " + Error();
  }
  struct stat mine, named;
  if (problem->empty() && (::fstat(fd, &mine) != 0 || ::lstat(temporary.c_str(), &named) != 0 ||
                           !SameFile(mine, named))) {
    *problem = "cannot replace " + target + ": " + temporary + " was replaced by another program";
  }
  if (problem->empty() && ::rename(temporary.c_str(), target.c_str()) != 0) {
    *problem = "cannot replace " + target + ": " + Error();
    ::unlink(temporary.c_str());
  } else if (!problem->empty()) {
    if (::lstat(temporary.c_str(), &named) == 0 && ::fstat(fd, &mine) == 0 &&
        SameFile(mine, named)) {
      ::unlink(temporary.c_str());
    }
  }
  if (!problem->empty()) {
    ::close(fd);
    return false;
  }
  // The rename itself reaches the disk with its folder.
  const int folder = ::open(Folder(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  if (lockFd) {
    ::close(*lockFd);
    *lockFd = fd;
  } else {
    ::close(fd);
  }
  return true;
}

}  // namespace

std::optional<std::string> ReadInputFile(const std::string& path, std::uint64_t maxBytes,
                                         std::string* problem) {
  // A device is never opened (opening some has effects); and should a pipe take the place of
  // the file meanwhile, the open does not wait for a writer.
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    *problem = "cannot be read";
    return std::nullopt;
  }
  if (std::string kind = InputKindProblem(st, maxBytes); !kind.empty()) {
    *problem = kind;
    return std::nullopt;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *problem = "cannot be read";
    return std::nullopt;
  }
  std::optional<std::string> bytes;
  if (::fstat(fd, &st) != 0) {
    *problem = "cannot be read (" + Error() + ")";
  } else if (std::string kind = InputKindProblem(st, maxBytes); !kind.empty()) {
    *problem = kind;
  } else {
    bytes = ReadAll(fd, maxBytes, problem);
  }
  ::close(fd);
  return bytes;
}

std::string OutputTarget(const std::string& path) {
  std::string p = path;
  // Enough hops for any real chain; a loop is then reported by OutputProblem.
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
    const ssize_t n = ::readlink(p.c_str(), link.data(), link.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) return p;
    link.resize(static_cast<std::size_t>(n));
    if (link[0] == '/' || p.find('/') == std::string::npos) {
      p = link;
    } else {
      p = Folder(p) + "/" + link;
    }
  }
  return p;
}

std::string TemporaryFileFor(const std::string& target) { return target + ".tmp"; }

std::string OutputProblem(const std::string& path) {
  const std::string target = OutputTarget(path);
  struct stat st;
  if (::lstat(target.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) return "too many levels of symbolic links";
    if (S_ISDIR(st.st_mode)) return "is a folder";
    if (!S_ISREG(st.st_mode)) return "is not a plain file (a device, pipe or socket)";
    // Read-only means read-only for root too, which access() would let through.
    if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) return "is read-only";
  } else if (errno != ENOENT && errno != ENOTDIR) {
    return Error();
  }
  const std::string folder = Folder(target);
  if (::stat(folder.c_str(), &st) != 0) return "folder " + folder + " does not exist";
  if (!S_ISDIR(st.st_mode)) return folder + " is not a folder";
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return "folder " + folder + " is not writable";
  const std::string temporary = TemporaryFileFor(target);
  if (::lstat(temporary.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    return "its temporary file " + temporary + " is in the way (not a plain file)";
  }
  return {};
}

std::string CheckRunFiles(const std::vector<RunFile>& outputs, const std::vector<RunFile>& inputs) {
  const auto name = [](const RunFile& f) { return f.what + " " + f.path; };
  for (const RunFile& out : outputs) {
    if (out.path.empty()) return out.what + " needs a file name";
    if (std::string problem = OutputProblem(out.path); !problem.empty()) {
      const std::string target = OutputTarget(out.path);
      return name(out) + (target != out.path ? " (a link to " + target + ")" : "") + ": " + problem;
    }
  }

  struct Entry {
    std::optional<FileId> id;
    const RunFile* file;
    bool temporary;
  };
  std::vector<Entry> entries;
  for (const RunFile& out : outputs) {
    entries.push_back({IdOf(out.path), &out, false});
    entries.push_back({IdOf(TemporaryFileFor(OutputTarget(out.path))), &out, true});
  }
  for (const RunFile& in : inputs) entries.push_back({IdOf(in.path), &in, false});

  for (std::size_t i = 0; i < entries.size(); ++i) {
    for (std::size_t j = i + 1; j < entries.size(); ++j) {
      const Entry& a = entries[i];
      const Entry& b = entries[j];
      if (!a.id || !b.id || *a.id != *b.id || a.file == b.file) continue;
      if (a.temporary == b.temporary && a.file->mayRepeat && b.file->mayRepeat) continue;
      if (a.temporary || b.temporary) {
        const Entry& temp = a.temporary ? a : b;
        const Entry& other = a.temporary ? b : a;
        return name(*other.file) + " is the temporary file of " + name(*temp.file);
      }
      return name(*a.file) + " and " + name(*b.file) + " are the same file";
    }
  }
  return {};
}

bool ReplaceFile(const std::string& path, std::string_view bytes, std::string* problem) {
  return ReplaceTarget(OutputTarget(path), bytes, problem, nullptr);
}

std::unique_ptr<LockedFile> LockedFile::Lock(const std::string& path, std::uint32_t waitMs,
                                             std::string* problem) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  const std::string target = OutputTarget(path);
  for (;;) {
    // Not following a link, not blocking: only a plain file is ever opened.
    int fd = ::open(target.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
      fd = ::open(target.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd < 0 && errno == EEXIST) continue;  // another run made it first
      if (fd < 0) {
        *problem = "cannot create " + target + ": " + Error();
        return nullptr;
      }
    }
    if (fd < 0) {
      *problem = "cannot open " + target + ": " + Error();
      return nullptr;
    }
    struct stat held;
    if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
      ::close(fd);
      *problem = target + " is not a plain file";
      return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      // The holder may have replaced the file before letting go: the lock counts only on the
      // file that the name still stands for.
      struct stat named;
      if (::lstat(target.c_str(), &named) == 0 && SameFile(held, named)) {
        return std::unique_ptr<LockedFile>(new LockedFile(fd, target));
      }
      ::close(fd);
      continue;
    }
    const int error = errno;
    ::close(fd);
    if (error != EWOULDBLOCK) {
      errno = error;
      *problem = "cannot lock " + target + ": " + Error();
      return nullptr;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      *problem = "in use";
      return nullptr;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

LockedFile::~LockedFile() { ::close(fd_); }

std::optional<std::string> LockedFile::read(std::uint64_t maxBytes, std::string* problem) const {
  struct stat st;
  if (::fstat(fd_, &st) != 0) {
    *problem = "cannot be read (" + Error() + ")";
    return std::nullopt;
  }
  if (std::string kind = InputKindProblem(st, maxBytes); !kind.empty()) {
    *problem = kind;
    return std::nullopt;
  }
  return ReadAll(fd_, maxBytes, problem);
}

bool LockedFile::replace(std::string_view bytes, std::string* problem) {
  return ReplaceTarget(target_, bytes, problem, &fd_);
}

}  // namespace emu
