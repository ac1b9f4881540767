#include "learn_command.h"

#include <cmath>
#include <cstdio>

#include "learn/learning.h"
#include "settings/settings.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/folder_lock.h"
#include "log/front_end.h"
#include "log/log_box.h"

namespace tarn {

namespace {

// Keeps what the walk logs to itself: learning writes no log, but the report of an error
// that ends the walk is shown.
class KeepingFrontEnd : public FrontEnd {
 public:
  void AppendToLogBox(std::string_view text, bool may_cut) override { kept.Append(text, may_cut); }
  void ShowMessageBox(std::string_view text) override { Print(text); }
  void ProcessEvents() override {}

  static void Print(std::string_view text) {
    std::string lines(text);
    std::erase(lines, '\r');
    std::fwrite(lines.data(), 1, lines.size(), stderr);
  }

  BoundedLogText kept;
};

int Fail(const std::string& reason) {
  std::fprintf(stderr, "tarn: rules learn: %s\n", reason.c_str());
  return kFatalStatus;
}

}  // namespace

int LearnRules(const std::string& home, const std::optional<std::string>& game,
               const LearnOptions& options) {
  KeepingFrontEnd front_end;
  RealFileSystem files;
  Settings settings(front_end);
  try {
    std::string why;
    const auto lock =
        FolderLock::TakeOrSay(home, "home", "home folder", FolderLock::Need::kRequired, why);
    if (!why.empty()) return Fail(why);
    settings.SetSettingsDBName(JoinPath(home, kSettingsDBFile));
    if (game) settings.Values().SetKVPath(*game);
    const OwnedPlaces places{home, options.log.value_or(settings.Values().LogPath()),
                             settings.Values().KVPath(), std::nullopt};
    CheckLearnedFolder(files, options.folder, places);
    AnalysisOptions walk_options;
    walk_options.follow_links = options.follow_links;
    walk_options.limits.file_size = options.max_file_size;
    // Thousandths, as the learner counts them.
    const NameTolerance tolerance{std::llround(options.duplicate_names * 10),
                                  std::llround(options.unknown_names * 10)};
    LearnResult result =
        LearnFromFolder(settings, front_end, files, options.merge, walk_options, nullptr, tolerance);
    KeepRemainingFindings(settings, front_end, files, options.merge, walk_options, result);
    WriteLearnedFolder(files, result, options.folder, places);
    std::fwrite(result.report.data(), 1, result.report.size(), stdout);
    std::fflush(stdout);
  } catch (const ProgramEnd& end) {
    // The walk reported why in its log; learning shows the end of it.
    const std::string& text = front_end.kept.Text();
    const std::size_t from = text.rfind("Error : ");
    KeepingFrontEnd::Print(from == std::string::npos ? text : text.substr(from));
    return Fail("the walk ended on the error above");
  } catch (const LearnError& error) {
    return Fail(error.what());
  } catch (const TarnError& error) {
    return Fail(JoinPath(home, kSettingsDBFile) + ": " + error.Description());
  }
  settings.Discard();
  return 0;
}

}  // namespace tarn
