// `tarn bini FILE...`: the binary INI files of the game in their text form, each FILE written
// to FILE + ".txt" with lines ending CR LF, as the INI reader sees them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarn {

// Converts every file, each held to max_bytes as a file and as a text form (the run's
// --max-file-size), printing "tarn: bini: FILE: reason" on standard error for each one that is
// refused, cannot be decoded or cannot be written (nothing is written for it). Exit status: 0
// all converted; 1 an input refused or not decodable; 3 an output not written; the highest of
// the files wins.
int ConvertBiniFiles(const std::vector<std::string>& files, std::int64_t max_bytes);

}  // namespace tarn
