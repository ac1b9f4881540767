// The model: conversions of value texts, value slots, entry lines and entries, and the keyed
// collection behind sections, the rule library and the list of files read. Sections are built
// and stored by the rule loader and the walk (rules/, e2e/).
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "model/conversions.h"
#include "model/entry.h"
#include "model/entry_line.h"
#include "model/keyed_collection.h"
#include "model/value_slot.h"
#include "support/core_fixture.h"

namespace tarn {
namespace {

using testing::ErrorOf;

// A good value first, then the text: a failure keeps the first value.
TEST(ValueSlotTest, AssignmentConvertsByTypeAndKeepsTheValueOnFailure) {
  // clang-format off
  const struct {
    std::int32_t type;
    const char *first, *text;
    VarValue held;
    std::string error;
  } cases[] = {
      {kLongType, "0", "1.5", 2, ""},
      {kLongType, "2.5", "abc", 2, "TARN.Value 10101 - Value Type Mismatch"},
      {kLongType, "2", "3000000000", 2, "TARN.Value Overflow"},
      {kDoubleType, "0", "0.5", 0.5, ""},
      {kDoubleType, "2", "1e309", 2.0, "TARN.Value Overflow"},
      {kStringType, "x", "", std::string(), ""},
      {kBooleanType, "false", "TRUE", true, ""},
      {kBooleanType, "true", "0", false, ""},
      {kBooleanType, "true", "yes", true, "TARN.Value 10101 - Value Type Mismatch"},
      {kNullType, nullptr, "1", VarValue(), "TARN.Value 10102 - Value object is not initialized"},
      {6, nullptr, "1", VarValue(), "TARN.Value 10102 - Value object is not initialized"},
  };
  // clang-format on
  for (const auto& c : cases) {
    ValueSlot slot;
    slot.Init("v", c.type, 1, false);
    if (c.first != nullptr) slot.SetValue(c.first);
    std::string error;
    try {
      slot.SetValue(c.text);
    } catch (const TarnError& e) {
      error = e.Source() + " " + e.Description();
    }
    EXPECT_EQ(error, c.error) << c.type << " " << c.text;
    if (c.type <= kNullType) {
      EXPECT_EQ(slot.Value(), c.held) << c.type << " " << c.text;
    }
  }
  ValueSlot open;
  EXPECT_EQ(ErrorOf([&] { open.Value(); }), kErrValueNotInitialized);
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
  EXPECT_EQ(copy->Position(), 7) << "a clone takes the position it is given";
  EXPECT_TRUE(copy->IsMulti());
  EXPECT_EQ(copy->Value(), VarValue(std::string()));
}

// A whole Long takes what is written as a whole number and refuses a decimal that the Long
// conversion alone would round; its clones are whole too.
TEST(ValueSlotTest, WholeLongRefusesDecimals) {
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

TEST(KeyedCollectionTest, KeysPlacesOrderAndErrors) {
  KeyedCollection<std::string> names;
  for (auto [item, key] :
       {std::pair{"a", "MaxSpeed"}, {"b", ""}, {"c", "gun"}, {"d", "\xC9t\xE9"}}) {
    names.Add(std::make_unique<std::string>(item), key);
  }
  EXPECT_EQ(names.Item("MAXSPEED"), "a");
  EXPECT_EQ(names.Item(2), "b");
  EXPECT_EQ(names.Item("\xC9T\xE9"), "d");
  EXPECT_EQ(names.Find("\xE9T\xE9"), nullptr);  // only ASCII letters fold
  EXPECT_EQ(ErrorOf([&] { names.Item("missing"); }), kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { names.Item(5); }), kErrSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { names.Add(std::make_unique<std::string>("x"), "GUN"); }),
            kErrDuplicateKey);
  // Removing moves the later items up; their keys follow them.
  names.Remove("maxspeed");
  names.Remove(1);
  names.Add(std::make_unique<std::string>("e"), "maxSpeed");
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.end()),
            (std::vector<std::string>{"c", "d", "e"}));
  EXPECT_EQ(&names.Item(1), &names.Item("GUN"));
}

// Items at commas, only spaces trimmed; the 16-bit scan position ends the split at 32,767.
TEST(EntryLineTest, GetNextValueSplitsAtCommas) {
  const auto split = [](std::string_view text) {
    std::vector<std::string> items;
    std::int16_t position = 1;
    for (std::string_view item; GetNextValue(text, position, item);) items.emplace_back(item);
    return items;
  };
  // clang-format off
  for (const auto& [text, items] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"1, 2", {"1", "2"}}, {"1, 2,", {"1", "2"}}, {"1, 2, ", {"1", "2", ""}}, {"", {}},
           {"1,,x", {"1", "", "x"}}, {",", {""}}, {" a\t , b c ", {"a\t", "b c"}},
           {std::string(32766, 'x'), {std::string(32766, 'x')}}}) {
    EXPECT_EQ(split(text), items) << text.substr(0, 20);
  }
  // clang-format on
  EXPECT_EQ(ErrorOf([&] { split("a," + std::string(32765, 'x')); }), kErrOverflow);
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

