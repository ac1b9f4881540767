// Keeps, while the checker stores, the rows of the reference entry rules that the walk's
// value queries ask for: the same rows, in the same order and with the same texts as the data
// database would give, and where each line stands on disk, which the database does not hold.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/line_places.h"
#include "log/section_buffer.h"
#include "model/row_sink.h"
#include "walk/recorded_values.h"

namespace tarn {

class ReferenceRecorder : public RowSink {
 public:
  // Every row goes on to rows; the rows of the entry rules ids are also kept in values. Both
  // must outlive the recorder.
  // places, when given, is told where every section and entry row stands on disk.
  ReferenceRecorder(RowSink& rows, RecordedValues& values, std::vector<std::int16_t> ids,
                    LinePlaces* places = nullptr)
      : rows_(rows), values_(values), ids_(std::move(ids)), places_(places) {}

  // The section being stored, for where its lines stand; it must stay as it is until the
  // next section.
  void SetSection(const SectionBuffer& buffer) { buffer_ = &buffer; }

  std::int32_t AddSection(std::string_view area, std::string_view section, std::string_view file,
                          std::int32_t line) override;
  std::int32_t AddEntry(std::string_view entry, std::int32_t entry_id, std::int32_t section_row,
                        std::int32_t line) override;
  std::int32_t AddValue(std::int32_t entry_row, const ValueView& value) override;

 private:
  RowSink& rows_;
  RecordedValues& values_;
  const std::vector<std::int16_t> ids_;
  LinePlaces* places_;
  const SectionBuffer* buffer_ = nullptr;
  StoredValueRow section_;     // the section's part of a row
  std::int16_t entry_id_ = 0;  // the reference rule of the entry being stored; 0 for none
  StoredValueRow entry_;       // its row so far
  bool first_value_ = true;
};

}  // namespace tarn
