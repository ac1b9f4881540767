// Known findings kept with the rules: the findings a user trusts a game folder to have (those
// rules learn found in the folder it learned from, and those rules accept added), by
// fingerprint, in TARN.MDB's table _bc_known_findings. Every run counts them as known, as
// if they were in a baseline, so that checking the trusted folder finds nothing new.
#pragma once

#include <string>
#include <vector>

#include "datadb/database.h"

namespace tarn {

// The file beside the rule sources that holds them, in the JSON report form (a baseline).
inline constexpr const char* kKnownFindingsFile = "known-findings.json";

// The installed known findings of db, each fingerprint as often as it is installed; none
// when db has no such table (nothing installed yet). Raises TarnError when it cannot be read.
std::vector<std::string> ReadKnownFindings(Database& db);

// Makes fingerprints the installed known findings of db, inside the caller's transaction.
// Raises TarnError.
void ReplaceKnownFindings(Database& db, const std::vector<std::string>& fingerprints);

// Adds fingerprints to the installed known findings of db in one transaction and returns how
// many of them were not installed already (as a multiset: a fingerprint installed once and
// added twice adds one). Raises TarnError; db is then unchanged.
std::size_t AddKnownFindings(Database& db, const std::vector<std::string>& fingerprints);

// The fingerprints of more that ones does not hold, each of ones matching one of more at most:
// what ones lacks to be the union of both.
std::vector<std::string> MissingFrom(const std::vector<std::string>& ones,
                                     const std::vector<std::string>& more);

// A baseline of fingerprints alone, in the JSON report form that ReadBaseline reads.
std::string KnownFindingsText(const std::vector<std::string>& fingerprints);

}  // namespace tarn
