// Windows' own way to read what the user names whole, to map a file, to find the running
// program and to make folders and scratch folders: the same contracts as the POSIX code, in
// wide-character calls.
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/windows_text.h"

namespace tarn {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kBlockSize = std::size_t{1} << 16;

[[noreturn]] void RaiseInput(DWORD code, const char* what) {
  // A missing input is named in the C library's words, as the Linux build and every other
  // message of a missing file on Windows (the strings command's) name it; the system's own
  // text differs between Windows versions and Wine.
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
    throw TarnError(kErrFileNotFound, std::string(what) + ": " + SystemErrorText(ENOENT),
                    std::string(kAppName));
  }
  throw TarnError(kErrPathFileAccess, std::string(what) + ": " + WindowsErrorText(code),
                  std::string(kAppName));
}

[[noreturn]] void Refuse(const char* kind) {
  throw TarnError(kErrPathFileAccess, std::string("is ") + kind + ", not a file",
                  std::string(kAppName));
}

struct Handle {
  HANDLE h;
  ~Handle() { ::CloseHandle(h); }
};

// The errno value whose message POSIX gives for the same failure, so that both systems
// describe it alike.
int ErrnoOf(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
      return ENOENT;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    default:
      return EACCES;
  }
}

[[noreturn]] void RaiseMapping(int err) {
  throw TarnError(kErrPathFileAccess, SystemErrorText(err), std::string(kAppName));
}

class WindowsMappedFile : public MappedFile {
 public:
  WindowsMappedFile(const void* view, std::size_t size)
      : bytes_(static_cast<const std::uint8_t*>(view), size) {}
  ~WindowsMappedFile() override {
    if (!bytes_.empty()) ::UnmapViewOfFile(bytes_.data());
  }
  WindowsMappedFile(const WindowsMappedFile&) = delete;
  WindowsMappedFile& operator=(const WindowsMappedFile&) = delete;
  std::span<const std::uint8_t> Bytes() const override { return bytes_; }

 private:
  std::span<const std::uint8_t> bytes_;
};

}  // namespace

std::unique_ptr<MappedFile> RealFileSystem::MapForReading(const std::string& path) {
  // A device name (CON, NUL, ...) opens the device wherever the path points.
  if (NamesDevice(path)) RaiseMapping(ENOEXEC);
  const Handle file{::CreateFileW(LongPath(WidenUtf8(path)).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
  if (file.h == INVALID_HANDLE_VALUE) RaiseMapping(ErrnoOf(::GetLastError()));
  BY_HANDLE_FILE_INFORMATION info{};
  const std::uint64_t size =
      ::GetFileInformationByHandle(file.h, &info)
          ? (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow
          : 0;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RaiseMapping(EISDIR);
  if (::GetFileType(file.h) != FILE_TYPE_DISK) RaiseMapping(ENOEXEC);
  // Windows refuses to map an empty file; there is nothing to map.
  if (size == 0) return std::make_unique<WindowsMappedFile>(nullptr, 0);
  HANDLE section = ::CreateFileMappingW(file.h, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (section == nullptr) RaiseMapping(ErrnoOf(::GetLastError()));
  void* view = ::MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0);
  const DWORD error = ::GetLastError();
  ::CloseHandle(section);  // the view keeps the mapping for itself
  if (view == nullptr) RaiseMapping(ErrnoOf(error));
  return std::make_unique<WindowsMappedFile>(view, static_cast<std::size_t>(size));
}

std::string RealFileSystem::AbsolutePath(const std::string& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(fs::path(WidenUtf8(path)), ec);
  if (ec) return FileSystem::AbsolutePath(path);
  return NarrowToUtf8(absolute.lexically_normal().generic_wstring());
}

std::string RealFileSystem::ExecutableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return ".";
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return NarrowToUtf8(path.substr(0, path.find_last_of(L"\\/")));
}

std::string RealFileSystem::ReadWholeInput(const std::string& path, std::int64_t max_bytes) {
  if (NamesDevice(path)) Refuse("a device");
  const std::wstring wide = LongPath(FullPath(WidenUtf8(path)));
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    Refuse("a folder");
  }
  const HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) RaiseInput(::GetLastError(), "cannot be opened");
  const Handle input{h};
  const DWORD type = ::GetFileType(h);
  if (type == FILE_TYPE_CHAR) Refuse("a device");
  if (type == FILE_TYPE_DISK) {
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(h, &size) && size.QuadPart > max_bytes) {
      throw LimitError(kErrFileTooLarge, max_bytes, size.QuadPart, 0);
    }
  }
  std::string bytes;
  const auto limit = static_cast<std::size_t>(max_bytes);
  while (true) {
    const std::size_t old_size = bytes.size();
    bytes.resize(old_size + std::min(kBlockSize, limit + 1 - old_size));
    DWORD got = 0;
    const BOOL read = ::ReadFile(h, bytes.data() + old_size,
                                 static_cast<DWORD>(bytes.size() - old_size), &got, nullptr);
    bytes.resize(old_size + got);
    if (!read) {
      // A pipe whose writer has closed it ends so.
      if (::GetLastError() == ERROR_BROKEN_PIPE) break;
      RaiseInput(::GetLastError(), "cannot be read");
    }
    if (got == 0) break;
    if (bytes.size() > limit) {
      throw LimitError(kErrFileTooLarge, max_bytes, static_cast<std::int64_t>(bytes.size()), 0);
    }
  }
  return bytes;
}

void RealFileSystem::MakeFolder(const std::string& path) {
  std::error_code ec;
  fs::create_directories(fs::path(WidenUtf8(path)), ec);
  if (ec) {
    throw TarnError(kErrPathFileAccess, "Path/File access error: " + path + ": " + ec.message(),
                    std::string(kAppName));
  }
}

std::string RealFileSystem::MakeScratchFolder() {
  std::error_code ec;
  const fs::path base = fs::temp_directory_path(ec);
  if (ec) {
    throw TarnError(kErrPathFileAccess, "Path/File access error: no temporary folder: " +
                                            ec.message(),
                    std::string(kAppName));
  }
  // A name of this process's own, tried with a counter until one is free.
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    const fs::path folder = base / (L"tarn-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                    std::to_wstring(attempt));
    if (::CreateDirectoryW(folder.c_str(), nullptr)) return NarrowToUtf8(folder.wstring());
    if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throw TarnError(kErrPathFileAccess, "Path/File access error: no temporary folder can be made",
                  std::string(kAppName));
}

void RealFileSystem::RemoveScratchFolder(const std::string& path) {
  std::error_code ec;
  fs::remove_all(fs::path(WidenUtf8(path)), ec);
}

}  // namespace tarn
