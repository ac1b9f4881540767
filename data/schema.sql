-- The settings database TARN.MDB: the user's settings, the rule tables behind the rule
-- query _bc_ListSections, and the list of files the game loads by fixed path.

-- The first row in rowid order is the settings record; the program never adds rows.
CREATE TABLE _bc_Settings (
  KVPath       TEXT,
  LogPath      TEXT,
  OverwriteLog INTEGER
);

-- Files the game loads by a path written into the game itself, relative to DATA.
CREATE TABLE _bc_OtherINI (
  Value TEXT
);

-- One row per section rule; IDX orders the sections in the rule query.
CREATE TABLE _bc_sections (
  DB_ID       INTEGER PRIMARY KEY,
  SectionName TEXT    NOT NULL CHECK (SectionName <> ''),
  IDX         INTEGER NOT NULL,
  UNIQUE (SectionName COLLATE NOCASE)
);

-- One row per entry rule. DB_ID is the entry rule's identifier, stored with every line
-- read for it; IDX orders the entries within their section.
CREATE TABLE _bc_entries (
  DB_ID       INTEGER PRIMARY KEY,
  SectionID   INTEGER NOT NULL REFERENCES _bc_sections (DB_ID),
  EntryName   TEXT    NOT NULL CHECK (EntryName <> ''),
  IDX         INTEGER NOT NULL,
  FixedArgsNo INTEGER NOT NULL CHECK (FixedArgsNo >= 0),
  IsMultiLine INTEGER NOT NULL CHECK (IsMultiLine IN (0, 1)),
  HasVarArgs  INTEGER NOT NULL CHECK (HasVarArgs IN (0, 1)),
  IsMandatory INTEGER NOT NULL CHECK (IsMandatory IN (0, 1)),
  UNIQUE (SectionID, EntryName COLLATE NOCASE)
);

-- The value type codes and their display names.
CREATE TABLE _bc_types (
  Type     INTEGER PRIMARY KEY,
  TypeName TEXT NOT NULL
);

-- One row per value position of an entry rule; IDX is the position, from 1.
CREATE TABLE _bc_values (
  DB_ID     INTEGER PRIMARY KEY,
  EntryID   INTEGER NOT NULL REFERENCES _bc_entries (DB_ID),
  IDX       INTEGER NOT NULL CHECK (IDX >= 1),
  ValueName TEXT,
  Type      INTEGER NOT NULL REFERENCES _bc_types (Type),
  IsMulti   INTEGER NOT NULL CHECK (IsMulti IN (0, 1)),
  UNIQUE (EntryID, IDX)
);

-- One row per value position of every entry of every section, grouped by section, then
-- entry, then position, which is the order the rule loader and the dump rely on.
CREATE VIEW _bc_ListSections AS
SELECT s.SectionName  AS SectionName,
       e.EntryName    AS EntryName,
       e.IDX          AS "_bc_entries.IDX",
       e.FixedArgsNo  AS FixedArgsNo,
       e.IsMultiLine  AS IsMultiLine,
       e.HasVarArgs   AS HasVarArgs,
       e.IsMandatory  AS IsMandatory,
       e.DB_ID        AS DB_ID,
       v.ValueName    AS ValueName,
       v.Type         AS Type,
       t.TypeName     AS TypeName,
       v.IDX          AS "_bc_values.IDX",
       v.IsMulti      AS IsMulti
  FROM _bc_sections s
  JOIN _bc_entries e ON e.SectionID = s.DB_ID
  JOIN _bc_values v ON v.EntryID = e.DB_ID
  LEFT JOIN _bc_types t ON t.Type = v.Type
 ORDER BY s.IDX, s.DB_ID, e.IDX, e.DB_ID, v.IDX;

INSERT INTO _bc_types (Type, TypeName) VALUES
  (1, 'Long'), (2, 'Double'), (3, 'String'), (4, 'Boolean'), (5, 'Null');
