// What the rule learner saw in a game folder: every section name, every key of it, how many
// values each line had and how each value at each position was written. Plain data, filled
// by RuleLearner and turned into rules by LearnRules.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "analysis/file_groups.h"

namespace tarn {

// A place in a game file: the file as the walk names it and the line as an editor counts it.
struct Place {
  std::string file;
  std::int32_t line = 0;
};

// The spellings of one name (letter case aside the same), with how often each was met.
class Spellings {
 public:
  void Add(std::string_view spelling);
  // The spelling met most often; the one met first among equals.
  const std::string& Most() const;

 private:
  std::vector<std::pair<std::string, std::int64_t>> counts_;
};

// The value types a written value can be stored as without losing any of its value, tried
// from the tightest: Long, Double, Boolean.
enum Candidate { kLongCandidate, kDoubleCandidate, kBooleanCandidate, kCandidateCount };

// A value that a candidate type cannot hold, and where it stands.
struct OddValue {
  std::string value;
  Place place;
};

struct PositionStats {
  static constexpr std::size_t kKeptOdd = 8;

  std::int64_t values = 0;
  // Per candidate: how many values it cannot hold, and the first kKeptOdd of them.
  std::array<std::int64_t, kCandidateCount> misses{};
  std::array<std::vector<OddValue>, kCandidateCount> odd;

  // Counts one value written as text. Returns true when no candidate type holds it: a name,
  // or some other text.
  bool Add(std::string_view text, const Place& place);
  // Adds another position's counts, as the positions of a variable tail are summed up.
  void Merge(const PositionStats& other);
};

// Every text value met that no candidate type holds, in lower case (the game looks names up
// without regard to letter case), once; positions count theirs by number.
class NamePool {
 public:
  // The number of lowered, added when new.
  std::uint32_t Id(std::string_view lowered);
  const std::string& Text(std::uint32_t id) const { return texts_[id]; }
  std::size_t Size() const { return texts_.size(); }

 private:
  std::deque<std::string> texts_;  // a deque keeps the texts the keys below point into
  std::unordered_map<std::string_view, std::uint32_t> ids_;
};

// How often a position held one name, and where first: a file by its number in
// Observations::section_files and the line as an editor counts it.
struct NameUse {
  std::uint32_t count = 0;
  std::uint32_t file = 0;
  std::int32_t line = 0;
};

// The names one value position held, for learning which positions name objects that other
// positions define.
struct PositionNames {
  std::unordered_map<std::uint32_t, NameUse> uses;  // by name number
  std::int64_t others = 0;  // values a candidate type holds (numbers, Boolean words)
  // How often each name was met in each file: the name's number in the upper half, the
  // file's in the lower. Names local to groups of files are learned from it.
  std::unordered_map<std::uint64_t, std::uint32_t> in_files{};

  void Add(std::uint32_t name, std::uint32_t file, std::int32_t line);
  // Adds another position's names, as the positions of a variable tail are summed up.
  void Merge(const PositionNames& other);
};

struct KeyStats {
  Spellings spelling;
  std::int64_t lines = 0;
  std::int64_t sections_holding = 0;  // sections of its name that hold the key at least once
  std::int64_t last_section = -1;     // the last section counted there
  bool multi_line = false;            // some section holds the key on more than one line
  std::int64_t bare_lines = 0;        // lines that held a flag key alone ("separable")
  std::size_t min_values = SIZE_MAX;
  std::size_t max_values = 0;
  std::vector<PositionStats> positions;  // by value position, from 1
  std::vector<PositionNames> names;      // likewise
};

struct SectionStats {
  Spellings spelling;
  std::string area;  // the area of the first file the section was met in
  std::int64_t count = 0;
  std::vector<KeyStats> keys;                              // in the order first met
  std::unordered_map<std::string, std::size_t> key_index;  // upper-case key -> keys
};

// A line no rule can describe, so that a check of the folder still warns about it.
struct Undescribable {
  Place place;
  std::string what;
};

struct Observations {
  std::int64_t files = 0;
  std::int64_t binary_files = 0;
  std::int64_t sections = 0;
  std::int64_t lines = 0;
  std::vector<SectionStats> sections_seen;                     // in the order first met
  std::unordered_map<std::string, std::size_t> section_index;  // upper-case name -> sections_seen
  std::vector<Undescribable> undescribable;
  // Where a file is named that cannot be read, and the name as written.
  std::vector<Undescribable> missing_files;
  NamePool names;
  std::vector<std::string> section_files;  // the files sections came from, as NameUse numbers them
  // The values that name further files, each with the file holding it.
  std::vector<NamedFile> named_files{};
};

}  // namespace tarn
