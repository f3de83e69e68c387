// The price memory's book: a book of 500,000 entries (1000 proposals of 500 items from 50
// municipalities, 36,000 products) built in a temporary folder, then: recording a save of 9000
// items into it, suggestions for a 9000-item proposal of a new municipality (every item found
// by its description, the slowest way) and of a known one (by code), one item alone, and the
// book's size on disk. Targets: 150 ms, 2 s, 20 ms, 300 MB. Recording is timed with the book kept
// open, and as "Gravar" does it (opened, recorded, closed: a cold cache and the log written back).
#include "pricebook/price_book.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

using namespace cotavia;

namespace {

const char* const kNouns[] = {
    "Caneta esferográfica",  "Lápis preto",       "Borracha branca",    "Papel sulfite",      "Envelope pardo",
    "Pasta suspensa",        "Clipe niquelado",   "Grampo galvanizado", "Grampeador de mesa", "Perfurador de papel",
    "Fita adesiva",          "Cola branca",       "Tesoura multiuso",   "Régua acrílica",     "Marcador de texto",
    "Pincel atômico",        "Caderno espiral",   "Bloco de notas",     "Etiqueta adesiva",   "Calculadora de mesa",
    "Detergente líquido",    "Sabão em pó",       "Água sanitária",     "Desinfetante",       "Esponja dupla face",
    "Pano de chão",          "Saco de lixo",      "Papel higiênico",    "Papel toalha",       "Copo descartável",
    "Café torrado",          "Açúcar refinado",   "Leite em pó",        "Biscoito salgado",   "Filtro de papel",
    "Vassoura de pelo",      "Rodo de borracha",  "Balde plástico",     "Luva de látex",      "Álcool etílico",
    "Toner para impressora", "Cartucho de tinta", "Pen drive",          "Mouse óptico",       "Teclado",
    "Cabo de rede",          "Lâmpada de LED",    "Pilha alcalina",     "Extensão elétrica",  "Fita crepe",
    "Barbante de algodão",   "Caixa de arquivo",  "Prancheta",          "Quadro branco",      "Apagador",
    "Giz de cera",           "Massa de modelar",  "Tinta guache",       "Pincel chato",       "Cartolina"};
const char* const kKinds[] = {"azul",         "vermelho",   "preto",        "verde",    "amarelo",
                              "branco",       "reforçado",  "econômico",    "premium",  "atóxico",
                              "neutro",       "perfumado",  "transparente", "colorido", "escolar",
                              "profissional", "industrial", "infantil",     "grande",   "pequeno"};
const char* const kUnits[] = {"UN", "CX", "PC", "RS", "FR", "PCT"};

// Product n (0 .. 35,999): noun, kind and a size.
struct Product {
  QString description, unit;
};
Product product(int n) {
  const int noun = n % 60, kind = (n / 60) % 20, size = n / 1200;
  return {QStringLiteral("%1 %2, modelo %3, embalagem com %4 unidades")
              .arg(QString::fromUtf8(kNouns[noun]), QString::fromUtf8(kKinds[kind]))
              .arg(size + 1)
              .arg((size + 1) * 10),
          kUnits[noun % 6]};
}
constexpr int kProducts = 36000;

QString municipality(int m) { return QStringLiteral("PREFEITURA MUNICIPAL DE CIDADE %1").arg(m); }
// Each municipality numbers the products its own way.
QString codeOf(int m, int p) { return QString::number(100000 + (p * 7919 + m * 104729) % 900000); }

QList<PricedItem> proposalItems(QRandomGenerator& rng, int m, int count) {
  QList<PricedItem> items;
  for (int i = 0; i < count; ++i) {
    const int p = int(rng.bounded(kProducts));
    const Product pr = product(p);
    items.append({QString::number(i + 1).rightJustified(4, '0'), codeOf(m, p), pr.description, pr.unit,
                  (long double)(1 + rng.bounded(500)), QStringLiteral("Marca %1").arg(p % 97),
                  (long double)(rng.bounded(100000)) / 100, 0, 0});
  }
  return items;
}

double cpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Wall-clock milliseconds of f; the processor time it took goes to lastCpu (a busy machine
// disturbs it less).
double lastCpu = 0;
double ms(const std::function<void()>& f) {
  const double c0 = cpuMs();
  const auto t0 = std::chrono::steady_clock::now();
  f();
  lastCpu = cpuMs() - c0;
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// The book's file with its write-ahead log and shared-memory index.
qint64 bookBytes(const QString& path) {
  qint64 n = 0;
  for (const char* suffix : {"", "-wal", "-shm"}) n += QFileInfo(path + QLatin1String(suffix)).size();
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  QTemporaryDir dir;
  // COTAVIA_BENCH_DB: an existing book to run against (a PostgreSQL server's, or a file kept).
  const QString location = qEnvironmentVariable("COTAVIA_BENCH_DB", dir.filePath(QStringLiteral("precos.sqlite")));
  QRandomGenerator rng(2026);
  PriceBook book;
  book.open(location);

  if (book.entryCount() == 0) {
    const double built = ms([&] {
      for (int s = 0; s < 1000; ++s)
        book.record({municipality(s % 50), QStringLiteral("P%1.KVT").arg(s, 4, 10, QChar('0')),
                     QStringLiteral("Pregão"), QDateTime(QDate(2024, 1, 1), QTime(8, 0)).addSecs(s * 3600)},
                    proposalItems(rng, s % 50, 500));
    });
    std::printf("book of %lld entries built in %.1f s\n", book.entryCount(), built / 1000);
  }

  const QList<PricedItem> big = proposalItems(rng, 7, 9000);
  // A first save of 9000 items (a new proposal each time), then the same proposal saved again
  // with a tenth of its prices changed.
  double record = 1e9, recordCpu = 0, again = 1e9, againCpu = 0;
  for (int i = 0; i < 5; ++i) {
    const PriceSource src{municipality(7), QStringLiteral("N%1.KVT").arg(i), QStringLiteral("Pregão"),
                          QDateTime::currentDateTime()};
    const double t = ms([&] { book.record(src, big); });
    if (t < record) record = t, recordCpu = lastCpu;
    QList<PricedItem> changed = big;
    for (int k = i; k < changed.size(); k += 10) changed[k].unitPrice += 1;
    const double t2 = ms([&] { book.record(src, changed); });
    if (t2 < again) again = t2, againCpu = lastCpu;
  }
  std::printf("record a 9000-item save: %.1f ms (cpu %.1f ms)\n", record, recordCpu);
  std::printf("record it again, a tenth changed: %.1f ms (cpu %.1f ms)\n", again, againCpu);

  // A new municipality's proposal: other codes, descriptions with the words in another order.
  QList<ItemQuery> byDescription, byChangedWord, byCode;
  for (int i = 0; i < 9000; ++i) {
    const int p = int(rng.bounded(kProducts));
    const Product pr = product(p);
    QStringList words = pr.description.split(' ');
    std::rotate(words.begin(), words.begin() + 2, words.end());
    byDescription.append({QString::number(i + 1), QString::number(900000 + i), words.join(' '), pr.unit});
    words[1] = QStringLiteral("diferente");
    byChangedWord.append({QString::number(i + 1), QString::number(900000 + i), words.join(' '), pr.unit});
    byCode.append({QString::number(i + 1), codeOf(3, p), pr.description, pr.unit});
  }
  int found = 0;
  const double suggestDescription = ms([&] {
    for (const auto& s : book.suggest(municipality(60), byDescription)) found += s.has_value();
  });
  std::printf("suggest 9000 items by description, words in another order: %.3f s (cpu %.3f s, %d found)\n",
              suggestDescription / 1000, lastCpu / 1000, found);
  found = 0;
  const double suggestChanged = ms([&] {
    for (const auto& s : book.suggest(municipality(60), byChangedWord)) found += s.has_value();
  });
  std::printf("suggest 9000 items by description, a word changed: %.3f s (cpu %.3f s, %d found)\n",
              suggestChanged / 1000, lastCpu / 1000, found);
  found = 0;
  const double suggestCode = ms([&] {
    for (const auto& s : book.suggest(municipality(3), byCode)) found += s.has_value();
  });
  std::printf("suggest 9000 items by code: %.3f s (cpu %.3f s, %d found)\n", suggestCode / 1000, lastCpu / 1000, found);

  QList<double> one;
  for (int i = 0; i < 200; ++i) one << ms([&] { book.suggestOne(municipality(60), byChangedWord[i]); });
  std::sort(one.begin(), one.end());
  std::printf("suggest one item: %.2f ms (median of 200), %.2f ms (slowest)\n", one[100], one.last());

  // What "Gravar" adds: the book opened, a new 9000-item save recorded, the book closed (its log
  // written back); then those entries are removed again.
  book.close();
  double gravar = 1e9, gravarCpu = 0;
  QList<PriceSource> gravarSources;
  for (int i = 0; i < 3; ++i) {
    gravarSources.append(
        {municipality(8), QStringLiteral("G%1.KVT").arg(i), QStringLiteral("Pregão"), QDateTime::currentDateTime()});
    const double t = ms([&] {
      PriceBook b;
      b.open(location);
      b.record(gravarSources.last(), big);
    });
    if (t < gravar) gravar = t, gravarCpu = lastCpu;
  }
  std::printf("record a 9000-item save as Gravar does, book opened and closed: %.1f ms (cpu %.1f ms)\n", gravar,
              gravarCpu);
  book.open(location);
  for (const PriceSource& src : gravarSources) book.record(src, {});

  book.close();  // the log is written back into the book
  if (!location.startsWith(QLatin1String("postgres")))
    std::printf("book on disk: %.1f MB\n", bookBytes(location) / 1e6);
  return 0;
}
