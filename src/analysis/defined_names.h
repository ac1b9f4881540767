// The names the stored rows define for "refs": by target entry rule, the first values of its
// lines, and for the targets whose names are local to groups of files, each name with its
// group. Read once per check from the data database, then asked for each use of a name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tarn {

class Database;

// The names the first values of the target entry rules give, by target, letter case folded
// as SQLite's NOCASE folds it (ASCII letters only), because the game compares names without
// regard to letter case. Kept in memory rather than in a table: a lookup for each of hundreds
// of thousands of uses is then a hash probe, not a descent through a B-tree.
using NameSets = std::unordered_map<std::int32_t, std::unordered_set<std::string>>;
// Each name of a target once, as first written: what a hint offers.
using NameSpellings = std::unordered_map<std::int32_t, std::vector<std::string>>;

// The names the lines of targets (entry rule ids) define in the rows of db; spellings gets
// each of them once as first written. Raises TarnError when the query fails.
NameSets CollectNames(Database& db, const std::vector<std::int32_t>& targets,
                      NameSpellings& spellings);

// The names of the targets local to groups of files, each with its group: what a use in a
// file of that group may name.
struct GroupedNames {
  std::unordered_map<std::string, std::uint32_t> group_of_file;  // by Sections.File
  // By target: the group's number, a line feed and the folded name.
  std::unordered_map<std::int32_t, std::unordered_set<std::string>> names;

  // The key of name as used in file; a file of no known group has a group of its own ("?"),
  // in which no local target defines anything.
  std::string Key(const std::string& file, std::string_view name) const;
};

// The groups of the stored files, known from the values of the entries that name further
// files as the walk followed them, and the names each of local_targets defines in each group.
// Raises TarnError when a query fails.
GroupedNames CollectGroupedNames(Database& db, const std::vector<std::int32_t>& local_targets);

}  // namespace tarn
