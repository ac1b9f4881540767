// A rule set as plain data: what the rule sources under data/rules hold, what `tarn rules
// export` writes and `tarn rules import` reads, and what the rule tables of TARN.MDB store.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/flag_lines.h"

namespace tarn {

// An object kind that a String position names: a name there must be the first value of the
// entry `key` in some section `section`, letter case aside, as the game looks names up.
struct NameTarget {
  std::string section;
  std::string key;
  // The names live in groups of files (the rooms of one base): a use must name an object
  // that its own group of files defines (see analysis/file_groups.h).
  bool local = false;
  bool operator==(const NameTarget&) const = default;
};

struct ValueRule {
  std::optional<std::string> name;  // nullopt: an unnamed position
  std::int32_t type = 0;            // 1 Long, 2 Double, 3 String, 4 Boolean, 5 Null
  bool is_multi = false;            // the rule of the variable tail
  bool whole = false;               // a Long written as a whole number only ("Whole")
  // The kinds of object its values name, any one of which must define each of them; empty
  // for a position that names nothing.
  std::vector<NameTarget> refers_to{};
};

struct EntryRule {
  std::string name;
  std::int32_t db_id = 0;  // the entry rule's identifier, stored with every line read for it
  std::int32_t idx = 0;    // the entry's index number within its section
  std::int32_t fixed = 0;  // number of fixed value positions
  bool multi_line = false;
  bool var_args = false;
  bool mandatory = false;
  std::vector<ValueRule> values;      // positions 1, 2, ... in order
  int line = 0;                       // where the source states it; 0 when read from a database
  FlagForm flag = FlagForm::kUnsaid;  // how a flag key is written ("bare", "valued")
};

struct SectionRule {
  std::string name;
  std::string file;  // the source file that holds it, relative to the rule folder
  std::vector<EntryRule> entries;
  int line = 0;
};

struct RuleSet {
  std::vector<SectionRule> sections;
};

// A fault in a rule source, with the place it was found: a file (relative to the folder read)
// and line (0 for the file as a whole), or no file for a fault of the folder as a whole.
class RuleSourceError : public std::runtime_error {
 public:
  RuleSourceError(std::string file, int line, const std::string& message)
      : std::runtime_error(file.empty() ? message
                           : line == 0  ? file + ": " + message
                                        : file + ":" + std::to_string(line) + ": " + message),
        file_(std::move(file)),
        line_(line) {}
  const std::string& File() const { return file_; }
  // The fault as said of the rule folder read: "FOLDER/FILE:LINE: ..." or "FOLDER: ...".
  std::string In(const std::string& folder) const {
    return folder + (file_.empty() ? ": " : "/") + what();
  }
  int Line() const { return line_; }

 private:
  std::string file_;
  int line_;
};

// A rule folder or file that could not be read or written: a fault of the place, not of the
// rules in it, which callers tell apart from the others.
class RuleFolderError : public RuleSourceError {
 public:
  using RuleSourceError::RuleSourceError;
};

// The display names of the value type codes 1 to 5; a number for any other code.
std::string TypeName(std::int32_t type);

// The type code of a display name ("Long" ... "Null", any letter case) or a decimal code;
// nullopt for any other text.
std::optional<std::int32_t> TypeCode(const std::string& name);

// The name a rule source gives a position's type: "Whole" for a whole Long, else TypeName.
std::string PositionTypeName(const ValueRule& value);

// The word of rule sources for a Long written as a whole number only.
inline constexpr const char* kWholeTypeName = "Whole";

}  // namespace tarn
