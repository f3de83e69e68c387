// Report printer: document states, paper sizes for the orientation in use, page store life,
// report files, and printing stored pages to a (PDF) printer.
#include <gtest/gtest.h>

#include <QFile>

#include "report/output/rp_printer.h"
#include "report/rp_test_util.h"
#include "support/support.h"

using namespace cotavia;
using namespace cotavia::test;

namespace {

int pdfPageCount(const QString& file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return -1;
  const QByteArray b = f.readAll();
  return int(b.count("/Type /Page\n") + b.count("/Type /Page ") + b.count("/Type /Page>") + b.count("/Type /Page/"));
}

void recordPages(TRpPrinter& p, int n) {
  p.BeginDoc();
  for (int i = 1; i <= n; ++i) {
    p.NewPage();
    p.Canvas()->drawLine(0, i, 100, i);
  }
  p.EndDoc();
}

}  // namespace

TEST(RpPrinter, DocumentStateErrors) {
  TRpPrinter p;
  try {
    p.NewPage();
    FAIL();
  } catch (const ERpError& e) {
    EXPECT_EQ(e.message(), "Illegal call to NewPage");
  }
  p.BeginDoc();
  try {
    p.BeginDoc();
    FAIL();
  } catch (const ERpError& e) {
    EXPECT_EQ(e.message(), "Report printer not ready");
  }
  p.NewPage();
  EXPECT_THROW(p.Save("/tmp/never-written.rpf"), ERpError);  // only a finished document is saved
  p.EndDoc();
  EXPECT_EQ(p.Status(), TRpPrinterStatus::mpFinished);
  EXPECT_EQ(p.PageCount(), 1);
}

TEST(RpPrinter, NoPrinterKeepsA4PortraitWhateverIsAsked) {
  if (!TPrinterSettings::PrinterNames().isEmpty()) GTEST_SKIP() << "printers installed";
  TRpPrinter p;
  EXPECT_FALSE(p.PrinterOK());
  p.SetPaperSize(TRpPaperSize::Letter);
  p.SetOrientation(poLandscape);
  p.SetCopies(3);
  EXPECT_EQ(p.PaperSize(), TRpPaperSize::A4);
  EXPECT_EQ(p.Orientation(), poPortrait);
  EXPECT_EQ(p.Settings().Copies(), 1);
  EXPECT_DOUBLE_EQ(p.PaperWidth(), 2100);
  EXPECT_DOUBLE_EQ(p.PaperLength(), 2970);
  recordPages(p, 1);
  auto m = p.GetPage(1);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->boundingRect(), QRect(0, 0, 794, 1123));  // 210 x 297 mm at 96 dpi
}

TEST(RpPrinter, PaperFollowsTheOrientationAndFactorsAreFixed) {
  TempDir dir;
  const TRpPdfPrinter pdf{"PDF test", dir.file("out.pdf"), {}};  // every paper, both orientations
  TRpPrinter p(pdf);
  ASSERT_TRUE(p.PrinterOK());
  p.SetPaperSize(TRpPaperSize::Letter);
  p.SetOrientation(poLandscape);
  EXPECT_DOUBLE_EQ(p.PaperWidth(), 2794);
  EXPECT_DOUBLE_EQ(p.PaperLength(), 2159);
  p.BeginDoc();
  EXPECT_DOUBLE_EQ(p.XFactor(), 96 / 254.0);
  EXPECT_EQ(p.XPos(254), 96);
  EXPECT_EQ(p.YSize(127), 48);
  p.NewPage();
  p.EndDoc();
  EXPECT_EQ(p.GetPage(1)->boundingRect(), QRect(0, 0, 1056, 816));
}

TEST(RpPrinter, PagesReadWhileRecordingAndViewerTold) {
  struct Viewer : TRpPrinterViewer {
    QList<int> pages;
    QList<TRpPrinterStatus> states;
    TRpPrinter* p = nullptr;
    bool destroyed = false;
    void PageAvailable(int n) override {
      pages.append(n);
      states.append(p->Status());
      if (n >= 1 && n <= p->PageCount() && p->Status() == TRpPrinterStatus::mpBusy) {
        EXPECT_TRUE(p->GetPage(n));
      }
    }
    void PrinterDestroyed() override { destroyed = true; }
  } v;
  {
    TRpPrinter p;
    v.p = &p;
    p.SetViewer(&v);
    recordPages(p, 3);
    EXPECT_EQ(v.pages, QList<int>({1, 2, 3}));
    EXPECT_EQ(v.states.last(), TRpPrinterStatus::mpFinished);  // the last page arrives finished
    EXPECT_FALSE(p.GetPage(4));
  }
  EXPECT_TRUE(v.destroyed);
}

