#include "model/entry_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/entry.h"
#include "support/core_fixture.h"

namespace tarn {
namespace {

using testing::ErrorOf;
using Items = std::vector<std::string>;

Items Split(std::string_view text) {
  Items items;
  std::int16_t position = 1;
  std::string_view item;
  while (GetNextValue(text, position, item)) items.emplace_back(item);
  return items;
}

TEST(GetNextValueTest, SplitsAtCommasTrimmingOnlySpaces) {
  struct Case {
    const char* text;
    Items items;
  } cases[] = {{"1, 2", {"1", "2"}},
               {"1, 2,", {"1", "2"}},
               {"1, 2, ", {"1", "2", ""}},
               {"1,,x", {"1", "", "x"}},
               {"", {}},
               {",", {""}},
               {" a\t , b c ", {"a\t", "b c"}}};
  for (const Case& c : cases) EXPECT_EQ(Split(c.text), c.items) << c.text;
  // The scan position is 16-bit: items before the limit are taken, the one passing it fails.
  EXPECT_EQ(Split(std::string(32766, 'x')).size(), 1u);
  std::string text = "a," + std::string(32765, 'x');
  std::int16_t position = 1;
  std::string_view item;
  ASSERT_TRUE(GetNextValue(text, position, item));
  EXPECT_EQ(ErrorOf([&] { GetNextValue(text, position, item); }), kErrOverflow);
}

// The rule-shape errors of AddValue show through the rule sources' checks (rules/).
TEST(EntryLineTest, InitialisationGuards) {
  EntryLine line;
  line.Init(kEmptyMarker, "hull", 1, false);  // still counts as not initialised
  EXPECT_EQ(ErrorOf([&] { line.AddValue("", kLongType, 1, false); }), kErrEntryNotInitialized);
  EXPECT_EQ(ErrorOf([&] { line.SetValues("other", "1", 1); }), kErrEntryNotInitialized);
  line.Init("Ship", "hull", 1, false);
  EXPECT_EQ(ErrorOf([&] { line.Init("Ship", "hull", 1, false); }), kErrEntryAlreadyInitialized);
  EXPECT_EQ(ErrorOf([&] { line.SetValues("other", "1", 1); }), kErrEntryNameMismatch);
  EXPECT_EQ(ErrorOf([&] { line.SetValues("HULL", "1", 1); }), kErrValueTypesNotSet);
}

// Two fixed integers, with or without a text tail.
std::unique_ptr<EntryLine> TwoIntegers(bool var_values) {
  auto line = std::make_unique<EntryLine>();
  line->Init("Ship", "MaxSpeed", 2, var_values);
  line->AddValue("min", kLongType, 1, false);
  line->AddValue("max", kLongType, 2, false);
  if (var_values) line->AddValue("extra", kStringType, 3, true);
  return line;
}

TEST(EntryLineTest, SetValuesCountsAndTypes) {
  using Values = std::vector<VarValue>;
  const std::string a = "a", b = "b", c = "c", empty;
  struct Case {
    bool var_values;
    const char* text;
    std::int32_t error;
    Values values;  // slots 1 to n afterwards
  } cases[] = {
      {true, "1, 2", 0, {1, 2}},
      {true, "1, 2,", 0, {1, 2}},
      {true, "1, 2, ", 0, {1, 2, empty}},
      {true, "1, 2, a, b, c", 0, {1, 2, a, b, c}},
      {true, "1", kErrTooFewValues, {1}},
      {true, "", kErrTooFewValues, {}},
      {true, "1,,x", kErrValueTypeMismatch, {1}},
      {true, "3000000000, 2", kErrOverflow, {}},
      {false, "1, 2, 3", kErrTooManyValues, {1, 2}},
  };
  for (const Case& k : cases) {
    auto line = TwoIntegers(k.var_values);
    // A good line first: a failure keeps its file line and variable count.
    line->SetValues("maxspeed", k.var_values ? "7, 8, z" : "7, 8", 30);
    EXPECT_EQ(ErrorOf([&] { line->SetValues("MAXSPEED", k.text, 40); }), k.error) << k.text;
    for (std::size_t i = 0; i < k.values.size(); ++i) {
      EXPECT_EQ(line->Value(static_cast<std::int16_t>(i + 1)).Value(), k.values[i]) << k.text;
    }
    EXPECT_EQ(line->FileLine(), k.error == 0 ? 40 : 30) << k.text;
    const auto var_count = k.error == 0 ? std::ssize(k.values) - 2 : (k.var_values ? 1 : 0);
    EXPECT_EQ(line->VarValuesCount(), var_count) << k.text;
  }
  EntryLine tail_only;
  tail_only.Init("Ship", "cargo", 0, true);
  tail_only.AddValue("goods", kStringType, 1, true);
  tail_only.SetValues("cargo", "", 3);
  EXPECT_EQ(tail_only.FileLine(), 3);
}

TEST(EntryLineTest, TailCopiesClearAndClone) {
  auto line = TwoIntegers(true);
  line->SetValues("maxspeed", "1, 2, a, b, c", 7);
  ASSERT_EQ(line->SlotCount(), 5);
  EXPECT_EQ(line->Value(5).Position(), 5);
  EXPECT_EQ(line->Value(5).ValueName(), "extra");
  // A shorter tail cuts the table at its last item; a line without copies leaves it as is.
  line->SetValues("maxspeed", "1, 2, a, b", 8);
  EXPECT_EQ(line->SlotCount(), 4);
  line->SetValues("maxspeed", "1, 2, a, b, c", 9);
  line->Clear();
  EXPECT_EQ(line->SlotCount(), 3);
  EXPECT_EQ(line->Value(3).Value(), VarValue(std::string("a")));
  EXPECT_EQ(ErrorOf([&] { line->Value(4); }), kErrSubscriptOutOfRange);

  line->SetValues("maxspeed", "1, 2, a, b, c", 9);
  auto copy = line->Clone();
  EXPECT_EQ(copy->SlotCount(), 3);
  EXPECT_EQ(copy->FileLine(), 0);
  EXPECT_EQ(copy->Value(3).Value(), VarValue(std::string()));
  EXPECT_EQ(ErrorOf([&] { copy->AddValue("", kLongType, 4, true); }), kErrMultiValueMustBeLast);
}

TEST(EntryLineTest, PositionWithoutAValueRule) {
  EntryLine line;
  line.Init("Ship", "hull", 2, false);
  line.AddValue("", kLongType, 1, false);
  EXPECT_EQ(ErrorOf([&] { line.SetValues("hull", "1, 2", 1); }), kErrObjectNotSet);
  EXPECT_EQ(ErrorOf([&] { line.Clone(); }), kErrObjectNotSet);
  line.Clear();  // clearing leaves the slots alone, so a missing one is no error
}

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
