#pragma once
// What the .xlsx and .ods readers share, inside this library: the zip container and the XML
// reader over its parts, both guarded against hostile files, and the rules for the rows they
// collect (caps on rows and columns, numbers as the formats write them).
#include "platform/error.h"
#include "sheets/sheet_table.h"

#include <QXmlStreamReader>

#include <memory>
#include <optional>
#include <string>

struct zip;
struct zip_file;

namespace cotavia::sheets {

constexpr qsizetype kCellTextCap = 32768;  // characters kept of one cell's text

std::string str(const QString& s);

// "a planilha está danificada (what); ..." naming the file.
AppError damaged(const QString& fileName, const std::string& what);
AppError encrypted(const QString& fileName);

// A zip archive in memory, read with libzip.
class Zip {
 public:
  // Throws AppError (Damaged) naming the file when the archive cannot be opened.
  Zip(const QByteArray& content, const QString& fileName);
  ~Zip();
  Zip(const Zip&) = delete;
  Zip& operator=(const Zip&) = delete;

  bool has(const QString& name) const;

  // A part being inflated, read piece by piece (a hostile part is refused after its first
  // pieces instead of being inflated whole first).
  class Part {
   public:
    Part(const Zip& zip, const QString& name);
    ~Part();
    Part(const Part&) = delete;
    Part& operator=(const Part&) = delete;

    // The next bytes of the part, at most 64 KB; empty at its end. The part as a whole holds at
    // most kSpreadsheetPartCap bytes.
    QByteArray next();

   private:
    const Zip& zip_;
    QString name_;
    zip_file* f_ = nullptr;
    qint64 total_ = 0;
  };

  // The part inflated whole (a small one: the mimetype).
  QByteArray read(const QString& name) const;

 private:
  qint64 locate(const QString& name) const;
  AppError tooLarge(const QString& name) const;

  QByteArray content_;  // the bytes libzip reads: kept alive with the archive
  QString fileName_;
  zip* zip_ = nullptr;
};

// A stream reader over one part that refuses DTDs (so no entity is ever declared or expanded)
// and elements nested deeper than a sheet ever nests them, and names the part and line of any
// fault.
class Xml {
 public:
  // Reads the part of the zip as it is inflated.
  Xml(const Zip& zip, const QString& fileName, const QString& part);

  // The next token; false at the end of the document.
  bool next();
  bool start() const { return r.isStartElement(); }
  bool end() const { return r.isEndElement(); }
  bool is(const QString& ns, const char* local) const {
    return r.name() == QLatin1String(local) && (ns.isEmpty() || r.namespaceUri() == ns);
  }
  QString attr(const QString& ns, const char* local) const {
    return r.attributes().value(ns, QLatin1String(local)).toString();
  }
  bool hasAttr(const QString& ns, const char* local) const {
    return r.attributes().hasAttribute(ns, QLatin1String(local));
  }
  // An attribute by local name alone (OOXML writes its main names in more than one namespace).
  QString attrLocal(const char* local) const;

  // Skips the rest of the current element (called on its start tag).
  void skip();
  // The character data of the current element and its descendants, capped.
  QString text();
  AppError fault(const QString& why) const;

  QXmlStreamReader r;

 private:
  std::unique_ptr<Zip::Part> source_;
  QString fileName_;
  QString part_;
  int depth_ = 0;
};

// A number as both formats write it ("1234.5", "4.4999999999999998E-2"); none for anything else.
std::optional<double> parseNumber(const QString& text);

bool isFilled(const SheetCell& c);

// Adds `count` copies of a row to the table when some cell is filled, within the caps.
void addRows(SheetTable& t, qint64 row, qint64 count, QList<SheetCell> cells, const QString& fileName);

// A filled cell beyond the last column a sheet holds, in row `row`.
AppError columnCap(const QString& fileName, const QString& sheet, int row);

// The first sheet of each format (see readFirstSheet).
SheetTable readXlsx(const QByteArray& content, const QString& fileName, int columns);
SheetTable readOds(const QByteArray& content, const QString& fileName, int columns);

}  // namespace cotavia::sheets
