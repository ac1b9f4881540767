// The reports of one run: the FORMAT=FILE orders the user gave, checked before the run so that
// none replaces what the run owns or reads, then made from the run's findings and each written
// whole (FileSystem::WriteWholeFile), or to standard output for "-".
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "log/findings.h"
#include "report/formats.h"
#include "report/reported_finding.h"
#include "report/written_paths.h"

namespace tarn {

class FileSystem;

struct ReportOrder {
  ReportFormat format = ReportFormat::kJson;
  std::string file;  // "-": standard output
};

// Reads "FORMAT=FILE" into order; false, with the reason for the user in why, for anything
// else.
bool ParseReportOrder(const std::string& text, ReportOrder& order, std::string& why);

struct ReportOrders {
  std::vector<ReportOrder> reports;
  // A baseline to write: a JSON report whose paths are the game folder's own, whatever root.
  std::optional<std::string> baseline_file;
  std::string root;         // what report paths are relative to; empty: the game folder
  bool list_known = false;  // see ReportRun::list_known
};

class ReportWriter {
 public:
  // files and out (where "-" writes) must outlive the writer.
  ReportWriter(FileSystem& files, std::FILE* out, ReportOrders orders);

  // Why the orders may not be written, for the user: two of them name one file, or one
  // names what the run owns or reads (see CheckWrittenPaths); empty when all may be.
  std::string Refusal(const OwnedPlaces& places) const;

  // The findings as reports show them, made from findings (found in the game folder game;
  // they must outlive the writer), those whose fingerprint baseline holds marked known.
  // known_given: something may have made findings known (a baseline, known findings that
  // came with the rules), so reports tell new from known. Valid until the writer goes.
  const std::vector<ReportedFinding>& Report(std::span<const Finding> findings,
                                             const std::string& game,
                                             const std::vector<std::string>& baseline,
                                             bool known_given);
  // How many of the baseline's findings Report found no more.
  std::int64_t Fixed() const { return fixed_; }

  // Writes every report, then the baseline, each whole: one that cannot be written leaves
  // the file as it was. Returns why for each not written, naming it ("the report r.json
  // could not be written (...)"); empty when all were. Call after Report.
  std::vector<std::string> Write();

 private:
  // Writes text whole to path, or to out_ for "-"; the reason it could not, empty when
  // written.
  std::string WriteOne(const std::string& path, const std::string& text);

  FileSystem& files_;
  std::FILE* out_;
  const ReportOrders orders_;
  std::span<const Finding> found_;
  ReportPlace place_;
  bool known_given_ = false;
  std::vector<ReportedFinding> reported_;
  std::int64_t fixed_ = 0;
};

}  // namespace tarn
