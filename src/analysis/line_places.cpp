#include "analysis/line_places.h"

namespace tarn {

void LinePlaces::AddSection(std::int32_t row, const SectionBuffer& buffer) {
  if (sections_.empty()) first_section_ = row;
  const std::int64_t at = static_cast<std::int64_t>(row) - first_section_;
  if (at < 0) return;
  // Sections of one file come one after another.
  if (disk_files_.empty() || disk_files_.back() != buffer.DiskFile) {
    disk_files_.push_back(buffer.DiskFile);
  }
  if (static_cast<std::size_t>(at) >= sections_.size()) sections_.resize(at + 1);
  sections_[static_cast<std::size_t>(at)] = {static_cast<std::uint32_t>(disk_files_.size() - 1),
                                             buffer.Binary, buffer.HeaderLine,
                                             buffer.SameNameBefore};
  last_section_line_ = buffer.HeaderLine;
}

void LinePlaces::AddEntry(std::int32_t row, std::int32_t editor_line) {
  if (entry_steps_.empty()) first_entry_ = row;
  const std::int64_t at = static_cast<std::int64_t>(row) - first_entry_;
  if (at < 0) return;
  if (static_cast<std::size_t>(at) >= entry_steps_.size()) entry_steps_.resize(at + 1);
  const std::int64_t step = static_cast<std::int64_t>(editor_line) - last_section_line_;
  std::uint16_t& kept = entry_steps_[static_cast<std::size_t>(at)];
  if (step > 0 && step < kFarStep) {
    kept = static_cast<std::uint16_t>(step);
  } else {
    // Comment lines may part an entry from its header by any number of lines.
    kept = kFarStep;
    far_steps_[row] = editor_line;
  }
}

bool LinePlaces::Find(std::int32_t section_row, std::int32_t entry_row, Place& place) const {
  const std::int64_t section = static_cast<std::int64_t>(section_row) - first_section_;
  const std::int64_t entry = static_cast<std::int64_t>(entry_row) - first_entry_;
  if (section < 0 || section >= static_cast<std::int64_t>(sections_.size()) || entry < 0 ||
      entry >= static_cast<std::int64_t>(entry_steps_.size()) ||
      entry_steps_[static_cast<std::size_t>(entry)] == 0) {
    return false;
  }
  const std::uint16_t step = entry_steps_[static_cast<std::size_t>(entry)];
  const SectionPlace& kept = sections_[static_cast<std::size_t>(section)];
  place.disk_file = disk_files_[kept.file];
  place.binary = kept.binary;
  place.section_line = kept.line;
  place.same_name_before = kept.same_name_before;
  if (step != kFarStep) {
    place.editor_line = kept.line + step;
  } else {
    const auto far = far_steps_.find(entry_row);
    if (far == far_steps_.end()) return false;
    place.editor_line = far->second;
  }
  return true;
}

void LinePlaces::Clear() {
  sections_.clear();
  entry_steps_.clear();
  far_steps_.clear();
  disk_files_.clear();
  first_section_ = first_entry_ = last_section_line_ = 0;
}

}  // namespace tarn
