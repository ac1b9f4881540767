// The stored values that the walk follows to further files (ReadINIFromValues' value query):
// for one entry rule, every value of every line stored for it so far. The data database
// answers with SQL (walk/value_query.h); a walk that stores nothing keeps its own.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tarn {

// One row of the value query: a stored value of a stored entry line, with the section that
// holds it. Names are as stored: area, section and entry in lower case.
struct StoredValueRow {
  std::string area;
  std::string section;
  std::string file;
  std::int64_t section_line = 0;
  std::string entry;
  std::int64_t entry_line = 0;
  std::optional<std::string> value;  // nullopt: the line stored no value, or a null one
  // Where the line stands on disk and in an editor, when the source knows (0 and empty
  // otherwise): the value query of the data database does not.
  std::string disk_file{};
  std::int32_t editor_line = 0;
};

class StoredValues {
 public:
  class Cursor {
   public:
    virtual ~Cursor() = default;
    // The next row; false after the last. Raises TarnError when the rows cannot be read.
    virtual bool Next(StoredValueRow& row) = 0;
  };

  virtual ~StoredValues() = default;

  // The rows of entry rule entry_id as stored when the call is made: lines in the order they
  // were stored, each line's values in order. Rows stored while the cursor is read are not
  // seen, so a walk over them ends. Raises TarnError.
  virtual std::unique_ptr<Cursor> Query(std::int16_t entry_id) = 0;
};

}  // namespace tarn
