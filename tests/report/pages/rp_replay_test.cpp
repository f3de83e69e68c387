// Fast replay of recorded pages: it must draw exactly what QPicture::play draws (same pixels, same
// PDF bytes), and leave to QPicture every page it cannot draw that way.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QtEndian>

#include "report/engine/rp_report.h"
#include "report/pages/rp_pagecheck.h"
#include "report/pages/rp_replay.h"

using namespace cotavia;
using namespace cotavia::rpdetail;

namespace {

// A two-page report with what the controls draw: filled and transparent labels in several
// fonts and colours, frames, automatic width, lines, a rectangle and a circle.
struct SampleReport {
  TRpReport report;
  TRpListDataSet data;

  SampleReport() {
    report.Units = TRpUnits::MM;
    report.PrintIfEmpty = false;
    TRpBand* header = report.AddBand(rbPageHeader);
    header->Size().SetHeight(30);
    auto* title = header->Add<TRpLabel>();
    title->SetBounds(10, 2, 120, 8);
    TRpFont big;
    big.Size = 16;
    big.Bold = true;
    big.Color = Qt::red;
    title->SetFont(big);
    title->SetCaption(QStringLiteral("Licitação - Proposta"));
    title->Frame.DrawBottom = title->Frame.DrawTop = true;
    auto* pageNo = header->Add<TRpSysData>();
    pageNo->SetBounds(150, 2, 20, 5);
    pageNo->SetData(rpsPageNumber);
    auto* box = header->Add<TRpShape>();
    box->SetBounds(5, 12, 60, 10);
    box->Shape = rpsRectangle;
    box->Brush = QBrush(QColor(230, 230, 250));
    auto* circle = header->Add<TRpShape>();
    circle->SetBounds(70, 12, 10, 10);
    circle->Shape = rpsCircle;
    auto* line = header->Add<TRpShape>();
    line->SetBounds(0, 25, 180, 2);
    line->Shape = rpsHorLine;
    line->Pen = QPen(Qt::blue, 2);

    TRpBand* detail = report.AddBand(rbDetail);
    detail->Size().SetHeight(6);
    detail->Color = Qt::white;
    const char* texts[3] = {"CANETA AZUL", "1.250,00", "UN  "};
    for (int i = 0; i < 3; ++i) {
      auto* l = detail->Add<TRpLabel>();
      l->SetBounds(5 + 50.0 * i, 0.5, i == 2 ? 4 : 45, 4);
      l->Transparent = i == 0;
      l->Color = Qt::white;
      TRpFont f;
      f.Size = 8;
      f.Bold = i == 1;
      l->SetFont(f);
      l->SetAutoSize(i == 2);
      l->SetAlignment(i == 1 ? taRightJustify : taLeftJustify);
      l->SetCaption(QString::fromUtf8(texts[i]));
      l->Frame.DrawLeft = i == 1;
    }
    QList<QByteArray> recs;
    for (int i = 0; i < 70; ++i) recs.append(QByteArray("I"));
    data.SetRecords(recs);
    data.Open();
    report.DataSet = &data;
    report.PrinterSettings.PdfPrinter = {"test", "/dev/null", {}};
    report.Preview();
  }
  TRpPrinter& printer() { return *report.RpPrinter(); }
};

QImage render(const std::function<void(QPainter&)>& draw, const QSize& size) {
  QImage img(size, QImage::Format_ARGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p);
  p.end();
  return img;
}

// The PDF of one page, without its creation date.
QByteArray pdf(const std::function<void(QPainter&)>& draw, const QRect& page) {
  QBuffer out;
  out.open(QIODevice::WriteOnly);
  {
    QPdfWriter w(&out);
    w.setResolution(96);
    w.setPageSize(QPageSize(page.size() * 72 / 96, QPageSize::Point));
    w.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter p(&w);
    draw(p);
  }
  QByteArray b = out.data();
  const qsizetype at = b.indexOf("/CreationDate (");
  if (at >= 0) b.remove(at, b.indexOf(')', at) - at + 1);
  return b;
}

}  // namespace

