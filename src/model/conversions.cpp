#include "model/conversions.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

#include "platform/ascii_case.h"
#include "platform/error.h"

namespace tarn {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Beyond this an exponent cannot change any outcome (every target has overflowed or gone to
// zero long before); stopping there keeps the point arithmetic below far from int64 limits.
constexpr std::int64_t kExponentCap = 1'000'000'000;

// Points beyond these give an overflow or zero for a double without asking from_chars; they
// also keep exponents of absurd texts ("1e99999999999") away from its own exponent limits.
constexpr std::int64_t kDoublePointMax = 310;   // 0.1e310 is above the largest double
constexpr std::int64_t kDoublePointMin = -400;  // 0.99e-400 is below the smallest one

// A number text taken apart. A decimal text stands for 0.d1 d2 ... dn x 10^point, d1 its
// first significant digit (n = 0 for zero); a hexadecimal or octal text for its pattern.
struct Number {
  bool radix_form = false;
  std::uint32_t pattern = 0;

  bool negative = false;
  std::string_view body;  // the decimal text without blanks and sign, for from_chars
  std::string_view int_digits;
  std::string_view frac_digits;
  bool has_point = false;
  bool has_exponent = false;
  std::size_t lead = 0;         // zeros in front of d1
  std::size_t significant = 0;  // n
  std::int64_t point = 0;
  std::int64_t exponent = 0;  // as written, capped

  // d(k + 1) as a number, k from 0 to n - 1.
  int Digit(std::size_t k) const {
    std::size_t g = lead + k;
    char c = g < int_digits.size() ? int_digits[g] : frac_digits[g - int_digits.size()];
    return c - '0';
  }
};

int RadixDigit(char c, int radix) {
  int d = -1;
  if (IsDigit(c)) {
    d = c - '0';
  } else if (char u = AsciiUpper(c); u >= 'A' && u <= 'F') {
    d = u - 'A' + 10;
  }
  return d < radix ? d : -1;
}

// The digits after "&H" or "&O". The whole text is checked before the size counts, so a bad
// digit after too many good ones is a mismatch.
ConversionStatus ScanRadix(std::string_view digits, int radix, Number& number) {
  if (digits.empty()) return ConversionStatus::kTypeMismatch;
  std::uint64_t value = 0;
  bool too_big = false;
  for (char c : digits) {
    int d = RadixDigit(c, radix);
    if (d < 0) return ConversionStatus::kTypeMismatch;
    if (!too_big) {
      value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(d);
      too_big = value > 0xFFFFFFFFu;
    }
  }
  if (too_big) return ConversionStatus::kOverflow;
  number.radix_form = true;
  number.pattern = static_cast<std::uint32_t>(value);
  return ConversionStatus::kOk;
}

ConversionStatus Scan(std::string_view text, Number& number) {
  text = TrimBlanks(text);
  const std::size_t n = text.size();
  if (n >= 2 && text[0] == '&') {
    switch (AsciiUpper(text[1])) {
      case 'H':
        return ScanRadix(text.substr(2), 16, number);
      case 'O':
        return ScanRadix(text.substr(2), 8, number);
      default:
        return ConversionStatus::kTypeMismatch;
    }
  }

  std::size_t i = 0;
  if (i < n && (text[i] == '+' || text[i] == '-')) number.negative = text[i++] == '-';
  number.body = text.substr(i);
  std::size_t start = i;
  while (i < n && IsDigit(text[i])) ++i;
  number.int_digits = text.substr(start, i - start);
  if (i < n && text[i] == '.') {
    number.has_point = true;
    start = ++i;
    while (i < n && IsDigit(text[i])) ++i;
    number.frac_digits = text.substr(start, i - start);
  }
  if (number.int_digits.empty() && number.frac_digits.empty()) {
    return ConversionStatus::kTypeMismatch;
  }
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    number.has_exponent = true;
    ++i;
    bool negative_exponent = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative_exponent = text[i++] == '-';
    if (i == n || !IsDigit(text[i])) return ConversionStatus::kTypeMismatch;
    for (; i < n && IsDigit(text[i]); ++i) {
      if (number.exponent < kExponentCap) number.exponent = number.exponent * 10 + (text[i] - '0');
    }
    if (negative_exponent) number.exponent = -number.exponent;
  }
  if (i != n) return ConversionStatus::kTypeMismatch;

  number.significant = number.int_digits.size() + number.frac_digits.size();
  while (number.significant > 0 && number.Digit(0) == 0) {
    ++number.lead;
    --number.significant;
  }
  number.point = static_cast<std::int64_t>(number.int_digits.size()) + number.exponent -
                 static_cast<std::int64_t>(number.lead);
  return ConversionStatus::kOk;
}

// from_chars for a decimal number whose point lies within the double range. A text with a
// large written exponent is rewritten as 0.d1...dn e point, since from_chars stops counting
// exponent digits at some size of its own.
ConversionStatus DecimalToDouble(const Number& number, double& out) {
  constexpr std::int64_t kWrittenExponentMax = 10'000;
  std::string canonical;
  std::string_view text = number.body;
  if (number.exponent > kWrittenExponentMax || number.exponent < -kWrittenExponentMax) {
    canonical = "0.";
    for (std::size_t k = 0; k < number.significant; ++k) {
      canonical += static_cast<char>('0' + number.Digit(k));
    }
    canonical += 'e';
    canonical += std::to_string(number.point);
    text = canonical;
  }
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec == std::errc::result_out_of_range || std::isinf(value)) {
    if (number.point > 0) return ConversionStatus::kOverflow;
    value = 0;
  } else if (ec != std::errc() || end != text.data() + text.size()) {
    return ConversionStatus::kTypeMismatch;
  }
  out = number.negative && value != 0 ? -value : value;
  return ConversionStatus::kOk;
}

}  // namespace

