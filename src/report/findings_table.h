// The Findings table of KV.MDB: the run's findings as rows, beside the data tables they point
// into, so that modders can join warnings with what was read.
#pragma once

#include <cstdint>
#include <vector>

#include "report/reported_finding.h"

namespace tarn {

class Database;

// Creates the table and its index when db lacks them. Raises TarnError.
void CreateFindingsTable(Database& db);

// Appends findings as the rows of the "All" run numbered run, in one transaction (db must have
// none open). Texts are stored as UTF-8. Raises TarnError; rows of the call are then not kept.
void StoreFindings(Database& db, const std::vector<ReportedFinding>& findings, std::int32_t run);

}  // namespace tarn
