#include "report/pages/rp_types.h"

#include <iterator>

namespace cotavia {

namespace {

struct PaperRow {
  TRpPaperSize size;
  const char* name;
  double w, l;  // mm, portrait
};

const PaperRow kPapers[] = {
    {TRpPaperSize::Default, "Default", 0, 0},
    {TRpPaperSize::Letter, "Letter", 215.9, 279.4},
    {TRpPaperSize::LetterSmall, "Letter Small", 215.9, 279.4},
    {TRpPaperSize::Tabloid, "Tabloid", 279.4, 431.8},
    {TRpPaperSize::Ledger, "Ledger", 431.8, 279.4},
    {TRpPaperSize::Legal, "Legal", 215.9, 355.6},
    {TRpPaperSize::Statement, "Statement", 139.7, 215.9},
    {TRpPaperSize::Executive, "Executive", 190.5, 254},
    {TRpPaperSize::A3, "A3", 297, 420},
    {TRpPaperSize::A4, "A4", 210, 297},
    {TRpPaperSize::A4Small, "A4 Small", 210, 297},
    {TRpPaperSize::A5, "A5", 148, 210},
    {TRpPaperSize::B4, "B4", 250, 354},
    {TRpPaperSize::B5, "B5", 182, 257},
    {TRpPaperSize::Folio, "Folio", 215.9, 330.2},
    {TRpPaperSize::Quarto, "Quarto", 215, 275},
    {TRpPaperSize::rp10X14, "10x14", 254, 355.6},
    {TRpPaperSize::rp11X17, "11x17", 279.4, 431.8},
    {TRpPaperSize::Note, "Note", 215.9, 279.0},
    {TRpPaperSize::Env9, "Envelope #9", 98.43, 225.4},
    {TRpPaperSize::Env10, "Envelope #10", 104.8, 241.3},
    {TRpPaperSize::Env11, "Envelope #11", 114.3, 263.5},
    {TRpPaperSize::Env12, "Envelope #12", 101.6, 279.4},
    {TRpPaperSize::Env14, "Envelope #14", 127, 292.1},
    {TRpPaperSize::CSheet, "C Sheet", 100, 100},
    {TRpPaperSize::DSheet, "D Sheet", 100, 100},
    {TRpPaperSize::ESheet, "E Sheet", 100, 100},
    {TRpPaperSize::Custom, "Custom", 0, 0},
};

}  // namespace

int rpPaperCode(TRpPaperSize p) { return p == TRpPaperSize::Custom ? 256 : int(p); }

bool rpPaperDimensions(TRpPaperSize p, double& width, double& length) {
  if (p == TRpPaperSize::Default || p == TRpPaperSize::Custom) return false;
  const PaperRow& r = kPapers[int(p)];
  width = r.w * 10;
  length = r.l * 10;
  return true;
}

QString rpPaperName(TRpPaperSize p) { return QString::fromLatin1(kPapers[int(p)].name); }

QString rpBandTypeName(TRpBandType t) {
  static const char* const names[] = {"rbTitle",        "rbPageHeader",  "rbDetail",      "rbPageFooter",
                                      "rbSummary",      "rbGroupHeader", "rbGroupFooter", "rbSubDetail",
                                      "rbColumnHeader", "rbOverlay",     "rbChild"};
  const int i = int(t);
  return i >= 0 && i < int(std::size(names)) ? QString::fromLatin1(names[i]) : QStringLiteral("unknown");
}

int rpBinCode(TRpBin b) {
  static const int codes[] = {1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 14};
  return codes[int(b)];
}

QString rpFontFamily(const QString& name) {
  const QString n = name.trimmed();
  if (n.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0) return QStringLiteral("Liberation Sans");
  if (n.compare(QLatin1String("Courier New"), Qt::CaseInsensitive) == 0) return QStringLiteral("Liberation Mono");
  if (n.compare(QLatin1String("Times New Roman"), Qt::CaseInsensitive) == 0) return QStringLiteral("Liberation Serif");
  return n;
}

QFont TRpFont::toQFont(int dpi) const {
  QFont f(rpFontFamily(Name));
  int px = int(rpRound(double(Size) * dpi / 72.0));
  f.setPixelSize(px < 1 ? 1 : px);
  f.setBold(Bold);
  f.setItalic(Italic);
  f.setUnderline(Underline);
  f.setStrikeOut(StrikeOut);
  f.setKerning(false);
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setStyleStrategy(QFont::StyleStrategy(QFont::PreferNoShaping | QFont::PreferAntialias));
  return f;
}

}  // namespace cotavia
