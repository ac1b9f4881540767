// The conversions of value texts read from the game's files to the types of their value
// slots, following the platform's text-to-number coercion as far as the game's files need it.
//
// Accepted number forms, with optional blanks (spaces and tabs) around them:
//   - decimal: an optional sign, digits with an optional "." fraction (either side of the
//     point may be empty, not both) and an optional exponent ("e" or "E", optional sign,
//     digits): "12", "-1.25", ".5", "5.", "1e3", "+2.5E-1";
//   - hexadecimal "&H" and octal "&O" (letters in any case), no sign, at most 32 bits: the
//     digits are a 32-bit two's complement pattern, so "&HFFFFFFFF" is -1 and "&H8000" is
//     32768. The same value is given for every target type, the double form included.
// The decimal separator is always ".", whatever the machine's locale. Thousands
// separators, currency signs, parentheses and trailing signs are not accepted.
//
// Failures raise the platform errors: kErrTypeMismatch (13) for the empty text and every text
// of another form, kErrOverflow (6) for a number outside the target type. A text is checked
// for its form first, so "1e999x" is a mismatch, not an overflow.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarn {

enum class ConversionStatus { kOk, kOverflow, kTypeMismatch };

// The non-raising forms, for callers that turn a failure into an error of their own; out is
// written only on kOk.

// A fraction is rounded to the nearest integer, a tie to the even one (2.5 gives 2, -2.5
// gives -2); the result must lie within -2,147,483,648 to 2,147,483,647.
ConversionStatus ParseLong(std::string_view text, std::int32_t& out);

// The nearest double. Beyond the double range is an overflow; a number too small for the
// smallest double gives 0. Zero has no sign: "-0" gives 0.
ConversionStatus ParseDouble(std::string_view text, double& out);

// "True" or "False" in any letter case, or a number of the double form (0 gives false, any
// other value true; an overflow of the double form is an overflow here too).
ConversionStatus ParseBoolean(std::string_view text, bool& out);

// How a value text is written: which types hold it without losing any of its value (a Long
// slot takes "1.2" but keeps only 1). A long literal is a whole decimal number without point
// or exponent, or an "&H" or "&O" one, within the Long range; a numeric literal is any
// number the double form takes without overflow; a Boolean word is "True" or "False" in any
// letter case.
struct LiteralForm {
  bool long_literal = false;
  bool numeric_literal = false;
  bool boolean_word = false;
};
LiteralForm FormOf(std::string_view text);

}  // namespace tarn
