// An in-memory file tree for tests of the log, the readers, the walk and the writers. Where
// the walk cares it answers as the machine's file system does: a path not found as written
// is resolved folder by folder with letter case ignored (listings kept until
// ForgetListings), Confine refuses what lies outside the folder by its ".." and what a link
// leads out of it, links are followed and a loop of them is a file that cannot be opened.
// Faults are injected per path, as a disk gives them: a read that fails, a write that fails
// after some bytes, a rename that fails, a locked file. Writes do not refuse a link or a folder
// in the file's place: the tests of those run on the machine's file system.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>

#include "platform/file_system.h"

namespace tarn::testing {

class MemoryFileSystem : public FileSystem {
 public:
  // Paths are written with '/'; relative ones hang below an unnamed current folder. Neither
  // call makes the folders above path.
  void AddFolder(const std::string& path) { folders_.insert(path); }
  void SetFile(const std::string& path, std::string data) { files_[path] = std::move(data); }
  // A link at path to target (relative to the link's folder unless it starts with '/').
  void AddLink(const std::string& path, std::string target) { links_[path] = std::move(target); }
  // A locked file can be neither written nor deleted.
  void Lock(const std::string& path) { locked_.insert(path); }
  // Reading the file at path (the path it has in the tree) fails after bytes bytes.
  void FailReadAfter(const std::string& path, std::size_t bytes) { read_faults_[path] = bytes; }
  // Writing the file at path fails after bytes bytes: an append leaves what it wrote, a whole
  // write leaves the old file.
  void FailWriteAfter(const std::string& path, std::size_t bytes) { write_faults_[path] = bytes; }
  // Renaming anything over path fails, as on a full or read-only disk.
  void FailRename(const std::string& path) { rename_faults_.insert(path); }

  bool HasFile(const std::string& path) const { return files_.count(path) != 0; }
  const std::string& File(const std::string& path) const { return files_.at(path); }

  std::unique_ptr<InputFile> OpenForReading(const std::string& path) override;
  void Confine(const std::string& folder, bool follow_links) override;
  void ForgetListings() override { listings_.clear(); }
  void AppendToFile(const std::string& path, std::string_view data) override;
  void RemoveFile(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  void WriteWholeFile(const std::string& path, std::string_view data) override;
  void ReplaceFolder(const std::string& path, const std::vector<FolderFile>& files) override;
  std::optional<FileIdentity> IdentityOf(const std::string& path) override;
  bool FolderExists(const std::string& path) override;
  std::vector<std::string> ListFolder(const std::string& path) override;
  // The whole file; no test reads one over max_bytes or a folder this way.
  std::string ReadWholeInput(const std::string& path, std::int64_t max_bytes) override;
  void MakeFolder(const std::string& path) override;

 private:
  // Raises 76 when the folder of path is unknown, 75 when path is locked.
  void Check(const std::string& path, bool written) const;
  // The path every link on it leads to, "." and ".." taken out; "" when a loop of links
  // never ends.
  std::string Real(const std::string& path) const;
  // The sorted names in folder (its real path), read once until ForgetListings.
  const std::vector<std::string>& Listing(const std::string& folder);
  std::string ResolveLetterCase(const std::string& path);
  // Raises 75 for a write of data to path that fails part way.
  void CheckWrite(const std::string& path, std::string_view data) const;

  std::map<std::string, std::string> files_, links_;
  std::set<std::string> folders_, locked_, rename_faults_;
  std::map<std::string, std::size_t> read_faults_, write_faults_;
  std::map<std::string, std::vector<std::string>> listings_;
  std::string confined_as_given_, confined_real_;
  bool confined_ = false;
  bool follow_links_ = false;
};

}  // namespace tarn::testing
