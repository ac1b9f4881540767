#include "shell/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "shell/file_system.h"

namespace tarn {

std::unique_ptr<FolderLock> FolderLock::Take(const std::string& folder, std::string_view name,
                                             Outcome& outcome, std::string& holder) {
  holder.clear();
  const std::string path = JoinPath(folder, ".tarn-" + std::string(name) + ".lock");
  // O_NOFOLLOW: a lock file that is a link could make the run write elsewhere.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) {
    outcome = Outcome::kUnavailable;
    return nullptr;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) {
      ::close(fd);
      outcome = Outcome::kUnavailable;
      return nullptr;
    }
    char text[32] = {};
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    if (got > 0) holder.assign(text, static_cast<std::size_t>(got));
    while (!holder.empty() && (holder.back() == '\n' || holder.back() == ' ')) holder.pop_back();
    ::close(fd);
    outcome = Outcome::kHeld;
    return nullptr;
  }
  // Who holds it, for the message a second run shows.
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd, 0) == 0) {
    [[maybe_unused]] const ssize_t written = ::pwrite(fd, pid.data(), pid.size(), 0);
  }
  outcome = Outcome::kTaken;
  return std::unique_ptr<FolderLock>(new FolderLock(fd));
}

std::unique_ptr<FolderLock> FolderLock::TakeOrSay(const std::string& folder, std::string_view name,
                                                  std::string_view what, std::string& why) {
  why.clear();
  Outcome outcome;
  std::string holder;
  std::unique_ptr<FolderLock> lock = Take(folder, name, outcome, holder);
  if (outcome == Outcome::kHeld) {
    why = "another TARN run (process " + (holder.empty() ? std::string("unknown") : holder) +
          ") is using the " + std::string(what) + " " + (folder.empty() ? "." : folder) +
          "; try again when it has ended";
  }
  return lock;
}

FolderLock::~FolderLock() {
  // Closing the file releases the lock.
  ::close(fd_);
}

}  // namespace tarn
