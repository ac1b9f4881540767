// An in-memory file tree for tests of the log, the readers and the walk, with faults that a
// test can inject: locked files and missing folders. Paths are taken exactly as written.
#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/file_system.h"

namespace tarn::testing {

class MemoryFileSystem : public FileSystem {
 public:
  void AddFolder(const std::string& path) { folders_.insert(path); }
  void SetFile(const std::string& path, std::string data) { files_[path] = std::move(data); }
  // A locked file can be neither written nor deleted.
  void Lock(const std::string& path) { locked_.insert(path); }
  bool HasFile(const std::string& path) const { return files_.count(path) != 0; }
  const std::string& File(const std::string& path) const { return files_.at(path); }

  std::unique_ptr<InputFile> OpenForReading(const std::string& path) override;
  void AppendToFile(const std::string& path, std::string_view data) override;
  void RemoveFile(const std::string& path) override;
  bool FileExists(const std::string& path) override { return HasFile(path); }
  void WriteWholeFile(const std::string& path, std::string_view data) override;
  void ReplaceFolder(const std::string& path, const std::vector<FolderFile>& files) override;
  std::optional<FileIdentity> IdentityOf(const std::string& path) override;
  bool FolderExists(const std::string& path) override { return folders_.count(path) != 0; }
  std::vector<std::string> ListFolder(const std::string& path) override;
  // Holds a folder, a missing file and one over max_bytes to what the machine's file system
  // does; it has no pipes or devices.
  std::string ReadWholeInput(const std::string& path, std::int64_t max_bytes) override;
  void MakeFolder(const std::string& path) override;

 private:
  // Raises 76 when the folder of path is unknown, 75 when path is locked.
  void Check(const std::string& path, bool written) const;

  std::map<std::string, std::string> files_;
  std::set<std::string> folders_, locked_;
};

}  // namespace tarn::testing
