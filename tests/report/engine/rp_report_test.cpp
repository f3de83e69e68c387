// The generation loop: which band goes where, page breaks, events and their order, the
// vertical extent of landscape pages, failures and cancellation.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "report/engine/rp_report.h"
#include "support/support.h"

using namespace cotavia;
using namespace cotavia::test;

namespace {

struct Hit {
  QString band;
  int page;
  double y;
  bool operator==(const Hit&) const = default;
};

// A report whose bands log where they print (through a label's OnPrint on each band).
struct Fixture {
  TRpReport r;
  TRpListDataSet data;
  QList<Hit> hits;

  explicit Fixture(int records) {
    QList<QByteArray> recs;
    for (int i = 0; i < records; ++i) recs.append(QByteArray::number(i + 1));
    init(recs);
  }
  explicit Fixture(const QList<QByteArray>& recs) { init(recs); }
  void init(const QList<QByteArray>& recs) {
    r.Units = TRpUnits::MM;
    data.SetRecords(recs);
    data.Open();
    r.DataSet = &data;
  }
  TRpBand* band(TRpBandType t, double heightMm, const QString& name) {
    TRpBand* b = r.AddBand(t);
    b->Name = name;
    b->Size().SetHeight(heightMm);
    watch(b, name);
    return b;
  }
  // A group over a slice of the record's text, with a footer when footerName is given.
  TRpGroup* group(const QString& name, double heightMm, int from, int len, const QString& footerName = QString()) {
    TRpGroup* g = r.AddGroup();
    g->Size().SetHeight(heightMm);
    g->Expression = [this, from, len] { return QVariant(data.Field().mid(from, len)); };
    watch(g, name);
    if (!footerName.isEmpty()) {
      g->SetHasFooter(true);
      g->FooterBand()->Size().SetHeight(heightMm);
      watch(g->FooterBand(), footerName);
    }
    return g;
  }
  void watch(TRpCustomBand* b, const QString& name) {
    auto* l = b->Add<TRpLabel>();
    l->SetBounds(0, 0, 10, 1);
    l->SetCaption("x");
    l->OnPrint = [this, name](TRpCustomLabel&, QString&) { hits.append({name, r.PageNumber(), r.CurrentY()}); };
  }
  QStringList order() const {
    QStringList s;
    for (const Hit& h : hits) s << QStringLiteral("%1@%2").arg(h.band).arg(h.page);
    return s;
  }
  int count(const QString& band) const {
    return int(std::count_if(hits.begin(), hits.end(), [&](const Hit& h) { return h.band == band; }));
  }
};

}  // namespace

TEST(RpReport, EmptyDataWithoutPrintIfEmptyMakesNoPage) {
  Fixture f(0);
  f.r.PrintIfEmpty = false;
  f.band(rbPageHeader, 20, "H");
  f.band(rbDetail, 5, "D");
  f.band(rbSummary, 5, "S");
  f.r.Preview();
  EXPECT_EQ(f.r.RpPrinter()->PageCount(), 0);
  EXPECT_EQ(f.r.RpPrinter()->Status(), TRpPrinterStatus::mpFinished);
  EXPECT_TRUE(f.hits.isEmpty());

  // With PrintIfEmpty on, title, detail and summary print once.
  f.r.PrintIfEmpty = true;
  f.r.Preview();
  EXPECT_EQ(f.order(), QStringList({"H@1", "D@1", "S@1"}));
}

TEST(RpReport, PageHeaderAndFooterOptions) {
  Fixture f(3);
  f.r.Page().SetPaperSize(TRpPaperSize::A4);
  f.band(rbPageHeader, 20, "H");
  f.band(rbDetail, 200, "D");  // one detail per page (printable length 277 mm)
  f.band(rbPageFooter, 10, "F");
  f.r.Options = {};
  f.r.Preview();
  EXPECT_EQ(f.order(), QStringList({"D@1", "F@1", "H@2", "D@2", "F@2", "H@3", "D@3"}));

  f.hits.clear();
  f.r.Options = TRpReportOption::FirstPageHeader | TRpReportOption::LastPageFooter;
  f.r.Preview();
  EXPECT_EQ(f.order(), QStringList({"H@1", "D@1", "F@1", "H@2", "D@2", "F@2", "H@3", "D@3", "F@3"}));
  // The footer sits at the bottom margin: 297 - 10 - 10 mm.
  EXPECT_DOUBLE_EQ(f.hits[2].y, 2770);
}

