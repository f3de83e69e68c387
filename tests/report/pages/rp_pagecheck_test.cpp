// The check of pages read from report files: every page Qt records for a report passes, in every
// format version this Qt reads; a list count no command could hold, a command that is not drawn
// by reports, or a truncated command refuses the page, and the report printer refuses the file.
// The Qt in use records the report engine's drawing calls in a format the check knows.
#include <gtest/gtest.h>

#include <QConicalGradient>
#include <QDataStream>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPicture>
#include <QRadialGradient>
#include <QtEndian>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "report/engine/rp_controls.h"
#include "report/engine/rp_measure.h"
#include "report/output/rp_printer.h"
#include "report/pages/rp_pagecheck.h"
#include "report/pages/rp_pagestore.h"
#include "report/pages/rp_replay.h"
#include "report/rp_test_util.h"
#include "support/support.h"

using namespace cotavia;
using namespace cotavia::test;

namespace {

QString check(const QByteArray& b) { return rpCheckPicture(b.constData(), b.size()); }

QPicture everything(int version) {
  QPicture pic(version);
  QPainter p(&pic);
  paintEverything(p);
  p.end();
  return pic;
}

// The picture's bytes with one planted big-endian count, in the first command of the given code
// that holds it, replaced by a count no command could hold; fails the test unless that command
// holds the planted value exactly once.
QByteArray inflated(QByteArray b, quint8 code, quint32 planted) {
  char needle[4];
  qToBigEndian<quint32>(planted, needle);
  const QByteArray n(needle, 4);
  for (const Command& c : commands(b)) {
    const QByteArray data = b.mid(c.at, c.len);
    const qsizetype k = data.indexOf(n);
    if (c.code == code && k >= 0) {
      EXPECT_EQ(data.indexOf(n, k + 1), -1) << "count " << planted << " found twice in command " << int(code);
      qToBigEndian<quint32>(0xFFFFFFF0u, b.data() + c.at + k);
      reseal(b);
      return b;
    }
  }
  ADD_FAILURE() << "no command " << int(code) << " holds " << planted;
  return b;
}

QByteArray be32(qint32 v) {
  QByteArray b(4, '\0');
  qToBigEndian<qint32>(v, b.data());
  return b;
}

QByteArray beDouble(double v) {
  QByteArray b(8, '\0');
  qToBigEndian<double>(v, b.data());
  return b;
}

}  // namespace

TEST(PageCheck, EveryPageQtRecordsPassesInEveryFormatVersion) {
  for (int v = QDataStream::Qt_4_3; v <= QDataStream::Qt_DefaultCompiledVersion; ++v) {
    const QByteArray b = bytes(everything(v));
    EXPECT_EQ(check(b), QString()) << "version " << v;
  }
  EXPECT_EQ(check(bytes(markedPage(7))), QString());
  EXPECT_EQ(check(bytes(QPicture())), QStringLiteral("the page is not a picture"));
}

TEST(PageCheck, ImpossibleCountsAreRefusedBeforeQtReservesForThem) {
  const QByteArray sound = bytes(everything(QDataStream::Qt_DefaultCompiledVersion));
  struct Case {
    quint8 command;
    quint32 planted;
    const char* what;
  } cases[] = {
      {rpdetail::kSetFont, 3, "family names"},    {rpdetail::kSetPen, 6, "dash pattern"},
      {rpdetail::kSetBrush, 5, "gradient stops"}, {rpdetail::kDrawPolyline, 3, "points"},
      {rpdetail::kDrawPolygon, 4, "points"},      {rpdetail::kSetClipRegion, 3, "rectangles"},
  };
  for (const Case& c : cases) {
    const QString problem = check(inflated(sound, c.command, c.planted));
    EXPECT_TRUE(problem.startsWith(QStringLiteral("command "))) << c.what << ": " << problem.toStdString();
    EXPECT_TRUE(problem.endsWith(QStringLiteral("is damaged"))) << c.what << ": " << problem.toStdString();
  }
}

