#include "model/value.h"

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
      {cseLong, "0", "12", 0, 12},
      {cseLong, "0", "1.5", 0, 2},
      {cseLong, "2.5", "abc", kErrValueTypeMismatch, 2},
      {cseLong, "2.5", "", kErrValueTypeMismatch, 2},
      {cseLong, "2", "3000000000", kErrOverflow, 2},
      {cseDouble, "0", "0.5", 0, 0.5},
      {cseDouble, "2", "1e309", kErrOverflow, 2.0},
      {cseString, "x", "", 0, std::string()},
      {cseBoolean, "false", "TRUE", 0, true},
      {cseBoolean, "true", "0", 0, false},
      {cseBoolean, "false", "-1", 0, true},
      {cseBoolean, "true", "yes", kErrValueTypeMismatch, true},
  };
  for (const Case& c : cases) {
    cValue slot;
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
  cValue null_slot;
  null_slot.Init("v", cseNull, 1, false);
  EXPECT_EQ(null_slot.Value(), VarValue());
  EXPECT_EQ(ErrorOf([&] { null_slot.SetValue("1"); }), kErrValueNotInitialized);
  for (std::int32_t type : {0, 6}) {
    cValue slot;
    slot.Init("v", type, 1, false);
    EXPECT_EQ(ErrorOf([&] { slot.SetValue("1"); }), kErrValueNotInitialized) << type;
    EXPECT_EQ(ErrorOf([&] { slot.Value(); }), kErrValueNotInitialized) << type;
  }
}

TEST(ValueTest, InitOnceCloneAndClear) {
  cValue slot;
  slot.Init("first", 0, 1, false);  // code 0 leaves it open for a real Init
  slot.Init("name", cseString, 2, true);
  EXPECT_EQ(ErrorOf([&] { slot.Init("x", cseLong, 4, false); }), kErrValueAlreadyInitialized);
  slot.SetValue("held");
  slot.Clear();
  EXPECT_EQ(slot.Value(), VarValue(std::string("held")));
  auto copy = slot.Clone(7);
  EXPECT_EQ(copy->ValueName(), "name");
  EXPECT_EQ(copy->ValueType(), cseString);
  EXPECT_EQ(copy->Pozition(), 7);
  EXPECT_TRUE(copy->IsMulti());
  EXPECT_EQ(copy->Value(), VarValue(std::string()));
}

}  // namespace
}  // namespace tarn
