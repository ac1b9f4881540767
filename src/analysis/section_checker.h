// The checker of "All" (the INI parser's DoSection): every section the walk reads is checked
// against its rule section, line by line, and stored.
#pragma once

#include <string>

#include "rules/rule_library.h"
#include "walk/section_handler.h"

namespace tarn {

class Log;
class RowSink;
class RunStats;

class SectionChecker : public SectionHandler {
 public:
  // rules and rows may be null (before the first "Init DB"): a section then ends the program
  // with the error 91 a missing rule library or cursor gives. All must outlive the checker.
  SectionChecker(Log& log, RuleLibrary* rules, RowSink* rows, RunStats* stats)
      : log_(log), rules_(rules), rows_(rows), stats_(stats) {}

  // DoSection: looks up the section's rule and each line's entry rule (letter case aside),
  // checks the values, then stores the section and clears the rule for the next one. Every
  // finding about the game's data becomes a warning and the section goes on; any other error
  // is reported under "DoSection" and ends the program.
  void HandleSection(const std::string& area, SectionBuffer& buffer) override;

 private:
  Log& log_;
  RuleLibrary* rules_;
  RowSink* rows_;
  RunStats* stats_;
  std::string key_;  // the upper-cased key of the line being looked up, reused
};

}  // namespace tarn
