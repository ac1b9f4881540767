// The machine's file system on Windows, for what TARN writes for the user: files and folders
// written whole beside their target and moved over it (MoveFileExW), so that nothing the
// user owns is ever left half written. All paths here are UTF-8.
#include <windows.h>

#include <algorithm>
#include <utility>
#include <charconv>
#include <ctime>

#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/windows_text.h"

namespace tarn {

namespace {

constexpr std::string_view kTag = ".tarn-";
// An editor or a virus scanner may hold the target open for a moment; beyond this, the
// user is told which file it is.
constexpr int kReplaceTries = 30;
constexpr DWORD kReplacePauseMs = 100;

[[noreturn]] void RaiseWrite(DWORD code, const std::string& path) {
  if (code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_DRIVE) {
    RaisePlatformError(kErrPathNotFound);
  }
  throw TarnError(kErrPathFileAccess,
                  "Path/File access error: " + path + ": " + WindowsErrorText(code),
                  std::string(kAppName));
}

std::wstring Wide(const std::string& path) { return LongPath(WidenUtf8(path)); }

std::pair<std::string, std::string> Split(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return {".", path};
  return {path.substr(0, slash == 0 || (slash == 2 && path[1] == ':') ? slash + 1 : slash),
          path.substr(slash + 1)};
}

bool IsInUse(DWORD code) {
  return code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION ||
         code == ERROR_LOCK_VIOLATION || code == ERROR_USER_MAPPED_FILE;
}

// Removes a file or a folder with everything in it; a link or a junction is removed
// itself, never what it leads to. Best effort: another run may be removing it too.
void RemoveTree(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
    return;
  }
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring_view name = found.cFileName;
        if (name != L"." && name != L"..") RemoveTree(path + L"\\" + found.cFileName);
      } while (::FindNextFileW(find, &found));
      ::FindClose(find);
    }
  }
  ::RemoveDirectoryW(path.c_str());
}

void RemoveLeftovers(const std::string& folder) {
  const std::wstring wide = Wide(folder);
  WIN32_FIND_DATAW found;
  HANDLE find = ::FindFirstFileW((wide + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  std::vector<std::wstring> gone;
  do {
    const std::string name = NarrowToUtf8(found.cFileName);
    if (name.find(kTag) == std::string::npos) continue;
    if (IsLeftover(name, UnixSeconds(found.ftLastWriteTime.dwLowDateTime,
                                     found.ftLastWriteTime.dwHighDateTime))) {
      gone.push_back(wide + L"\\" + found.cFileName);
    }
  } while (::FindNextFileW(find, &found));
  ::FindClose(find);
  for (const std::wstring& path : gone) RemoveTree(path);
}

bool Info(const std::string& path, BY_HANDLE_FILE_INFORMATION& info, DWORD* type = nullptr) {
  // No access asked for: the attributes of a file another program holds locked can be read.
  HANDLE h = ::CreateFileW(Wide(path.empty() ? "." : path).c_str(), 0,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = ::GetFileInformationByHandle(h, &info) != 0;
  if (type != nullptr) *type = ::GetFileType(h);
  ::CloseHandle(h);
  return ok;
}

void WriteBlocks(HANDLE h, std::string_view data, const std::string& path,
                 const std::function<void()>& after_block) {
  const char* p = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    DWORD wrote = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(left, std::size_t{1} << 20));
    if (!::WriteFile(h, p, want, &wrote, nullptr)) {
      const DWORD code = ::GetLastError();
      ::CloseHandle(h);
      RaiseWrite(code, path);
    }
    p += wrote;
    left -= wrote;
    after_block();
  }
}

}  // namespace

void RealFileSystem::WriteNewFile(const std::string& path, std::string_view data) const {
  HANDLE h = ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) RaiseWrite(::GetLastError(), path);
  Step(WriteStep::kTemporaryMade);
  WriteBlocks(h, data, path, [this] { Step(WriteStep::kPartWritten); });
  Step(WriteStep::kAllWritten);
  if (!::FlushFileBuffers(h)) {
    const DWORD code = ::GetLastError();
    ::CloseHandle(h);
    RaiseWrite(code, path);
  }
  ::CloseHandle(h);
  Step(WriteStep::kFlushed);
}

std::string TemporaryBeside(const std::string& path, std::string_view kind) {
  auto [folder, name] = Split(path);
  std::string temp = "." + name + std::string(kTag) + std::to_string(::GetCurrentProcessId()) +
                     "." + std::string(kind);
  return path.find_first_of("/\\") == std::string::npos ? temp : JoinPath(folder, temp);
}

bool ProcessHasEnded(std::uint64_t pid) {
  if (pid == ::GetCurrentProcessId()) return false;
  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return ::GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
  DWORD status = 0;
  const bool ended = ::GetExitCodeProcess(process, &status) && status != STILL_ACTIVE;
  ::CloseHandle(process);
  return ended;
}

