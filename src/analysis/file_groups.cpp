#include "analysis/file_groups.h"

#include "platform/ascii_case.h"

namespace tarn {

namespace {

// A path as compared: "/" for "\", ASCII letters in lower case.
std::string Folded(const std::string& path) {
  std::string folded = AsciiLowered(path);
  for (char& c : folded) {
    if (c == '\\') c = '/';
  }
  return folded;
}

std::string LastPart(const std::string& folded) {
  const std::size_t slash = folded.rfind('/');
  return slash == std::string::npos ? folded : folded.substr(slash + 1);
}

}  // namespace

FileGroups::FileGroups(const std::vector<std::string>& files, const std::vector<NamedFile>& named) {
  std::unordered_map<std::string, std::vector<std::uint32_t>> by_last_part;
  std::vector<std::string> folded_files;
  for (const std::string& file : files) {
    std::string folded = Folded(file);
    auto [at, added] = index_.try_emplace(folded, static_cast<std::uint32_t>(folded_files.size()));
    if (!added) continue;
    by_last_part[LastPart(folded)].push_back(at->second);
    folded_files.push_back(std::move(folded));
  }
  parent_.assign(folded_files.size(), -1);
  for (const NamedFile& name : named) {
    auto naming = index_.find(Folded(name.file));
    if (naming == index_.end()) continue;
    std::string value = Folded(name.value);
    while (!value.empty() && value.front() == '/') value.erase(0, 1);
    if (value.empty()) continue;
    auto candidates = by_last_part.find(LastPart(value));
    if (candidates == by_last_part.end()) continue;
    for (std::uint32_t file : candidates->second) {
      const std::string& path = folded_files[file];
      const bool ends = path.size() > value.size() &&
                        path.compare(path.size() - value.size(), value.size(), value) == 0 &&
                        path[path.size() - value.size() - 1] == '/';
      if (ends && parent_[file] < 0 && file != naming->second) parent_[file] = naming->second;
    }
  }
  group_.assign(folded_files.size(), -1);
}

std::uint32_t FileGroups::GroupOf(const std::string& file) {
  auto at = index_.find(Folded(file));
  if (at == index_.end()) {
    const auto number = static_cast<std::uint32_t>(index_.size());
    index_.emplace(Folded(file), number);
    parent_.push_back(-1);
    group_.push_back(number);
    return number;
  }
  std::int64_t& group = group_[at->second];
  if (group >= 0) return static_cast<std::uint32_t>(group);
  // Up the files that named this one, to the one a file no value names has named; a chain
  // that loops stops where it started over.
  std::int64_t head = at->second;
  for (std::size_t steps = 0; steps < parent_.size(); ++steps) {
    const std::int64_t up = parent_[static_cast<std::size_t>(head)];
    if (up < 0 || parent_[static_cast<std::size_t>(up)] < 0) break;
    head = up;
  }
  group = head;
  return static_cast<std::uint32_t>(head);
}

}  // namespace tarn
