// Findings: every warning the log receives, also as a record (what the warning says, where it
// points), for the front ends and reports that act on warnings without reading the log's text.
#pragma once

#include <cstdint>
#include <string>

namespace tarn {

struct Finding {
  enum class Kind {
    kSectionLine,  // a line of a section: a warning block of WarnSectionLine
    kReference,    // a file named somewhere that cannot be read: WarnReference
    kRepair,       // a malformed line the line source repaired
  };
  Kind kind = Kind::kSectionLine;
  std::int32_t number = 0;       // the warning's number; 0 for a repair
  std::string file{};            // the file as the log names it
  std::int32_t line = 0;         // the line the log shows
  std::int32_t editor_line = 0;  // the line in the file as an editor counts it; 0: unknown
  std::string section{};         // the section as the log shows it
  std::int32_t index = 0;        // the line's place in its section
  std::string key{};
  std::string value{};
};

// Where a run's findings go. The log calls Add once per warning it writes, after writing it.
class FindingSink {
 public:
  virtual ~FindingSink() = default;
  virtual void Add(Finding finding) = 0;
};

}  // namespace tarn
