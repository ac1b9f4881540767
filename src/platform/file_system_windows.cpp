// The machine's file system on Windows: the game's files read through handles, confined by
// the path Windows reports for the handle opened, and the log appended to. Paths of game
// files are in the game's code page (the walk composes them from what the files say, as the
// game does); every other path is UTF-8. See platform/windows_text.h.
#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/windows_text.h"

namespace tarn {

namespace {

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE release() { return std::exchange(h_, INVALID_HANDLE_VALUE); }

 private:
  HANDLE h_;
};

std::wstring GamePathToWide(const std::string& path) { return WidenUtf8(Cp1252ToUtf8(path)); }

std::string WideToGamePath(std::wstring_view wide) { return Utf8ToCp1252(NarrowToUtf8(wide)); }

[[noreturn]] void Refuse(const std::string& why) {
  throw TarnError(kErrFileNotFound, PlatformErrorText(kErrFileNotFound) + ": " + why,
                  std::string(kAppName));
}

[[noreturn]] void RaiseAccess(DWORD code) {
  if (code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_DRIVE || code == ERROR_BAD_NETPATH ||
      code == ERROR_BAD_NET_NAME || code == ERROR_DIRECTORY) {
    RaisePlatformError(kErrPathNotFound);
  }
  if (code == ERROR_FILE_NOT_FOUND) RaisePlatformError(kErrFileNotFound);
  throw TarnError(kErrPathFileAccess, "Path/File access error: " + WindowsErrorText(code),
                  std::string(kAppName));
}

// The path Windows gives for the file behind the handle, links and junctions resolved,
// without the long-path prefix; empty when it cannot tell.
std::wstring FinalPath(HANDLE h) {
  DWORD n = ::GetFinalPathNameByHandleW(h, nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (n == 0) return {};
  std::wstring path(n, L'\0');
  n = ::GetFinalPathNameByHandleW(h, path.data(), n, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  path.resize(n);
  return WithoutLongPrefix(path);
}

// The path asked for, with the trailing components that the final path shares with it (letter
// case ignored) in the final path's letter case: the asked path as found on disk.
std::string InDiskCase(const std::string& asked, std::wstring_view final_path) {
  std::wstring wide = GamePathToWide(asked);
  std::size_t end = wide.size();
  std::wstring_view disk = final_path;
  while (end > 0) {
    const std::size_t slash = wide.find_last_of(L"\\/", end - 1);
    const std::size_t start = slash == std::wstring::npos ? 0 : slash + 1;
    const std::wstring_view name(wide.data() + start, end - start);
    const std::size_t disk_slash = disk.find_last_of(L'\\');
    if (name.empty() || name == L"." || name == L".." || disk_slash == std::wstring_view::npos) {
      break;
    }
    const std::wstring_view disk_name = disk.substr(disk_slash + 1);
    if (disk_name.size() != name.size() ||
        ::CompareStringOrdinal(name.data(), static_cast<int>(name.size()), disk_name.data(),
                               static_cast<int>(disk_name.size()), TRUE) != CSTR_EQUAL) {
      break;
    }
    std::copy(disk_name.begin(), disk_name.end(), wide.begin() + static_cast<std::ptrdiff_t>(start));
    disk = disk.substr(0, disk_slash);
    if (slash == std::wstring::npos) break;
    end = slash;
  }
  return WideToGamePath(wide);
}

class WindowsInputFile : public InputFile {
 public:
  WindowsInputFile(HANDLE h, std::string disk_path, const BY_HANDLE_FILE_INFORMATION& info)
      : h_(h),
        disk_path_(std::move(disk_path)),
        size_(static_cast<std::int64_t>((std::uint64_t{info.nFileSizeHigh} << 32) |
                                        info.nFileSizeLow)),
        identity_{info.dwVolumeSerialNumber,
                  (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow} {}

  std::size_t Read(char* buffer, std::size_t size) override {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!::ReadFile(h_.get(), buffer, want, &got, nullptr)) {
      const DWORD code = ::GetLastError();
      if (code == ERROR_HANDLE_EOF) return 0;
      RaiseAccess(code);
    }
    return got;
  }

  std::string DiskPath() const override { return disk_path_; }
  std::int64_t Size() const override { return size_; }
  std::optional<FileIdentity> Identity() const override { return identity_; }

 private:
  Handle h_;
  std::string disk_path_;
  std::int64_t size_;
  FileIdentity identity_;
};

}  // namespace

void RealFileSystem::Confine(const std::string& folder, bool follow_links) {
  follow_links_ = follow_links;
  confined_as_given_.clear();
  confined_real_.clear();
  if (folder.empty()) return;
  const std::wstring given = FullPath(WidenUtf8(folder));
  confined_as_given_ = NarrowToUtf8(given);
  // A game folder that is a link or a junction, or holds them within itself, is read as
  // usual: files are judged by where they really are.
  Handle h(::CreateFileW(LongPath(given).c_str(), 0,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const std::wstring real = h.ok() ? FinalPath(h.get()) : std::wstring();
  confined_real_ = real.empty() ? confined_as_given_ : NarrowToUtf8(real);
}

void RealFileSystem::CheckConfined(const std::string& disk_path) const {
  // On Windows the check is made on the handle opened (OpenForReading); nothing to do here.
  (void)disk_path;
}

std::unique_ptr<InputFile> RealFileSystem::OpenForReading(const std::string& path) {
  const std::wstring wide = GamePathToWide(path);
  // A device name opens the device, in whatever folder it is named.
  if (NamesDevice(path)) Refuse("it is a device");
  // A name that leads out of the game folder by its ".." is refused before anything of
  // where it leads is looked at.
  if (!confined_as_given_.empty() &&
      !InsideFolder(FullPath(wide), WidenUtf8(confined_as_given_))) {
    Refuse("it lies outside the game folder");
  }
  // Windows resolves the letter case itself. Others may go on writing and renaming the
  // file while it is read, as they may on other systems.
  Handle h(::CreateFileW(LongPath(wide).c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN,
                         nullptr));
  if (!h.ok()) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_DRIVE ||
        code == ERROR_BAD_NETPATH || code == ERROR_BAD_NET_NAME) {
      RaisePlatformError(kErrPathNotFound);
    }
    // A file that is there but cannot be read is, to the game, a file it cannot find.
    RaisePlatformError(kErrFileNotFound);
  }
  if (::GetFileType(h.get()) == FILE_TYPE_PIPE) Refuse("it is a FIFO");
  if (::GetFileType(h.get()) != FILE_TYPE_DISK) Refuse("it is a device");
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(h.get(), &info)) RaisePlatformError(kErrFileNotFound);
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Refuse("it is a folder");
  // Confinement is judged on the file actually opened, so that a link swapped in after
  // any check of the path cannot lead outside.
  const std::wstring real = FinalPath(h.get());
  if (!confined_as_given_.empty() && !follow_links_ && !real.empty() &&
      !InsideFolder(real, WidenUtf8(confined_real_))) {
    Refuse("a link leads out of the game folder, to " + WideToGamePath(real) +
           " (--follow-links reads it)");
  }
  std::string disk_path = real.empty() ? path : InDiskCase(path, real);
  return std::make_unique<WindowsInputFile>(h.release(), std::move(disk_path), info);
}

std::string RealFileSystem::ResolveLetterCase(const std::string& path) {
  Handle h(::CreateFileW(LongPath(GamePathToWide(path)).c_str(), 0,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.ok()) {
    const DWORD code = ::GetLastError();
    RaisePlatformError(code == ERROR_FILE_NOT_FOUND ? kErrFileNotFound : kErrPathNotFound);
  }
  const std::wstring real = FinalPath(h.get());
  return real.empty() ? path : InDiskCase(path, real);
}

void RealFileSystem::AppendToFile(const std::string& path, std::string_view data) {
  // FILE_FLAG_OPEN_REPARSE_POINT: a log that is a link would write wherever the link leads;
  // the link itself is opened, and refused below.
  Handle h(::CreateFileW(LongPath(WidenUtf8(path)).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                         nullptr));
  if (!h.ok()) {
    const DWORD code = ::GetLastError();
    // Appending never reports "file not found": the file is created, so a missing one
    // means the folder is missing.
    if (code == ERROR_FILE_NOT_FOUND) RaisePlatformError(kErrPathNotFound);
    RaiseAccess(code);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileInformationByHandle(h.get(), &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    throw TarnError(kErrPathFileAccess, "Path/File access error: the file is a link",
                    std::string(kAppName));
  }
  const char* p = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    DWORD wrote = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(left, 1u << 30));
    if (!::WriteFile(h.get(), p, want, &wrote, nullptr)) RaiseAccess(::GetLastError());
    p += wrote;
    left -= wrote;
  }
}

void RealFileSystem::RemoveFile(const std::string& path) {
  const std::wstring wide = LongPath(WidenUtf8(path));
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    RaiseAccess(ERROR_ACCESS_DENIED);
  }
  if (!::DeleteFileW(wide.c_str())) RaiseAccess(::GetLastError());
}

bool RealFileSystem::FileExists(const std::string& path) {
  Handle h(::CreateFileW(LongPath(WidenUtf8(path)).c_str(), 0,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  return h.ok() && ::GetFileType(h.get()) == FILE_TYPE_DISK &&
         ::GetFileInformationByHandle(h.get(), &info) &&
         !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  // A folder written as Windows writes it, with backslashes, is joined with one; one given with "/"
  // keeps what it was given (Windows takes both).
  std::string path(folder);
  const char separator = path.find('\\') != std::string::npos ? '\\' : '/';
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path += separator;
  path += name;
  return path;
}

}  // namespace tarn
