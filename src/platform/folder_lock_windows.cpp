// The folder lock on Windows: LockFileEx on the lock file, which Windows releases when the
// process ends, however it ends.
#include <windows.h>

#include "platform/file_system.h"
#include "platform/folder_lock.h"
#include "platform/windows_text.h"

namespace tarn {

namespace {

// The lock covers one byte far past the end of the file: Windows' locks are mandatory, and
// a lock on the process id itself would keep the second run from reading who holds it.
constexpr DWORD kLockOffsetHigh = 0x7FFF0000;

}  // namespace

std::unique_ptr<FolderLock> FolderLock::Take(const std::string& folder, std::string_view name,
                                             Outcome& outcome, std::string& holder) {
  holder.clear();
  const std::string path = JoinPath(folder, ".tarn-" + std::string(name) + ".lock");
  // FILE_FLAG_OPEN_REPARSE_POINT: a lock file that is a link is opened as the link, and
  // refused, rather than followed elsewhere.
  HANDLE h = ::CreateFileW(LongPath(WidenUtf8(path)).c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                           nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    // Say what is in the lock file's place when it is something, else why it cannot be had.
    const DWORD error = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesW(LongPath(WidenUtf8(path)).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      holder = path + " is a folder";
      outcome = Outcome::kRefused;
    } else {
      holder = path + " cannot be opened: " + WindowsErrorText(error);
      outcome = Outcome::kUnavailable;
    }
    return nullptr;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(h, &info)) {
    holder = path + " cannot be opened: " + WindowsErrorText(::GetLastError());
    ::CloseHandle(h);
    outcome = Outcome::kUnavailable;
    return nullptr;
  }
  if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) {
    holder = path + " is " +
             ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? "a link" : "a folder");
    ::CloseHandle(h);
    outcome = Outcome::kRefused;
    return nullptr;
  }
  OVERLAPPED at{};
  at.OffsetHigh = kLockOffsetHigh;
  if (!::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    if (const DWORD error = ::GetLastError(); error != ERROR_LOCK_VIOLATION) {
      holder = path + " cannot be locked: " + WindowsErrorText(error);
      ::CloseHandle(h);
      outcome = Outcome::kUnavailable;
      return nullptr;
    }
    char text[32] = {};
    DWORD got = 0;
    OVERLAPPED start{};
    if (::ReadFile(h, text, sizeof text - 1, &got, &start) && got > 0) holder.assign(text, got);
    while (!holder.empty() && (holder.back() == '\n' || holder.back() == ' ')) holder.pop_back();
    ::CloseHandle(h);
    outcome = Outcome::kHeld;
    return nullptr;
  }
  // Who holds it, for the message a second run shows.
  const std::string pid = std::to_string(::GetCurrentProcessId()) + "\n";
  LARGE_INTEGER zero{};
  if (::SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) && ::SetEndOfFile(h)) {
    DWORD wrote = 0;
    ::WriteFile(h, pid.data(), static_cast<DWORD>(pid.size()), &wrote, nullptr);
  }
  outcome = Outcome::kTaken;
  return std::unique_ptr<FolderLock>(new FolderLock(h));
}

FolderLock::~FolderLock() {
  // Closing the handle releases the lock.
  ::CloseHandle(handle_);
}

}  // namespace tarn
