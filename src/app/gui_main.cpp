#include "app/gui_main.h"

#include "platform/files.h"
#include "platform/qt_dialogs.h"

#include <QApplication>
#include <QLabel>

namespace cotavia {

int runGui(int argc, char** argv) {
  QApplication app(argc, argv);
  QStringList args = app.arguments();
  for (int i = 1; i < args.size(); ++i)
    if (args[i] == "--dir" && i + 1 < args.size()) setProgramFolder(args[++i]);
    else if (args[i].startsWith("--dir=")) setProgramFolder(args[i].mid(6));
  QtDialogs dlg;
  DialogsGuard guard(&dlg);
  QLabel l("Cotavia");
  l.show();
  return app.exec();
}

} // namespace cotavia
