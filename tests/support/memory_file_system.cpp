#include "support/memory_file_system.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/error.h"

namespace tarn::testing {

namespace {

[[noreturn]] void Fail(int err) {
  throw TarnError(kErrPathFileAccess, "Path/File access error: " + SystemErrorText(err), "TARN");
}

[[noreturn]] void Refuse(const std::string& why) {
  throw TarnError(kErrFileNotFound, PlatformErrorText(kErrFileNotFound) + ": " + why, "TARN");
}

// The tree is kept with "/" alone; on Windows the core joins with "\\" as well, and both
// separate there, as they do for Windows itself.
std::string Slashed(std::string path) {
#ifdef _WIN32
  std::replace(path.begin(), path.end(), '\\', '/');
#endif
  return path;
}

// "." and ".." taken out by the text alone; ".." above a relative path's start is kept.
std::string Normal(const std::string& given) {
  const std::string path = Slashed(given);
  const bool absolute = !path.empty() && path[0] == '/';
  std::vector<std::string> parts;
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = std::min(path.find('/', start), path.size());
    const std::string part = path.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part != "..") {
      parts.push_back(part);
    } else if (!parts.empty() && parts.back() != "..") {
      parts.pop_back();
    } else if (!absolute) {
      parts.push_back(part);
    }
  }
  std::string normal = absolute ? "/" : "";
  for (const std::string& part : parts)
    normal += (normal.empty() || normal == "/" ? "" : "/") + part;
  return normal;
}

bool Below(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && path.starts_with(folder) &&
         (folder.back() == '/' || path[folder.size()] == '/');
}

std::string Parent(const std::string& path) {
  const std::string folder = FolderAndName(path).first;
  return folder == "." ? "" : folder;
}

class MemoryInputFile : public InputFile {
 public:
  MemoryInputFile(std::string data, std::string disk_path, std::size_t fail_after)
      : data_(std::move(data)), disk_path_(std::move(disk_path)), fail_after_(fail_after) {}
  std::size_t Read(char* buffer, std::size_t size) override {
    if (at_ >= fail_after_) Fail(EIO);
    const std::size_t n = data_.copy(buffer, std::min(size, fail_after_ - at_), at_);
    at_ += n;
    return n;
  }
  std::string DiskPath() const override { return disk_path_; }
  std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }

 private:
  std::string data_, disk_path_;
  std::size_t fail_after_;
  std::size_t at_ = 0;
};

}  // namespace

std::string MemoryFileSystem::Real(const std::string& path) const {
  std::string pending = Normal(path);
  // As many links as Linux follows before it gives up with ELOOP.
  for (int hops = 0; hops <= 40; ++hops) {
    bool followed = false;
    for (std::size_t end = pending.find('/', 1);; end = pending.find('/', end + 1)) {
      const std::string prefix = pending.substr(0, end);
      const auto link = links_.find(prefix);
      if (link != links_.end()) {
        const std::string rest = end == std::string::npos ? "" : pending.substr(end);
        const std::string& target = link->second;
        pending =
            Normal((target.starts_with("/") ? target : JoinPath(Parent(prefix), target)) + rest);
        followed = true;
        break;
      }
      if (end == std::string::npos) break;
    }
    if (!followed) return pending;
  }
  return "";
}

void MemoryFileSystem::Check(const std::string& path, bool written) const {
  const auto slash = path.find_last_of('/');
  if (slash != std::string::npos && slash != 0 &&
      folders_.count(Real(path.substr(0, slash))) == 0) {
    RaisePlatformError(kErrPathNotFound);
  }
  if (written && locked_.count(path) != 0) {
    throw TarnError(kErrPathFileAccess, "Path/File access error", "TARN");
  }
}

void MemoryFileSystem::CheckWrite(const std::string& path, std::string_view data) const {
  const auto fault = write_faults_.find(path);
  if (fault != write_faults_.end() && data.size() > fault->second) Fail(ENOSPC);
}

const std::vector<std::string>& MemoryFileSystem::Listing(const std::string& folder) {
  const std::string real = Real(folder);
  auto found = listings_.find(real);
  if (found != listings_.end()) return found->second;
  std::set<std::string> names;
  auto add = [&](const std::string& item) {
    if (Parent(item) == real && item != real) names.insert(FolderAndName(item).second);
  };
  for (const auto& [item, data] : files_) add(item);
  for (const auto& [item, target] : links_) add(item);
  for (const std::string& item : folders_) add(item);
  return listings_.emplace(real, std::vector<std::string>(names.begin(), names.end()))
      .first->second;
}

