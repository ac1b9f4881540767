#include "report/formats.h"

#include <charconv>
#include <filesystem>
#include <unordered_map>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/version.h"
#include "report/finding_detail.h"
#include "report/json_text.h"

namespace tarn {

namespace {

namespace fs = std::filesystem;

// The warning numbers reports know as rules, with "repair" for a repaired line.
constexpr std::int32_t kRuleNumbers[] = {
    10101, 10104, 10201, 10202, 10203, 10204, 10205, 10206, 10207, 10208, 10209, 10210, 10211,
    10212, 10301, 10302, 10303, 10304, 10305, 10306, 10401, 10402, 10404, 10405, 10406, 10407};
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

// The report's root as a URI; the place's folders made absolute where it has them.
std::string RootUri(const ReportPlace& place) {
  const std::string& given = place.root.empty() ? place.game : place.root;
  const std::string& made = place.root.empty() ? place.absolute_game : place.absolute_root;
  std::string absolute = fs::path(made.empty() ? given : made).lexically_normal().generic_string();
  if (absolute.empty() || absolute.back() != '/') absolute += '/';
  return "file://" + UriPath(absolute);
}

const char* State(const ReportedFinding& finding) { return finding.known ? "unchanged" : "new"; }

void AppendNumber(std::string& out, std::int64_t number) {
  char buffer[24];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, number);
  out.append(buffer, end);
}

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
  AppendJsonUtf8(out, RootUri(run.place));
  out += "}},\n      \"results\": [";
  out.reserve(out.size() + findings.size() * 600);
  std::unordered_map<std::string_view, std::size_t> rule_index;
  for (std::size_t i = 0; i < ids.size(); ++i) rule_index.emplace(ids[i], i);
  bool first = true;
  std::string message;
  for (const ReportedFinding& r : findings) {
    const Finding& f = *r.finding;
    const auto known_rule = rule_index.find(r.rule);
    const std::size_t index = known_rule == rule_index.end() ? ids.size() : known_rule->second;
    out += first ? "\n" : ",\n";
    first = false;
    out += "        {\"ruleId\": \"";
    out += r.rule;
    out += "\", \"ruleIndex\": ";
    AppendNumber(out, static_cast<std::int64_t>(index));
    out += ", \"level\": \"warning\", \"message\": {\"text\": ";
    message.assign(r.text).append(": ");
    AppendFindingDetail(r, message);
    if (message.back() != '?') message.append(".");
    AppendJsonString(out, message);
    out += "}, \"locations\": [{\"physicalLocation\": {\"artifactLocation\": {\"uri\": \"";
    AppendUriPath(out, r.path);  // nothing in a URI needs a JSON escape
    out += "\", \"uriBaseId\": \"GAMEROOT\"}";
    if (r.line > 0) {
      out += ", \"region\": {\"startLine\": ";
      AppendNumber(out, r.line);
      out += "}";
    }
    out += "}}], \"partialFingerprints\": {\"tarn/v1\": \"";
    out += r.fingerprint;
    out += "\"}";
    if (run.baseline) {
      out += ", \"baselineState\": \"";
      out += State(r);
      out += "\"";
    }
    out += ", \"properties\": {\"logFile\": ";
    AppendJsonString(out, f.file);
    out += ", \"logLine\": ";
    AppendNumber(out, f.line);
    out += ", \"section\": ";
    AppendJsonString(out, f.section);
    out += ", \"key\": ";
    AppendJsonString(out, f.key);
    out += ", \"value\": ";
    AppendJsonString(out, f.value);
    out += ", \"textFormLine\": ";
    out += f.binary ? "true" : "false";
    if (!f.hint.empty()) {
      out += ", \"hint\": ";
      AppendJsonString(out, f.hint);
    }
    out += "}}";
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
  out.reserve(out.size() + findings.size() * 480);
  bool first = true;
  for (const ReportedFinding& r : findings) {
    const Finding& f = *r.finding;
    out += first ? "\n" : ",\n";
    first = false;
    out += "    {\"rule\": \"";
    out += r.rule;
    out += "\", \"number\": ";
    if (f.kind == Finding::Kind::kRepair) {
      out += "null";
    } else {
      AppendNumber(out, f.number);
    }
    out += ", \"text\": ";
    AppendJsonString(out, r.text);
    out += ", \"path\": ";
    AppendJsonString(out, r.path);
    out += ", \"line\": ";
    AppendNumber(out, r.line);
    out += ", \"textForm\": ";
    out += f.binary ? "true" : "false";
    out += ",\n     \"log\": {\"file\": ";
    AppendJsonString(out, f.file);
    out += ", \"line\": ";
    AppendNumber(out, f.line);
    out += "}, \"section\": ";
    AppendJsonString(out, f.section);
    out += ", \"sectionLine\": ";
    AppendNumber(out, f.section_line);
    out += ", \"index\": ";
    AppendNumber(out, f.index);
    out += ", \"key\": ";
    AppendJsonString(out, f.key);
    out += ", \"value\": ";
    AppendJsonString(out, f.value);
    if (f.kind == Finding::Kind::kReference) {
      // Relative to the game folder, as the other fields of the finding: the report of a copy
      // of the folder elsewhere reads the same; "log" keeps the log's own form.
      out += ",\n     \"reference\": {\"file\": ";
      AppendJsonString(out, GameRelative(f.file, run.place.game));
      out += ", \"line\": ";
      AppendNumber(out, f.line);
      out += ", \"section\": ";
      AppendJsonString(out, f.section);
      out += ", \"key\": ";
      AppendJsonString(out, f.key);
      out += ", \"position\": ";
      AppendNumber(out, f.index);
      out += ", \"target\": ";
      AppendJsonString(out, GameRelative(f.target, run.place.game));
      // Why the file was refused when that is more than its missing: the SARIF message says
      // it too.
      if (!f.reason.empty()) {
        out += ", \"reason\": ";
        AppendJsonString(out, f.reason);
      }
      out += "}";
    } else if (f.kind == Finding::Kind::kUnknownName) {
      out += ", \"names\": ";
      AppendJsonString(out, f.target);
    }
    if (!f.hint.empty()) {
      out += ", \"hint\": ";
      AppendJsonString(out, f.hint);
    }
    out += ",\n     \"fingerprint\": \"";
    out += r.fingerprint;
    out += "\", \"baselineState\": \"";
    out += State(r);
    out += "\"}";
  }
  out += "\n  ]\n}\n";
  return out;
}

std::string Title(const ReportedFinding& r) {
  return r.rule == kRepairRule ? std::string(kRepairRule) : r.rule + " " + r.text;
}

// Appends a line of the game's code page as UTF-8.
void AppendUtf8(std::string& out, std::string_view cp1252) {
  for (char c : cp1252) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      out += Cp1252ToUtf8(cp1252);
      return;
    }
  }
  out += cp1252;
}

