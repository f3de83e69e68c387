#pragma once
// Text-table driver: a plain text file read as a table whose records are the file's lines, in
// file order, each held whole in the text field FIELD1 (declared 400 characters wide; longer lines
// are kept whole, never cut). A per-record filter hides the records it rejects from navigation.
#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <vector>
#include "platform/files.h"

namespace cotavia {

class TextTable {
 public:
  // Declared size of FIELD1 (its display width). Lines longer than this are still kept whole.
  static constexpr int kFieldSize = 400;

  TextTable() = default;
  virtual ~TextTable() = default;
  TextTable(const TextTable&) = delete;
  TextTable& operator=(const TextTable&) = delete;

  // Folder the table file is looked up in (DatabaseName) and the file name (TableName). Both can
  // only be changed while the table is closed; a change on an open table is refused with an error.
  void setDatabaseName(const QString& folder);
  QString databaseName() const { return databaseName_; }
  void setTableName(const QString& name);
  QString tableName() const { return tableName_; }
  // databaseName + "/" + tableName.
  QString filePath() const;

  // Opening reads the file (held once, with where each line starts). A file that cannot be
  // opened raises AppError naming the file; the table then stays closed. Closing drops it.
  void setActive(bool on);
  bool active() const { return active_; }
  void open() { setActive(true); }
  void close() { setActive(false); }

  // Record filter: while Filtered is on, navigation reaches only the records the handler accepts.
  // The handler is called with the table positioned on the record under test.
  using FilterHandler = std::function<void(TextTable& table, bool& accept)>;
  void setOnFilterRecord(FilterHandler h);
  void setFiltered(bool on);
  bool filtered() const { return filtered_; }

  // Navigation over the visible records. On a closed table eof() is true.
  void first();
  void next();
  bool eof() const;
  // Number of visible records (the accepted ones while filtered).
  int recordCount();
  // 1-based position among the visible records; 0 when not on a record.
  int recNo() const { return eof() ? 0 : visiblePos_ + 1; }

  // FIELD1 of the current record: the line, whole. Empty when not on a record.
  QByteArray field1() const;
  // The 1-based line of the file that holds the current record (filter ignored: the line
  // number a message names); 0 when not on a record.
  int lineNo() const;

 private:
  bool accepts(qsizetype index);
  void seekVisibleFrom(qsizetype index);
  void requireClosed(const char* what) const;
  QByteArray line(qsizetype index) const;

  QString databaseName_;
  QString tableName_;
  bool active_ = false;
  bool filtered_ = false;
  FilterHandler filter_;
  QByteArray content_;           // the file
  std::vector<LineSpan> lines_;  // where its lines are in it
  qsizetype cur_ = 0;            // index into lines_; == size() at the end
  QByteArray current_;           // the line at cur_
  qsizetype visiblePos_ = 0;     // index of the current record among visible records
  qsizetype testing_ = -1;       // record under test by the filter handler (-1 none)
  int visibleCount_ = -1;        // cached visible record count (-1 unknown)
};

}  // namespace cotavia
