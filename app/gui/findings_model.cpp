#include "findings_model.h"

#include <QFile>

#include "shell/codepage.h"

namespace tarn::gui {

namespace {

QString FromGame(const std::string& cp1252) { return QString::fromStdString(Cp1252ToUtf8(cp1252)); }

}  // namespace

void FindingsModel::SetRows(const std::vector<FindingRow>& rows) {
  beginResetModel();
  rows_ = rows;
  cells_.clear();
  cells_.reserve(rows_.size());
  for (const FindingRow& row : rows_) {
    Cells cells;
    cells.texts[kFile] = QFile::decodeName(row.path.c_str());
    cells.texts[kNumber] = QString::fromStdString(row.rule);
    cells.texts[kText] = FromGame(row.text);
    if (!row.hint.empty()) {
      cells.texts[kText] += QStringLiteral("; did you mean `") + FromGame(row.hint) +
                            QStringLiteral("`?");
    }
    cells.texts[kSection] = FromGame(row.section);
    cells.texts[kKey] = FromGame(row.key);
    cells.texts[kValue] = FromGame(row.value);
    cells_.push_back(std::move(cells));
  }
  endResetModel();
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
