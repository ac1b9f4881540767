// One run at a time per folder: an exclusive lock the operating system holds for a run (an
// flock on a file in the folder), so that a second run that would write the same KV.MDB or
// tarn.log is refused at once, and a run that is killed leaves nothing that blocks the next.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tarn {

class FolderLock {
 public:
  enum class Outcome {
    kTaken,        // this run holds the lock
    kHeld,         // another run holds it
    kRefused,      // the lock file is a link or not a regular file: nothing is locked through it
    kUnavailable,  // no descriptor of the lock file can be had (a missing or read-only folder,
                   // a lock file this user may not read)
  };

  // Whether a run may go on when no lock file can be opened at all (kUnavailable).
  enum class Need {
    kRequired,    // the home: KV.MDB and TARN.MDB are never written unlocked
    kIfPossible,  // the log folder: a run that cannot write there fails on its own there
  };

  // Tries to take the lock called name in folder (the file ".tarn-NAME.lock"). A lock file
  // this user may not write (another user made it in a shared folder) is locked through a
  // read-only descriptor. detail is, for kHeld, the holder's process id as it wrote it (empty
  // when it could not); for kRefused and kUnavailable, why, naming the lock file. The lock
  // lasts as long as the object.
  static std::unique_ptr<FolderLock> Take(const std::string& folder, std::string_view name,
                                          Outcome& outcome, std::string& detail);

  // Takes the lock, or says in why what keeps this run from it: the words for a run that is
  // refused. Returns null with why set when another run holds the lock, when the lock file
  // is refused, and (need kRequired) when no lock can be had; null with why empty only when
  // no lock can be had and need is kIfPossible. what names the folder ("home folder").
  static std::unique_ptr<FolderLock> TakeOrSay(const std::string& folder, std::string_view name,
                                               std::string_view what, Need need, std::string& why);

  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
#ifdef _WIN32
  explicit FolderLock(void* handle) : handle_(handle) {}
  void* handle_;  // the lock file's HANDLE, locked with LockFileEx
#else
  FolderLock(int fd, bool tells_holder) : fd_(fd), tells_holder_(tells_holder) {}
  int fd_;
  bool tells_holder_;  // this run's process id is written in the lock file
#endif
};

}  // namespace tarn
