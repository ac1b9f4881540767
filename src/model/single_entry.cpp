#include "model/single_entry.h"

#include <limits>

#include "model/ascii_case.h"
#include "shell/error.h"

namespace tarn {

namespace {

constexpr std::string_view kClassTag = "Entry";

// Scan positions are 16-bit; one past the last character must still fit.
constexpr std::size_t kMaxScanPosition = std::numeric_limits<std::int16_t>::max();

}  // namespace

bool GetNextValue(std::string_view sValues, std::int16_t& iPoz, std::string_view& sItem) {
  if (iPoz < 1) RaisePlatformError(kErrInvalidArgument);
  const std::size_t start = static_cast<std::size_t>(iPoz) - 1;
  if (start >= sValues.size()) return false;
  std::size_t comma = sValues.find(',', start);
  std::size_t end = comma == std::string_view::npos ? sValues.size() : comma;
  // 1-based: the character after the comma, or one past the end of the text.
  std::size_t next = end + (comma == std::string_view::npos ? 1 : 2);
  if (next > kMaxScanPosition) RaisePlatformError(kErrOverflow);
  sItem = TrimSpaces(sValues.substr(start, end - start));
  iPoz = static_cast<std::int16_t>(next);
  return true;
}

std::unique_ptr<cSingleEntry> cSingleEntry::Clone() const {
  auto copy = std::make_unique<cSingleEntry>();
  copy->ResetToCloneOf(*this);
  return copy;
}

void cSingleEntry::ResetToCloneOf(const cSingleEntry& rule) {
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
    if (!slot) slot = std::make_unique<cValue>();
    slot->ResetToCloneOf(*rule.slots_[static_cast<std::size_t>(position - 1)],
                         static_cast<std::int16_t>(position));
  }
  slot_count_ = rule_slots;
  next_position_ = rule_slots + 1;
  multi_added_ = has_var_values_;
}

void cSingleEntry::Clear() {
  // The slots themselves keep their values (cValue::Clear does nothing); only the copies for
  // the variable tail go, and they stay allocated for the next line.
  slot_count_ = RuleSlotCount();
}

void cSingleEntry::Init(std::string_view sSectionName, std::string_view sEntryName,
                        std::int16_t iFixedNo, bool bVarVals) {
  if (IsInitialized()) RaiseError(kErrEntryAlreadyInitialized, kClassTag);
  if (iFixedNo < 0) RaisePlatformError(kErrSubscriptOutOfRange);
  section_name_.assign(sSectionName);
  entry_name_.assign(sEntryName);
  fixed_count_ = iFixedNo;
  has_var_values_ = bVarVals;
  slots_.clear();
  slots_.resize(static_cast<std::size_t>(RuleSlotCount()));
  slot_count_ = RuleSlotCount();
  var_count_ = 0;
  next_position_ = 1;
  multi_added_ = false;
}

cValue& cSingleEntry::AddValue(std::string_view sValueName, std::int32_t cseType, std::int16_t iPoz,
                               bool bIsMulti) {
  if (!IsInitialized()) RaiseError(kErrEntryNotInitialized, kClassTag);
  if (iPoz != next_position_) RaiseError(kErrValuePositionMismatch, kClassTag);
  if (bIsMulti && !has_var_values_) RaiseError(kErrEntryDoesNotAcceptMulti, kClassTag);
  if (multi_added_) RaiseError(kErrMultiValueMustBeLast, kClassTag);
  if (next_position_ > slot_count_) RaiseError(kErrTooManyValues, kClassTag);
  if (bIsMulti && next_position_ <= fixed_count_) {
    RaiseError(kErrMultiValueInFixedPosition, kClassTag);
  }
  if (!bIsMulti && next_position_ > fixed_count_) {
    RaiseError(kErrFixedValueInMultiPosition, kClassTag);
  }
  auto slot = std::make_unique<cValue>();
  slot->Init(sValueName, cseType, iPoz, bIsMulti);
  cValue& added = *slot;
  slots_[static_cast<std::size_t>(next_position_ - 1)] = std::move(slot);
  ++next_position_;
  if (bIsMulti) multi_added_ = true;
  return added;
}

void cSingleEntry::SetValues(std::string_view sEntryName, std::string_view sValues,
                             std::int32_t lFileLine) {
  if (!IsInitialized()) RaiseError(kErrEntryNotInitialized, kClassTag);
  if (!EqualsIgnoringAsciiCase(sEntryName, entry_name_)) {
    RaiseError(kErrEntryNameMismatch, kClassTag);
  }
  if (next_position_ == 1) RaiseError(kErrValueTypesNotSet, kClassTag);

  // The 16-bit scan position ends the split long before the item count could pass 32,767.
  std::int16_t scan = 1;
  std::int32_t position = 1;
  std::string_view item;
  while (GetNextValue(sValues, scan, item)) {
    if (position > fixed_count_) {
      if (!has_var_values_) RaiseError(kErrTooManyValues, kClassTag);
      if (position > fixed_count_ + 1) PrepareTailSlot(position);
    }
    Slot(position).SetValue(item);
    ++position;
  }
  const std::int32_t items = position - 1;
  if (items < fixed_count_) RaiseError(kErrTooFewValues, kClassTag);
  file_line_ = lFileLine;
  var_count_ = static_cast<std::int16_t>(items - fixed_count_);
}

cValue& cSingleEntry::Value(std::int16_t idx) { return Slot(idx); }

const cValue& cSingleEntry::Value(std::int16_t idx) const { return Slot(idx); }

cValue& cSingleEntry::Slot(std::int32_t position) const {
  if (position < 1 || position > slot_count_) RaisePlatformError(kErrSubscriptOutOfRange);
  const auto& slot = slots_[static_cast<std::size_t>(position - 1)];
  if (!slot) RaisePlatformError(kErrObjectNotSet);
  return *slot;
}

// The table becomes exactly `position` slots, the last a fresh copy of the multi rule for
// that position; an object left there by an earlier line is reset rather than reallocated.
void cSingleEntry::PrepareTailSlot(std::int32_t position) {
  const cValue* multi = slots_[static_cast<std::size_t>(fixed_count_)].get();
  if (multi == nullptr) RaisePlatformError(kErrObjectNotSet);
  const auto index = static_cast<std::size_t>(position - 1);
  if (slots_.size() <= index) slots_.resize(index + 1);
  if (!slots_[index]) slots_[index] = std::make_unique<cValue>();
  slots_[index]->ResetToCloneOf(*multi, static_cast<std::int16_t>(position));
  slot_count_ = position;
}

}  // namespace tarn
