// What every file system has, whatever the machine: the defaults of FileSystem's optional
// methods, for file systems (the in-memory one of the tests) that have no such thing.
#include <cerrno>
#include <filesystem>
#include "platform/error.h"
#include "platform/file_system.h"

namespace tarn {

std::string FileSystem::MakeScratchFolder() {
  throw TarnError(kErrPathFileAccess, "Path/File access error: no temporary folder here",
                  std::string(kAppName));
}

std::unique_ptr<MappedFile> FileSystem::MapForReading(const std::string& /*path*/) {
  throw TarnError(kErrPathFileAccess, SystemErrorText(ENOSYS), std::string(kAppName));
}

std::string FileSystem::AbsolutePath(const std::string& path) {
  return (std::filesystem::path("/") / path).lexically_normal().generic_string();
}

std::pair<std::string, std::string> FolderAndName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace tarn
