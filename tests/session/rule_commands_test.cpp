// The session's rule commands as both front ends use them: the command line's session opens
// no settings (the command opens TARN.MDB itself), the window's has them open and may hold the
// home already.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <regex>
#include <string>

#include "platform/file_system.h"
#include "platform/folder_lock.h"
#include "session/session.h"
#include "settings/settings.h"
#include "support/core_fixture.h"
#include "support/stepping_files.h"
#include "support/world.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using Ending = CommandAccount::Ending;

const std::string kBrokenWorld = std::string(TARN_EXAMPLES) + "/kestrovar-broken";

using testing::SteppingFiles;

class RuleCommandsTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    fs::copy_file(TARN_SHIPPED_MDB, Home("TARN.MDB"));
    fs::create_directories(Home("logs"));
    // The window's session works on open settings; the command line's opens none.
    if (GetParam()) {
      settings_.SetSettingsDBName(Home("TARN.MDB"));
      settings_.Values().SetLogPath(Home("logs"));
      settings_.Values().SetKVPath(kBrokenWorld);
    }
    session_ = std::make_unique<Session>(settings_, front_end_, files_, dir_.Path());
  }
  void TearDown() override {
    session_.reset();
    settings_.Discard();
  }
  std::string Home(const std::string& name) const { return dir_.File(name); }
  const CommandAccount& Rules(SessionCommand command, const std::string& folder = {}) {
    RuleRequest request{command, folder};
    request.game = kBrokenWorld;
    request.learn.log = Home("logs");
    return session_->RunRules(request);
  }
  std::string ExportedText() {
    EXPECT_EQ(Rules(SessionCommand::kExport, Home("now")).status, 0);
    std::string all;
    for (const auto& file : fs::directory_iterator(Home("now"))) {
      all += testing::ReadFile(file.path().string());
    }
    return all;
  }

  testing::TempDir dir_;
  testing::RecordingFrontEnd front_end_;
  SteppingFiles files_;
  Settings settings_{front_end_};
  std::unique_ptr<Session> session_;
};

INSTANTIATE_TEST_SUITE_P(BothFrontEnds, RuleCommandsTest, ::testing::Bool());

TEST_P(RuleCommandsTest, ImportAndRestoreChangeTheOriginOnce) {
  EXPECT_FALSE(session_->Origin().imported);
  ASSERT_EQ(Rules(SessionCommand::kExport, Home("mine")).status, 0);
  const auto& imported = Rules(SessionCommand::kImport, Home("mine"));
  ASSERT_EQ(imported.status, 0) << imported.reasons.front();
  EXPECT_TRUE(std::regex_match(imported.said, std::regex("\\d+ sections, \\d+ keys, \\d+ "
                                                         "references from \\d+ files\n")))
      << imported.said;
  const RuleOrigin origin = session_->Origin();
  EXPECT_TRUE(origin.imported);
  EXPECT_TRUE(
      std::regex_match(origin.imported_at, std::regex("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d")))
      << origin.imported_at;

  const auto& restored = Rules(SessionCommand::kRestore);
  EXPECT_EQ(restored.status, 0);
  EXPECT_TRUE(restored.said.starts_with("restored ")) << restored.said;
  EXPECT_FALSE(session_->Origin().imported);
  const auto& again = Rules(SessionCommand::kRestore);
  EXPECT_EQ(again.status, 3);
  EXPECT_EQ(again.reasons.at(0),
            JoinPath(dir_.Path(), "TARN.MDB") + " keeps no rule set that an import replaced");
}

TEST_P(RuleCommandsTest, AnotherRunOnTheHomeRefusesWhatWritesTarnMdb) {
  ASSERT_EQ(Rules(SessionCommand::kExport, Home("mine")).status, 0);
  const std::string before = ExportedText();
  {
    std::string why;
    const auto other =
        FolderLock::TakeOrSay(dir_.Path(), "home", "home folder", FolderLock::Need::kRequired, why);
    ASSERT_TRUE(why.empty()) << why;
    for (SessionCommand command : {SessionCommand::kImport, SessionCommand::kRestore}) {
      SCOPED_TRACE(CommandCaption(command));
      const auto& refused = Rules(command, Home("mine"));
      EXPECT_EQ(refused.ending, Ending::kRefused);
      EXPECT_EQ(refused.refusal, Refusal::kFolderBusy);
      EXPECT_EQ(refused.status, 3);
    }
    // Reading the rules needs no lock.
    EXPECT_EQ(Rules(SessionCommand::kExport, Home("read")).status, 0);
  }
  EXPECT_EQ(ExportedText(), before);
  EXPECT_FALSE(session_->Origin().imported);
  // A session that holds the home itself (from its "Init DB" on) runs them under its own lock.
  if (GetParam()) {
    session_->Run(SessionCommand::kInitDB, false);
    EXPECT_EQ(Rules(SessionCommand::kImport, Home("mine")).status, 0);
  }
}

// How a path into the game's DATA folder is written where the walk opens it.
#ifdef _WIN32
constexpr const char* kDataFolder = "\\DATA\\";
#else
constexpr const char* kDataFolder = "/DATA/";
#endif

TEST_P(RuleCommandsTest, ACancelledCommandChangesNothing) {
  ASSERT_EQ(Rules(SessionCommand::kExport, Home("mine")).status, 0);
  ASSERT_EQ(Rules(SessionCommand::kImport, Home("mine")).status, 0);
  const std::string before = ExportedText();
  // Asked while the import reads its folder; then while learn walks the game's data files,
  // into a folder an earlier learn wrote.
  testing::WriteWorld(Home("learned"), {{".tarn-learned", ""}, {"old.rules", "[Old]\n"}});
  struct Case {
    SessionCommand command;
    std::string folder, at;
  };
  for (const Case& c : {Case{SessionCommand::kImport, Home("mine"), ".rules"},
                        Case{SessionCommand::kLearn, Home("learned"), kDataFolder}}) {
    SCOPED_TRACE(CommandCaption(c.command));
    files_.at = c.at;
    files_.step = [this] { session_->RequestCancel(); };
    const auto& account = Rules(c.command, c.folder);
    EXPECT_EQ(account.ending, Ending::kCancelled);
    EXPECT_TRUE(account.said.empty());
    EXPECT_FALSE(files_.step) << "the command never read " << c.at;
  }
  EXPECT_EQ(ExportedText(), before);
  EXPECT_TRUE(session_->Origin().imported);
  EXPECT_EQ(testing::FromCrLf(testing::ReadFile(Home("learned/old.rules"))), "[Old]\n");
  // The stop was the rule command's: the next command runs whole.
  EXPECT_EQ(Rules(SessionCommand::kRestore).ending, Ending::kFinished);
}

}  // namespace
}  // namespace tarn
