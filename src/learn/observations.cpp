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

bool PositionStats::Add(std::string_view text, const Place& place) {
  ++values;
  const LiteralForm form = FormOf(text);
  const bool holds[kCandidateCount] = {form.long_literal, form.numeric_literal, form.boolean_word};
  bool held = false;
  for (int candidate = 0; candidate < kCandidateCount; ++candidate) {
    if (holds[candidate]) {
      held = true;
      continue;
    }
    ++misses[candidate];
    if (odd[candidate].size() < kKeptOdd) odd[candidate].push_back({std::string(text), place});
  }
  return !held;
}

std::uint32_t NamePool::Id(std::string_view lowered) {
  auto at = ids_.find(lowered);
  if (at != ids_.end()) return at->second;
  const auto id = static_cast<std::uint32_t>(texts_.size());
  texts_.emplace_back(lowered);
  ids_.emplace(texts_.back(), id);
  return id;
}

void PositionNames::Add(std::uint32_t name, std::uint32_t file, std::int32_t line) {
  ++in_files[static_cast<std::uint64_t>(name) << 32 | file];
  NameUse& use = uses[name];
  if (use.count++ == 0) {
    use.file = file;
    use.line = line;
  }
}

void PositionNames::Merge(const PositionNames& other) {
  others += other.others;
  for (const auto& [name_in_file, count] : other.in_files) in_files[name_in_file] += count;
  for (const auto& [name, use] : other.uses) {
    NameUse& merged = uses[name];
    if (merged.count == 0) {
      merged.file = use.file;
      merged.line = use.line;
    }
    merged.count += use.count;
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
