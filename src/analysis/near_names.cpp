#include "analysis/near_names.h"

#include <algorithm>

#include "platform/ascii_case.h"

namespace tarn {

namespace {

constexpr int kMaxDistance = 2;
const std::string kNone;

}  // namespace

int BoundedEditDistance(std::string_view a, std::string_view b, int limit) {
  const int n = static_cast<int>(a.size()), m = static_cast<int>(b.size());
  if (std::abs(n - m) > limit) return limit + 1;
  const int over = limit + 1;
  // Only cells within limit of the diagonal can stay at or below limit.
  std::vector<int> previous(static_cast<std::size_t>(m) + 1), row(previous.size());
  for (int j = 0; j <= m; ++j) previous[static_cast<std::size_t>(j)] = std::min(j, over);
  for (int i = 1; i <= n; ++i) {
    const int from = std::max(1, i - limit), to = std::min(m, i + limit);
    std::fill(row.begin(), row.end(), over);
    row[0] = std::min(i, over);
    int best = row[0];
    for (int j = from; j <= to; ++j) {
      const auto uj = static_cast<std::size_t>(j);
      const int replace =
          previous[uj - 1] + (a[static_cast<std::size_t>(i - 1)] == b[uj - 1] ? 0 : 1);
      const int cell = std::min({replace, previous[uj] + 1, row[uj - 1] + 1, over});
      row[uj] = cell;
      best = std::min(best, cell);
    }
    if (best > limit) return over;
    std::swap(row, previous);
  }
  return std::min(previous[static_cast<std::size_t>(m)], over);
}

NearNames::NearNames(const std::vector<std::string>& names) {
  for (const std::string& name : names) Add(name);
}

void NearNames::Add(std::string_view name) {
  std::string lowered = AsciiLowered(name);
  if (by_length_.size() <= lowered.size()) by_length_.resize(lowered.size() + 1);
  by_length_[lowered.size()].emplace_back(std::move(lowered), std::string(name));
}

const std::string& NearNames::Nearest(std::string_view name) {
  AsciiLowerInto(name, lowered_);
  if (auto known = answered_.find(lowered_); known != answered_.end()) return known->second;
  const int length = static_cast<int>(lowered_.size());
  const std::string* best = nullptr;
  int best_distance = std::min(kMaxDistance, length - 1) + 1;
  std::size_t compared = 0;
  // Lengths nearest to the name's first: equal, then one off, then two off.
  for (int off = 0; off <= kMaxDistance && best_distance > off; ++off) {
    for (int sign : {-1, 1}) {
      const int bucket = length + sign * off;
      if (bucket < 0 || bucket >= static_cast<int>(by_length_.size())) continue;
      for (const auto& [lowered, given] : by_length_[static_cast<std::size_t>(bucket)]) {
        if (compared++ == kMaxComparisons) break;
        const int distance = BoundedEditDistance(lowered_, lowered, best_distance - 1);
        if (distance < best_distance) {
          best_distance = distance;
          best = &given;
          if (distance == 0) break;
        }
      }
      if (off == 0) break;  // one bucket of equal length
    }
  }
  if (answered_.size() >= kMaxRemembered) answered_.clear();
  return answered_.emplace(lowered_, best != nullptr ? *best : kNone).first->second;
}

}  // namespace tarn
