// TARN's version, shown in the window title, the log banner and the walk's messages.
#pragma once

#include <string>

namespace tarn {

inline constexpr int kVersionMajor = 0;
inline constexpr int kVersionMinor = 9;
inline constexpr int kVersionRevision = 7;

// "0.9.7": each part as a plain decimal number.
inline std::string VersionText() {
  return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
         std::to_string(kVersionRevision);
}

}  // namespace tarn
