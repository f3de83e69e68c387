#include "report/engine/text_table.h"

#include "platform/error.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <QDir>

using namespace cotavia;

namespace {

QList<QByteArray> visible(TextTable& t) {
  QList<QByteArray> out;
  for (t.first(); !t.eof(); t.next()) out << t.field1();
  return out;
}

void itemsOnly(TextTable& t, bool& accept) { accept = t.field1().startsWith('I'); }

}  // namespace

TEST(TextTable, RecordsAreLinesInFileOrderWithTheFilterHidingRejectedOnes) {
  test::TempDir dir;
  const QByteArray longLine = "I" + QByteArray(450, 'x') + "END";
  dir.write("P0001.KVT", "CHeader 1\r\nI0001 first\r\niLowercase\r\n\r\n" + longLine + "\r\nCTrailer\nI0003 lf end");
  TextTable t;
  t.setDatabaseName(dir.path());
  t.setTableName("P0001.KVT");
  t.open();
  ASSERT_TRUE(t.active());
  // Unfiltered: every line, the empty one and the lone-LF ended ones included, whole.
  auto all = visible(t);
  ASSERT_EQ(all.size(), 7);
  EXPECT_EQ(all[0], "CHeader 1");
  EXPECT_EQ(all[3], "");
  EXPECT_EQ(all[4], longLine);  // longer than the 400-character field: kept whole
  EXPECT_EQ(all[6], "I0003 lf end");

  // Filtered: the handler sees each record and navigation, count and position skip rejections.
  int calls = 0;
  t.setOnFilterRecord([&](TextTable& tt, bool& accept) {
    ++calls;
    itemsOnly(tt, accept);
  });
  t.setFiltered(true);
  EXPECT_EQ(t.recordCount(), 3);
  t.first();
  EXPECT_EQ(t.recNo(), 1);
  EXPECT_EQ(t.field1(), "I0001 first");
  t.next();
  EXPECT_EQ(t.recNo(), 2);
  EXPECT_EQ(t.field1(), longLine);
  t.next();
  EXPECT_EQ(t.field1(), "I0003 lf end");
  t.next();
  EXPECT_TRUE(t.eof());
  EXPECT_EQ(t.field1(), QByteArray());
  t.next();  // past the end stays at the end
  EXPECT_TRUE(t.eof());
  EXPECT_GT(calls, 0);

  // Closing drops the records; reopening reads the file again as it is now.
  t.close();
  EXPECT_TRUE(t.eof());
  EXPECT_EQ(t.recordCount(), 0);
  dir.write("P0001.KVT", "C\r\nI9\r\n");
  t.open();
  EXPECT_EQ(visible(t), QList<QByteArray>{"I9"});
}

TEST(TextTable, FilesWithoutAcceptedRecordsAndEmptyFilesGiveNoRecords) {
  test::TempDir dir;
  dir.write("H.KVT", "C1\r\nC2\r\n");
  dir.write("E.KVT", "");
  for (const char* name : {"H.KVT", "E.KVT"}) {
    TextTable t;
    t.setDatabaseName(dir.path());
    t.setTableName(name);
    t.setFiltered(true);
    t.setOnFilterRecord(itemsOnly);
    t.open();
    t.first();
    EXPECT_TRUE(t.eof()) << name;
    EXPECT_EQ(t.recordCount(), 0) << name;
    EXPECT_EQ(t.recNo(), 0) << name;
  }
}

TEST(TextTable, AFileThatCannotBeOpenedIsReportedNamingItAndTheTableStaysClosed) {
  test::TempDir dir;
  TextTable t;
  t.setDatabaseName(dir.path());
  t.setTableName("P0404.KVT");
  try {
    t.open();
    FAIL() << "opened a missing file";
  } catch (const AppError& e) {
    EXPECT_NE(QString::fromUtf8(e.what()).indexOf(dir.file("P0404.KVT")), -1) << e.what();
  }
  EXPECT_FALSE(t.active());
  EXPECT_TRUE(t.eof());

  // A folder in place of the file, and a table without a file name, fail the same way.
  QDir(dir.path()).mkdir("P0002.KVT");
  t.setTableName("P0002.KVT");
  EXPECT_THROW(t.open(), AppError);
  t.setTableName("");
  EXPECT_THROW(t.open(), AppError);
  EXPECT_FALSE(t.active());
}

TEST(TextTable, FolderAndFileNameCannotChangeUnderAnOpenTable) {
  test::TempDir dir;
  dir.write("A.KVT", "I1\r\n");
  dir.write("B.KVT", "I2\r\n");
  TextTable t;
  t.setDatabaseName(dir.path());
  t.setTableName("A.KVT");
  t.open();
  EXPECT_THROW(t.setTableName("B.KVT"), AppError);
  EXPECT_EQ(t.tableName(), "A.KVT");
  EXPECT_EQ(visible(t), QList<QByteArray>{"I1"});
  t.close();
  t.setTableName("B.KVT");
  t.open();
  EXPECT_EQ(visible(t), QList<QByteArray>{"I2"});
}
