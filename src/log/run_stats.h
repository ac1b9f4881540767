// Where a run's time goes: reading and decoding files, checking lines, storing rows,
// logging, and writing the findings' reports and table. A front end that wants the figures hands
// out a RunStats; the core measures its spans with StatsScope, which costs next to nothing when
// there is no RunStats.
#pragma once

#include <array>
#include <chrono>
#include <string>
#include <vector>

namespace tarn {

class RunStats {
 public:
  enum Phase { kReading, kChecking, kStoring, kLogging, kReporting, kReferences, kPhaseCount };

  RunStats();

  // Spans nest: time inside an inner span counts for the inner phase only.
  void Enter(Phase phase);
  void Leave();

  // One line: each phase's seconds, the rest of the run as "other", and the total. The
  // references' phase is named only in a run that checked them.
  std::string Report() const;

 private:
  using Clock = std::chrono::steady_clock;
  void Charge(Clock::time_point now);

  Clock::time_point start_;
  Clock::time_point last_;
  std::vector<Phase> open_;
  std::array<Clock::duration, kPhaseCount> spent_{};
};

// Measures one span for stats, unless stats is null.
class StatsScope {
 public:
  StatsScope(RunStats* stats, RunStats::Phase phase);
  ~StatsScope();
  StatsScope(const StatsScope&) = delete;
  StatsScope& operator=(const StatsScope&) = delete;

 private:
  RunStats* stats_;
};

}  // namespace tarn
