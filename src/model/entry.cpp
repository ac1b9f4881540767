#include "model/entry.h"

#include <limits>

#include "datadb/data_tables.h"
#include "model/ascii_case.h"
#include "shell/error.h"
#include "shell/globals.h"

namespace tarn {

namespace {

constexpr std::string_view kClassTag = "Entry";

}  // namespace

void cEntry::Store(std::int32_t lSectionDB_ID) const {
  std::string entry_name;
  for (std::int32_t index = 1; index < next_line_; ++index) {
    const cSingleEntry& line = *lines_[static_cast<std::size_t>(index - 1)];
    if (!rstEntries) RaisePlatformError(kErrObjectNotSet);
    AsciiLowerInto(line.EntryName(), entry_name);
    std::int32_t entry_row = rstEntries->Append(entry_name, db_id_, lSectionDB_ID, line.FileLine());
    const std::int32_t values = line.FixedValuesNo() + line.VarValuesCount();
    for (std::int32_t position = 1; position <= values; ++position) {
      if (!rstValues) RaisePlatformError(kErrObjectNotSet);
      rstValues->Append(entry_row, line.Value(static_cast<std::int16_t>(position)).View());
    }
  }
}

std::unique_ptr<cEntry> cEntry::Clone() const {
  const cSingleEntry& rule = Line1();
  auto copy = std::make_unique<cEntry>();
  copy->Init(rule.SectionName(), rule.EntryName(), rule.FixedValuesNo(), is_multi_line_,
             rule.HasVariableValues(), is_mandatory_, db_id_);
  copy->InitEntry(rule.Clone());
  return copy;
}

void cEntry::Init(std::string_view sSectionName, std::string_view sEntryName, std::int16_t iFixedNo,
                  bool bMultiLine, bool bVarVals, bool bIsMandatory, std::int32_t lDB_ID) {
  auto rule = std::make_unique<cSingleEntry>();
  rule->Init(sSectionName, sEntryName, iFixedNo, bVarVals);
  is_multi_line_ = bMultiLine;
  is_mandatory_ = bIsMandatory;
  db_id_ = lDB_ID;
  lines_.clear();
  lines_.push_back(std::move(rule));
  line_count_ = 1;
  next_line_ = 1;
}

void cEntry::InitEntry(std::unique_ptr<cSingleEntry> cAEntry) {
  if (line_count_ < 1) RaisePlatformError(kErrSubscriptOutOfRange);
  if (!cAEntry) RaisePlatformError(kErrObjectNotSet);
  lines_.front() = std::move(cAEntry);
}

cValue& cEntry::AddValue(std::string_view sValueName, std::int32_t cseType, std::int16_t iPoz,
                         bool bIsMulti) {
  return Line1().AddValue(sValueName, cseType, iPoz, bIsMulti);
}

void cEntry::SetValues(std::string_view sEntryName, std::string_view sValues,
                       std::int32_t lFileLine) {
  const cSingleEntry& rule = Line1();
  if (!rule.IsInitialized()) RaiseError(kErrEntryNotInitialized, kClassTag);
  if (!EqualsIgnoringAsciiCase(sEntryName, rule.EntryName())) {
    RaiseError(kErrEntryNameMismatch, kClassTag);
  }
  if (next_line_ > 1) {
    if (!is_multi_line_) RaiseError(kErrEntryNotMultiline, kClassTag);
    const auto index = static_cast<std::size_t>(next_line_ - 1);
    if (lines_.size() <= index) lines_.resize(index + 1);
    line_count_ = next_line_;
    if (!lines_[index]) lines_[index] = std::make_unique<cSingleEntry>();
    lines_[index]->ResetToCloneOf(rule);
  }
  lines_[static_cast<std::size_t>(next_line_ - 1)]->SetValues(sEntryName, sValues, lFileLine);
  // Line counts are 16-bit, as everywhere in the model.
  if (next_line_ == std::numeric_limits<std::int16_t>::max()) RaisePlatformError(kErrOverflow);
  ++next_line_;
}

void cEntry::Clear() {
  cSingleEntry& rule = Line1();
  line_count_ = 1;
  rule.Clear();
  next_line_ = 1;
}

const cSingleEntry& cEntry::Line(std::int16_t idx) const {
  if (idx < 1 || idx > line_count_) RaisePlatformError(kErrSubscriptOutOfRange);
  return *lines_[static_cast<std::size_t>(idx - 1)];
}

cSingleEntry& cEntry::Line1() const {
  if (line_count_ < 1) RaisePlatformError(kErrSubscriptOutOfRange);
  return *lines_.front();
}

}  // namespace tarn
