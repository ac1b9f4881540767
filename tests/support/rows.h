// The rows of a query as texts: columns joined by '|', NULL as "null".
#pragma once

#include <string>
#include <vector>

namespace tarn {
class Database;
}

namespace tarn::testing {

using Rows = std::vector<std::string>;

Rows RowsOf(Database& db, const std::string& sql);
// On the SQLite file at path, opened for this query alone.
Rows RowsOf(const std::string& path, const std::string& sql);
// Over a JSON text (a report), bound to ?1, on a database in memory of its own.
Rows JsonRows(const std::string& json, const std::string& sql);

// Every object of the database (name, type and definition, by name), each table followed by
// its rows and their storage classes: what must not change when a change is refused.
Rows Everything(Database& db);
Rows Everything(const std::string& path);

}  // namespace tarn::testing
