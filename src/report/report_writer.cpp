#include "report/report_writer.h"

#include <cerrno>
#include <utility>

#include "platform/error.h"
#include "platform/file_system.h"
#include "report/baseline.h"

namespace tarn {

bool ParseReportOrder(const std::string& text, ReportOrder& order, std::string& why) {
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos || equals + 1 == text.size()) {
    why = "--report wants FORMAT=FILE, not \"" + text + "\"";
    return false;
  }
  auto format = ReportFormatNamed(text.substr(0, equals));
  if (!format) {
    why = "--report: no format \"" + text.substr(0, equals) + "\" (sarif, json, text, github)";
    return false;
  }
  order = {*format, text.substr(equals + 1)};
  return true;
}

ReportWriter::ReportWriter(FileSystem& files, std::FILE* out, ReportOrders orders)
    : files_(files), out_(out), orders_(std::move(orders)) {}

std::string ReportWriter::Refusal(const OwnedPlaces& places) const {
  std::vector<std::string> paths;
  for (const ReportOrder& order : orders_.reports) paths.push_back(order.file);
  if (orders_.baseline_file) paths.push_back(*orders_.baseline_file);
  const std::string refused = CheckWrittenPaths(files_, places, paths);
  return refused.empty() ? refused : "will not write " + refused;
}

const std::vector<ReportedFinding>& ReportWriter::Report(std::span<const Finding> findings,
                                                         const std::string& game,
                                                         const std::vector<std::string>& baseline,
                                                         bool known_given) {
  found_ = findings;
  known_given_ = known_given;
  place_ = PlaceReports(files_, game, orders_.root);
  reported_ = ReportFindings(findings, place_);
  fixed_ = ApplyBaseline(reported_, baseline);
  return reported_;
}

std::vector<std::string> ReportWriter::Write() {
  std::vector<std::string> failed;
  const ReportRun run{place_, known_given_, fixed_, orders_.list_known};
  for (const ReportOrder& order : orders_.reports) {
    const std::string why = WriteOne(order.file, FormatReport(order.format, reported_, run));
    if (!why.empty()) {
      failed.push_back("the report " + order.file + " could not be written (" + why + ")");
    }
  }
  if (orders_.baseline_file) {
    // A baseline holds paths relative to the game folder and leaves out what made findings
    // known; where the reports' findings are such, it takes them as they are.
    const ReportPlace own_place = PlaceReports(files_, place_.game, "");
    const bool as_reported = orders_.root.empty() && !known_given_;
    const std::string why = WriteOne(
        *orders_.baseline_file,
        FormatReport(ReportFormat::kJson,
                     as_reported ? reported_ : ReportFindings(found_, own_place), {own_place}));
    if (!why.empty()) {
      failed.push_back("the baseline " + *orders_.baseline_file + " could not be written (" + why +
                       ")");
    }
  }
  return failed;
}

std::string ReportWriter::WriteOne(const std::string& path, const std::string& text) {
  if (path == "-") {
    std::fwrite(text.data(), 1, text.size(), out_);
    return std::fflush(out_) == 0 ? std::string() : SystemErrorText(errno);
  }
  try {
    files_.WriteWholeFile(path, text);
  } catch (const TarnError& error) {
    return error.Description();
  }
  return {};
}

}  // namespace tarn
