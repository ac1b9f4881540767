#include "log/run_stats.h"

#include <cstdio>

namespace tarn {

RunStats::RunStats() : start_(Clock::now()), last_(start_) {}

void RunStats::Charge(Clock::time_point now) {
  if (!open_.empty()) spent_[open_.back()] += now - last_;
  last_ = now;
}

void RunStats::Enter(Phase phase) {
  Charge(Clock::now());
  open_.push_back(phase);
}

void RunStats::Leave() {
  Charge(Clock::now());
  if (!open_.empty()) open_.pop_back();
}

std::string RunStats::Report() const {
  static const char* const kNames[kPhaseCount] = {
      "reading and decoding", "checking", "storing", "logging", "reports", "references"};
  auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };
  const double total = seconds(Clock::now() - start_);
  double measured = 0;
  std::string report = "stats:";
  char part[64];
  for (int phase = 0; phase < kPhaseCount; ++phase) {
    measured += seconds(spent_[phase]);
    if (phase == kReferences && spent_[phase] == Clock::duration::zero()) continue;
    std::snprintf(part, sizeof part, " %s %.2f s,", kNames[phase], seconds(spent_[phase]));
    report += part;
  }
  std::snprintf(part, sizeof part, " other %.2f s, total %.2f s", total - measured, total);
  return report + part;
}

StatsScope::StatsScope(RunStats* stats, RunStats::Phase phase) : stats_(stats) {
  if (stats_ != nullptr) stats_->Enter(phase);
}

StatsScope::~StatsScope() {
  if (stats_ != nullptr) stats_->Leave();
}

}  // namespace tarn
