// The rules of a run of commands, tried once through each front end: the command line `tarn`
// as a user runs it, and the window program driven by clicks on the offscreen platform. Each
// adapter says in the same terms what its front end showed, so that one table of cases holds
// both to the same guards, locks, enabled commands and account of the findings.
#include <gtest/gtest.h>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "gui_support.h"
#include "main_window.h"
#include "platform/file_system.h"
#include "platform/folder_lock.h"
#include "qt_front_end.h"
#include "run_status.h"
#include "session/session.h"
#include "settings/settings.h"
#include "support/program.h"
#include "support/rows.h"
#include "window_program.h"

namespace tarn::gui {
namespace {

namespace fs = std::filesystem;

// What the front end showed of a run of commands.
struct Shown {
  bool refused = false;      // a command did not run, for the reason below
  std::string said;          // what the front end said (standard error, or the status line)
  bool all_offered = false;  // "All" could be pressed, or ran, without a word against it
  std::string log;           // tarn.log afterwards
  // The findings the front end reported, by number ("10302", or "repair"), and their total:
  // for the command line its summary of the run, for the window the status line's account
  // of each command that finds, added up.
  std::map<std::string, long long> counts;
  long long total = 0;
};

using Counts = std::map<std::string, long long>;

// game and log are folders or empty (none set); commands are the command line's words.
class CommandLine {
 public:
  Shown Run(const std::string& game, const std::string& log, const std::string& commands) {
    std::string args = "--overwrite --quiet";
    if (!game.empty()) args += " --game " + game;
    if (!log.empty()) args += " --log " + log;
    const testing::Result result = tarn_.Run(args + " " + commands);
    Shown shown;
    shown.said = result.err;
    shown.refused = result.status == 3;
    shown.all_offered = result.err.find("run init-db first") == std::string::npos;
    shown.log = testing::ReadFile(log + "/tarn.log");
    // "tarn: read 53 files, 197 sections in 0.07 s; 9 warnings", then "  10302 Unknown
    // Entry: 2" for each number, then the log and the data database.
    static const std::regex total(R"(; (\d+) warnings)");
    static const std::regex by_number(R"(^  (\S+) .*: (\d+)$)");
    std::istringstream lines(result.err);
    for (std::string line; std::getline(lines, line);) {
      std::smatch match;
      if (std::regex_search(line, match, total)) shown.total = std::stoll(match[1]);
      if (std::regex_match(line, match, by_number) && match[1] != "log:" && match[1] != "data:") {
        shown.counts[match[1]] += std::stoll(match[2]);
      }
    }
    return shown;
  }
  std::string Home() const { return tarn_.home.Path(); }

 private:
  testing::Tarn tarn_;
};

class Window {
 public:
  Window() {
    fs::copy_file(TARN_SHIPPED_MDB, fs::path(home_.Path()) / "TARN.MDB");
    settings_.SetSettingsDBName((fs::path(home_.Path()) / "TARN.MDB").string());
    session_ = std::make_unique<Session>(settings_, front_end_, files_, home_.Path());
    program_ = std::make_unique<WindowProgram>(*session_, front_end_, settings_.Values());
  }
  ~Window() {
    program_.reset();
    session_.reset();
    settings_.Discard();
  }
  Shown Run(const std::string& game, const std::string& log, const std::string& commands) {
    settings_.Values().SetKVPath(game);
    settings_.Values().SetLogPath(log);
    settings_.Values().SetOverwriteLog("1");
    program_->Main().LoadFromSettings();
    Shown shown;
    std::istringstream words(commands);
    for (std::string word; words >> word;) {
      const char* name = word == "init-db" ? "cmdInitDB"
                         : word == "all"   ? "cmdAll"
                         : word == "refs"  ? "cmdRefs"
                                           : "cmdDumpRules";
      auto* button = program_->Main().findChild<QPushButton*>(name);
      if (word == "all") shown.all_offered = button->isEnabled();
      QSignalSpy ended(&program_->Main(), &MainWindow::commandEnded);
      // A disabled button does nothing: the command the user could not press.
      button->click();
      if (program_->Main().CommandRunning()) {
        EXPECT_TRUE(ended.wait(60000));
      }
      const QString state = program_->Status().StateText();
      shown.said += (state + '\n' + program_->Status().DetailText() + '\n').toStdString();
      if (state.contains(QStringLiteral("did not run"))) shown.refused = true;
      if (word == "all" || word == "refs") Account(state, program_->Status().DetailText(), shown);
    }
    shown.log = testing::ReadFile(log + "/tarn.log");
    return shown;
  }
  std::string Home() const { return home_.Path(); }

