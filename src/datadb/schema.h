// Every table, index and view of TARN's two databases, in one place: the data database
// KV.MDB (the rows a run reads from the game, and its findings) and the settings database
// TARN.MDB (the user's settings, the files loaded by fixed path, the rule set and the known
// findings installed with it). The code that fills a table names its columns in its own
// statements; what a table is, and which indexes it has, is said here alone.
//
// Every statement may run on a database that has its objects already ("IF NOT EXISTS"),
// except the data tables, which are made only in a new file. SQLite keeps a statement's text
// as its definition, so a change to one here is a change of the files TARN writes.
#pragma once

#include <string>
#include <string_view>

namespace tarn::schema {

// --- KV.MDB

// The three data tables, in the order in which the database is made. Text columns refuse the
// empty text (Value excepted) but accept null; the columns that the indexes need refuse null.
struct Table {
  std::string_view name;
  std::string_view create;
};
inline constexpr Table kDataTables[] = {
    {"Sections", R"sql(CREATE TABLE Sections (
  DB_ID   INTEGER PRIMARY KEY,
  Area    TEXT CONSTRAINT "Sections.Area may not be empty" CHECK (Area <> ''),
  Section TEXT CONSTRAINT "Sections.Section may not be empty" CHECK (Section <> ''),
  File    TEXT CONSTRAINT "Sections.File may not be empty" CHECK (File <> ''),
  Line    INTEGER
))sql"},
    {"Entries", R"sql(CREATE TABLE Entries (
  DB_ID   INTEGER PRIMARY KEY,
  Entry   TEXT CONSTRAINT "Entries.Entry may not be empty" CHECK (Entry <> ''),
  EntryID INTEGER NOT NULL,
  Link    INTEGER NOT NULL,
  Line    INTEGER
))sql"},
    {"Values", R"sql(CREATE TABLE "Values" (
  DB_ID INTEGER PRIMARY KEY,
  Link  INTEGER NOT NULL,
  Value TEXT
))sql"},
};

// An index of a data table. They are dropped while a run writes many rows and made again
// once it has, which is faster than keeping them up to date row by row.
struct Index {
  std::string_view name;
  std::string_view table;
  std::string_view create;
};
inline constexpr Index kDataIndexes[] = {
    {"Entries_LinkIDX", "Entries", "CREATE INDEX IF NOT EXISTS Entries_LinkIDX ON Entries (Link)"},
    {"Entries_IDIDX", "Entries", "CREATE INDEX IF NOT EXISTS Entries_IDIDX ON Entries (EntryID)"},
    {"Values_LinkIDX", "Values", "CREATE INDEX IF NOT EXISTS Values_LinkIDX ON \"Values\" (Link)"},
};

// The statements that make a new data database: its journal settings, then each data table
// followed by its indexes.
std::string NewDataDatabase();

// Path and Line point into the file on disk (the line an editor shows); LogFile, LogLine and
// SectionLine are the log's, and equal Sections.File, Entries.Line and Sections.Line of the
// line at fault.
inline constexpr std::string_view kFindingsTable = R"sql(
CREATE TABLE IF NOT EXISTS Findings (
  DB_ID       INTEGER PRIMARY KEY,
  Run         INTEGER NOT NULL,
  Rule        TEXT NOT NULL,
  Number      INTEGER,
  Text        TEXT NOT NULL,
  Path        TEXT NOT NULL,
  Line        INTEGER,
  TextForm    INTEGER NOT NULL,
  LogFile     TEXT,
  LogLine     INTEGER,
  Section     TEXT,
  SectionLine INTEGER,
  Position    INTEGER,
  Entry       TEXT,
  Value       TEXT,
  Target      TEXT,
  Fingerprint TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS Findings_PathIDX ON Findings (Path);
)sql";

// --- TARN.MDB

// The first row in rowid order of _bc_Settings is the settings record; the program never adds
// rows. _bc_OtherINI lists the files the game loads by a path written into the game itself,
// relative to DATA.
inline constexpr std::string_view kSettingsTables = R"sql(
CREATE TABLE IF NOT EXISTS _bc_Settings (
  KVPath       TEXT,
  LogPath      TEXT,
  OverwriteLog INTEGER
);
CREATE TABLE IF NOT EXISTS _bc_OtherINI (
  Value TEXT
);
)sql";

