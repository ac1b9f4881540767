// The groups of files whose names may be local to them: a file named by a value of another
// file, together with every file it names in turn (a base's file and the files of its rooms;
// a star system's file and its fields). A file no value names (one the main configuration
// file or the list of other files gives, as the universe file) heads a group of its own and
// leaves the files it names to head theirs: otherwise every base would share one group.
// Learning and checking both know a group from the same two facts, the files sections came
// from and the values of the entries that name further files, so that they agree.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tarn {

// A value that names a further file: the file holding it and the value as written.
struct NamedFile {
  std::string file;
  std::string value;
};

class FileGroups {
 public:
  // files: the paths sections came from, in any order; named: the values naming them. A
  // value names the file whose path ends with it ("\" and "/" alike, letter case aside);
  // the first value naming a file decides its group.
  FileGroups(const std::vector<std::string>& files, const std::vector<NamedFile>& named);

  // The number of file's group; a file not given to the constructor is a group of its own,
  // numbered from the files given on.
  std::uint32_t GroupOf(const std::string& file);

 private:
  std::unordered_map<std::string, std::uint32_t> index_;  // folded path -> file number
  std::vector<std::int64_t> parent_;                      // file number -> naming file, or -1
  std::vector<std::int64_t> group_;                       // file number -> group, -1 unknown
};

}  // namespace tarn
