// The findings view's table: one row per finding of a run (file, line, section, key, number,
// text, offending value), and the filter over it (by warning numbers, by file, by free text,
// new or known) through which the view sorts.
#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QSet>
#include <QString>
#include <cstdint>
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
struct FindingsTable {
  std::vector<FindingRow> rows;
  std::vector<FindingCells> cells;
  std::vector<std::uint32_t> ranks[7];
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
  // the table shown before, for the caller to free where it costs the window nothing.
  FindingsTable SetTable(FindingsTable table);
  const FindingRow& Row(int row) const { return table_.rows[static_cast<std::size_t>(row)]; }
  const FindingCells& Cells(int row) const { return table_.cells[static_cast<std::size_t>(row)]; }
  std::uint32_t Rank(int column, int row) const {
    return table_.ranks[column][static_cast<std::size_t>(row)];
  }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  // The line is a number (0 shows empty: the file as a whole), so that it sorts as one.
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  FindingsTable table_;
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

 protected:
  bool filterAcceptsRow(int source_row, const QModelIndex& source_parent) const override;
  // Compares the rows' own fields, not display texts: 150,000 rows sort at once.
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

 private:
  QSet<QString> hidden_;
  bool show_known_ = false;
  QString number_;
  QString file_;
  QString text_;
};

}  // namespace tarn::gui
