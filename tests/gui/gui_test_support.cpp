#include "gui_test_support.h"

#include <QApplication>
#include <algorithm>
#include <memory>

#include "datadb/database.h"

namespace tarn::gui {

void GuiTest::OpenSettings(int overwrite_log) {
  log_.reset();
  if (settings_) settings_->Discard();
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string("tarn_gui_") + info->test_suite_name() + "_" + info->name();
  std::replace(name.begin(), name.end(), '/', '_');
  folder_ = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
  const std::string db_path = (folder_ / "TARN.MDB").string();
  {
    Database db = Database::Open(db_path, Database::Mode::kCreate);
    db.Exec(
        "CREATE TABLE _bc_Settings(KVPath TEXT, LogPath TEXT, OverwriteLog INTEGER);"
        "CREATE TABLE _bc_OtherINI(Value TEXT);"
        "CREATE VIEW _bc_ListSections AS SELECT 1 WHERE 0;");
    Statement insert = db.Prepare("INSERT INTO _bc_Settings VALUES ('/games/kv', ?1, ?2)");
    insert.BindText(1, folder_.string());
    insert.BindInt(2, overwrite_log);
    insert.Step();
  }
  settings_ = std::make_unique<Settings>(front_end_);
  settings_->SetSettingsDBName(db_path);
  log_ = std::make_unique<Log>(&files_, front_end_, settings_->Values());
}

void GuiTest::TearDown() {
  log_.reset();
  if (settings_) settings_->Discard();
  settings_.reset();
  std::filesystem::remove_all(folder_);
}

}  // namespace tarn::gui

// The window tests run on the offscreen platform unless told otherwise, so that test
// discovery needs no display.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
