#include "report/baseline.h"

#include <fstream>
#include <sstream>
#include <unordered_map>

#include "datadb/database.h"
#include "shell/error.h"

namespace tarn {

namespace {

// SQLite reads the JSON: a baseline is read once a run, and SQLite is at hand.
constexpr const char* kFingerprints = R"sql(
SELECT json_extract(value, '$.fingerprint') FROM json_each(?1, '$.findings')
UNION ALL
SELECT json_extract(result.value, '$.partialFingerprints."tarn/v1"')
  FROM json_each(?1, '$.runs') AS run, json_each(run.value, '$.results') AS result
)sql";

}  // namespace

std::vector<std::string> ReadBaseline(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  if (!in) throw BaselineError("cannot read the baseline " + path);
  std::vector<std::string> fingerprints;
  try {
    Database db = Database::Open(":memory:", Database::Mode::kCreate);
    Statement rows = db.Prepare(kFingerprints);
    rows.BindText(1, text.str());
    bool any = false;
    while (rows.Step()) {
      any = true;
      if (!rows.IsNull(0)) fingerprints.push_back(rows.Text(0));
    }
    if (!any && text.str().find("\"findings\"") == std::string::npos &&
        text.str().find("\"runs\"") == std::string::npos) {
      throw BaselineError("the baseline " + path + " is neither a JSON nor a SARIF report");
    }
  } catch (const TarnError& error) {
    throw BaselineError("the baseline " + path + " is not a report TARN can read: " +
                        error.Description());
  }
  return fingerprints;
}

std::int64_t ApplyBaseline(std::vector<ReportedFinding>& findings,
                           const std::vector<std::string>& baseline) {
  std::unordered_map<std::string, std::int64_t> left;
  for (const std::string& fingerprint : baseline) ++left[fingerprint];
  for (ReportedFinding& finding : findings) {
    auto at = left.find(finding.fingerprint);
    finding.known = at != left.end() && at->second > 0;
    if (finding.known) --at->second;
  }
  std::int64_t fixed = 0;
  for (const auto& [fingerprint, count] : left) fixed += count;
  return fixed;
}

}  // namespace tarn
