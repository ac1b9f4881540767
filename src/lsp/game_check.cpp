#include "lsp/game_check.h"

#include <sqlite3.h>

#include "analysis/line_places.h"
#include "analysis/near_names.h"
#include "analysis/reference_recorder.h"
#include "analysis/section_checker.h"
#include "lsp/overlay_file_system.h"
#include "platform/ascii_case.h"
#include "platform/error.h"
#include "rules/rule_library.h"
#include "rules/rule_tables.h"
#include "walk/recorded_values.h"
#include "walk/run_watch.h"
#include "walk/walk.h"

namespace tarn {

namespace {

constexpr std::size_t kTailBytes = 4096;

// The checker of a walk that also keeps which files were read.
class IndexingChecker : public SectionChecker {
 public:
  IndexingChecker(Log& log, RuleLibrary* rules, ReferenceRecorder& recorder, WalkedGame& game)
      : SectionChecker(log, rules, &recorder, nullptr, &recorder), game_(game) {}
  void BeginFile(const std::string& area, const std::string& path, bool binary) override {
    SectionChecker::BeginFile(area, path, binary);
    game_.files[PathKey(path)] = WalkedFile{path, area, binary};
  }

 private:
  WalkedGame& game_;
};

std::string TargetsText(const ValueRule& rule) {
  std::string text;
  for (const NameTarget& target : rule.refers_to) {
    if (!text.empty()) text += " | ";
    text += "[" + target.section + "]" + target.key;
  }
  return text;
}

}  // namespace

Database PrivateSettingsCopy(const std::string& path, const RuleSet* rules) {
  Database file = Database::Open(path, Database::Mode::kReadWrite);
  Database copy = Database::Open(":memory:", Database::Mode::kCreate);
  sqlite3_backup* backup = sqlite3_backup_init(copy.Handle(), "main", file.Handle(), "main");
  if (backup == nullptr) copy.Raise(sqlite3_errcode(copy.Handle()));
  sqlite3_backup_step(backup, -1);
  const int code = sqlite3_backup_finish(backup);
  if (code != SQLITE_OK) copy.Raise(code);
  if (rules != nullptr) ImportRuleTables(copy, *rules);
  return copy;
}

bool HoldsShippedRules(Database& settings_db) {
  Statement kept = settings_db.Prepare(
      "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = '_bc_kept_objects'");
  if (!kept.Step() || kept.Int(0) == 0) return true;
  Statement rows = settings_db.Prepare("SELECT count(*) FROM _bc_kept_objects");
  return !rows.Step() || rows.Int(0) == 0;
}

void QuietFrontEnd::AppendToLogBox(std::string_view text, bool) {
  tail_.append(text);
  if (tail_.size() > kTailBytes) tail_.erase(0, tail_.size() - kTailBytes);
}

WalkedGame WalkGame(Database& settings_db, const RuleIndex& index, FileSystem& files,
                    const std::string& game, const ReadLimits& limits,
                    const std::atomic<bool>& cancel) {
  WalkedGame walked;
  QuietFrontEnd front_end;
  UserSettings settings;
  settings.SetKVPath(game);
  Log log(nullptr, front_end, settings);
  try {
    auto rules = InitParse(log, settings_db);
    NameSink sink(index, false);
    RecordedValues values;
    LinePlaces places;
    ReferenceRecorder recorder(
        sink, values,
        std::vector<std::int16_t>(std::begin(kReferenceEntryIds), std::end(kReferenceEntryIds)),
        &places);
    IndexingChecker checker(log, rules.get(), recorder, walked);
    FindingList none;
    RunWatch watch(nullptr, cancel, none);
    ParsedFiles parsed;
    Walk walk(WalkContext{settings, files, log, front_end, nullptr, limits, &watch}, checker,
              values, settings_db, &parsed);
    try {
      walk.RunAll();
    } catch (const RunCancelled&) {
      walked.failure = "the server was stopped before the game was read";
    }
    walked.main_file_read = walk.MainFileRead();
    sink.Resolve(places);
    walked.names = std::move(sink.Names());
  } catch (const ProgramEnd&) {
    walked.failure = front_end.Tail();
  } catch (const TarnError& error) {
    walked.failure = error.Description();
  }
  return walked;
}

FileChecker::FileChecker(Database& settings_db, const RuleIndex& index)
    : settings_db_(settings_db), index_(index), log_(nullptr, front_end_, settings_) {}

FileChecker::~FileChecker() = default;

FileCheck FileChecker::Check(FileSystem& files, const std::string& game, const std::string& path,
                             const std::string& area, const ReadLimits& limits) {
  FileCheck check;
  FindingList findings;
  log_.SetFindings(&findings);
  settings_.SetKVPath(game);
  try {
    if (rules_ == nullptr) rules_ = InitParse(log_, settings_db_);
    NameSink sink(index_, true);
    RecordedValues values;
    LinePlaces places;
    ReferenceRecorder recorder(sink, values, {}, &places);
    SectionChecker checker(log_, rules_.get(), &recorder, nullptr, &recorder);
    ParsedFiles parsed;
    Walk walk(WalkContext{settings_, files, log_, front_end_, nullptr, limits, nullptr}, checker,
              values, settings_db_, &parsed);
    walk.ReadINIFile(area, path, FileReference{});
    sink.Resolve(places);
    check.names = std::move(sink.Names());
    check.uses = std::move(sink.Uses());
  } catch (const ProgramEnd&) {
    check.failure = front_end_.Tail();
    // A section left half filled would be taken for the start of the next check's.
    rules_.reset();
  }
  log_.SetFindings(nullptr);
  check.findings = findings.All();
  return check;
}

std::vector<Finding> UnknownNames(FileCheck& check, const NameTable& game, const RuleIndex& index,
                                  const std::string& path) {
  std::vector<Finding> unknown;
  const std::string own = PathKey(path);
  auto defined_in = [&](const NameTable& table, const std::string& target, const std::string& name,
                        bool skip_own) {
    const auto names = table.find(target);
    if (names == table.end()) return false;
    const auto places = names->second.find(name);
    if (places == names->second.end()) return false;
    if (!skip_own) return true;
    for (const NamePlace& place : places->second) {
      if (PathKey(place.file) != own) return true;
    }
    return false;
  };
  std::unordered_map<const ValueRule*, NearNames> hints;
  for (const NameUse& use : check.uses) {
    const std::string name = AsciiLowered(use.value);
    bool known = false;
    for (const NameTarget& target : use.rule->refers_to) {
      const std::string key = TargetKey(target.section, target.key);
      if (defined_in(check.names, key, name, false) || defined_in(game, key, name, true)) {
        known = true;
        break;
      }
    }
    if (known) continue;
    auto [near, added] = hints.try_emplace(use.rule);
    if (added) {
      for (const NameTarget& target : use.rule->refers_to) {
        const std::string key = TargetKey(target.section, target.key);
        for (const NameTable* table : {static_cast<const NameTable*>(&check.names), &game}) {
          const auto names = table->find(key);
          if (names == table->end()) continue;
          for (const auto& [lowered, places] : names->second) {
            if (!places.empty()) near->second.Add(places.front().spelling);
          }
        }
      }
    }
    const SectionRule* section = index.FindSection(use.section);
    const EntryRule* entry = index.FindEntry(use.section, use.key);
    unknown.push_back(Finding{.kind = Finding::Kind::kUnknownName,
                              .number = kErrUnknownReference,
                              .file = use.file,
                              .line = use.line,
                              .section = section != nullptr ? section->name : use.section,
                              .index = use.line - use.section_line,
                              .key = entry != nullptr ? entry->name : use.key,
                              .value = use.value,
                              .disk_file = path,
                              .editor_line = use.editor_line,
                              .section_line = use.section_line,
                              .target = TargetsText(*use.rule),
                              .hint = near->second.Nearest(use.value)});
  }
  return unknown;
}

}  // namespace tarn
