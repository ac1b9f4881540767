#include "findings_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include "file_viewer.h"
#include "findings_model.h"
#include "session/command_account.h"

namespace tarn::gui {

namespace {

// The file of a finding on disk: its path is relative to the game folder unless it lies
// outside it.
std::string OnDisk(const std::string& game, const std::string& path) {
  if (path.empty() || path.front() == '/' || game.empty()) return path;
  return game.back() == '/' ? game + path : game + '/' + path;
}

}  // namespace

FindingsWindow::FindingsWindow(FileSystem& files, QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmFindings"));
  setWindowTitle(QStringLiteral("TARN: Findings"));
  resize(960, 600);

  number_ = new QComboBox(this);
  number_->setObjectName(QStringLiteral("cboNumber"));
  number_->setToolTip(
      QStringLiteral("Show only the warnings of one number; untick a number to hide its warnings "
                     "while the others stay."));
  numbers_ = new QStandardItemModel(this);
  number_->setModel(numbers_);
  known_ = new QCheckBox(QStringLiteral("Known"), this);
  known_->setObjectName(QStringLiteral("chkKnown"));
  known_->setToolTip(
      QStringLiteral("Also show the findings a baseline or the installed rules know; hidden "
                     "unless ticked, so that what is new stands out."));
  file_ = new QLineEdit(this);
  file_->setObjectName(QStringLiteral("tbFileFilter"));
  file_->setPlaceholderText(QStringLiteral("File contains"));
  file_->setToolTip(QStringLiteral("Show only the warnings of files whose path holds this text."));
  file_->setClearButtonEnabled(true);
  text_ = new QLineEdit(this);
  text_->setObjectName(QStringLiteral("tbTextFilter"));
  text_->setPlaceholderText(QStringLiteral("Any column contains"));
  text_->setToolTip(QStringLiteral("Show only the warnings that hold this text in any column."));
  text_->setClearButtonEnabled(true);
  counts_ = new QLabel(this);
  counts_->setObjectName(QStringLiteral("lblCounts"));
  counts_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  model_ = new FindingsModel(this);
  filter_ = new FindingsFilter(this);
  filter_->setSourceModel(model_);
  table_ = new QTableView(this);
  table_->setObjectName(QStringLiteral("tblFindings"));
  table_->setModel(filter_);
  table_->setSortingEnabled(true);
  table_->sortByColumn(-1, Qt::AscendingOrder);  // the order the run found them in
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setWordWrap(false);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(fontMetrics().lineSpacing() + 6);
  // A new run's columns are sized to the rows in sight and a hundred more, not Qt's thousand:
  // measuring each cell's text costs the window a few milliseconds per hundred rows.
  table_->horizontalHeader()->setResizeContentsPrecision(100);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setToolTip(
      QStringLiteral("Double click a warning, or press Enter, to see its file at its line below."));
  viewer_ = new FileViewer(files, this);
  viewer_->hide();

  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->addWidget(table_);
  splitter->addWidget(viewer_);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 2);

