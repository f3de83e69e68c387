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

namespace cotavia {

namespace {

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
       QStringLiteral("CREATE INDEX entries_proposal ON entries (proposal_id)"), QStringLiteral("%FTS%")},
  };
  return steps;
}

const QStringList& ftsStatements(bool pg) {
  static const QStringList sqlite = {
      QStringLiteral("CREATE VIRTUAL TABLE products_fts USING fts5 (description, content='products', "
                     "content_rowid='id', tokenize='unicode61 remove_diacritics 2')"),
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
// Full-text candidates looked at per item, best ranked first.
constexpr int kCandidates = 8;
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
    const QString file = pg ? QUrl(location).adjusted(QUrl::RemovePassword).toString() : location;
    if (!pg && (text.contains(QLatin1String("locked")) || text.contains(QLatin1String("busy"))))
      return AppError(ErrorKind::Busy, file,
                      what + ": o histórico de preços está em uso por outro programa; feche-o e tente de novo (" +
                          text.toStdString() + ")");
    if (!pg && (text.contains(QLatin1String("not a database")) || text.contains(QLatin1String("malformed")) ||
                text.contains(QLatin1String("corrupt"))))
      return AppError(ErrorKind::Damaged, file,
                      what +
                          ": o arquivo do histórico de preços está danificado; renomeie-o ou apague-o (um novo "
                          "será criado) ou restaure uma cópia de segurança (" +
                          text.toStdString() + ")");
    if (!pg && (text.contains(QLatin1String("full")) || text.contains(QLatin1String("disk"))))
      return AppError(ErrorKind::NoSpace, file, what + ": sem espaço no disco (" + text.toStdString() + ")");
    return AppError(ErrorKind::Io, file, what + ": " + text.toStdString());
  }

  QSqlQuery& prepared(const QString& sql) {
    auto it = queries.find(sql);
    if (it != queries.end()) return *it;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) throw failure(q.lastError(), "o histórico de preços não pôde ser consultado");
    return *queries.insert(sql, q);
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

  // Brings the schema to the last version.
  void migrate() {
    const std::string what = "o histórico de preços não pôde ser preparado";
    begin();
    try {
      execText(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"), what);
      QSqlQuery q(db);
      if (pg) execText(QStringLiteral("LOCK TABLE schema_version IN EXCLUSIVE MODE"), what);
      if (!q.exec(QStringLiteral("SELECT max(version) FROM schema_version"))) throw failure(q.lastError(), what);
      const int version = q.next() ? q.value(0).toInt() : 0;
      q.finish();
      if (version > migrations().size())
        throw AppError(ErrorKind::Refused, location,
                       "o histórico de preços foi criado por uma versão mais nova do programa; atualize o Cotavia");
      for (qsizetype v = version; v < migrations().size(); ++v) {
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
      if (version < migrations().size()) {
        execText(QStringLiteral("DELETE FROM schema_version"), what);
        execText(QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(migrations().size()), what);
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

 private:
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
    // The latest price of the same municipality for the same code and unit.
    if (auto e = latestEntry(QStringLiteral("SELECT %1%2 WHERE e.code = ? AND p.unit = ? AND pr.municipality = ? "
                                            "ORDER BY pr.saved_at DESC, e.id DESC LIMIT 1")
                                 .arg(kEntryColumns, kEntryJoin),
                             {code, unit, muni}))
      return suggestion(*e, FoundBy::SameMunicipalityCode, 0);
    // The latest one of another municipality with the same code, whose description matches.
    QSqlQuery& q = prepared(QStringLiteral("SELECT %1%2 WHERE e.code = ? AND p.unit = ? "
                                           "ORDER BY pr.saved_at DESC, e.id DESC LIMIT 50")
                                .arg(kEntryColumns, kEntryJoin));
    q.bindValue(0, code);
    q.bindValue(1, unit);
    exec(q, what);
    std::optional<PriceSuggestion> found;
    while (q.next()) {
      const QString description = q.value(6).toString();
      const double score = similarity(words, searchWords(description));
      if (score >= kMinSimilarity) {
        found = suggestion(entryFrom(q), FoundBy::CodeAndDescription, score);
        break;
      }
    }
    q.finish();
    if (found) return found;
  }
  if (options.onlyCodes || words.isEmpty()) return std::nullopt;

  // The products whose descriptions share words with this one, best ranked first; the first
  // close enough gives its latest price.
  QStringList terms;
  for (const QString& w : words) terms << (pg ? w : '"' + w + '"');
  QSqlQuery& q =
      pg ? prepared(QStringLiteral("SELECT p.id, p.description, ts_rank(to_tsvector('simple', p.words), q) AS r "
                                   "FROM products p, to_tsquery('simple', ?) q "
                                   "WHERE to_tsvector('simple', p.words) @@ q AND p.unit = ? "
                                   "ORDER BY r DESC, p.id DESC LIMIT %1")
                        .arg(kCandidates))
         : prepared(QStringLiteral("SELECT p.id, p.description, bm25(products_fts) AS r FROM products_fts "
                                   "JOIN products p ON p.id = products_fts.rowid "
                                   "WHERE products_fts MATCH ? AND p.unit = ? ORDER BY r, p.id DESC LIMIT %1")
                        .arg(kCandidates));
  q.bindValue(0, terms.join(pg ? QLatin1String(" | ") : QLatin1String(" OR ")));
  q.bindValue(1, unit);
  exec(q, what);
  QList<QPair<qint64, double>> close;
  while (q.next()) {
    const double score = similarity(words, searchWords(q.value(1).toString()));
    if (score >= kMinSimilarity) close.append({q.value(0).toLongLong(), score});
  }
  q.finish();
  for (const auto& [product, score] : close) {
    if (auto e = latestEntry(
            QStringLiteral("SELECT %1%2 WHERE e.product_id = ? ORDER BY pr.saved_at DESC, e.id DESC LIMIT 1")
                .arg(kEntryColumns, kEntryJoin),
            {product}))
      return suggestion(*e, FoundBy::Description, score);
  }
  return std::nullopt;
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
      throw AppError(ErrorKind::Refused, b->location,
                     "endereço do histórico de preços inválido: use postgresql://usuario@servidor/base");
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
      throw AppError(ErrorKind::Io, b->location,
                     "o suporte a PostgreSQL do Qt não está instalado (pacote libqt6sql6-psql)");
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
    b->execText(QStringLiteral("PRAGMA foreign_keys=ON"), what);
  }
  b->migrate();
  backend_ = std::move(b);
}

bool PriceBook::isOpen() const { return backend_ != nullptr; }

QString PriceBook::location() const { return backend_ ? backend_->location : QString(); }

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
    QSqlQuery& del = b.prepared(QStringLiteral("DELETE FROM entries WHERE proposal_id = ?"));
    del.bindValue(0, proposalId);
    b.exec(del, what);

    QSqlQuery& findProduct = b.prepared(QStringLiteral("SELECT id FROM products WHERE description = ? AND unit = ?"));
    QSqlQuery& addProduct = b.prepared(
        QStringLiteral("INSERT INTO products (description, unit, words) VALUES (?, ?, ?) ON CONFLICT DO NOTHING"));
    QSqlQuery& addEntry = b.prepared(
        QStringLiteral("INSERT INTO entries (proposal_id, product_id, item, code, quantity, brand, unit_price, "
                       "discount, surcharge) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    // The products first, in one order for every save: two saves adding the same new products
    // at once wait for each other instead of deadlocking.
    std::map<QPair<QString, QString>, qint64> products;
    for (const PricedItem& it : items) products.emplace(QPair{it.description.trimmed(), normUnit(it.unit)}, -1);
    for (auto& [key, productId] : products) {
      for (int attempt = 0; productId < 0 && attempt < 2; ++attempt) {
        findProduct.bindValue(0, key.first);
        findProduct.bindValue(1, key.second);
        b.exec(findProduct, what);
        if (findProduct.next()) productId = findProduct.value(0).toLongLong();
        findProduct.finish();
        if (productId >= 0) break;
        addProduct.bindValue(0, key.first);
        addProduct.bindValue(1, key.second);
        addProduct.bindValue(2, searchWords(key.first).join(' '));
        b.exec(addProduct, what);
      }
      if (productId < 0) throw AppError(ErrorKind::Io, b.location, what + ": um produto não foi registrado");
    }
    for (const PricedItem& it : items) {
      addEntry.bindValue(0, proposalId);
      addEntry.bindValue(1, products.at(QPair{it.description.trimmed(), normUnit(it.unit)}));
      addEntry.bindValue(2, it.item.trimmed());
      addEntry.bindValue(3, it.code.trimmed());
      addEntry.bindValue(4, scaled(it.quantity, 4));
      addEntry.bindValue(5, it.brand.trimmed());
      addEntry.bindValue(6, scaled(it.unitPrice, 4));
      addEntry.bindValue(7, scaled(it.discount, 2));
      addEntry.bindValue(8, scaled(it.surcharge, 2));
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
  return need(backend_).suggestOne(municipality, item, options);
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
  if (query.limit > 0) sql += QStringLiteral(" LIMIT %1").arg(query.limit);
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
