// Whole inputs the user names on the command line: a binary file to convert, a baseline. Unlike
// the game's files they may be pipes (`--baseline <(git show ...)`), so the rules differ from
// OpenForReading: a pipe is read, but never waited on once nobody writes it. Also the files
// read in place: a mapped DLL, the running program.
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <system_error>

#include "platform/error.h"
#include "platform/file_system.h"

namespace tarn {

namespace {

constexpr std::size_t kBlockSize = 64 * 1024;

[[noreturn]] void RaiseInput(int err, const char* what) {
  const std::string reason = SystemErrorText(err);
  throw TarnError(err == ENOENT || err == ENOTDIR ? kErrFileNotFound : kErrPathFileAccess,
                  std::string(what) + (reason.empty() ? "" : ": " + reason), std::string(kAppName));
}

// Only a regular file and a pipe are inputs: a folder has no bytes, a device can give bytes
// without end (/dev/zero) or wait forever, and a socket cannot be opened at all.
void RefuseKind(mode_t mode) {
  const char* kind = S_ISDIR(mode)                    ? "a folder"
                     : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                     : S_ISSOCK(mode)                 ? "a socket"
                                                      : nullptr;
  if (kind != nullptr) {
    throw TarnError(kErrPathFileAccess, std::string("is ") + kind + ", not a file",
                    std::string(kAppName));
  }
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { ::close(fd_); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

// Waits until the pipe has bytes or its last writer is gone.
void AwaitWriter(int fd) {
  pollfd wanted{fd, POLLIN, 0};
  while (::poll(&wanted, 1, -1) < 0) {
    if (errno != EINTR) RaiseInput(errno, "cannot be read");
  }
}

class PosixMappedFile : public MappedFile {
 public:
  PosixMappedFile(const void* address, std::size_t size)
      : bytes_(static_cast<const std::uint8_t*>(address), size) {}
  ~PosixMappedFile() override {
    // As with any release, the result is not examined: there is nothing left to do about it.
    if (!bytes_.empty()) ::munmap(const_cast<std::uint8_t*>(bytes_.data()), bytes_.size());
  }
  PosixMappedFile(const PosixMappedFile&) = delete;
  PosixMappedFile& operator=(const PosixMappedFile&) = delete;
  std::span<const std::uint8_t> Bytes() const override { return bytes_; }

 private:
  std::span<const std::uint8_t> bytes_;
};

[[noreturn]] void RaiseMapping(int err) {
  throw TarnError(kErrPathFileAccess, SystemErrorText(err), std::string(kAppName));
}

}  // namespace

std::unique_ptr<MappedFile> RealFileSystem::MapForReading(const std::string& path) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it is then refused for what it is.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) RaiseMapping(errno);
  const Descriptor file(fd);  // the mapping keeps the file open for itself
  struct stat st {};
  if (::fstat(fd, &st) != 0) RaiseMapping(errno);
  if (S_ISDIR(st.st_mode)) RaiseMapping(EISDIR);
  if (!S_ISREG(st.st_mode)) RaiseMapping(ENOEXEC);
  // mmap refuses an empty file; there is nothing to map.
  if (st.st_size == 0) return std::make_unique<PosixMappedFile>(nullptr, 0);
  const auto size = static_cast<std::size_t>(st.st_size);
  void* address = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (address == MAP_FAILED) RaiseMapping(errno);
  return std::make_unique<PosixMappedFile>(address, size);
}

std::string RealFileSystem::AbsolutePath(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  if (ec) return FileSystem::AbsolutePath(path);
  return absolute.lexically_normal().generic_string();
}

std::string RealFileSystem::ExecutableFolder() {
  std::string path(PATH_MAX, '\0');
  const ssize_t got = ::readlink("/proc/self/exe", path.data(), path.size());
  if (got <= 0 || static_cast<std::size_t>(got) >= path.size()) return ".";
  path.resize(static_cast<std::size_t>(got));
  return FolderAndName(path).first;
}

std::string RealFileSystem::ReadWholeInput(const std::string& path, std::int64_t max_bytes) {
  // Looked at before it is opened: opening a device can already do something to it.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) RefuseKind(st.st_mode);
  // O_NONBLOCK: opening a FIFO does not wait for a writer, and reading it says when there is
  // none instead of waiting for one.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) RaiseInput(errno, "cannot be opened");
  const Descriptor input(fd);
  if (::fstat(fd, &st) != 0) RaiseInput(errno, "cannot be read");
  RefuseKind(st.st_mode);  // the file opened decides, whatever the path named a moment before
  if (S_ISREG(st.st_mode) && st.st_size > max_bytes) {
    throw LimitError(kErrFileTooLarge, max_bytes, st.st_size, 0);
  }

  std::string bytes;
  const auto limit = static_cast<std::size_t>(max_bytes);
  while (true) {
    // One byte past the limit is enough to know the input is over it.
    const std::size_t old_size = bytes.size();
    bytes.resize(old_size + std::min(kBlockSize, limit + 1 - old_size));
    const ssize_t n = ::read(fd, bytes.data() + old_size, bytes.size() - old_size);
    bytes.resize(old_size + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    if (n == 0) break;  // the end of a file; for a pipe, no writer is left
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) RaiseInput(errno, "cannot be read");
      AwaitWriter(fd);  // a writer holds the pipe open but has written nothing yet
      continue;
    }
    if (bytes.size() > limit) {
      throw LimitError(kErrFileTooLarge, max_bytes, static_cast<std::int64_t>(bytes.size()), 0);
    }
  }
  return bytes;
}

}  // namespace tarn
