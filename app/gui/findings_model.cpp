#include "findings_model.h"

#include <QFile>
#include <algorithm>
#include <iterator>
#include <numeric>
#include <tuple>

#include "platform/codepage.h"

namespace tarn::gui {

namespace {

QString FromGame(const std::string& cp1252) { return QString::fromStdString(Cp1252ToUtf8(cp1252)); }

// ranks[i]: how many distinct values of the rows come before row i's in less's order.
template <typename Less>
void RankBy(const std::vector<FindingRow>& rows, std::vector<std::uint32_t>& ranks, Less less) {
  std::vector<std::uint32_t> order(rows.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return less(rows[a], rows[b]); });
  ranks.assign(rows.size(), 0);
  std::uint32_t rank = 0;
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (i > 0 && less(rows[order[i - 1]], rows[order[i]])) ++rank;
    ranks[order[i]] = rank;
  }
}

std::string Folded(const QString& text) { return text.toCaseFolded().toStdString(); }

void Fold(const FindingCells& cells, std::string& out) {
  using Model = FindingsModel;
  bool first = true;
  for (int column :
       {Model::kFile, Model::kSection, Model::kKey, Model::kNumber, Model::kText, Model::kValue}) {
    if (!first) out.push_back('\0');
    first = false;
    out += Folded(cells.texts[column]);
  }
}

}  // namespace

FindingsTable MakeFindingsTable(std::vector<FindingRow> rows) {
  using Model = FindingsModel;
  static_assert(sizeof(FindingCells::texts) / sizeof(QString) == Model::kColumnCount);
  FindingsTable table;
  table.rows = std::move(rows);
  table.cells.reserve(table.rows.size());
  table.folded_at.reserve(table.rows.size() + 1);
  table.folded_at.push_back(0);
  // Reserved whole: growing by doubling would leave a trail of freed blocks of up to half
  // its size in the worker's heap, which the next run's tables do not fit.
  std::size_t folded_size = 0;
  for (const FindingRow& row : table.rows) {
    folded_size += row.path.size() + row.section.size() + row.key.size() + row.rule.size() +
                   row.text.size() + row.hint.size() + row.value.size() + 32;
  }
  table.folded.reserve(folded_size);
  for (const FindingRow& row : table.rows) {
    FindingCells cells;
    cells.texts[Model::kFile] = QFile::decodeName(row.path.c_str());
    cells.texts[Model::kNumber] = QString::fromStdString(row.rule);
    cells.texts[Model::kText] = FromGame(row.text);
    if (!row.hint.empty()) {
      cells.texts[Model::kText] +=
          QStringLiteral("; did you mean `") + FromGame(row.hint) + QStringLiteral("`?");
    }
    cells.texts[Model::kSection] = FromGame(row.section);
    cells.texts[Model::kKey] = FromGame(row.key);
    cells.texts[Model::kValue] = FromGame(row.value);
    Fold(cells, table.folded);
    table.folded_at.push_back(table.folded.size());
    table.cells.push_back(std::move(cells));
  }
  const std::vector<FindingRow>& kept = table.rows;
  for (int column = 0; column < Model::kColumnCount; ++column) {
    RankBy(kept, table.ranks[column], [column](const FindingRow& a, const FindingRow& b) {
      switch (column) {
        case Model::kFile:
          return std::tie(a.path, a.line) < std::tie(b.path, b.line);
        case Model::kLine:
          return a.line < b.line;
        case Model::kSection:
          return a.section < b.section;
        case Model::kKey:
          return a.key < b.key;
        case Model::kNumber:
          return a.rule < b.rule;
        case Model::kText:
          return a.text < b.text;
        default:
          return a.value < b.value;
      }
    });
  }
  return table;
}

FindingsTable FindingsModel::SetTable(FindingsTable table) {
  beginResetModel();
  std::swap(table_, table);
  Order();
  endResetModel();
  return table;
}

void FindingsModel::Order() {
  order_.resize(table_.rows.size());
  std::iota(order_.begin(), order_.end(), 0u);
  if (sort_column_ < 0 || sort_column_ >= kColumnCount) return;
  const std::vector<std::uint32_t>& ranks = table_.ranks[sort_column_];
  // Stable: rows of equal value keep the order the run found them in, either way.
  if (sort_order_ == Qt::AscendingOrder) {
    std::stable_sort(order_.begin(), order_.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return ranks[a] < ranks[b]; });
  } else {
    std::stable_sort(order_.begin(), order_.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return ranks[a] > ranks[b]; });
  }
}

void FindingsModel::sort(int column, Qt::SortOrder order) {
  // The rows are in this order already (QTableView::sortByColumn asks twice).
  if (column == sort_column_ && order == sort_order_) return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  // The rows held by persistent indexes (the view's current row and selection) move with
  // their findings.
  const QModelIndexList before = persistentIndexList();
  std::vector<std::uint32_t> held;
  held.reserve(static_cast<std::size_t>(before.size()));
  for (const QModelIndex& index : before) {
    held.push_back(order_[static_cast<std::size_t>(index.row())]);
  }
  sort_column_ = column;
  sort_order_ = order;
  Order();
  if (!before.isEmpty()) {
    std::vector<int> place(order_.size());
    for (std::size_t row = 0; row < order_.size(); ++row) {
      place[order_[row]] = static_cast<int>(row);
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
      after.push_back(index(place[held[static_cast<std::size_t>(i)]], before[i].column()));
    }
    changePersistentIndexList(before, after);
  }
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FindingsModel::SetRows(const std::vector<FindingRow>& rows) {
  SetTable(MakeFindingsTable(rows));
}

int FindingsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(table_.rows.size());
}

int FindingsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant FindingsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const std::size_t row = At(index.row());
  const int column = index.column();
  const std::vector<FindingRow>& rows_ = table_.rows;
  const std::vector<FindingCells>& cells_ = table_.cells;
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
  file_ = Folded(part);
  invalidateFilter();
}

void FindingsFilter::SetText(const QString& part) {
  text_ = Folded(part);
  text_is_number_ = !part.isEmpty() && std::all_of(part.begin(), part.end(), [](QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
  });
  invalidateFilter();
}

void FindingsFilter::ClearForNewTable() {
  hidden_.clear();
  number_.clear();
  file_.clear();
  text_.clear();
  text_is_number_ = false;
}

bool FindingsFilter::filterAcceptsRow(int source_row, const QModelIndex&) const {
  // The rows' own fields: called for every row each time a filter changes.
  const auto* findings = static_cast<const FindingsModel*>(sourceModel());
  if (findings->Row(source_row).known && !show_known_) return false;
  const QString* cells = findings->Cells(source_row).texts;
  const QString& number = cells[FindingsModel::kNumber];
  if (!hidden_.isEmpty() && hidden_.contains(number)) return false;
  if (!number_.isEmpty() && number != number_) return false;
  if (file_.empty() && text_.empty()) return true;
  // Folded, as the texts are, so that a byte search finds what a search letter case aside
  // would; the NULs between the texts keep a match within one of them.
  const std::string_view folded = findings->Folded(source_row);
  if (!file_.empty() && folded.substr(0, folded.find('\0')).find(file_) == std::string_view::npos) {
    return false;
  }
  if (text_.empty() || folded.find(text_) != std::string_view::npos) return true;
  // Only digits can be part of a line number.
  const std::int32_t line = findings->Row(source_row).line;
  return text_is_number_ && line > 0 && std::to_string(line).find(text_) != std::string::npos;
}

void FindingsFilter::sort(int column, Qt::SortOrder order) { sourceModel()->sort(column, order); }

}  // namespace tarn::gui
