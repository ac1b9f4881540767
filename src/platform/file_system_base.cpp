// What every file system has, whatever the machine: the defaults of FileSystem's optional
// methods, for file systems (the in-memory one of the tests) that have no such thing.
#include <cerrno>
#include <charconv>
#include <ctime>
#include <filesystem>

#include "platform/ascii_case.h"
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

bool IsLeftover(std::string_view name, std::int64_t modified_seconds) {
  // ".NAME.tarn-PID.KIND", KIND one of tmp, new, old.
  constexpr std::string_view kTag = ".tarn-";
  constexpr std::int64_t kLeftoverAge = std::int64_t{24} * 60 * 60;
  if (name.empty() || name[0] != '.') return false;
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view kind = name.substr(dot + 1);
  if (kind != "tmp" && kind != "new" && kind != "old") return false;
  const std::size_t tag = name.rfind(kTag, dot);
  if (tag == std::string_view::npos || tag == 0) return false;
  const std::string_view digits = name.substr(tag + kTag.size(), dot - tag - kTag.size());
  std::uint64_t pid = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
  if (ec != std::errc() || end != digits.data() + digits.size() || pid == 0) return false;
  if (static_cast<std::int64_t>(std::time(nullptr)) - modified_seconds > kLeftoverAge) return true;
  return ProcessHasEnded(pid);
}

std::string ResolveLetterCaseWith(const std::string& path, const LetterCaseLookup& lookup) {
  std::string resolved;
  std::size_t start = 0;
  if (!path.empty() && path[0] == '/') {
    resolved = "/";
    start = 1;
  }
  while (start <= path.size()) {
    const std::size_t end = path.find('/', start);
    const bool last = end == std::string::npos;
    const std::string_view component(path.data() + start, (last ? path.size() : end) - start);
    start = last ? path.size() + 1 : end + 1;
    if (component.empty() || component == "." || component == "..") {
      resolved.append(component);
      if (!last) resolved += '/';
      continue;
    }
    std::string candidate = resolved + std::string(component);
    if (!lookup.exists(candidate)) {
      candidate.clear();
      // Among several case variants the first in byte order wins, whatever the order
      // the folder lists them in.
      for (const std::string& name : lookup.sorted_listing(resolved)) {
        if (EqualsIgnoringAsciiCase(name, component)) {
          candidate = resolved + name;
          break;
        }
      }
      if (candidate.empty()) RaisePlatformError(last ? kErrFileNotFound : kErrPathNotFound);
    }
    if (!last && !lookup.is_folder(candidate)) RaisePlatformError(kErrPathNotFound);
    resolved = std::move(candidate);
    if (!last) resolved += '/';
  }
  return resolved;
}

}  // namespace tarn
