// What the walk does with each section it reads: the checker checks and stores it (DoSection),
// the rule learner records it. The walk only reads.
#pragma once

#include <string>

#include "shell/section_buffer.h"

namespace tarn {

class SectionHandler {
 public:
  virtual ~SectionHandler() = default;

  // Handles one section read from a file of area. Errors it raises end the file's reading
  // like any other error of the file (ReadINIFile's error trap).
  virtual void HandleSection(const std::string& area, SectionBuffer& buffer) = 0;
};

}  // namespace tarn
