// An entry (the model's entry object): one key of a section rule, with its rule flags and the lines
// read for that key in the section being processed.
//
// Line 1 is both the rule (its slots carry the value rules) and the first line read for the
// key; every further line of the key gets a copy of line 1. A line whose check fails is not
// counted and is overwritten by the next line of the key. The same entry serves every section
// of its name: Store writes the lines read, Clear makes it ready for the next section.
//
// Errors of this class carry the source "TARN.Entry". Every operation that reaches line 1
// raises kErrSubscriptOutOfRange (9) before Init.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/entry_line.h"
#include "model/flag_lines.h"

namespace tarn {

class RowSink;

class Entry {
 public:
  Entry() = default;
  Entry(const Entry&) = delete;
  Entry& operator=(const Entry&) = delete;

  // Writes each line read as an entry row (the rule's entry name in lower case, the entry id,
  // section_row as link, the line's file line), each followed by one value row per value of
  // the line. Writes nothing when no line was read. The sink's errors pass through; rows
  // written before stay.
  void Store(RowSink& rows, std::int32_t section_row) const;

  // A new entry with this entry's flags, id and a copy of line 1 (Clone of EntryLine); the
  // lines read are not copied.
  std::unique_ptr<Entry> Clone() const;

  // Starts over with a new rule line initialised with (section_name, entry_name, fixed_count,
  // has_var_values); any earlier lines go. A second call is allowed.
  void Init(std::string_view section_name, std::string_view entry_name, std::int16_t fixed_count,
            bool is_multi_line, bool has_var_values, bool is_mandatory, std::int32_t db_id);
  // Replaces line 1; raises 91 for a null line.
  void InitEntry(std::unique_ptr<EntryLine> line);

  // Adds a value rule to line 1 (EntryLine::AddValue).
  ValueSlot& AddValue(std::string_view value_name, std::int32_t type, std::int16_t position,
                      bool is_multi);

  // Marks value position `position` of the rule whole (ValueSlot::SetWhole); a position the
  // rule does not have, or that is not a Long, is left as it is.
  void MarkWhole(std::int32_t position);

  // How the rule says its flag key is written (kUnsaid unless set); Clone copies it.
  void SetFlagForm(FlagForm form) { flag_form_ = form; }
  tarn::FlagForm FlagForm() const { return flag_form_; }

  // Checks one line of the key and counts it when it passes. Raises, in this order: 10202
  // (line 1 not initialised), 10203 (another key, letter case aside), 10209 (a second line
  // for a key that is not multi-line), then the line check's errors unchanged. A failed line
  // is not counted.
  void SetValues(std::string_view entry_name, std::string_view values, std::int32_t file_line);

  // Forgets the lines read and clears line 1 (EntryLine::Clear).
  void Clear();

  const std::string& SectionName() const { return Line1().SectionName(); }
  const std::string& EntryName() const { return Line1().EntryName(); }
  std::int32_t EntryDB_ID() const { return db_id_; }
  std::int16_t FixedValuesNo() const { return Line1().FixedValuesNo(); }
  bool HasVariableValues() const { return Line1().HasVariableValues(); }
  bool IsMultiLine() const { return is_multi_line_; }
  bool IsMandatory() const { return is_mandatory_; }

  // The number of lines read since Init or Clear.
  std::int16_t LinesRead() const { return static_cast<std::int16_t>(next_line_ - 1); }
  // Line idx of the line table (1 is the rule line); 9 outside it.
  const EntryLine& Line(std::int16_t idx) const;

 private:
  EntryLine& Line1() const;

  bool is_multi_line_ = false;
  bool is_mandatory_ = false;
  tarn::FlagForm flag_form_ = tarn::FlagForm::kUnsaid;
  std::int32_t db_id_ = 0;
  // Lines 1 to line_count_ are the table; lines beyond it are kept from earlier sections only
  // to be reset and reused, as many sections repeat the same multi-line keys.
  std::vector<std::unique_ptr<EntryLine>> lines_;
  std::int32_t line_count_ = 0;
  std::int32_t next_line_ = 1;
};

}  // namespace tarn
