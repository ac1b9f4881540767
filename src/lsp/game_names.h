// What the language server knows of the rules and of the names the game's files define: the
// rule of each key (for hover and completion), the kinds of object each value position names,
// and a sink for the rows a check stores that keeps only definitions and uses of names.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/row_sink.h"
#include "rules/rule_set.h"

namespace tarn {

class LinePlaces;

// Rules looked up letter case aside. The rule set must outlive the index.
class RuleIndex {
 public:
  explicit RuleIndex(const RuleSet& rules);
  const RuleSet& Rules() const { return rules_; }
  const SectionRule* FindSection(std::string_view section) const;
  const EntryRule* FindEntry(std::string_view section, std::string_view key) const;
  // The rule of value position (from 1) of a key: a fixed position's own, past them the
  // variable tail's; null when the rule has none.
  static const ValueRule* Position(const EntryRule& entry, std::int32_t position);
  // True when the first value of key in section defines names some position refers to.
  bool Defines(std::string_view section, std::string_view key) const;

 private:
  const RuleSet& rules_;
  std::unordered_map<std::string, const SectionRule*> sections_;
  std::unordered_map<std::string, const EntryRule*> entries_;  // "section\nkey", lower case
  std::unordered_map<std::string, bool> targets_;
};

// "section\nkey" in lower case: how names and targets are keyed.
std::string TargetKey(std::string_view section, std::string_view key);

struct NamePlace {
  std::string file;       // as the walk composed its path
  std::string disk_file;  // as found on disk (or in the workspace), once resolved
  std::int32_t editor_line = 0;
  std::string spelling;
  std::int32_t section_row = 0;  // until the place is resolved
  std::int32_t entry_row = 0;
};

// A value that names an object, where a check stored it.
struct NameUse {
  std::string section;
  std::string key;
  std::string value;
  std::string file;
  std::int32_t line = 0;          // as the log counts it
  std::int32_t section_line = 0;  // the section's header line
  std::int32_t editor_line = 0;
  const ValueRule* rule = nullptr;
  std::int32_t section_row = 0;
  std::int32_t entry_row = 0;
};

// Names by target, then by their lower-case form: every place that defines them.
using NameTable =
    std::unordered_map<std::string, std::unordered_map<std::string, std::vector<NamePlace>>>;

// Keeps the definitions and uses of names of the rows stored into it; numbers rows as a data
// database would. Editor lines are filled in by Resolve, from the places a recorder kept.
class NameSink : public RowSink {
 public:
  // index must outlive the sink. keep_uses: record the uses too (for one file, not a game).
  NameSink(const RuleIndex& index, bool keep_uses) : index_(index), keep_uses_(keep_uses) {}

  std::int32_t AddSection(std::string_view area, std::string_view section, std::string_view file,
                          std::int32_t line) override;
  std::int32_t AddEntry(std::string_view entry, std::int32_t entry_id, std::int32_t section_row,
                        std::int32_t line) override;
  std::int32_t AddValue(std::int32_t entry_row, const ValueView& value) override;

  // Fills in the editor lines of every definition and use from places.
  void Resolve(const LinePlaces& places);

  NameTable& Names() { return names_; }
  std::vector<NameUse>& Uses() { return uses_; }

 private:
  const RuleIndex& index_;
  const bool keep_uses_;
  NameTable names_;
  std::vector<NameUse> uses_;
  // Each table numbers its own rows, as the data database's do: places kept by row then stay
  // dense (one per section, one per entry) rather than one per row of any kind.
  std::int32_t section_rows_ = 0, entry_rows_ = 0, value_rows_ = 0;
  std::string section_, file_;
  std::int32_t section_line_ = 0, section_row_ = 0;
  std::string key_;
  std::int32_t line_ = 0, entry_row_ = 0, position_ = 0;
  const EntryRule* entry_ = nullptr;
  bool defines_ = false;
};

}  // namespace tarn
