#include "rules/rule_query.h"

#include <sqlite3.h>
#include <strings.h>

#include <charconv>
#include <cmath>

#include "platform/error.h"

namespace tarn {

namespace {

std::string PlainNumber(double value) {
  if (std::nearbyint(value) == value && std::fabs(value) < 9.2e18) {
    return std::to_string(static_cast<std::int64_t>(value));
  }
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, end);
}

}  // namespace

RuleQuery::RuleQuery(Database& db) : rows_(db.Prepare("SELECT * FROM _bc_ListSections")) {
  at_end_ = !rows_.Step();
}

void RuleQuery::MoveNext() {
  if (!at_end_) at_end_ = !rows_.Step();
}

int RuleQuery::Column(std::string_view name) {
  auto it = columns_.find(name);
  if (it != columns_.end()) return it->second;
  int index = rows_.ColumnIndex(name);
  columns_.emplace(std::string(name), index);
  return index;
}

bool RuleQuery::IsNull(std::string_view column) { return rows_.IsNull(Column(column)); }

std::string RuleQuery::Field(std::string_view column) {
  int c = Column(column);
  switch (rows_.Type(c)) {
    case SQLITE_NULL:
      return {};
    case SQLITE_INTEGER:
      return std::to_string(rows_.Int(c));
    case SQLITE_FLOAT:
      return PlainNumber(rows_.Double(c));
    default:
      return rows_.Text(c);
  }
}

std::string RuleQuery::Text(std::string_view column) {
  if (IsNull(column)) RaisePlatformError(kErrInvalidUseOfNull);
  return Field(column);
}

std::int64_t RuleQuery::Whole(std::string_view column, std::int64_t min, std::int64_t max) {
  int c = Column(column);
  double value = 0;
  switch (rows_.Type(c)) {
    case SQLITE_NULL:
      RaisePlatformError(kErrInvalidUseOfNull);
    case SQLITE_INTEGER: {
      std::int64_t whole = rows_.Int(c);
      if (whole < min || whole > max) RaisePlatformError(kErrOverflow);
      return whole;
    }
    case SQLITE_FLOAT:
      value = rows_.Double(c);
      break;
    default: {
      std::string text = rows_.Text(c);
      auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
      if (text.empty() || end != text.data() + text.size() || ec != std::errc()) {
        RaisePlatformError(kErrTypeMismatch);
      }
    }
  }
  // Halves go to the even neighbour, as the platform's integer conversion does.
  double rounded = std::nearbyint(value);
  if (!(rounded >= static_cast<double>(min) && rounded <= static_cast<double>(max))) {
    RaisePlatformError(kErrOverflow);
  }
  return static_cast<std::int64_t>(rounded);
}

std::int16_t RuleQuery::Int16(std::string_view column) {
  return static_cast<std::int16_t>(Whole(column, INT16_MIN, INT16_MAX));
}

std::int32_t RuleQuery::Int32(std::string_view column) {
  return static_cast<std::int32_t>(Whole(column, INT32_MIN, INT32_MAX));
}

bool RuleQuery::Boolean(std::string_view column) {
  int c = Column(column);
  if (rows_.Type(c) == SQLITE_TEXT) {
    std::string text = rows_.Text(c);
    if (strcasecmp(text.c_str(), "true") == 0) return true;
    if (strcasecmp(text.c_str(), "false") == 0) return false;
  }
  // A yes/no column or a number: 0 is false, anything else true.
  return Whole(column, INT64_MIN / 2, INT64_MAX / 2) != 0;
}

bool RuleQuery::IsTrue(std::string_view column) {
  if (IsNull(column)) return false;
  try {
    return Boolean(column);
  } catch (const TarnError&) {
    return false;
  }
}

}  // namespace tarn