TEST(RpReplay, DrawsReportPagesExactlyAsThePictureDoes) {
  SampleReport s;
  ASSERT_GE(s.printer().PageCount(), 2);
  TRpFontTable fonts;
  for (int n = 1; n <= s.printer().PageCount(); ++n) {
    auto page = s.printer().GetPage(n);
    auto program = TRpPageProgram::read(*page, fonts);
    ASSERT_TRUE(program) << "page " << n << " is left to QPicture";
    auto byPicture = [&](QPainter& p) { p.drawPicture(0, 0, *page); };
    auto byProgram = [&](QPainter& p) { program->play(p); };
    const QRect r = page->boundingRect();
    EXPECT_EQ(program->bounds(), r);
    EXPECT_EQ(render(byProgram, r.size()), render(byPicture, r.size())) << "page " << n;
    EXPECT_EQ(pdf(byProgram, r), pdf(byPicture, r)) << "page " << n;
  }
  QImage probe(1, 1, QImage::Format_ARGB32);
  EXPECT_TRUE(TRpPageProgram::usableOn(probe));  // 96 dpi, as the tests' screen
}

TEST(RpReplay, LeavesToQPictureWhatItDoesNotDrawTheSame) {
  TRpFontTable fonts;
  auto record = [](const std::function<void(QPainter&)>& draw) {
    auto m = std::make_unique<TRpMetafile>();
    QPainter p(m.get());
    draw(p);
    p.end();
    return m;
  };
  // A picture of an image.
  QImage img(4, 4, QImage::Format_RGB32);
  img.fill(Qt::red);
  EXPECT_FALSE(TRpPageProgram::read(*record([&](QPainter& p) { p.drawImage(0, 0, img); }), fonts));
  // A text and a path read fine; the same page cut short or with a command length running past
  // the end is refused, never read past its bytes.
  auto good = record([](QPainter& p) {
    p.drawText(QPoint(10, 20), QStringLiteral("Total"));
    p.fillRect(QRect(0, 0, 5, 5), Qt::blue);
  });
  EXPECT_TRUE(TRpPageProgram::read(*good, fonts));
  const QByteArray bytes(good->data(), good->size());
  for (qsizetype cut : {qsizetype(40), bytes.size() / 2, bytes.size() - 3}) {
    QPicture damaged;
    damaged.setData(bytes.constData(), uint(cut));
    EXPECT_FALSE(TRpPageProgram::read(damaged, fonts)) << cut;
  }
  // A changed letter keeps every command whole but breaks the checksum, as QPicture finds.
  QByteArray changed = bytes;
  const qsizetype letter = changed.indexOf(QByteArray("\0T\0o\0t", 6));
  ASSERT_GT(letter, 0);
  changed[letter + 1] = 'X';
  QPicture altered;
  altered.setData(changed.constData(), uint(changed.size()));
  EXPECT_FALSE(TRpPageProgram::read(altered, fonts));
  EXPECT_TRUE(altered.boundingRect().isNull());

  // Pages that pass QPicture's checks (checksum made right) but that it must not play: a command
  // running past the end, a path claiming two billion elements.
  auto resealed = [](QByteArray b) {
    qToBigEndian<quint16>(rpPictureChecksum(b.constData() + 6, b.size() - 6), b.data() + 4);
    QPicture pic;
    pic.setData(b.constData(), uint(b.size()));
    return pic;
  };
  bool damaged = false;
  EXPECT_TRUE(TRpPageProgram::read(resealed(bytes), fonts, &damaged));
  EXPECT_FALSE(damaged);
  QByteArray longer = bytes;
  longer[33] = char(255);  // the first command's length now reads as a huge 32-bit value
  EXPECT_FALSE(TRpPageProgram::read(resealed(longer), fonts, &damaged));
  EXPECT_TRUE(damaged);
  QByteArray huge = bytes;
  qsizetype at = 32;  // the commands: code, length (255 and 32 bits when long), data
  while (at < huge.size() && quint8(huge[at]) != 25)
    at += 2 +
          (quint8(huge[at + 1]) == 255 ? 4 + qFromBigEndian<quint32>(huge.constData() + at + 2) : quint8(huge[at + 1]));
  ASSERT_LT(at, huge.size());
  qToBigEndian<qint32>(0x7fffffff, huge.data() + at + 2 + (quint8(huge[at + 1]) == 255 ? 4 : 0));
  EXPECT_FALSE(TRpPageProgram::read(resealed(huge), fonts, &damaged));
  EXPECT_TRUE(damaged);
}

TEST(RpReplay, ChecksumIsQPicturesOwn) {
  QRandomGenerator rng(7);
  for (int len : {0, 1, 7, 8, 9, 63, 1000, 65537}) {
    QByteArray b(len, Qt::Uninitialized);
    for (auto& c : b) c = char(rng.bounded(256));
    EXPECT_EQ(rpPictureChecksum(b.constData(), b.size()), qChecksum(b)) << len;
  }
}
