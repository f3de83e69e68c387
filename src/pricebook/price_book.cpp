#include "pricebook/price_book.h"

namespace cotavia {

class PriceBookBackend {};

QString foundByText(FoundBy how) {
  switch (how) {
    case FoundBy::SameMunicipalityCode:
      return QStringLiteral("código (mesmo município)");
    case FoundBy::CodeAndDescription:
      return QStringLiteral("código e descrição");
    case FoundBy::Description:
      return QStringLiteral("descrição semelhante");
  }
  return {};
}

PriceBook::PriceBook() = default;
PriceBook::~PriceBook() = default;
QString PriceBook::defaultLocation() { return {}; }
void PriceBook::open(const QString&) { throw AppError("o histórico de preços ainda não está disponível"); }
bool PriceBook::isOpen() const { return false; }
QString PriceBook::location() const { return {}; }
void PriceBook::close() {}
void PriceBook::record(const PriceSource&, const QList<PricedItem>&) {}
QList<std::optional<PriceSuggestion>> PriceBook::suggest(const QString&, const QList<ItemQuery>& items,
                                                         const SuggestOptions&) {
  return QList<std::optional<PriceSuggestion>>(items.size());
}
std::optional<PriceSuggestion> PriceBook::suggestOne(const QString&, const ItemQuery&, const SuggestOptions&) {
  return std::nullopt;
}
QList<PriceEntry> PriceBook::history(const HistoryQuery&) { return {}; }
qint64 PriceBook::entryCount() { return 0; }

}  // namespace cotavia
