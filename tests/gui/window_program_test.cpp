// The window program on the broken sample world, with the real analysis behind it: what the
// window lets the user do while "All" runs, how a cancel or a close during a run ends it, what
// the status line says afterwards, and the findings view and its viewer for each mistake.
#include "window_program.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "analysis/analysis.h"
#include "datadb/database.h"
#include "file_viewer.h"
#include "findings_model.h"
#include "findings_window.h"
#include "gui_test_support.h"
#include "main_window.h"
#include "qt_front_end.h"
#include "run_session.h"
#include "run_status.h"
#include "settings/settings.h"
#include "shell/file_system.h"
#include "walk/run_watch.h"

namespace tarn::gui {
namespace {

namespace fs = std::filesystem;

const std::string kBrokenWorld = std::string(TARN_EXAMPLES) + "/kestrovar-broken";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Passes the progress on to the status line, and runs the test's step once when data file
// `at` has been opened.
class Tee : public ProgressObserver {
 public:
  void RunProgressed(const RunProgress& progress) override {
    next->RunProgressed(progress);
    if (progress.files_read == at && step) std::exchange(step, nullptr)();
  }
  ProgressObserver* next = nullptr;
  std::int64_t at = 0;
  std::function<void()> step;
};

class WindowProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("tarn_program_") + info->name();
    for (char& c : name) c = c == '/' ? '_' : c;
    folder_ = fs::temp_directory_path() / name;
    fs::remove_all(folder_);
    fs::create_directories(home_ = folder_ / "home");
    fs::create_directories(logs_ = folder_ / "logs");
    fs::copy_file(TARN_SHIPPED_MDB, home_ / "TARN.MDB");
    settings_ = std::make_unique<Settings>(front_end_);
    settings_->SetSettingsDBName((home_ / "TARN.MDB").string());
    settings_->Values().SetKVPath(kBrokenWorld);
    settings_->Values().SetLogPath(logs_.string());
    settings_->Values().SetOverwriteLog("1");
    analysis_ = std::make_unique<Analysis>(*settings_, front_end_, files_, home_.string());
    program_ = std::make_unique<WindowProgram>(*analysis_, front_end_, settings_->Values(),
                                               home_.string());
    program_->Main().LoadFromSettings();
    tee_.next = &program_->Status();
    analysis_->SetProgressObserver(&tee_);
  }
  void TearDown() override {
    program_.reset();
    analysis_.reset();
    settings_->Discard();
    fs::remove_all(folder_);
  }

  template <typename T = QWidget>
  T* Get(const char* name) {
    T* widget = program_->Main().findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void Click(const char* name) { Get<QPushButton>(name)->click(); }
  // "Init DB", then "All" with step run when data file `at` is open.
  void RunAll(std::int64_t at = 0, std::function<void()> step = nullptr) {
    Click("cmdInitDB");
    tee_.at = at;
    tee_.step = std::move(step);
    Click("cmdAll");
    EXPECT_FALSE(tee_.step) << "the run never reached file " << at;
  }
  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(logs_ / "tarn.log"));
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  }
  QString State() { return program_->Status().StateText(); }
  QString Detail() { return program_->Status().DetailText(); }

  fs::path folder_, home_, logs_;
  QtFrontEnd front_end_;
  RealFileSystem files_;
  std::unique_ptr<Settings> settings_;
  std::unique_ptr<Analysis> analysis_;
  std::unique_ptr<WindowProgram> program_;
  Tee tee_;
};

