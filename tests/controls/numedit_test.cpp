// TNumEdit driven with real key and mouse events, offscreen.
#include "controls/numedit.h"
#include "platform/dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using cotavia::HeadlessDialogs;
using cotavia::TNumEdit;

class NumEditTest : public QObject {
  Q_OBJECT

 private:
  QWidget* window = nullptr;
  TNumEdit* edit = nullptr;
  QLineEdit* other = nullptr;
  HeadlessDialogs dlg;
  cotavia::DialogsGuard dialogsGuard{&dlg};

  int beeps() const { return dlg.count(HeadlessDialogs::Entry::Beep); }
  // Focuses the field, puts `text` in it and the caret at `pos` with nothing selected.
  void prepare(const QString& text, int pos) {
    edit->setFocus();
    QVERIFY(edit->hasFocus());
    edit->setText(text);
    edit->setCursorPosition(pos);
    edit->deselect();
    dlg.clear();
  }

 private slots:
  void init() {
    window = new QWidget;
    auto* lay = new QVBoxLayout(window);
    edit = new TNumEdit(window);
    other = new QLineEdit(window);
    lay->addWidget(edit);
    lay->addWidget(other);
    window->resize(240, 90);
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    dlg.clear();
  }
  void cleanup() {
    delete window;
    window = nullptr;
  }

  // Value written shows fixed notation focused and separators unfocused; Decimals re-rounds.
  void valueAndDisplayForms() {
    edit->setDecimals(4);
    edit->setValue(1);
    QCOMPARE(edit->text(), QString("1,0000"));
    QCOMPARE(edit->paintedText(), QString("1,0000"));
    edit->setValue(1234.5L);
    QCOMPARE(edit->text(), QString("1234,5000"));
    QCOMPARE(edit->paintedText(), QString("1.234,5000"));
    edit->setShowSeparator(false);
    QCOMPARE(edit->paintedText(), QString("1234,5000"));
    edit->setShowSeparator(true);
    edit->setValue(0.125L);
    edit->setDecimals(2);
    QCOMPARE(edit->text(), QString("0,13"));
    QCOMPARE(double(edit->Value()), 0.13);
    edit->setValue(-1234567.891L);
    QCOMPARE(edit->paintedText(), QString("-1.234.567,89"));
  }

