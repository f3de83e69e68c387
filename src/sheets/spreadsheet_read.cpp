#include "sheets/spreadsheet_read.h"

#include "sheets/sheet_parts.h"

#include <QFileInfo>

namespace cotavia {

namespace {

const QByteArray kOle2Magic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
const QString kOdsMime = QStringLiteral("application/vnd.oasis.opendocument.spreadsheet");

}  // namespace

SpreadsheetFormat spreadsheetFormat(const QByteArray& content, const QString& fileName) {
  if (content.startsWith(kOle2Magic))
    throw AppError(ErrorKind::Refused, fileName,
                   "é uma planilha no formato antigo do Excel (.xls) ou protegida por senha, que não é lida; no "
                   "programa de planilhas, salve-a sem senha como .xlsx, .ods ou .csv e importe de novo");
  const bool zip = content.startsWith("PK\x03\x04") || content.startsWith("PK\x05\x06");
  const QString ext = QFileInfo(fileName).suffix().toLower();
  if (!zip) {
    if (ext == QLatin1String("xlsx") || ext == QLatin1String("xlsm") || ext == QLatin1String("ods"))
      throw sheets::damaged(fileName,
                            "o conteúdo não é o arquivo compactado que um ." + sheets::str(ext) + " deve ser");
    return SpreadsheetFormat::Text;
  }
  const sheets::Zip z(content, fileName);
  if (z.has(QStringLiteral("mimetype"))) {
    const QString mime = QString::fromUtf8(z.read(QStringLiteral("mimetype"))).trimmed();
    if (mime == kOdsMime) return SpreadsheetFormat::Ods;
    if (mime.startsWith(QLatin1String("application/vnd.oasis.opendocument")))
      throw AppError(
          ErrorKind::Refused, fileName,
          "é um documento OpenDocument que não é planilha; salve a lista de preços como .ods, .xlsx ou .csv");
  }
  if (z.has(QStringLiteral("content.xml"))) return SpreadsheetFormat::Ods;
  if (z.has(QStringLiteral("[Content_Types].xml")) || z.has(QStringLiteral("xl/workbook.xml")))
    return SpreadsheetFormat::Xlsx;
  throw AppError(ErrorKind::Refused, fileName,
                 "é um arquivo compactado (.zip), mas não uma planilha .xlsx ou .ods; salve a lista de preços como "
                 ".xlsx, .ods ou .csv");
}

SheetTable readFirstSheet(const QByteArray& content, SpreadsheetFormat format, const QString& fileName, int columns) {
  if (format == SpreadsheetFormat::Xlsx) return sheets::readXlsx(content, fileName, columns);
  if (format == SpreadsheetFormat::Ods) return sheets::readOds(content, fileName, columns);
  throw AppError(ErrorKind::Refused, fileName, "não é uma planilha .xlsx ou .ods");
}

}  // namespace cotavia