std::string MemoryFileSystem::ResolveLetterCase(const std::string& given) {
  return ResolveLetterCaseWith(
      Slashed(given), {[this](const std::string& p) {
                         const std::string real = Real(p);
                         return files_.count(real) != 0 || folders_.count(real) != 0;
                       },
                       [this](const std::string& folder) -> const std::vector<std::string>& {
                         return Listing(folder);
                       },
                       [this](const std::string& p) { return folders_.count(Real(p)) != 0; }});
}

void MemoryFileSystem::Confine(const std::string& folder, bool follow_links) {
  follow_links_ = follow_links;
  confined_as_given_ = folder.empty() ? "" : Normal(folder);
  confined_real_ = folder.empty() ? "" : Real(folder);
  confined_ = !folder.empty();
}

std::unique_ptr<InputFile> MemoryFileSystem::OpenForReading(const std::string& path) {
  if (confined_ && !Below(Normal(path), confined_as_given_)) {
    Refuse("it lies outside the game folder");
  }
  const std::string as_written = Real(path);
  const std::string disk_path = files_.count(as_written) != 0 || folders_.count(as_written) != 0
                                    ? path
                                    : ResolveLetterCase(path);
  const std::string real = Real(disk_path);
  // A loop of links, or one that leads nowhere, cannot be opened.
  if (real.empty() || (files_.count(real) == 0 && folders_.count(real) == 0)) {
    RaisePlatformError(kErrFileNotFound);
  }
  if (confined_ && !follow_links_ && !Below(real, confined_real_)) {
    Refuse("a link leads out of the game folder, to " + real + " (--follow-links reads it)");
  }
  if (folders_.count(real) != 0) Refuse("it is a folder");
  const auto fault = read_faults_.find(real);
  return std::make_unique<MemoryInputFile>(
      files_.at(real), disk_path, fault == read_faults_.end() ? std::string::npos : fault->second);
}

void MemoryFileSystem::AppendToFile(const std::string& path, std::string_view data) {
  Check(path, true);
  const auto fault = write_faults_.find(path);
  if (fault != write_faults_.end() && data.size() > fault->second) {
    files_[path].append(data.substr(0, fault->second));
    Fail(ENOSPC);
  }
  files_[path].append(data);
}

void MemoryFileSystem::RemoveFile(const std::string& path) {
  Check(path, false);
  if (!HasFile(path)) RaisePlatformError(kErrFileNotFound);
  Check(path, true);
  files_.erase(path);
}

bool MemoryFileSystem::FileExists(const std::string& path) { return HasFile(Real(path)); }

bool MemoryFileSystem::FolderExists(const std::string& path) {
  return folders_.count(Real(path)) != 0;
}

void MemoryFileSystem::WriteWholeFile(const std::string& path, std::string_view data) {
  Check(path, true);
  const std::string target = Real(path);  // a link is followed, its target replaced
  CheckWrite(target, data);
  if (rename_faults_.count(target) != 0) Fail(EXDEV);
  files_[target] = std::string(data);
}

void MemoryFileSystem::ReplaceFolder(const std::string& path,
                                     const std::vector<FolderFile>& files) {
  Check(path, true);
  const std::string prefix = path + "/";
  for (const FolderFile& file : files) CheckWrite(prefix + file.name, file.data);
  if (rename_faults_.count(path) != 0) Fail(EXDEV);
  for (auto it = files_.lower_bound(prefix); it != files_.end() && it->first.starts_with(prefix);) {
    it = files_.erase(it);
  }
  folders_.insert(path);
  for (const FolderFile& file : files) files_[prefix + file.name] = file.data;
}

std::optional<FileIdentity> MemoryFileSystem::IdentityOf(const std::string& path) {
  // Whatever path leads there, the real path names one file.
  const std::string real = Real(path);
  if (!HasFile(real) && folders_.count(real) == 0) return std::nullopt;
  return FileIdentity{0, std::hash<std::string>{}(real)};
}

std::vector<std::string> MemoryFileSystem::ListFolder(const std::string& path) {
  if (!FolderExists(path)) RaisePlatformError(kErrPathNotFound);
  std::vector<std::string> names = Listing(path);
  listings_.erase(Real(path));  // listed afresh each time, as the machine's one does
  return names;
}

std::string MemoryFileSystem::ReadWholeInput(const std::string& path, std::int64_t /*max_bytes*/) {
  Check(path, false);
  const std::string real = Real(path);
  if (!HasFile(real)) {
    throw TarnError(kErrFileNotFound, "cannot be opened: No such file or directory", "TARN");
  }
  return files_.at(real);
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
