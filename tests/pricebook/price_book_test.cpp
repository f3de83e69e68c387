// The price memory's book: recording, replacing on a new save, each way of finding a price,
// history, and the same on a private PostgreSQL server, with saves from several connections at
// once.
#include "pricebook/price_book.h"
#include "support/pg_server.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <thread>

using namespace cotavia;
using namespace cotavia::test;

namespace {

const QString X = QStringLiteral("PREFEITURA DE X"), Y = QStringLiteral("PREFEITURA DE Y"),
              Z = QStringLiteral("PREFEITURA DE Z");

PriceSource source(const QString& municipality, const QString& proposal, const char* date) {
  return {municipality, proposal, QStringLiteral("Pregão 1/2026"), QDateTime::fromString(date, Qt::ISODate)};
}

PricedItem item(const char* number, const char* code, const QString& description, const char* unit, double quantity,
                const char* brand, double price, double discount = 0) {
  return {number, code, description, unit, quantity, brand, price, discount, 0};
}

const QString kPen = QStringLiteral("Caneta esferográfica azul, ponta média");

void seed(PriceBook& book) {
  book.record(source(X, "P0001.KVT", "2026-01-10T10:00:00"),
              {item("0001", "101234", kPen, "UN", 100, "Bic", 0.89),
               item("0002", "200100", "Papel sulfite A4 75 g/m², resma com 500 folhas", "RS", 10, "Chamex", 22.9, 5)});
  book.record(source(X, "P0002.KVT", "2026-03-01T10:00:00"),
              {item("0001", "101234", kPen, "UN", 50, "Compactor", 0.95)});
  book.record(source(Y, "P0007.KVT", "2026-02-01T10:00:00"),
              {item("0003", "101234", "Detergente líquido neutro 500 ml", "FR", 20, "Ypê", 1.79),
               item("0004", "300300", "Grampeador de mesa para grampos 26/6", "UN", 3, "Cis", 25.5)});
}

// Every way of finding a price, and what must not be offered.
void checkFinding(PriceBook& book) {
  seed(book);
  struct Row {
    QString municipality;
    ItemQuery query;
    bool onlyCodes;
    std::optional<FoundBy> how;
    const char* brand;
  };
  const Row rows[] = {
      {X, {"9", "101234", "qualquer texto", "UN"}, false, FoundBy::SameMunicipalityCode, "Compactor"},  // the latest
      {Z,
       {"9", "101234", "CANETA esferografica azul ponta media", "UN"},
       false,
       FoundBy::CodeAndDescription,
       "Compactor"},
      {Z, {"9", "101234", "Detergente liquido neutro 500 ml", "FR"}, false, FoundBy::CodeAndDescription, "Ypê"},
      {Z, {"9", "777777", "Ponta média, caneta azul ESFEROGRÁFICA", "un"}, false, FoundBy::Description, "Compactor"},
      {Z, {"9", "", "Grampeador mesa grampo 26/6", "UN"}, false, FoundBy::Description, "Cis"},
      {Z, {"9", "777777", "Caneta marca-texto amarela fluorescente", "UN"}, false, std::nullopt, ""},
      {Z, {"9", "777777", kPen, "CX"}, false, std::nullopt, ""},                       // another unit
      {Z, {"9", "101234", "Tinta para carimbo azul", "UN"}, false, std::nullopt, ""},  // same code, other thing
      {Z, {"9", "777777", kPen, "UN"}, true, std::nullopt, ""},                        // codes only
  };
  QList<ItemQuery> all;
  for (const Row& r : rows) {
    const auto found = book.suggestOne(r.municipality, r.query, {r.onlyCodes});
    SCOPED_TRACE(r.query.description.toStdString());
    ASSERT_EQ(found.has_value(), r.how.has_value());
    if (!found) continue;
    EXPECT_EQ(found->how, *r.how);
    EXPECT_EQ(found->entry.item.brand, QString::fromUtf8(r.brand));
    EXPECT_EQ(found->query.item, "9");
    if (r.municipality == Z) all << r.query;
  }
  const auto many = book.suggest(Z, all);
  ASSERT_EQ(many.size(), all.size());
  EXPECT_EQ(many[0]->entry.source.municipality, X);
  EXPECT_EQ(many[0]->entry.source.proposal, "P0002.KVT");
  EXPECT_EQ(many[0]->entry.source.savedAt, QDateTime::fromString("2026-03-01T10:00:00", Qt::ISODate));
  EXPECT_EQ(double(many[0]->entry.item.unitPrice), 0.95);

  // History: grouped by product, oldest first; searched with accents folded; by code.
  EXPECT_EQ(book.history().size(), 5);
  const QList<PriceEntry> pens = book.history({"CANETA esferografica", ""});
  ASSERT_EQ(pens.size(), 2);
  EXPECT_EQ(pens[0].item.brand, "Bic");
  EXPECT_EQ(pens[1].item.brand, "Compactor");
  EXPECT_EQ(book.history({"", "300300"}).size(), 1);
  EXPECT_EQ(double(book.history({"sulfite", ""}).value(0).item.discount), 5.0);

  // A new save of a proposal replaces its entries; the others stay.
  book.record(source(X, "P0001.KVT", "2026-04-01T10:00:00"), {item("0001", "101234", kPen, "UN", 100, "Bic", 0.99)});
  EXPECT_EQ(book.entryCount(), 4);
  EXPECT_EQ(
      double(
          book.suggestOne(X, {"1", "200100", "Papel sulfite", "RS"}).value_or(PriceSuggestion{}).entry.item.unitPrice),
      0.0);
  EXPECT_EQ(book.suggestOne(X, {"1", "101234", "", "UN"})->entry.item.brand, "Bic");
  book.record(source(X, "P0001.KVT", "2026-04-02T10:00:00"), {});
  EXPECT_EQ(book.entryCount(), 3);
}

}  // namespace

