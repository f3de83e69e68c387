#include "app/core/price_memory.h"

#include "platform/amounts.h"
#include "platform/codepage.h"
#include "platform/files.h"

#include <QDir>

#include <QFileInfo>
#include <cmath>
#include <optional>

namespace cotavia {

namespace {

QString& bookLocation() {
  static QString location;
  return location;
}

QString text(const QByteArray& cp1252) { return fromCp1252(cp1252).trimmed(); }

bool hasPrice(const GridRow& g) {
  return !g[ColUnitPrice].trimmed().isEmpty() || !g[ColDiscount].trimmed().isEmpty() ||
         !g[ColSurcharge].trimmed().isEmpty();
}

long double amount(const QByteArray& cell) { return parseNumEditText(cell.trimmed()); }

// Response files of a folder: E<identity>_P*.KVT (any case).
bool isResponseFile(const QString& name) {
  const QString upper = name.toUpper();
  return upper.startsWith('E') && upper.contains(QLatin1String("_P")) && upper.endsWith(QLatin1String(".KVT"));
}

// The input file's name inside a response file's name: "E123_P0001.KVT" -> "P0001.KVT".
QString inputNameOf(const QString& responseName) {
  return responseName.mid(responseName.indexOf(QLatin1String("_P"), 0, Qt::CaseInsensitive) + 1);
}

}  // namespace

void setPriceBookLocation(const QString& location) { bookLocation() = location; }
QString priceBookLocation() { return bookLocation(); }

PriceSource priceSourceOf(const Proposal& p, const QString& inputFileName, const QDateTime& savedAt) {
  return {text(p.header[HeaderOrgao]), inputFileName, text(p.header[HeaderModalidade]), savedAt};
}

QList<PricedItem> pricedItemsOf(const Proposal& p) {
  QList<PricedItem> out;
  const int count = itemCount(p.rows);
  for (int r = 0; r < count; ++r) {
    const GridRow& g = p.rows[r];
    if (!hasPrice(g)) continue;
    out.append({text(g[ColItem]), text(g[ColCode]), text(g[ColDescription]), text(g[ColUnit]), amount(g[ColQuantity]),
                text(g[ColBrand]), amount(g[ColUnitPrice]), amount(g[ColDiscount]), amount(g[ColSurcharge])});
  }
  return out;
}

ItemQuery itemQueryOf(const GridRow& g) {
  return {text(g[ColItem]), text(g[ColCode]), text(g[ColDescription]), text(g[ColUnit]), amount(g[ColQuantity])};
}

QList<ItemQuery> itemQueriesOf(const Proposal& p, bool unpricedOnly) {
  QList<ItemQuery> out;
  const int count = itemCount(p.rows);
  for (int r = 0; r < count; ++r) {
    const GridRow& g = p.rows[r];
    if (unpricedOnly && hasPrice(g)) continue;
    out.append(itemQueryOf(g));
  }
  return out;
}

QString recordSavedProposal(const ProposalRef& ref, const Proposal& p, PriceBook* openBook) {
  try {
    std::optional<PriceBook> own;
    if (!openBook) {
      own.emplace();
      own->open(priceBookLocation());
    }
    PriceBook& book = openBook ? *openBook : *own;
    book.record(priceSourceOf(p, ref.inputFileName, QDateTime::currentDateTime()), pricedItemsOf(p));
    return {};
  } catch (const std::exception& e) {
    return notRecordedWarning(e);
  }
}

QString notRecordedWarning(const std::exception& e) {
  return QStringLiteral("A proposta foi gravada, mas os seus preços não foram guardados no histórico de preços. ") +
         userMessageLine(e);
}

QList<PriceSuggestion> suggestForProposal(PriceBook& book, const Proposal& p, const SuggestOptions& options) {
  const QList<std::optional<PriceSuggestion>> found =
      book.suggest(text(p.header[HeaderOrgao]), itemQueriesOf(p, true), options);
  QList<PriceSuggestion> out;
  for (const auto& s : found)
    if (s) out.append(*s);
  return out;
}

bool carriesAdjustments(const PriceSuggestion& s) {
  return std::llround(s.query.quantity * 10000) == std::llround(s.entry.item.quantity * 10000);
}

QList<PriceLine> priceLinesOf(const QList<PriceSuggestion>& suggestions) {
  QList<PriceLine> out;
  for (const PriceSuggestion& s : suggestions) {
    PriceLine line;
    line.line = int(out.size()) + 2;  // as a price list's line: the header is line 1
    line.item = toCp1252(s.query.item.trimmed());
    line.brand = toCp1252(s.entry.item.brand);
    line.unitPrice = s.entry.item.unitPrice;
    // Discount and surcharge are reais for the whole item: they go with the same quantity only.
    if (carriesAdjustments(s)) {
      line.discount = s.entry.item.discount;
      line.surcharge = s.entry.item.surcharge;
    }
    out.append(line);
  }
  return out;
}

FolderImport importFolder(PriceBook& book, const QString& folder) {
  const QDir dir(folder);
  if (!dir.exists())
    throw AppError(ErrorKind::NotFound, folder, "a pasta não existe: confira o nome da pasta a importar");
  FolderImport out;
  for (const QFileInfo& info : dir.entryInfoList(QDir::Files, QDir::Name)) {
    if (!isResponseFile(info.fileName())) continue;
    Proposal p;
    try {
      p = loadProposal(info.filePath());
    } catch (const AppError& e) {
      out.refused << userMessageLine(e);
      continue;
    }
    // A fault of the book itself stops the import.
    const QList<PricedItem> items = pricedItemsOf(p);
    book.record(priceSourceOf(p, inputNameOf(info.fileName()), info.lastModified()), items);
    ++out.files;
    out.entries += int(items.size());
  }
  return out;
}

}  // namespace cotavia
