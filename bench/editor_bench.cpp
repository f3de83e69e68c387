// Opens the proposal editor on a proposal of 8999 items (100-character descriptions, half of
// them priced) and prints the milliseconds until the item grid has been painted. Target: under
// 300 ms. Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "app/screens/editor.h"
#include "app/screens/item_grid.h"
#include "platform/dialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

QByteArray right(const QByteArray& t, int w) { return QByteArray(qMax<qsizetype>(0, w - t.size()), ' ') + t; }
QByteArray left(const QByteArray& t, int w) { return (t + QByteArray(w, ' ')).left(w); }

QByteArray proposal(int items) {
  QByteArray out;
  for (int i = 0; i < 6; ++i)
    out += left(
               "CCabe\xE7"
               "alho " +
                   QByteArray::number(i + 1),
               200) +
           "\r\n";
  for (int i = 1; i <= items; ++i) {
    const bool priced = i % 2 == 0;
    QByteArray l = "I" + right(QByteArray::number(i), 4).replace(' ', '0') + right(QByteArray::number(i * 7), 6) +
                   left("MATERIAL DE EXPEDIENTE ITEM " + QByteArray::number(i) + " DESCRI\xC7\xC3O LONGA", 100) +
                   right(QByteArray::number(10000 * (i % 50 + 1)), 13) + "UN  ";
    if (priced)
      l += right("25000", 11) + right("100", 11) + right("50", 11) +
           right(QByteArray::number(250 * (i % 50 + 1) - 50), 11) + "MARCA " + QByteArray::number(i);
    out += l + "\r\n";
  }
  return out;
}

class PaintWatch : public QObject {
 public:
  bool painted = false;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) painted = true;
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  cotavia::HeadlessDialogs dlg;
  cotavia::DialogsGuard guard(&dlg);
  QTemporaryDir dir;
  QFile f(dir.filePath("P0001.KVT"));
  if (!f.open(QIODevice::WriteOnly) || f.write(proposal(8999)) < 0) return 1;
  f.close();
  cotavia::TTCotavia2::removableMedia = [] { return QStringList(); };

  for (int run = 1; run <= 3; ++run) {
    QElapsedTimer t;
    t.start();
    cotavia::TTCotavia2 ed({dir.path(), "P0001.KVT", "12345678000195"});
    PaintWatch watch;
    ed.StringGrid1->viewport()->installEventFilter(&watch);
    ed.show();
    while (!watch.painted && t.elapsed() < 10000) app.processEvents(QEventLoop::AllEvents, 5);
    const qint64 shown = t.elapsed();
    const int rows = static_cast<int>(ed.proposal().rows.size());
    std::printf("editor open, 8999 items: grid shown after %lld ms (%d items, %zu messages) run %d\n",
                static_cast<long long>(shown), rows, static_cast<size_t>(dlg.log.size()), run);
  }
  return 0;
}
