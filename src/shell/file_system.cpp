#include "shell/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "shell/ascii_case.h"
#include "shell/error.h"

namespace tarn {

namespace {

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

class PosixInputFile : public InputFile {
 public:
  PosixInputFile(int fd, std::string path, std::string disk_path)
      : fd_(fd), path_(std::move(path)), disk_path_(std::move(disk_path)) {}
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

 private:
  int fd_;
  std::string path_;
  std::string disk_path_;
};

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::unique_ptr<InputFile> RealFileSystem::OpenForReading(const std::string& path) {
  std::string disk_path = path;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) {
    disk_path = ResolveLetterCase(path);
    fd = ::open(disk_path.c_str(), O_RDONLY | O_CLOEXEC);
  }
  if (fd < 0) {
    int err = errno;
    if (err == ENOENT || err == ENOTDIR) RaiseFromErrno(err, path);
    // A file that is there but cannot be read is, to the game, a file it cannot find.
    RaisePlatformError(kErrFileNotFound);
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    RaisePlatformError(kErrFileNotFound);
  }
  return std::make_unique<PosixInputFile>(fd, path, std::move(disk_path));
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
  std::string resolved;
  std::size_t start = 0;
  if (!path.empty() && path[0] == '/') {
    resolved = "/";
    start = 1;
  }
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    const bool last = end == std::string::npos;
    std::string_view component(path.data() + start, (last ? path.size() : end) - start);
    start = last ? path.size() + 1 : end + 1;
    if (component.empty() || component == "." || component == "..") {
      if (!component.empty()) resolved.append(component);
      if (!last) resolved += '/';
      continue;
    }
    std::string candidate = resolved + std::string(component);
    if (!Exists(candidate)) {
      candidate.clear();
      // Among several case variants the first in byte order wins, whatever the order
      // the folder lists them in.
      for (const std::string& name : Listing(resolved)) {
        if (EqualsIgnoringAsciiCase(name, component)) {
          candidate = resolved + name;
          break;
        }
      }
      if (candidate.empty()) RaisePlatformError(last ? kErrFileNotFound : kErrPathNotFound);
    }
    if (!last && !IsFolder(candidate)) RaisePlatformError(kErrPathNotFound);
    resolved = std::move(candidate);
    if (!last) resolved += '/';
  }
  return resolved;
}

void RealFileSystem::AppendToFile(const std::string& path, std::string_view data) {
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    int err = errno;
    // Appending never reports "file not found": the file is created, so ENOENT means
    // the folder is missing.
    if (err == ENOENT) RaisePlatformError(kErrPathNotFound);
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
