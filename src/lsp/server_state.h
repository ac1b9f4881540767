// What the language server holds between messages: the rules, the game as walked, the open
// documents. Shared by the server's protocol and help halves; guarded by the server's mutex.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>

#include "datadb/database.h"
#include "lsp/document_text.h"
#include "lsp/game_check.h"
#include "lsp/game_names.h"
#include "lsp/overlay_file_system.h"
#include "platform/file_system.h"
#include "rules/rule_set.h"

namespace tarn {

struct OpenDocument {
  std::string path;  // the game path it stands for; empty when it stands for none
  DocumentText text;
  // The client's version of text, sent back with its diagnostics so that a client can tell
  // those of an old text; absent when the client gave none.
  std::optional<std::int64_t> version;
};

struct ServerState {
  std::string failure;  // why nothing can be checked (no rules, no game); empty when ready
  std::string game;
  std::string workspace;
  PositionUnit unit = PositionUnit::kUtf16;
  std::unique_ptr<FileSystem> files;
  std::unique_ptr<OverlayFileSystem> overlay;
  Database settings_db;
  Database walk_db;  // the walk's own copy: a connection serves one thread
  RuleSet rules;
  std::unique_ptr<RuleIndex> index;
  std::unique_ptr<FileChecker> checker;
  std::unordered_set<std::string> known;  // fingerprints of known findings
  bool shipped_rules = false;
  std::unique_ptr<WalkedGame> walked;             // null until the walk has ended
  std::map<std::string, OpenDocument> documents;  // by URI

  // The game path a document path stands for: itself below the game folder, or the game's
  // file that a workspace file overlays, named as the walk names it; empty for a file outside
  // both.
  std::string GamePathOf(const std::string& path) const;
  // Where an editor finds the file of a game path: the workspace's when it overlays it.
  std::string EditorPathOf(const std::string& path) const;
};

}  // namespace tarn