TEST(RpReport, LetterLandscapeHoldsTwentySevenDetails) {
  Fixture f(60);
  f.r.PrinterSettings.PdfPrinter = {
      "PDF test", QDir::tempPath() + "/rp_report_test.pdf", {}};  // takes Letter landscape
  f.r.Page().SetPaperSize(TRpPaperSize::Letter);
  f.r.Page().SetOrientation(poLandscape);
  f.r.Page().TopMargin = f.r.Page().BottomMargin = 100;
  f.r.Page().LeftMargin = f.r.Page().RightMargin = 50;
  f.band(rbPageHeader, 58.7, "H");
  f.band(rbDetail, 5.0, "D");
  f.band(rbSummary, 6.3, "S");
  f.r.Preview();
  ASSERT_EQ(f.r.RpPrinter()->PaperLength(), 2159);
  int onPage1 = 0;
  double lastY = 0;
  for (const Hit& h : f.hits)
    if (h.band == "D" && h.page == 1) {
      ++onPage1;
      lastY = h.y;
    }
  EXPECT_EQ(onPage1, 27);
  EXPECT_LE(lastY + 50, 2159 - 100);  // nothing runs past the bottom margin
  EXPECT_EQ(f.r.RpPrinter()->PageCount(), 3);
  // The detail moved to page 2 comes right after that page's header.
  const int firstOn2 =
      int(std::find_if(f.hits.begin(), f.hits.end(), [](const Hit& h) { return h.page == 2; }) - f.hits.begin());
  EXPECT_EQ(f.hits[firstOn2].band, "H");
  EXPECT_EQ(f.hits[firstOn2 + 1].band, "D");
  EXPECT_DOUBLE_EQ(f.hits[firstOn2 + 1].y, 100 + 587);
}

TEST(RpReport, SummaryFollowsOrStartsTheNextPage) {
  Fixture f(2);
  f.r.Page().SetPaperSize(TRpPaperSize::A4);  // printable 2770 - 100 = 2670
  f.band(rbPageHeader, 20, "H");
  f.band(rbDetail, 100, "D");
  TRpBand* s = f.band(rbSummary, 30, "S");
  f.r.Preview();
  EXPECT_EQ(f.order(), QStringList({"H@1", "D@1", "D@1", "S@1"}));
  EXPECT_DOUBLE_EQ(f.hits[3].y, 100 + 200 + 2000);

  f.hits.clear();
  s->Size().SetHeight(250);  // no longer fits below the details
  f.r.Preview();
  EXPECT_EQ(f.order(), QStringList({"H@1", "D@1", "D@1", "H@2", "S@2"}));
}

TEST(RpReport, BeforePrintControlsTheBandItsChildAndAfterPrint) {
  Fixture f(2);
  TRpBand* d = f.band(rbDetail, 10, "D");
  d->SetHasChild(true);
  f.watch(d->ChildBand(), "C");
  QList<bool> printed;
  d->BeforePrint = [&](TRpCustomBand&, bool& print) { print = f.r.DetailNumber() != 1; };
  d->AfterPrint = [&](TRpCustomBand&, bool bandPrinted) { printed.append(bandPrinted); };
  TRpBand* off = f.band(rbSummary, 10, "S");
  off->Enabled = false;
  int offCalls = 0;
  off->BeforePrint = [&](TRpCustomBand&, bool&) { ++offCalls; };
  f.r.Preview();
  EXPECT_EQ(f.order(), QStringList({"C@1", "D@1", "C@1"}));
  EXPECT_EQ(printed, QList<bool>({false, true}));
  // The suppressed band took no space: the first child sits at the top margin.
  EXPECT_DOUBLE_EQ(f.hits[0].y, 100);
  EXPECT_EQ(offCalls, 0);  // a disabled band gets no BeforePrint
}

