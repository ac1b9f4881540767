#include "walk/recorded_values.h"

namespace tarn {

namespace {

// Reads by index up to the size at the query: rows recorded meanwhile may move the vector's
// storage and are not part of this walk.
class RecordedCursor : public StoredValues::Cursor {
 public:
  explicit RecordedCursor(const std::vector<StoredValueRow>& rows)
      : rows_(rows), end_(rows.size()) {}

  bool Next(StoredValueRow& row) override {
    if (next_ == end_) return false;
    row = rows_[next_++];
    return true;
  }

 private:
  const std::vector<StoredValueRow>& rows_;
  std::size_t next_ = 0;
  const std::size_t end_;
};

}  // namespace

void RecordedValues::Record(std::int16_t entry_id, StoredValueRow row) {
  rows_[entry_id].push_back(std::move(row));
}

void RecordedValues::ReplaceLast(std::int16_t entry_id, StoredValueRow row) {
  rows_[entry_id].back() = std::move(row);
}

std::unique_ptr<StoredValues::Cursor> RecordedValues::Query(std::int16_t entry_id) {
  return std::make_unique<RecordedCursor>(rows_[entry_id]);
}

}  // namespace tarn
