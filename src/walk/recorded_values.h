// Stored values kept beside the walk instead of asked of the data database: the rows the
// value query would give, recorded as the sections are handled. A walk that stores nothing
// (the rule learner) follows references through them.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "walk/stored_values.h"

namespace tarn {

class RecordedValues : public StoredValues {
 public:
  // Adds one row for entry rule entry_id, after every row recorded before for it.
  void Record(std::int16_t entry_id, StoredValueRow row);
  // Replaces the last row recorded for entry_id (there must be one).
  void ReplaceLast(std::int16_t entry_id, StoredValueRow row);

  std::unique_ptr<Cursor> Query(std::int16_t entry_id) override;

 private:
  std::map<std::int16_t, std::vector<StoredValueRow>> rows_;
};

}  // namespace tarn