TEST(RpReport, EveryGenerationStartsAgainFromPageOne) {
  Fixture f(3);
  TRpBand* d = f.band(rbDetail, 10, "D");
  d->ForceNewPage = true;
  QList<int> pages;
  f.r.OnStartPage = [&](TRpReport& r) { pages.append(r.Functions().Value("PAGENUMBER").toInt()); };
  f.r.ReportTitle = "Title";
  f.r.Preview();
  f.r.Preview();
  EXPECT_EQ(pages, QList<int>({1, 2, 3, 1, 2, 3}));
  EXPECT_EQ(f.r.Functions().Value("REPORTTITLE").toString(), "Title");
  EXPECT_EQ(f.r.Functions().Evaluate("pagenumber").toInt(), 3);
  EXPECT_THROW(f.r.Functions().Evaluate("NOSUCH"), ERpError);
}

TEST(RpReport, AnExceptionEndsTheGenerationAndPropagates) {
  Fixture f(5);
  TRpBand* d = f.band(rbDetail, 10, "D");
  d->BeforePrint = [&](TRpCustomBand&, bool&) {
    if (f.r.DetailNumber() == 3) throw std::runtime_error("'12x' is not a valid floating point value");
  };
  EXPECT_THROW(f.r.Preview(), std::runtime_error);
  ASSERT_TRUE(f.r.RpPrinter());
  EXPECT_EQ(f.r.RpPrinter()->Status(), TRpPrinterStatus::mpFinished);  // the document was ended
  EXPECT_EQ(f.r.RpPrinter()->PageCount(), 1);
  EXPECT_FALSE(f.r.Running());
  EXPECT_EQ(f.r.Units, TRpUnits::MM);
  // The report can run again.
  d->BeforePrint = nullptr;
  f.r.Preview();
  EXPECT_EQ(f.count("D"), 2 + 5);
}

TEST(RpReport, CancelStopsBetweenRecordsAndAbortsTheDocument) {
  Fixture f(100);
  TRpBand* d = f.band(rbDetail, 10, "D");
  d->BeforePrint = [&](TRpCustomBand&, bool&) {
    if (f.r.DetailNumber() == 10) f.r.RpPrinter()->Cancel();
  };
  f.r.Preview();
  EXPECT_EQ(f.count("D"), 10);
  EXPECT_FALSE(f.r.RpPrinter());  // a cancelled preview frees its pages
}

TEST(RpReport, TallPageBandsAndLoopingLinksDoNotHang) {
  Fixture f(3);
  f.r.Page().SetPaperSize(TRpPaperSize::A5);  // printable 210 - 20 = 190 mm
  f.band(rbPageHeader, 150, "H");
  f.band(rbColumnHeader, 50, "CH");  // with the header, taller than the page
  TRpBand* d = f.band(rbDetail, 100, "D");
  TRpBand* s = f.band(rbSummary, 5, "S");
  d->LinkBand = s;
  s->LinkBand = d;
  f.r.Preview();
  EXPECT_EQ(f.count("D"), 3);
  EXPECT_EQ(f.count("S"), 1);
  // Header and column header fill every page; each detail, then the summary, takes a page.
  EXPECT_EQ(f.r.RpPrinter()->PageCount(), 5);
}

TEST(RpReport, BandsPrintedByAPageStartDoNotForceAnotherPage) {
  // A column header asking for a new page would start pages without end.
  Fixture f(3);
  f.r.Page().SetPaperSize(TRpPaperSize::A4);
  f.band(rbColumnHeader, 10, "CH")->ForceNewPage = true;
  f.band(rbDetail, 200, "D");
  f.r.Preview();
  EXPECT_EQ(f.order().join(' ').toStdString(), "CH@1 D@1 CH@2 D@2 CH@3 D@3");
}

TEST(RpReport, OnNeedDataSuppliesRecordsWithoutADataSet) {
  Fixture f(0);
  f.r.DataSet = nullptr;
  f.band(rbDetail, 10, "D");
  int calls = 0;
  f.r.OnNeedData = [&](TRpReport&, bool& more) { more = ++calls <= 4; };
  f.r.Preview();
  EXPECT_EQ(f.count("D"), 4);
}

