// `tarn bini`'s work on one file a user names: read under the run's bounds, decoded, and its
// text form written whole beside it. Behind the file-system interface, so that tests and the
// fuzzer run it on any file system.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace tarn {

enum class BiniConversion {
  kConverted,
  kInputRefused,      // missing, not a regular file or pipe, too large, or not decodable
  kOutputNotWritten,  // PATH.txt could not be written
};

// Reads path with FileSystem::ReadWholeInput (at most max_bytes), decodes it with its text form
// held to max_bytes too, and writes that text whole to path + ".txt" (nothing is written when it
// is refused). Otherwise why gets a one-line reason, without the path.
BiniConversion ConvertBiniFile(FileSystem& files, const std::string& path, std::int64_t max_bytes,
                               std::string& why);

}  // namespace tarn
