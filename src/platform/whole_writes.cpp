// The machine's file system, for what TARN writes for the user: files and folders written
// whole beside their target and renamed over it, so that nothing the user owns is ever left
// half written.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <ctime>
#include <filesystem>

#include "platform/error.h"
#include "platform/file_system.h"

namespace tarn {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTag = ".tarn-";

[[noreturn]] void RaiseWrite(int err, const std::string& path) {
  if (err == ENOENT || err == ENOTDIR) RaisePlatformError(kErrPathNotFound);
  throw TarnError(kErrPathFileAccess,
                  "Path/File access error: " + path + ": " + SystemErrorText(err),
                  std::string(kAppName));
}

// Writes data in blocks of at most 1 MiB, calling after_block after each.
template <typename AfterBlock>
void WriteAll(int fd, std::string_view data, const std::string& path, AfterBlock after_block) {
  const char* p = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, std::min<std::size_t>(left, std::size_t{1} << 20));
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      RaiseWrite(err, path);
    }
    p += n;
    left -= static_cast<std::size_t>(n);
    after_block();
  }
}

void SyncFolder(const std::string& folder) {
  // Makes the rename itself last; where the system cannot, the rename is still whole.
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

void RemoveLeftovers(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> gone;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.find(kTag) == std::string_view::npos) continue;
    struct stat st {};
    const std::string path = folder + "/" + std::string(name);
    if (::lstat(path.c_str(), &st) != 0) continue;
    if (IsLeftover(name, st.st_mtime)) gone.push_back(path);
  }
  ::closedir(dir);
  for (const std::string& path : gone) {
    std::error_code ec;
    fs::remove_all(path, ec);  // best effort: another run may be removing it too
  }
}

}  // namespace

void RealFileSystem::WriteNewFile(const std::string& path, std::string_view data) const {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) RaiseWrite(errno, path);
  Step(WriteStep::kTemporaryMade);
  WriteAll(fd, data, path, [this] { Step(WriteStep::kPartWritten); });
  Step(WriteStep::kAllWritten);
  if (::fsync(fd) != 0) {
    const int err = errno;
    ::close(fd);
    RaiseWrite(err, path);
  }
  if (::close(fd) != 0) RaiseWrite(errno, path);
  Step(WriteStep::kFlushed);
}

std::string TemporaryBeside(const std::string& path, std::string_view kind) {
  auto [folder, name] = FolderAndName(path);
  std::string temp =
      "." + name + std::string(kTag) + std::to_string(::getpid()) + "." + std::string(kind);
  return folder == "." && path.find('/') == std::string::npos ? temp : JoinPath(folder, temp);
}

bool ProcessHasEnded(std::uint64_t pid) {
  if (pid == static_cast<std::uint64_t>(::getpid())) return false;
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

void RealFileSystem::WriteWholeFile(const std::string& path, std::string_view data) {
  std::string target = path;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    // A link stays a link: what it leads to is replaced.
    std::error_code ec;
    const fs::path real = fs::weakly_canonical(path, ec);
    if (ec) RaiseWrite(ec.value(), path);
    target = real.string();
  }
  if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    if (S_ISDIR(st.st_mode)) RaiseWrite(EISDIR, path);
    // A FIFO or a device has no "beside": it takes the data as it comes. Opened without
    // blocking, so that a FIFO nobody reads is an error at once, not a run that never ends;
    // the writes then wait for the reader as usual.
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      if (errno == ENXIO) {
        throw TarnError(kErrPathFileAccess,
                        "Path/File access error: " + path + ": no process reads the FIFO",
                        std::string(kAppName));
      }
      RaiseWrite(errno, path);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    WriteAll(fd, data, path, [] {});
    if (::close(fd) != 0) RaiseWrite(errno, path);
    return;
  }
  const std::string folder = FolderAndName(target).first;
  RemoveLeftovers(folder);
  const std::string temp = TemporaryBeside(target, "tmp");
  ::unlink(temp.c_str());  // this process's own, from an earlier write that failed
  try {
    WriteNewFile(temp, data);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    RaiseWrite(err, path);
  }
  Step(WriteStep::kRenamed);
  SyncFolder(folder);
}

void RealFileSystem::ReplaceFolder(const std::string& path, const std::vector<FolderFile>& files) {
  const std::string parent = FolderAndName(path).first;
  struct stat st {};
  if (::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    RaisePlatformError(kErrPathNotFound);
  }
  RemoveLeftovers(parent);
  const std::string fresh = TemporaryBeside(path, "new");
  const std::string old = TemporaryBeside(path, "old");
  std::error_code ec;
  fs::remove_all(fresh, ec);
  if (::mkdir(fresh.c_str(), 0755) != 0) RaiseWrite(errno, path);
  try {
    for (const FolderFile& file : files) WriteNewFile(JoinPath(fresh, file.name), file.data);
    SyncFolder(fresh);
  } catch (...) {
    fs::remove_all(fresh, ec);
    throw;
  }
  const bool exists = ::lstat(path.c_str(), &st) == 0;
  if (!exists) {
    if (::rename(fresh.c_str(), path.c_str()) != 0) {
      const int err = errno;
      fs::remove_all(fresh, ec);
      RaiseWrite(err, path);
    }
  } else if (::renameat2(AT_FDCWD, fresh.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) == 0) {
    // One step: at no moment is path missing. What was there is now under the new name.
    fs::remove_all(fresh, ec);
  } else {
    // Two steps. A kill between them leaves path missing and both folders beside it under
    // names that say what they hold.
    if (::rename(path.c_str(), old.c_str()) != 0) {
      const int err = errno;
      fs::remove_all(fresh, ec);
      RaiseWrite(err, path);
    }
    if (::rename(fresh.c_str(), path.c_str()) != 0) {
      const int err = errno;
      ::rename(old.c_str(), path.c_str());
      fs::remove_all(fresh, ec);
      RaiseWrite(err, path);
    }
    fs::remove_all(old, ec);
  }
  SyncFolder(parent);
}

std::optional<FileIdentity> RealFileSystem::IdentityOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.empty() ? "." : path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool RealFileSystem::FolderExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.empty() ? "." : path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> RealFileSystem::ListFolder(const std::string& path) {
  DIR* dir = ::opendir(path.empty() ? "." : path.c_str());
  if (dir == nullptr) RaisePlatformError(kErrPathNotFound);
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

void RealFileSystem::MakeFolder(const std::string& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
  if (ec) {
    throw TarnError(kErrPathFileAccess,
                    "Path/File access error: " + path + ": " + SystemErrorText(ec.value()),
                    std::string(kAppName));
  }
}

std::string RealFileSystem::MakeScratchFolder() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = "/tmp";
  std::string pattern = (base / "tarn-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) RaiseWrite(errno, pattern);
  return pattern;
}

void RealFileSystem::RemoveScratchFolder(const std::string& path) {
  std::error_code ec;
  fs::remove_all(path, ec);
}

}  // namespace tarn
