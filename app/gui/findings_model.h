// The findings view's table: one row per finding of a run (file, line, section, key, number,
// text, offending value), and the filter over it (by warning number, by file, by free text)
// through which the view sorts.
#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QString>
#include <vector>

#include "session/command_account.h"

namespace tarn::gui {

class FindingsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kFile, kLine, kSection, kKey, kNumber, kText, kValue, kColumnCount };

  using QAbstractTableModel::QAbstractTableModel;

  // Replaces the rows; texts from the game files are decoded from code page 1252 once here.
  void SetRows(const std::vector<FindingRow>& rows);
  const FindingRow& Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  // The line is a number (0 shows empty: the file as a whole), so that it sorts as one.
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  struct Cells {
    QString texts[kColumnCount];
  };
  std::vector<FindingRow> rows_;
  std::vector<Cells> cells_;
};

class FindingsFilter : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

  // The warning number a row must have ("10302", "repair"); empty: any.
  void SetNumber(const QString& rule);
  // Text the row's file must hold, letter case aside; empty: any.
  void SetFile(const QString& part);
  // Text one of the row's columns must hold, letter case aside; empty: any.
  void SetText(const QString& part);

 protected:
  bool filterAcceptsRow(int source_row, const QModelIndex& source_parent) const override;

 private:
  QString number_;
  QString file_;
  QString text_;
};

}  // namespace tarn::gui
