#include "shell/error.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace tarn {
namespace {

TEST(ErrorTextTest, NumbersOfTheTableAndOthers) {
  struct Case {
    std::int32_t number;
    const char* text;
  } cases[] = {
      {10101, "10101 - Value Type Mismatch"},
      {10103, "10103 - Value object is already initialized"},
      {10212, "10212 - Too Few Values"},
      {10301, "10301 - Section has no closing bracket"},
      {10306, "10306 - Could not open referred file"},
      {10105, "Unknown Error"},
      {10213, "Unknown Error"},
      {0, "Unknown Error"},
      {6, "Unknown Error"},
      {-1, "Unknown Error"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorText(c.number), c.text) << c.number;
}

TEST(ErrorTest, ProgramErrorsCarryTextAndClassSource) {
  try {
    RaiseError(kErrEntryNotMultiline, "Entry");
    FAIL();
  } catch (const TarnError& e) {
    EXPECT_EQ(e.Number(), 10209);
    EXPECT_EQ(e.Description(), "10209 - Entry is Not Multiline");
    EXPECT_EQ(e.Source(), "TARN.Entry");
  }
}

TEST(ErrorTest, PlatformErrorsCarryTheirOwnDescriptions) {
  struct Case {
    std::int32_t number;
    const char* text;
  } cases[] = {
      {5, "Invalid procedure call or argument"},
      {6, "Overflow"},
      {9, "Subscript out of range"},
      {13, "Type mismatch"},
      {53, "File not found"},
      {76, "Path not found"},
      {91, "Object variable or With block variable not set"},
      {457, "This key is already associated with an element of this collection"},
  };
  for (const Case& c : cases) {
    try {
      RaisePlatformError(c.number);
      FAIL();
    } catch (const TarnError& e) {
      EXPECT_EQ(e.Number(), c.number);
      EXPECT_EQ(e.Description(), c.text);
      EXPECT_EQ(e.Source(), "TARN");
    }
  }
}

TEST(ErrorTest, ObjectErrorNumbers) {
  EXPECT_EQ(kErrConverterFailed, -2147220480);
  EXPECT_EQ(kErrLibraryLoadFailed, -2147220455);
}

TEST(SystemErrorTextTest, KnownCodesHaveTextUnknownAreEmpty) {
  EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
  EXPECT_FALSE(SystemErrorText(ENOEXEC).empty());
  EXPECT_EQ(SystemErrorText(99999), "");
  EXPECT_EQ(SystemErrorText(-5), "");
}

}  // namespace
}  // namespace tarn