// The rule set: one table per level of rule, the type names, and the rule query the loader
// reads them through.
inline constexpr std::string_view kRuleTables = R"sql(
-- One row per section rule; IDX orders the sections in the query, RuleFile names the
-- rule source that holds it.
CREATE TABLE IF NOT EXISTS _bc_sections (
  DB_ID       INTEGER PRIMARY KEY,
  SectionName TEXT    NOT NULL CHECK (SectionName <> ''),
  IDX         INTEGER NOT NULL,
  RuleFile    TEXT
);
-- One row per entry rule; DB_ID is the entry rule's identifier.
CREATE TABLE IF NOT EXISTS _bc_entries (
  DB_ID       INTEGER PRIMARY KEY,
  SectionID   INTEGER NOT NULL REFERENCES _bc_sections (DB_ID),
  EntryName   TEXT    NOT NULL CHECK (EntryName <> ''),
  IDX         INTEGER NOT NULL,
  FixedArgsNo INTEGER NOT NULL,
  IsMultiLine INTEGER NOT NULL,
  HasVarArgs  INTEGER NOT NULL,
  IsMandatory INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS _bc_types (
  Type     INTEGER PRIMARY KEY,
  TypeName TEXT NOT NULL
);
-- One row per value position; IDX is the position, from 1. Whole marks a Long position
-- that takes only numbers written as whole numbers; the rule query does not show it.
CREATE TABLE IF NOT EXISTS _bc_values (
  DB_ID     INTEGER PRIMARY KEY,
  EntryID   INTEGER NOT NULL REFERENCES _bc_entries (DB_ID),
  IDX       INTEGER NOT NULL,
  ValueName TEXT,
  Type      INTEGER NOT NULL,
  IsMulti   INTEGER NOT NULL,
  Whole     INTEGER NOT NULL DEFAULT 0
);
-- One row per object kind a value position names: each value there must be the first value
-- of a line of the entry rule TargetEntryID (of one of the position's rows); with Local, a
-- line in the value's own group of files. The rule query does not show them.
CREATE TABLE IF NOT EXISTS _bc_references (
  DB_ID         INTEGER PRIMARY KEY,
  EntryID       INTEGER NOT NULL REFERENCES _bc_entries (DB_ID),
  IDX           INTEGER NOT NULL,
  TargetEntryID INTEGER NOT NULL REFERENCES _bc_entries (DB_ID),
  Local         INTEGER NOT NULL DEFAULT 0
);
-- One row per entry rule that says how its flag key is written: Bare 1 when the game writes
-- it alone on its line, 0 when always with a value. Entry rules without a row say nothing;
-- the rule query does not show them.
CREATE TABLE IF NOT EXISTS _bc_flag_lines (
  EntryID INTEGER PRIMARY KEY REFERENCES _bc_entries (DB_ID),
  Bare    INTEGER NOT NULL
);
INSERT OR REPLACE INTO _bc_types (Type, TypeName) VALUES
  (1, 'Long'), (2, 'Double'), (3, 'String'), (4, 'Boolean'), (5, 'Null');
-- The rows grouped by section, then entry, then position: the order the rule loader and
-- the dump rely on.
CREATE VIEW _bc_ListSections AS
SELECT s.SectionName AS SectionName,
       e.EntryName   AS EntryName,
       e.IDX         AS "_bc_entries.IDX",
       e.FixedArgsNo AS FixedArgsNo,
       e.IsMultiLine AS IsMultiLine,
       e.HasVarArgs  AS HasVarArgs,
       e.IsMandatory AS IsMandatory,
       e.DB_ID       AS DB_ID,
       v.ValueName   AS ValueName,
       v.Type        AS Type,
       t.TypeName    AS TypeName,
       v.IDX         AS "_bc_values.IDX",
       v.IsMulti     AS IsMulti
  FROM _bc_sections s
  JOIN _bc_entries e ON e.SectionID = s.DB_ID
  JOIN _bc_values v ON v.EntryID = e.DB_ID
  LEFT JOIN _bc_types t ON t.Type = v.Type
 ORDER BY s.IDX, s.DB_ID, e.IDX, e.DB_ID, v.IDX;
)sql";

// The findings installed with the rules as known, by fingerprint.
inline constexpr std::string_view kKnownFindingsTable = "_bc_known_findings";
inline constexpr std::string_view kKnownFindings =
    "CREATE TABLE IF NOT EXISTS _bc_known_findings (Fingerprint TEXT NOT NULL)";

}  // namespace tarn::schema
