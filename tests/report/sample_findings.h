// The findings the report tests share.
#pragma once

#include <string>

#include "log/findings.h"

namespace tarn::testing {

// An unknown key of [Ship], in a file whose name on disk differs in letter case.
inline Finding Line(std::string key, std::string value, std::int32_t editor_line) {
  return {.kind = Finding::Kind::kSectionLine,
          .number = kErrUnknownEntry,
          .file = "/g/DATA/ships/a.ini",
          .line = 12,
          .section = "Ship",
          .key = std::move(key),
          .value = std::move(value),
          .disk_file = "/g/DATA/SHIPS/A.ini",
          .editor_line = editor_line};
}

// A line the log repaired.
inline Finding Repair() {
  return {.kind = Finding::Kind::kRepair,
          .file = "/g/DATA/b.ini",
          .line = 7,
          .value = "fixed",
          .disk_file = "/g/DATA/B.INI",
          .editor_line = 7};
}

}  // namespace tarn::testing
