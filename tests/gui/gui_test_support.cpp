#include "gui_test_support.h"

#include <QApplication>

#include "support/settings_db.h"

namespace tarn::gui {

void GuiTest::OpenSettings(int overwrite_log) {
  log_.reset();
  settings_ = std::make_unique<Settings>(front_end_);
  testing::MakeSettingsDB(dir_.File("TARN.MDB"), {.kv_path = "/games/kv",
                                                  .log_path = dir_.Path(),
                                                  .overwrite = std::to_string(overwrite_log)});
  settings_->SetSettingsDBName(dir_.File("TARN.MDB"));
  log_ = std::make_unique<Log>(&files_, front_end_, settings_->Values());
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
