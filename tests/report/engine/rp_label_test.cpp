// Printable controls: the label's line layout, auto size and alignment on the page, stretching,
// the system-data texts and shapes, as they land on the recorded page.
#include <gtest/gtest.h>

#include <QImage>

#include "report/engine/rp_report.h"

using namespace cotavia;

namespace {

struct One {
  TRpReport r;
  TRpBand* band;
  TRpLabel* label;
  TRpListDataSet data{QList<QByteArray>{"1"}};

  One() {
    r.Page().SetPaperSize(TRpPaperSize::A4);
    band = r.AddBand(rbDetail);
    band->Size().SetHeight(20);
    label = band->Add<TRpLabel>();
    data.Open();
    r.DataSet = &data;
  }
  int tw(const QString& s) const { return r.TextWidth(label->Font(), s); }
  void widthPixels(int w) {
    label->Size().NativeWidth = w / kRpScreenFactor;
    label->BoundsChanged();
  }
  QStringList layout(const QString& text) {
    label->SetCaption(text);
    return label->FormattedLines();
  }
  QImage page() {
    r.Preview();
    auto pic = r.RpPrinter()->GetPage(1);
    QImage img(pic->boundingRect().size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    pic->play(&p);
    p.end();
    return img;
  }
};

// Horizontal extent of the dark pixels in rows y0..y1.
QPair<int, int> ink(const QImage& img, int y0, int y1) {
  int l = img.width(), r = -1;
  for (int y = y0; y <= y1; ++y)
    for (int x = 0; x < img.width(); ++x)
      if (qGray(img.pixel(x, y)) < 128) {
        l = qMin(l, x);
        r = qMax(r, x);
      }
  return {l, r};
}

}  // namespace

TEST(RpLabel, BreaksAfterBreakCharactersAndKeepsThem) {
  One o;
  o.label->SetAutoSize(false);
  const int w = qMax(o.tw("abc-"), qMax(o.tw("def "), o.tw("ghi")));
  ASSERT_GT(o.tw("abc-def "), w);
  o.widthPixels(w);
  EXPECT_EQ(o.layout("abc-def ghi"), QStringList({"abc-", "def ", "ghi"}));
}

TEST(RpLabel, WordsWiderThanTheLabelAreCut) {
  One o;
  o.label->SetAutoSize(false);
  o.widthPixels(o.tw("ABCD"));
  // Alone on a line: only what stays narrower than the label.
  // (the emptied current line still ends the paragraph as a line of its own)
  EXPECT_EQ(o.layout("ABCDEFGHIJ"), QStringList({"ABC", ""}));
  // After other words: cut from its end until it fits, on a line of its own.
  EXPECT_EQ(o.layout("ab ABCDEFGHIJ"), QStringList({"ab ", "ABCD", ""}));
  o.widthPixels(0);
  EXPECT_EQ(o.layout("ab cd"), QStringList({"", "", ""}));
}

TEST(RpLabel, CutOfAWideWordIsTheLongestBeginningThatFits) {
  One o;
  o.label->SetAutoSize(false);
  const QString word = QStringLiteral("Licita\u00e7\u00e3o\u20acWMil1ABCDEFGHIJ\u201cxyz\u201d");
  for (int w = o.tw("ab "); w < o.tw(word); ++w) {
    o.widthPixels(w);
    QString cut = word;  // characters taken off the end one by one until it fits
    while (!cut.isEmpty() && o.tw(cut) > o.label->PixelWidth()) cut.chop(1);
    EXPECT_EQ(o.layout("ab " + word), QStringList({"ab ", cut, ""})) << "width " << w;
  }
}

TEST(RpLabel, LineFeedsIgnoredCarriageReturnsBreak) {
  One o;
  o.label->SetAutoSize(false);
  o.label->SetWordWrap(false);
  o.widthPixels(400);
  EXPECT_EQ(o.layout("one\ntwo\rthree\r\nfour"), QStringList({"onetwo", "three", "four"}));
  o.label->SetAutoSize(true);  // one line per paragraph, never broken
  EXPECT_EQ(o.layout("a very long paragraph that would not fit\rnext"),
            QStringList({"a very long paragraph that would not fit", "next"}));
  EXPECT_EQ(o.label->PixelWidth(), o.tw("a very long paragraph that would not fit"));
}

TEST(RpLabel, AutoSizeGrowsLeftwardsWhenRightAlignedAndBothWaysCentred) {
  for (TRpAlignment a : {taLeftJustify, taRightJustify, taCenter}) {
    One o;
    o.label->SetBounds(100, 2, 10, 5);  // mm: 378 .. 416 px at 96 dpi
    o.label->SetAlignment(a);
    o.label->SetCaption("WWWWWWWWWWWW");
    const int textW = o.tw("WWWWWWWWWWWW");
    ASSERT_GT(textW, 100);
    const QImage img = o.page();
    const int top = int(rpRound((100 + 20) * kRpScreenFactor));
    const auto [l, r] = ink(img, top, top + 12);
    const int left = int(rpRound((100 + 1000) * kRpScreenFactor));
    const int right = int(rpRound((100 + 1100) * kRpScreenFactor));
    if (a == taLeftJustify) {
      EXPECT_NEAR(l, left, 2);
    } else if (a == taRightJustify) {
      EXPECT_NEAR(r, right, 3);
      EXPECT_LT(l, left - 50);
    } else {
      EXPECT_NEAR((l + r) / 2.0, (left + right) / 2.0, 3);
    }
  }
}

TEST(RpLabel, EmptyCaptionSkipsOnPrint) {
  One o;
  int calls = 0;
  o.label->OnPrint = [&](TRpCustomLabel&, QString& v) {
    ++calls;
    v = "changed";
  };
  o.label->SetCaption("");
  o.r.Preview();
  EXPECT_EQ(calls, 0);
  o.label->SetCaption("text");
  o.r.Preview();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(o.label->PrintCaption(), "text");  // the change lasts one print
}

TEST(RpLabel, WithoutStretchingLinesThatDoNotFitAreLost) {
  One o;
  o.label->SetAutoSize(false);
  o.label->SetBounds(0, 0, 100, 4);  // one line of 10 pt
  o.label->SetCaption("one\rtwo\rthree");
  int pages = 0;
  o.r.OnEndPage = [&](TRpReport&) { ++pages; };
  o.r.Preview();
  EXPECT_EQ(o.label->FormattedLines().size(), 3);
  EXPECT_EQ(o.label->CurrentLine(), 1);
  EXPECT_TRUE(o.label->Finished());
  EXPECT_EQ(pages, 1);
}

TEST(RpLabel, LineTallerThanAnyPageStillEnds) {
  One o;
  o.r.Page().SetPaperSize(TRpPaperSize::A5);
  o.label->SetAutoSize(false);
  o.label->AutoStretch = true;
  TRpFont huge;
  huge.Size = 700;  // one line is taller than the page
  o.label->SetFont(huge);
  o.label->SetBounds(0, 0, 400, 4);  // wide enough for one letter per line
  o.label->SetCaption("A\rB\rC");
  QList<int> lines;
  o.label->OnPrint = [&](TRpCustomLabel& l, QString&) { lines << l.CurrentLine(); };
  o.r.Preview();
  EXPECT_TRUE(o.label->Finished());
  EXPECT_LE(o.r.RpPrinter()->PageCount(), 4) << QStringList([&] {
                                                  QStringList s;
                                                  for (int i : lines) s << QString::number(i);
                                                  return s;
                                                }())
                                                    .join(",")
                                                    .toStdString();
}

TEST(RpSysData, TextsOfEachKind) {
  One o;
  auto* s = o.band->Add<TRpSysData>();
  s->SetText("Página ");
  s->SetData(rpsPageNumber);
  EXPECT_EQ(s->Caption(), "Página (Page#)");
  TRpSysData::Now = [] { return QDateTime(QDate(2024, 3, 9), QTime(14, 5, 7)); };
  QStringList seen;
  s->OnPrint = [&](TRpCustomLabel& l, QString&) { seen << static_cast<TRpSysData&>(l).BuildText(); };
  o.r.Preview();
  EXPECT_EQ(seen, QStringList({"Página 1"}));
  s->SetText("");
  s->SetData(rpsTime);
  EXPECT_EQ(s->BuildText(), "14:05");
  s->SetData(rpsDate);
  EXPECT_EQ(s->BuildText(), "09/03/2024");
  s->SetData(rpsDateTime);
  EXPECT_EQ(s->BuildText(), "09/03/2024 14:05:07");
  TRpSysData::Now = [] { return QDateTime(QDate(2024, 3, 9), QTime(0, 0)); };
  EXPECT_EQ(s->BuildText(), "09/03/2024");
  TRpSysData::Now = [] { return QDateTime::currentDateTime(); };
}

TEST(RpShape, HorizontalLineThroughTheMiddle) {
  One o;
  o.label->SetCaption("");
  o.label->Transparent = true;
  auto* s = o.band->Add<TRpShape>();
  s->Shape = rpsHorLine;
  s->Size().NativeLeft = 100;
  s->Size().NativeTop = 100;
  s->Size().NativeWidth = 500;
  s->Size().NativeHeight = 7 / kRpScreenFactor;  // 7 pixels
  const QImage img = o.page();
  const int top = int(rpRound(200 * kRpScreenFactor));
  int darkRow = -1;
  for (int y = top - 2; y < top + 10; ++y)
    if (qGray(img.pixel(int(rpRound(300 * kRpScreenFactor)), y)) < 128) darkRow = y;
  EXPECT_EQ(darkRow, top + 3);
}
