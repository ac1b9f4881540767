// What every file system has, whatever the machine: the defaults of FileSystem's optional
// methods, for file systems (the in-memory one of the tests) that have no such thing.
#include "shell/error.h"
#include "shell/file_system.h"

namespace tarn {

std::string FileSystem::MakeScratchFolder() {
  throw TarnError(kErrPathFileAccess, "Path/File access error: no temporary folder here",
                  std::string(kAppName));
}

}  // namespace tarn
