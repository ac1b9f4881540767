#include "learn/observations.h"

#include "model/conversions.h"

namespace tarn {

void Spellings::Add(std::string_view spelling) {
  for (auto& [known, count] : counts_) {
    if (known == spelling) {
      ++count;
      return;
    }
  }
  counts_.emplace_back(std::string(spelling), 1);
}

const std::string& Spellings::Most() const {
  static const std::string kNone;
  const std::pair<std::string, std::int64_t>* most = nullptr;
  for (const auto& entry : counts_) {
    if (most == nullptr || entry.second > most->second) most = &entry;
  }
  return most != nullptr ? most->first : kNone;
}

void PositionStats::Add(std::string_view text, const Place& place) {
  ++values;
  const LiteralForm form = FormOf(text);
  const bool holds[kCandidateCount] = {form.long_literal, form.numeric_literal, form.boolean_word};
  for (int candidate = 0; candidate < kCandidateCount; ++candidate) {
    if (holds[candidate]) continue;
    ++misses[candidate];
    if (odd[candidate].size() < kKeptOdd) odd[candidate].push_back({std::string(text), place});
  }
}

void PositionStats::Merge(const PositionStats& other) {
  values += other.values;
  for (int candidate = 0; candidate < kCandidateCount; ++candidate) {
    misses[candidate] += other.misses[candidate];
    for (const OddValue& value : other.odd[candidate]) {
      if (odd[candidate].size() == kKeptOdd) break;
      odd[candidate].push_back(value);
    }
  }
}

}  // namespace tarn
