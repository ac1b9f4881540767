// Value slots, the keyed collection behind sections and the rule library, and sections.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/keyed_collection.h"
#include "model/section.h"
#include "model/value_slot.h"
#include "support/core_fixture.h"

namespace tarn {
namespace {

using testing::ErrorOf;
using Strings = std::vector<std::string>;

// Each case assigns a good value first, then the text; a failure keeps the first value.
TEST(ValueSlotTest, AssignmentConvertsByTypeAndKeepsTheValueOnFailure) {
  const struct {
    std::int32_t type;
    const char* first;
    const char* text;
    std::int32_t error;
    VarValue held;
  } cases[] = {
      {kLongType, "0", "12", 0, 12},
      {kLongType, "0", "1.5", 0, 2},
      {kLongType, "2.5", "abc", kErrValueTypeMismatch, 2},
      {kLongType, "2", "3000000000", kErrOverflow, 2},
      {kDoubleType, "0", "0.5", 0, 0.5},
      {kDoubleType, "2", "1e309", kErrOverflow, 2.0},
      {kStringType, "x", "", 0, std::string()},
      {kBooleanType, "false", "TRUE", 0, true},
      {kBooleanType, "true", "0", 0, false},
      {kBooleanType, "true", "yes", kErrValueTypeMismatch, true},
      {kNullType, "", "1", kErrValueNotInitialized, VarValue()},
  };
  for (const auto& c : cases) {
    ValueSlot slot;
    slot.Init("v", c.type, 1, false);
    if (c.type != kNullType) slot.SetValue(c.first);
    try {
      slot.SetValue(c.text);
      EXPECT_EQ(c.error, 0) << c.type << " " << c.text;
    } catch (const TarnError& error) {
      EXPECT_EQ(error.Number(), c.error) << c.type << " " << c.text;
      EXPECT_EQ(error.Source(), "TARN.Value");
      EXPECT_EQ(error.Description(), c.error == kErrOverflow ? "Overflow"
                                     : c.error == kErrValueTypeMismatch
                                         ? "10101 - Value Type Mismatch"
                                         : "10102 - Value object is not initialized");
    }
    EXPECT_EQ(slot.Value(), c.held) << c.type << " " << c.text;
  }
  for (std::int32_t type : {0, 6}) {
    ValueSlot slot;
    slot.Init("v", type, 1, false);
    EXPECT_EQ(ErrorOf([&] { slot.SetValue("1"); }), kErrValueNotInitialized) << type;
    EXPECT_EQ(ErrorOf([&] { slot.Value(); }), kErrValueNotInitialized) << type;
  }
}

TEST(ValueSlotTest, InitOnceAndCloneWithoutTheValue) {
  ValueSlot slot;
  slot.Init("first", 0, 1, false);  // code 0 leaves it open for a real Init
  slot.Init("name", kStringType, 2, true);
  EXPECT_EQ(ErrorOf([&] { slot.Init("x", kLongType, 4, false); }), kErrValueAlreadyInitialized);
  slot.SetValue("held");
  auto copy = slot.Clone(7);
  EXPECT_EQ(copy->ValueName(), "name");
  EXPECT_EQ(copy->Type(), kStringType);
  EXPECT_EQ(copy->Position(), 7);
  EXPECT_TRUE(copy->IsMulti());
  EXPECT_EQ(copy->Value(), VarValue(std::string()));
}

TEST(KeyedCollectionTest, KeysPlacesOrderAndErrors) {
  KeyedCollection<std::string> names;
  names.Add(std::make_unique<std::string>("a"), "MaxSpeed");
  names.Add(std::make_unique<std::string>("b"));
  names.Add(std::make_unique<std::string>("c"), "gun");
  names.Add(std::make_unique<std::string>("d"), "\xC9t\xE9");
  EXPECT_EQ(names.Item("MAXSPEED"), "a");
  EXPECT_EQ(names.Item(2), "b");
  EXPECT_EQ(names.Find("b"), nullptr);  // added without a key
  EXPECT_EQ(names.Item("\xC9T\xE9"), "d");
  EXPECT_EQ(names.Find("\xE9T\xE9"), nullptr);  // only ASCII letters fold
  EXPECT_EQ(ErrorOf([&] { names.Item("missing"); }), kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { names.Item(0); }), kErrSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { names.Remove(5); }), kErrSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { names.Add(std::make_unique<std::string>("x"), "GUN"); }),
            kErrDuplicateKey);
  EXPECT_EQ(Strings(names.begin(), names.end()), (Strings{"a", "b", "c", "d"}));
  // Removing moves the later items up; their keys follow them.
  names.Remove("maxspeed");
  names.Remove(1);
  EXPECT_EQ(&names.Item(1), &names.Item("GUN"));
  names.Add(std::make_unique<std::string>("e"), "maxSpeed");
  EXPECT_EQ(Strings(names.begin(), names.end()), (Strings{"c", "d", "e"}));
}

TEST(SectionTest, EntriesByKeyPlaceAndRuleOrder) {
  Section section;
  section.SetSectionName("Ship");
  Entry& speed = section.Add("maxspeed", 1, false, false, true, 11, "maxspeed");
  section.Add("hull", 1, true, false, false, 12, "HULL").AddValue("", kLongType, 1, false);
  section.Add("unkeyed", 0, false, true, false, 13);
  EXPECT_EQ(speed.SectionName(), "Ship");
  EXPECT_EQ(&section.Item("MAXSPEED"), &speed);
  EXPECT_EQ(section.Item(3).EntryName(), "unkeyed");
  EXPECT_EQ(ErrorOf([&] { section.Item("SPEED"); }), kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { section.Add("MaxSpeed", 0, false, false, false, 14, "MAXSPEED"); }),
            kErrDuplicateKey);
  std::vector<std::int32_t> ids;
  for (const Entry& entry : section) ids.push_back(entry.EntryDB_ID());
  EXPECT_EQ(ids, (std::vector<std::int32_t>{11, 12, 13}));
  section.Item("HULL").SetValues("hull", "1", 4);
  section.Item("HULL").SetValues("hull", "2", 5);
  section.Clear();
  EXPECT_EQ(section.Item("HULL").LinesRead(), 0);
  section.Remove("hull");
  section.Remove(1);
  EXPECT_EQ(section.Count(), 1);
  EXPECT_EQ(section.Item(1).EntryDB_ID(), 13);
}

}  // namespace
}  // namespace tarn
