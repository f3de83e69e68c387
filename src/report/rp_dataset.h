#pragma once
// The data set a report walks: first record, next record, end of data, record count, and a
// record filter. A filtered data set skips the records its filter rejects, so the report sees
// only accepted ones. Concrete sets give the raw records; TRpListDataSet holds lines of text
// (the text table of the proposal report: each line one record, whole in FIELD1).
#include <QByteArray>
#include <QList>
#include <functional>

namespace cotavia {

class TRpDataSet {
 public:
  virtual ~TRpDataSet() = default;

  bool Active() const { return active_; }
  // Opening moves to the first accepted record.
  void SetActive(bool a);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }

  void First();
  void Next();
  // End of data: past the last accepted record (always true when closed).
  bool Eof() const;
  // The number of raw records (0 when closed; the filter is not applied).
  int RecordCount() const;
  // Index of the current raw record (0-based), -1 when closed or at the end.
  int RecNo() const { return Eof() ? -1 : cur_; }

  bool Filtered() const { return filtered_; }
  void SetFiltered(bool f) { filtered_ = f; }
  // Called for each record reached while Filtered; clearing Accept skips the record.
  std::function<void(TRpDataSet& dataSet, bool& accept)> OnFilterRecord;

 protected:
  // Raw records of a concrete set.
  virtual int rawRecordCount() const = 0;
  // Called when the set opens or closes (loading or releasing the records).
  virtual void doOpen() {}
  virtual void doClose() {}

 private:
  void skipRejected();

  bool active_ = false;
  bool filtered_ = false;
  int cur_ = 0;
};

// Records are byte strings (Windows-1252), one field each.
class TRpListDataSet : public TRpDataSet {
 public:
  TRpListDataSet() = default;
  explicit TRpListDataSet(QList<QByteArray> records) : records_(std::move(records)) {}
  void SetRecords(QList<QByteArray> records);
  const QList<QByteArray>& Records() const { return records_; }
  // The current record's text (empty at the end of data).
  QByteArray Field() const;

 protected:
  int rawRecordCount() const override { return int(records_.size()); }

 private:
  QList<QByteArray> records_;
};

}  // namespace cotavia