void RealFileSystem::WriteWholeFile(const std::string& path, std::string_view data) {
  if (NamesDevice(Split(path).second)) {
    // A device has no "beside": it takes the data as it comes.
    HANDLE h = ::CreateFileW(WidenUtf8(Split(path).second).c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) RaiseWrite(::GetLastError(), path);
    WriteBlocks(h, data, path, [] {});
    ::CloseHandle(h);
    return;
  }
  std::string target = path;
  const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    // A link stays a link: what it leads to is replaced.
    HANDLE h = ::CreateFileW(Wide(path).c_str(), 0,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) RaiseWrite(::GetLastError(), path);
    wchar_t buffer[MAX_PATH * 4];
    const DWORD n = ::GetFinalPathNameByHandleW(h, buffer, MAX_PATH * 4, VOLUME_NAME_DOS);
    ::CloseHandle(h);
    if (n == 0 || n >= MAX_PATH * 4) RaiseWrite(ERROR_CANT_RESOLVE_FILENAME, path);
    target = NarrowToUtf8(WithoutLongPrefix({buffer, n}));
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (Info(target, info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    RaiseWrite(ERROR_ACCESS_DENIED, path);
  }
  const std::string folder = Split(target).first;
  RemoveLeftovers(folder);
  const std::string temp = TemporaryBeside(target, "tmp");
  const std::wstring wide_temp = Wide(temp);
  ::DeleteFileW(wide_temp.c_str());  // this process's own, from an earlier write that failed
  try {
    WriteNewFile(temp, data);
  } catch (...) {
    ::DeleteFileW(wide_temp.c_str());
    throw;
  }
  const std::wstring wide_target = Wide(target);
  for (int attempt = 1;; ++attempt) {
    if (::MoveFileExW(wide_temp.c_str(), wide_target.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      break;
    }
    const DWORD code = ::GetLastError();
    if (IsInUse(code) && attempt < kReplaceTries) {
      ::Sleep(kReplacePauseMs);
      continue;
    }
    ::DeleteFileW(wide_temp.c_str());
    if (IsInUse(code)) {
      throw TarnError(kErrPathFileAccess,
                      "Path/File access error: " + path + ": " + WindowsErrorText(code) +
                          " (another program, an editor perhaps, holds it open, or the "
                          "folder cannot be written: close it there, or write elsewhere)",
                      std::string(kAppName));
    }
    RaiseWrite(code, path);
  }
  Step(WriteStep::kRenamed);
}

void RealFileSystem::ReplaceFolder(const std::string& path, const std::vector<FolderFile>& files) {
  const std::string parent = Split(path).first;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!Info(parent, info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    RaisePlatformError(kErrPathNotFound);
  }
  RemoveLeftovers(parent);
  const std::string fresh = TemporaryBeside(path, "new");
  const std::wstring wide_fresh = Wide(fresh);
  const std::wstring wide_old = Wide(TemporaryBeside(path, "old"));
  const std::wstring wide_path = Wide(path);
  RemoveTree(wide_fresh);
  if (!::CreateDirectoryW(wide_fresh.c_str(), nullptr)) RaiseWrite(::GetLastError(), path);
  try {
    for (const FolderFile& file : files) WriteNewFile(JoinPath(fresh, file.name), file.data);
  } catch (...) {
    RemoveTree(wide_fresh);
    throw;
  }
  if (::GetFileAttributesW(wide_path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (!::MoveFileExW(wide_fresh.c_str(), wide_path.c_str(), MOVEFILE_WRITE_THROUGH)) {
      const DWORD code = ::GetLastError();
      RemoveTree(wide_fresh);
      RaiseWrite(code, path);
    }
    return;
  }
  // Windows cannot exchange two folders in one step. A kill between the two moves leaves
  // path missing and both folders beside it under names that say what they hold.
  if (!::MoveFileExW(wide_path.c_str(), wide_old.c_str(), MOVEFILE_WRITE_THROUGH)) {
    const DWORD code = ::GetLastError();
    RemoveTree(wide_fresh);
    RaiseWrite(code, path);
  }
  if (!::MoveFileExW(wide_fresh.c_str(), wide_path.c_str(), MOVEFILE_WRITE_THROUGH)) {
    const DWORD code = ::GetLastError();
    ::MoveFileExW(wide_old.c_str(), wide_path.c_str(), 0);
    RemoveTree(wide_fresh);
    RaiseWrite(code, path);
  }
  RemoveTree(wide_old);
}

std::optional<FileIdentity> RealFileSystem::IdentityOf(const std::string& path) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!Info(path, info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

bool RealFileSystem::FolderExists(const std::string& path) {
  BY_HANDLE_FILE_INFORMATION info{};
  return Info(path, info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> RealFileSystem::ListFolder(const std::string& path) {
  WIN32_FIND_DATAW found;
  HANDLE find = ::FindFirstFileW((Wide(path.empty() ? "." : path) + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) RaisePlatformError(kErrPathNotFound);
  std::vector<std::string> names;
  do {
    const std::wstring_view name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(NarrowToUtf8(name));
  } while (::FindNextFileW(find, &found));
  ::FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tarn
