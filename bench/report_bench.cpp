// Generation of a long banded report into the page store (9000 detail bands of ten labels on
// Letter landscape pages, about 334 pages), uncompressed and compressed, and the splay coder's
// rates beside zlib's on the same page bytes, and the layout of a label holding one very long
// word. Prints its figures.
#include <zlib.h>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <cstdio>
#include <ctime>

#include "report/engine/rp_report.h"

using namespace cotavia;

namespace {

struct Bench {
  TRpReport report;
  TRpListDataSet data;
  std::vector<TRpLabel*> cells;

  Bench() {
    report.Units = TRpUnits::MM;
    report.Page().SetPaperSize(TRpPaperSize::Letter);
    report.Page().SetOrientation(poLandscape);
    report.Page().TopMargin = 100;
    report.Page().BottomMargin = 100;
    report.Page().LeftMargin = 50;
    report.Page().RightMargin = 50;
    report.PrintIfEmpty = false;
    TRpBand* header = report.AddBand(rbPageHeader);
    header->Size().SetHeight(58.7);
    header->Size().SetWidth(269.3);
    auto* title = header->Add<TRpLabel>();
    title->SetBounds(69.3, 1.3, 135.5, 6.6);
    TRpFont big;
    big.Size = 16;
    big.Bold = true;
    title->SetFont(big);
    title->SetAutoSize(false);
    title->SetAlignment(taCenter);
    title->SetCaption(QStringLiteral("Licitação - Proposta Eletrônica"));
    auto* page = header->Add<TRpSysData>();
    page->SetBounds(261.4, 0.3, 6.3, 4.0);
    page->SetData(rpsPageNumber);
    auto* line = header->Add<TRpShape>();
    line->SetBounds(0.3, 50.0, 268.3, 1.9);
    line->Shape = rpsHorLine;

    TRpBand* detail = report.AddBand(rbDetail);
    detail->Size().SetHeight(5.0);
    detail->Size().SetWidth(269.3);
    const double lefts[10] = {0.8, 7.9, 19.1, 127.0, 152.1, 157.2, 178.9, 200.6, 222.2, 245.0};
    const double widths[10] = {6.9, 10.6, 107.2, 24.3, 4.0, 21.2, 21.2, 21.2, 21.2, 23.8};
    TRpFont small;
    small.Size = 8;
    for (int i = 0; i < 10; ++i) {
      auto* l = detail->Add<TRpLabel>();
      l->SetFont(small);
      l->SetAutoSize(i == 4);
      l->SetBounds(lefts[i], 0.5, widths[i], 4.0);
      l->SetAlignment(i >= 3 && i != 4 && i != 9 ? taRightJustify : (i < 2 ? taCenter : taLeftJustify));
      cells.push_back(l);
    }
    detail->BeforePrint = [this](TRpCustomBand&, bool&) {
      const int n = report.DetailNumber();
      cells[0]->SetCaption(QString::number(n));
      cells[1]->SetCaption(QString::number(100000 + n));
      cells[2]->SetCaption(QStringLiteral("CANETA ESFEROGRAFICA AZUL PONTA MEDIA CORPO SEXTAVADO ITEM %1").arg(n));
      cells[3]->SetCaption(QStringLiteral("1.250,0000"));
      cells[4]->SetCaption(QStringLiteral("UN"));
      cells[5]->SetCaption(QStringLiteral("1,2345"));
      cells[6]->SetCaption(QStringLiteral("0,00"));
      cells[7]->SetCaption(QStringLiteral("0,00"));
      cells[8]->SetCaption(QStringLiteral("1.543,13"));
      cells[9]->SetCaption(QStringLiteral("BIC"));
    };
    QList<QByteArray> recs;
    for (int i = 0; i < 9000; ++i) recs.append(QByteArray("I"));
    data.SetRecords(recs);
    data.Open();
    report.DataSet = &data;
  }
};

QByteArray pageBytes(TRpPrinter& p) {
  QByteArray all;
  for (int i = 1; i <= p.PageCount(); ++i) {
    auto m = p.GetPage(i);
    all.append(m->data(), m->size());
  }
  return all;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  Bench b;
  b.report.PrinterSettings.PdfPrinter = {QStringLiteral("bench"), QStringLiteral("/dev/null"), {}};
  for (bool compressed : {false, true}) {
    b.report.Options.setFlag(TRpReportOption::Compression, compressed);
    double best = 1e9, bestCpu = 1e9;
    int pages = 0;
    qint64 bytes = 0;
    for (int run = 0; run < 3; ++run) {
      QElapsedTimer t;
      t.start();
      const std::clock_t cpu0 = std::clock();
      b.report.Preview();
      best = qMin(best, t.nsecsElapsed() / 1e9);
      // Processor time of every thread (the page coder runs beside the generation).
      bestCpu = qMin(bestCpu, double(std::clock() - cpu0) / CLOCKS_PER_SEC);
      pages = b.report.RpPrinter()->PageCount();
      bytes = b.report.RpPrinter()->PageStream()->Size();
    }
    std::printf("generation %-12s %d pages, %.1f MB page stream: %.3f s, cpu %.3f s (target < 0.6 s)\n",
                compressed ? "compressed" : "uncompressed", pages, bytes / 1e6, best, bestCpu);
  }

  // A header word far wider than its label (a proposal whose "Objeto" is one 100,000-character
  // word) after another word: the label cuts it to the longest beginning that fits.
  {
    TRpReport r;
    r.Units = TRpUnits::MM;
    TRpBand* band = r.AddBand(rbPageHeader);
    auto* label = band->Add<TRpLabel>();
    label->SetBounds(10, 10, 190, 5);
    label->SetAutoSize(false);
    for (int chars : {20000, 100000}) {
      const QString caption = QStringLiteral("Objeto: ") + QString(chars, QLatin1Char('A'));
      double best = 1e9;
      for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        label->SetCaption(caption);
        best = qMin(best, t.nsecsElapsed() / 1e9);
      }
      std::printf("label cut of a %d-character word: %.4f s (%lld lines; target < 0.1 s)\n", chars, best,
                  static_cast<long long>(label->FormattedLines().size()));
    }
  }

