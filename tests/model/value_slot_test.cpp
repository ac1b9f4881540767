#include "model/value_slot.h"

#include <gtest/gtest.h>

#include "model/error_of.h"

namespace tarn {
namespace {

using testing::ErrorOf;

// Each case assigns a good value first, then the text; a failure keeps the first value.
TEST(ValueTest, AssignmentConvertsByTypeAndKeepsTheValueOnFailure) {
  struct Case {
    std::int32_t type;
    const char* first;
    const char* text;
    std::int32_t error;
    VarValue held;
  } cases[] = {
      {kLongType, "0", "12", 0, 12},
      {kLongType, "0", "1.5", 0, 2},
      {kLongType, "2.5", "abc", kErrValueTypeMismatch, 2},
      {kLongType, "2.5", "", kErrValueTypeMismatch, 2},
      {kLongType, "2", "3000000000", kErrOverflow, 2},
      {kDoubleType, "0", "0.5", 0, 0.5},
      {kDoubleType, "2", "1e309", kErrOverflow, 2.0},
      {kStringType, "x", "", 0, std::string()},
      {kBooleanType, "false", "TRUE", 0, true},
      {kBooleanType, "true", "0", 0, false},
      {kBooleanType, "false", "-1", 0, true},
      {kBooleanType, "true", "yes", kErrValueTypeMismatch, true},
  };
  for (const Case& c : cases) {
    ValueSlot slot;
    slot.Init("v", c.type, 1, false);
    slot.SetValue(c.first);
    try {
      slot.SetValue(c.text);
      EXPECT_EQ(c.error, 0) << c.type << " " << c.text;
    } catch (const TarnError& error) {
      EXPECT_EQ(error.Number(), c.error) << c.type << " " << c.text;
      EXPECT_EQ(error.Source(), "TARN.Value");
    }
    EXPECT_EQ(slot.Value(), c.held) << c.type << " " << c.text;
  }
}

TEST(ValueTest, CodesWithoutAConversion) {
  ValueSlot null_slot;
  null_slot.Init("v", kNullType, 1, false);
  EXPECT_EQ(null_slot.Value(), VarValue());
  EXPECT_EQ(ErrorOf([&] { null_slot.SetValue("1"); }), kErrValueNotInitialized);
  for (std::int32_t type : {0, 6}) {
    ValueSlot slot;
    slot.Init("v", type, 1, false);
    EXPECT_EQ(ErrorOf([&] { slot.SetValue("1"); }), kErrValueNotInitialized) << type;
    EXPECT_EQ(ErrorOf([&] { slot.Value(); }), kErrValueNotInitialized) << type;
  }
}

TEST(ValueTest, InitOnceAndClone) {
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

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

// A whole Long takes what is written as a whole number and refuses a decimal that the Long
// conversion alone would round; its clones are whole too.
TEST(ValueTest, WholeLongRefusesDecimals) {
  ValueSlot slot;
  slot.Init("count", kLongType, 1, false);
  slot.SetWhole(true);
  for (const char* text : {"12", "-3", "&H1F", "+7"}) EXPECT_NO_THROW(slot.SetValue(text)) << text;
  EXPECT_EQ(slot.Value(), VarValue(7));
  for (const char* text : {"12.5", "1e3", "4."}) {
    EXPECT_EQ(ErrorOf([&] { slot.SetValue(text); }), kErrValueNotWhole) << text;
  }
  EXPECT_EQ(slot.Value(), VarValue(7));
  EXPECT_EQ(ErrorOf([&] { slot.SetValue("x"); }), kErrValueTypeMismatch);
  EXPECT_TRUE(slot.Clone(2)->IsWhole());
  EXPECT_EQ(WarningText(kErrValueNotWhole), "10402 - Value Not Whole");
  EXPECT_EQ(ErrorText(kErrValueNotWhole), "Unknown Error");
}

}  // namespace
}  // namespace tarn
