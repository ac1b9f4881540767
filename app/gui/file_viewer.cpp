#include "file_viewer.h"

#include <QDesktopServices>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <string_view>

#include "ini/bini_decoder.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_system.h"

namespace tarn::gui {

namespace {

// Lines shown around the finding's line when the file is too large to show whole.
constexpr std::int32_t kLinesAbove = 50;
constexpr std::int32_t kLinesBelow = 300;

const QColor kSectionShade(0xee, 0xf3, 0xfb);
const QColor kLineShade(0xff, 0xe0, 0x8a);

// Far beyond any game file: what is larger is not one, and would only fill the memory.
constexpr std::int64_t kReadLimit = std::int64_t{1} << 30;

bool ReadBytes(FileSystem& files, const std::string& path, std::string& bytes) {
  try {
    bytes = files.ReadWholeInput(path, kReadLimit);
  } catch (const TarnError&) {
    return false;
  }
  return true;
}

// The lines as an editor counts them: a line feed ends one, a carriage return before it is
// not part of it.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

bool IsSectionHeader(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t");
  return first != std::string_view::npos && line[first] == '[';
}

}  // namespace

FileViewer::FileViewer(FileSystem& files, QWidget* parent) : QWidget(parent), files_(files) {
  setObjectName(QStringLiteral("fileViewer"));
  heading_ = new QLabel(this);
  heading_->setObjectName(QStringLiteral("lblViewedFile"));
  heading_->setTextFormat(Qt::PlainText);
  heading_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  open_ = new QPushButton(QStringLiteral("Open in editor"), this);
  open_->setObjectName(QStringLiteral("cmdOpenInEditor"));
  open_->setToolTip(
      QStringLiteral("Hand the file to the desktop's editor for .ini files, to change it there."));
  open_->setEnabled(false);
  connect(open_, &QPushButton::clicked, this, &FileViewer::OpenInEditor);
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("tbViewedFile"));
  text_->setReadOnly(true);
  text_->setUndoRedoEnabled(false);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

  auto* top = new QHBoxLayout;
  top->addWidget(heading_, 1);
  top->addWidget(open_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(top);
  layout->addWidget(text_, 1);
}

bool FileViewer::Show(const std::string& path, const QString& shown, std::int32_t line,
                      std::int32_t section_line, bool binary) {
  path_ = path;
  lines_.clear();
  line_ = section_first_ = section_last_ = 0;
  first_shown_ = 1;
  text_->clear();
  std::string bytes;
  std::string text;
  std::string why;
  if (!ReadBytes(files_, path, bytes)) {
    why = "it cannot be read";
  } else if (binary && !DecodeBini(bytes, text, why)) {
    why = "its binary form cannot be decoded: " + why;
  } else if (!binary) {
    text = std::move(bytes);
  }
  open_->setEnabled(why.empty() || binary);
  if (!why.empty()) {
    heading_->setText(shown + QStringLiteral(": ") + QString::fromStdString(why));
    return false;
  }

  const std::vector<std::string_view> all = SplitLines(text);
  const auto count = static_cast<std::int32_t>(all.size());
  line_ = std::clamp(line, 0, count);
  // Where the finding does not say (a reference to another file), the section is the one the
  // line stands in.
  if (section_line <= 0 && line_ > 0) {
    for (std::int32_t n = line_; n > 0 && section_line <= 0; --n) {
      if (IsSectionHeader(all[n - 1])) section_line = n;
    }
  }
  if (section_line > 0 && section_line <= count) {
    section_first_ = section_line;
    section_last_ = std::max(section_line, line_);
    while (section_last_ < count && !IsSectionHeader(all[section_last_])) ++section_last_;
  }
  std::int32_t last_shown = count;
  if (static_cast<std::int64_t>(text.size()) > kWholeFileLimit && line_ > 0) {
    first_shown_ = std::max(1, line_ - kLinesAbove);
    if (section_first_ > 0) first_shown_ = std::min(first_shown_, section_first_);
    first_shown_ = std::max(first_shown_, line_ - 10 * kLinesAbove);
    last_shown = std::min(count, line_ + kLinesBelow);
  }

  const int width = static_cast<int>(std::to_string(last_shown).size());
  QString shown_text;
  for (std::int32_t n = first_shown_; n <= last_shown; ++n) {
    lines_.push_back(QString::fromStdString(Cp1252ToUtf8(all[n - 1])));
    if (n > first_shown_) shown_text += QLatin1Char('\n');
    shown_text += QStringLiteral("%1  ").arg(n, width) + lines_.back();
  }
  text_->setPlainText(shown_text);
  QString heading = shown;
  if (line_ > 0) heading += QStringLiteral(", line %1").arg(line_);
  if (binary) heading += QStringLiteral(" (binary: shown in its text form)");
  heading_->setText(heading);
  Highlight();
  return true;
}

void FileViewer::Highlight() {
  QTextDocument* document = text_->document();
  auto block_of = [&](std::int32_t line) {
    return document->findBlockByNumber(std::max(0, line - first_shown_));
  };
  if (section_first_ > 0) {
    QTextCursor shade(block_of(std::max(section_first_, first_shown_)));
    shade.setPosition(block_of(section_last_).position(), QTextCursor::KeepAnchor);
    QTextBlockFormat format;
    format.setBackground(kSectionShade);
    shade.mergeBlockFormat(format);
  }
  QTextCursor caret(block_of(line_ > 0 ? line_ : first_shown_));
  if (line_ > 0) {
    QTextEdit::ExtraSelection mark;
    mark.cursor = caret;
    mark.format.setBackground(kLineShade);
    mark.format.setProperty(QTextFormat::FullWidthSelection, true);
    text_->setExtraSelections({mark});
  } else {
    text_->setExtraSelections({});
  }
  text_->setTextCursor(caret);
  text_->centerCursor();
  // A viewer opened just now has no height yet: centre the line again once it is laid out.
  QTimer::singleShot(0, text_, [this] { text_->centerCursor(); });
}

QString FileViewer::HighlightedText() const {
  if (line_ < first_shown_) return {};
  const auto index = static_cast<std::size_t>(line_ - first_shown_);
  return index < lines_.size() ? lines_[index] : QString();
}

std::int32_t FileViewer::CaretLine() const {
  return first_shown_ + text_->textCursor().blockNumber();
}

QString FileViewer::Heading() const { return heading_->text(); }

void FileViewer::OpenInEditor() {
  const QString path = QFile::decodeName(path_.c_str());
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) emit noEditor(path);
}

}  // namespace tarn::gui
