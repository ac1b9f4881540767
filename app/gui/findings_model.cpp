#include "findings_model.h"

#include <QFile>
#include <iterator>
#include <tuple>

#include "platform/codepage.h"

namespace tarn::gui {

namespace {

QString FromGame(const std::string& cp1252) { return QString::fromStdString(Cp1252ToUtf8(cp1252)); }

}  // namespace

FindingsTable MakeFindingsTable(std::vector<FindingRow> rows) {
  using Model = FindingsModel;
  static_assert(sizeof(FindingCells::texts) / sizeof(QString) == Model::kColumnCount);
  FindingsTable table;
  table.rows = std::move(rows);
  table.cells.reserve(table.rows.size());
  for (const FindingRow& row : table.rows) {
    FindingCells cells;
    cells.texts[Model::kFile] = QFile::decodeName(row.path.c_str());
    cells.texts[Model::kNumber] = QString::fromStdString(row.rule);
    cells.texts[Model::kText] = FromGame(row.text);
    if (!row.hint.empty()) {
      cells.texts[Model::kText] += QStringLiteral("; did you mean `") + FromGame(row.hint) +
                                   QStringLiteral("`?");
    }
    cells.texts[Model::kSection] = FromGame(row.section);
    cells.texts[Model::kKey] = FromGame(row.key);
    cells.texts[Model::kValue] = FromGame(row.value);
    table.cells.push_back(std::move(cells));
  }
  return table;
}

void FindingsModel::SetTable(FindingsTable table) {
  beginResetModel();
  rows_ = std::move(table.rows);
  cells_ = std::move(table.cells);
  endResetModel();
}

void FindingsModel::SetRows(const std::vector<FindingRow>& rows) {
  SetTable(MakeFindingsTable(rows));
}

int FindingsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FindingsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant FindingsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const auto row = static_cast<std::size_t>(index.row());
  const int column = index.column();
  if (role == Qt::DisplayRole) {
    if (column == kLine) {
      return rows_[row].line > 0 ? QVariant(rows_[row].line) : QVariant(QString());
    }
    return cells_[row].texts[column];
  }
  if (role == Qt::ToolTipRole && column == kFile) {
    return rows_[row].binary
               ? cells_[row].texts[kFile] + QStringLiteral(
                                                ": a binary file; the line is one of its text "
                                                "form")
               : cells_[row].texts[kFile];
  }
  if (role == Qt::ToolTipRole && column != kLine) return cells_[row].texts[column];
  if (role == Qt::TextAlignmentRole && column == kLine) {
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  }
  return {};
}

QVariant FindingsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kTitles[kColumnCount] = {"File",   "Line", "Section", "Key",
                                                    "Number", "Text", "Value"};
  return QString::fromLatin1(kTitles[section]);
}

void FindingsFilter::SetNumber(const QString& rule) {
  number_ = rule;
  invalidateFilter();
}

void FindingsFilter::SetHiddenNumbers(QSet<QString> rules) {
  hidden_ = std::move(rules);
  invalidateFilter();
}

void FindingsFilter::SetShowKnown(bool show) {
  show_known_ = show;
  invalidateFilter();
}

void FindingsFilter::SetFile(const QString& part) {
  file_ = part;
  invalidateFilter();
}

void FindingsFilter::SetText(const QString& part) {
  text_ = part;
  invalidateFilter();
}

bool FindingsFilter::filterAcceptsRow(int source_row, const QModelIndex& source_parent) const {
  const QAbstractItemModel* model = sourceModel();
  auto cell = [&](int column) {
    return model->data(model->index(source_row, column, source_parent)).toString();
  };
  const auto* findings = static_cast<const FindingsModel*>(model);
  const FindingRow& row = findings->Row(source_row);
  if (row.known && !show_known_) return false;
  if (!hidden_.isEmpty() && hidden_.contains(cell(FindingsModel::kNumber))) return false;
  if (!number_.isEmpty() && cell(FindingsModel::kNumber) != number_) return false;
  if (!file_.isEmpty() && !cell(FindingsModel::kFile).contains(file_, Qt::CaseInsensitive)) {
    return false;
  }
  if (text_.isEmpty()) return true;
  for (int column = 0; column < FindingsModel::kColumnCount; ++column) {
    if (cell(column).contains(text_, Qt::CaseInsensitive)) return true;
  }
  return false;
}

}  // namespace tarn::gui

namespace tarn::gui {

bool FindingsFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  const auto* findings = static_cast<const FindingsModel*>(sourceModel());
  const FindingRow& a = findings->Row(left.row());
  const FindingRow& b = findings->Row(right.row());
  switch (left.column()) {
    case FindingsModel::kFile:
      return std::tie(a.path, a.line) < std::tie(b.path, b.line);
    case FindingsModel::kLine:
      return a.line < b.line;
    case FindingsModel::kSection:
      return a.section < b.section;
    case FindingsModel::kKey:
      return a.key < b.key;
    case FindingsModel::kNumber:
      return a.rule < b.rule;
    case FindingsModel::kText:
      return a.text < b.text;
    default:
      return a.value < b.value;
  }
}

}  // namespace tarn::gui