// After a good line, a failed one keeps its file line and variable count; the rule-shape
// errors of AddValue show through the rule sources' checks (rules/).
TEST(EntryLineTest, SetValuesCountsAndTypes) {
  using Values = std::vector<VarValue>;
  const std::string a = "a", c = "c", empty;
  // clang-format off
  const struct {
    bool var_values;
    const char* text;
    std::int32_t error;
    Values values;  // slots 1 to n afterwards
  } cases[] = {
      {true, "1, 2", 0, {1, 2}}, {true, "1, 2, ", 0, {1, 2, empty}},
      {true, "1, 2, a, a, c", 0, {1, 2, a, a, c}}, {true, "1", kErrTooFewValues, {1}},
      {true, "", kErrTooFewValues, {}}, {true, "1,,x", kErrValueTypeMismatch, {1}},
      {true, "3000000000, 2", kErrOverflow, {}}, {false, "1, 2, 3", kErrTooManyValues, {1, 2}},
  };
  // clang-format on
  for (const auto& k : cases) {
    auto line = TwoIntegers(k.var_values);
    line->SetValues("maxspeed", k.var_values ? "7, 8, z" : "7, 8", 30);
    EXPECT_EQ(ErrorOf([&] { line->SetValues("MAXSPEED", k.text, 40); }), k.error) << k.text;
    for (std::size_t i = 0; i < k.values.size(); ++i) {
      EXPECT_EQ(line->Value(static_cast<std::int16_t>(i + 1)).Value(), k.values[i]) << k.text;
    }
    EXPECT_EQ(line->FileLine(), k.error == 0 ? 40 : 30) << k.text;
    EXPECT_EQ(line->VarValuesCount(),
              k.error == 0 ? std::ssize(k.values) - 2 : (k.var_values ? 1 : 0))
        << k.text;
  }
  EntryLine line;
  line.Init(kEmptyMarker, "hull", 1, false);  // still counts as not initialised
  EXPECT_EQ(ErrorOf([&] { line.AddValue("", kLongType, 1, false); }), kErrEntryNotInitialized);
  EXPECT_EQ(ErrorOf([&] { line.SetValues("other", "1", 1); }), kErrEntryNotInitialized);
  line.Init("Ship", "hull", 2, false);
  EXPECT_EQ(ErrorOf([&] { line.Init("Ship", "hull", 1, false); }), kErrEntryAlreadyInitialized);
  EXPECT_EQ(ErrorOf([&] { line.SetValues("other", "1", 1); }), kErrEntryNameMismatch);
  EXPECT_EQ(ErrorOf([&] { line.SetValues("HULL", "1", 1); }), kErrValueTypesNotSet);
  line.AddValue("", kLongType, 1, false);  // and none for position 2
  EXPECT_EQ(ErrorOf([&] { line.SetValues("hull", "1, 2", 1); }), kErrObjectNotSet);
  EXPECT_EQ(ErrorOf([&] { line.Clone(); }), kErrObjectNotSet);
  line.Clear();  // clearing leaves the slots alone, so a missing one is no error
  EntryLine tail_only;
  tail_only.Init("Ship", "cargo", 0, true);
  tail_only.AddValue("goods", kStringType, 1, true);
  tail_only.SetValues("cargo", "", 3);
  EXPECT_EQ(tail_only.FileLine(), 3);
}