TEST(PageCheck, ValuesThePainterCannotHandleAreRefused) {
  QPicture pic;
  {
    QPainter p(&pic);
    p.setCompositionMode(QPainter::CompositionMode_Multiply);
    p.setPen(QPen(Qt::red, 2));
    p.setBrush(Qt::Dense4Pattern);
    QPainterPath path(QPointF(1, 1));
    path.cubicTo(QPointF(5, 5), QPointF(9, 1), QPointF(12, 12));
    p.drawPath(path);
    p.drawEllipse(QRectF(1, 1, 5, 5));
  }
  const QByteArray sound = bytes(pic);
  ASSERT_EQ(check(sound), QString());
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* what;
    QByteArray page;
  } cases[] = {
      {"composition mode past the last", patched(sound, rpdetail::kSetCompositionMode, 0, be32(200))},
      {"brush style between patterns and texture", patched(sound, rpdetail::kSetBrush, 0, QByteArray(1, char(20)))},
      {"texture brush", patched(sound, rpdetail::kSetBrush, 0, QByteArray(1, char(Qt::TexturePattern)))},
      {"pen style", patched(sound, rpdetail::kSetPen, 0, QByteArray("\x00\x0f", 2))},
      {"pen width not finite", patched(sound, rpdetail::kSetPen, 3, beDouble(std::nan("")))},
      {"path element of no type", patched(sound, rpdetail::kDrawPath, 4 + 20, be32(1079656448))},
      {"path starting with a control point", patched(sound, rpdetail::kDrawPath, 4, be32(3))},
      {"curve missing a control point", patched(sound, rpdetail::kDrawPath, 4 + 40, be32(1))},
      {"path coordinate not finite", patched(sound, rpdetail::kDrawPath, 8, beDouble(inf))},
      {"subpath start past the end", patched(sound, rpdetail::kDrawPath, 4 + 4 * 20, be32(4))},
      {"ellipse a billion units wide", patched(sound, rpdetail::kDrawEllipse, 16, beDouble(1e9))},
  };
  for (const Case& c : cases) EXPECT_FALSE(check(c.page).isEmpty()) << c.what;
}

TEST(PageCheck, ImagesTruncationsAndStrayBytesAreRefused) {
  QPicture withImage;
  {
    QPainter p(&withImage);
    QImage img(4, 4, QImage::Format_RGB32);
    img.fill(Qt::red);
    p.drawImage(QPointF(0, 0), img);
  }
  EXPECT_TRUE(check(bytes(withImage)).contains(QStringLiteral("is not part of a report page")));

  const QByteArray sound = bytes(markedPage(2));
  for (qsizetype cut : {qsizetype(rpdetail::kFirstCommand + 1), sound.size() / 2, sound.size() - 1}) {
    QByteArray b = sound.left(cut);
    reseal(b);
    EXPECT_FALSE(check(b).isEmpty()) << "cut at " << cut;
  }
  QByteArray stray = sound;
  stray[sound.size() / 2] = char(stray[sound.size() / 2] ^ 0x40);
  EXPECT_EQ(check(stray), QStringLiteral("the page's checksum does not match its contents"));
  QByteArray endless = sound;  // a page 2^31 units high
  qToBigEndian<qint32>(std::numeric_limits<qint32>::min(), endless.data() + 24);
  reseal(endless);
  EXPECT_EQ(check(endless), QStringLiteral("the page's rectangle is damaged"));
  QByteArray future = sound;
  qToBigEndian<quint16>(quint16(QDataStream::Qt_DefaultCompiledVersion + 1), future.data() + 6);
  reseal(future);
  EXPECT_TRUE(check(future).startsWith(QStringLiteral("the page was recorded in an unknown format")));
}

TEST(PageCheck, ReportPrinterRefusesAFileWithADamagedPageAndKeepsItsPages) {
  TempDir dir;
  const QString good = dir.file("good.rpf"), bad = dir.file("bad.rpf");
  writeReportFile(good, {bytes(everything(QDataStream::Qt_DefaultCompiledVersion))});
  writeReportFile(bad, {inflated(bytes(everything(QDataStream::Qt_DefaultCompiledVersion)), rpdetail::kSetFont, 3)});

  TRpPrinter printer;
  printer.Load(good);
  ASSERT_EQ(printer.PageCount(), 1);
  try {
    printer.Load(bad);
    FAIL() << "a damaged page was loaded";
  } catch (const ERpError& e) {
    EXPECT_TRUE(e.message().contains(bad)) << e.message().toStdString();
    EXPECT_TRUE(e.message().contains(QStringLiteral("page 1: command "))) << e.message().toStdString();
  }
  EXPECT_EQ(printer.PageCount(), 1);
  EXPECT_NE(printer.GetPage(1), nullptr);

  // The page list alone loads the file (its records are whole) but refuses to hand out the page.
  TRpPageList list;
  list.LoadFromFile(bad);
  EXPECT_THROW(list.GetPage(1), ERpError);
}

