// Flag lines: the two keys the game may write without "=" ("separable" alone for
// "separable = true"). The line source repairs such a line and reports the repair unless
// the section's rule says how the key is written: "bare" (always without "=", so a bare
// line is what the game means) or "valued" (always with a value). A rule that says so makes a
// line written the other way a finding of its own (kErrFlagFormMismatch).
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarn {

// How a rule says its flag key is written; kUnsaid for every rule that does not say.
enum class FlagForm : std::uint8_t { kUnsaid, kBare, kValued };

// The keys the line source repairs when they stand alone on a line; letter case counts.
inline constexpr std::string_view kFlagKeys[] = {"separable", "offer_missions"};

inline bool IsFlagKey(std::string_view key) {
  return std::find(std::begin(kFlagKeys), std::end(kFlagKeys), key) != std::end(kFlagKeys);
}

// What the rules in force say of a flag key in a section (named as its header names it,
// letter case aside). Asked by the line source for each flag line it reads in a section.
class FlagRules {
 public:
  virtual FlagForm FlagFormOf(const std::string& section, std::string_view key) const = 0;

 protected:
  ~FlagRules() = default;
};

}  // namespace tarn
