#pragma once
// Helpers of the screen tests: a proposal folder, waiting for the modal editor, key paths.
#include "app/core/core_fixtures.h"
#include "app/screens/editor.h"
#include "platform/dialogs.h"
#include "support/support.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace cotavia::test {

// A proposal of three items: 0001 (quantity 10), 0002 (quantity 3), 0003 priced (5 x 2,0000 =
// 10,00, brand "MARCA X").
inline QByteArray threeItemProposal() {
  QList<QByteArray> lines = standardHeader();
  // number, code, description, quantity, unit, price, discount, surcharge, total, brand
  for (const Item& item : {Item{}, Item{"0002", "000456", "PAPEL A4 BRANCO RESMA 500 FOLHAS", "30000", "RS  "},
                           Item{"0003", "000789", "GRAMPEADOR", "50000", "UN  ", "20000", "0", "0", "1000", "MARCA X"}})
    lines << itemLine(item);
  return joinCrLf(lines);
}

// What the screen tests share: the dialog service recorded while the test object lives, and a
// proposal folder made afresh for each test.
struct ScreenTest {
  HeadlessDialogs dlg;
  DialogsGuard dialogsGuard{&dlg};
  std::unique_ptr<TempDir> dir;
  // A new folder holding a threeItemProposal() under each name, and nothing recorded or queued.
  void freshFolder(const QStringList& proposals) {
    dir = std::make_unique<TempDir>();
    for (const QString& name : proposals) dir->write(name, threeItemProposal());
    dlg = HeadlessDialogs();
  }
};

// Shows a window and waits until it is active, as the user finds it.
inline void showActive(QWidget* w) {
  w->show();
  w->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(w));
}

// Runs `job` on the first modal editor shown (polling), for code that calls exec().
inline void whenEditorShown(std::function<void(TTCotavia2*)> job) {
  auto* timer = new QTimer(qApp);  // freed with the application if no editor ever shows
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, job] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* ed = qobject_cast<TTCotavia2*>(w); ed && ed->isVisible()) {
        timer->stop();
        timer->deleteLater();
        job(ed);
        return;
      }
  });
  timer->start();
}

// Presses a key on whatever has the focus.
inline void press(Qt::Key key) {
  QWidget* w = QApplication::focusWidget();
  QVERIFY2(w, "no focus widget");
  QTest::keyClick(w, key);
}
inline void typeText(const char* text) {
  QWidget* w = QApplication::focusWidget();
  QVERIFY2(w, "no focus widget");
  QTest::keyClicks(w, QString::fromUtf8(text));
}

}  // namespace cotavia::test
