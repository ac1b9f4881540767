#include "report/formats.h"

#include <filesystem>

#include "report/json_text.h"
#include "shell/codepage.h"
#include "shell/error.h"
#include "shell/version.h"

namespace tarn {

namespace {

namespace fs = std::filesystem;

// The warning numbers reports know as rules, with "repair" for a repaired line.
constexpr std::int32_t kRuleNumbers[] = {10101, 10104, 10201, 10202, 10203, 10204, 10205,
                                         10206, 10207, 10208, 10209, 10210, 10211, 10212,
                                         10301, 10302, 10303, 10304, 10305, 10306, 10402};
constexpr const char* kRepairRule = "repair";

std::string Jstr(std::string_view cp1252) {
  std::string out;
  AppendJsonString(out, cp1252);
  return out;
}

// "Unknown Entry" as a rule name: "UnknownEntry".
std::string RuleName(std::string_view text) {
  std::string name;
  bool upper = true;
  for (char c : text) {
    if (c == ' ' || c == '-') {
      upper = true;
      continue;
    }
    name += upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    upper = false;
  }
  return name;
}

std::string FileUri(const std::string& folder) {
  std::string absolute = fs::absolute(folder).lexically_normal().generic_string();
  if (absolute.empty() || absolute.back() != '/') absolute += '/';
  return "file://" + UriPath(absolute);
}

const char* State(const ReportedFinding& finding) { return finding.known ? "unchanged" : "new"; }

std::string Sarif(const std::vector<ReportedFinding>& findings, const ReportRun& run) {
  std::string out =
      "{\n  \"$schema\": \"https://json.schemastore.org/sarif-2.1.0.json\",\n"
      "  \"version\": \"2.1.0\",\n  \"runs\": [\n    {\n      \"tool\": {\n"
      "        \"driver\": {\n          \"name\": \"TARN\",\n          \"version\": \"" +
      VersionText() + "\",\n          \"semanticVersion\": \"" + VersionText() +
      "\",\n          \"rules\": [";
  std::vector<std::string> ids;
  for (std::int32_t number : kRuleNumbers) ids.push_back(std::to_string(number));
  ids.push_back(kRepairRule);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const std::string text =
        ids[i] == kRepairRule ? "Malformed line repaired" : RuleText(std::stoi(ids[i]));
    out += i == 0 ? "\n" : ",\n";
    out += "            {\"id\": \"" + ids[i] + "\", \"name\": \"" + RuleName(text) +
           "\", \"shortDescription\": {\"text\": " + Jstr(text) +
           "}, \"defaultConfiguration\": {\"level\": \"warning\"}}";
  }
  out += "\n          ]\n        }\n      },\n";
  out += "      \"originalUriBaseIds\": {\"GAMEROOT\": {\"uri\": ";
  AppendJsonUtf8(out, FileUri(run.place.root.empty() ? run.place.game : run.place.root));
  out += "}},\n      \"results\": [";
  bool first = true;
  for (const ReportedFinding& r : findings) {
    const Finding& f = *r.finding;
    std::size_t index = 0;
    while (index < ids.size() && ids[index] != r.rule) ++index;
    out += first ? "\n" : ",\n";
    first = false;
    out += "        {\"ruleId\": \"" + r.rule + "\", \"ruleIndex\": " + std::to_string(index) +
           ", \"level\": \"warning\", \"message\": {\"text\": " +
           Jstr(r.text + ": " + FindingDetail(r) + ".") + "}, ";
    out += "\"locations\": [{\"physicalLocation\": {\"artifactLocation\": {\"uri\": ";
    AppendJsonUtf8(out, UriPath(r.path));
    out += ", \"uriBaseId\": \"GAMEROOT\"}";
    if (r.line > 0) out += ", \"region\": {\"startLine\": " + std::to_string(r.line) + "}";
    out += "}}], \"partialFingerprints\": {\"tarn/v1\": \"" + r.fingerprint + "\"}";
    if (run.baseline) out += std::string(", \"baselineState\": \"") + State(r) + "\"";
    out += ", \"properties\": {\"logFile\": " + Jstr(f.file) +
           ", \"logLine\": " + std::to_string(f.line) + ", \"section\": " + Jstr(f.section) +
           ", \"key\": " + Jstr(f.key) + ", \"value\": " + Jstr(f.value) +
           ", \"textFormLine\": " + (f.binary ? "true" : "false") + "}}";
  }
  out += "\n      ]\n    }\n  ]\n}\n";
  return out;
}

std::string Json(const std::vector<ReportedFinding>& findings, const ReportRun& run) {
  std::int64_t known = 0;
  for (const ReportedFinding& r : findings) known += r.known ? 1 : 0;
  std::string out = "{\n  \"format\": \"tarn-findings\",\n  \"version\": 1,\n";
  out += "  \"tool\": {\"name\": \"TARN\", \"version\": \"" + VersionText() + "\"},\n";
  out += "  \"game\": " + Jstr(run.place.game) +
         ",\n  \"root\": " + Jstr(run.place.root.empty() ? run.place.game : run.place.root) + ",\n";
  out += "  \"summary\": {\"findings\": " + std::to_string(findings.size()) +
         ", \"new\": " + std::to_string(static_cast<std::int64_t>(findings.size()) - known) +
         ", \"known\": " + std::to_string(known) + ", \"fixed\": " + std::to_string(run.fixed) +
         "},\n  \"findings\": [";
  bool first = true;
  for (const ReportedFinding& r : findings) {
    const Finding& f = *r.finding;
    out += first ? "\n" : ",\n";
    first = false;
    out += "    {\"rule\": \"" + r.rule + "\", \"number\": " +
           (f.kind == Finding::Kind::kRepair ? "null" : std::to_string(f.number)) +
           ", \"text\": " + Jstr(r.text) + ", \"path\": " + Jstr(r.path) +
           ", \"line\": " + std::to_string(r.line) +
           ", \"textForm\": " + (f.binary ? "true" : "false") +
           ",\n     \"log\": {\"file\": " + Jstr(f.file) + ", \"line\": " + std::to_string(f.line) +
           "}, \"section\": " + Jstr(f.section) +
           ", \"sectionLine\": " + std::to_string(f.section_line) +
           ", \"index\": " + std::to_string(f.index) + ", \"key\": " + Jstr(f.key) +
           ", \"value\": " + Jstr(f.value);
    if (f.kind == Finding::Kind::kReference) {
      out += ",\n     \"reference\": {\"file\": " + Jstr(f.file) +
             ", \"line\": " + std::to_string(f.line) + ", \"section\": " + Jstr(f.section) +
             ", \"key\": " + Jstr(f.key) + ", \"position\": " + std::to_string(f.index) +
             ", \"target\": " + Jstr(f.target) + "}";
    }
    out += ",\n     \"fingerprint\": \"" + r.fingerprint + "\", \"baselineState\": \"" + State(r) +
           "\"}";
  }
  out += "\n  ]\n}\n";
  return out;
}

std::string Where(const ReportedFinding& r) {
  return r.line > 0 ? r.path + ":" + std::to_string(r.line) : r.path;
}

std::string Title(const ReportedFinding& r) {
  return r.rule == kRepairRule ? std::string(kRepairRule) : r.rule + " " + r.text;
}

std::string Text(const std::vector<ReportedFinding>& findings) {
  std::string out;
  for (const ReportedFinding& r : findings) {
    out += Cp1252ToUtf8(Where(r) + ": warning: " + Title(r) + ": " + FindingDetail(r)) + "\n";
  }
  return out;
}

// Workflow commands end at a line end, and their properties at "," and ":".
std::string Escaped(std::string_view text, bool property) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '%':
        out += "%25";
        break;
      case '\r':
        out += "%0D";
        break;
      case '\n':
        out += "%0A";
        break;
      case ':':
        out += property ? "%3A" : ":";
        break;
      case ',':
        out += property ? "%2C" : ",";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Github(const std::vector<ReportedFinding>& findings) {
  std::string out;
  for (const ReportedFinding& r : findings) {
    std::string line = "::warning file=" + Escaped(r.path, true);
    if (r.line > 0) line += ",line=" + std::to_string(r.line);
    line += ",title=" + Escaped(Title(r), true) + "::" + Escaped(FindingDetail(r), false);
    out += Cp1252ToUtf8(line) + "\n";
  }
  return out;
}

}  // namespace

