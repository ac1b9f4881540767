// tarn: the command line over TARN's core, for scripted runs and the CI of mods.
//
//   tarn [--home DIR] [--game DIR] [--log DIR] [--overwrite | --append] [--quiet] [--stats]
//        [--report FORMAT=FILE]... [--report-root DIR] [--baseline FILE]
//        [--write-baseline FILE] COMMAND...
//   tarn [--home DIR] [--game DIR] rules learn [--merge] [--force] OUTDIR
//   tarn [--home DIR] rules export DIR | rules import DIR
//   tarn bini FILE...
//   tarn strings FILE
//
// Each COMMAND (init-db, all, dump, refs) runs as if its button of the window program were
// pressed, in the order given; the exit status is in run_command.h.
#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bini_command.h"
#include "learn_command.h"
#include "rules_command.h"
#include "run_command.h"
#include "shell/version.h"
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

#ifdef _WIN32
using tarn::ExecutableFolder;
#else
std::string ExecutableFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return ".";
  return exe.parent_path().string();
}
#endif

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
  tarn::RunOptions options;
  options.home = ExecutableFolder();
  app.set_version_flag("--version", "tarn " + tarn::VersionText());
  app.add_option("--home", options.home,
                 "Folder that stands for the program's folder: TARN.MDB is opened and "
                 "KV.MDB created there (default: the executable's folder)");
  app.add_option("--game", options.game, "Game folder for this run");
  app.add_option("--log", options.log, "Log folder for this run (tarn.log is written there)");
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
                 "not as new, and do not make the exit status 1");
  app.add_option("--write-baseline", options.write_baseline,
                 "Write the run's findings as a baseline (a JSON report) to FILE");
  app.add_flag("--follow-links", options.follow_links,
               "Read files that links inside the game folder lead out of it to (refused "
               "otherwise)");
  std::string max_file_size;
  app.add_option("--max-file-size", max_file_size,
                 "Refuse game files (and binary files' text forms) larger than SIZE bytes, or "
                 "SIZE K, M or G (default 256M)");
  app.add_option("COMMAND", options.commands,
                 "init-db, all, dump or refs, run in the order given (refs: check the names "
                 "that values use against the names the stored sections define, after all)")
      ->check(CLI::IsMember({"init-db", "all", "dump", "refs"}));
  app.require_subcommand(0, 1);
  app.footer(
      "Exit status: 0 the whole log was written and nothing new found; 1 new findings (a "
      "warning or a repaired line the baseline does not know); 2 usage error; 3 the run could "
      "not do its job (a fatal error, the log or a report not written, the game's main file "
      "unreadable).\nWhat --game, --log and --overwrite/--append do not give comes from the "
      "settings in TARN.MDB; the command line never writes them back. A summary of every "
      "run goes to standard error.");

  // `rules` has words of its own; it is told apart before the commands are checked.
  auto* rules = app.add_subcommand("rules", "Work on the rule set of TARN.MDB");
  rules->require_subcommand(1);
  rules->fallthrough();
  std::string rules_folder;
  auto* rules_export = rules->add_subcommand(
      "export", "Write the rule set of TARN.MDB as text sources, one .rules file per game area");
  rules_export->add_option("DIR", rules_folder)->required();
  auto* rules_import = rules->add_subcommand(
      "import",
      "Check the text sources in DIR as the rule loader would and replace the rule "
      "set of TARN.MDB with them");
  rules_import->add_option("DIR", rules_folder)->required();
  tarn::LearnOptions learn;
  auto* rules_learn = rules->add_subcommand(
      "learn",
      "Walk the game folder as \"init-db all\" does and write the rule set that "
      "describes it into OUTDIR, with LEARNED.md; TARN.MDB is not changed");
  rules_learn->fallthrough();
  rules_learn->add_flag("--merge", learn.merge,
                        "Start from the installed rule set and widen it where the folder "
                        "does not agree, instead of learning from scratch");
  rules_learn->add_flag("--force", learn.force,
                        "Accepted for older scripts; not needed: OUTDIR is replaced when an "
                        "earlier rules learn wrote it, and never otherwise");
  rules_learn->add_option("OUTDIR", learn.folder)->required();

  // `bini` converts the files it is given and needs neither database.
  std::vector<std::string> bini_files;
  auto* bini = app.add_subcommand("bini",
                                  "Convert binary INI files to their text form, each "
                                  "FILE to FILE.txt with CR LF line ends; exit 1 when "
                                  "any cannot be converted");
  bini->add_option("FILE", bini_files)->required();

  // `strings` lists the string tables of one resource DLL and needs neither database.
  std::string strings_file;
  auto* strings = app.add_subcommand("strings",
                                     "List the string tables of a resource DLL, one "
                                     "\"id<TAB>text\" line per string; exit 1 when "
                                     "FILE cannot be loaded");
  strings->add_option("FILE", strings_file)->required();

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
  if (has_bini) return tarn::ConvertBiniFiles(bini_files);
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
  if (*rules_export) return tarn::ExportRules(options.home, rules_folder);
  if (*rules_import) return tarn::ImportRules(options.home, rules_folder);
  if (*rules_learn) {
    learn.follow_links = options.follow_links;
    learn.log = options.log;
    learn.max_file_size = options.max_file_size;
    return tarn::LearnRules(options.home, options.game, learn);
  }
  return tarn::RunCommands(options);
}
