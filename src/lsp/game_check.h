// The checks behind the language server's diagnostics, over the analysis's own parts: the
// walk of "All" over the whole game, kept in memory (no data database, no log file, no lock),
// to learn its files and the names they define; and the check of one file's text, by the same
// section checker, then of its names against the game's.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "datadb/database.h"
#include "ini/line_source.h"
#include "log/findings.h"
#include "log/front_end.h"
#include "log/log.h"
#include "lsp/game_names.h"
#include "platform/user_settings.h"
#include "rules/rule_library.h"

namespace tarn {

// The settings database at path copied into memory, so that nothing the server does touches
// the user's; with rules, those replace its rule set (as `rules import` would). Raises
// TarnError when it cannot be read.
Database PrivateSettingsCopy(const std::string& path, const RuleSet* rules);

// True when the rule set of settings_db was never replaced by an import: the one TARN ships.
bool HoldsShippedRules(Database& settings_db);

// A front end nobody sees: log lines are dropped but for the last few, which tell why a
// check ended the program.
class QuietFrontEnd : public FrontEnd {
 public:
  void AppendToLogBox(std::string_view text, bool may_cut) override;
  void ShowMessageBox(std::string_view text) override { AppendToLogBox(text, false); }
  void ProcessEvents() override {}
  const std::string& Tail() const { return tail_; }

 private:
  std::string tail_;
};

struct WalkedFile {
  std::string path;  // as the walk composed it
  std::string area;
  bool binary = false;
};

struct WalkedGame {
  std::unordered_map<std::string, WalkedFile> files;  // by path in lower case
  NameTable names;
  bool main_file_read = true;
  std::string failure;  // why the walk ended early; empty when it went through
};

// Walks the game below game through files as "All" does, with the rules of settings_db.
// Stops between two files once cancel is set. Never raises: a walk that fails says why.
WalkedGame WalkGame(Database& settings_db, const RuleIndex& index, FileSystem& files,
                    const std::string& game, const ReadLimits& limits,
                    const std::atomic<bool>& cancel);

struct FileCheck {
  std::vector<Finding> findings;
  NameTable names;  // what the file defines
  std::vector<NameUse> uses;
  std::string failure;  // the check ended the program: the log's last words
};

// Checks one file at a time with one rule library; not for two threads at once.
class FileChecker {
 public:
  // settings_db and index must outlive the checker.
  FileChecker(Database& settings_db, const RuleIndex& index);
  ~FileChecker();

  // Reads path (of area; empty when not known) through files and checks every section.
  FileCheck Check(FileSystem& files, const std::string& game, const std::string& path,
                  const std::string& area, const ReadLimits& limits);

 private:
  Database& settings_db_;
  const RuleIndex& index_;
  QuietFrontEnd front_end_;
  UserSettings settings_;
  Log log_;
  std::unique_ptr<RuleLibrary> rules_;
};

// The findings of unknown names among check's uses: names that no target of their position
// defines, in the game (but for what path defined when it was walked) or in check itself.
std::vector<Finding> UnknownNames(FileCheck& check, const NameTable& game, const RuleIndex& index,
                                  const std::string& path);

}  // namespace tarn
