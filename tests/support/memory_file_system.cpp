#include "support/memory_file_system.h"

#include <algorithm>

#include "shell/error.h"

namespace tarn::testing {

namespace {

class MemoryInputFile : public InputFile {
 public:
  explicit MemoryInputFile(std::string data) : data_(std::move(data)) {}
  std::size_t Read(char* buffer, std::size_t size) override {
    const std::size_t n = data_.copy(buffer, size, at_);
    at_ += n;
    return n;
  }

 private:
  std::string data_;
  std::size_t at_ = 0;
};

}  // namespace

void MemoryFileSystem::Check(const std::string& path, bool written) const {
  const auto slash = path.find_last_of('/');
  if (slash != std::string::npos && folders_.count(path.substr(0, slash)) == 0) {
    RaisePlatformError(kErrPathNotFound);
  }
  if (written && locked_.count(path) != 0) {
    throw TarnError(kErrPathFileAccess, "Path/File access error", "TARN");
  }
}

std::unique_ptr<InputFile> MemoryFileSystem::OpenForReading(const std::string& path) {
  Check(path, false);
  if (!HasFile(path)) RaisePlatformError(kErrFileNotFound);
  return std::make_unique<MemoryInputFile>(files_.at(path));
}

void MemoryFileSystem::AppendToFile(const std::string& path, std::string_view data) {
  Check(path, true);
  files_[path].append(data);
}

void MemoryFileSystem::RemoveFile(const std::string& path) {
  Check(path, false);
  if (!HasFile(path)) RaisePlatformError(kErrFileNotFound);
  Check(path, true);
  files_.erase(path);
}

}  // namespace tarn::testing