TEST_F(WindowProgramTest, InputsIgnoreTheUserWhileAllRunsAndNothingIsDisabled) {
  auto* game = Get<QLineEdit>("tbKVPath");
  auto* overwrite = Get<QCheckBox>("chkOverwrite");
  auto* browse = Get<QPushButton>("cmdBrowseKV");
  program_->Main().show();
  bool picker_opened = false;
  RunAll(3, [&] {
    EXPECT_TRUE(game->isReadOnly());
    EXPECT_TRUE(Get<QLineEdit>("tbLogPath")->isReadOnly());
    game->setFocus();
    QTest::keyClicks(game, "x");
    QTest::mouseClick(overwrite, Qt::LeftButton);
    QTest::keyClick(overwrite, Qt::Key_Space);
    // Should the click get through, the folder picker's loop would hold the test: note it and
    // close it.
    QTimer::singleShot(0, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        picker_opened = true;
        modal->close();
      }
    });
    QTest::mouseClick(browse, Qt::LeftButton);
    for (QWidget* control : program_->Main().findChildren<QWidget*>()) {
      EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
    }
    EXPECT_TRUE(program_->Main().CommandRunning());
    // The status line follows the run at its own pace, as the run lets events through.
    QTest::qWait(RunStatusBar::kRefreshIntervalMs * 2);
    EXPECT_TRUE(State().startsWith("All: 3 files read")) << State().toStdString();
    EXPECT_TRUE(Detail().startsWith("Reading DATA/")) << Detail().toStdString();
  });
  EXPECT_FALSE(picker_opened);
  EXPECT_EQ(game->text().toStdString(), kBrokenWorld);
  EXPECT_EQ(settings_->Values().KVPath(), kBrokenWorld);
  EXPECT_EQ(overwrite->checkState(), Qt::Checked);
  // Ready again afterwards.
  EXPECT_FALSE(game->isReadOnly());
  QTest::keyClicks(game, "x");
  EXPECT_EQ(settings_->Values().KVPath(), kBrokenWorld + "x");
}

TEST_F(WindowProgramTest, CancelAndCloseStopAllAtAFileEndKeepingKVMdbSound) {
  enum class Way { kCancelButton, kEscape, kCloseAnswerYes, kCloseAnswerNo };
  struct Case {
    Way way;
    bool cancelled;
    bool closed;
  };
  // The sections a whole run stores, to tell what a cancelled run must have kept.
  std::vector<std::string> whole_sections;
  // The first case runs to the end: the rows of the whole run.
  for (Case c : {Case{Way::kCloseAnswerNo, false, false}, Case{Way::kCancelButton, true, false},
                 Case{Way::kEscape, true, false}, Case{Way::kCloseAnswerYes, true, true}}) {
    SCOPED_TRACE(static_cast<int>(c.way));
    TearDown();
    SetUp();
    int asked = 0;
    program_->SetCloseQuestion([&] {
      ++asked;
      return c.way == Way::kCloseAnswerYes;
    });
    program_->Main().show();
    program_->Main().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&program_->Main()));
    RunAll(20, [&] {
      switch (c.way) {
        case Way::kCancelButton:
          QTest::mouseClick(Get<QPushButton>("cmdCancel"), Qt::LeftButton);
          break;
        case Way::kEscape:
          QTest::keyClick(&program_->Main(), Qt::Key_Escape);
          break;
        default:
          // A second close asks again only when the first answer kept the window open.
          program_->Main().close();
          program_->Main().close();
          EXPECT_TRUE(program_->Main().isVisible());
          break;
      }
    });
    EXPECT_EQ(asked, c.way == Way::kCloseAnswerYes ? 1 : c.way == Way::kCloseAnswerNo ? 2 : 0);
    EXPECT_EQ(program_->Main().isVisible(), !c.closed);
    EXPECT_FALSE(program_->Main().CommandRunning());
    EXPECT_FALSE(Get<QLineEdit>("tbKVPath")->isReadOnly());
    EXPECT_EQ(analysis_->LastRun().cancelled, c.cancelled);
    const std::vector<std::string> log = LogLines();
    const bool cancel_line = log.back().starts_with("Run cancelled by the user after ");
    EXPECT_EQ(cancel_line, c.cancelled) << log.back();
    EXPECT_EQ(State().contains("All cancelled after"), c.cancelled) << State().toStdString();

    // Every row stored so far is committed and KV.MDB is sound, while the analysis still
    // holds it open.
    Database db = Database::Open((home_ / "KV.MDB").string(), Database::Mode::kReadWrite);
    Statement check = db.Prepare("PRAGMA integrity_check");
    ASSERT_TRUE(check.Step());
    EXPECT_EQ(check.Text(0), "ok");
    std::vector<std::string> sections;
    Statement rows = db.Prepare("SELECT File || '|' || Section FROM Sections ORDER BY DB_ID");
    while (rows.Step()) sections.push_back(rows.Text(0));
    if (!c.cancelled) {
      whole_sections = sections;
      continue;
    }
    ASSERT_LT(sections.size(), whole_sections.size());
    EXPECT_TRUE(std::equal(sections.begin(), sections.end(), whole_sections.begin()));
    // The last file read to its end: its every section is there, and the next row is another
    // file's.
    const std::string last_file = log.back().substr(log.back().rfind(' ') + 1);
    const std::string next = whole_sections[sections.size()];
    EXPECT_EQ(next.find(last_file + '|'), std::string::npos) << next;
    EXPECT_NE(sections.back().find(last_file + '|'), std::string::npos) << sections.back();
  }
}

