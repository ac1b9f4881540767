#include "model/entry_line.h"

#include <limits>

#include "shell/ascii_case.h"
#include "shell/error.h"

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
  slot_count_ = rule_slots;
  next_position_ = rule_slots + 1;
  multi_added_ = has_var_values_;
}

void EntryLine::Clear() {
  // The slots themselves keep their values (ValueSlot::Clear does nothing); only the copies for
  // the variable tail go, and they stay allocated for the next line.
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
      if (position > fixed_count_ + 1) PrepareTailSlot(position);
    }
    Slot(position).SetValue(item);
    ++position;
  }
  const std::int32_t items = position - 1;
  if (items < fixed_count_) RaiseError(kErrTooFewValues, kClassTag);
  file_line_ = file_line;
  var_count_ = static_cast<std::int16_t>(items - fixed_count_);
}

ValueSlot& EntryLine::Value(std::int16_t idx) { return Slot(idx); }

const ValueSlot& EntryLine::Value(std::int16_t idx) const { return Slot(idx); }

ValueSlot& EntryLine::Slot(std::int32_t position) const {
  if (position < 1 || position > slot_count_) RaisePlatformError(kErrSubscriptOutOfRange);
  const auto& slot = slots_[static_cast<std::size_t>(position - 1)];
  if (!slot) RaisePlatformError(kErrObjectNotSet);
  return *slot;
}

// The table becomes exactly `position` slots, the last a fresh copy of the multi rule for
// that position; an object left there by an earlier line is reset rather than reallocated.
void EntryLine::PrepareTailSlot(std::int32_t position) {
  const ValueSlot* multi = slots_[static_cast<std::size_t>(fixed_count_)].get();
  if (multi == nullptr) RaisePlatformError(kErrObjectNotSet);
  const auto index = static_cast<std::size_t>(position - 1);
  if (slots_.size() <= index) slots_.resize(index + 1);
  if (!slots_[index]) slots_[index] = std::make_unique<ValueSlot>();
  slots_[index]->ResetToCloneOf(*multi, static_cast<std::int16_t>(position));
  slot_count_ = position;
}

}  // namespace tarn