TEST(RpPrinter, LongDocumentSpillsAndFreesItsTemporaryFile) {
  const QStringList before = spillFiles();
  {
    TRpPrinter p;
    p.BeginDoc();
    p.NewPage();
    p.Canvas()->drawLine(0, 0, 10, 10);
    p.EndDoc();
    EXPECT_TRUE(p.PageStream()->InMemory());
    EXPECT_EQ(spillFiles(), before);
  }
  {
    TRpPrinter p;
    p.BeginDoc();
    for (int i = 0; i < 40; ++i) {
      p.NewPage();
      for (int j = 0; j < 100; ++j) p.Canvas()->drawText(10, 10 + j, QStringLiteral("page %1 line %2").arg(i).arg(j));
    }
    p.EndDoc();
    EXPECT_FALSE(p.PageStream()->InMemory());
    EXPECT_EQ(spillFiles(), before);  // the spill file has no name in the temporary folder
    EXPECT_TRUE(p.GetPage(17));
  }
  EXPECT_EQ(spillFiles(), before);
}

TEST(RpPrinter, SaveAndLoadSelectTheLastMatchingPaper) {
  TempDir dir;
  const TRpPdfPrinter pdf{"PDF test", dir.file("out.pdf"), {}};
  {
    TRpPrinter p(pdf);
    p.SetPaperSize(TRpPaperSize::Letter);
    p.SetOrientation(poLandscape);
    p.SetCompression(true);
    recordPages(p, 4);
    ASSERT_NO_THROW(p.Save(dir.file("saved.rpf")));
  }
  TRpPrinter q(pdf);
  q.Load(dir.file("saved.rpf"));
  EXPECT_EQ(q.Status(), TRpPrinterStatus::mpFinished);
  EXPECT_TRUE(q.LoadedFromFile());
  EXPECT_EQ(q.PageCount(), 4);
  // Letter, Letter Small and Note all come to 53 x 69 units of 4 mm: the last one wins.
  EXPECT_EQ(q.PaperSize(), TRpPaperSize::Note);
  EXPECT_EQ(q.Orientation(), poLandscape);
  EXPECT_TRUE(q.GetPage(4));

  // A damaged file leaves the pages on hand as they were.
  dir.write("bad.rpf", QByteArray(200, 'x'));
  EXPECT_THROW(q.Load(dir.file("bad.rpf")), ERpError);
  EXPECT_EQ(q.PageCount(), 4);
  EXPECT_TRUE(q.GetPage(2));
}

TEST(RpPrinter, DirectPrintSendsOnlyTheRange) {
  TempDir dir;
  const TRpPdfPrinter pdf{"PDF test", dir.file("direct.pdf"), {}};
  TRpPrinter p(pdf);
  p.SetDestination(TRpDestination::rpdPrinter);
  p.SetFirstPage(2);
  p.SetLastPage(3);
  int finished = 0;
  p.AfterPrintNotify = [&] { ++finished; };
  recordPages(p, 5);  // every page is rendered, pages 2 and 3 reach the printer
  EXPECT_EQ(p.PageCount(), 5);
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(pdfPageCount(dir.file("direct.pdf")), 2);
}

TEST(RpPrinter, PrintsStoredPagesOfALoadedFile) {
  TempDir dir;
  const TRpPdfPrinter pdf{"PDF test", dir.file("stored.pdf"), {}};
  {
    TRpPrinter p(pdf);
    recordPages(p, 3);
    ASSERT_NO_THROW(p.Save(dir.file("s.rpf")));
  }
  TRpPrinter q(pdf);
  q.Load(dir.file("s.rpf"));
  q.SetLastPage(2);
  q.Print();
  EXPECT_EQ(pdfPageCount(dir.file("stored.pdf")), 2);
}

TEST(RpPrinter, ADamagedPageOfALoadedFileAbandonsThePrintJob) {
  TempDir dir;
  const TRpPdfPrinter pdf{"PDF test", dir.file("partial.pdf"), {}};
  writeReportFile(dir.file("d.rpf"), {bytes(markedPage(1)), damagedPage(), bytes(markedPage(3))});
  TRpPrinter q(pdf);
  q.Load(dir.file("d.rpf"));  // the first page is sound
  EXPECT_EQ(q.PageCount(), 3);
  EXPECT_THROW(q.Print(), ERpError);
  EXPECT_LT(pdfPageCount(dir.file("partial.pdf")), 1);  // no document with a page left out
  q.SetLastPage(1);
  q.Print();
  EXPECT_EQ(pdfPageCount(dir.file("partial.pdf")), 1);
}
