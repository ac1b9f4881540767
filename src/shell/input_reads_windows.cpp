// Windows' own way to read what the user names whole, to make folders and scratch folders:
// the same contracts as the POSIX code, in wide-character calls.
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "shell/error.h"
#include "shell/file_system.h"
#include "shell/windows_text.h"

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

}  // namespace

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
