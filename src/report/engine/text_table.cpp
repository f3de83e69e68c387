#include "report/engine/text_table.h"

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
    content_.clear();
    lines_.clear();
    current_.clear();
    cur_ = 0;
    visiblePos_ = 0;
    visibleCount_ = -1;
    return;
  }
  const QString path = filePath();
  if (tableName_.isEmpty()) throw AppError("The text table has no file name");
  if (QFileInfo(path).isDir()) throw AppError(ErrorKind::NotRegular, path, "is a folder, not a table file");
  QByteArray content = readWholeFile(path);  // throws naming the file
  content_ = std::move(content);
  lines_ = lineSpans(content_);
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
  const qsizetype count = qsizetype(lines_.size());
  while (index < count && !accepts(index)) ++index;
  cur_ = index;
  current_ = index < count ? line(index) : QByteArray();
}

QByteArray TextTable::line(qsizetype index) const {
  const LineSpan& l = lines_[size_t(index)];
  return QByteArray(content_.constData() + l.at, l.size);
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

bool TextTable::eof() const { return !active_ || cur_ >= qsizetype(lines_.size()); }

int TextTable::recordCount() {
  if (!active_) return 0;
  if (visibleCount_ < 0) {
    int n = 0;
    for (qsizetype i = 0; i < qsizetype(lines_.size()); ++i)
      if (accepts(i)) ++n;
    visibleCount_ = n;
  }
  return visibleCount_;
}

QByteArray TextTable::field1() const {
  if (testing_ >= 0) return line(testing_);
  if (eof()) return QByteArray();
  return current_;
}

int TextTable::lineNo() const {
  if (testing_ >= 0) return static_cast<int>(testing_) + 1;
  return eof() ? 0 : static_cast<int>(cur_) + 1;
}

}  // namespace cotavia
