#include "walk/run_watch.h"

#include "log/findings.h"

namespace tarn {

RunWatch::RunWatch(ProgressObserver* observer, const std::atomic<bool>& cancel,
                   const FindingList& findings)
    : observer_(observer),
      cancel_(cancel),
      findings_(findings),
      findings_before_(findings.All().size()) {}

void RunWatch::FileOpened(const std::string& path) {
  ++files_read_;
  current_file_ = path;
  Tell();
}

void RunWatch::SectionDone() { Tell(); }

void RunWatch::FileDone(const std::string& path) {
  // A file that could not be read has just been warned about.
  Tell();
  // Relaxed is enough: the flag carries no data, and the walk only has to see it eventually.
  if (cancel_.load(std::memory_order_relaxed)) throw RunCancelled{path};
}

void RunWatch::Tell() {
  if (observer_ == nullptr) return;
  const auto warnings = static_cast<std::int64_t>(findings_.All().size() - findings_before_);
  observer_->RunProgressed(RunProgress{files_read_, current_file_, warnings});
}

}  // namespace tarn
