#include "model/conversions.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "support/core_fixture.h"

namespace tarn {
namespace {

using testing::ErrorOf;
constexpr ConversionStatus kOk = ConversionStatus::kOk;
constexpr ConversionStatus kOver = ConversionStatus::kOverflow;
constexpr ConversionStatus kBad = ConversionStatus::kTypeMismatch;
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

// Digit strings far longer than any integer or double.
std::string Huge() { return "1" + std::string(40000, '0'); }
std::string Tiny() { return "0." + std::string(40000, '0') + "1"; }

template <typename T>
struct Case {
  std::string text;
  ConversionStatus status;
  T value;
};

template <typename T, typename Parse>
void Check(const std::vector<Case<T>>& cases, Parse parse) {
  for (const Case<T>& c : cases) {
    T value{};
    ConversionStatus status = parse(c.text, value);
    EXPECT_EQ(status, c.status) << c.text.substr(0, 40);
    if (status == kOk) {
      EXPECT_EQ(value, c.value) << c.text.substr(0, 40);
    }
  }
}

// The tables are packed, several cases to a line.
// clang-format off
TEST(ConversionsTest, Long) {
  Check<std::int32_t>(
      {{"12", kOk, 12}, {" \t-7\t ", kOk, -7}, {"+3", kOk, 3}, {"0000000000012", kOk, 12},
       {"1.5", kOk, 2}, {"2.5", kOk, 2}, {"3.5", kOk, 4}, {"-2.5", kOk, -2}, {"-3.5", kOk, -4},
       {"0.5", kOk, 0}, {"2.50000000001", kOk, 3}, {".5", kOk, 0}, {".51", kOk, 1},
       {"5.", kOk, 5}, {"1e3", kOk, 1000}, {"1.25E2", kOk, 125}, {"25e-1", kOk, 2},
       {"35E-1", kOk, 4}, {"0e999999999999", kOk, 0}, {"1e-999999999999", kOk, 0},
       {Tiny(), kOk, 0}, {"-2147483648", kOk, kMin}, {"2147483647", kOk, kMax},
       {"2147483647.49", kOk, kMax}, {"-2147483648.5", kOk, kMin}, {"2147483648", kOver, 0},
       {"-2147483649", kOver, 0}, {"2147483647.5", kOver, 0}, {"-2147483648.51", kOver, 0},
       {"99999999999", kOver, 0}, {"1e99999999999999999", kOver, 0}, {Huge(), kOver, 0},
       {"&HFFFFFFFF", kOk, -1}, {"&h7fffffff", kOk, kMax}, {"&H80000000", kOk, kMin},
       {"&H8000", kOk, 32768}, {" &H00000000010 ", kOk, 16}, {"&O17", kOk, 15},
       {"&o37777777777", kOk, -1}, {"&H100000000", kOver, 0}, {"&O40000000000", kOver, 0},
       {"&H1FFFFFFFFZ", kBad, 0}, {"&O8", kBad, 0}, {"&H", kBad, 0}, {"&X1", kBad, 0},
       {"-&H1", kBad, 0}, {"", kBad, 0}, {" \t ", kBad, 0}, {"abc", kBad, 0}, {"1,5", kBad, 0},
       {"1 2", kBad, 0}, {"- 1", kBad, 0}, {"1e", kBad, 0}, {"1e+", kBad, 0}, {"e3", kBad, 0},
       {".", kBad, 0}, {"-", kBad, 0}, {"1.2.3", kBad, 0}, {"1e999x", kBad, 0},
       {"0x10", kBad, 0}, {"inf", kBad, 0}, {"12\n", kBad, 0}},
      ParseLong);
}

TEST(ConversionsTest, Double) {
  const double kLargest = std::numeric_limits<double>::max();
  Check<double>(
      {{"1e3", kOk, 1000}, {"-1.25", kOk, -1.25}, {" .5\t", kOk, 0.5}, {"5.", kOk, 5},
       {"+0.1", kOk, 0.1}, {"1.7976931348623157e308", kOk, kLargest},
       {"-1.7976931348623157e308", kOk, -kLargest}, {"1" + std::string(308, '0'), kOk, 1e308},
       {"4.9e-324", kOk, std::numeric_limits<double>::denorm_min()}, {"1e-400", kOk, 0},
       {"1e+00000000000000000000003", kOk, 1000},
       {"0." + std::string(20000, '0') + "15e20001", kOk, 1.5}, {Tiny(), kOk, 0},
       {"&HFFFFFFFF", kOk, -1}, {"&O10", kOk, 8}, {"1e309", kOver, 0}, {"-1e309", kOver, 0},
       {"1e99999999999", kOver, 0}, {std::string(400, '9'), kOver, 0}, {Huge(), kOver, 0},
       {"", kBad, 0}, {"abc", kBad, 0}, {"inf", kBad, 0}, {"nan", kBad, 0}, {"1,5", kBad, 0}},
      ParseDouble);
  double zero = -1;
  ASSERT_EQ(ParseDouble("-0.0", zero), kOk);
  EXPECT_FALSE(std::signbit(zero));
}

TEST(ConversionsTest, Boolean) {
  Check<bool>({{"True", kOk, true}, {"TRUE", kOk, true}, {" false\t", kOk, false},
               {"0", kOk, false}, {"-1", kOk, true}, {"0.0", kOk, false}, {"0.25", kOk, true},
               {"&H0", kOk, false}, {"1e-400", kOk, false}, {"1e999", kOver, false},
               {"yes", kBad, false}, {"", kBad, false}, {"Truex", kBad, false}},
              ParseBoolean);
}

// clang-format on

TEST(ConversionsTest, RaisingFormsUseThePlatformNumbers) {
  EXPECT_EQ(TextToLong(" -12 "), -12);
  EXPECT_EQ(TextToDouble("0.5"), 0.5);
  EXPECT_TRUE(TextToBoolean("-1"));
  EXPECT_EQ(ErrorOf([] { TextToLong("2147483648"); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { TextToDouble(""); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { TextToBoolean("yes"); }), kErrTypeMismatch);
}

// A machine whose locale writes decimals with a comma still reads the game's "1.5".
TEST(ConversionsTest, DecimalPointWhateverTheLocale) {
  std::string saved = std::setlocale(LC_ALL, nullptr);
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "C.UTF-8"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) break;
  }
  double point = 0;
  double comma = 0;
  ConversionStatus point_status = ParseDouble("1.5", point);
  ConversionStatus comma_status = ParseDouble("1,5", comma);
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(point_status, kOk);
  EXPECT_EQ(point, 1.5);
  EXPECT_EQ(comma_status, kBad);
}

}  // namespace
}  // namespace tarn
