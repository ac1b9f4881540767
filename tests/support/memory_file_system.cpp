#include "support/memory_file_system.h"

#include <algorithm>

#include "platform/error.h"

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

void MemoryFileSystem::WriteWholeFile(const std::string& path, std::string_view data) {
  Check(path, true);
  if (folders_.count(path) != 0) throw TarnError(kErrPathFileAccess, "Path/File access error", "TARN");
  files_[path] = std::string(data);
}

void MemoryFileSystem::ReplaceFolder(const std::string& path, const std::vector<FolderFile>& files) {
  Check(path, true);
  const std::string prefix = path + "/";
  for (auto it = files_.lower_bound(prefix); it != files_.end() && it->first.starts_with(prefix);) {
    it = files_.erase(it);
  }
  folders_.insert(path);
  for (const FolderFile& file : files) files_[prefix + file.name] = file.data;
}

std::optional<FileIdentity> MemoryFileSystem::IdentityOf(const std::string& path) {
  // Paths are taken exactly as written, so a path is its own identity.
  if (!HasFile(path) && folders_.count(path) == 0) return std::nullopt;
  return FileIdentity{0, std::hash<std::string>{}(path)};
}

std::vector<std::string> MemoryFileSystem::ListFolder(const std::string& path) {
  if (folders_.count(path) == 0) RaisePlatformError(kErrPathNotFound);
  std::set<std::string> names;
  const std::string prefix = path + "/";
  auto add = [&](const std::string& item) {
    if (item.starts_with(prefix)) names.insert(item.substr(prefix.size(), item.find('/', prefix.size()) - prefix.size()));
  };
  for (const auto& [item, data] : files_) add(item);
  for (const std::string& item : folders_) add(item);
  return {names.begin(), names.end()};
}

std::string MemoryFileSystem::ReadWholeInput(const std::string& path, std::int64_t max_bytes) {
  Check(path, false);
  if (folders_.count(path) != 0) {
    throw TarnError(kErrPathFileAccess, "is a folder, not a file", "TARN");
  }
  if (!HasFile(path)) {
    throw TarnError(kErrFileNotFound, "cannot be opened: No such file or directory", "TARN");
  }
  const std::string& data = files_.at(path);
  const auto size = static_cast<std::int64_t>(data.size());
  if (size > max_bytes) throw LimitError(kErrFileTooLarge, max_bytes, size, 0);
  return data;
}

void MemoryFileSystem::MakeFolder(const std::string& path) {
  if (HasFile(path) || locked_.count(path) != 0) {
    throw TarnError(kErrPathFileAccess, "Path/File access error", "TARN");
  }
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    folders_.insert(path.substr(0, slash));
  }
  folders_.insert(path);
}

}  // namespace tarn::testing
