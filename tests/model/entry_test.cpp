#include "model/entry.h"

#include <gtest/gtest.h>

#include "model/error_of.h"

namespace tarn {
namespace {

using testing::ErrorOf;

// A key with one integer and a text tail.
std::unique_ptr<Entry> Speed(bool multi_line) {
  auto entry = std::make_unique<Entry>();
  entry->Init("Ship", "maxspeed", 1, multi_line, true, true, 77);
  entry->AddValue("speed", kLongType, 1, false);
  entry->AddValue("note", kStringType, 2, true);
  return entry;
}

TEST(EntryTest, ChecksInTheirOrder) {
  Entry empty;
  EXPECT_EQ(ErrorOf([&] { empty.SetValues("k", "1", 1); }), kErrSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { empty.Clear(); }), kErrSubscriptOutOfRange);

  auto entry = Speed(false);
  EXPECT_EQ(ErrorOf([&] { entry->SetValues("maxspeed", "fast", 5); }), kErrValueTypeMismatch);
  entry->SetValues("MaxSpeed", "1", 6);  // the failed line did not count: this is the first
  EXPECT_EQ(ErrorOf([&] { entry->SetValues("minspeed", "2", 7); }), kErrEntryNameMismatch);
  EXPECT_EQ(ErrorOf([&] { entry->SetValues("MAXSPEED", "2", 7); }), kErrEntryNotMultiline);
  EXPECT_EQ(entry->LinesRead(), 1);
  EXPECT_EQ(entry->Line(1).FileLine(), 6);

  entry->InitEntry(std::make_unique<EntryLine>());
  EXPECT_EQ(ErrorOf([&] { entry->SetValues("other", "1", 1); }), kErrEntryNotInitialized);
}

TEST(EntryTest, FurtherLinesAreFreshCopiesAlsoAfterClear) {
  auto entry = Speed(true);
  entry->SetValues("maxspeed", "1, a, b, c", 10);
  entry->SetValues("maxspeed", "2", 11);
  EXPECT_EQ(ErrorOf([&] { entry->SetValues("maxspeed", "x", 12); }), kErrValueTypeMismatch);
  entry->SetValues("maxspeed", "3, z", 13);
  ASSERT_EQ(entry->LinesRead(), 3);
  EXPECT_EQ(entry->Line(2).SlotCount(), 2);
  EXPECT_EQ(entry->Line(3).FileLine(), 13);

  // The next section starts at line 1 again; lines kept from the last one hold nothing of it.
  entry->Clear();
  EXPECT_EQ(entry->Line(1).SlotCount(), 2);
  entry->SetValues("maxspeed", "4", 20);
  EXPECT_EQ(ErrorOf([&] { entry->Line(2); }), kErrSubscriptOutOfRange);
  entry->SetValues("maxspeed", "5", 21);
  entry->SetValues("maxspeed", "6", 22);
  EXPECT_EQ(entry->LinesRead(), 3);
  EXPECT_EQ(entry->Line(3).Value(2).Value(), VarValue(std::string()));
}

TEST(EntryTest, CloneCarriesTheRuleButNoLines) {
  auto entry = Speed(true);
  entry->SetValues("maxspeed", "1, a", 10);
  auto copy = entry->Clone();
  EXPECT_EQ(copy->EntryDB_ID(), 77);
  EXPECT_TRUE(copy->IsMultiLine());
  EXPECT_TRUE(copy->IsMandatory());
  EXPECT_EQ(copy->LinesRead(), 0);
  EXPECT_EQ(copy->Line(1).Value(1).Value(), VarValue(0));
  copy->SetValues("maxspeed", "2, b, c", 11);
  EXPECT_EQ(copy->Line(1).VarValuesCount(), 2);
}

}  // namespace
}  // namespace tarn
