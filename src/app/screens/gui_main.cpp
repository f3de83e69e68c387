#include "app/screens/gui_main.h"

#include "app/screens/screen_style.h"
#include "app/screens/start_screen.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/qt_dialogs.h"
#include "report/windows/rp_preview.h"

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
      dialogs().error(userMessage(ex));
    } catch (...) {
      dialogs().error(QStringLiteral("Erro inesperado."));
    }
    return false;
  }
};

}  // namespace

bool installQtTranslations(QCoreApplication& app) {
  // The toolkit's own texts (Sim/Não on the questions, the columns of the file dialogs, the
  // print dialog) in Portuguese, the language of every screen of the program, and its dates
  // and sizes in the Brazilian form.
  QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
  static QTranslator qtTexts;
  if (!qtTexts.load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  app.installTranslator(&qtTexts);
  return true;
}

int runGui(int argc, char** argv) {
  CotaviaApplication app(argc, argv);
  const QStringList args = app.arguments();
  QString dir;
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--dir") && i + 1 < args.size()) {
      dir = args[++i];
    } else if (args[i].startsWith(QLatin1String("--dir="))) {
      dir = args[i].mid(6);
    } else {
      std::fprintf(stderr, "cotavia: unknown option %s\nusage: cotavia [--dir FOLDER]\n", argv[i]);
      return 2;
    }
  }
  installQtTranslations(app);
  rpInstallTranslations(QLocale::system());  // the report windows speak the user's language
  installScreenStyle(app);
  QtDialogs dlg;
  dlg.font = sansFont(13);
  DialogsGuard guard(&dlg);
  TTCotavia start(programFolder(dir));
  start.show();
  return app.exec();
}

}  // namespace cotavia
