#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>

#include "platform/ascii_case.h"
#include "platform/error.h"

namespace tarn {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void RaiseFromErrno(int err, const std::string& path) {
  if (err == ENOENT) {
    // A missing file with an existing folder is "file not found"; a missing folder on
    // the way is "path not found".
    std::string folder = path.substr(0, path.find_last_of('/') + 1);
    struct stat st {};
    if (!folder.empty() && (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
      RaisePlatformError(kErrPathNotFound);
    }
    RaisePlatformError(kErrFileNotFound);
  }
  if (err == ENOTDIR) RaisePlatformError(kErrPathNotFound);
  throw TarnError(kErrPathFileAccess, "Path/File access error: " + SystemErrorText(err),
                  std::string(kAppName));
}

FileIdentity IdentityOfStat(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

class PosixInputFile : public InputFile {
 public:
  PosixInputFile(int fd, std::string path, std::string disk_path, const struct stat& st)
      : fd_(fd),
        path_(std::move(path)),
        disk_path_(std::move(disk_path)),
        size_(st.st_size),
        identity_(IdentityOfStat(st)) {}
  ~PosixInputFile() override { ::close(fd_); }
  PosixInputFile(const PosixInputFile&) = delete;
  PosixInputFile& operator=(const PosixInputFile&) = delete;

  std::size_t Read(char* buffer, std::size_t size) override {
    while (true) {
      ssize_t n = ::read(fd_, buffer, size);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR) RaiseFromErrno(errno, path_);
    }
  }

  std::string DiskPath() const override { return disk_path_; }
  std::int64_t Size() const override { return size_; }
  std::optional<FileIdentity> Identity() const override { return identity_; }

 private:
  int fd_;
  std::string path_;
  std::string disk_path_;
  std::int64_t size_;
  FileIdentity identity_;
};

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

[[noreturn]] void Refuse(const std::string& why) {
  throw TarnError(kErrFileNotFound, PlatformErrorText(kErrFileNotFound) + ": " + why,
                  std::string(kAppName));
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

// The path made absolute, "." and ".." taken out by their text alone.
std::string Lexical(const std::string& path) {
  std::error_code ec;
  return fs::absolute(path, ec).lexically_normal().generic_string();
}

// The path of the file open at fd, as the kernel keeps it ("/proc/self/fd/N"); empty when
// the system does not tell.
std::string OpenedPath(int fd) {
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  std::string target(PATH_MAX, '\0');
  const ssize_t got = ::readlink(link.c_str(), target.data(), target.size());
  if (got <= 0 || static_cast<std::size_t>(got) >= target.size() || target[0] != '/') return {};
  target.resize(static_cast<std::size_t>(got));
  return target;
}

bool Below(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         (folder.back() == '/' || path[folder.size()] == '/');
}

}  // namespace

void RealFileSystem::Confine(const std::string& folder, bool follow_links) {
  follow_links_ = follow_links;
  confined_as_given_.clear();
  confined_real_.clear();
  if (folder.empty()) return;
  confined_as_given_ = Lexical(folder);
  while (confined_as_given_.size() > 1 && confined_as_given_.back() == '/') {
    confined_as_given_.pop_back();
  }
  // A game folder that is a link, or holds links within itself, is read as usual: files are
  // judged by where they really are.
  std::error_code ec;
  const fs::path real = fs::canonical(folder, ec);
  confined_real_ = ec ? confined_as_given_ : real.generic_string();
}

void RealFileSystem::CheckConfined(const std::string& disk_path) const {
  if (confined_as_given_.empty()) return;
  std::error_code ec;
  const fs::path real = fs::canonical(disk_path, ec);
  if (ec) return;  // a missing file is reported as such when it is opened
  if (!Below(real.generic_string(), confined_real_) && !follow_links_) {
    Refuse("a link leads out of the game folder, to " + real.generic_string() +
           " (--follow-links reads it)");
  }
}

void RealFileSystem::CheckOpenedConfined(int fd, const std::string& disk_path,
                                         FileIdentity opened) const {
  if (confined_as_given_.empty() || follow_links_) return;
  // Where the kernel says the descriptor leads: no path is resolved again, so nothing
  // swapped in since the open can change the answer.
  std::string real = OpenedPath(fd);
  if (real.empty()) {
    // Without /proc: the file the path resolves to now must be the very file opened.
    std::error_code ec;
    real = fs::canonical(disk_path, ec).generic_string();
    struct stat now {};
    if (ec || ::stat(real.c_str(), &now) != 0 || IdentityOfStat(now) != opened) {
      Refuse("it changed while it was opened");
    }
  }
  if (!Below(real, confined_real_)) {
    Refuse("a link leads out of the game folder, to " + real + " (--follow-links reads it)");
  }
}

std::unique_ptr<InputFile> RealFileSystem::OpenForReading(const std::string& path) {
  // A name that leads out of the game folder by its ".." is refused before anything of
  // where it leads is looked at.
  if (!confined_as_given_.empty() && !Below(Lexical(path), confined_as_given_)) {
    Refuse("it lies outside the game folder");
  }
  std::string disk_path = path;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
    disk_path = ResolveLetterCase(path);
  }
  // The path is judged first, so that a link out is refused with where it leads before
  // anything is opened; the file opened is judged again below, since the path may name
  // another file by the time it is opened.
  CheckConfined(disk_path);
  // Without O_NONBLOCK, opening a FIFO waits for a writer that never comes.
  const int fd = ::open(disk_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    int err = errno;
    if (err == ENOENT || err == ENOTDIR) RaiseFromErrno(err, path);
    // A socket or a device without a driver cannot be opened at all; say what it is.
    if (::stat(disk_path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
      Refuse(std::string("it is ") + KindOf(st.st_mode));
    }
    // A file that is there but cannot be read is, to the game, a file it cannot find.
    RaisePlatformError(kErrFileNotFound);
  }
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    RaisePlatformError(kErrFileNotFound);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    Refuse(std::string("it is ") + KindOf(st.st_mode));
  }
  try {
    CheckOpenedConfined(fd, disk_path, IdentityOfStat(st));
  } catch (...) {
    ::close(fd);
    throw;
  }
  return std::make_unique<PosixInputFile>(fd, path, std::move(disk_path), st);
}

const std::vector<std::string>& RealFileSystem::Listing(const std::string& folder) {
  auto found = listings_.find(folder);
  if (found != listings_.end()) return found->second;
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      std::string_view name = entry->d_name;
      if (name != "." && name != "..") names.emplace_back(name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return listings_.emplace(folder, std::move(names)).first->second;
}

std::string RealFileSystem::ResolveLetterCase(const std::string& path) {
  return ResolveLetterCaseWith(
      path, {Exists,
             [this](const std::string& folder) -> const std::vector<std::string>& {
               return Listing(folder);
             },
             IsFolder});
}

void RealFileSystem::AppendToFile(const std::string& path, std::string_view data) {
  // O_NOFOLLOW: a log that is a link would write wherever the link leads.
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) {
    int err = errno;
    // Appending never reports "file not found": the file is created, so ENOENT means
    // the folder is missing.
    if (err == ENOENT) RaisePlatformError(kErrPathNotFound);
    if (err == ELOOP) {
      throw TarnError(kErrPathFileAccess, "Path/File access error: the file is a link",
                      std::string(kAppName));
    }
    RaiseFromErrno(err, path);
  }
  const char* p = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      RaiseFromErrno(err, path);
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) RaiseFromErrno(errno, path);
}

void RealFileSystem::RemoveFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    RaiseFromErrno(EISDIR, path);
  }
  if (::unlink(path.c_str()) != 0) RaiseFromErrno(errno, path);
}

bool RealFileSystem::FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty()) path += '/';
  path += name;
  return path;
}

}  // namespace tarn
