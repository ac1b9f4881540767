// Loading the rule library from the settings database's rule query.
#pragma once

namespace tarn {

// Builds the rule library, opens the data tables for writing and empties the list of files
// already read. Any failure is reported under "InitParse" and ends the program.
void InitParse();

}  // namespace tarn
