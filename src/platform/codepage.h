// Conversion of the game files' 8-bit code page 1252 to UTF-8, for the window's log box and
// the data database's text columns, and back.
#pragma once

#include <string>
#include <string_view>

namespace tarn {

// Every byte becomes one character: 0x80 to 0x9F take the code page's own characters, and
// the five bytes it leaves undefined stand for the control characters of the same number.
std::string Cp1252ToUtf8(std::string_view text);

// The inverse, for texts read back from the data database: each character Cp1252ToUtf8
// makes becomes its byte again; any other character, and a malformed sequence, becomes "?".
std::string Utf8ToCp1252(std::string_view text);

// Where Utf8ToCp1252 would first write "?" for what is not "?": the offset of the first
// malformed sequence or character outside the code page; npos when text converts whole.
std::size_t FirstNonCp1252(std::string_view text);

}  // namespace tarn
