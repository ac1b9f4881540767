// Where a run may write for the user. Reports, baselines and learned rule folders are the
// user's to place, but never over what the run itself owns or reads: its databases, its log,
// its locks, the baseline it reads, or the game's own files. The checks are made before
// anything is written, on what the paths name (links followed), not on how they are spelt.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarn {

class FileSystem;

// The folders and files of one run that nothing it writes may replace.
struct OwnedPlaces {
  std::string home;                     // TARN.MDB, KV.MDB and the home lock
  std::string log;                      // tarn.log and the log lock; empty: none yet
  std::string game;                     // the game folder; empty: none set
  std::optional<std::string> baseline;  // the file --baseline reads
};

// Why path may not be written as a report or baseline, in words for the user ("it is the
// settings database TARN.MDB"); empty when it may. "-" (standard output) may always be
// written. Files inside the game folder may be written unless they are of a kind the walk
// reads (INI files, resource libraries): a mod repository that is the game folder keeps its
// reports there.
std::string WhyNotWritable(FileSystem& files, const OwnedPlaces& places, const std::string& path);

// WhyNotWritable for each path in turn, and two paths naming one file (or two "-"): the
// reason for the first path refused, prefixed by it; empty when all may be written.
std::string CheckWrittenPaths(FileSystem& files, const OwnedPlaces& places,
                              const std::vector<std::string>& paths);

// Why folder may not be replaced as a whole: it is, or contains, the game, home or log folder.
// Empty when nothing forbids it; whether the folder's contents are the run's to replace is
// the caller's question.
std::string WhyNotReplaceable(FileSystem& files, const OwnedPlaces& places,
                              const std::string& folder);

}  // namespace tarn
