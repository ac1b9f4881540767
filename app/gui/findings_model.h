// The findings view's table: one row per finding of a run (file, line, section, key, number,
// text, offending value), and the filter over it (by warning numbers, by file, by free text,
// new or known) through which the view shows it.
#pragma once

#include <QAbstractTableModel>
#include <QSet>
#include <QSortFilterProxyModel>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "session/command_account.h"

namespace tarn::gui {

// The texts of one row as the view shows them.
struct FindingCells {
  QString texts[7];
};

// A run's rows with their texts decoded for the view. Made where the run was (on the worker
// thread, so that the window never decodes 150,000 rows itself) and handed over whole.
// Each column's order is kept as a rank per row (equal values, equal ranks), so that sorting
// 150,000 rows compares two numbers, not two texts, and answers at once.
// The texts the filters search are kept case-folded, in UTF-8, one after another, so that a
// filter over 150,000 rows is a plain byte search: each row's file first, then its section,
// key, number, text and value, each after a NUL.
struct FindingsTable {
  std::vector<FindingRow> rows;
  std::vector<FindingCells> cells;
  std::vector<std::uint32_t> ranks[7];
  std::string folded;
  std::vector<std::size_t> folded_at;  // row i's texts are folded[folded_at[i], folded_at[i + 1])
};
FindingsTable MakeFindingsTable(std::vector<FindingRow> rows);

class FindingsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kFile, kLine, kSection, kKey, kNumber, kText, kValue, kColumnCount };

  using QAbstractTableModel::QAbstractTableModel;

  // Replaces the rows; texts from the game files are decoded from code page 1252 once here.
  void SetRows(const std::vector<FindingRow>& rows);
  // Replaces the rows with a table made beforehand: no decoding on the caller's thread. Returns
  // the table shown before, for the caller to free where it costs the window nothing. The
  // rows come in the order of the last sort.
  FindingsTable SetTable(FindingsTable table);
  // The model's row-th row, in its current order.
  const FindingRow& Row(int row) const { return table_.rows[At(row)]; }
  const FindingCells& Cells(int row) const { return table_.cells[At(row)]; }
  // The row's folded texts (see FindingsTable).
  std::string_view Folded(int row) const {
    const std::size_t at = At(row);
    return std::string_view(table_.folded)
        .substr(table_.folded_at[at], table_.folded_at[at + 1] - table_.folded_at[at]);
  }

  // Orders the rows by a column (-1: as the run found them). The model sorts itself, by the
  // ranks made with the table, rather than leaving it to the filter above it, which would
  // compare 150,000 rows through model indexes and keep the window waiting for it.
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  // The line is a number (0 shows empty: the file as a whole), so that it sorts as one.
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  std::size_t At(int row) const { return order_[static_cast<std::size_t>(row)]; }
  // Sets order_ for sort_column_ and sort_order_, with no signal.
  void Order();

  FindingsTable table_;
  std::vector<std::uint32_t> order_;  // the table's row shown at each of the model's rows
  int sort_column_ = -1;
  Qt::SortOrder sort_order_ = Qt::AscendingOrder;
};

class FindingsFilter : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

  // The warning number a row must have ("10302", "repair"); empty: any.
  void SetNumber(const QString& rule);
  // The warning numbers whose rows are hidden, whatever SetNumber says.
  void SetHiddenNumbers(QSet<QString> rules);
  // Whether rows a baseline or the installed rules know are shown (hidden by default).
  void SetShowKnown(bool show);
  // Text the row's file must hold, letter case aside; empty: any.
  void SetFile(const QString& part);
  // Text one of the row's columns must hold, letter case aside; empty: any.
  void SetText(const QString& part);
  // Clears every filter but the known one without filtering again: for a new table, which
  // the model's reset then filters once.
  void ClearForNewTable();
  // Has the model sort itself (FindingsModel::sort); the filter keeps the model's order.
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

 protected:
  bool filterAcceptsRow(int source_row, const QModelIndex& source_parent) const override;

 private:
  QSet<QString> hidden_;
  bool show_known_ = false;
  QString number_;
  // Case-folded UTF-8, as the table's texts are kept.
  std::string file_;
  std::string text_;
  bool text_is_number_ = false;  // text_ is all digits, so a line number may hold it
};

}  // namespace tarn::gui
