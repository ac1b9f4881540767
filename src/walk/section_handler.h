// What the walk does with each file and section it reads: the checker checks and stores every
// section (DoSection), the rule learner records them. The walk only reads. The handler also
// answers the line source's question how a section's flag keys are written.
#pragma once

#include <string>

#include "log/section_buffer.h"
#include "model/flag_lines.h"

namespace tarn {

class TarnError;

class SectionHandler : public FlagRules {
 public:
  virtual ~SectionHandler() = default;

  // Says nothing: every bare flag line is repaired and reported.
  FlagForm FlagFormOf(const std::string& section, std::string_view key) const override {
    (void)section;
    (void)key;
    return FlagForm::kUnsaid;
  }

  // A file has been opened for reading, before its first section; binary tells a file read
  // through its text form.
  virtual void BeginFile(const std::string& area, const std::string& path, bool binary) {
    (void)area;
    (void)path;
    (void)binary;
  }

  // Handles one section read from a file of area. Errors it raises end the file's reading
  // like any other error of the file (ReadINIFile's error trap).
  virtual void HandleSection(const std::string& area, SectionBuffer& buffer) = 0;

  // An error of the file at path that no data finding covers (a 2049th line in a section, a
  // binary file that cannot be decoded, ...). The checker reports it and ends the program;
  // a handler that returns true has taken note of it, and the walk goes on with the next
  // file.
  virtual bool GoOnAfter(const TarnError& error, const std::string& path) {
    (void)error;
    (void)path;
    return false;
  }
};

}  // namespace tarn
