#pragma once
// Basic types of the banded report engine: the error class, paper sizes and bins, units,
// band types, fonts, and the rounding the engine uses for every unit conversion.
//
// Lengths inside the engine are "native" units of 0.1 mm (254 per inch), held as doubles.
#include "platform/error.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <cmath>
#include <stdexcept>

namespace cotavia {

// Errors of the report engine (English messages), of the program's one error family: kind
// Report unless the engine knows better (a printer that refuses the job is kind Printer).
class ERpError : public AppError {
 public:
  explicit ERpError(const QString& message) : AppError(ErrorKind::Report, QString(), message.toStdString()) {}
  explicit ERpError(const char* message) : AppError(ErrorKind::Report, QString(), message) {}
  ERpError(ErrorKind kind, const QString& file, const QString& detail) : AppError(kind, file, detail.toStdString()) {}
  QString message() const { return QString::fromUtf8(what()); }
};

// Rounds to the nearest integer, halves to even (the rounding of every conversion here).
inline long long rpRound(double v) { return std::llrint(v); }

// Pages of the page store are recorded at this resolution on every machine.
constexpr int kRpScreenDpi = 96;
// Page pixels per native unit at the page store's resolution.
constexpr double kRpScreenFactor = kRpScreenDpi / 254.0;

enum class TRpPaperSize {
  Default,
  Letter,
  LetterSmall,
  Tabloid,
  Ledger,
  Legal,
  Statement,
  Executive,
  A3,
  A4,
  A4Small,
  A5,
  B4,
  B5,
  Folio,
  Quarto,
  rp10X14,
  rp11X17,
  Note,
  Env9,
  Env10,
  Env11,
  Env12,
  Env14,
  CSheet,
  DSheet,
  ESheet,
  Custom
};
constexpr int kRpPaperSizeCount = int(TRpPaperSize::Custom) + 1;

// Device paper code of a paper size (its ordinal; Custom = 256).
int rpPaperCode(TRpPaperSize p);
// Portrait size of a standard paper in native units (mm x 10); false for Default and Custom.
bool rpPaperDimensions(TRpPaperSize p, double& width, double& length);
// "Letter", "A4", ... (for windows and messages).
QString rpPaperName(TRpPaperSize p);

enum TRpOrientation { poPortrait, poLandscape };

enum class TRpBin {
  First,
  Upper,
  Lower,
  Middle,
  Manual,
  Envelope,
  EnvManual,
  Auto,
  Tractor,
  SmallFormat,
  LargeFormat,
  LargeCapacity,
  Cassette,
  Last
};
// Device paper-source code of a bin (First 1, Upper 1, Lower 2, ... Cassette 14, Last 14).
int rpBinCode(TRpBin b);

enum class TRpUnits { MM, Inches, Pixels, Characters, Native };

enum TRpBandType {
  rbTitle,
  rbPageHeader,
  rbDetail,
  rbPageFooter,
  rbSummary,
  rbGroupHeader,
  rbGroupFooter,
  rbSubDetail,
  rbColumnHeader,
  rbOverlay,
  rbChild
};

// "rbTitle", "rbGroupHeader", ... (for messages).
QString rpBandTypeName(TRpBandType t);

enum TRpAlignment { taLeftJustify, taRightJustify, taCenter };
enum TRpBiDiMode { bdLeftToRight, bdRightToLeft };

// A font as the report stores it: name, size in points, style and colour. Canvases get it at
// an integer pixel height for their resolution (points x dpi / 72, rounded), so a page looks
// the same on every machine. "Arial", "Courier New" and "Times New Roman" are served by the
// metric-compatible Liberation fonts.
struct TRpFont {
  QString Name = QStringLiteral("Arial");
  int Size = 10;  // points
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  QColor Color = Qt::black;

  // The font for a canvas of the given resolution (kerning and shaping off, pixel size).
  QFont toQFont(int dpi = kRpScreenDpi) const;
  bool operator==(const TRpFont& o) const = default;
};

// The family that really draws a font name here (Arial -> Liberation Sans, ...).
QString rpFontFamily(const QString& name);

}  // namespace cotavia