TEST(PriceBook, RecordAndFindInAFile) {
  TempDir dir;
  PriceBook book;
  book.open(dir.file("sub/precos.sqlite"));
  checkFinding(book);
  // Reopened: the schema is there and the entries are kept.
  book.close();
  book.open(dir.file("sub/precos.sqlite"));
  EXPECT_EQ(book.entryCount(), 3);
}

// Many products share the rarest words of a description: the one sharing most of its words is
// found, however its full-text rank on those few words places it (here: last, being longer).
TEST(PriceBook, ClosestAmongManySharingTheRarestWords) {
  TempDir dir;
  PriceBook book;
  book.open(dir.file("precos.sqlite"));
  QList<PricedItem> items = {
      item("0001", "1", QStringLiteral("Caneta azul grande fina ponta média"), "UN", 1, "Certa", 1)};
  for (int k = 1; k < 20; ++k)
    items << item("0002", "2", QStringLiteral("Caneta azul pequena fina n%1").arg(k), "UN", 1, "Outra", 1);
  for (int k = 0; k < 380; ++k)  // words most products hold: never searched by
    items << item("0003", "3", QStringLiteral("Lixa grande ponta média n%1").arg(k), "UN", 1, "Lixa", 1);
  book.record(source(X, "P0001.KVT", "2026-01-10T10:00:00"), items);
  const auto found = book.suggestOne(Y, {"9", "", "Caneta azul grande grossa, ponta média", "UN"});
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->how, FoundBy::Description);
  EXPECT_EQ(found->entry.item.brand, "Certa");
}

// The same book on a PostgreSQL server; several machines saving at once lose nothing.
TEST(PriceBook, TeamServer) {
  PrivatePgServer server;
  QString why;
  if (!server.start(&why)) GTEST_SKIP() << "no private PostgreSQL server here: " << why.toStdString();
  const QString url = server.createDatabase("precos");
  {
    PriceBook book;
    book.open(url);
    checkFinding(book);
  }
  // Four connections: each saves its own proposals, and all save one shared proposal again and
  // again; every entry of the last save of each is there, none twice.
  constexpr int kWriters = 4, kSaves = 10, kItems = 30;
  std::vector<std::thread> writers;
  std::atomic<int> failures{0};
  for (int w = 0; w < kWriters; ++w)
    writers.emplace_back([&, w] {
      try {
        PriceBook book;
        book.open(url);
        for (int s = 0; s < kSaves; ++s) {
          QList<PricedItem> items;
          for (int i = 0; i < kItems; ++i)
            items << item("0001", "1", QStringLiteral("Produto %1 novo").arg(i), "UN", 1, "M", 1 + w);
          book.record(source(Z, QStringLiteral("P%1%2.KVT").arg(w).arg(s), "2026-05-01T10:00:00"), items);
          book.record(source(Z, "SHARED.KVT", "2026-05-01T10:00:00"), items);
        }
      } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
        ++failures;
      }
    });
  for (auto& t : writers) t.join();
  PriceBook book;
  book.open(url);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(book.entryCount(), 3 + (kWriters * kSaves + 1) * kItems);
}