// The warning numbers of the log's warning blocks ("      10302 - Unknown Entry !...!").
std::map<std::string, int> LogCounts(const std::vector<std::string>& log) {
  static const std::regex number_line(R"(^\s+(\d{5}) - )");
  std::map<std::string, int> counts;
  std::smatch match;
  for (const std::string& line : log) {
    if (std::regex_search(line, match, number_line)) ++counts[match[1]];
  }
  return counts;
}

TEST_F(WindowProgramTest, StatusLineSaysHowTheCommandEndedAndWhatToDoNext) {
  program_->Main().show();
  const QString init_first = "Press \"Init DB\" first";
  EXPECT_TRUE(State().startsWith(init_first)) << State().toStdString();
  Click("cmdDumpRules");  // before "Init DB" the hint stays
  EXPECT_TRUE(State().startsWith("Dump finished in")) << State().toStdString();
  EXPECT_TRUE(Detail().contains(init_first)) << Detail().toStdString();

  RunAll();
  const std::map<std::string, int> counts = LogCounts(LogLines());
  ASSERT_EQ(counts.size(), 6u);
  std::string expected;
  for (const auto& [number, count] : counts) {
    expected += (expected.empty() ? "" : ", ") + number + ": " + std::to_string(count);
  }
  EXPECT_TRUE(State().startsWith("All finished in")) << State().toStdString();
  EXPECT_TRUE(State().endsWith("6 warnings.")) << State().toStdString();
  EXPECT_EQ(Detail().toStdString(), "Warnings by number: " + expected);
  EXPECT_TRUE(program_->Findings().CountsText().contains(QString::fromStdString(expected)));
  EXPECT_TRUE(program_->Findings().isVisible());

  // Runs that found nothing because of the setup say so, as the command line does.
  struct Case {
    std::string game, logs, reason, hint;
  };
  for (const Case& c : {Case{(folder_ / "nowhere").string(), logs_.string(),
                             "could not be read: is the game folder right?", "Set KV Path"},
                        Case{kBrokenWorld, (folder_ / "no-logs").string(),
                             "lines could not be written to", "Set Log Path"}}) {
    SCOPED_TRACE(c.hint);
    program_->Findings().hide();
    settings_->Values().SetKVPath(c.game);
    settings_->Values().SetLogPath(c.logs);
    Click("cmdAll");
    EXPECT_TRUE(State().startsWith("All ended on an error")) << State().toStdString();
    EXPECT_TRUE(Detail().contains(QString::fromStdString(c.reason))) << Detail().toStdString();
    EXPECT_TRUE(Detail().contains(QString::fromStdString(c.hint))) << Detail().toStdString();
  }
}

