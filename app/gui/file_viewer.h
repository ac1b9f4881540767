// The findings view's read-only look at a game file: the file with the line an editor shows
// in front of every line, the line of a finding highlighted and its section shaded around it,
// and a button that hands the file to the desktop's own editor. A binary file is shown in the
// text form whose lines its findings count.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tarn {
class FileSystem;
}

namespace tarn::gui {

class FileViewer : public QWidget {
  Q_OBJECT

 public:
  // A file larger than this is shown only from its section's header (or some lines above the
  // line) to a few hundred lines below the line, so that a huge file does not stall the window.
  static constexpr std::int64_t kWholeFileLimit = 4 * 1024 * 1024;

  // Reads through files, which must outlive the viewer.
  explicit FileViewer(FileSystem& files, QWidget* parent = nullptr);

  // Shows the file at path (named as shown in the heading) with editor line `line`
  // highlighted (0: none, the file as a whole) and the lines from section_line (0: not known,
  // the nearest header above the line) to the end of that section shaded. Returns false, with the
  // reason in the heading and nothing shown, when the file cannot be read.
  bool Show(const std::string& path, const QString& shown, std::int32_t line,
            std::int32_t section_line, bool binary);

  // The editor line highlighted (0: none) and its text as the file holds it, decoded.
  std::int32_t HighlightedLine() const { return line_; }
  QString HighlightedText() const;
  // The editor lines shaded as the finding's section, first and last (0, 0: none).
  std::int32_t SectionFirst() const { return section_first_; }
  std::int32_t SectionLast() const { return section_last_; }
  // The editor line the text box's caret is on; the view is scrolled to show it.
  std::int32_t CaretLine() const;
  QString Heading() const;

 signals:
  // "Open in editor" found no program that takes the file: the user must be told where.
  void noEditor(const QString& path);

 private:
  void OpenInEditor();
  void Highlight();

  FileSystem& files_;
  QLabel* heading_ = nullptr;
  QPushButton* open_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
  std::string path_;
  std::vector<QString> lines_;    // the lines shown, decoded
  std::int32_t first_shown_ = 1;  // the editor line of lines_[0]
  std::int32_t line_ = 0;
  std::int32_t section_first_ = 0;
  std::int32_t section_last_ = 0;
};

}  // namespace tarn::gui