TEST(RpReport, FilteredDataSetSkipsRejectedRecords) {
  Fixture f(0);
  f.data.SetRecords({"C header", "I 1", "C x", "I 2", "I 3", "X"});
  f.data.SetFiltered(true);
  f.data.OnFilterRecord = [](TRpListDataSet& ds, bool& accept) { accept = ds.Field().startsWith('I'); };
  f.data.Open();
  TRpBand* d = f.band(rbDetail, 10, "D");
  QList<QByteArray> seen;
  d->BeforePrint = [&](TRpCustomBand&, bool&) { seen.append(f.data.Field()); };
  f.r.Preview();
  EXPECT_EQ(seen, QList<QByteArray>({"I 1", "I 2", "I 3"}));
  EXPECT_EQ(f.data.RecordCount(), 3);
}

TEST(RpReport, StretchingLabelGrowsTheBandAndContinuesOnTheNextPage) {
  Fixture f(1);
  f.r.Page().SetPaperSize(TRpPaperSize::A5);  // 2100 long, margins 100: free 1900
  TRpBand* d = f.band(rbDetail, 10, "D");
  f.band(rbSummary, 5, "S");
  auto* l = d->Add<TRpLabel>();
  l->SetAutoSize(false);
  l->SetBounds(20, 0, 30, 5);
  l->AutoStretch = true;
  QStringList lines;
  for (int i = 0; i < 80; ++i) lines << QStringLiteral("line %1").arg(i);
  l->SetCaption(lines.join('\r'));
  f.r.Preview();
  // 80 lines of about 3.4 mm do not fit one A5 page: the rest continues on page 2, and the
  // summary follows the grown band there.
  EXPECT_EQ(f.r.RpPrinter()->PageCount(), 2);
  EXPECT_EQ(f.hits.last().band, "S");
  EXPECT_EQ(f.hits.last().page, 2);
  EXPECT_GT(f.hits.last().y, 100 + 100);
}

TEST(RpReport, NestedGroupsBreakOnTheirValueAndFootersSeeTheirOwnRecords) {
  // Outer group: the first letter; inner group: the digit; the amount after the blank.
  Fixture f(QList<QByteArray>{"A1 3", "A1 5", "A2 4", "B2 7"});
  f.band(rbDetail, 5, "D");
  f.group("OH", 5, 0, 1, "OF");
  TRpGroup* inner = f.group("IH", 5, 1, 1, "IF");
  f.band(rbSummary, 5, "S");
  // The footer's figures come from the records its group printed (when it prints, the data set
  // is already on the next group's first record).
  int sum = 0;
  QList<int> footerSums;
  f.r.FindBand(rbDetail)->BeforePrint = [&](TRpCustomBand&, bool&) { sum += f.data.Field().mid(3).toInt(); };
  inner->FooterBand()->BeforePrint = [&](TRpCustomBand&, bool&) {
    footerSums.append(sum);
    sum = 0;
  };
  f.r.Preview();
  EXPECT_EQ(f.order().join(' ').toStdString(), "OH@1 IH@1 D@1 D@1 IF@1 IH@1 D@1 IF@1 OF@1 OH@1 IH@1 D@1 IF@1 OF@1 S@1");
  EXPECT_EQ(footerSums, QList<int>({8, 4, 7}));

  // A group without an expression spans every record; each generation starts the groups anew.
  inner->Expression = nullptr;
  f.hits.clear();
  f.r.Preview();
  EXPECT_EQ(f.order().join(' ').toStdString(), "OH@1 IH@1 D@1 D@1 D@1 IF@1 OF@1 OH@1 IH@1 D@1 IF@1 OF@1 S@1");
}

