// The findings view on findings made up for it: what it hides, how it filters and sorts.
#include <gtest/gtest.h>

#include <QString>
#include <QTableView>
#include <string>
#include <vector>

#include "findings_model.h"
#include "findings_window.h"
#include "platform/file_system.h"
#include "session/command_account.h"

namespace tarn::gui {
namespace {

// The findings view hides known findings unless asked, hides the numbers the user unticks
// while the rest stay, and sorts on the rows' own values.
TEST(FindingsWindowTest, HidesKnownFindingsAndUntickedNumbersAndSortsByLine) {
  CommandAccount account;
  const struct {
    const char* rule;
    int line;
    bool known;
  } rows[] = {{"repair", 30, false},
              {"10302", 4, false},
              {"repair", 200, false},
              {"10302", 17, true},
              {"10101", 9, false}};
  for (const auto& row : rows) {
    account.findings.push_back(
        FindingRow{.rule = row.rule, .path = "DATA/a.ini", .line = row.line, .known = row.known});
    ++account.counts[row.rule];
    account.known += row.known ? 1 : 0;
  }
  RealFileSystem files;
  FindingsWindow view(files);
  view.SetRun(account);
  EXPECT_EQ(view.TotalRows(), 5);
  EXPECT_EQ(view.ShownRows(), 4);
  EXPECT_TRUE(view.CountsText().contains("1 known finding hidden"))
      << view.CountsText().toStdString();
  view.ShowKnown(true);
  EXPECT_EQ(view.ShownRows(), 5);
  view.HideNumber("repair", true);
  EXPECT_EQ(view.ShownRows(), 3);
  view.HideNumber("10101", true);
  EXPECT_EQ(view.ShownRows(), 2);
  view.HideNumber("repair", false);
  EXPECT_EQ(view.ShownRows(), 4);
  view.Table()->sortByColumn(FindingsModel::kLine, Qt::AscendingOrder);
  std::vector<int> lines;
  for (int row = 0; row < view.ShownRows(); ++row) {
    lines.push_back(view.Table()->model()->index(row, FindingsModel::kLine).data().toInt());
  }
  EXPECT_EQ(lines, (std::vector<int>{4, 17, 30, 200}));
}

// The filters match letter case aside (beyond ASCII too) within one column, never across two;
// a line number matches only by its digits; a sort keeps the selected finding selected.
TEST(FindingsWindowTest, FiltersWithinOneColumnAndSortKeepsTheSelection) {
  CommandAccount account;
  account.findings = {
      FindingRow{.rule = "10302",
                 .text = "\xC9nergie",
                 .path = "DATA/Ship.ini",
                 .line = 200,
                 .section = "ab",
                 .key = "cd"},
      FindingRow{.rule = "10101", .text = "x", .path = "DATA/b.ini", .line = 7, .section = "Ship"}};
  account.counts = {{"10302", 1}, {"10101", 1}};
  RealFileSystem files;
  FindingsWindow view(files);
  view.SetRun(account);
  const struct {
    const char* file;
    const char* text;
    int shown;
  } cases[] = {{"", "\u00e9NERGIE", 1}, {"", "ship", 2}, {"SHIP", "", 1},     {"", "bc", 0},
               {"", "20", 1},           {"", "7", 1},    {"b.ini", "200", 0}, {"", "", 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + "|" + c.text);
    view.FilterByFile(QString::fromUtf8(c.file));
    view.FilterByText(QString::fromUtf8(c.text));
    EXPECT_EQ(view.ShownRows(), c.shown);
  }
  view.Table()->selectRow(1);
  view.Table()->sortByColumn(FindingsModel::kLine, Qt::AscendingOrder);
  const QModelIndexList selected =
      view.Table()->selectionModel()->selectedRows(FindingsModel::kLine);
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(selected[0].row(), 0);
  EXPECT_EQ(selected[0].data().toInt(), 7);
  // A new run shows every number again.
  view.HideNumber("10101", true);
  EXPECT_EQ(view.ShownRows(), 1);
  view.SetRun(account);
  EXPECT_EQ(view.ShownRows(), 2);
}

}  // namespace
}  // namespace tarn::gui
