#include "pricebook/price_book.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <QVariant>

#include <cmath>
#include <map>
#include <vector>

namespace cotavia {

namespace {

// The book's location as messages show it: a server's address without its password.
QString shownLocation(const QString& location) {
  if (!location.startsWith(QLatin1String("postgres"))) return location;
  const QUrl url(location);
  return url.isValid() ? url.adjusted(QUrl::RemovePassword).toString() : QStringLiteral("postgresql://...");
}

// Schema, one step per version; a book is brought from its version to the last one in the
// transaction that also stores the new version. %ID% is the key column of each dialect, %FTS%
// stands for the dialect's full-text index.
const QList<QStringList>& migrations() {
  static const QList<QStringList> steps = {
      // 1: proposals saved, products (a description and its unit, searched by full text) and the
      // entries: one per priced item, amounts as integers (quantity and unit price in
      // ten-thousandths, discount and surcharge in cents).
      {QStringLiteral("CREATE TABLE proposals (id %ID%, municipality TEXT NOT NULL, proposal TEXT NOT NULL, "
                      "modality TEXT NOT NULL, saved_at TEXT NOT NULL, UNIQUE (municipality, proposal, modality))"),
       QStringLiteral("CREATE TABLE products (id %ID%, description TEXT NOT NULL, unit TEXT NOT NULL, "
                      "words TEXT NOT NULL, UNIQUE (description, unit))"),
       QStringLiteral("CREATE TABLE entries (id %ID%, proposal_id BIGINT NOT NULL REFERENCES proposals (id) "
                      "ON DELETE CASCADE, product_id BIGINT NOT NULL REFERENCES products (id), item TEXT NOT NULL, "
                      "code TEXT NOT NULL, quantity BIGINT NOT NULL, brand TEXT NOT NULL, unit_price BIGINT NOT NULL, "
                      "discount BIGINT NOT NULL, surcharge BIGINT NOT NULL)"),
       QStringLiteral("CREATE INDEX entries_code ON entries (code)"),
       QStringLiteral("CREATE INDEX entries_product ON entries (product_id)"),
       QStringLiteral("CREATE INDEX entries_proposal ON entries (proposal_id)"),
       QStringLiteral("CREATE INDEX products_words_key ON products (words, unit)"), QStringLiteral("%FTS%")},
      // 2: a product's entries with their proposals in the index, so its latest price is chosen
      // without reading each entry.
      {QStringLiteral("CREATE INDEX entries_product_proposal ON entries (product_id, proposal_id)"),
       QStringLiteral("DROP INDEX entries_product")},
  };
  return steps;
}

const QStringList& ftsStatements(bool pg) {
  static const QStringList sqlite = {
      QStringLiteral("CREATE VIRTUAL TABLE products_fts USING fts5 (description, content='products', "
                     "content_rowid='id', tokenize='unicode61 remove_diacritics 2')"),
      QStringLiteral("CREATE VIRTUAL TABLE products_vocab USING fts5vocab (products_fts, 'row')"),
      QStringLiteral("CREATE TRIGGER products_ai AFTER INSERT ON products BEGIN "
                     "INSERT INTO products_fts (rowid, description) VALUES (new.id, new.description); END")};
  static const QStringList postgres = {
      QStringLiteral("CREATE INDEX products_words ON products USING gin (to_tsvector('simple', words))")};
  return pg ? postgres : sqlite;
}

// Words left out of the search: they say nothing about the product.
const QSet<QString>& stopWords() {
  static const QSet<QString> words = {"de",  "da", "do", "das", "dos",  "com", "para", "em",  "e",
                                      "a",   "o",  "as", "os",  "por",  "sem", "na",   "no",  "nas",
                                      "nos", "ou", "um", "uma", "tipo", "ref", "cada", "pct", "c"};
  return words;
}

// The description's words as the search sees them: lower case, accents removed, split at anything
// that is not a letter or digit, without stop words and one-letter words, each once.
QStringList searchWords(const QString& text) {
  const QString folded = text.normalized(QString::NormalizationForm_D).toLower();
  QStringList out;
  QString word;
  auto flush = [&] {
    if (word.size() > 1 && !stopWords().contains(word) && !out.contains(word)) out << word;
    word.clear();
  };
  for (QChar c : folded) {
    if (c.category() == QChar::Mark_NonSpacing) continue;
    if (c.isLetterOrNumber())
      word += c;
    else
      flush();
  }
  flush();
  return out;
}

// The words of a description (searchWords) sorted: the same for the same words in any order, with or without
// accents, in any case (the products' column "words", indexed).
QString wordsKey(QStringList words) {
  words.sort();
  return words.join(' ');
}

// How alike two descriptions are: the share of words they have in common (Dice's coefficient),
// 0 (nothing in common) to 1 (the same words, in any order).
double similarity(const QStringList& a, const QStringList& b) {
  if (a.isEmpty() || b.isEmpty()) return 0;
  int common = 0;
  for (const QString& w : a) common += b.contains(w);
  return 2.0 * common / double(a.size() + b.size());
}

// Below this a description is not offered: at least about half the words must be shared.
constexpr double kMinSimilarity = 0.5;
// Products looked at per full-text search.
constexpr int kCandidates = 200;
// A word is never too common to search by when at most this many products hold it.
constexpr int kFewProducts = 16;
// A word found in more than this share of the products says little: the search by any of the
// words leaves it out (and it would make that search slow).
constexpr double kCommonWordShare = 0.05;
// The searches by the rarest words use at most this many.
constexpr int kRareWords = 3;
// What one run of suggestions keeps, at most (each emptied when full, so a proposal of any size
// takes a bounded memory): products found by the searches, latest entries of products.
constexpr qsizetype kKeptCandidates = 50000;
constexpr qsizetype kKeptEntries = 20000;
// Products looked up by one statement when recording.
constexpr qsizetype kRowsPerStatement = 100;
// A book in use by another program is waited for this long, then reported.
constexpr int kBusyTimeoutMs = 500;

qint64 scaled(long double v, int decimals) { return std::llround(v * std::pow(10.0L, decimals)); }
long double unscaled(qint64 v, int decimals) { return (long double)v / std::pow(10.0L, decimals); }

QString normUnit(const QString& unit) { return unit.trimmed().toUpper(); }

QString savedAtText(const QDateTime& t) { return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")); }

const char* const kEntryColumns =
    "pr.municipality, pr.proposal, pr.modality, pr.saved_at, e.item, e.code, p.description, p.unit, "
    "e.quantity, e.brand, e.unit_price, e.discount, e.surcharge";
const char* const kEntryJoin =
    " FROM entries e JOIN products p ON p.id = e.product_id JOIN proposals pr ON pr.id = e.proposal_id";

PriceEntry entryFrom(const QSqlQuery& q) {
  PriceEntry e;
  e.source.municipality = q.value(0).toString();
  e.source.proposal = q.value(1).toString();
  e.source.modality = q.value(2).toString();
  e.source.savedAt = QDateTime::fromString(q.value(3).toString(), Qt::ISODateWithMs);
  e.item.item = q.value(4).toString();
  e.item.code = q.value(5).toString();
  e.item.description = q.value(6).toString();
  e.item.unit = q.value(7).toString();
  e.item.quantity = unscaled(q.value(8).toLongLong(), 4);
  e.item.brand = q.value(9).toString();
  e.item.unitPrice = unscaled(q.value(10).toLongLong(), 4);
  e.item.discount = unscaled(q.value(11).toLongLong(), 2);
  e.item.surcharge = unscaled(q.value(12).toLongLong(), 2);
  return e;
}

}  // namespace

// One open connection to a book and its prepared queries.
class PriceBookBackend {
 public:
  QString location;
  QString connection;
  bool pg = false;
  QSqlDatabase db;

