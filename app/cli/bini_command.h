// `tarn bini FILE...`: the binary INI files of the game in their text form, each FILE written
// to FILE + ".txt" with lines ending CR LF, as the INI reader sees them.
#pragma once

#include <string>
#include <vector>

namespace tarn {

// Converts every file, printing "tarn: bini: FILE: reason" on standard error for each one that
// cannot be read, decoded or written (nothing is written for it). Exit status: 0 all
// converted, 1 any failed.
int ConvertBiniFiles(const std::vector<std::string>& files);

}  // namespace tarn