std::optional<ReportFormat> ReportFormatNamed(const std::string& name) {
  if (name == "sarif") return ReportFormat::kSarif;
  if (name == "json") return ReportFormat::kJson;
  if (name == "text") return ReportFormat::kText;
  if (name == "github") return ReportFormat::kGithub;
  return std::nullopt;
}

std::string FindingDetail(const ReportedFinding& r) {
  const Finding& f = *r.finding;
  std::string detail;
  switch (f.kind) {
    case Finding::Kind::kRepair:
      detail = f.value;
      for (char& c : detail) {
        if (c == '\n') c = ';';
      }
      break;
    case Finding::Kind::kReference:
      detail = f.line == 0 ? "named in _bc_OtherINI: " + f.value
                           : f.key + " = " + f.value + " [" + f.section + "]";
      break;
    case Finding::Kind::kSectionLine:
      if (f.number == kErrNoClosingBracket) {
        detail = f.key;  // the header as written
        break;
      }
      detail = f.value.empty() ? f.key : f.key + " = " + f.value;
      detail += " [" + f.section + "]";
      break;
  }
  if (f.binary) detail += " (line of the binary file's text form)";
  return detail;
}

std::string FormatReport(ReportFormat format, const std::vector<ReportedFinding>& findings,
                         const ReportRun& run) {
  switch (format) {
    case ReportFormat::kSarif:
      return Sarif(findings, run);
    case ReportFormat::kJson:
      return Json(findings, run);
    case ReportFormat::kText:
      return Text(findings);
    case ReportFormat::kGithub:
      return Github(findings);
  }
  return {};
}

}  // namespace tarn