  ~PriceBookBackend() {
    queries.clear();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection);
  }

  // A failure of the book as the user reads it.
  AppError failure(const QSqlError& err, const std::string& what) const {
    const QString text = err.text();
    const std::string book = shownLocation(location).toStdString();
    const std::string detail = " (" + what + ": " + text.toStdString() + ")";
    // SQLite's result code says what failed (its primary code in the low byte); its text only when
    // there is no code.
    const int code = pg ? 0 : err.nativeErrorCode().toInt() & 0xff;
    const bool busy =
        code ? code == 5 || code == 6 : text.contains(QLatin1String("locked")) || text.contains(QLatin1String("busy"));
    const bool damaged = code
                             ? code == 11 || code == 26
                             : text.contains(QLatin1String("not a database")) ||
                                   text.contains(QLatin1String("malformed")) || text.contains(QLatin1String("corrupt"));
    const bool full = code ? code == 13 : text.contains(QLatin1String("full"));
    if (!pg && busy)
      return AppError("O histórico de preços " + book +
                      " está em uso por outro programa: espere ele terminar e tente de novo" + detail + ".");
    if (!pg && damaged)
      return AppError("O histórico de preços " + book +
                      " está danificado: renomeie-o ou apague-o (um novo será criado) ou restaure uma cópia de "
                      "segurança" +
                      detail + ".");
    if (!pg && full)
      return AppError("Não há espaço no disco para o histórico de preços " + book + ": libere espaço e tente de novo" +
                      detail + ".");
    if (pg)
      return AppError("O histórico de preços no servidor " + book +
                      " não pôde ser usado: confira o endereço, a senha e a rede, e tente de novo" + detail + ".");
    return AppError("O histórico de preços " + book +
                    " não pôde ser usado: confira se o arquivo e a sua pasta podem ser lidos e gravados, e tente "
                    "de novo" +
                    detail + ".");
  }

