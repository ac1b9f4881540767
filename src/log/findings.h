// Findings: every warning the log receives, also as a record (what the warning says, where it
// points in the log's terms and on disk), for the front ends, reports and the Findings table
// that act on warnings without reading the log's text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarn {

struct Finding {
  enum class Kind {
    kSectionLine,  // a line of a section: a warning block of WarnSectionLine
    kReference,    // a file named somewhere that cannot be read: WarnReference
    kRepair,       // a malformed line the line source repaired
    kFile,         // a file refused for its size or a line's length: WarnFile
    kUnknownName,  // a stored name no object of the kinds it names has: WarnUnknownName
  };
  Kind kind = Kind::kSectionLine;
  std::int32_t number = 0;  // the warning's number; 0 for a repair
  // Where the log says it is: the file as the walk composed its path, the line as the log
  // counts it (a section's header line plus the line's place), the section as the log shows
  // it, the line's place in the section. For a reference warning: the line naming the file.
  std::string file{};
  std::int32_t line = 0;
  std::string section{};
  std::int32_t index = 0;
  std::string key{};
  std::string value{};  // the offending text; for a repair, what the log says of it
  // Where it is on disk: the file in its own letter case, the line as an editor counts it
  // (blank and comment lines included; in a binary file, the line of its text form), and the
  // section's header line. Empty and 0 where no line of a game file is at fault (a file named
  // by _bc_OtherINI); 0 where the place is not known.
  std::string disk_file{};
  std::int32_t editor_line = 0;
  bool binary = false;
  std::int32_t section_line = 0;
  // What tells the section from others of its name: its nickname value, or else how many
  // sections of its name the file held before it.
  std::string nickname{};
  std::int32_t same_name_before = 0;
  // For a reference warning: the path the walk tried to read, and why it could not when
  // that is more than its missing (it lies outside the game folder, it is a FIFO, ...). For
  // an unknown name: the kinds of object it may name, "[Gun]nickname | [Munition]nickname".
  std::string target{};
  std::string reason{};
  // For an unknown key, section or name: the known one of its kind it most likely means
  // (see NearNames); empty when none is near. Reports show it; the log does not.
  std::string hint{};
};

// Where a run's findings go. The log calls Add once per warning it writes, after writing it.
class FindingSink {
 public:
  virtual ~FindingSink() = default;
  virtual void Add(Finding finding) = 0;
};

// Keeps every finding, in the order they come.
class FindingList : public FindingSink {
 public:
  void Add(Finding finding) override { all_.push_back(std::move(finding)); }
  const std::vector<Finding>& All() const { return all_; }
  // Forgets every finding and gives their memory back.
  void Clear() { std::vector<Finding>().swap(all_); }

 private:
  std::vector<Finding> all_;
};

}  // namespace tarn
