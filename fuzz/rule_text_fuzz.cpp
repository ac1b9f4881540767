// Any bytes as one rule file to the rule text reader: it must append sections or raise
// RuleSourceError with a line. What it reads must survive being written and read again: the
// text of a parsed set, parsed once more, writes back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "rules/rule_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string file = "fuzz.rules";
  tarn::RuleSet rules;
  try {
    tarn::ParseRuleText(text, file, rules);
  } catch (const tarn::RuleSourceError&) {
    return 0;
  }
  const std::string written = tarn::FormatRuleText(rules, file);
  tarn::RuleSet again;
  try {
    tarn::ParseRuleText(written, file, again);
  } catch (const tarn::RuleSourceError&) {
    std::abort();  // the reader refuses what the writer wrote
  }
  if (tarn::FormatRuleText(again, file) != written) std::abort();
  return 0;
}