std::string LeftOut(std::int64_t known) {
  return std::to_string(known) + (known == 1 ? " known finding" : " known findings") +
         " left out (--report-known lists them)";
}

std::string Text(const std::vector<ReportedFinding>& findings, const ReportRun& run) {
  std::string out;
  out.reserve(findings.size() * 120);
  std::string line;
  std::int64_t left_out = 0;
  for (const ReportedFinding& r : findings) {
    if (r.known && !run.list_known) {
      ++left_out;
      continue;
    }
    line.assign(r.path);
    if (r.line > 0) line.append(":").append(std::to_string(r.line));
    line.append(": warning: ").append(Title(r)).append(": ");
    AppendFindingDetail(r, line);
    AppendUtf8(out, line);
    out += '\n';
  }
  if (left_out > 0) out += "note: " + LeftOut(left_out) + "\n";
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

std::string Github(const std::vector<ReportedFinding>& findings, const ReportRun& run) {
  std::string out;
  out.reserve(findings.size() * 140);
  std::string line, detail;
  std::int64_t left_out = 0;
  for (const ReportedFinding& r : findings) {
    // GitHub shows only the first annotations of a step: known ones would hide the new.
    if (r.known && !run.list_known) {
      ++left_out;
      continue;
    }
    line.assign("::warning file=").append(Escaped(r.path, true));
    if (r.line > 0) line.append(",line=").append(std::to_string(r.line));
    detail.clear();
    AppendFindingDetail(r, detail);
    line.append(",title=").append(Escaped(Title(r), true)).append("::");
    line.append(Escaped(detail, false));
    AppendUtf8(out, line);
    out += '\n';
  }
  if (left_out > 0) out += "::notice::" + LeftOut(left_out) + "\n";
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

std::string FormatReport(ReportFormat format, const std::vector<ReportedFinding>& findings,
                         const ReportRun& run) {
  switch (format) {
    case ReportFormat::kSarif:
      return Sarif(findings, run);
    case ReportFormat::kJson:
      return Json(findings, run);
    case ReportFormat::kText:
      return Text(findings, run);
    case ReportFormat::kGithub:
      return Github(findings, run);
  }
  return {};
}

}  // namespace tarn
