#include "dll/image_map_windows.h"

#include <windows.h>

#include <cerrno>

#include "dll/library.h"
#include "dll/pe_format.h"
#include "platform/windows_text.h"

namespace tarn {

namespace {

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

}  // namespace

Mapping MapImage(const std::string& path) {
  Mapping mapping;
  if (NamesDevice(path)) {
    mapping.error = ENOEXEC;
    return mapping;
  }
  HANDLE file = ::CreateFileW(LongPath(WidenUtf8(path)).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    mapping.error = ErrnoOf(::GetLastError());
    return mapping;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  const std::uint64_t size =
      ::GetFileInformationByHandle(file, &info)
          ? (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow
          : 0;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    mapping.error = EISDIR;
  } else if (::GetFileType(file) != FILE_TYPE_DISK || size < pe::kDosHeaderSize) {
    // Too short for the DOS header; also spares the mapping the empty file it refuses.
    mapping.error = ENOEXEC;
  } else if (HANDLE section = ::CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr)) {
    void* address = ::MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0);
    if (address == nullptr) {
      mapping.error = ErrnoOf(::GetLastError());
    } else {
      mapping.image = static_cast<const std::uint8_t*>(address);
      mapping.size = static_cast<std::size_t>(size);
    }
    ::CloseHandle(section);  // the view keeps the mapping for itself
  } else {
    mapping.error = ErrnoOf(::GetLastError());
  }
  ::CloseHandle(file);
  if (mapping.image != nullptr && !pe::IsImage({mapping.image, mapping.size})) {
    UnmapImage(mapping.image, mapping.size);
    mapping.image = nullptr;
    mapping.error = ENOEXEC;
  }
  return mapping;
}

void UnmapImage(const std::uint8_t* image, std::size_t) { ::UnmapViewOfFile(image); }

}  // namespace tarn
