#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/error.h"
#include "platform/file_system.h"

namespace tarn {

namespace {

const char* KindOf(mode_t mode) {
  if (S_ISLNK(mode)) return "a link";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

}  // namespace

std::unique_ptr<FolderLock> FolderLock::Take(const std::string& folder, std::string_view name,
                                             Outcome& outcome, std::string& detail) {
  detail.clear();
  const std::string path = JoinPath(folder, ".tarn-" + std::string(name) + ".lock");
  // O_NOFOLLOW: a lock file that is a link could make the run write elsewhere. O_NONBLOCK: a
  // FIFO in its place must not hold the run up before it is refused.
  constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
  bool writable = true;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | kFlags, 0644);
  int err = errno;
  if (fd < 0 && (err == EACCES || err == EPERM || err == EROFS)) {
    // flock needs no write access: a lock file another user made in a shared home, or one in
    // a folder mounted read-only, still keeps two runs apart.
    fd = ::open(path.c_str(), O_RDONLY | kFlags);
    writable = false;
  }
  if (fd < 0) {
    // Say what is in the lock file's place when it is something, else why it cannot be had.
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
      detail = path + " is " + KindOf(st.st_mode);
      outcome = Outcome::kRefused;
    } else {
      detail = path + " cannot be opened: " + SystemErrorText(err);
      outcome = Outcome::kUnavailable;
    }
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    detail = path + " is " + KindOf(st.st_mode);
    ::close(fd);
    outcome = Outcome::kRefused;
    return nullptr;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) {
      detail = path + " cannot be locked: " + SystemErrorText(errno);
      ::close(fd);
      outcome = Outcome::kUnavailable;
      return nullptr;
    }
    char text[32] = {};
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    if (got > 0) detail.assign(text, static_cast<std::size_t>(got));
    while (!detail.empty() && (detail.back() == '\n' || detail.back() == ' ')) detail.pop_back();
    ::close(fd);
    outcome = Outcome::kHeld;
    return nullptr;
  }
  // Who holds it, for the message a second run shows; not into a file that has other names,
  // which may be anything of the user's.
  const bool tells_holder = writable && st.st_nlink == 1;
  if (tells_holder && ::ftruncate(fd, 0) == 0) {
    const std::string pid = std::to_string(::getpid()) + "\n";
    [[maybe_unused]] const ssize_t written = ::pwrite(fd, pid.data(), pid.size(), 0);
  }
  outcome = Outcome::kTaken;
  return std::unique_ptr<FolderLock>(new FolderLock(fd, tells_holder));
}

FolderLock::~FolderLock() {
  // A run that can lock the file but not write it cannot name itself in it: what it holds
  // must not go on naming this run, which has ended.
  if (tells_holder_) {
    [[maybe_unused]] const int cleared = ::ftruncate(fd_, 0);
  }
  // Closing the file releases the lock.
  ::close(fd_);
}

}  // namespace tarn
