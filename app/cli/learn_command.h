// `tarn [--home DIR] [--game DIR] rules learn [--merge] [--force] [--duplicate-names P]
// [--unknown-names P] OUTDIR`: the rule set of a
// game folder the user trusts, written as rule sources with a learning report.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarn {

struct LearnOptions {
  bool merge = false;
  bool force = false;
  std::string folder;
  std::optional<std::string> log;  // --log: a folder the learned rules may not replace
  bool follow_links = false;
  std::int64_t max_file_size = std::int64_t{256} << 20;
  // In percent: of a defining position's names, how many may be defined twice; of a
  // referring position's uses, how many may name nothing.
  double duplicate_names = 1;
  double unknown_names = 1;
};

// Exit status: 0 the rules are written and the report printed; 3 they could not be learned
// or written (the reason on standard error).
int LearnRules(const std::string& home, const std::optional<std::string>& game,
               const LearnOptions& options);

}  // namespace tarn
