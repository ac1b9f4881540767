// Where the rows of the data database stand on disk, which its tables do not hold: for each
// section row the file as found on disk, whether it is binary, the header's line and how many
// sections of its name the file held before; for each entry row the line as an editor counts
// it. Kept while "All" stores, for findings made from the stored rows afterwards. A run stores
// millions of entry rows, so an entry costs two bytes here, in blocks that never move: its
// line as a step from its section's header line.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "log/section_buffer.h"

namespace tarn {

class LinePlaces {
 public:
  struct Place {
    std::string disk_file;
    bool binary = false;
    std::int32_t section_line = 0;
    std::int32_t same_name_before = 0;
    std::int32_t editor_line = 0;
  };

  // The section row stored from buffer, and an entry row of the section stored last with its
  // editor line. Rows come in rising order, as the data database numbers them.
  void AddSection(std::int32_t row, const SectionBuffer& buffer);
  void AddEntry(std::int32_t row, std::int32_t editor_line);

  // Where the entry row of the section row stands; false when either was not kept here.
  bool Find(std::int32_t section_row, std::int32_t entry_row, Place& place) const;

  // Forgets everything, as a new data database starts its rows at 1 again.
  void Clear();

 private:
  struct SectionPlace {
    std::uint32_t file = 0;  // into disk_files_
    bool binary = false;
    std::int32_t line = 0;
    std::int32_t same_name_before = 0;
  };

  // An entry's step from its section's header line; kFarStep: in far_steps_; 0: not known.
  static constexpr std::uint16_t kFarStep = 0xFFFF;

  std::int32_t first_section_ = 0;
  std::int32_t first_entry_ = 0;
  std::int32_t last_section_line_ = 0;
  std::deque<SectionPlace> sections_;                         // by row - first_section_
  std::deque<std::uint16_t> entry_steps_;                     // by row - first_entry_
  std::unordered_map<std::int32_t, std::int32_t> far_steps_;  // by entry row
  std::vector<std::string> disk_files_;                       // each file once, in the order met
};

}  // namespace tarn
