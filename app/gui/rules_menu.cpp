#include "rules_menu.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <utility>

#include "main_window.h"
#include "session/session.h"

namespace tarn::gui {

RulesMenu::RulesMenu(Session& session, MainWindow& window, FolderQuestion ask_folder)
    : session_(session), window_(window), ask_folder_(std::move(ask_folder)) {
  setObjectName(QStringLiteral("menuBar"));
  // Inside the window on every desktop: the design area is measured from its bottom.
  setNativeMenuBar(false);
  QMenu* rules = addMenu(QStringLiteral("&Rules"));
  rules->setObjectName(QStringLiteral("menuRules"));
  struct Item {
    const char* name;
    QString caption;
    QString tip;
    Command command;
    QString question;  // what the folder is asked for; empty: no folder
  };
  const Item items[] = {
      {"actLearn", QStringLiteral("&Learn from game folder..."),
       QStringLiteral("Walk the game folder as \"All\" does and write the rule set that describes "
                      "it, with its learning report, into a folder you choose; the rules in use "
                      "do not change until you import them."),
       Command::kLearn, QStringLiteral("Folder to write the learned rules to")},
      {"actImport", QStringLiteral("&Import..."),
       QStringLiteral("Check the rule files of a folder and make them the rule set of TARN.MDB, "
                      "keeping the one they replace for \"Restore previous\"."),
       Command::kImport, QStringLiteral("Folder of the rule files to import")},
      {"actExport", QStringLiteral("&Export..."),
       QStringLiteral("Write the rule set of TARN.MDB as rule files into a folder, to edit them "
                      "and import them again."),
       Command::kExport, QStringLiteral("Folder to export the rule files to")},
      {"actRestore", QStringLiteral("&Restore previous"),
       QStringLiteral("Put back the rule set that the last import replaced (once)."),
       Command::kRestore, QString()},
  };
  for (const Item& item : items) {
    QAction* action = rules->addAction(item.caption);
    action->setObjectName(QString::fromLatin1(item.name));
    action->setToolTip(item.tip);
    action->setStatusTip(item.tip);
    connect(action, &QAction::triggered, this,
            [this, command = item.command, question = item.question] {
              RunOnFolder(command, question);
            });
  }
  rules->setToolTipsVisible(true);
}

void RulesMenu::RunOnFolder(SessionCommand command, const QString& caption) {
  if (window_.CommandRunning()) return;
  RuleRequest request{command};
  if (!caption.isEmpty()) {
    const QString folder = ask_folder_(&window_, caption);
    if (folder.isEmpty()) return;
    request.folder = QFile::encodeName(folder).toStdString();
  }
  window_.RunCommand(request.command, [this, request] { session_.RunRules(request); });
}

}  // namespace tarn::gui
