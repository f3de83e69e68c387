// The page recorder writes, byte for byte, the page a QPicture records for the same painter
// calls: report files and everything reading them rely on that. Texts drawn through rpDrawText
// are recorded directly when plain, so the cases mix texts the direct path takes with every kind
// it must leave to QPainter (fallback fonts, right to left, tabs, decorations, odd painter states).
#include <gtest/gtest.h>

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <functional>

#include "report/engine/rp_measure.h"
#include "report/output/rp_printer.h"
#include "report/pages/rp_record.h"
#include "report/rp_test_util.h"

using namespace cotavia;
using namespace cotavia::test;

namespace {

const QRect kPage(0, 0, 1056, 816);

void texts(QPainter& p) {
  TRpFont small;
  small.Size = 8;
  TRpFont bold = small;
  bold.Bold = true;
  const QString samples[] = {
      QStringLiteral("CANETA ESFEROGRÁFICA AZUL, CAIXA COM 50"),
      QStringLiteral("1.250,0000"),
      QStringLiteral("“Aspas” – travessão € ™ … ‰ Œ ž"),
      QStringLiteral("a\u0301 combinado"),
      QStringLiteral("\u00a0espaço duro e hífen\u00ad"),
      QStringLiteral("com\ttabulação"),
      QStringLiteral("hebraico שלום no meio"),
      QStringLiteral("emoji 😀"),
      QStringLiteral("中文 sem glifo na fonte"),
      QStringLiteral("controle \x01 e \x7f"),
      QString(),
      QString(1500, QLatin1Char('x')),
      QStringLiteral("Ω grego e Ж cirílico"),
  };
  int y = 20;
  for (const QString& s : samples) {
    for (int twice = 0; twice < 2; ++twice) {
      const rpdetail::FontEntry& fe = rpdetail::fontEntry(twice ? bold : small);
      if (p.font() != fe.qfont) p.setFont(fe.qfont);
      rpFillRect(p, QRect(5, y - 10, 300, 12), QColor(240, 240, 255));  // the label's background, no pen
      p.setPen(twice ? Qt::red : Qt::black);
      rpDrawText(p, QPoint(10, y), s);
      rpDrawText(p, QPoint(400, y), s);  // state unchanged since the last text
      y += 14;
    }
  }
}

void oddStates(QPainter& p) {
  TRpFont f;
  f.Size = 10;
  f.Underline = true;
  p.setFont(rpdetail::fontEntry(f).qfont);
  rpDrawText(p, QPoint(10, 20), QStringLiteral("sublinhado"));
  f.Underline = false;
  p.setFont(rpdetail::fontEntry(f).qfont);
  rpDrawText(p, QPoint(10, 40), QStringLiteral("simples"));
  p.setBackgroundMode(Qt::OpaqueMode);
  p.setBackground(Qt::yellow);
  rpDrawText(p, QPoint(10, 60), QStringLiteral("fundo opaco"));
  p.setBackgroundMode(Qt::TransparentMode);
  p.setLayoutDirection(Qt::RightToLeft);
  rpDrawText(p, QPoint(10, 80), QStringLiteral("direita para a esquerda"));
  p.setLayoutDirection(Qt::LayoutDirectionAuto);
  p.save();
  p.scale(2, 2);
  rpDrawText(p, QPoint(10, 100), QStringLiteral("ampliado"));
  p.restore();
  QLinearGradient g(0, 0, 100, 0);
  g.setColorAt(0, Qt::red);
  g.setColorAt(1, Qt::blue);
  p.setPen(QPen(QBrush(g), 1));
  rpDrawText(p, QPoint(10, 120), QStringLiteral("caneta em degradê"));
  p.setPen(Qt::NoPen);
  rpDrawText(p, QPoint(10, 140), QStringLiteral("sem caneta"));
  p.setPen(Qt::darkGreen);
  p.setBrush(g);
  rpDrawText(p, QPoint(10, 160), QStringLiteral("pincel em degradê"));
  p.setBrush(Qt::NoBrush);
  p.save();
  p.setPen(Qt::blue);
  rpDrawText(p, QPoint(10, 180), QStringLiteral("entre save e restore"));
  p.restore();
  rpDrawText(p, QPoint(10, 200), QStringLiteral("depois do restore"));
  QImage image(4, 3, QImage::Format_RGB32);
  image.fill(Qt::magenta);
  p.drawImage(QRectF(20, 220, 40, 30), image);
  p.drawEllipse(QRect(QPoint(5, 5), QPoint(60, 30)));
  p.drawLine(0, 260, 200, 260);
}

}  // namespace

TEST(PageRecorder, RecordsWhatQPictureRecords) {
  const struct Case {
    const char* what;
    std::function<void(QPainter&)> draw;
  } cases[] = {
      {"every painter call", paintEverything},
      {"label texts, plain and not", texts},
      {"texts in odd painter states, an image, a shape", oddStates},
      {"nothing", [](QPainter&) {}},
  };
  for (const Case& c : cases) {
    TRpMetafile picture;
    picture.setBoundingRect(kPage);
    QPainter p(&picture);
    c.draw(p);
    p.end();
    const QByteArray expected = bytes(picture);

    TRpPageRecorder page(kPage);
    QPainter r(&page);
    c.draw(r);
    r.end();
    const QByteArray got = page.data();
    qsizetype at = 6;  // after the tag and the checksum
    while (at < qMin(got.size(), expected.size()) && got[at] == expected[at]) ++at;
    EXPECT_EQ(got, expected) << c.what << ": " << got.size() << " bytes recorded against QPicture's " << expected.size()
                             << ", first difference at byte " << at;
  }
}
