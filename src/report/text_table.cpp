#include "report/text_table.h"

#include "platform/error.h"
#include "platform/files.h"

#include <QFileInfo>

namespace cotavia {

void TextTable::requireClosed(const char* what) const {
  if (active_) throw AppError(std::string("Cannot change ") + what + " of the open table " + filePath().toStdString());
}

void TextTable::setDatabaseName(const QString& folder) {
  if (folder == databaseName_) return;
  requireClosed("the folder");
  databaseName_ = folder;
}

void TextTable::setTableName(const QString& name) {
  if (name == tableName_) return;
  requireClosed("the file name");
  tableName_ = name;
}

QString TextTable::filePath() const {
  if (databaseName_.isEmpty()) return tableName_;
  return joinPath(databaseName_, tableName_);
}

void TextTable::setActive(bool on) {
  if (on == active_) return;
  if (!on) {
    active_ = false;
    lines_.clear();
    cur_ = 0;
    visiblePos_ = 0;
    visibleCount_ = -1;
    return;
  }
  const QString path = filePath();
  if (tableName_.isEmpty()) throw AppError("The text table has no file name");
  if (QFileInfo(path).isDir()) throw AppError(ErrorKind::NotRegular, path, "is a folder, not a table file");
  QList<QByteArray> lines = splitLines(readWholeFile(path));  // throws naming the file
  lines_ = std::move(lines);
  active_ = true;
  visibleCount_ = -1;
  first();
}

void TextTable::setOnFilterRecord(FilterHandler h) {
  filter_ = std::move(h);
  visibleCount_ = -1;
  if (active_) first();
}

void TextTable::setFiltered(bool on) {
  if (on == filtered_) return;
  filtered_ = on;
  visibleCount_ = -1;
  if (active_) first();
}

bool TextTable::accepts(qsizetype index) {
  if (!filtered_ || !filter_) return true;
  bool accept = true;
  const qsizetype saved = testing_;
  testing_ = index;
  try {
    filter_(*this, accept);
  } catch (...) {
    testing_ = saved;
    throw;
  }
  testing_ = saved;
  return accept;
}

void TextTable::seekVisibleFrom(qsizetype index) {
  while (index < lines_.size() && !accepts(index)) ++index;
  cur_ = index;
}

void TextTable::first() {
  visiblePos_ = 0;
  if (!active_) {
    cur_ = 0;
    return;
  }
  seekVisibleFrom(0);
}

void TextTable::next() {
  if (eof()) return;
  ++visiblePos_;
  seekVisibleFrom(cur_ + 1);
}

bool TextTable::eof() const { return !active_ || cur_ >= lines_.size(); }

int TextTable::recordCount() {
  if (!active_) return 0;
  if (visibleCount_ < 0) {
    int n = 0;
    for (qsizetype i = 0; i < lines_.size(); ++i)
      if (accepts(i)) ++n;
    visibleCount_ = n;
  }
  return visibleCount_;
}

QByteArray TextTable::field1() const {
  if (testing_ >= 0) return lines_.at(testing_);
  if (eof()) return QByteArray();
  return lines_.at(cur_);
}

int TextTable::lineNo() const {
  if (testing_ >= 0) return static_cast<int>(testing_) + 1;
  return eof() ? 0 : static_cast<int>(cur_) + 1;
}

}  // namespace cotavia
