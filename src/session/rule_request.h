// What a rule command of a session is asked to do: learn the rules of a game folder, import or
// export a rule folder, restore the rule set an import replaced, accept a report's findings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "session/command_account.h"

namespace tarn {

struct LearnOptions {
  bool merge = false;  // widen the installed rule set instead of learning from scratch
  bool force = false;  // accepted for older scripts: a folder learn wrote is always replaced
  std::optional<std::string> log{};  // a folder the learned rules may not replace (--log)
  bool follow_links = false;
  std::int64_t max_file_size = std::int64_t{256} << 20;
  // In percent: of a defining position's names, how many may be defined twice; of a
  // referring position's uses, how many may name nothing.
  double duplicate_names = 1;
  double unknown_names = 1;
};

struct RuleRequest {
  SessionCommand command = SessionCommand::kRestore;
  // learn: the folder the rules are written to; import, export: the rule folder; accept: the
  // report.
  std::string folder{};
  std::int64_t max_bytes = std::int64_t{256} << 20;  // accept: the largest report read
  std::optional<std::string> game{};  // learn: the game folder instead of the settings' one
  LearnOptions learn{};
};

}  // namespace tarn
