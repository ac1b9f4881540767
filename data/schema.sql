-- The settings database TARN.MDB: the user's settings and the list of files the game loads
-- by fixed path. The rule tables and the rule query _bc_ListSections are compiled from the
-- rule sources in data/rules.

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
