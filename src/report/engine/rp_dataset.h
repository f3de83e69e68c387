#pragma once
// The data set a report walks: first record, next record, end of data, record count. A filtered
// data set skips the records its filter rejects, so the report sees only accepted ones.
// TRpTextTableDataSet presents a TextTable (the proposal report's text table); TRpListDataSet
// holds records in memory (tests, benchmarks, the command line).
#include <QByteArray>
#include <QList>
#include <functional>

namespace cotavia {

class TextTable;

class TRpDataSet {
 public:
  virtual ~TRpDataSet() = default;
  // Open.
  virtual bool Active() const = 0;
  virtual void First() = 0;
  virtual void Next() = 0;
  // End of data (true when closed).
  virtual bool Eof() const = 0;
  // Number of records the report will see (0 when closed).
  virtual int RecordCount() = 0;
};

// A TextTable as a report data set (not owned; its filter applies).
class TRpTextTableDataSet : public TRpDataSet {
 public:
  explicit TRpTextTableDataSet(TextTable& table) : table_(table) {}
  bool Active() const override;
  void First() override;
  void Next() override;
  bool Eof() const override;
  int RecordCount() override;
  TextTable& Table() const { return table_; }

 private:
  TextTable& table_;
};

// Records are byte strings (Windows-1252), one field each, with an optional record filter.
class TRpListDataSet : public TRpDataSet {
 public:
  TRpListDataSet() = default;
  explicit TRpListDataSet(QList<QByteArray> records) : records_(std::move(records)) {}
  void SetRecords(QList<QByteArray> records);

  // Opening moves to the first accepted record.
  void SetActive(bool a);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }

  bool Active() const override { return active_; }
  void First() override;
  void Next() override;
  bool Eof() const override;
  // Accepted records (all of them when not filtered).
  int RecordCount() override;

  // The current record's text (empty at the end of data).
  QByteArray Field() const;

  bool Filtered() const { return filtered_; }
  void SetFiltered(bool f) { filtered_ = f; }
  // Called for each record reached while Filtered (positioned on it); clearing accept skips it.
  std::function<void(TRpListDataSet& dataSet, bool& accept)> OnFilterRecord;

 private:
  void skipRejected();
  QList<QByteArray> records_;
  bool active_ = false;
  bool filtered_ = false;
  qsizetype cur_ = 0;
};

}  // namespace cotavia
