#include "report/engine/rp_dataset.h"

#include "report/engine/text_table.h"

namespace cotavia {

bool TRpTextTableDataSet::Active() const { return table_.active(); }
void TRpTextTableDataSet::First() { table_.first(); }
void TRpTextTableDataSet::Next() { table_.next(); }
bool TRpTextTableDataSet::Eof() const { return table_.eof(); }
int TRpTextTableDataSet::RecordCount() { return table_.active() ? table_.recordCount() : 0; }

void TRpListDataSet::SetRecords(QList<QByteArray> records) {
  records_ = std::move(records);
  if (active_) First();
}

void TRpListDataSet::SetActive(bool a) {
  active_ = a;
  cur_ = 0;
  if (a) First();
}

void TRpListDataSet::skipRejected() {
  if (!filtered_ || !OnFilterRecord) return;
  while (cur_ < records_.size()) {
    bool accept = true;
    OnFilterRecord(*this, accept);
    if (accept) return;
    ++cur_;
  }
}

void TRpListDataSet::First() {
  if (!active_) return;
  cur_ = 0;
  skipRejected();
}

void TRpListDataSet::Next() {
  if (!active_ || cur_ >= records_.size()) return;
  ++cur_;
  skipRejected();
}

bool TRpListDataSet::Eof() const { return !active_ || cur_ >= records_.size(); }

int TRpListDataSet::RecordCount() {
  if (!active_) return 0;
  if (!filtered_ || !OnFilterRecord) return int(records_.size());
  const qsizetype saved = cur_;
  int n = 0;
  for (cur_ = 0; cur_ < records_.size(); ++cur_) {
    bool accept = true;
    OnFilterRecord(*this, accept);
    if (accept) ++n;
  }
  cur_ = saved;
  return n;
}

QByteArray TRpListDataSet::Field() const { return Eof() ? QByteArray() : records_.at(cur_); }

}  // namespace cotavia
