#include "support/memory_file_system.h"

#include <algorithm>

#include "shell/error.h"

namespace tarn::testing {

bool MemoryFileSystem::FolderExists(const std::string& path) const {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos || folders_.count(path.substr(0, slash)) != 0;
}

namespace {

class MemoryInputFile : public InputFile {
 public:
  explicit MemoryInputFile(std::string data) : data_(std::move(data)) {}
  std::size_t Read(char* buffer, std::size_t size) override {
    std::size_t n = std::min(size, data_.size() - at_);
    data_.copy(buffer, n, at_);
    at_ += n;
    return n;
  }

 private:
  std::string data_;
  std::size_t at_ = 0;
};

}  // namespace

std::unique_ptr<InputFile> MemoryFileSystem::OpenForReading(const std::string& path) {
  if (!FolderExists(path)) RaisePlatformError(kErrPathNotFound);
  auto file = files_.find(path);
  if (file == files_.end()) RaisePlatformError(kErrFileNotFound);
  return std::make_unique<MemoryInputFile>(file->second);
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
