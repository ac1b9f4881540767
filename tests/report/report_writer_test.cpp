// The reports of a run as the file system sees them: each written whole where it was asked
// for, an old report kept when its write fails, and orders that would collide refused first.
#include "report/report_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "platform/error.h"
#include "report/sample_findings.h"
#include "support/memory_file_system.h"

namespace tarn {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::MemoryFileSystem;

// What the standard output stand-in received.
std::string Contents(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  return text;
}

struct WriterTest : ::testing::Test {
  MemoryFileSystem files;
  std::FILE* out = std::tmpfile();
  const std::vector<Finding> findings = {testing::Line("hull", "1", 3), testing::Repair()};
  WriterTest() {
    files.AddFolder("/g");
    files.AddFolder("/out");
  }
  ~WriterTest() override { std::fclose(out); }
};

TEST_F(WriterTest, EveryFormatGoesWholeToItsOwnFileOrStandardOutput) {
  ReportOrders orders;
  for (const char* text :
       {"sarif=/out/r.sarif", "json=/out/r.json", "github=/out/r.txt", "text=-"}) {
    ReportOrder order;
    std::string why;
    ASSERT_TRUE(ParseReportOrder(text, order, why)) << why;
    orders.reports.push_back(order);
  }
  orders.baseline_file = "/out/base.json";
  files.SetFile("/out/r.json", "an older, longer report that must not leave a tail");
  ReportWriter writer(files, out, orders);
  const auto& reported = writer.Report(findings, "/g", {}, false);
  ASSERT_EQ(reported.size(), 2u);
  EXPECT_THAT(writer.Write(), IsEmpty());
  const ReportRun run{{"/g", "", "/g", ""}};
  EXPECT_EQ(files.File("/out/r.sarif"), FormatReport(ReportFormat::kSarif, reported, run));
  EXPECT_EQ(files.File("/out/r.json"), FormatReport(ReportFormat::kJson, reported, run));
  EXPECT_EQ(files.File("/out/r.txt"), FormatReport(ReportFormat::kGithub, reported, run));
  EXPECT_EQ(Contents(out), FormatReport(ReportFormat::kText, reported, run));
  EXPECT_EQ(files.File("/out/base.json"), files.File("/out/r.json"));
}

TEST_F(WriterTest, FoldersAreMadeAbsoluteThroughTheFileSystem) {
  // The in-memory tree has its current folder at the root: "." is "/".
  ReportWriter writer(files, out, {{{ReportFormat::kSarif, "/out/r.sarif"}}, "/out/b.json", "."});
  const auto& reported = writer.Report(findings, "/g", {}, false);
  ASSERT_THAT(writer.Write(), IsEmpty());
  EXPECT_EQ(reported[0].path, "g/DATA/SHIPS/A.ini");
  EXPECT_THAT(files.File("/out/r.sarif"), HasSubstr("{\"uri\": \"file:///\"}"));
  // The baseline keeps the game folder's own paths whatever the reports' root.
  EXPECT_THAT(files.File("/out/b.json"), HasSubstr("\"path\": \"DATA/SHIPS/A.ini\""));
}

TEST_F(WriterTest, AFailedWriteKeepsTheOldFileAndNamesIt) {
  const std::function<void(MemoryFileSystem&, const std::string&)> faults[] = {
      [](MemoryFileSystem& f, const std::string& path) { f.FailWriteAfter(path, 10); },
      [](MemoryFileSystem& f, const std::string& path) { f.FailRename(path); },
  };
  for (const auto& fault : faults) {
    for (const char* broken : {"/out/r.json", "/out/base.json"}) {
      MemoryFileSystem tree;
      tree.AddFolder("/out");
      tree.SetFile("/out/r.json", "old report\r\n\x01");
      tree.SetFile("/out/base.json", "old baseline");
      const std::string before = tree.File(broken);
      fault(tree, broken);
      ReportWriter writer(
          tree, out,
          {{{ReportFormat::kJson, "/out/r.json"}, {ReportFormat::kText, "/out/r.txt"}},
           "/out/base.json"});
      writer.Report(findings, "/g", {}, false);
      const std::vector<std::string> failed = writer.Write();
      SCOPED_TRACE(broken);
      ASSERT_EQ(failed.size(), 1u);
      EXPECT_THAT(failed[0], HasSubstr(std::string(broken) + " could not be written (Path/File"));
      EXPECT_EQ(tree.File(broken), before);
      // The others are written all the same.
      EXPECT_TRUE(tree.HasFile("/out/r.txt"));
    }
  }
}

TEST_F(WriterTest, OrdersThatCollideAreRefusedBeforeAnythingIsWritten) {
  files.SetFile("/out/known.json", "{}");
  const OwnedPlaces places{"/home", "/log", "/g", "/out/known.json"};
  struct Case {
    std::vector<ReportOrder> reports;
    std::optional<std::string> baseline_file;
    std::string refused;  // empty: allowed
  } cases[] = {
      {{{ReportFormat::kJson, "/out/a"}, {ReportFormat::kText, "/out/./a"}},
       {},
       "will not write /out/./a: another report is written to the same file"},
      {{{ReportFormat::kJson, "/out/a"}},
       "/out/a",
       "will not write /out/a: another report is written to the same file"},
      {{{ReportFormat::kText, "-"}, {ReportFormat::kGithub, "-"}},
       {},
       "will not write -: two reports cannot both go to standard output"},
      {{{ReportFormat::kJson, "/out/known.json"}}, {}, "will not write /out/known.json: "},
      {{{ReportFormat::kJson, "/out/a"}, {ReportFormat::kText, "-"}}, "/out/b", ""},
  };
  for (const Case& c : cases) {
    const std::string refusal =
        ReportWriter(files, out, {c.reports, c.baseline_file}).Refusal(places);
    if (c.refused.empty()) {
      EXPECT_EQ(refusal, "");
    } else {
      EXPECT_THAT(refusal, ::testing::StartsWith(c.refused));
    }
  }
  EXPECT_FALSE(files.HasFile("/out/a"));
}

TEST(ReportOrderTest, OnlyAKnownFormatWithAFileIsAnOrder) {
  ReportOrder order;
  std::string why;
  EXPECT_TRUE(ParseReportOrder("github=a=b", order, why));
  EXPECT_EQ(order.format, ReportFormat::kGithub);
  EXPECT_EQ(order.file, "a=b");
  std::vector<std::string> reasons;
  for (const char* text : {"json", "json=", "xml=r.xml"}) {
    EXPECT_FALSE(ParseReportOrder(text, order, why)) << text;
    reasons.push_back(why);
  }
  EXPECT_THAT(reasons, ElementsAre("--report wants FORMAT=FILE, not \"json\"",
                                   "--report wants FORMAT=FILE, not \"json=\"",
                                   "--report: no format \"xml\" (sarif, json, text, github)"));
}

}  // namespace
}  // namespace tarn
