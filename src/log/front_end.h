// What the core asks of the program's front end (the window, the command line, or a test):
// the log box that shows every log line, the modal message box, the pump of pending events,
// and how the program ends. The core never knows which front end it runs under.
#pragma once

#include <string_view>

namespace tarn {

class RunStats;

// Thrown by EndProgram. It is not a TarnError, so no error trap of the core catches it; the
// front end that started the command catches it and decides what ending means.
struct ProgramEnd {
  int status;
};

// Exit status of a run that ended on a fatal error.
inline constexpr int kFatalStatus = 3;

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;

  // Adds text (8-bit code page 1252 bytes, lines ending CR LF) to the log box. When may_cut
  // is true the box applies its own size rule before appending; the failure lines of the
  // log writer are added with may_cut false.
  virtual void AppendToLogBox(std::string_view text, bool may_cut) = 0;

  // Shows a modal box with only an OK button and the caption "TARN"; returns when closed.
  virtual void ShowMessageBox(std::string_view text) = 0;

  // Lets the front end repaint and take input; called once per section read.
  virtual void ProcessEvents() = 0;

  // Where the core records how its time is spent; null when the front end does not ask.
  virtual RunStats* Stats() { return nullptr; }
};

// Ends the program at once: no further handler runs and the settings are not saved.
[[noreturn]] inline void EndProgram(int status = kFatalStatus) { throw ProgramEnd{status}; }

}  // namespace tarn