ConversionStatus ParseLong(std::string_view text, std::int32_t& out) {
  Number number;
  if (ConversionStatus status = Scan(text, number); status != ConversionStatus::kOk) {
    return status;
  }
  if (number.radix_form) {
    out = static_cast<std::int32_t>(number.pattern);
    return ConversionStatus::kOk;
  }
  if (number.significant == 0) {
    out = 0;
    return ConversionStatus::kOk;
  }
  // Ten digits before the point already reach 1,000,000,000; eleven are beyond 32 bits.
  if (number.point > 10) return ConversionStatus::kOverflow;

  std::int64_t whole = 0;
  for (std::int64_t k = 0; k < number.point; ++k) {
    std::size_t index = static_cast<std::size_t>(k);
    whole = whole * 10 + (index < number.significant ? number.Digit(index) : 0);
  }
  // Only the first digit after the point and whether any other follows decide the rounding.
  if (number.point >= 0 && static_cast<std::size_t>(number.point) < number.significant) {
    std::size_t first = static_cast<std::size_t>(number.point);
    int digit = number.Digit(first);
    bool round_up = digit > 5;
    if (digit == 5) {
      bool above_half = false;
      for (std::size_t k = first + 1; k < number.significant && !above_half; ++k) {
        above_half = number.Digit(k) != 0;
      }
      round_up = above_half || (whole % 2 != 0);
    }
    if (round_up) ++whole;
  }
  if (number.negative) whole = -whole;
  if (whole < std::numeric_limits<std::int32_t>::min() ||
      whole > std::numeric_limits<std::int32_t>::max()) {
    return ConversionStatus::kOverflow;
  }
  out = static_cast<std::int32_t>(whole);
  return ConversionStatus::kOk;
}

ConversionStatus ParseDouble(std::string_view text, double& out) {
  Number number;
  if (ConversionStatus status = Scan(text, number); status != ConversionStatus::kOk) {
    return status;
  }
  if (number.radix_form) {
    out = static_cast<double>(static_cast<std::int32_t>(number.pattern));
    return ConversionStatus::kOk;
  }
  if (number.significant == 0 || number.point < kDoublePointMin) {
    out = 0;
    return ConversionStatus::kOk;
  }
  if (number.point > kDoublePointMax) return ConversionStatus::kOverflow;
  return DecimalToDouble(number, out);
}

ConversionStatus ParseBoolean(std::string_view text, bool& out) {
  std::string_view word = TrimBlanks(text);
  if (EqualsIgnoringAsciiCase(word, "True")) {
    out = true;
    return ConversionStatus::kOk;
  }
  if (EqualsIgnoringAsciiCase(word, "False")) {
    out = false;
    return ConversionStatus::kOk;
  }
  double value = 0;
  ConversionStatus status = ParseDouble(word, value);
  if (status == ConversionStatus::kOk) out = value != 0;
  return status;
}

LiteralForm FormOf(std::string_view text) {
  LiteralForm form;
  Number number;
  if (Scan(text, number) != ConversionStatus::kOk) {
    const std::string_view word = TrimBlanks(text);
    form.boolean_word =
        EqualsIgnoringAsciiCase(word, "True") || EqualsIgnoringAsciiCase(word, "False");
    return form;
  }
  std::int32_t whole = 0;
  double value = 0;
  form.long_literal = (number.radix_form || (!number.has_point && !number.has_exponent)) &&
                      ParseLong(text, whole) == ConversionStatus::kOk;
  form.numeric_literal = ParseDouble(text, value) == ConversionStatus::kOk;
  return form;
}

}  // namespace tarn