  // A text set directly stays as it is until the field gets the focus, and reads as a number.
  void textSetDirectlyIsParsedAndRewrittenOnFocus() {
    edit->setDecimals(4);
    edit->setText("   1.234,5000");
    QCOMPARE(double(edit->Value()), 1234.5);
    QCOMPARE(edit->text(), QString("   1.234,5000"));
    edit->setText("          ");
    QCOMPARE(double(edit->Value()), 0.0);
    edit->setText("  12,5");
    QCOMPARE(double(edit->Value()), 12.5);
    edit->setText("1-2");
    QCOMPARE(double(edit->Value()), 12.0);
    edit->setText("   1.234,5000");
    QTest::mouseClick(other, Qt::LeftButton);
    QTest::keyClick(other, Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(edit->hasFocus());
    QCOMPARE(edit->text(), QString("1234,5000"));
    QCOMPARE(edit->selectedText(), edit->text());
  }

  // "," and "." both type the decimal separator; a second one jumps over the first.
  void decimalSeparatorKeys() {
    prepare("12", 2);
    QTest::keyClick(edit, '.');
    QCOMPARE(edit->text(), QString("12,"));
    QTest::keyClicks(edit, "5");
    QCOMPARE(edit->text(), QString("12,5"));
    prepare("12,34", 1);
    QTest::keyClick(edit, ',');
    QCOMPARE(edit->text(), QString("12,34"));
    QCOMPARE(edit->cursorPosition(), 3);
    // No separator yet and more digits after the caret than decimals: the excess is cut.
    prepare("12345", 1);
    QTest::keyClick(edit, ',');
    QCOMPARE(edit->text(), QString("1,23"));
    QCOMPARE(beeps(), 0);
    edit->setDecimals(0);
    prepare("12", 2);
    QTest::keyClick(edit, ',');
    QCOMPARE(edit->text(), QString("12"));
    QCOMPARE(beeps(), 1);
  }

  // A full decimal part: typing at its end is refused, typing inside it overwrites.
  void fullDecimalPart() {
    prepare("12,34", 5);
    QTest::keyClick(edit, '9');
    QCOMPARE(edit->text(), QString("12,34"));
    QCOMPARE(beeps(), 1);
    prepare("12,34", 3);
    QTest::keyClick(edit, '5');
    QCOMPARE(edit->text(), QString("12,53"));
    QCOMPARE(edit->cursorPosition(), 4);
    // Digits before the separator are free.
    prepare("12,34", 0);
    QTest::keyClick(edit, '7');
    QCOMPARE(edit->text(), QString("712,34"));
    QCOMPARE(beeps(), 0);
  }

  // Backspace and copying inside a full decimal part act on their own: no digit is dropped.
  void editingKeysInsideFullDecimalPart() {
    prepare("12,34", 4);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), QString("12,4"));
    prepare("12,34", 4);
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(edit->text(), QString("12,34"));
    QCOMPARE(beeps(), 0);
  }

  // The minus key toggles the sign unless the whole text is selected; nothing goes before "-".
  void minusSign() {
    prepare("12,50", 2);
    QTest::keyClick(edit, '-');
    QCOMPARE(edit->text(), QString("-12,50"));
    QCOMPARE(edit->cursorPosition(), 3);
    QTest::keyClick(edit, '-');
    QCOMPARE(edit->text(), QString("12,50"));
    QCOMPARE(edit->cursorPosition(), 2);
    prepare("0,00", 1);
    QTest::keyClick(edit, '-');
    QCOMPARE(edit->text(), QString("0,00"));
    prepare("-12,50", 0);
    QTest::keyClick(edit, '5');
    QTest::keyClick(edit, ',');
    QCOMPARE(edit->text(), QString("-12,50"));
    QCOMPARE(beeps(), 2);
    // Whole text selected (as after entering the field): "-" replaces it.
    edit->selectAll();
    QTest::keyClicks(edit, "-3");
    QCOMPARE(edit->text(), QString("-3"));
    QCOMPARE(double(edit->Value()), -3.0);
  }

  // Letters and other characters are refused with a beep; the text does not change.
  void otherCharactersRefused() {
    prepare("12", 2);
    QTest::keyClicks(edit, "a +e");
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(edit->text(), QString("12"));
    QCOMPARE(beeps(), 5);
    // Navigation and deletion keys keep working.
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(edit->text(), QString("2"));
  }

  // A read-only field does not change by typing, whatever the key.
  void readOnlyFieldDoesNotChange() {
    edit->setDecimals(4);
    edit->setReadOnly(true);
    edit->setValue(10);
    prepare("10,0000", 3);
    QApplication::clipboard()->setText("99");
    QTest::keyClicks(edit, "-5,.");
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(edit->text(), QString("10,0000"));
    QCOMPARE(double(edit->Value()), 10.0);
    QVERIFY(beeps() >= 4);
  }

  // Entering the field selects the whole number, also by a mouse click; later clicks place the caret.
  void focusSelectsAll() {
    edit->setValue(1234.5L);
    other->setFocus();
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(5, edit->height() / 2));
    QVERIFY(edit->hasFocus());
    QCOMPARE(edit->text(), QString("1234,50"));
    QCOMPARE(edit->selectedText(), QString("1234,50"));
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(5, edit->height() / 2));
    QVERIFY(!edit->hasSelectedText());
  }

  // Bounds: out of range keeps the focus (OnOutOfRange or a beep); both bounds 0 means free.
  void boundsOnLeaving() {
    QSignalSpy exited(edit, &TNumEdit::exited);
    edit->setFocus();
    edit->setValue(1e12L);
    QTest::keyClick(edit, Qt::Key_Tab);
    QTRY_VERIFY(other->hasFocus());
    QCOMPARE(exited.count(), 1);

    edit->MinValue = 1;
    edit->MaxValue = 10;
    int called = 0;
    edit->OnOutOfRange = [&] { ++called; };
    edit->setFocus();
    edit->setValue(20);
    QTest::keyClick(edit, Qt::Key_Tab);
    QCOMPARE(called, 1);
    QTRY_VERIFY(edit->hasFocus());
    QCOMPARE(edit->selectedText(), edit->text());
    QCOMPARE(exited.count(), 1);

    edit->OnOutOfRange = nullptr;
    dlg.clear();
    QTest::keyClick(edit, Qt::Key_Tab);
    QCOMPARE(beeps(), 1);
    QTRY_VERIFY(edit->hasFocus());

    edit->setValue(10);
    QTest::keyClick(edit, Qt::Key_Tab);
    QTRY_VERIFY(other->hasFocus());
    QCOMPARE(exited.count(), 2);
  }

  // The unfocused number is painted where the alignment puts it, in the text colour.
  void paintingFollowsAlignment() {
    edit->setValue(5);
    other->setFocus();
    auto inkColumns = [&]() {
      QImage img = edit->grab().toImage();
      const QColor bg = img.pixelColor(img.width() / 2, 2);
      int first = img.width(), last = -1;
      for (int x = 3; x < img.width() - 3; ++x)
        for (int y = 3; y < img.height() - 3; ++y)
          if (qGray(img.pixel(x, y)) < qGray(bg.rgb()) - 80) {
            first = qMin(first, x);
            last = qMax(last, x);
          }
      return std::pair{first, last};
    };
    auto [l1, r1] = inkColumns();
    QVERIFY(r1 > edit->width() - 20);  // right-aligned by default
    QVERIFY(l1 > edit->width() / 2);
    edit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto [l2, r2] = inkColumns();
    QVERIFY(l2 < 20);
    QVERIFY(r2 < edit->width() / 2);
    edit->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    auto [l3, r3] = inkColumns();
    QVERIFY(qAbs((l3 + r3) / 2 - edit->width() / 2) < 6);
    // A number wider than the field is painted smaller, whole; one that fits keeps the font.
    edit->setDecimals(4);
    edit->setValue(99999999999.0L);
    edit->resize(130, edit->height());
    QCOMPARE(edit->paintedText(), QString("99.999.999.999,0000"));
    QVERIFY(QFontMetrics(edit->paintedFont()).horizontalAdvance(edit->paintedText()) <= edit->paintedArea().width());
    edit->setValue(5);
    QCOMPARE(edit->paintedFont(), edit->font());
  }
};

QTEST_MAIN(NumEditTest)
#include "numedit_test.moc"