 private:
  // Adds what the status line says a command found: "..., 7 warnings." and "Warnings by
  // number: 10101: 1, 10302: 2".
  static void Account(const QString& state, const QString& detail, Shown& shown) {
    const auto total = QRegularExpression(QStringLiteral("(\\d+) warnings?\\b")).match(state);
    if (total.hasMatch()) shown.total += total.captured(1).toLongLong();
    const auto numbers =
        QRegularExpression(QStringLiteral("Warnings by number: ([^\n]*)")).match(detail);
    for (const QString& entry :
         numbers.captured(1).split(QStringLiteral(", "), Qt::SkipEmptyParts)) {
      const QStringList parts = entry.split(QStringLiteral(": "));
      shown.counts[parts.front().toStdString()] += parts.back().toLongLong();
    }
  }

  testing::TempDir home_;
  QtFrontEnd front_end_;
  RealFileSystem files_;
  Settings settings_{front_end_};
  std::unique_ptr<Session> session_;
  std::unique_ptr<WindowProgram> program_;
};

template <typename FrontEnd>
class FrontEndsTest : public ::testing::Test {
 protected:
  FrontEnd front_end_;
  testing::TempDir log_;
  const std::string game_ = std::string(TARN_EXAMPLES) + "/kestrovar-broken";
};

using FrontEnds = ::testing::Types<CommandLine, Window>;
TYPED_TEST_SUITE(FrontEndsTest, FrontEnds);

TYPED_TEST(FrontEndsTest, GuardsAndLocksRefuseBeforeAnythingIsWritten) {
  enum class Busy { kNone, kHome, kLog };
  struct Case {
    const char* name;
    bool game, log;
    Busy busy;
    const char* commands;
    const char* said;  // empty: it runs
  };
  const Case cases[] = {
      // First: a window's session holds its home from its first "Init DB" on.
      {"home in use", true, true, Busy::kHome, "init-db", "another TARN run"},
      {"no log folder", true, false, Busy::kNone, "dump", "no log folder is set"},
      {"no game folder", false, true, Busy::kNone, "init-db all", "no game folder is set"},
      {"log folder in use", true, true, Busy::kLog, "dump", "another TARN run"},
      {"all set", true, true, Busy::kNone, "dump", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(fs::path(this->log_.Path()) / "tarn.log");
    std::string why;
    std::unique_ptr<FolderLock> held;
    if (c.busy != Busy::kNone) {
      const bool home = c.busy == Busy::kHome;
      held =
          FolderLock::TakeOrSay(home ? this->front_end_.Home() : this->log_.Path(),
                                home ? "home" : "log", "folder", FolderLock::Need::kRequired, why);
      ASSERT_NE(held, nullptr) << why;
    }
    const Shown shown =
        this->front_end_.Run(c.game ? this->game_ : "", c.log ? this->log_.Path() : "", c.commands);
    const bool runs = *c.said == '\0';
    EXPECT_EQ(shown.refused, !runs) << shown.said;
    EXPECT_NE(shown.said.find(c.said), std::string::npos) << shown.said;
    // A refused "Init DB" wrote nothing; the dump that ran ends its log as every dump does.
    EXPECT_EQ(shown.log.find("Rules Dump Complete.") != std::string::npos, runs) << shown.log;
  }
}

TYPED_TEST(FrontEndsTest, AllIsOfferedOnlyAfterAnInitDBThatSucceeded) {
  const std::string log = this->log_.Path();
  EXPECT_FALSE(this->front_end_.Run(this->game_, log, "all").all_offered);
  EXPECT_TRUE(this->front_end_.Run(this->game_, log, "init-db all").all_offered);
  // A folder where KV.MDB belongs: the "Init DB" fails, and "All" is refused again.
  const fs::path data = fs::path(this->front_end_.Home()) / "KV.MDB";
  fs::remove(data);
  fs::create_directories(data / "in-the-way");
  fs::remove(fs::path(log) / "tarn.log");
  const Shown failed = this->front_end_.Run(this->game_, log, "init-db all");
  EXPECT_NE(failed.log.find("Unable to create"), std::string::npos) << failed.log;
  EXPECT_EQ(failed.log.find("Processing "), std::string::npos) << failed.log;
}

TYPED_TEST(FrontEndsTest, EveryFindingIsReportedOnceAsStoredAndLogged) {
  const char* const runs[] = {"init-db all", "init-db all refs", "init-db all refs refs"};
  for (const char* commands : runs) {
    SCOPED_TRACE(commands);
    const Shown shown = this->front_end_.Run(this->game_, this->log_.Path(), commands);
    // The rows the commands stored, and the warnings the log gave (one "All" writes it anew).
    Counts stored;
    for (const std::string& row : testing::RowsOf(this->front_end_.Home() + "/KV.MDB",
                                                  "SELECT Rule, count(*) FROM Findings "
                                                  "GROUP BY Rule")) {
      stored[row.substr(0, row.find('|'))] = std::stoll(row.substr(row.find('|') + 1));
    }
    long long stored_total = 0;
    for (const auto& entry : stored) stored_total += entry.second;
    EXPECT_FALSE(stored.empty());
    EXPECT_EQ(stored, WarningCounts(shown.log));
    EXPECT_EQ(shown.counts, stored) << shown.said;
    EXPECT_EQ(shown.total, stored_total) << shown.said;
  }
}

}  // namespace
}  // namespace tarn::gui
