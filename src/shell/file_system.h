// File access of the core, behind a small interface so that tests run the log, the reader
// and the walk over an in-memory tree with injected faults.
#pragma once

#include <string>
#include <string_view>

namespace tarn {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Appends data to the file at path, creating the file when it is missing. Raises
  // TarnError 76 when the folder does not exist, 75 when the file cannot be opened or
  // written (locked, read-only, a folder of that name).
  virtual void AppendToFile(const std::string& path, std::string_view data) = 0;

  // Deletes the file at path. Raises TarnError 53 when there is none, 75 when it cannot
  // be deleted.
  virtual void RemoveFile(const std::string& path) = 0;

  // True when path names an existing regular file.
  virtual bool FileExists(const std::string& path) = 0;
};

// The machine's own file system.
class RealFileSystem : public FileSystem {
 public:
  void AppendToFile(const std::string& path, std::string_view data) override;
  void RemoveFile(const std::string& path) override;
  bool FileExists(const std::string& path) override;
};

// Joins a folder and a name with "/"; an empty folder gives the name alone, so that an
// unset folder means the current one rather than the root.
std::string JoinPath(std::string_view folder, std::string_view name);

// Error 75, "Path/File access error", with the system's reason appended.
inline constexpr int kErrPathFileAccess = 75;

}  // namespace tarn