// The watch on the recorded page format: the page check and the PDF replay read Qt's picture
// stream with their own table of commands and layouts. The Qt in use must record every drawing
// call of the report engine in a format version and with commands that table knows; otherwise
// report files would be refused as damaged, or read wrongly, after a Qt upgrade. (A painter
// records its pen, brush and font only when something is drawn with them.)
TEST(PageFormatWatch, QtRecordsTheReportEnginesCallsAsThePageReaderKnows) {
  TRpFont styled;
  styled.Bold = styled.Italic = styled.Underline = styled.StrikeOut = true;
  const QFont font = rpdetail::fontEntry(styled).qfont;
  TRpFrame frame;
  frame.DrawTop = frame.DrawBottom = frame.DrawLeft = frame.DrawRight = true;
  frame.Style = Qt::DashDotLine;
  const struct Call {
    const char* what;
    std::function<void(QPainter&)> draw;
  } calls[] = {
      {"a filled rectangle (rpFillRect)",
       [](QPainter& p) { rpFillRect(p, QRect(5, 5, 50, 20), QColor(230, 230, 250)); }},
      {"a label's text (setFont, setPen(QColor), drawText(QPoint, QString), underlined and struck out)",
       [&](QPainter& p) {
         p.setFont(font);
         p.setPen(QColor(Qt::darkGreen));
         p.drawText(QPoint(10, 20), QStringLiteral("Licitação nº 12/2026"));
       }},
      {"a frame (TRpFrame::PaintIt, its dash-dot pen and no brush)",
       [&](QPainter& p) {
         frame.PaintIt(p, 5, 5, 60, 30, kRpScreenFactor, kRpScreenFactor);
         p.drawLine(5, 40, 60, 40);
       }},
      {"a shape's rectangle (setBrush(pattern), setPen(QPen(colour, width)), drawRect(QRect))",
       [](QPainter& p) {
         p.setBrush(QBrush(Qt::red, Qt::DiagCrossPattern));
         p.setPen(QPen(Qt::blue, 2.5));
         p.drawRect(QRect(QPoint(5, 5), QPoint(60, 30)));
       }},
      {"a shape's circle (drawEllipse(QRect))",
       [](QPainter& p) { p.drawEllipse(QRect(QPoint(5, 5), QPoint(60, 30))); }},
      {"a shape's line (drawLine(int, int, int, int))", [](QPainter& p) { p.drawLine(0, 40, 200, 40); }},
  };
  const std::string qt = qVersion();
  const std::string where =
      "; compare how this Qt writes QPicture's commands with the readers of "
      "src/report/pages/rp_pagecheck.cpp and rp_replay.cpp";
  auto record = [](const std::function<void(QPainter&)>& draw) {
    TRpMetafile page;  // as the report printer records its pages
    page.setBoundingRect(QRect(0, 0, 816, 1056));
    QPainter p(&page);
    draw(p);
    p.end();
    return bytes(page);
  };
  for (const Call& c : calls) {
    const QByteArray b = record(c.draw);
    const int version = qFromBigEndian<quint16>(b.constData() + 6);  // after the tag and the checksum
    ASSERT_LE(version, rpdetail::kNewestKnownVersion)
        << "Qt " << qt << " records report pages in picture format version " << version
        << ", newer than the page reader knows (" << rpdetail::kNewestKnownVersion << ")" << where
        << ", then raise kNewestKnownVersion";
    const QString problem = check(b);
    EXPECT_TRUE(problem.isEmpty()) << "Qt " << qt << " records " << c.what << " in a way the page reader "
                                   << "does not know: " << problem.toStdString() << where;
  }
  // A page holding every call in turn is drawn by the replay, not left to QPicture.
  const QByteArray page = record([&](QPainter& p) {
    for (const Call& c : calls) c.draw(p);
  });
  QPicture picture;
  picture.setData(page.constData(), quint32(page.size()));
  rpdetail::TRpFontTable fonts;
  EXPECT_TRUE(rpdetail::TRpPageProgram::read(picture, fonts))
      << "Qt " << qt << " records the report engine's drawing calls with a command the PDF replay does not know"
      << where;
}
