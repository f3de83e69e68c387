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

namespace cotavia::test {

// A proposal of three items: 0001 (quantity 10), 0002 (quantity 3), 0003 priced (5 x 2,0000 =
// 10,00, brand "MARCA X").
inline QByteArray threeItemProposal() {
  QList<QByteArray> lines = standardHeader();
  Item a;
  a.number = "0001";
  a.quantity = "100000";
  lines << itemLine(a);
  Item b;
  b.number = "0002";
  b.code = "000456";
  b.description = "PAPEL A4 BRANCO RESMA 500 FOLHAS";
  b.quantity = "30000";
  b.unit = "RS  ";
  lines << itemLine(b);
  Item c;
  c.number = "0003";
  c.code = "000789";
  c.description = "GRAMPEADOR";
  c.quantity = "50000";
  c.price = "20000";
  c.discount = "0";
  c.surcharge = "0";
  c.total = "1000";
  c.brand = "MARCA X";
  lines << itemLine(c);
  return joinCrLf(lines);
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