  QSqlQuery& prepared(const QString& sql) {
    auto it = queries.find(sql);
    if (it != queries.end()) return *it;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) throw failure(q.lastError(), "o histórico de preços não pôde ser consultado");
    return *queries.insert(sql, q);
  }

  // A statement of `head`, then `count` times `row` separated by commas, then `tail`.
  QSqlQuery& preparedRows(const QString& head, const QString& row, qsizetype count, const QString& tail = {}) {
    QString sql = head;
    for (qsizetype i = 0; i < count; ++i) sql += (i ? QStringLiteral(", ") : QString()) + row;
    return prepared(sql + tail);
  }

  void exec(QSqlQuery& q, const std::string& what) {
    if (!q.exec()) throw failure(q.lastError(), what);
  }

  void execText(const QString& sql, const std::string& what) {
    QSqlQuery q(db);
    if (!q.exec(sql)) throw failure(q.lastError(), what);
  }

  void begin() {
    // SQLite: take the write lock at once, so two saves never deadlock upgrading a read lock.
    if (!pg)
      execText(QStringLiteral("BEGIN IMMEDIATE"), "o histórico de preços não pôde ser gravado");
    else if (!db.transaction())
      throw failure(db.lastError(), "o histórico de preços não pôde ser gravado");
  }
  void commit() {
    if (!pg)
      execText(QStringLiteral("COMMIT"), "o histórico de preços não pôde ser gravado");
    else if (!db.commit())
      throw failure(db.lastError(), "o histórico de preços não pôde ser gravado");
  }
  void rollback() {
    if (!pg) {
      QSqlQuery q(db);
      q.exec(QStringLiteral("ROLLBACK"));
    } else {
      db.rollback();
    }
  }

  // The schema's version: 0 for a new book.
  int schemaVersion() {
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT max(version) FROM schema_version"))) return 0;
    return q.next() ? q.value(0).toInt() : 0;
  }

