// Forward reading of the settings database's rule query, _bc_ListSections: one row per
// value position of every entry of every section, in the order the query gives them.
// Columns are read by name, so the query may hold more columns than the readers use, and
// a reader that does not ask for a column does not need it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "datadb/database.h"

namespace tarn {

class RuleQuery {
 public:
  // Opens the query on db. Raises TarnError when it cannot be opened.
  explicit RuleQuery(Database& db);

  bool AtEnd() const { return at_end_; }
  void MoveNext();

  bool IsNull(std::string_view column);
  // The column's value as text, numbers in plain decimal; "" for null.
  std::string Field(std::string_view column);
  // Raise 94 "Invalid use of Null" for a null value, 13 for a value of the wrong kind and 6
  // for a number outside the width.
  std::string Text(std::string_view column);
  std::int16_t Int16(std::string_view column);
  std::int32_t Int32(std::string_view column);
  bool Boolean(std::string_view column);
  // True only for a value that is true: a null or non-true flag is false. Never raises
  // but for a missing column.
  bool IsTrue(std::string_view column);

 private:
  int Column(std::string_view name);
  std::int64_t Whole(std::string_view column, std::int64_t min, std::int64_t max);

  Statement rows_;
  bool at_end_ = true;
  std::map<std::string, int, std::less<>> columns_;
};

}  // namespace tarn
