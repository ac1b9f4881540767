#include "learn/learning.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "learn/learn_report.h"
#include "learn/rule_learner.h"
#include "rules/rule_check.h"
#include "rules/rule_folder.h"
#include "rules/rule_tables.h"
#include "rules/rule_text.h"
#include "settings/settings.h"
#include "shell/error.h"
#include "shell/file_system.h"
#include "shell/log.h"
#include "walk/recorded_values.h"
#include "walk/walk.h"

namespace tarn {

namespace {

namespace fs = std::filesystem;

// The reference entry rules as the installed rule set names them, and a rule set of them
// alone (each section with only its reference entries).
void References(const RuleSet& installed, std::vector<ReferenceRule>& references, RuleSet& alone) {
  for (const SectionRule& section : installed.sections) {
    SectionRule kept{section.name, section.file, {}, section.line};
    for (const EntryRule& entry : section.entries) {
      for (std::int16_t id : kReferenceEntryIds) {
        if (entry.db_id != id) continue;
        references.push_back({id, section.name, entry.name});
        kept.entries.push_back(entry);
      }
    }
    if (!kept.entries.empty()) alone.sections.push_back(std::move(kept));
  }
}

void CheckMainFile(const UserSettings& values, FileSystem& files) {
  if (values.KVPath().empty()) {
    throw LearnError("no game folder is set: give one with --game");
  }
  const std::string path = values.KVPath() + std::string(kMainFile);
  try {
    files.OpenForReading(path);
  } catch (const TarnError& error) {
    throw LearnError("cannot read the game's main file " + path + ": " + error.Description());
  }
}

}  // namespace

LearnResult LearnFromFolder(Settings& settings, FrontEnd& front_end, FileSystem& files, bool merge,
                            const AnalysisOptions& options, RunStats* stats) {
  CheckMainFile(settings.Values(), files);
  const RuleSet installed = ReadRuleTables(settings.SettingsDB());
  std::vector<ReferenceRule> references;
  RuleSet alone;
  References(installed, references, alone);

  RecordedValues values;
  RuleLearner learner(references, values);
  Log log(nullptr, front_end, settings.Values(), stats);
  log.SetFindings(&learner);
  ParsedFiles parsed;
  Walk walk(WalkContext{settings.Values(), files, log, front_end, stats, options.limits}, learner,
            values, settings.SettingsDB(), &parsed);
  files.Confine(settings.Values().KVPath(), options.follow_links);
  try {
    walk.RunAll();
  } catch (...) {
    files.Confine({}, false);
    throw;
  }
  files.Confine({}, false);

  LearnResult result;
  result.seen = learner.Seen();
  result.learned = LearnRules(result.seen, merge ? installed : alone, merge);
  try {
    CheckRuleSet(result.learned.rules);
  } catch (const RuleSourceError& error) {
    throw LearnError(std::string("the learned rules do not load: ") + error.what());
  }
  result.report = LearnReport(settings.Values().KVPath(), merge, result.seen, result.learned);
  return result;
}

void WriteLearnedFolder(const LearnResult& result, const std::string& folder, bool force) {
  std::error_code ec;
  const fs::path target(folder);
  const bool exists = fs::exists(fs::symlink_status(target, ec));
  if (exists && !fs::is_directory(target, ec)) {
    throw LearnError(folder + " exists and is not a folder");
  }
  if (exists && !fs::is_empty(target, ec) && !force) {
    throw LearnError(folder + " exists and is not empty (--force replaces it)");
  }
  const std::string pid = std::to_string(::getpid());
  const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const fs::path temp = parent / ("." + target.filename().string() + ".learning-" + pid);
  fs::remove_all(temp, ec);
  if (!fs::create_directories(temp, ec) || ec) {
    throw LearnError("cannot create a folder in " + parent.string() + ": " +
                     (ec ? ec.message() : std::string("it exists already")));
  }
  try {
    RealFileSystem files;
    WriteRuleFolder(files, result.learned.rules, temp.string());
    std::ofstream report(temp / "LEARNED.md", std::ios::binary | std::ios::trunc);
    report << result.report;
    report.close();
    if (!report) throw LearnError("cannot write " + (temp / "LEARNED.md").string());
  } catch (const RuleSourceError& error) {
    fs::remove_all(temp, ec);
    throw LearnError("cannot write the rules into " + parent.string() + ": " + error.what());
  } catch (const LearnError&) {
    fs::remove_all(temp, ec);
    throw;
  }
  const fs::path old = parent / ("." + target.filename().string() + ".replaced-" + pid);
  if (exists) {
    fs::rename(target, old, ec);
    if (ec) {
      fs::remove_all(temp, ec);
      throw LearnError("cannot replace " + folder + ": " + ec.message());
    }
  }
  fs::rename(temp, target, ec);
  if (ec) {
    const std::string why = ec.message();
    if (exists) fs::rename(old, target, ec);
    fs::remove_all(temp, ec);
    throw LearnError("cannot write " + folder + ": " + why);
  }
  if (exists) fs::remove_all(old, ec);
}

}  // namespace tarn
