// What a front end sees of a running "All", and how it stops one between two files. The walk
// tells the watch of every data file it opens, every section it hands on and every file it is
// done with; the watch passes the progress on to the front end's observer and, when the walk
// is done with a file, ends the run once a stop has been asked for, so that no file is left
// half read.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarn {

class FindingList;

struct RunProgress {
  std::int64_t files_read = 0;    // data files opened in this run, the one being read included
  std::string_view current_file;  // the file being read, as the log names it; empty before one
  std::int64_t warnings = 0;      // warnings (repairs included) the log received in this run
};

class ProgressObserver {
 public:
  virtual ~ProgressObserver() = default;
  // Called when a data file has been opened, after each of its sections and when the walk is
  // done with a file (read, skipped or refused), inside the walk:
  // it must be quick, must not write the log and must not raise. progress.current_file lives
  // until the next call.
  virtual void RunProgressed(const RunProgress& progress) = 0;
};

// Raised by RunWatch::FileDone once a stop has been asked for. It is no TarnError, so no error
// trap of the walk catches it: it unwinds the walk to the run's owner.
struct RunCancelled {
  std::string last_file;  // the last file the walk was done with, as the log names it
};

class RunWatch {
 public:
  // observer may be null. cancel is only read: once it is true the run ends at the end of the
  // file being read. findings holds every warning so far; the run's are those that come
  // after the watch is made. All must outlive the watch.
  RunWatch(ProgressObserver* observer, const std::atomic<bool>& cancel,
           const FindingList& findings);

  // The walk opened the data file path and is about to read its sections.
  void FileOpened(const std::string& path);
  // The walk handed a section of the current file on.
  void SectionDone();
  // The walk is done with path: read to its end, skipped or refused. Raises RunCancelled when
  // a stop has been asked for.
  void FileDone(const std::string& path);

 private:
  void Tell();

  ProgressObserver* observer_;
  const std::atomic<bool>& cancel_;
  const FindingList& findings_;
  const std::size_t findings_before_;
  std::int64_t files_read_ = 0;
  std::string current_file_;
};

}  // namespace tarn