  auto* filters = new QHBoxLayout;
  filters->addWidget(new QLabel(QStringLiteral("Number"), this));
  filters->addWidget(number_);
  filters->addWidget(known_);
  filters->addWidget(file_, 1);
  filters->addWidget(text_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addWidget(counts_);
  layout->addWidget(splitter, 1);

  connect(number_, &QComboBox::currentIndexChanged, this, [this](int index) {
    filter_->SetNumber(number_->itemData(index).toString());
    ShowCounts();
  });
  connect(numbers_, &QStandardItemModel::itemChanged, this, [this] { TakeHiddenNumbers(); });
  connect(known_, &QCheckBox::toggled, this, [this](bool show) {
    filter_->SetShowKnown(show);
    ShowCounts();
  });
  connect(file_, &QLineEdit::textChanged, this, [this](const QString& part) {
    filter_->SetFile(part);
    ShowCounts();
  });
  connect(text_, &QLineEdit::textChanged, this, [this](const QString& part) {
    filter_->SetText(part);
    ShowCounts();
  });
  connect(table_, &QTableView::activated, this, &FindingsWindow::Open);
}

void FindingsWindow::SetRun(const CommandAccount& account) {
  SetRun(account, MakeFindingsTable(account.findings));
}

FindingsTable FindingsWindow::SetRun(const CommandAccount& account, FindingsTable table) {
  game_ = account.game;
  known_count_ = static_cast<int>(account.known);
  const std::size_t total = table.rows.size();
  // The filters are cleared first and quietly, so that the table's rows are filtered (and
  // sorted) once, by the model's reset, not once per filter.
  filter_->ClearForNewTable();
  {
    const QSignalBlocker quiet_file(file_);
    const QSignalBlocker quiet_text(text_);
    file_->clear();
    text_->clear();
  }
  ListNumbers(account, total);
  FindingsTable old = model_->SetTable(std::move(table));
  counts_by_number_ = QString::fromStdString(tarn::CountsText(account));
  viewer_->hide();
  table_->resizeColumnsToContents();
  ShowCounts();
  return old;
}

void FindingsWindow::ListNumbers(const CommandAccount& account, std::size_t total) {
  const QSignalBlocker quiet_box(number_);
  const QSignalBlocker quiet_items(numbers_);
  numbers_->clear();
  auto* any = new QStandardItem(QStringLiteral("any (%1)").arg(total));
  any->setData(QString(), Qt::UserRole);
  numbers_->appendRow(any);
  for (const auto& [rule, count] : account.counts) {
    const QString number = QString::fromStdString(rule);
    auto* item = new QStandardItem(QStringLiteral("%1 (%2)").arg(number).arg(count));
    item->setData(number, Qt::UserRole);
    item->setCheckable(true);
    item->setCheckState(Qt::Checked);
    numbers_->appendRow(item);
  }
  number_->setCurrentIndex(0);
}

void FindingsWindow::TakeHiddenNumbers() {
  QSet<QString> hidden;
  for (int row = 1; row < numbers_->rowCount(); ++row) {
    const QStandardItem* item = numbers_->item(row);
    if (item->checkState() != Qt::Checked) hidden.insert(item->data(Qt::UserRole).toString());
  }
  filter_->SetHiddenNumbers(std::move(hidden));
  ShowCounts();
}

void FindingsWindow::HideNumber(const QString& rule, bool hidden) {
  const int row = number_->findData(rule);
  if (row <= 0) return;
  numbers_->item(row)->setCheckState(hidden ? Qt::Unchecked : Qt::Checked);
}

void FindingsWindow::ShowKnown(bool show) { known_->setChecked(show); }

void FindingsWindow::FilterByNumber(const QString& rule) {
  number_->setCurrentIndex(std::max(0, number_->findData(rule)));
}

void FindingsWindow::FilterByFile(const QString& part) { file_->setText(part); }
void FindingsWindow::FilterByText(const QString& part) { text_->setText(part); }

void FindingsWindow::OpenRow(int view_row) { Open(filter_->index(view_row, 0)); }

void FindingsWindow::Open(const QModelIndex& view_index) {
  if (!view_index.isValid()) return;
  const FindingRow& row = model_->Row(filter_->mapToSource(view_index).row());
  table_->selectRow(view_index.row());
  viewer_->show();
  viewer_->Show(OnDisk(game_, row.path), QFile::decodeName(row.path.c_str()), row.line,
                row.section_line, row.binary);
}

int FindingsWindow::ShownRows() const { return filter_->rowCount(); }
int FindingsWindow::TotalRows() const { return model_->rowCount(); }
QString FindingsWindow::CountsText() const { return counts_->text(); }

void FindingsWindow::ShowCounts() {
  const int total = TotalRows();
  QString text = total == 0 ? QStringLiteral("No warnings.")
                            : QStringLiteral("%1 %2: %3.")
                                  .arg(total)
                                  .arg(total == 1 ? "warning" : "warnings", counts_by_number_);
  if (ShownRows() != total) text += QStringLiteral(" Shown: %1.").arg(ShownRows());
  if (known_count_ > 0 && !known_->isChecked()) {
    text += QStringLiteral(" %1 known %2 hidden (tick Known to see them).")
                .arg(known_count_)
                .arg(known_count_ == 1 ? "finding" : "findings");
  }
  counts_->setText(text);
}

}  // namespace tarn::gui
