// tarn: the command line over TARN's core, for scripted runs and the CI of mods.
//
//   tarn [--home DIR] [--game DIR] [--log DIR] [--overwrite | --append] [--quiet] [--stats]
//        [--report FORMAT=FILE]... [--report-root DIR] [--baseline FILE] [--report-known]
//        [--write-baseline FILE] COMMAND...
//   tarn [--home DIR] [--game DIR] rules learn [--merge] [--duplicate-names P]
//        [--unknown-names P] OUTDIR
//   tarn [--home DIR] rules export DIR | rules import DIR | rules restore | rules accept REPORT
//   tarn [--home DIR] rules export --json [--from DIR]
//   tarn rules diff OLD NEW
//   tarn bini FILE...
//   tarn strings FILE
//
// Each COMMAND (init-db, all, dump, refs) runs as if its button of the window program were
// pressed, in the order given; the exit status is in run_command.h.
#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bini_command.h"
#include "diff_command.h"
#include "lsp_command.h"
#include "platform/file_system.h"
#include "platform/version.h"
#include "rules_command.h"
#include "run_command.h"
#include "strings_command.h"
#ifdef _WIN32
#include "windows_entry.h"
#endif

namespace {

using tarn::kExitUsage;

// "256M" as 268435456; nullopt for what is no size.
std::optional<std::int64_t> ParseSize(const std::string& text) {
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || value <= 0) return std::nullopt;
  const std::string_view unit(end, static_cast<std::size_t>(text.data() + text.size() - end));
  const int shift = unit.empty() ? 0 : unit == "K" ? 10 : unit == "M" ? 20 : unit == "G" ? 30 : -1;
  if (shift < 0 || value > (std::int64_t{1} << (62 - shift))) return std::nullopt;
  return value << shift;
}

}  // namespace

