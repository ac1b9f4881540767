// Near names: for a name that nothing of its kind has (a key its section's rule lacks, a section
// the rule set lacks, a name no target defines), the known name a typing slip most likely made
// it from, so that a finding can say "did you mean `hit_pts`?".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarn {

class NearNames {
 public:
  // A real game has about 150,000 findings with the shipped rules and names of up to tens of
  // thousands of objects; a question compares at most this many candidates, nearest lengths
  // first, and answers are remembered, so that a run spends little on hints whatever it finds.
  static constexpr std::size_t kMaxComparisons = 4096;
  static constexpr std::size_t kMaxRemembered = 1 << 16;

  NearNames() = default;
  // The known names; of equally near ones, the shorter wins, then the one given first.
  explicit NearNames(const std::vector<std::string>& names);

  void Add(std::string_view name);

  // The known name nearest to name when it is close: equal to it letter case aside, or within
  // an edit distance of 2 (letter case aside, and less than name's length, so that a short
  // name is not "near" everything); empty when none is.
  const std::string& Nearest(std::string_view name);

 private:
  // Known names by the length of their lower-cased form.
  std::vector<std::vector<std::pair<std::string, std::string>>> by_length_;  // {lowered, as given}
  std::unordered_map<std::string, std::string> answered_;
  std::string lowered_;
};

// The edit distance (insertions, deletions, replacements) of a and b when at most limit, else
// limit + 1; work grows with the length times the limit, not with the product of the lengths.
int BoundedEditDistance(std::string_view a, std::string_view b, int limit);

}  // namespace tarn
