// The command line's front end: the log box is standard output (never cut), message boxes
// go to standard error, and there are no events to process.
#pragma once

#include <string_view>

#include "shell/front_end.h"

namespace tarn {

class CliFrontEnd : public FrontEnd {
 public:
  CliFrontEnd(bool quiet, RunStats* stats) : quiet_(quiet), stats_(stats) {}

  void AppendToLogBox(std::string_view text, bool may_cut) override;
  void ShowMessageBox(std::string_view text) override;
  void ProcessEvents() override {}
  RunStats* Stats() override { return stats_; }

  // True once the log file received a line beginning with "WARN: File ".
  bool SawWarning() const { return saw_warning_; }

 private:
  bool quiet_;
  RunStats* stats_;
  bool saw_warning_ = false;
};

// True when a line of text (lines ending CR LF) begins with "WARN: File ".
bool HasWarningLine(std::string_view text);

}  // namespace tarn