  const QByteArray raw = pageBytes(*b.report.RpPrinter());
  const double mb = raw.size() / 1e6;
  QElapsedTimer t;
  t.start();
  QByteArray coded = TRpCompress::compressBytes(raw);
  const double tc = t.nsecsElapsed() / 1e9;
  t.restart();
  QByteArray back = TRpCompress::expandBytes(coded.constData(), coded.size(), raw.size());
  const double te = t.nsecsElapsed() / 1e9;
  std::printf("splay coder on %.1f MB of pages: compress %.0f MB/s, expand %.0f MB/s, ratio %.2f%s\n", mb, mb / tc,
              mb / te, double(coded.size()) / raw.size(), back == raw ? "" : "  ROUND TRIP FAILED");

  uLongf zlen = compressBound(raw.size());
  QByteArray z(zlen, Qt::Uninitialized);
  t.restart();
  compress2(reinterpret_cast<Bytef*>(z.data()), &zlen, reinterpret_cast<const Bytef*>(raw.constData()), raw.size(),
            Z_DEFAULT_COMPRESSION);
  const double zc = t.nsecsElapsed() / 1e9;
  QByteArray zb(raw.size(), Qt::Uninitialized);
  uLongf blen = zb.size();
  t.restart();
  uncompress(reinterpret_cast<Bytef*>(zb.data()), &blen, reinterpret_cast<const Bytef*>(z.constData()), zlen);
  const double ze = t.nsecsElapsed() / 1e9;
  std::printf("zlib (level 6) on the same bytes: compress %.0f MB/s, expand %.0f MB/s, ratio %.2f\n", mb / zc, mb / ze,
              double(zlen) / raw.size());
  return back == raw ? 0 : 1;
}
