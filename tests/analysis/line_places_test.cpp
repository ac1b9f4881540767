// Where stored rows stand on disk, kept compactly during a run: entries far below their
// header, rows that were never kept, and a new data database starting its rows again.
#include "analysis/line_places.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

SectionBuffer Section(const char* disk_file, std::int32_t header_line, bool binary = false) {
  SectionBuffer buffer;
  buffer.DiskFile = disk_file;
  buffer.HeaderLine = header_line;
  buffer.Binary = binary;
  return buffer;
}

TEST(LinePlacesTest, EachEntryFindsItsFileAndEditorLine) {
  LinePlaces places;
  places.AddSection(10, Section("DATA/a.ini", 3));
  places.AddEntry(100, 4);
  places.AddEntry(101, 3 + 0xFFFF);  // a long comment between header and entry
  places.AddSection(11, Section("DATA/b.ini", 70000, true));
  places.AddEntry(102, 70002);
  places.AddEntry(104, 200000);  // row 103 was never kept

  struct Case {
    std::int32_t section, entry;
    bool found;
    const char* file;
    std::int32_t line;
    bool binary;
  } cases[] = {
      {10, 100, true, "DATA/a.ini", 4, false},
      {10, 101, true, "DATA/a.ini", 65538, false},
      {11, 102, true, "DATA/b.ini", 70002, true},
      {11, 104, true, "DATA/b.ini", 200000, true},
      {11, 103, false, "", 0, false},
      {9, 100, false, "", 0, false},
      {10, 99, false, "", 0, false},
      {12, 102, false, "", 0, false},
      {11, 105, false, "", 0, false},
  };
  for (const Case& c : cases) {
    LinePlaces::Place place;
    ASSERT_EQ(places.Find(c.section, c.entry, place), c.found) << c.section << " " << c.entry;
    if (!c.found) continue;
    EXPECT_EQ(place.disk_file, c.file) << c.entry;
    EXPECT_EQ(place.editor_line, c.line) << c.entry;
    EXPECT_EQ(place.binary, c.binary) << c.entry;
  }

  // A new data database numbers its rows from 1 again.
  places.Clear();
  LinePlaces::Place place;
  EXPECT_FALSE(places.Find(10, 100, place));
  places.AddSection(1, Section("DATA/c.ini", 1));
  places.AddEntry(1, 2);
  ASSERT_TRUE(places.Find(1, 1, place));
  EXPECT_EQ(place.disk_file, "DATA/c.ini");
  EXPECT_EQ(place.editor_line, 2);
}

}  // namespace
}  // namespace tarn
