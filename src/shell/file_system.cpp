#include "shell/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

}  // namespace

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
