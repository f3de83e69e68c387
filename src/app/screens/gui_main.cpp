#include "app/screens/gui_main.h"

#include "app/screens/start_screen.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/qt_dialogs.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <exception>

namespace cotavia {

namespace {

// The application's default handler: an exception that escapes an event handler is shown in a
// message box with its text, and the screen stays as it was.
class CotaviaApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* e) override {
    try {
      return QApplication::notify(receiver, e);
    } catch (const std::exception& ex) {
      dialogs().error(QString::fromLocal8Bit(ex.what()));
    } catch (...) {
      dialogs().error(QStringLiteral("Erro inesperado."));
    }
    return false;
  }
};

}  // namespace

int runGui(int argc, char** argv) {
  CotaviaApplication app(argc, argv);
  const QStringList args = app.arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--dir") && i + 1 < args.size()) {
      setProgramFolder(args[++i]);
    } else if (args[i].startsWith(QLatin1String("--dir="))) {
      setProgramFolder(args[i].mid(6));
    } else {
      std::fprintf(stderr, "cotavia: unknown option %s\nusage: cotavia [--dir FOLDER]\n", argv[i]);
      return 2;
    }
  }
  // The toolkit's own texts (Sim/Não on the questions, the folder dialog) in Portuguese, the
  // language of every screen of the program, when the translations are installed.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    app.installTranslator(&qtTexts);
  QtDialogs dlg;
  DialogsGuard guard(&dlg);
  TTCotavia start;
  start.show();
  return app.exec();
}

}  // namespace cotavia
