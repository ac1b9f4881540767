// The checker of "All" (the INI parser's DoSection): every section the walk reads is checked
// against its rule section, line by line, and stored.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "analysis/near_names.h"
#include "rules/rule_library.h"
#include "walk/section_handler.h"

namespace tarn {

class Log;
class ReferenceRecorder;
class RowSink;
class RunStats;

class SectionChecker : public SectionHandler {
 public:
  // rules and rows may be null (before the first "Init DB"): a section then ends the program
  // with the error 91 a missing rule library or cursor gives. recorder, when given, is told
  // of each section before it is stored. All must outlive the checker.
  SectionChecker(Log& log, RuleLibrary* rules, RowSink* rows, RunStats* stats,
                 ReferenceRecorder* recorder = nullptr)
      : log_(log), rules_(rules), rows_(rows), stats_(stats), recorder_(recorder) {}

  // Counts the files read.
  void BeginFile(const std::string& area, const std::string& path, bool binary) override;

  // DoSection: looks up the section's rule and each line's entry rule (letter case aside),
  // checks the values, then stores the section and clears the rule for the next one. Every
  // finding about the game's data becomes a warning and the section goes on; any other error
  // is reported under "DoSection" and ends the program. A flag line written otherwise than
  // its rule says is warned about (10407) and checked all the same.
  void HandleSection(const std::string& area, SectionBuffer& buffer) override;

  // What the entry rule of key in section's rule says, letter case aside; kUnsaid without
  // rules, or for a section or key they do not have.
  FlagForm FlagFormOf(const std::string& section, std::string_view key) const override;

  std::int64_t FilesRead() const { return files_; }
  std::int64_t SectionsRead() const { return sections_; }

 private:
  Log& log_;
  RuleLibrary* rules_;
  RowSink* rows_;
  RunStats* stats_;
  ReferenceRecorder* recorder_;
  // The keys of a section rule, or the rule set's section names, nearest to a name that is
  // none of them; indexes are made at the first unknown name of their kind.
  std::string_view KeyHint(const Section& section, const std::string& key);
  std::string_view SectionHint(const std::string& name);

  std::string key_;  // the upper-cased key of the line being looked up, reused
  std::unordered_map<const Section*, NearNames> key_hints_;
  std::unique_ptr<NearNames> section_hints_;
  std::int64_t files_ = 0;
  std::int64_t sections_ = 0;
};

}  // namespace tarn
