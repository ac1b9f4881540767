// `tarn strings FILE`: the string tables of one of the game's resource DLLs, as the checker
// reads them to turn resource ids into texts.
#pragma once

#include <string>

namespace tarn {

// Prints "id<TAB>text" and a line feed for every string of the file's string tables, in id
// order, the text in UTF-8 exactly as stored (a text with a line break spans more than one
// line). Exit status: 0 listed, 1 when the file cannot be loaded, 3 when the listing cannot
// be written, with "tarn: strings: FILE: reason" on standard error.
int ListStrings(const std::string& file);

}  // namespace tarn
