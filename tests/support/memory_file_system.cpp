#include "support/memory_file_system.h"

#include "shell/error.h"

namespace tarn::testing {

bool MemoryFileSystem::FolderExists(const std::string& path) const {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos || folders_.count(path.substr(0, slash)) != 0;
}

void MemoryFileSystem::AppendToFile(const std::string& path, std::string_view data) {
  if (!FolderExists(path)) RaisePlatformError(kErrPathNotFound);
  if (locked_.count(path) != 0) {
    throw TarnError(kErrPathFileAccess, "Path/File access error", "TARN");
  }
  files_[path].append(data);
}

void MemoryFileSystem::RemoveFile(const std::string& path) {
  if (!FolderExists(path)) RaisePlatformError(kErrPathNotFound);
  if (files_.count(path) == 0) RaisePlatformError(kErrFileNotFound);
  if (locked_.count(path) != 0) {
    throw TarnError(kErrPathFileAccess, "Path/File access error", "TARN");
  }
  files_.erase(path);
}

}  // namespace tarn::testing
