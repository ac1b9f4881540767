#include "datadb/schema.h"

namespace tarn::schema {

std::string NewDataDatabase() {
  std::string sql = "PRAGMA journal_mode = WAL;\nPRAGMA synchronous = NORMAL;\n";
  for (const Table& table : kDataTables) {
    sql.append(table.create).append(";\n");
    for (const Index& index : kDataIndexes) {
      if (index.table == table.name) sql.append(index.create).append(";\n");
    }
  }
  return sql;
}

}  // namespace tarn::schema