TEST(RpReport, GroupHeaderRepeatsOnThePageItContinuesOn) {
  // A4: bands from 100 to 2870. Under a 150 mm page header and a 5 mm group header two 50 mm
  // details fill a page down to 2650.
  struct Row {
    QList<QByteArray> records;
    double footerMm;
    bool reprint;
    const char* order;
    QList<bool> reprinting;  // Reprinting() at each group header
  } rows[] = {
      // B's header does not fit page 1: it starts page 2 once; B goes on to page 3 under its
      // header printed again.
      {{"A", "A", "B", "B", "B"},
       20,
       true,
       "PH@1 GH@1 D@1 D@1 GF@1 PH@2 GH@2 D@2 D@2 PH@3 GH@3 D@3 GF@3",
       {false, false, true}},
      // A's footer does not fit page 1: it goes to page 2 under A's header printed again.
      {{"A", "A", "B"}, 25, true, "PH@1 GH@1 D@1 D@1 PH@2 GH@2 GF@2 GH@2 D@2 GF@2", {false, true, false}},
      {{"A", "A", "B", "B", "B"}, 20, false, "PH@1 GH@1 D@1 D@1 GF@1 PH@2 GH@2 D@2 D@2 PH@3 D@3 GF@3", {false, false}},
  };
  for (const Row& row : rows) {
    Fixture f(row.records);
    f.r.Page().SetPaperSize(TRpPaperSize::A4);
    f.band(rbPageHeader, 150, "PH");
    f.band(rbDetail, 50, "D");
    TRpGroup* g = f.group("GH", 5, 0, 1, "GF");
    g->FooterBand()->Size().SetHeight(row.footerMm);
    g->ReprintHeader = row.reprint;
    QList<bool> reprinting;
    g->BeforePrint = [&](TRpCustomBand&, bool&) { reprinting.append(g->Reprinting()); };
    f.r.Preview();
    EXPECT_EQ(f.order().join(' ').toStdString(), row.order);
    EXPECT_EQ(reprinting, row.reprinting) << row.order;
    // Every page's first group band sits right under the page header.
    for (int i = 1; i < f.hits.size(); ++i) {
      if (f.hits[i - 1].band == "PH") {
        EXPECT_DOUBLE_EQ(f.hits[i].y, 100 + 1500) << row.order;
      }
    }
  }
}

TEST(RpReport, EmptyGroupsAndEmptyReports) {
  // A group whose every detail is suppressed still opens and closes.
  Fixture f(QList<QByteArray>{"A", "B", "B"});
  TRpBand* d = f.band(rbDetail, 5, "D");
  d->BeforePrint = [&](TRpCustomBand&, bool& print) { print = f.data.Field() != "A"; };
  f.group("GH", 5, 0, 1, "GF");
  f.r.Preview();
  EXPECT_EQ(f.order().join(' ').toStdString(), "GH@1 GF@1 GH@1 D@1 D@1 GF@1");

  // No record: no group band and, without PrintIfEmpty, no page.
  f.data.SetRecords({});
  f.data.Open();
  f.hits.clear();
  f.r.PrintIfEmpty = false;
  f.r.Preview();
  EXPECT_TRUE(f.hits.isEmpty());
  EXPECT_EQ(f.r.RpPrinter()->PageCount(), 0);
}

TEST(RpReport, BandsTheEngineCannotPrintAreRefused) {
  TRpReport r;
  r.AddBand(rbDetail);
  r.AddBand(rbPageHeader);
  r.AddBand(rbPageHeader);  // every page header prints
  TRpBand* g = r.AddBand(rbGroupHeader);
  ASSERT_TRUE(dynamic_cast<TRpGroup*>(g));
  for (TRpBandType t : {rbDetail, rbSubDetail, rbOverlay, rbChild, rbGroupFooter}) {
    const size_t before = r.Bands().size();
    try {
      r.AddBand(t);
      ADD_FAILURE() << rpBandTypeName(t).toStdString() << " was taken";
    } catch (const ERpError& e) {
      EXPECT_TRUE(e.message().contains(rpBandTypeName(t)) || e.message().contains("made by")) << e.what();
      EXPECT_TRUE(userMessage(e).startsWith("O relatório não pôde ser concluído")) << userMessage(e).toStdString();
    }
    EXPECT_EQ(r.Bands().size(), before);
  }
  // A group's footer goes with it.
  static_cast<TRpGroup*>(g)->SetHasFooter(true);
  EXPECT_TRUE(r.HasBand(rbGroupFooter));
  r.RemoveBand(g);
  EXPECT_FALSE(r.HasBand(rbGroupFooter));
}
