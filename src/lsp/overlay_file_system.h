// The file system the language server reads the game through: the editor's unsaved buffers
// over a mod's workspace folder over the game folder. A buffer shadows the file of its path,
// and a workspace file the game file of the same path below the game folder, letter case
// aside in both, as the game itself finds its files. Everything else, writing included, goes
// to the file system underneath.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace tarn {

class OverlayFileSystem : public FileSystem {
 public:
  // base must outlive the overlay. With a workspace, files below game are looked for below
  // workspace first; an empty workspace (or one equal to game) shadows nothing.
  OverlayFileSystem(FileSystem& base, std::string game, std::string workspace);

  // Makes text (code page 1252 bytes) the content of path until Forget(path).
  void Hold(const std::string& path, std::string text);
  void Forget(const std::string& path);

  // Where a game path would lie in the workspace; nullopt when nothing is overlaid there.
  std::optional<std::string> ModPath(const std::string& path) const;

  std::unique_ptr<InputFile> OpenForReading(const std::string& path) override;
  void Confine(const std::string& folder, bool follow_links) override;
  void ForgetListings() override { base_.ForgetListings(); }
  void AppendToFile(const std::string& path, std::string_view data) override {
    base_.AppendToFile(path, data);
  }
  void RemoveFile(const std::string& path) override { base_.RemoveFile(path); }
  bool FileExists(const std::string& path) override;
  void WriteWholeFile(const std::string& path, std::string_view data) override {
    base_.WriteWholeFile(path, data);
  }
  void ReplaceFolder(const std::string& path, const std::vector<FolderFile>& files) override {
    base_.ReplaceFolder(path, files);
  }
  std::optional<FileIdentity> IdentityOf(const std::string& path) override {
    return base_.IdentityOf(path);
  }
  bool FolderExists(const std::string& path) override { return base_.FolderExists(path); }
  std::vector<std::string> ListFolder(const std::string& path) override {
    return base_.ListFolder(path);
  }
  std::string ReadWholeInput(const std::string& path, std::int64_t max_bytes) override {
    return base_.ReadWholeInput(path, max_bytes);
  }
  void MakeFolder(const std::string& path) override { base_.MakeFolder(path); }
  std::string AbsolutePath(const std::string& path) override { return base_.AbsolutePath(path); }

 private:
  FileSystem& base_;
  const std::string game_;
  const std::string workspace_;
  // Buffers by the PathKey of their path.
  std::map<std::string, std::shared_ptr<const std::string>> buffers_;
};

// The path below folder of path, letter case aside ("" for folder itself); nullopt when path
// does not lie below folder.
std::optional<std::string> BelowFolder(const std::string& path, const std::string& folder);

// How the server tells two paths of one file apart from two files: letter case aside and, on
// Windows, "/" and "\" alike. An editor's URI gives "/" there, while the walk joins what the
// game names with "\"; both must find the same buffer and the same walked file.
std::string PathKey(std::string_view path);

// path without separators at its end, a root ("/", "c:\") left whole.
std::string WithoutTrailingSeparator(std::string path);

}  // namespace tarn
