-- The settings record a fresh installation starts with: no folders chosen yet, and every
-- run starting a fresh log.
INSERT INTO _bc_Settings (KVPath, LogPath, OverwriteLog) VALUES ('', '', 1);