  // Brings the schema to the last version. A book already there is only read (a book another
  // program is writing can still be searched).
  void migrate() {
    const std::string what = "o histórico de preços não pôde ser preparado";
    const int last = int(migrations().size());
    int version = schemaVersion();
    if (version == last) return;
    begin();
    try {
      // One program at a time brings a server's book up to date.
      if (pg) execText(QStringLiteral("SELECT pg_advisory_xact_lock(4242)"), what);
      execText(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"), what);
      version = schemaVersion();
      if (version > last)
        throw AppError(ErrorKind::Refused, shownLocation(location),
                       "o histórico de preços foi criado por uma versão mais nova do programa; atualize o Cotavia");
      for (int v = version; v < last; ++v) {
        for (QString stmt : migrations()[v]) {
          if (stmt == QLatin1String("%FTS%")) {
            for (const QString& fts : ftsStatements(pg)) execText(fts, what);
            continue;
          }
          stmt.replace(QLatin1String("%ID%"),
                       pg ? QLatin1String("BIGSERIAL PRIMARY KEY") : QLatin1String("INTEGER PRIMARY KEY"));
          execText(stmt, what);
        }
      }
      if (version < last) {
        execText(QStringLiteral("DELETE FROM schema_version"), what);
        execText(QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(last), what);
      }
      commit();
    } catch (...) {
      rollback();
      throw;
    }
  }

  std::optional<PriceEntry> latestEntry(const QString& sql, const QVariantList& binds) {
    QSqlQuery& q = prepared(sql);
    for (int i = 0; i < binds.size(); ++i) q.bindValue(i, binds[i]);
    exec(q, "o histórico de preços não pôde ser consultado");
    std::optional<PriceEntry> out;
    if (q.next()) out = entryFrom(q);
    q.finish();
    return out;
  }

  std::optional<PriceSuggestion> suggestOne(const QString& municipality, const ItemQuery& item,
                                            const SuggestOptions& options);
  // Forgets what was kept for one run of suggestions (the book may change before the next).
  void forgetBatch() {
    documentCounts.clear();
    productCount = -1;
    candidates.clear();
    keptCandidates = 0;
    latest.clear();
  }

 private:
  // Up to kRareWords of the words, rarest first, leaving out those most products hold.
  QStringList rareWords(const QStringList& words);
  // Among the best ranked products holding all the `terms`, the latest entry of the one whose
  // description is closest to `words` (if close enough), with its similarity.
  std::optional<QPair<PriceEntry, double>> closestProduct(const QStringList& terms, const QStringList& words,
                                                          const QString& unit);
  // The latest entry of a product, kept within one run of suggestions.
  std::optional<PriceEntry> latestOfProduct(qint64 product);
  // In how many products each word is, within one run of suggestions.
  QHash<QString, qint64> documentCounts;
  qint64 productCount = -1;
  // Within one run of suggestions: the products found by each full-text search (by its terms
  // and unit), and the latest entry of each product offered.
  struct Candidate {
    qint64 product;
    QStringList words;
  };
  QHash<QString, QList<Candidate>> candidates;
  qsizetype keptCandidates = 0;
  QHash<qint64, std::optional<PriceEntry>> latest;
  QHash<QString, QSqlQuery> queries;
};

std::optional<PriceSuggestion> PriceBookBackend::suggestOne(const QString& municipality, const ItemQuery& item,
                                                            const SuggestOptions& options) {
  const QString code = item.code.trimmed();
  const QString unit = normUnit(item.unit);
  const QString muni = municipality.trimmed();
  const QStringList words = searchWords(item.description);
  auto suggestion = [&](PriceEntry e, FoundBy how, double score) {
    PriceSuggestion s;
    s.query = item;
    s.entry = std::move(e);
    s.how = how;
    s.score = score;
    return s;
  };
  const std::string what = "o histórico de preços não pôde ser consultado";

  if (!code.isEmpty()) {
    // The latest price of the same municipality for the same code and unit; else the latest of
    // another municipality with that code whose description matches.
    QSqlQuery& q = prepared(QStringLiteral("SELECT %1, pr.municipality = ? AS same%2 WHERE e.code = ? AND p.unit = ? "
                                           "ORDER BY same DESC, pr.saved_at DESC, e.id DESC LIMIT 50")
                                .arg(kEntryColumns, kEntryJoin));
    q.bindValue(0, muni);
    q.bindValue(1, code);
    q.bindValue(2, unit);
    exec(q, what);
    std::optional<PriceSuggestion> found;
    while (q.next()) {
      if (q.value(13).toBool()) {
        found = suggestion(entryFrom(q), FoundBy::SameMunicipalityCode, 0);
        break;
      }
      const double score = similarity(words, searchWords(q.value(6).toString()));
      if (score >= kMinSimilarity) {
        found = suggestion(entryFrom(q), FoundBy::CodeAndDescription, score);
        break;
      }
    }
    q.finish();
    if (found) return found;
  }
  if (options.onlyCodes || words.isEmpty()) return std::nullopt;

  // The same words (any order, accents and case aside) with the same unit.
  if (auto e = latestEntry(QStringLiteral("SELECT %1%2 WHERE p.words = ? AND p.unit = ? "
                                          "ORDER BY pr.saved_at DESC, e.id DESC LIMIT 1")
                               .arg(kEntryColumns, kEntryJoin),
                           {wordsKey(words), unit}))
    return suggestion(*e, FoundBy::Description, 1.0);
  // Then, since a description close enough shares most of its words, the products holding its
  // three rarest words, or its two rarest (searching by any of the words, or by all of them with
  // those most products hold, would go through thousands of products per item). The closest of
  // the best ranked gives its latest price.
  const QStringList rare = rareWords(words);
  for (qsizetype n = std::min<qsizetype>(kRareWords, rare.size()); n >= 1; --n) {
    if (n == 1 && words.size() > 2) break;
    if (auto s = closestProduct(rare.mid(0, n), words, unit))
      return suggestion(s->first, FoundBy::Description, s->second);
  }
  return std::nullopt;
}

QStringList PriceBookBackend::rareWords(const QStringList& words) {
  if (pg) return words;
  if (productCount < 0) {
    QSqlQuery q(db);
    // Products are numbered in order and never removed: the last number is their count, read at
    // once where counting would go through them all.
    productCount = q.exec(QStringLiteral("SELECT max(id) FROM products")) && q.next() ? q.value(0).toLongLong() : 0;
  }
  QList<QPair<qint64, QString>> byCount;
  for (const QString& w : words) {
    auto it = documentCounts.find(w);
    if (it == documentCounts.end()) {
      QSqlQuery& q = prepared(QStringLiteral("SELECT doc FROM products_vocab WHERE term = ?"));
      q.bindValue(0, w);
      exec(q, "o histórico de preços não pôde ser consultado");
      it = documentCounts.insert(w, q.next() ? q.value(0).toLongLong() : 0);
      q.finish();
    }
    if (*it > 0 && *it <= std::max<qint64>(kFewProducts, qint64(productCount * kCommonWordShare)))
      byCount.append({*it, w});
  }
  std::sort(byCount.begin(), byCount.end());
  QStringList out;
  for (int i = 0; i < byCount.size() && i < kRareWords; ++i) out << byCount[i].second;
  return out;
}

std::optional<QPair<PriceEntry, double>> PriceBookBackend::closestProduct(const QStringList& terms,
                                                                          const QStringList& words,
                                                                          const QString& unit) {
  // The products holding the terms with that unit, each with its words; a proposal often has
  // several items searched by the same terms (the same product in other sizes or colours).
  const QString key = terms.join(' ') + QChar(0) + unit;
  auto cached = candidates.find(key);
  if (cached == candidates.end()) {
    QStringList quoted;
    for (const QString& w : terms) quoted << (pg ? w : '"' + w + '"');
    // Every product holding the terms is a candidate (up to kCandidates): the similarity of all the
    // words picks among them, which a rank by the few terms searched cannot.
    QSqlQuery& q = pg ? prepared(QStringLiteral("SELECT p.id, p.words FROM products p, to_tsquery('simple', ?) q "
                                                "WHERE to_tsvector('simple', p.words) @@ q AND p.unit = ? "
                                                "ORDER BY p.id LIMIT %1")
                                     .arg(kCandidates))
                      : prepared(QStringLiteral("SELECT p.id, p.words FROM products_fts "
                                                "JOIN products p ON p.id = products_fts.rowid "
                                                "WHERE products_fts MATCH ? AND p.unit = ? LIMIT %1")
                                     .arg(kCandidates));
    q.bindValue(0, quoted.join(pg ? QLatin1String(" & ") : QLatin1String(" AND ")));
    q.bindValue(1, unit);
    exec(q, "o histórico de preços não pôde ser consultado");
    QList<Candidate> found;
    while (q.next()) found.append({q.value(0).toLongLong(), q.value(1).toString().split(' ', Qt::SkipEmptyParts)});
    q.finish();
    if (keptCandidates + found.size() > kKeptCandidates) candidates.clear(), keptCandidates = 0;
    keptCandidates += found.size();
    cached = candidates.insert(key, found);
  }
  qint64 best = -1;
  double bestScore = kMinSimilarity;
  for (const Candidate& c : std::as_const(*cached)) {  // of those alike, the newest product
    const double score = similarity(words, c.words);
    if (score >= bestScore) best = c.product, bestScore = score;
  }
  if (best < 0) return std::nullopt;
  if (auto e = latestOfProduct(best)) return std::pair{*e, bestScore};
  return std::nullopt;
}

std::optional<PriceEntry> PriceBookBackend::latestOfProduct(qint64 product) {
  auto cached = latest.find(product);
  if (cached != latest.end()) return *cached;
  // The entry chosen by its product's key and the proposals' dates alone, then read whole.
  std::optional<PriceEntry> e = latestEntry(
      QStringLiteral("SELECT %1%2 WHERE e.id = (SELECT l.id FROM entries l JOIN proposals lp ON lp.id = l.proposal_id "
                     "WHERE l.product_id = ? ORDER BY lp.saved_at DESC, l.id DESC LIMIT 1)")
          .arg(kEntryColumns, kEntryJoin),
      {product});
  if (latest.size() >= kKeptEntries) latest.clear();
  latest.insert(product, e);
  return e;
}

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

QString PriceBook::defaultLocation() {
  const QString env = qEnvironmentVariable("COTAVIA_DB");
  if (!env.isEmpty()) return env;
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
         QStringLiteral("/Cotavia/precos.sqlite");
}

void PriceBook::open(const QString& location) {
  close();
  auto b = std::make_unique<PriceBookBackend>();
  b->location = location.isEmpty() ? defaultLocation() : location;
  static QAtomicInt serial;
  b->connection = QStringLiteral("cotavia-pricebook-%1").arg(serial.fetchAndAddRelaxed(1));
  const bool pg =
      b->location.startsWith(QLatin1String("postgresql://")) || b->location.startsWith(QLatin1String("postgres://"));
  b->pg = pg;
  const std::string what = "o histórico de preços não pôde ser aberto";
  if (pg) {
    const QUrl url(b->location);
    if (!url.isValid() || url.host().isEmpty() || url.path().size() < 2)
      throw AppError(ErrorKind::Refused, shownLocation(b->location),
                     "endereço do histórico de preços inválido: use postgresql://usuario@servidor/base");
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
      throw AppError(ErrorKind::Refused, QString(),
                     "O suporte a PostgreSQL do Qt não está instalado: instale o pacote libqt6sql6-psql e tente de "
                     "novo");
    b->db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), b->connection);
    b->db.setHostName(url.host());
    if (url.port() > 0) b->db.setPort(url.port());
    b->db.setDatabaseName(url.path().mid(1));
    b->db.setUserName(url.userName());
    if (!url.password().isEmpty()) b->db.setPassword(url.password());
    b->db.setConnectOptions(QStringLiteral("connect_timeout=3"));
  } else {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
      throw AppError(ErrorKind::Io, b->location,
                     "o suporte a SQLite do Qt não está instalado (pacote libqt6sql6-sqlite)");
    const QFileInfo info(b->location);
    if (!QDir().mkpath(info.absolutePath()))
      throw AppError(ErrorKind::Io, b->location, what + ": a pasta não pôde ser criada");
    if (info.exists() && !info.isFile())
      throw AppError(ErrorKind::NotRegular, b->location, what + ": não é um arquivo");
    b->db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), b->connection);
    b->db.setDatabaseName(b->location);
    b->db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
  }
  if (!b->db.open()) throw b->failure(b->db.lastError(), what);
  if (!pg) {
    // A write-ahead log: a kill or a full disk in the middle of a write leaves the last commit.
    QSqlQuery q(b->db);
    if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL"))) throw b->failure(q.lastError(), what);
    b->execText(QStringLiteral("PRAGMA synchronous=NORMAL"), what);
    // A save of thousands of items touches pages all over the indexes: keep up to 64 MB of them.
    b->execText(QStringLiteral("PRAGMA cache_size=-65536"), what);
    b->execText(QStringLiteral("PRAGMA foreign_keys=ON"), what);
  }
  b->migrate();
  backend_ = std::move(b);
}