TEST_F(WindowProgramTest, FindingsViewFiltersAndOpensEachMistakeAtItsLine) {
  RunAll();
  FindingsWindow& view = program_->Findings();
  ASSERT_EQ(view.TotalRows(), 6);
  // The check of names adds its two to the view, and to the status line's counts.
  Click("cmdRefs");
  ASSERT_EQ(view.TotalRows(), 8);
  EXPECT_TRUE(State().startsWith("References finished in")) << State().toStdString();
  EXPECT_TRUE(Detail().contains("10401: 2")) << Detail().toStdString();
  // The eight mistakes of the broken world's README, as an editor shows them.
  struct Mistake {
    const char* number;
    const char* file;
    int line;
    const char* text;  // what the highlighted line holds
  };
  for (Mistake m :
       {Mistake{"10302", "DATA/EQUIPMENT/weapon_equip.ini", 26, "enrgy_damage = 24"},
        Mistake{"10209", "DATA/EQUIPMENT/goods.ini", 9, "price = 2100"},
        Mistake{"10101", "DATA/FX/fuses.ini", 8, "death_fuse = yes"},
        Mistake{"10301", "DATA/SOLAR/StarArch.ini", 19, "[Glow"},
        Mistake{"10212", "DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini", 57, "goto = kv02"},
        Mistake{"10306", "DATA/UNIVERSE/SYSTEMS/KV02/KV02.ini", 76,
                "Missions\\Encounters\\area_raiders.ini"},
        Mistake{"10401", "DATA/EQUIPMENT/market_misc.ini", 8, "commodity_ice_ores"},
        Mistake{"10401", "DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini", 42, "planet_ocean_300"}}) {
    SCOPED_TRACE(m.number);
    view.FilterByNumber(m.number);
    view.FilterByFile(m.file);
    ASSERT_EQ(view.ShownRows(), 1);
    QTableView* table = view.Table();
    EXPECT_EQ(table->model()->index(0, FindingsModel::kFile).data().toString(), m.file);
    EXPECT_EQ(table->model()->index(0, FindingsModel::kLine).data().toInt(), m.line);
    // Enter on the row opens it, as a double click does.
    table->setFocus();
    table->setCurrentIndex(table->model()->index(0, 0));
    QTest::keyClick(table, Qt::Key_Return);
    FileViewer* viewer = view.Viewer();
    EXPECT_FALSE(viewer->isHidden());
    EXPECT_EQ(viewer->HighlightedLine(), m.line);
    EXPECT_EQ(viewer->CaretLine(), m.line);
    EXPECT_TRUE(viewer->HighlightedText().contains(m.text))
        << viewer->HighlightedText().toStdString();
    EXPECT_TRUE(viewer->Heading().startsWith(m.file)) << viewer->Heading().toStdString();
    // The section around it is shaded: from its header to the line at least.
    EXPECT_GT(viewer->SectionFirst(), 0);
    EXPECT_LE(viewer->SectionFirst(), m.line);
    EXPECT_GE(viewer->SectionLast(), m.line);
  }

  struct Filter {
    const char* number;
    const char* file;
    const char* text;
    int shown;
  };
  for (Filter f :
       {Filter{"", "", "", 8}, Filter{"", "equipment", "", 3}, Filter{"", "", "ENRGY", 1},
        Filter{"", "", "Unknown Entry", 1}, Filter{"10101", "equipment", "", 0},
        Filter{"", "KV0", "goto", 1}, Filter{"", "", "no such text", 0}}) {
    SCOPED_TRACE(std::string(f.number) + "|" + f.file + "|" + f.text);
    view.FilterByNumber(f.number);
    view.FilterByFile(f.file);
    view.FilterByText(f.text);
    EXPECT_EQ(view.ShownRows(), f.shown);
  }
  view.FilterByFile("");
  view.FilterByText("");
  view.Table()->sortByColumn(FindingsModel::kLine, Qt::DescendingOrder);
  EXPECT_EQ(view.Table()->model()->index(0, FindingsModel::kLine).data().toInt(), 76);
  EXPECT_EQ(view.Table()->model()->index(7, FindingsModel::kLine).data().toInt(), 8);
}

}  // namespace
}  // namespace tarn::gui
