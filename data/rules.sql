-- A first rule set: the ship and system sections, with the file references that the
-- analysis follows. Entry DB_IDs are the rules' identifiers and never change.
-- Value types: 1 Long, 2 Double, 3 String, 4 Boolean, 5 Null.

INSERT INTO _bc_sections (DB_ID, SectionName, IDX) VALUES
  (1, 'Ship', 1),
  (2, 'system', 2),
  (3, 'Base', 3);

INSERT INTO _bc_entries
  (DB_ID, SectionID, EntryName, IDX, FixedArgsNo, IsMultiLine, HasVarArgs, IsMandatory) VALUES
  (2001, 1, 'nickname', 1, 1, 0, 0, 1),
  (2002, 1, 'ids_name', 2, 1, 0, 0, 0),
  (2003, 1, 'mass', 3, 1, 0, 0, 0),
  (2004, 1, 'hit_pts', 4, 1, 0, 0, 0),
  (2005, 1, 'shape_name', 5, 0, 1, 1, 0),
  (2006, 2, 'nickname', 1, 1, 0, 0, 1),
  (74, 2, 'file', 2, 1, 0, 0, 1),
  (2007, 2, 'pos', 3, 2, 0, 0, 0),
  (2008, 3, 'nickname', 1, 1, 0, 0, 1),
  (101, 3, 'file', 2, 1, 0, 0, 1);

INSERT INTO _bc_values (EntryID, IDX, ValueName, Type, IsMulti) VALUES
  (2001, 1, 'nickname', 3, 0),
  (2002, 1, 'ids', 1, 0),
  (2003, 1, 'mass', 2, 0),
  (2004, 1, 'points', 1, 0),
  (2005, 1, NULL, 3, 1),
  (2006, 1, 'nickname', 3, 0),
  (74, 1, 'path', 3, 0),
  (2007, 1, 'x', 2, 0),
  (2007, 2, 'y', 2, 0),
  (2008, 1, 'nickname', 3, 0),
  (101, 1, 'path', 3, 0);
