#include "model/section.h"

#include "model/row_sink.h"
#include "platform/ascii_case.h"

namespace tarn {

void Section::SetArea(std::string_view value) { area_.assign(value); }

void Section::SetFile(std::string_view value) { file_.assign(value); }

void Section::SetSectionName(std::string_view value) {
  section_name_.assign(value);
  AsciiLowerInto(section_name_, stored_section_name_);
}

void Section::Store(RowSink& rows) {
  AsciiLowerInto(area_, stored_area_);
  section_row_id_ = rows.AddSection(stored_area_, stored_section_name_, file_, line_);
  for (const Entry& entry : entries_) entry.Store(rows, section_row_id_);
}

Entry& Section::Add(std::string_view entry_name, std::int16_t fixed_count, bool is_multi_line,
                    bool has_var_values, bool is_mandatory, std::int32_t entry_id,
                    std::string_view key) {
  auto entry = std::make_unique<Entry>();
  entry->Init(section_name_, entry_name, fixed_count, is_multi_line, has_var_values, is_mandatory,
              entry_id);
  return entries_.Add(std::move(entry), key);
}

void Section::Clear() {
  for (Entry& entry : entries_) entry.Clear();
}

}  // namespace tarn
