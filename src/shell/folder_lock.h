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
    kUnavailable,  // no lock file can be made there (a missing or read-only folder)
  };

  // Tries to take the lock called name in folder (the file ".tarn-NAME.lock"). When another
  // run holds it, holder is its process id as it wrote it. The lock lasts as long as the
  // object.
  static std::unique_ptr<FolderLock> Take(const std::string& folder, std::string_view name,
                                          Outcome& outcome, std::string& holder);

  // Takes the lock, or says in why who holds it: the words for a run that is refused.
  // Returns null both when another run holds it (why set) and when no lock can be had there
  // (why empty: a run that cannot lock a missing folder fails on its own there).
  static std::unique_ptr<FolderLock> TakeOrSay(const std::string& folder, std::string_view name,
                                               std::string_view what, std::string& why);

  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
#ifdef _WIN32
  explicit FolderLock(void* handle) : handle_(handle) {}
  void* handle_;  // the lock file's HANDLE, locked with LockFileEx
#else
  explicit FolderLock(int fd) : fd_(fd) {}
  int fd_;
#endif
};

}  // namespace tarn