bool PriceBook::isOpen() const { return backend_ != nullptr; }

void PriceBook::close() { backend_.reset(); }

static PriceBookBackend& need(const std::unique_ptr<PriceBookBackend>& b) {
  if (!b) throw AppError(ErrorKind::Refused, QString(), "o histórico de preços não está aberto");
  return *b;
}

void PriceBook::record(const PriceSource& source, const QList<PricedItem>& items) {
  PriceBookBackend& b = need(backend_);
  const std::string what = "os preços não foram guardados no histórico";
  b.begin();
  try {
    const QString muni = source.municipality.trimmed(), name = source.proposal.trimmed(),
                  modality = source.modality.trimmed();
    // The proposal's row, made or dated anew (in PostgreSQL this locks it: two saves of one
    // proposal take turns, and neither loses its entries to the other).
    QSqlQuery& up = b.prepared(
        QStringLiteral("INSERT INTO proposals (municipality, proposal, modality, saved_at) VALUES (?, ?, ?, ?) "
                       "ON CONFLICT (municipality, proposal, modality) DO UPDATE SET saved_at = excluded.saved_at "
                       "RETURNING id"));
    up.bindValue(0, muni);
    up.bindValue(1, name);
    up.bindValue(2, modality);
    up.bindValue(3, savedAtText(source.savedAt.isValid() ? source.savedAt : QDateTime::currentDateTime()));
    b.exec(up, what);
    if (!up.next()) throw AppError(ErrorKind::Io, b.location, what + ": a proposta não foi registrada");
    const qint64 proposalId = up.value(0).toLongLong();
    up.finish();
    // What the last save recorded: entries that stay as they were are kept (a proposal saved
    // again mostly is), the others removed, the new ones added.
    auto entryKey = [](const QString& item, const QString& code, const QString& description, const QString& unit,
                       qint64 quantity, const QString& brand, qint64 price, qint64 discount, qint64 surcharge) {
      return QStringList{item,
                         code,
                         description,
                         unit,
                         QString::number(quantity),
                         brand,
                         QString::number(price),
                         QString::number(discount),
                         QString::number(surcharge)}
          .join(QChar(0));
    };
    QHash<QString, QList<qint64>> previous;
    QSqlQuery& old = b.prepared(
        QStringLiteral("SELECT e.id, e.item, e.code, p.description, p.unit, e.quantity, e.brand, e.unit_price, "
                       "e.discount, e.surcharge FROM entries e JOIN products p ON p.id = e.product_id "
                       "WHERE e.proposal_id = ?"));
    old.bindValue(0, proposalId);
    b.exec(old, what);
    while (old.next())
      previous[entryKey(old.value(1).toString(), old.value(2).toString(), old.value(3).toString(),
                        old.value(4).toString(), old.value(5).toLongLong(), old.value(6).toString(),
                        old.value(7).toLongLong(), old.value(8).toLongLong(), old.value(9).toLongLong())]
          .append(old.value(0).toLongLong());
    old.finish();
    QList<const PricedItem*> added;
    for (const PricedItem& it : items) {
      if (previous.isEmpty()) {  // a proposal saved for the first time
        added.append(&it);
        continue;
      }
      auto kept = previous.find(entryKey(it.item.trimmed(), it.code.trimmed(), it.description.trimmed(),
                                         normUnit(it.unit), scaled(it.quantity, 4), it.brand.trimmed(),
                                         scaled(it.unitPrice, 4), scaled(it.discount, 2), scaled(it.surcharge, 2)));
      if (kept != previous.end() && !kept->isEmpty())
        kept->removeLast();
      else
        added.append(&it);
    }
    QSqlQuery& del = b.prepared(QStringLiteral("DELETE FROM entries WHERE id = ?"));
    for (const QList<qint64>& ids : std::as_const(previous))
      for (qint64 id : ids) {
        del.bindValue(0, id);
        b.exec(del, what);
      }

    // The products first, in one order for every save: two saves adding the same new products
    // at once wait for each other instead of deadlocking. Those the book has are looked up by
    // their descriptions, many at a time.
    std::map<QPair<QString, QString>, qint64> products;
    std::vector<std::map<QPair<QString, QString>, qint64>::iterator> productOf;  // of each entry added
    productOf.reserve(added.size());
    for (const PricedItem* it : added)
      productOf.push_back(products.emplace(std::pair{it->description.trimmed(), normUnit(it->unit)}, -1).first);
    QStringList descriptions;
    for (const auto& [key, productId] : products)
      if (descriptions.isEmpty() || descriptions.last() != key.first) descriptions << key.first;
    for (qsizetype at = 0; at < descriptions.size(); at += kRowsPerStatement) {
      const qsizetype n = std::min<qsizetype>(kRowsPerStatement, descriptions.size() - at);
      QSqlQuery& known =
          b.preparedRows(QStringLiteral("SELECT id, description, unit FROM products WHERE description IN ("),
                         QStringLiteral("?"), n, QStringLiteral(")"));
      for (qsizetype i = 0; i < n; ++i) known.bindValue(int(i), descriptions[at + i]);
      b.exec(known, what);
      while (known.next()) {
        auto it = products.find(std::pair{known.value(1).toString(), known.value(2).toString()});
        if (it != products.end()) it->second = known.value(0).toLongLong();
      }
      known.finish();
    }
    QSqlQuery& findProduct = b.prepared(QStringLiteral("SELECT id FROM products WHERE description = ? AND unit = ?"));
    QSqlQuery& addProduct = b.prepared(
        QStringLiteral("INSERT INTO products (description, unit, words) VALUES (?, ?, ?) ON CONFLICT DO NOTHING"));
    for (auto& [key, productId] : products) {
      if (productId >= 0) continue;
      // New to the book (or added meanwhile by another save: then its row is the one found).
      addProduct.bindValue(0, key.first);
      addProduct.bindValue(1, key.second);
      addProduct.bindValue(2, wordsKey(searchWords(key.first)));
      b.exec(addProduct, what);
      findProduct.bindValue(0, key.first);
      findProduct.bindValue(1, key.second);
      b.exec(findProduct, what);
      if (findProduct.next()) productId = findProduct.value(0).toLongLong();
      findProduct.finish();
      if (productId < 0) throw AppError(ErrorKind::Io, b.location, what + ": um produto não foi registrado");
    }
    // The entries, through one statement (a statement of many rows would copy every page it
    // changes aside, in case it fails halfway).
    QSqlQuery& addEntry = b.prepared(
        QStringLiteral("INSERT INTO entries (proposal_id, product_id, item, code, quantity, brand, unit_price, "
                       "discount, surcharge) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (qsizetype i = 0; i < added.size(); ++i) {
      const PricedItem* it = added[i];
      addEntry.bindValue(0, proposalId);
      addEntry.bindValue(1, productOf[i]->second);
      addEntry.bindValue(2, it->item.trimmed());
      addEntry.bindValue(3, it->code.trimmed());
      addEntry.bindValue(4, scaled(it->quantity, 4));
      addEntry.bindValue(5, it->brand.trimmed());
      addEntry.bindValue(6, scaled(it->unitPrice, 4));
      addEntry.bindValue(7, scaled(it->discount, 2));
      addEntry.bindValue(8, scaled(it->surcharge, 2));
      b.exec(addEntry, what);
    }
    b.commit();
  } catch (...) {
    b.rollback();
    throw;
  }
}

QList<std::optional<PriceSuggestion>> PriceBook::suggest(const QString& municipality, const QList<ItemQuery>& items,
                                                         const SuggestOptions& options) {
  PriceBookBackend& b = need(backend_);
  QList<std::optional<PriceSuggestion>> out;
  out.reserve(items.size());
  // One read transaction: every item sees the same book, and SQLite takes its lock once.
  if (!b.pg) b.execText(QStringLiteral("BEGIN"), "o histórico de preços não pôde ser consultado");
  try {
    b.forgetBatch();
    for (const ItemQuery& item : items) out.append(b.suggestOne(municipality, item, options));
  } catch (...) {
    if (!b.pg) b.rollback();
    throw;
  }
  if (!b.pg) b.rollback();
  return out;
}

std::optional<PriceSuggestion> PriceBook::suggestOne(const QString& municipality, const ItemQuery& item,
                                                     const SuggestOptions& options) {
  PriceBookBackend& b = need(backend_);
  b.forgetBatch();
  return b.suggestOne(municipality, item, options);
}

QList<PriceEntry> PriceBook::history(const HistoryQuery& query) {
  PriceBookBackend& b = need(backend_);
  QString sql = QStringLiteral("SELECT %1%2 WHERE 1 = 1").arg(kEntryColumns, kEntryJoin);
  QVariantList binds;
  const QStringList words = searchWords(query.search);
  if (!words.isEmpty()) {
    // Every word, as the start of a word of the description (accents and case folded).
    QStringList terms;
    for (const QString& w : words) terms << (b.pg ? w + QStringLiteral(":*") : '"' + w + QStringLiteral("\"*"));
    if (b.pg) {
      sql += QStringLiteral(" AND to_tsvector('simple', p.words) @@ to_tsquery('simple', ?)");
      binds << terms.join(QLatin1String(" & "));
    } else {
      sql += QStringLiteral(" AND p.id IN (SELECT rowid FROM products_fts WHERE products_fts MATCH ?)");
      binds << terms.join(' ');
    }
  }
  if (!query.code.trimmed().isEmpty()) {
    sql += QStringLiteral(" AND e.code = ?");
    binds << query.code.trimmed();
  }
  sql += QStringLiteral(" ORDER BY p.description, e.code, p.unit, pr.saved_at, e.id");
  QSqlQuery q(b.db);
  q.setForwardOnly(true);
  if (!q.prepare(sql)) throw b.failure(q.lastError(), "o histórico de preços não pôde ser consultado");
  for (int i = 0; i < binds.size(); ++i) q.bindValue(i, binds[i]);
  b.exec(q, "o histórico de preços não pôde ser consultado");
  QList<PriceEntry> out;
  while (q.next()) out.append(entryFrom(q));
  return out;
}

qint64 PriceBook::entryCount() {
  PriceBookBackend& b = need(backend_);
  QSqlQuery q(b.db);
  if (!q.exec(QStringLiteral("SELECT count(*) FROM entries")))
    throw b.failure(q.lastError(), "o histórico de preços não pôde ser consultado");
  return q.next() ? q.value(0).toLongLong() : 0;
}

}  // namespace cotavia
