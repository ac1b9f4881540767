#include "model/entry_line.h"

#include <limits>

#include "platform/ascii_case.h"
#include "platform/error.h"

namespace tarn {

namespace {

constexpr std::string_view kClassTag = "Entry";

// Scan positions are 16-bit; one past the last character must still fit.
constexpr std::size_t kMaxScanPosition = std::numeric_limits<std::int16_t>::max();

}  // namespace

bool GetNextValue(std::string_view values, std::int16_t& scan, std::string_view& item) {
  if (scan < 1) RaisePlatformError(kErrInvalidArgument);
  const std::size_t start = static_cast<std::size_t>(scan) - 1;
  if (start >= values.size()) return false;
  std::size_t comma = values.find(',', start);
  std::size_t end = comma == std::string_view::npos ? values.size() : comma;
  // 1-based: the character after the comma, or one past the end of the text.
  std::size_t next = end + (comma == std::string_view::npos ? 1 : 2);
  if (next > kMaxScanPosition) RaisePlatformError(kErrOverflow);
  item = TrimSpaces(values.substr(start, end - start));
  scan = static_cast<std::int16_t>(next);
  return true;
}

std::unique_ptr<EntryLine> EntryLine::Clone() const {
  auto copy = std::make_unique<EntryLine>();
  copy->ResetToCloneOf(*this);
  return copy;
}

void EntryLine::ResetToCloneOf(const EntryLine& rule) {
  const std::int32_t rule_slots = rule.RuleSlotCount();
  // A rule position without its value rule cannot be copied; nothing is changed then.
  for (std::int32_t position = 1; position <= rule_slots; ++position) {
    if (!rule.slots_[static_cast<std::size_t>(position - 1)]) RaisePlatformError(kErrObjectNotSet);
  }
  section_name_.assign(rule.section_name_);
  entry_name_.assign(rule.entry_name_);
  fixed_count_ = rule.fixed_count_;
  has_var_values_ = rule.has_var_values_;
  file_line_ = 0;
  var_count_ = 0;
  if (slots_.size() < static_cast<std::size_t>(rule_slots)) {
    slots_.resize(static_cast<std::size_t>(rule_slots));
  }
  for (std::int32_t position = 1; position <= rule_slots; ++position) {
    auto& slot = slots_[static_cast<std::size_t>(position - 1)];
    if (!slot) slot = std::make_unique<ValueSlot>();
    slot->ResetToCloneOf(*rule.slots_[static_cast<std::size_t>(position - 1)],
                         static_cast<std::int16_t>(position));
  }
  slots_.resize(static_cast<std::size_t>(rule_slots));
  tail_.Clear();
  slot_count_ = rule_slots;
  next_position_ = rule_slots + 1;
  multi_added_ = has_var_values_;
}

void EntryLine::Clear() {
  // The rule's slots keep their values; only the tail's further values go, and their storage
  // stays for the next line.
  slot_count_ = RuleSlotCount();
}

void EntryLine::Init(std::string_view section_name, std::string_view entry_name,
                     std::int16_t fixed_count, bool has_var_values) {
  if (IsInitialized()) RaiseError(kErrEntryAlreadyInitialized, kClassTag);
  if (fixed_count < 0) RaisePlatformError(kErrSubscriptOutOfRange);
  section_name_.assign(section_name);
  entry_name_.assign(entry_name);
  fixed_count_ = fixed_count;
  has_var_values_ = has_var_values;
  slots_.clear();
  slots_.resize(static_cast<std::size_t>(RuleSlotCount()));
  slot_count_ = RuleSlotCount();
  var_count_ = 0;
  next_position_ = 1;
  multi_added_ = false;
}

ValueSlot& EntryLine::AddValue(std::string_view value_name, std::int32_t type,
                               std::int16_t position, bool is_multi) {
  if (!IsInitialized()) RaiseError(kErrEntryNotInitialized, kClassTag);
  if (position != next_position_) RaiseError(kErrValuePositionMismatch, kClassTag);
  if (is_multi && !has_var_values_) RaiseError(kErrEntryDoesNotAcceptMulti, kClassTag);
  if (multi_added_) RaiseError(kErrMultiValueMustBeLast, kClassTag);
  if (next_position_ > slot_count_) RaiseError(kErrTooManyValues, kClassTag);
  if (is_multi && next_position_ <= fixed_count_) {
    RaiseError(kErrMultiValueInFixedPosition, kClassTag);
  }
  if (!is_multi && next_position_ > fixed_count_) {
    RaiseError(kErrFixedValueInMultiPosition, kClassTag);
  }
  auto slot = std::make_unique<ValueSlot>();
  slot->Init(value_name, type, position, is_multi);
  ValueSlot& added = *slot;
  slots_[static_cast<std::size_t>(next_position_ - 1)] = std::move(slot);
  ++next_position_;
  if (is_multi) multi_added_ = true;
  return added;
}

void EntryLine::SetValues(std::string_view entry_name, std::string_view values,
                          std::int32_t file_line) {
  if (!IsInitialized()) RaiseError(kErrEntryNotInitialized, kClassTag);
  if (!EqualsIgnoringAsciiCase(entry_name, entry_name_)) {
    RaiseError(kErrEntryNameMismatch, kClassTag);
  }
  if (next_position_ == 1) RaiseError(kErrValueTypesNotSet, kClassTag);

  // The 16-bit scan position ends the split long before the item count could pass 32,767.
  std::int16_t scan = 1;
  std::int32_t position = 1;
  std::string_view item;
  while (GetNextValue(values, scan, item)) {
    if (position > fixed_count_) {
      if (!has_var_values_) RaiseError(kErrTooManyValues, kClassTag);
    }
    if (position <= fixed_count_ + 1) {
      Slot(position).SetValue(item);
    } else {
      // The tail's further values: converted by a copy of the multi rule, held compactly.
      // The first of them starts the tail afresh; a line without any leaves the last one's.
      if (position == fixed_count_ + 2) {
        converter_.ResetToCloneOf(MultiRule(), static_cast<std::int16_t>(position));
        tail_.Clear();
      }
      slot_count_ = position;
      try {
        converter_.SetValue(item);
      } catch (const TarnError&) {
        // The position stays in the table with the empty value of a fresh copy of the rule.
        converter_.ResetToCloneOf(MultiRule(), static_cast<std::int16_t>(position));
        tail_.Push(converter_.View());
        throw;
      }
      tail_.Push(converter_.View());
    }
    ++position;
  }
  const std::int32_t items = position - 1;
  if (items < fixed_count_) RaiseError(kErrTooFewValues, kClassTag);
  file_line_ = file_line;
  var_count_ = static_cast<std::int16_t>(items - fixed_count_);
}

ValueSlot& EntryLine::Value(std::int16_t idx) { return Slot(idx); }

const ValueSlot& EntryLine::Value(std::int16_t idx) const { return Slot(idx); }

ValueView EntryLine::ValueAt(std::int32_t position) const {
  if (position < 1 || position > slot_count_) RaisePlatformError(kErrSubscriptOutOfRange);
  if (position <= RuleSlotCount()) return Slot(position).View();
  return tail_.At(static_cast<std::size_t>(position - RuleSlotCount() - 1));
}

ValueSlot& EntryLine::MultiRule() const {
  const auto& multi = slots_[static_cast<std::size_t>(fixed_count_)];
  if (!multi) RaisePlatformError(kErrObjectNotSet);
  return *multi;
}

ValueSlot& EntryLine::Slot(std::int32_t position) const {
  if (position < 1 || position > slot_count_) RaisePlatformError(kErrSubscriptOutOfRange);
  if (position > RuleSlotCount()) {
    converter_.ResetToCloneOf(MultiRule(), static_cast<std::int16_t>(position));
    converter_.Hold(tail_.At(static_cast<std::size_t>(position - RuleSlotCount() - 1)));
    return converter_;
  }
  const auto& slot = slots_[static_cast<std::size_t>(position - 1)];
  if (!slot) RaisePlatformError(kErrObjectNotSet);
  return *slot;
}

}  // namespace tarn
