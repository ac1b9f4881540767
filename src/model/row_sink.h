// Where a checked section goes when it is stored: one row per section, per entry line and per
// value, each linked to the row above it by the identifier the sink returns. The data database
// is one sink (datadb/data_db.h); the model knows only this interface.
#pragma once

#include <cstdint>
#include <string_view>

#include "model/var_value.h"

namespace tarn {

class RowSink {
 public:
  virtual ~RowSink() = default;

  // Each call writes one row and returns its identifier. Texts are the game's 8-bit code page
  // 1252. A refused row raises TarnError; rows written before stay.
  virtual std::int32_t AddSection(std::string_view area, std::string_view section,
                                  std::string_view file, std::int32_t line) = 0;
  virtual std::int32_t AddEntry(std::string_view entry, std::int32_t entry_id,
                                std::int32_t section_row, std::int32_t line) = 0;
  virtual std::int32_t AddValue(std::int32_t entry_row, const ValueView& value) = 0;
};

}  // namespace tarn