// A shorter tail cuts the table at its last item; a line without copies leaves it as is.
TEST(EntryLineTest, TailCopiesClearAndClone) {
  auto line = TwoIntegers(true);
  line->SetValues("maxspeed", "1, 2, a, b, c", 7);
  ASSERT_EQ(line->SlotCount(), 5);
  EXPECT_EQ(line->Value(5).Position(), 5);
  EXPECT_EQ(line->Value(5).ValueName(), "extra");
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

// A key with one integer and a text tail.
std::unique_ptr<Entry> Speed(bool multi_line) {
  auto entry = std::make_unique<Entry>();
  entry->Init("Ship", "maxspeed", 1, multi_line, true, true, 77);
  entry->AddValue("speed", kLongType, 1, false);
  entry->AddValue("note", kStringType, 2, true);
  return entry;
}

TEST(EntryTest, ChecksInTheirOrderAndClonesWithoutLines) {
  Entry empty;
  EXPECT_EQ(ErrorOf([&] { empty.SetValues("k", "1", 1); }), kErrSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { empty.Clear(); }), kErrSubscriptOutOfRange);
  auto entry = Speed(false);
  EXPECT_EQ(ErrorOf([&] { entry->SetValues("maxspeed", "fast", 5); }), kErrValueTypeMismatch);
  entry->MarkWhole(1);
  EXPECT_EQ(ErrorOf([&] { entry->SetValues("maxspeed", "1.5", 5); }), kErrValueNotWhole);
  entry->SetValues("MaxSpeed", "1, a", 6);  // the failed line did not count: this is the first
  EXPECT_EQ(ErrorOf([&] { entry->SetValues("minspeed", "2", 7); }), kErrEntryNameMismatch);
  EXPECT_EQ(ErrorOf([&] { entry->SetValues("MAXSPEED", "2", 7); }), kErrEntryNotMultiline);
  EXPECT_EQ(entry->LinesRead(), 1);
  EXPECT_EQ(ErrorOf([&] { entry->Line(2); }), kErrSubscriptOutOfRange);
  EXPECT_EQ(entry->Line(1).FileLine(), 6);
  auto copy = entry->Clone();
  EXPECT_EQ(copy->EntryDB_ID(), 77);
  EXPECT_FALSE(copy->IsMultiLine());
  EXPECT_TRUE(copy->IsMandatory());
  EXPECT_EQ(copy->LinesRead(), 0) << "a clone starts without the lines read";
  EXPECT_EQ(copy->Line(1).Value(1).Value(), VarValue(0));
  copy->SetValues("maxspeed", "2, b, c", 11);
  EXPECT_EQ(copy->Line(1).VarValuesCount(), 2);
  EXPECT_EQ(ErrorOf([&] { entry->InitEntry(nullptr); }), kErrObjectNotSet);
  entry->InitEntry(std::make_unique<EntryLine>());
  EXPECT_EQ(ErrorOf([&] { entry->SetValues("other", "1", 1); }), kErrEntryNotInitialized);
}

// The next section starts at line 1 again; lines kept from the last one hold nothing of it.
TEST(EntryTest, FurtherLinesAreFreshCopiesAlsoAfterClear) {
  auto entry = Speed(true);
  entry->SetValues("maxspeed", "1, a, b, c", 10);
  entry->SetValues("maxspeed", "2", 11);
  EXPECT_EQ(ErrorOf([&] { entry->SetValues("maxspeed", "x", 12); }), kErrValueTypeMismatch);
  entry->SetValues("maxspeed", "3, z", 13);
  ASSERT_EQ(entry->LinesRead(), 3);
  EXPECT_EQ(entry->Line(2).SlotCount(), 2);
  EXPECT_EQ(entry->Line(3).FileLine(), 13);
  entry->Clear();
  EXPECT_EQ(entry->Line(1).SlotCount(), 2);
  entry->SetValues("maxspeed", "4", 20);
  EXPECT_EQ(ErrorOf([&] { entry->Line(2); }), kErrSubscriptOutOfRange);
  entry->SetValues("maxspeed", "5", 21);
  entry->SetValues("maxspeed", "6", 22);
  EXPECT_EQ(entry->LinesRead(), 3);
  EXPECT_EQ(entry->Line(3).Value(2).Value(), VarValue(std::string()));
}

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
  // A text is read as far as it goes, whatever follows it in memory.
  std::int32_t hundred = 0;
  ASSERT_EQ(ParseLong(std::string_view("1e29", 3), hundred), kOk);
  EXPECT_EQ(hundred, 100);
}

TEST(ConversionsTest, Boolean) {
  Check<bool>({{"True", kOk, true}, {"TRUE", kOk, true}, {" false\t", kOk, false},
               {"0", kOk, false}, {"-1", kOk, true}, {"0.0", kOk, false}, {"0.25", kOk, true},
               {"&H0", kOk, false}, {"1e-400", kOk, false}, {"1e999", kOver, false},
               {"yes", kBad, false}, {"", kBad, false}, {"Truex", kBad, false}},
              ParseBoolean);
}

// clang-format on

// A machine whose locale writes decimals with a comma still reads the game's "1.5".
TEST(ConversionsTest, DecimalPointWhateverTheLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  bool comma_locale = false;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
    comma_locale = std::setlocale(LC_ALL, name) != nullptr &&
                   std::string(std::localeconv()->decimal_point) == ",";
    if (comma_locale) break;
  }
  double point = 0, comma = 0;
  const ConversionStatus point_status = ParseDouble("1.5", point);
  const ConversionStatus comma_status = ParseDouble("1,5", comma);
  std::setlocale(LC_ALL, saved.c_str());
  if (!comma_locale) {
    GTEST_SKIP() << "no locale that writes decimals with a comma is installed "
                    "(scripts/setup makes de_DE.UTF-8)";
  }
  EXPECT_EQ(point_status, kOk);
  EXPECT_EQ(point, 1.5);
  EXPECT_EQ(comma_status, kBad);
}

}  // namespace
}  // namespace tarn
