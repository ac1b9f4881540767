// The rule learner's handler of the walk: instead of checking each section it records what
// the section holds (Observations), and it keeps the values of the reference entry rules so
// that the walk follows them to further files as "All" does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "learn/observations.h"
#include "log/findings.h"
#include "walk/recorded_values.h"
#include "walk/section_handler.h"

namespace tarn {

// An entry rule whose values name further files, as the installed rule set names it.
struct ReferenceRule {
  std::int16_t id = 0;
  std::string section;
  std::string key;
};

class RuleLearner : public SectionHandler, public FindingSink {
 public:
  // values receives the rows of the references, which must outlive the learner.
  RuleLearner(std::vector<ReferenceRule> references, RecordedValues& values);

  void BeginFile(const std::string& area, const std::string& path, bool binary) override;
  void HandleSection(const std::string& area, SectionBuffer& buffer) override;
  // Notes the error as a line no rule can describe and goes on with the next file.
  bool GoOnAfter(const TarnError& error, const std::string& path) override;
  // The warnings the reading gives whatever the rules: a header without "]", a repaired
  // line, a file that cannot be read.
  void Add(Finding finding) override;

  const Observations& Seen() const { return seen_; }

 private:
  SectionStats& SectionOf(const std::string& name, const std::string& area);
  void RecordLine(SectionStats& section, const std::string& area, const SectionBuffer& buffer,
                  std::int16_t index);
  void RecordReference(const ReferenceRule& reference, const std::string& area,
                       const SectionBuffer& buffer, std::int16_t index,
                       const std::vector<std::string_view>& items);
  const ReferenceRule* ReferenceOf(const std::string& section, const std::string& key) const;

  std::vector<ReferenceRule> references_;
  RecordedValues& values_;
  Observations seen_;
  std::vector<std::string_view> items_;  // the values of the line being recorded, reused
  std::string upper_;                    // an upper-cased name, reused
  std::string lower_;                    // a lower-cased value, reused
};

}  // namespace tarn
