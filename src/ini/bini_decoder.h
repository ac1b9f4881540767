// The built-in decoder of the binary INI form (layout in ini/bini_format.h): it turns a whole
// binary file into the text form that the INI reader then checks like any text file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarn {

// True when first_bytes starts with the four bytes "BINI", the mark of a binary INI file.
bool LooksLikeBini(std::string_view first_bytes);

// Decodes a whole binary INI file held in bytes into text, replacing text's content:
//
//   [section]                 one line per section record
//   key = v1, v2, ...         one line per entry record; "key =" when it has no value
//
// Integers are written in decimal; floats in the shortest form that reads back as the same
// 32-bit float, with ".0" added when that form has neither a "." nor an exponent ("0.5",
// "2.0", "1e+20"; infinities and NaN stay "inf", "-inf", "nan"); strings as stored, 8-bit
// bytes of code page 1252 up to their NUL. Every line ends with "\r\n".
//
// Returns false, text empty and a one-line reason in why, when the file is shorter than the
// header, lacks the magic, has a version other than 1, a string table offset inside the header
// or past the end, a record running into the string table, a string offset past the end of
// the table, an unterminated string or an unknown value type. It never reads outside bytes.
bool DecodeBini(std::string_view bytes, std::string& text, std::string& why);

// How long the text form of bytes is, without making it, so that a file whose text would be
// too large is refused before any of it is held; false, with why, as DecodeBini fails.
bool BiniTextSize(std::string_view bytes, std::size_t& size, std::string& why);

// How DecodeBiniWithin ended.
enum class BiniDecoding { kDecoded, kTooLarge, kMalformed };

// DecodeBini for a file from outside, held to max_text bytes of text: a few bytes of records
// can name one long string thousands of times, so the text form is measured before any of it
// is made. kTooLarge (text empty, text_size the length it would have) when it would be longer;
// kMalformed (text empty, why set) when DecodeBini fails; kDecoded otherwise.
BiniDecoding DecodeBiniWithin(std::string_view bytes, std::int64_t max_text, std::string& text,
                              std::size_t& text_size, std::string& why);

}  // namespace tarn
