#include "report/baseline.h"

#include <unordered_map>

#include <nlohmann/json.hpp>

#include "datadb/database.h"
#include "platform/error.h"

namespace tarn {

namespace {

// SQLite reads the JSON: a baseline is read once a run, and SQLite is at hand. Every query
// looks inside a value only after its type says it is an object (CASE stops there), since
// json_each hands out strings unquoted and those are no JSON text.
constexpr const char* kTop =
    "SELECT json_type(?1), json_type(?1, '$.findings'), json_type(?1, '$.runs')";
constexpr const char* kFindings = R"sql(
SELECT key, type,
       CASE WHEN type = 'object' THEN json_type(value, '$.fingerprint') END,
       CASE WHEN type = 'object' THEN json_extract(value, '$.fingerprint') END
  FROM json_each(?1, '$.findings')
)sql";
constexpr const char* kRuns = R"sql(
SELECT key, type, CASE WHEN type = 'object' THEN json_type(value, '$.results') END
  FROM json_each(?1, '$.runs')
)sql";
constexpr const char* kResults = R"sql(
SELECT run.key, result.key, result.type,
       CASE WHEN result.type = 'object'
            THEN json_type(result.value, '$.partialFingerprints."tarn/v1"') END,
       CASE WHEN result.type = 'object'
            THEN json_extract(result.value, '$.partialFingerprints."tarn/v1"') END
  FROM json_each(?1, '$.runs') AS run, json_each(run.value, '$.results') AS result
)sql";

[[noreturn]] void Wrong(const std::string& what) { throw BaselineError(what); }

std::string Nullable(const Statement& row, int column) {
  return row.IsNull(column) ? std::string() : row.Text(column);
}

void ReadFindings(Database& db, std::string_view text, std::vector<std::string>& fingerprints) {
  Statement rows = db.Prepare(kFindings);
  rows.BindStaticText(1, text);
  while (rows.Step()) {
    const std::string at = "findings[" + rows.Text(0) + "]";
    if (rows.Text(1) != "object") Wrong(at + " is not an object");
    if (Nullable(rows, 2) != "text") Wrong(at + " has no string \"fingerprint\"");
    fingerprints.push_back(rows.Text(3));
  }
}

void ReadResults(Database& db, std::string_view text, std::vector<std::string>& fingerprints) {
  Statement runs = db.Prepare(kRuns);
  runs.BindStaticText(1, text);
  while (runs.Step()) {
    const std::string at = "runs[" + runs.Text(0) + "]";
    if (runs.Text(1) != "object") Wrong(at + " is not an object");
    if (Nullable(runs, 2) != "array") Wrong(at + ".results is not an array");
  }
  Statement results = db.Prepare(kResults);
  results.BindStaticText(1, text);
  while (results.Step()) {
    const std::string at = "runs[" + results.Text(0) + "].results[" + results.Text(1) + "]";
    if (results.Text(2) != "object") Wrong(at + " is not an object");
    // Results of other tools, merged into one file, carry no fingerprint of TARN's.
    const std::string type = Nullable(results, 3);
    if (type.empty()) continue;
    if (type != "text") Wrong(at + " has a \"tarn/v1\" fingerprint that is not a string");
    fingerprints.push_back(results.Text(4));
  }
}

}  // namespace

std::vector<std::string> ParseBaseline(std::string_view text) {
  std::vector<std::string> fingerprints;
  if (text.empty()) return fingerprints;
  try {
    // The JSON library judges the syntax first: the SQLite of Debian 12 takes some texts that
    // are no JSON (an object where a name belongs) for JSON, and its path functions then read
    // outside the text.
    if (!nlohmann::json::accept(text.begin(), text.end())) Wrong("it is not JSON");
    Database db = Database::Open(":memory:", Database::Mode::kCreate);
    Statement top = db.Prepare(kTop);
    top.BindStaticText(1, text);
    top.Step();
    if (top.Text(0) != "object") Wrong("it is not a JSON object");
    const std::string findings = Nullable(top, 1), runs = Nullable(top, 2);
    if (findings.empty() && runs.empty()) {
      Wrong("it has neither \"findings\" (a JSON report) nor \"runs\" (a SARIF report)");
    }
    if (!findings.empty() && findings != "array") Wrong("\"findings\" is not an array");
    if (!runs.empty() && runs != "array") Wrong("\"runs\" is not an array");
    ReadFindings(db, text, fingerprints);
    ReadResults(db, text, fingerprints);
  } catch (const TarnError& error) {
    Wrong(error.Description());
  }
  return fingerprints;
}

std::vector<std::string> ReadBaseline(FileSystem& files, const std::string& path,
                                      std::int64_t max_bytes) {
  const std::string name = "the baseline " + path;
  std::string text;
  try {
    text = files.ReadWholeInput(path, max_bytes);
  } catch (const LimitError& error) {
    throw BaselineError(name + " is more than the limit of " + std::to_string(error.Limit()) +
                        " bytes (--max-file-size)");
  } catch (const TarnError& error) {
    throw BaselineError(name + " " + error.Description());
  }
  try {
    return ParseBaseline(text);
  } catch (const BaselineError& error) {
    throw BaselineError(name + " is not a report TARN can read: " + error.what());
  }
}

std::int64_t ApplyBaseline(std::vector<ReportedFinding>& findings,
                           const std::vector<std::string>& baseline) {
  std::unordered_map<std::string, std::int64_t> left;
  for (const std::string& fingerprint : baseline) ++left[fingerprint];
  auto take = [&left](const std::string& fingerprint) {
    auto at = left.find(fingerprint);
    if (at == left.end() || at->second == 0) return false;
    --at->second;
    return true;
  };
  for (ReportedFinding& finding : findings) finding.known = take(finding.fingerprint);
  // Former fingerprints once every current one has had its match: a finding that a baseline
  // names in both forms takes the current one.
  for (ReportedFinding& finding : findings) {
    for (const std::string& former : finding.former_fingerprints) {
      if (finding.known) break;
      finding.known = take(former);
    }
  }
  std::int64_t fixed = 0;
  for (const auto& [fingerprint, count] : left) fixed += count;
  return fixed;
}

}  // namespace tarn
