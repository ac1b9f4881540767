#include "report/finding_detail.h"

#include <cstdint>
#include <string_view>

#include "log/findings.h"
#include "platform/error.h"

namespace tarn {

namespace {

// At most this many of the kinds an unknown name may name are listed, the rest counted.
constexpr int kListedKinds = 3;

void AppendKinds(std::string_view kinds, std::string& detail) {
  constexpr std::string_view kBar = " | ";
  std::size_t at = 0;
  for (int listed = 0; listed < kListedKinds; ++listed) {
    const std::size_t end = kinds.find(kBar, at);
    if (end == std::string_view::npos) {
      detail.append(kinds);
      return;
    }
    at = end + kBar.size();
  }
  std::int64_t more = 1;
  for (std::size_t bar = kinds.find(kBar, at); bar != std::string_view::npos;
       bar = kinds.find(kBar, bar + kBar.size())) {
    ++more;
  }
  detail.append(kinds.substr(0, at - kBar.size())).append(kBar);
  detail.append(std::to_string(more)).append(" more");
}

}  // namespace

std::string FindingDetail(const ReportedFinding& r) {
  std::string detail;
  AppendFindingDetail(r, detail);
  return detail;
}

void AppendFindingDetail(const ReportedFinding& r, std::string& detail) {
  const Finding& f = *r.finding;
  switch (f.kind) {
    case Finding::Kind::kRepair:
      for (char c : f.value) {
        if (c == '\n') {
          detail += "; ";
        } else {
          detail += c;
        }
      }
      if (!f.section.empty()) detail.append(" [").append(f.section).append("]");
      break;
    case Finding::Kind::kReference:
      if (f.line == 0) {
        detail.append("named in _bc_OtherINI: ").append(f.value);
      } else {
        detail.append(f.key).append(" = ").append(f.value);
        detail.append(" [").append(f.section).append("]");
      }
      if (!f.reason.empty()) detail.append(": ").append(f.reason);
      break;
    case Finding::Kind::kFile:
      detail.append(f.value).append(f.number == kErrLineTooLong ? " bytes in one line" : " bytes");
      detail.append(", over the limit of ").append(f.key);
      break;
    case Finding::Kind::kUnknownName:
      detail.append(f.key).append(" = ").append(f.value);
      detail.append(" [").append(f.section).append("]: no ");
      AppendKinds(f.target, detail);
      detail.append(" has this name");
      break;
    case Finding::Kind::kSectionLine:
      if (f.number == kErrNoClosingBracket) {
        detail.append(f.key);  // the header as written
        break;
      }
      detail.append(f.key);
      if (!f.value.empty()) detail.append(" = ").append(f.value);
      detail.append(" [").append(f.section).append("]");
      break;
  }
  if (!f.hint.empty()) detail.append("; did you mean `").append(f.hint).append("`?");
  if (f.binary) detail.append(" (line of the binary file's text form)");
}

}  // namespace tarn
