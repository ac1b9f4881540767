-- The files the game loads by a path written into the game itself, relative to DATA: the
-- mission scripts, the faction list and the flight display's layout. Nothing else names
-- them, so without these rows they would never be read.
INSERT INTO _bc_OtherINI (Value) VALUES
  ('missions\m01\m01.ini'),
  ('missions\m02\m02.ini'),
  ('factions\factions.ini'),
  ('interface\hud.ini');
