// The command line's front end: the log box is standard output (never cut), message boxes
// go to standard error, and there are no events to process.
#pragma once

#include <string_view>

#include "shell/front_end.h"

namespace tarn {

class CliFrontEnd : public FrontEnd {
 public:
  explicit CliFrontEnd(bool quiet) : quiet_(quiet) {}

  void AppendToLogBox(std::string_view text, bool may_cut) override;
  void ShowMessageBox(std::string_view text) override;
  void ProcessEvents() override {}

  // True once the log file received a line beginning with "WARN: File ".
  bool SawWarning() const { return saw_warning_; }

 private:
  bool quiet_;
  bool saw_warning_ = false;
};

// True when a line of text (lines ending CR LF) begins with "WARN: File ".
bool HasWarningLine(std::string_view text);

}  // namespace tarn