#ifdef _WIN32
// tarn.exe starts in windows_entry.cpp, which hands the arguments over as UTF-8.
int tarn::CliMain(int argc, char** argv) {
#else
int main(int argc, char** argv) {
#endif
  CLI::App app{
      "TARN checks the data files of Kestrovar against its rule set, logs every "
      "deviation and stores what it read in KV.MDB.",
      "tarn"};
  // Options are written "--name" on every system: a folder such as "/mods/x" is a folder on
  // Windows too, not the option "/mods".
  app.allow_windows_style_options(false);
  tarn::RunOptions options;
  options.home = tarn::RealFileSystem().ExecutableFolder();
  app.set_version_flag("--version", "tarn " + tarn::VersionText());
  app.add_option("--home", options.home,
                 "Folder that stands for the program's folder: TARN.MDB is opened and "
                 "KV.MDB created there (default: the executable's folder)");
  app.add_option("--game", options.game, "Game folder for this run");
  app.add_option("--log", options.log,
                 "Log folder for this run (tarn.log is written there); made when missing and "
                 "its parent folder exists");
  auto* overwrite = app.add_flag("--overwrite", options.overwrite,
                                 "Start a fresh log with a banner (\"Overwrite\" ticked)");
  auto* append = app.add_flag("--append", options.append,
                              "Append to the existing log (\"Overwrite\" not ticked)");
  overwrite->excludes(append);
  app.add_flag("--quiet", options.quiet, "Do not copy log lines to standard output");
  app.add_flag("--stats", options.stats,
               "At the end, print to standard error where the time went: reading and "
               "decoding, checking, storing, logging");
  app.add_option("--report", options.reports,
                 "FORMAT=FILE: also write the findings as sarif, json, text (path:line: "
                 "warning: ...) or github (workflow annotations); FILE - is standard output, "
                 "which then carries only the report. May be given several times")
      ->allow_extra_args(false);
  app.add_option("--report-root", options.report_root,
                 "Make report paths relative to DIR instead of the game folder");
  app.add_option("--baseline", options.baseline,
                 "A JSON or SARIF report of an earlier run: its findings count as known, "
                 "not as new, and do not make the exit status 1. FILE may be a pipe "
                 "(<(git show ...)); one nobody writes is an empty baseline, and so is an "
                 "empty file. A folder, a device, a socket, a FILE over --max-file-size or "
                 "one that is not a JSON report (a \"findings\" array of objects with a "
                 "string \"fingerprint\") nor a SARIF one (runs[].results[]) is a usage "
                 "error");
  app.add_flag("--report-known", options.report_known,
               "List known findings (those the baseline holds) in text and github reports "
               "too; without it these list only new findings and end with how many known "
               "ones they left out. SARIF and JSON reports always hold every finding");
  app.add_option("--write-baseline", options.write_baseline,
                 "Write the run's findings as a baseline (a JSON report) to FILE");
  app.add_flag("--follow-links", options.follow_links,
               "Read files that links inside the game folder lead out of it to (refused "
               "otherwise)");
  std::string max_file_size;
  app.add_option("--max-file-size", max_file_size,
                 "Refuse game files (and binary files' text forms), bini's files and the "
                 "baseline when larger than SIZE bytes, or SIZE K, M or G (default 256M)");
  app.add_option("COMMAND", options.commands,
                 "init-db, all, dump or refs, run in the order given (refs: check the names "
                 "that values use against the names the stored sections define, after all)")
      ->check(CLI::IsMember({"init-db", "all", "dump", "refs"}));
  app.require_subcommand(0, 1);
  app.footer(
      "Exit status: 0 the whole log was written and nothing new found; 1 new findings (a "
      "warning or a repaired line neither the baseline nor the known findings installed with "
      "the rules know); 2 usage error; 3 the run could "
      "not do its job (a fatal error, the log or a report not written, the game's main file "
      "unreadable, another run holding the home or log folder, a home lock file that cannot "
      "be opened or is no regular file).\nrules export, import, restore, accept and learn: 0 done; "
      "1 "
      "(import) a fault in a rule file; 2 usage error; 3 a folder or file that cannot be read "
      "or written (a full disk included), no rules to import or none kept to restore, TARN.MDB "
      "unreadable or unwritable, the home folder held by another run.\nbini and strings: 0 "
      "done; 1 an input refused or not converted; 2 usage error; 3 an output not written; of "
      "several files, the highest status.\nWhat --game, --log and --overwrite/--append do not "
      "give comes from the settings in TARN.MDB; the command line never writes them back. A "
      "summary of every run goes to standard error."
#ifdef _WIN32
      "\nStarted from Explorer with no command, tarn.exe says what to do and waits for a key. "
      "Given one argument, the full path of a folder (a folder dropped on tarn.exe), it runs "
      "--home %LOCALAPPDATA%\\TARN --game FOLDER --log %LOCALAPPDATA%\\TARN --overwrite "
      "init-db all refs, copying TARN.MDB there first when it holds none, and in a console "
      "of its own waits for a key at the end."
#endif
  );

  // `rules` has words of its own; it is told apart before the commands are checked.
  auto* rules = app.add_subcommand("rules", "Work on the rule set of TARN.MDB");
  rules->require_subcommand(1);
  rules->fallthrough();
  std::string rules_folder;
  auto* rules_export = rules->add_subcommand(
      "export",
      "Write the rule set of TARN.MDB as text sources, one .rules file per game area, each "
      "written whole, and the installed known findings as known-findings.json; exit 3 when "
      "TARN.MDB cannot be read or DIR cannot be written");
  rules_export->add_option("DIR", rules_folder);
  bool export_json = false;
  std::string export_from;
  auto* json_flag = rules_export->add_flag(
      "--json", export_json,
      "Instead of writing DIR, print the rule set as JSON on standard output, sections, "
      "entries and value positions in their order, for scripts that read rules; exit 1 for a "
      "fault in a --from rule file, 3 when TARN.MDB or --from cannot be read");
  rules_export
      ->add_option("--from", export_from,
                   "With --json: read the rule sources in this folder instead of TARN.MDB, "
                   "checked as \"rules import\" checks them")
      ->needs(json_flag);
  auto* rules_import = rules->add_subcommand(
      "import",
      "Check the text sources in DIR (every *.rules file, letter case aside; UTF-8 when they "
      "start with a byte order mark) as the rule loader would and replace the rule set of "
      "TARN.MDB with them and the known findings of DIR/known-findings.json (none without "
      "it), keeping the ones replaced for \"rules restore\"; prints \"N "
      "sections, M keys, R references from K files\". Exit 1 for a fault in a rule file, 3 "
      "when DIR or a file cannot be read, DIR holds no rules, or TARN.MDB cannot be written");
  rules_import->add_option("DIR", rules_folder)->required();
  auto* rules_restore = rules->add_subcommand(
      "restore",
      "Put back the rule set that the last \"rules import\" replaced (once) and print "
      "\"restored N sections, M keys, R references\"; exit 3 when none is kept");
  std::string accepted_report;
  auto* rules_accept = rules->add_subcommand(
      "accept",
      "Add the findings of REPORT (a JSON or SARIF report, at most --max-file-size) to the "
      "known findings installed with the rules, which every run counts as known; prints "
      "\"added N known findings\". Exit 2 when REPORT is not a report, 3 when it cannot be "
      "read or TARN.MDB cannot be written");
  rules_accept->add_option("REPORT", accepted_report)->required();
  tarn::RuleRequest learn_request{tarn::SessionCommand::kLearn};
  tarn::LearnOptions& learn = learn_request.learn;
  auto* rules_learn = rules->add_subcommand(
      "learn",
      "Walk the game folder as \"init-db all\" does and write the rule set that "
      "describes it into OUTDIR, with LEARNED.md and, in known-findings.json, the findings "
      "that remain when the folder is checked with those rules (\"init-db all refs\" in a "
      "temporary home); TARN.MDB is not changed");
  rules_learn->fallthrough();
  rules_learn->add_flag("--merge", learn.merge,
                        "Start from the installed rule set and widen it where the folder "
                        "does not agree, instead of learning from scratch; the installed "
                        "known findings are kept with the new ones");
  rules_learn->add_flag("--force", learn.force,
                        "Accepted for older scripts; not needed: OUTDIR is replaced when an "
                        "earlier rules learn wrote it, and never otherwise");
  rules_learn
      ->add_option("--duplicate-names", learn.duplicate_names,
                   "Percent of a defining position's names that may be defined twice; each is "
                   "a \"Duplicate Name\" when the folder is checked (default 1)")
      ->check(CLI::Range(0.0, 100.0));
  rules_learn
      ->add_option("--unknown-names", learn.unknown_names,
                   "Percent of a referring position's uses that may name nothing; each is an "
                   "\"Unknown Reference\" when the folder is checked (default 1)")
      ->check(CLI::Range(0.0, 100.0));
  rules_learn->add_option("OUTDIR", learn_request.folder)->required();

  std::string diff_old, diff_new;
  auto* rules_diff = rules->add_subcommand(
      "diff",
      "List what changed between two rule folders (sections and keys added or dropped, "
      "counts and types widened, references gained or lost); exit 0 when they agree, 1 when "
      "they differ, 3 when a folder cannot be read or holds no rule file");
  rules_diff->add_option("OLD", diff_old)->required();
  rules_diff->add_option("NEW", diff_new)->required();

  // `bini` converts the files it is given and needs neither database.
  std::vector<std::string> bini_files;
  auto* bini = app.add_subcommand("bini",
                                  "Convert binary INI files to their text form, each "
                                  "FILE to FILE.txt with CR LF line ends. A FILE (or its "
                                  "text form) over --max-file-size, a folder, a device or a "
                                  "socket is refused. Exit 1 when any FILE is refused or "
                                  "cannot be converted, 3 when a FILE.txt cannot be written "
                                  "(the higher wins)");
  bini->add_option("FILE", bini_files)->required();

  // `strings` lists the string tables of one resource DLL and needs neither database.
  std::string strings_file;
  auto* strings = app.add_subcommand("strings",
                                     "List the string tables of a resource DLL, one "
                                     "\"id<TAB>text\" line per string; text that "
                                     "another id's string already took is not listed again. "
                                     "Exit 1 when FILE cannot be loaded, 3 when the list "
                                     "cannot be written");
  strings->add_option("FILE", strings_file)->required();

  // `lsp` serves an editor over standard input and output.
  std::string lsp_rules;
  auto* lsp = app.add_subcommand(
      "lsp",
      "Serve an editor as a language server (LSP 3.17) over standard input and output: "
      "diagnostics for the game's INI files as they are edited, hover, completion, go to "
      "definition and the outline. The game folder is the editor's workspace folder, or "
      "--game, which makes the workspace an overlay on it (a mod's own files). Reads "
      "TARN.MDB from --home; takes no lock and writes no KV.MDB and no tarn.log. Exit 0 "
      "after the editor's shutdown and exit, 1 when input ends without them");
  lsp->add_option("--rules", lsp_rules,
                  "A learned rules folder (tarn rules export, rules learn) to check with "
                  "instead of TARN.MDB's rule set");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }
  if (!max_file_size.empty()) {
    auto size = ParseSize(max_file_size);
    if (!size) {
      std::fprintf(stderr, "tarn: --max-file-size wants a number of bytes, or K, M or G\n");
      return kExitUsage;
    }
    options.max_file_size = *size;
  }
  const bool has_rules = static_cast<bool>(*rules);
  const bool has_bini = static_cast<bool>(*bini);
  if (has_rules && !options.commands.empty()) {
    std::fprintf(stderr, "tarn: \"rules\" does not go with other commands\n");
    return kExitUsage;
  }
  if (has_bini && !options.commands.empty()) {
    std::fprintf(stderr, "tarn: \"bini\" does not go with other commands\n");
    return kExitUsage;
  }
  if (*lsp && !options.commands.empty()) {
    std::fprintf(stderr, "tarn: \"lsp\" does not go with other commands\n");
    return kExitUsage;
  }
  if (*lsp) {
    tarn::ReadLimits limits;
    if (options.max_file_size > 0) limits.file_size = options.max_file_size;
    return tarn::ServeLanguage(options.home, options.game.value_or(""), lsp_rules, limits);
  }
  if (has_bini) return tarn::ConvertBiniFiles(bini_files, options.max_file_size);
  if (*strings && !options.commands.empty()) {
    std::fprintf(stderr, "tarn: \"strings\" does not go with other commands\n");
    return kExitUsage;
  }
  if (*strings) return tarn::ListStrings(strings_file);
  if (!has_rules && options.commands.empty()) {
    std::fprintf(stderr,
                 "tarn: a COMMAND is required: init-db, all, dump or refs (see tarn --help)\n");
    return kExitUsage;
  }
  if (*rules_diff) return tarn::DiffRuleFolders(diff_old, diff_new);
  using tarn::SessionCommand;
  if (*rules_export) {
    if (export_json != rules_folder.empty()) {
      std::fprintf(stderr, "tarn: rules export wants DIR or --json, one of them\n");
      return kExitUsage;
    }
    if (export_json) return tarn::PrintRulesJson(options.home, export_from);
    return tarn::RunRuleCommand(options.home, {SessionCommand::kExport, rules_folder});
  }
  if (*rules_import) {
    return tarn::RunRuleCommand(options.home, {SessionCommand::kImport, rules_folder});
  }
  if (*rules_restore) return tarn::RunRuleCommand(options.home, {SessionCommand::kRestore});
  if (*rules_accept) {
    return tarn::RunRuleCommand(options.home,
                                {SessionCommand::kAccept, accepted_report, options.max_file_size});
  }
  if (*rules_learn) {
    learn.follow_links = options.follow_links;
    learn.log = options.log;
    learn.max_file_size = options.max_file_size;
    learn_request.game = options.game;
    return tarn::RunRuleCommand(options.home, learn_request);
  }
  return tarn::RunCommands(options);
}
