// Findings as reports show them: where they point, fingerprints that survive moved lines,
// baselines as multisets, the formats' escaping, and the verdict a run gets.
#include "report/reported_finding.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "analysis/analysis.h"
#include "analysis/verdict.h"
#include "datadb/database.h"
#include "report/baseline.h"
#include "report/finding_detail.h"
#include "report/findings_table.h"
#include "report/formats.h"
#include "report/sample_findings.h"
#include "report/written_paths.h"
#include "settings/settings.h"
#include "support/core_fixture.h"
#include "support/rows.h"
#include "support/settings_db.h"
#include "support/world.h"

namespace tarn {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

using testing::Line;
using testing::Repair;

// A file of _bc_OtherINI that could not be opened: no line names it.
Finding Listed() {
  return {.kind = Finding::Kind::kReference,
          .number = kErrCouldNotOpenReferredFile,
          .file = "N/A",
          .value = "m\\m.ini",
          .target = "/g/DATA/m/m.ini"};
}

std::vector<std::string> Fingerprints(const std::vector<Finding>& findings) {
  std::vector<std::string> out;
  for (const ReportedFinding& r : ReportFindings(findings, {"/g", ""}))
    out.push_back(r.fingerprint);
  return out;
}

TEST(ReportedFindingTest, EachKindPointsWhereAnEditorShouldGo) {
  Finding named{.kind = Finding::Kind::kReference,
                .number = kErrCouldNotOpenReferredFile,
                .file = "/g/DATA/u.ini",
                .line = 30,
                .key = "file",
                .value = "x\\y.ini",
                .disk_file = "/g/DATA/U.ini",
                .editor_line = 33,
                .target = "/g/DATA/x/y.ini"};
  const std::vector<Finding> findings = {Line("k", "v", 15), Repair(), named, Listed()};
  auto r = ReportFindings(findings, {"/g", ""});
  std::vector<std::string> where;
  where.reserve(r.size());
  for (const ReportedFinding& f : r)
    where.push_back(f.rule + " " + f.path + ":" + std::to_string(f.line));
  EXPECT_THAT(where, ElementsAre("10302 DATA/SHIPS/A.ini:15", "repair DATA/B.INI:7",
                                 "10306 DATA/U.ini:33", "10306 DATA/m/m.ini:0"));
  EXPECT_EQ(r[0].text, "Unknown Entry");
  // The JSON report's reference names the naming file and the target relative to the game.
  EXPECT_THAT(FormatReport(ReportFormat::kJson, r, {{"/g", ""}}),
              HasSubstr("{\"file\": \"DATA/u.ini\", \"line\": 30, \"section\": \"\", \"key\": "
                        "\"file\", \"position\": 0, \"target\": \"DATA/x/y.ini\""));
  // Relative to a root of the user's: the game in a subfolder of a repository.
  Finding in_mod = Line("k", "v", 15);
  in_mod.disk_file = "/repo/mod/DATA/SHIPS/A.ini";
  EXPECT_EQ(ReportFindings(std::vector<Finding>{in_mod}, {"/repo/mod", "/repo"})[0].path,
            "mod/DATA/SHIPS/A.ini");
}

TEST(ReportedFindingTest, FingerprintsSurviveMovedLinesAndTellEqualOnesApart) {
  Finding moved = Line("k", "v", 40);
  moved.line = 90;
  moved.section_line = 80;
  moved.disk_file = "/g/data/ships/a.INI";  // letter case aside
  EXPECT_EQ(Fingerprints({Line("k", "v", 15)}), Fingerprints({moved}));
  Finding other_section = Line("k", "v", 15);
  other_section.same_name_before = 1;
  Finding named = Line("k", "v", 15);
  named.nickname = "kv_fighter";
  for (const Finding& changed :
       {Line("k2", "v", 15), Line("k", "v2", 15), Line("k", "V", 15), other_section, named}) {
    EXPECT_NE(Fingerprints({changed}), Fingerprints({Line("k", "v", 15)}));
  }
  const auto twice = Fingerprints({Line("k", "v", 15), Line("k", "v", 16)});
  EXPECT_NE(twice[0], twice[1]);
  EXPECT_EQ(twice[0], Fingerprints({Line("k", "v", 15)})[0]);
  // Baselines kept in a mod's repository hold fingerprints of earlier versions of TARN: the
  // same finding keeps the same fingerprint from one version to the next.
  EXPECT_EQ(twice, (std::vector<std::string>{"9371e178c1de9acf", "26dc34d656798d7c"}));
}

// Repairs carry their section and key and the description without the log's blanks, yet
// keep the fingerprints baselines of earlier versions hold for them.
TEST(ReportedFindingTest, RepairsKeepTheFingerprintsOfTheLogsWording) {
  auto repair = [](std::string value) {
    return Finding{.kind = Finding::Kind::kRepair,
                   .file = "/g/DATA/b.ini",
                   .line = 4,
                   .section = "Ship",
                   .key = "separable",
                   .value = std::move(value),
                   .disk_file = "/g/DATA/B.INI",
                   .editor_line = 4};
  };
  EXPECT_EQ(Fingerprints({repair("!separable! line found. Changed to !separable = true!"),
                          repair("!offer_missions = true = x = 1! line found.\n"
                                 "Splited in two lines: !offer_missions = true!x = 1!")}),
            (std::vector<std::string>{"fdc86fe6f664abcd", "075c65e804016945"}));
  const std::vector<Finding> findings = {repair("!a! line found.\nSplited in two lines: !b!c!")};
  EXPECT_EQ(FormatReport(ReportFormat::kText, ReportFindings(findings, {"/g", ""}), {}),
            "DATA/B.INI:4: warning: repair: !a! line found.; Splited in two lines: !b!c! [Ship]\n");
}

TEST(BaselineTest, MatchesAsAMultisetAndCountsTheFixed) {
  std::vector<ReportedFinding> findings(4);
  const char* prints[] = {"a", "b", "b", "c"};
  for (std::size_t i = 0; i < 4; ++i) findings[i].fingerprint = prints[i];
  EXPECT_EQ(ApplyBaseline(findings, {"a", "a", "b"}), 1);
  std::vector<bool> known;
  known.reserve(findings.size());
  for (const ReportedFinding& f : findings) known.push_back(f.known);
  EXPECT_EQ(known, (std::vector<bool>{true, true, false, false}));
}

// A "Duplicate Name" once named its other place by the game folder's own path: baselines of
// those versions still know it by this run's folder, with either separator, not by another.
TEST(BaselineTest, KnowsADuplicateNameByTheFingerprintOfItsFormerText) {
  auto duplicate = [](const std::string& other_file) {
    Finding finding = Line("nickname", "gun_a (also " + other_file + " line 4)", 20);
    finding.number = kErrDuplicateName;
    return finding;
  };
  const std::vector<Finding> now = {duplicate("DATA/b.ini")};
  for (const char* former : {"/g/DATA/b.ini", "\\g\\DATA\\b.ini", "/h/DATA/b.ini"}) {
    std::vector<ReportedFinding> reported = ReportFindings(now, {"/g/", ""});
    ApplyBaseline(reported, Fingerprints({duplicate(former)}));
    EXPECT_EQ(reported[0].known, former[1] != 'h') << former;
  }
}

TEST(BaselineTest, ReadsJsonAndSarifReportsAndRefusesOthers) {
  testing::TempDir dir;
  RealFileSystem files;
  const std::vector<Finding> found = {Line("k", "v", 15), Line("k", "v", 16)};
  const auto reported = ReportFindings(found, {"/g", ""});
  for (ReportFormat format : {ReportFormat::kJson, ReportFormat::kSarif}) {
    std::ofstream(dir.File("b")) << FormatReport(format, reported, {{"/g", ""}});
    EXPECT_EQ(ReadBaseline(files, dir.File("b"), 1 << 20),
              (std::vector<std::string>{reported[0].fingerprint, reported[1].fingerprint}));
  }
  EXPECT_EQ(ParseBaseline(""), std::vector<std::string>{});  // a pipe that gave nothing
  // Valid JSON of another shape is no baseline, and the reason names the part that is wrong.
  const std::string deep =
      "{\"findings\": " + std::string(2000, '[') + std::string(2000, ']') + "}";
  const std::pair<std::string, const char*> wrong[] = {
      {"not json", "it is not JSON"},
      {deep, "malformed JSON"},  // JSON nested deeper than the database engine reads
      // An object where a name belongs: Debian's SQLite took it for JSON, then crashed on it.
      {"{\"findings\": [{{\"a\": 1}: 2}]}", "it is not JSON"},
      {"[1]", "it is not a JSON object"},
      {"{\"other\": 1}",
       "it has neither \"findings\" (a JSON report) nor \"runs\" (a SARIF report)"},
      {"{\"findings\": 5}", "\"findings\" is not an array"},
      {"{\"findings\": {\"fingerprint\": \"a\"}}", "\"findings\" is not an array"},
      {"{\"findings\": [{\"fingerprint\": \"a\"}, \"b\"]}", "findings[1] is not an object"},
      {"{\"findings\": [{\"fingerprint\": 7}]}", "findings[0] has no string \"fingerprint\""},
      {"{\"runs\": 5}", "\"runs\" is not an array"},
      {"{\"runs\": [\"r\"]}", "runs[0] is not an object"},
      {"{\"runs\": [{}]}", "runs[0].results is not an array"},
      {"{\"runs\": [{\"results\": [{}, 3]}]}", "runs[0].results[1] is not an object"},
      {"{\"runs\": [{\"results\": [{\"partialFingerprints\": {\"tarn/v1\": 1}}]}]}",
       "runs[0].results[0] has a \"tarn/v1\" fingerprint that is not a string"},
  };
  for (const auto& [text, why] : wrong) {
    EXPECT_EQ(testing::WhatOf<BaselineError>([&json = text] { ParseBaseline(json); }), why) << text;
  }
  // Inputs that are no report file at all are refused before a byte is read.
  std::filesystem::resize_file(dir.File("b"), std::int64_t{5} << 30);  // sparse: no disk used
  for (const auto& [path, why] : std::vector<std::pair<std::string, std::string>>{
           {dir.File("missing"), "cannot be opened: No such file or directory"},
           {dir.Path(), "is a folder, not a file"},
           {"/dev/zero", "is a device, not a file"},
           {dir.File("b"), "is more than the limit of 1048576 bytes (--max-file-size)"}}) {
    EXPECT_EQ(
        testing::WhatOf<BaselineError>([&, &file = path] { ReadBaseline(files, file, 1 << 20); }),
        "the baseline " + path + " " + why);
  }
}

TEST(FormatsTest, TextAndAnnotationsEscapeWhatWouldEndThem) {
  std::vector<Finding> findings = {Line("k,1", "50%:\nx", 15)};
  findings[0].binary = true;
  auto r = ReportFindings(findings, {"/g", ""});
  EXPECT_EQ(FormatReport(ReportFormat::kText, r, {}),
            "DATA/SHIPS/A.ini:15: warning: 10302 Unknown Entry: k,1 = 50%:\nx [Ship] (line of "
            "the binary file's text form)\n");
  EXPECT_EQ(FormatReport(ReportFormat::kGithub, r, {}),
            "::warning file=DATA/SHIPS/A.ini,line=15,title=10302 Unknown Entry::k,1 = 50%25:%0Ax "
            "[Ship] (line of the binary file's text form)\n");
  // JSON and SARIF are JSON, code page 1252 and control characters included.
  findings = {Line("caf\xE9", "\x01", 2)};
  r = ReportFindings(findings, {"/g", ""});
  for (ReportFormat format : {ReportFormat::kJson, ReportFormat::kSarif}) {
    EXPECT_EQ(testing::JsonRows(FormatReport(format, r, {{"/g", ""}}), "SELECT json_valid(?1)"),
              testing::Rows{"1"});
  }
  EXPECT_THAT(FormatReport(ReportFormat::kJson, r, {{"/g", ""}}), HasSubstr("caf\xC3\xA9"));
  findings[0].disk_file = "/g/DATA/my ships-2/a.ini";
  EXPECT_THAT(
      FormatReport(ReportFormat::kSarif, ReportFindings(findings, {"/g", ""}), {{"/g", ""}}),
      HasSubstr("\"uri\": \"DATA/my%20ships-2/a.ini\""));
}

// Text and annotations are read by people, and GitHub shows only the first annotations of a
// step: known findings stay out unless asked for, and a last line counts them.
TEST(FormatsTest, TextAndAnnotationsLeaveKnownFindingsOutUnlessAsked) {
  const std::vector<Finding> findings = {Line("a", "1", 1), Line("b", "2", 2), Line("c", "3", 3)};
  struct Case {
    ReportFormat format;
    bool list_known;
    std::vector<bool> known;
    const char* expected;
  };
  const Case cases[] = {
      {ReportFormat::kText,
       false,
       {true, false, true},
       "DATA/SHIPS/A.ini:2: warning: 10302 Unknown Entry: b = 2 [Ship]\n"
       "note: 2 known findings left out (--report-known lists them)\n"},
      {ReportFormat::kText,
       true,
       {true, true, true},
       "DATA/SHIPS/A.ini:1: warning: 10302 Unknown Entry: a = 1 [Ship]\n"
       "DATA/SHIPS/A.ini:2: warning: 10302 Unknown Entry: b = 2 [Ship]\n"
       "DATA/SHIPS/A.ini:3: warning: 10302 Unknown Entry: c = 3 [Ship]\n"},
      {ReportFormat::kGithub,
       false,
       {true, true, true},
       "::notice::3 known findings left out (--report-known lists them)\n"},
      {ReportFormat::kGithub,
       false,
       {false, true, false},
       "::warning file=DATA/SHIPS/A.ini,line=1,title=10302 Unknown Entry::a = 1 [Ship]\n"
       "::warning file=DATA/SHIPS/A.ini,line=3,title=10302 Unknown Entry::c = 3 [Ship]\n"
       "::notice::1 known finding left out (--report-known lists them)\n"},
  };
  for (const Case& c : cases) {
    auto r = ReportFindings(findings, {"/g", ""});
    for (std::size_t i = 0; i < r.size(); ++i) r[i].known = c.known[i];
    ReportRun run{{"/g", ""}, true};
    run.list_known = c.list_known;
    EXPECT_EQ(FormatReport(c.format, r, run), c.expected);
    // The machine-read forms keep every finding.
    EXPECT_THAT(FormatReport(ReportFormat::kJson, r, run), HasSubstr("\"findings\": 3,"));
  }
}

// A hint goes into every form's detail and into a field of its own in JSON and SARIF; a
// finding without one is written as before. An unknown name lists three kinds at most; a file
// over a limit says how big it or its line is, and the limit it went over.
TEST(FormatsTest, HintsTheKindsOfAnUnknownNameAndTheLimitAFileWentOver) {
  Finding typo = Line("hit_pt", "5", 3);
  typo.hint = "hit_pts";
  Finding name{.kind = Finding::Kind::kUnknownName,
               .number = kErrUnknownReference,
               .file = "/g/DATA/l.ini",
               .line = 9,
               .section = "Loadout",
               .key = "equip",
               .value = "gun_2",
               .target =
                   "[Gun]nickname | [Mine]nickname | [Cm]nickname | [Shield]nickname | "
                   "[Engine]nickname",
               .hint = "gun_1"};
  const std::vector<Finding> findings = {typo, name, Line("plain", "1", 4)};
  const auto r = ReportFindings(findings, {"/g", ""});
  EXPECT_EQ(FormatReport(ReportFormat::kText, r, {}),
            "DATA/SHIPS/A.ini:3: warning: 10302 Unknown Entry: hit_pt = 5 [Ship]; did you mean "
            "`hit_pts`?\n"
            "DATA/l.ini:9: warning: 10401 Unknown Reference: equip = gun_2 [Loadout]: no "
            "[Gun]nickname | [Mine]nickname | [Cm]nickname | 2 more has this name; did you mean "
            "`gun_1`?\n"
            "DATA/SHIPS/A.ini:4: warning: 10302 Unknown Entry: plain = 1 [Ship]\n");
  name.target = "[Gun]nickname | [Mine]nickname | [Cm]nickname";
  EXPECT_THAT(FindingDetail(ReportFindings(std::vector<Finding>{name}, {"/g", ""})[0]),
              HasSubstr("no [Gun]nickname | [Mine]nickname | [Cm]nickname has this name"));
  for (const auto& [number, detail] :
       {std::pair{kErrFileTooLarge, "9000 bytes, over the limit of 4096"},
        {kErrLineTooLong, "9000 bytes in one line, over the limit of 4096"}}) {
    const Finding big{
        .kind = Finding::Kind::kFile, .number = number, .key = "4096", .value = "9000"};
    EXPECT_EQ(FindingDetail(ReportFindings(std::vector<Finding>{big}, {"/g", ""})[0]), detail);
  }
  // The field follows those a finding always has; the SARIF message ends with the question.
  EXPECT_THAT(FormatReport(ReportFormat::kJson, r, {{"/g", ""}}),
              AllOf(HasSubstr("\"value\": \"5\", \"hint\": \"hit_pts\",\n"),
                    HasSubstr("\"value\": \"1\",\n")));
  EXPECT_THAT(FormatReport(ReportFormat::kSarif, r, {{"/g", ""}}),
              AllOf(HasSubstr("did you mean `hit_pts`?\"}"),
                    HasSubstr("\"textFormLine\": false, \"hint\": \"hit_pts\"}}"),
                    HasSubstr("\"value\": \"1\", \"textFormLine\": false}}")));
}

// An empty home is the current folder, which a run works in; an empty game or log folder is
// none set, and names no folder at all.
TEST(WrittenPathsTest, EmptyHomeIsTheCurrentFolderAndEmptyGameNone) {
  RealFileSystem files;
  EXPECT_EQ(WhyNotReplaceable(files, {"", "", "", std::nullopt}, "."), "it is the home folder");
}

// The Findings table beside the data tables: a repair has no number, a value its position, a
// file that no line names (one of _bc_OtherINI) no line, also after a row that has one.
TEST(FindingsTableTest, EachFindingIsARowWithItsPlace) {
  Finding value = Line("k", "v", 15);
  value.index = 2;
  const std::vector<Finding> findings = {value, Listed(), Line("k", "v", 1), Repair()};
  Database db = Database::Open(":memory:", Database::Mode::kCreate);
  StoreFindings(db, ReportFindings(findings, {"/g", ""}), 3);
  EXPECT_EQ(testing::RowsOf(db, "SELECT Run, Rule, Number, Position, Line, LogLine FROM Findings"),
            (testing::Rows{"3|10302|10302|2|15|12", "3|10306|10306|0|null|0",
                           "3|10302|10302|0|1|12", "3|repair|null|0|7|7"}));
}

// A log that cannot be written is a run that could not do its job, whatever it found.
using VerdictTest = testing::CoreTest;

TEST_F(VerdictTest, StatusFollowsFindingsBaselineAndTroubles) {
  const testing::TempDir dir;
  testing::MakeSettingsDB(dir.File("TARN.MDB"), {.log_path = "logs"});
  Settings stored(front_end);
  stored.SetSettingsDBName(dir.File("TARN.MDB"));
  stored.Values().SetLogPath("logs");
  Analysis analysis(stored, front_end, files, "home");
  std::vector<ReportedFinding> findings(1);
  EXPECT_EQ(Judge(analysis, {}).status, kStatusClean);
  EXPECT_EQ(Judge(analysis, findings).status, kStatusFindings);
  findings[0].known = true;
  EXPECT_EQ(Judge(analysis, findings).status, kStatusClean);
  EXPECT_EQ(Judge(analysis, findings, {"a report could not be written"}).status, kStatusTrouble);

  files.Lock(kLogFile);  // every write of the log fails from here on
  analysis.RunDumpRules(false);
  const Verdict verdict = Judge(analysis, findings);
  EXPECT_EQ(verdict.status, kStatusTrouble);
  EXPECT_THAT(verdict.reasons, ElementsAre(HasSubstr("could not be written to logs/tarn.log (75")));
}

}  // namespace
}  // namespace tarn
