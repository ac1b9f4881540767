// The command line's front end: the log box is standard output (never cut), message boxes
// go to standard error, and there are no events to process.
#pragma once

#include <string>
#include <string_view>

#include "log/front_end.h"

namespace tarn {

class CliFrontEnd : public FrontEnd {
 public:
  CliFrontEnd(bool quiet, RunStats* stats) : quiet_(quiet), stats_(stats) {}

  void AppendToLogBox(std::string_view text, bool may_cut) override;
  void ShowMessageBox(std::string_view text) override;
  void ProcessEvents() override {}
  RunStats* Stats() override { return stats_; }

  // The last error block the log received ("Error : ..." and its three lines), LF between
  // its lines; empty when there was none.
  const std::string& LastErrorBlock() const { return last_error_block_; }

 private:
  bool quiet_;
  RunStats* stats_;
  std::string last_error_block_;
};

}  // namespace tarn
