// An entry line (the model's single entry): the rule for one line "key = value, value, ..." of
// a section, and the values of the last line checked against it.
//
// The rule is built one value rule at a time (AddValue), in position order: the fixed
// positions 1 to FixedValuesNo first, then, for a line with a variable tail, one multi rule
// at FixedValuesNo + 1 that serves every further position. SetValues splits a value text at
// commas and assigns each item to the slot of its position; positions beyond FixedValuesNo + 1
// are the multi rule's for the line, their values held compactly (TailValues) and shown
// through a copy of the rule on demand (Value).
//
// Errors of this class carry the source "TARN.Entry"; the slots' errors (10101, 10102, 6 with
// source "TARN.Value") pass through. Positions and counts are 16-bit: a value text longer than
// 32,766 characters fails with the platform's overflow (6) once the split reaches that far.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/tail_values.h"
#include "model/value_slot.h"

namespace tarn {

// The section name of a line that has not been initialised.
inline constexpr std::string_view kEmptyMarker = "_bc_empty";

// Takes the next comma-separated item of values from the 1-based scan position `scan` on and
// advances `scan` past it; false, with scan and item unchanged, once scan is beyond the text.
// Only spaces are trimmed from an item (a tab stays). A comma as the last character ends the
// list without an empty item; a comma followed by spaces gives one. item views values.
// Raises the platform's overflow (6) when the position would pass 32,767.
bool GetNextValue(std::string_view values, std::int16_t& scan, std::string_view& item);

class EntryLine {
 public:
  EntryLine() = default;
  EntryLine(const EntryLine&) = delete;
  EntryLine& operator=(const EntryLine&) = delete;

  // A copy of the rule: held values, file line, variable count and the copies made for a
  // variable tail are not carried over. Raises kErrObjectNotSet (91) when a position of the
  // rule was never given its value rule.
  std::unique_ptr<EntryLine> Clone() const;
  // Makes this line what rule.Clone() would be, reusing this line's storage (the entry keeps
  // its further lines for the next section this way); rule is another line. Raises as Clone
  // does.
  void ResetToCloneOf(const EntryLine& rule);

  // Drops the copies made for the variable tail of the last line; the remaining slots keep
  // their values, and file line and variable count stay.
  void Clear();

  // Starts the rule. Raises 10201 when the line is initialised already (a section name other
  // than "_bc_empty"), and kErrSubscriptOutOfRange (9) for a negative fixed_count; neither
  // changes anything.
  void Init(std::string_view section_name, std::string_view entry_name, std::int16_t fixed_count,
            bool has_var_values);

  // Adds the value rule for the next position and returns its slot, which lives as long as
  // the line. Raises, checked in this order: 10202 (not initialised), 10204 (position is not
  // the next position), 10211 (multi rule for a line without variable tail), 10210 (a multi
  // rule was added already), 10205 (no position left), 10206 (multi rule in a fixed position),
  // 10207 (fixed rule in the multi position).
  ValueSlot& AddValue(std::string_view value_name, std::int32_t type, std::int16_t position,
                      bool is_multi);

  // Checks one line and keeps its values. Raises, in this order: 10202 (not initialised), 10203
  // (entry_name is another name than the rule's, letter case aside), 10208 (no value rule),
  // the slots' errors item by item, 10205 (an item beyond the fixed positions of a line
  // without variable tail), 10212 (fewer items than fixed positions); also 91 for an item
  // whose position never got a value rule. After an error the slots assigned so far keep their
  // new values while file line and variable count stay those of the last good line.
  void SetValues(std::string_view entry_name, std::string_view values, std::int32_t file_line);

  bool IsInitialized() const { return section_name_ != kEmptyMarker; }
  const std::string& SectionName() const { return section_name_; }
  const std::string& EntryName() const { return entry_name_; }
  std::int16_t FixedValuesNo() const { return fixed_count_; }
  std::int16_t VarValuesCount() const { return var_count_; }
  bool HasVariableValues() const { return has_var_values_; }
  std::int32_t FileLine() const { return file_line_; }

  // The slot at position idx: 9 outside the slot table, 91 for a position without a value
  // rule. A position beyond FixedValuesNo + 1 is shown in a copy of the multi rule at that
  // position, holding its value, valid until the next call.
  ValueSlot& Value(std::int16_t idx);
  const ValueSlot& Value(std::int16_t idx) const;
  // The value at a position of the slot table, without making a slot for it; a text views
  // storage that lives until the line's next change. Raises as Value does.
  ValueView ValueAt(std::int32_t position) const;
  // The size of the slot table: the rule's positions, or more after a line with a variable
  // tail until the next Clear.
  std::int16_t SlotCount() const { return static_cast<std::int16_t>(slot_count_); }

 private:
  std::int32_t RuleSlotCount() const { return fixed_count_ + (has_var_values_ ? 1 : 0); }
  ValueSlot& Slot(std::int32_t position) const;
  // The multi rule, which converts every value of the tail.
  ValueSlot& MultiRule() const;

  std::string section_name_{kEmptyMarker};
  std::string entry_name_;
  std::int16_t fixed_count_ = 0;
  bool has_var_values_ = false;
  std::int32_t file_line_ = 0;
  // The rule's slots, 1 to FixedValuesNo + 1; a null slot is a position whose value rule was
  // never added. Positions beyond are held in tail_.
  std::vector<std::unique_ptr<ValueSlot>> slots_;
  TailValues tail_;
  std::int32_t slot_count_ = 0;
  // Converts the tail's values beyond its first, and shows them (Value).
  mutable ValueSlot converter_;
  std::int16_t var_count_ = 0;
  std::int32_t next_position_ = 1;
  bool multi_added_ = false;
};

}  // namespace tarn
