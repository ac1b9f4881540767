// What the window program shows when a command on the broken sample world has ended: the
// status lines, and the findings view with its viewer for each mistake.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QTableView>
#include <QTest>
#include <initializer_list>

#include "file_viewer.h"
#include "findings_model.h"
#include "findings_window.h"
#include "window_program_fixture.h"

namespace tarn::gui {
namespace {

TEST_F(WindowProgramTest, StatusLineSaysHowTheCommandEndedAndWhatToDoNext) {
  program_->Main().show();
  const QString init_first = "Press \"Init DB\" first";
  EXPECT_TRUE(State().startsWith(init_first)) << State().toStdString();
  // Links out of the game folder are followed only while the user says so: the next "All"
  // takes the box as it is then.
  QCheckBox* follow = Get<QCheckBox>("chkFollowLinks");
  follow->click();
  Click("cmdDumpRules");  // before "Init DB" the hint stays
  EXPECT_TRUE(State().startsWith("Dump finished in")) << State().toStdString();
  EXPECT_TRUE(Detail().contains(init_first)) << Detail().toStdString();

  RunAll();
  EXPECT_TRUE(analysis_->Options().follow_links);
  follow->click();
  const auto counts = WarningCounts(testing::ReadFile((logs_ / "tarn.log").string()));
  ASSERT_EQ(counts.size(), 6u);
  std::string expected;
  for (const auto& [number, count] : counts) {
    expected += (expected.empty() ? "" : ", ") + number + ": " + std::to_string(count);
  }
  EXPECT_TRUE(State().startsWith("All finished in")) << State().toStdString();
  EXPECT_TRUE(State().endsWith("7 warnings.")) << State().toStdString();
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
    EXPECT_FALSE(analysis_->Options().follow_links);
    EXPECT_TRUE(State().startsWith("All ended on an error")) << State().toStdString();
    EXPECT_TRUE(Detail().contains(QString::fromStdString(c.reason))) << Detail().toStdString();
    EXPECT_TRUE(Detail().contains(QString::fromStdString(c.hint))) << Detail().toStdString();
  }

  // An empty game folder would be a walk of the file system's root: nothing runs.
  const std::size_t lines = LogLines().size();
  settings_->Values().SetKVPath("");
  settings_->Values().SetLogPath(logs_.string());
  Click("cmdAll");
  EXPECT_EQ(State().toStdString(), "All did not run: no game folder is set");
  EXPECT_TRUE(Detail().contains("Set KV Path")) << Detail().toStdString();
  EXPECT_EQ(LogLines().size(), lines);
}

TEST_F(WindowProgramTest, FindingsViewFiltersAndOpensEachMistakeAtItsLine) {
  RunAll();
  FindingsWindow& view = program_->Findings();
  ASSERT_EQ(view.TotalRows(), 7);
  // The nine mistakes of the broken world's README, as an editor shows them (a binary file as
  // its text form): seven that "All" finds, then two that the check of names finds.
  struct Mistake {
    const char* number;
    const char* file;
    int line;
    const char* text;  // what the highlighted line holds
  };
  auto open_each = [&view](std::initializer_list<Mistake> mistakes) {
    for (Mistake m : mistakes) {
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
    view.FilterByNumber("");
    view.FilterByFile("");
  };
  open_each({Mistake{"10302", "DATA/constants.ini", 15, "near_plain = 0.5"},
             Mistake{"10302", "DATA/EQUIPMENT/weapon_equip.ini", 26, "enrgy_damage = 24"},
             Mistake{"10209", "DATA/EQUIPMENT/goods.ini", 9, "price = 2100"},
             Mistake{"10101", "DATA/FX/fuses.ini", 8, "death_fuse = yes"},
             Mistake{"10301", "DATA/SOLAR/StarArch.ini", 19, "[Glow"},
             Mistake{"10212", "DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini", 57, "goto = kv02"},
             Mistake{"10306", "DATA/UNIVERSE/SYSTEMS/KV02/KV02.ini", 76,
                     "Missions\\Encounters\\area_raiders.ini"}});

  struct Filter {
    const char* number;
    const char* file;
    const char* text;
    int shown;
  };
  for (Filter f :
       {Filter{"", "", "", 7}, Filter{"", "equipment", "", 2}, Filter{"", "", "ENRGY", 1},
        Filter{"", "", "Unknown Entry", 2}, Filter{"10101", "equipment", "", 0},
        Filter{"", "KV0", "goto", 1}, Filter{"", "", "no such text", 0},
        Filter{"", "", "did you mean `energy_damage`?", 1}, Filter{"", "", "did you mean", 2}}) {
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
  EXPECT_EQ(view.Table()->model()->index(6, FindingsModel::kLine).data().toInt(), 8);

  // The check of names shows its own two, in the view and in the status line's counts: what
  // "All" found is that command's, and not counted again.
  Click("cmdRefs");
  ASSERT_EQ(view.TotalRows(), 2);
  EXPECT_TRUE(State().startsWith("References finished in")) << State().toStdString();
  EXPECT_TRUE(State().endsWith(": 2 warnings.")) << State().toStdString();
  EXPECT_TRUE(Detail().contains("Warnings by number: 10401: 2")) << Detail().toStdString();
  open_each({Mistake{"10401", "DATA/EQUIPMENT/market_misc.ini", 8, "commodity_ice_ores"},
             Mistake{"10401", "DATA/UNIVERSE/SYSTEMS/KV01/kv01.ini", 42, "planet_ocean_300"}});
}

}  // namespace
}  // namespace tarn::gui
