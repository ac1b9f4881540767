// A finding as reports show it: its rule (the warning number, or "repair"), the file relative
// to the game folder (or to a root of the user's) with the line an editor shows, and a
// fingerprint that stays the same when lines are added or removed elsewhere in the file.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "log/findings.h"

namespace tarn {

class FileSystem;

struct ReportedFinding {
  const Finding* finding = nullptr;
  std::string rule;       // "10302", or "repair"
  std::string text;       // "Unknown Entry", or what the repair did
  std::string path;       // relative to the report's root, "/" between folders
  std::int32_t line = 0;  // 0: the file as a whole (a file that cannot be read)
  std::string fingerprint;
  // The fingerprints earlier versions gave the same finding where they wrote it otherwise: a
  // "Duplicate Name" named its other place by the game folder's own path, as a run on Linux
  // or on Windows wrote it. Baselines and known findings of those versions still know the
  // finding by them (ApplyBaseline); empty for every other finding.
  std::vector<std::string> former_fingerprints{};
  bool known = false;  // its fingerprint (or a former one) is in the baseline
};

// Where the paths of a report are relative to.
struct ReportPlace {
  std::string game;  // the game folder, as the run was given it
  std::string root;  // the folder report paths are relative to; empty: the game folder
  // game and root made absolute (FileSystem::AbsolutePath), which is how a report relates the
  // two and names its root; empty where the path as given is absolute already.
  std::string absolute_game = {};
  std::string absolute_root = {};
};

// The place of a run's reports with both folders made absolute by files, which is read then
// and not kept.
ReportPlace PlaceReports(FileSystem& files, std::string game, std::string root);

// The findings as reports show them, in the order they were made; each points into findings,
// which must outlive the result. Fingerprints come from the
// file relative to the game folder (letter case aside), the section (its nickname, or its name
// and how many of its name came before it in the file), the key, the warning number and the
// offending text, with a count of equal ones before it where these are equal. A "Duplicate
// Name" gets its former fingerprints too, made with the game folder made absolute
// (place.absolute_game, else place.game as given) in both forms of separator.
std::vector<ReportedFinding> ReportFindings(std::span<const Finding> findings,
                                            const ReportPlace& place);

// The rule text of a warning number: "Unknown Entry" for 10302.
std::string RuleText(std::int32_t number);

// The path relative to the game folder of a path the walk composed or found below it, with
// "/" between folders; the path unchanged when it does not lie below the game folder.
std::string GameRelative(const std::string& path, const std::string& game);

}  // namespace tarn
