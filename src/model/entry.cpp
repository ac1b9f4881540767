#include "model/entry.h"

#include <limits>

#include "model/row_sink.h"
#include "platform/ascii_case.h"
#include "platform/error.h"

namespace tarn {

namespace {

constexpr std::string_view kClassTag = "Entry";

}  // namespace

void Entry::Store(RowSink& rows, std::int32_t section_row) const {
  std::string entry_name;
  for (std::int32_t index = 1; index < next_line_; ++index) {
    const EntryLine& line = *lines_[static_cast<std::size_t>(index - 1)];
    AsciiLowerInto(line.EntryName(), entry_name);
    const std::int32_t entry_row = rows.AddEntry(entry_name, db_id_, section_row, line.FileLine());
    const std::int32_t values = line.FixedValuesNo() + line.VarValuesCount();
    for (std::int32_t position = 1; position <= values; ++position) {
      rows.AddValue(entry_row, line.ValueAt(position));
    }
  }
}

std::unique_ptr<Entry> Entry::Clone() const {
  const EntryLine& rule = Line1();
  auto copy = std::make_unique<Entry>();
  copy->Init(rule.SectionName(), rule.EntryName(), rule.FixedValuesNo(), is_multi_line_,
             rule.HasVariableValues(), is_mandatory_, db_id_);
  copy->InitEntry(rule.Clone());
  copy->flag_form_ = flag_form_;
  return copy;
}

void Entry::Init(std::string_view section_name, std::string_view entry_name,
                 std::int16_t fixed_count, bool is_multi_line, bool has_var_values,
                 bool is_mandatory, std::int32_t db_id) {
  auto rule = std::make_unique<EntryLine>();
  rule->Init(section_name, entry_name, fixed_count, has_var_values);
  is_multi_line_ = is_multi_line;
  is_mandatory_ = is_mandatory;
  db_id_ = db_id;
  lines_.clear();
  lines_.push_back(std::move(rule));
  line_count_ = 1;
  next_line_ = 1;
}

void Entry::InitEntry(std::unique_ptr<EntryLine> line) {
  if (line_count_ < 1) RaisePlatformError(kErrSubscriptOutOfRange);
  if (!line) RaisePlatformError(kErrObjectNotSet);
  lines_.front() = std::move(line);
}

ValueSlot& Entry::AddValue(std::string_view value_name, std::int32_t type, std::int16_t position,
                           bool is_multi) {
  return Line1().AddValue(value_name, type, position, is_multi);
}

void Entry::MarkWhole(std::int32_t position) {
  EntryLine& rule = Line1();
  if (position < 1 || position > rule.SlotCount()) return;
  ValueSlot& slot = rule.Value(static_cast<std::int16_t>(position));
  if (slot.Type() == kLongType) slot.SetWhole(true);
}

void Entry::SetValues(std::string_view entry_name, std::string_view values,
                      std::int32_t file_line) {
  const EntryLine& rule = Line1();
  if (!rule.IsInitialized()) RaiseError(kErrEntryNotInitialized, kClassTag);
  if (!EqualsIgnoringAsciiCase(entry_name, rule.EntryName())) {
    RaiseError(kErrEntryNameMismatch, kClassTag);
  }
  if (next_line_ > 1) {
    if (!is_multi_line_) RaiseError(kErrEntryNotMultiline, kClassTag);
    const auto index = static_cast<std::size_t>(next_line_ - 1);
    if (lines_.size() <= index) lines_.resize(index + 1);
    line_count_ = next_line_;
    if (!lines_[index]) lines_[index] = std::make_unique<EntryLine>();
    lines_[index]->ResetToCloneOf(rule);
  }
  lines_[static_cast<std::size_t>(next_line_ - 1)]->SetValues(entry_name, values, file_line);
  // Line counts are 16-bit, as everywhere in the model.
  if (next_line_ == std::numeric_limits<std::int16_t>::max()) RaisePlatformError(kErrOverflow);
  ++next_line_;
}

void Entry::Clear() {
  EntryLine& rule = Line1();
  line_count_ = 1;
  rule.Clear();
  next_line_ = 1;
}

const EntryLine& Entry::Line(std::int16_t idx) const {
  if (idx < 1 || idx > line_count_) RaisePlatformError(kErrSubscriptOutOfRange);
  return *lines_[static_cast<std::size_t>(idx - 1)];
}

EntryLine& Entry::Line1() const {
  if (line_count_ < 1) RaisePlatformError(kErrSubscriptOutOfRange);
  return *lines_.front();
}

}  // namespace tarn
