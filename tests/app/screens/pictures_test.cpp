// The screens' pictures decode with libjpeg; damaged data gives no picture, never a crash.
#include "app/screens/pictures.h"

#include <QBuffer>
#include <QFile>
#include <QTest>

using namespace cotavia;

class PicturesTest : public QObject {
  Q_OBJECT
 private slots:
  void shippedPicturesDecode() {
    for (const char* name : {"start_background", "start_logo", "editor_background", "editor_logo"}) {
      const QImage img = picture(QString::fromLatin1(name));
      QVERIFY2(!img.isNull(), name);
      QVERIFY(img.width() >= 100 && img.height() >= 50);
    }
    QCOMPARE(picture("start_background").size(), QSize(630, 546));
    QCOMPARE(picture("editor_background").size(), QSize(841, 641));
    QVERIFY(picture("does_not_exist").isNull());
  }

  void decodedPixelsMatchTheEncodedOnes() {
    QImage src(64, 32, QImage::Format_RGB32);
    src.fill(QColor(200, 30, 40));
    QByteArray jpg;
    QBuffer b(&jpg);
    b.open(QIODevice::WriteOnly);
    QVERIFY(src.save(&b, "JPG", 95));
    const QImage out = decodeJpeg(jpg);
    QCOMPARE(out.size(), src.size());
    const QColor c = out.pixelColor(10, 10);
    QVERIFY(qAbs(c.red() - 200) < 6 && qAbs(c.green() - 30) < 6 && qAbs(c.blue() - 40) < 6);
  }

  void damagedDataGivesNoPicture() {
    QFile f(":/pictures/start_logo.jpg");
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray good = f.readAll();
    QString err;
    QVERIFY(decodeJpeg(QByteArray(), &err).isNull());
    QVERIFY(decodeJpeg("not a picture at all", &err).isNull());
    QVERIFY(!err.isEmpty());
    QVERIFY(decodeJpeg(good.left(40)).isNull());
    // A cut stream still decodes what it has or fails cleanly; garbage in the middle too.
    (void)decodeJpeg(good.left(good.size() / 2));
    QByteArray mangled = good;
    for (int i = 200; i < mangled.size(); i += 97) mangled[i] = char(0xFF);
    (void)decodeJpeg(mangled);
  }
};

QTEST_MAIN(PicturesTest)
#include "pictures_test.moc"
