// Writing the rule set into the log as an indented outline.
#pragma once

namespace tarn {

// Writes one line per section, entry and value position of the rule query. Any failure is
// reported under "DumpRules" and ends the program.
void DumpRules();

}  // namespace tarn
