#include "analysis/reference_recorder.h"

#include <algorithm>

#include "datadb/data_db.h"
#include "platform/codepage.h"

namespace tarn {

std::int32_t ReferenceRecorder::AddSection(std::string_view area, std::string_view section,
                                           std::string_view file, std::int32_t line) {
  const std::int32_t row = rows_.AddSection(area, section, file, line);
  section_.area = Cp1252ToUtf8(area);
  section_.section = Cp1252ToUtf8(section);
  section_.file = Cp1252ToUtf8(file);
  section_.section_line = line;
  section_.disk_file = buffer_ != nullptr ? buffer_->DiskFile : std::string();
  entry_id_ = 0;
  if (places_ != nullptr && buffer_ != nullptr) places_->AddSection(row, *buffer_);
  return row;
}

std::int32_t ReferenceRecorder::AddEntry(std::string_view entry, std::int32_t entry_id,
                                         std::int32_t section_row, std::int32_t line) {
  const std::int32_t row = rows_.AddEntry(entry, entry_id, section_row, line);
  entry_id_ = 0;
  // The checker stores a line at its section's line plus its place there.
  const std::int64_t index = static_cast<std::int64_t>(line) - section_.section_line;
  const std::int32_t editor_line =
      buffer_ != nullptr && index >= 1 && index <= SectionBuffer::kMaxLines
          ? buffer_->EntryLines[static_cast<std::size_t>(index)]
          : 0;
  if (places_ != nullptr) places_->AddEntry(row, editor_line);
  if (std::find(ids_.begin(), ids_.end(), entry_id) == ids_.end()) return row;
  entry_id_ = static_cast<std::int16_t>(entry_id);
  entry_ = section_;
  entry_.entry = Cp1252ToUtf8(entry);
  entry_.entry_line = line;
  entry_.value.reset();
  entry_.editor_line = editor_line;
  // A line without values still gives one row, without a value, as the left join does.
  values_.Record(entry_id_, entry_);
  first_value_ = true;
  return row;
}

std::int32_t ReferenceRecorder::AddValue(std::int32_t entry_row, const ValueView& value) {
  const std::int32_t row = rows_.AddValue(entry_row, value);
  if (entry_id_ == 0) return row;
  WithStoredText(
      value,
      [this](std::string_view text, bool from_game) {
        entry_.value = from_game ? Cp1252ToUtf8(text) : std::string(text);
      },
      [this] { entry_.value.reset(); });
  if (first_value_) {
    values_.ReplaceLast(entry_id_, entry_);
    first_value_ = false;
  } else {
    values_.Record(entry_id_, entry_);
  }
  return row;
}

}  // namespace tarn
