// TARN's version, shown in the window title, the log banner and the walk's messages.
#pragma once

#include <string>

#include "platform/version_number.h"

namespace tarn {

// The numbers come from the build (project(TARN VERSION ...) in CMakeLists.txt), the one
// place the version is written.
inline constexpr int kVersionMajor = TARN_VERSION_MAJOR;
inline constexpr int kVersionMinor = TARN_VERSION_MINOR;
inline constexpr int kVersionRevision = TARN_VERSION_REVISION;

// "0.9.7" for 0, 9 and 7: each part as a plain decimal number.
inline std::string VersionText() {
  return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
         std::to_string(kVersionRevision);
}

}  // namespace tarn
