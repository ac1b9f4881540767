// The walk's value query over the data database, run on the settings database in which the
// data tables are linked.
#pragma once

#include "walk/stored_values.h"

namespace tarn {

class Database;
class DataDB;

class ValueQuery : public StoredValues {
 public:
  // settings_db must link the data tables; data (may be null) is committed before each query,
  // since the settings connection sees only committed rows. Both must outlive the object.
  ValueQuery(Database& settings_db, DataDB* data) : settings_db_(settings_db), data_(data) {}

  std::unique_ptr<Cursor> Query(std::int16_t entry_id) override;

 private:
  Database& settings_db_;
  DataDB* data_;
};

}  // namespace tarn
