#include "report/reported_finding.h"

#include <algorithm>
#include <filesystem>
#include <unordered_map>

#include "platform/ascii_case.h"
#ifdef _WIN32
#include "platform/codepage.h"
#endif
#include "platform/error.h"
#include "platform/file_system.h"

namespace tarn {

namespace {

namespace fs = std::filesystem;

std::string Hex(std::uint64_t hash) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) text[static_cast<std::size_t>(i)] = kDigits[hash & 15];
  return text;
}

// The repair's description as the log writes it: each line indented by six blanks.
std::string LoggedRepairText(std::string_view description) {
  std::string logged = "      ";
  for (char c : description) {
    logged += c;
    if (c == '\n') logged += "      ";
  }
  return logged;
}

// FNV-1a, a part at a time, each part ended by a byte no part holds.
class Hasher {
 public:
  Hasher& Add(std::string_view part, bool fold_case = false) {
    for (char c : part) Mix(static_cast<unsigned char>(fold_case ? AsciiLower(c) : c));
    Mix(0x1f);
    return *this;
  }
  Hasher& Add(std::int64_t number) {
    for (int i = 0; i < 8; ++i, number >>= 8) Mix(static_cast<unsigned char>(number & 0xFF));
    Mix(0x1f);
    return *this;
  }
  std::uint64_t Value() const { return hash_; }

 private:
  void Mix(unsigned char byte) {
    hash_ ^= byte;
    hash_ *= 1099511628211u;
  }
  std::uint64_t hash_ = 14695981039346656037u;
};

// The game folder (UTF-8, as the user gives it) as the walk's paths begin: on Windows in the
// game's code page, as Windows writes paths.
std::string WalkForm(const std::string& game) {
#ifdef _WIN32
  return Utf8ToCp1252(game);
#else
  return game;
#endif
}

// What identifies a finding apart from how many equal ones came before it: the file relative
// to the game folder (letter case aside), the section (its nickname, or its name and how many
// of its name came before it in the file), the key, the rule, and value: the offending text.
std::uint64_t IdentityOf(const Finding& finding, std::string_view game_relative,
                         std::string_view rule, std::string_view value) {
  Hasher identity;
  identity.Add(game_relative, true);
  if (finding.kind == Finding::Kind::kRepair) {
    // Repairs were once reported without section and key and in the log's own words;
    // baselines of those versions must still know them.
    identity.Add("").Add(0).Add("").Add(rule).Add(LoggedRepairText(value));
    return identity.Value();
  }
  if (finding.nickname.empty()) {
    identity.Add(finding.section).Add(finding.same_name_before);
  } else {
    identity.Add("nickname").Add(finding.nickname);
  }
  identity.Add(finding.key).Add(rule).Add(value);
  return identity.Value();
}

std::string Fingerprint(std::uint64_t identity, int occurrence) {
  return Hex(Hasher().Add(static_cast<std::int64_t>(identity)).Add(occurrence).Value());
}

// A "Duplicate Name" value, "NAME (also FILE line N)" with FILE relative to the game folder,
// as earlier versions wrote it: the game folder game, then FILE, every separator between
// their folders made separator. Empty for a value of another form.
std::string FormerDuplicateValue(const std::string& value, std::string game, char separator) {
  constexpr std::string_view kAlso = " (also ", kLine = " line ";
  const std::size_t also = value.rfind(kAlso);
  const std::size_t line = value.rfind(kLine);
  if (also == std::string::npos || line == std::string::npos || line < also + kAlso.size()) {
    return {};
  }
  while (!game.empty() && (game.back() == '/' || game.back() == '\\')) game.pop_back();
  std::string path = game + "/" + value.substr(also + kAlso.size(), line - also - kAlso.size());
  std::replace(path.begin(), path.end(), separator == '/' ? '\\' : '/', separator);
  return value.substr(0, also + kAlso.size()) + path + value.substr(line);
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
  const fs::path game = place.absolute_game.empty() ? place.game : place.absolute_game;
  const fs::path file = (game / game_relative).lexically_normal();
  const fs::path root =
      fs::path(place.absolute_root.empty() ? place.root : place.absolute_root).lexically_normal();
  return file.lexically_relative(root).generic_string();
}

}  // namespace

ReportPlace PlaceReports(FileSystem& files, std::string game, std::string root) {
  ReportPlace place{std::move(game), std::move(root), {}, {}};
  place.absolute_game = files.AbsolutePath(place.game);
  if (!place.root.empty()) place.absolute_root = files.AbsolutePath(place.root);
  return place;
}

std::string RuleText(std::int32_t number) {
  std::string text = WarningText(number);
  const std::string prefix = std::to_string(number) + " - ";
  return text.starts_with(prefix) ? text.substr(prefix.size()) : text;
}

std::string GameRelative(const std::string& given_path, const std::string& given_game) {
#ifdef _WIN32
  // The walk writes its paths as Windows does, "\" in the game's code page; reports use "/".
  std::string path = given_path;
  std::string game = Utf8ToCp1252(given_game);
  std::replace(path.begin(), path.end(), '\\', '/');
  std::replace(game.begin(), game.end(), '\\', '/');
#else
  const std::string& path = given_path;
  const std::string& game = given_game;
#endif
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

std::vector<ReportedFinding> ReportFindings(std::span<const Finding> findings,
                                            const ReportPlace& place) {
  std::vector<ReportedFinding> reported;
  reported.reserve(findings.size());
  std::unordered_map<std::uint64_t, int> seen;
  // A run has thousands of findings and a handful of rules.
  std::unordered_map<std::int32_t, std::pair<std::string, std::string>> rules;
  const std::string former_game =
      WalkForm(place.absolute_game.empty() ? place.game : place.absolute_game);
  for (const Finding& finding : findings) {
    ReportedFinding r;
    r.finding = &finding;
    if (finding.kind == Finding::Kind::kRepair) {
      r.rule = "repair";
      r.text = "Malformed line repaired";
    } else {
      auto [rule, added] = rules.try_emplace(finding.number);
      if (added) rule->second = {std::to_string(finding.number), RuleText(finding.number)};
      r.rule = rule->second.first;
      r.text = rule->second.second;
    }
    std::string game_relative;
    Locate(finding, place.game, game_relative, r.line);
    const std::uint64_t identity = IdentityOf(finding, game_relative, r.rule, finding.value);
    // Equal former identities are those of equal identities: the occurrence is the same.
    const int occurrence = seen[identity]++;
    r.fingerprint = Fingerprint(identity, occurrence);
    if (finding.number == kErrDuplicateName) {
      for (char separator : {'/', '\\'}) {
        const std::string value = FormerDuplicateValue(finding.value, former_game, separator);
        if (value.empty()) continue;
        r.former_fingerprints.push_back(
            Fingerprint(IdentityOf(finding, game_relative, r.rule, value), occurrence));
      }
    }
    r.path = place.root.empty() ? std::move(game_relative) : RelativeTo(game_relative, place);
    reported.push_back(std::move(r));
  }
  return reported;
}

}  // namespace tarn
