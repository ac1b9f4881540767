// The findings view: the warnings of the last "All" as a table (the file relative to the game
// folder, the editor line, section, key, number, text and offending value) that sorts by any
// column and filters by warning numbers (several at once: each can be hidden), by file, by
// free text and by new or known (known ones hidden unless asked for), with the counts by
// number above it.
// Double click or Enter on a row opens its file in the viewer below the table, at the line.
// It reads the run's finding records, never the log's text.
#pragma once

#include <QString>
#include <QWidget>
#include <string>

#include "findings_model.h"
#include "session/command_account.h"

class QCheckBox;
class QComboBox;
class QStandardItemModel;
class QLabel;
class QLineEdit;
class QModelIndex;
class QSplitter;
class QTableView;

namespace tarn {
class FileSystem;
}

namespace tarn::gui {

class FileViewer;
class FindingsFilter;
class FindingsModel;

class FindingsWindow : public QWidget {
  Q_OBJECT

 public:
  // The viewer reads the findings' files through files, which must outlive the window.
  explicit FindingsWindow(FileSystem& files, QWidget* parent = nullptr);

  // Shows the findings of the "All" or "References" that account describes, filters cleared;
  // the viewer closes. With table, its rows (made beforehand from the account's) are shown
  // instead, and the table shown before is returned, for the caller to free off the window's
  // thread.
  void SetRun(const CommandAccount& account);
  FindingsTable SetRun(const CommandAccount& account, FindingsTable table);

  // Hides (or shows again) the warnings of one number, as unticking it in the list does.
  void HideNumber(const QString& rule, bool hidden);
  // Shows the known findings too, as the "Known" box does.
  void ShowKnown(bool show);

  // The filters, as the user sets them: a warning number ("" for any), part of the file, part
  // of any column.
  void FilterByNumber(const QString& rule);
  void FilterByFile(const QString& part);
  void FilterByText(const QString& part);

  // Opens the file of the row shown at view_row (in the table's current order and filter) in
  // the viewer; what a double click or Enter on it does.
  void OpenRow(int view_row);

  // The rows shown, the total and the counts as the heading gives them.
  int ShownRows() const;
  int TotalRows() const;
  QString CountsText() const;
  QTableView* Table() const { return table_; }
  FileViewer* Viewer() const { return viewer_; }
  const FindingsFilter& Filter() const { return *filter_; }
  const FindingsModel& Model() const { return *model_; }

 private:
  void Open(const QModelIndex& view_index);
  void ShowCounts();
  // Puts the numbers' list in step with the counts of a new run.
  void ListNumbers(const CommandAccount& account, std::size_t total);
  // The filter takes the numbers unticked in the list.
  void TakeHiddenNumbers();

  std::string game_;
  FindingsModel* model_ = nullptr;
  FindingsFilter* filter_ = nullptr;
  QComboBox* number_ = nullptr;
  QStandardItemModel* numbers_ = nullptr;  // number_'s items, each with a tick box
  QCheckBox* known_ = nullptr;
  int known_count_ = 0;
  QLineEdit* file_ = nullptr;
  QLineEdit* text_ = nullptr;
  QLabel* counts_ = nullptr;
  QTableView* table_ = nullptr;
  FileViewer* viewer_ = nullptr;
  QString counts_by_number_;
};

}  // namespace tarn::gui
