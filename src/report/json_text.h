// Writing JSON text: strings from the game's 8-bit code page 1252, escaped as JSON wants them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarn {

// Appends text (code page 1252) to out as a JSON string, quotes included.
void AppendJsonString(std::string& out, std::string_view cp1252_text);

// The same for a text that is UTF-8 already.
void AppendJsonUtf8(std::string& out, std::string_view utf8_text);

// A path (code page 1252) as a relative URI reference: UTF-8, every byte other than letters,
// digits, "-._~" and "/" percent-encoded.
std::string UriPath(std::string_view cp1252_path);
void AppendUriPath(std::string& out, std::string_view cp1252_path);

}  // namespace tarn
