#include "report/reported_finding.h"

#include <cstdio>
#include <filesystem>
#include <unordered_map>

#include "shell/ascii_case.h"
#include "shell/error.h"

namespace tarn {

namespace {

namespace fs = std::filesystem;

std::string Hex(std::uint64_t hash) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

// FNV-1a over the parts, each ended by a byte no part holds.
std::uint64_t Hash(std::initializer_list<std::string_view> parts) {
  std::uint64_t hash = 14695981039346656037u;
  for (std::string_view part : parts) {
    for (char c : part) {
      hash ^= static_cast<unsigned char>(c);
      hash *= 1099511628211u;
    }
    hash ^= 0x1f;
    hash *= 1099511628211u;
  }
  return hash;
}

// Where a finding points: the line at fault, or for a file that cannot be read and that no
// line names (a file of _bc_OtherINI), that file.
void Locate(const Finding& finding, const std::string& game, std::string& path,
            std::int32_t& line) {
  if (!finding.disk_file.empty()) {
    path = GameRelative(finding.disk_file, game);
    line = finding.editor_line;
  } else if (finding.kind == Finding::Kind::kReference && !finding.target.empty() &&
             finding.line == 0) {
    path = GameRelative(finding.target, game);
    line = 0;
  } else {
    path = GameRelative(finding.file, game);
    line = finding.line;
  }
}

std::string RelativeTo(const std::string& game_relative, const ReportPlace& place) {
  if (place.root.empty()) return game_relative;
  const fs::path file = (fs::absolute(place.game) / game_relative).lexically_normal();
  const fs::path root = fs::absolute(place.root).lexically_normal();
  return file.lexically_relative(root).generic_string();
}

}  // namespace

std::string RuleText(std::int32_t number) {
  std::string text = WarningText(number);
  const std::string prefix = std::to_string(number) + " - ";
  return text.starts_with(prefix) ? text.substr(prefix.size()) : text;
}

std::string GameRelative(const std::string& path, const std::string& game) {
  // The walk's paths are the game folder and what follows; a file found on disk differs from
  // the path asked for only in letter case.
  if (game.empty() || path.size() <= game.size() ||
      !EqualsIgnoringAsciiCase(std::string_view(path).substr(0, game.size()), game)) {
    return path;
  }
  std::size_t start = game.size();
  while (start < path.size() && path[start] == '/') ++start;
  return path.substr(start);
}

std::vector<ReportedFinding> ReportFindings(const std::vector<Finding>& findings,
                                            const ReportPlace& place) {
  std::vector<ReportedFinding> reported;
  reported.reserve(findings.size());
  std::unordered_map<std::uint64_t, int> seen;
  for (const Finding& finding : findings) {
    ReportedFinding r;
    r.finding = &finding;
    if (finding.kind == Finding::Kind::kRepair) {
      r.rule = "repair";
      r.text = "Malformed line repaired";
    } else {
      r.rule = std::to_string(finding.number);
      r.text = RuleText(finding.number);
    }
    std::string game_relative;
    Locate(finding, place.game, game_relative, r.line);
    const std::string section =
        finding.nickname.empty()
            ? finding.section + "#" + std::to_string(finding.same_name_before)
            : "nickname=" + finding.nickname;
    const std::uint64_t identity =
        Hash({AsciiLowered(game_relative), section, finding.key, r.rule, finding.value});
    const int occurrence = seen[identity]++;
    r.fingerprint = Hex(Hash({Hex(identity), std::to_string(occurrence)}));
    r.path = RelativeTo(game_relative, place);
    reported.push_back(std::move(r));
  }
  return reported;
}

}  // namespace tarn
