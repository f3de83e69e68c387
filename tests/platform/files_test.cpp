#include "platform/error.h"
#include "platform/files.h"
#include "support/support.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace cotavia;

TEST(Files, SplitLinesEndsAtCrLfLoneLfAndLoneCr) {
  // "c\r\r\n": a lone CR, then CR LF ending an empty line.
  const QList<QByteArray> want{"a", "b", "c", "", "", "d", "e", "", "last"};
  EXPECT_EQ(splitLines("a\r\nb\nc\r\r\n\r\nd\re\n\rlast"), want);
  EXPECT_TRUE(splitLines("").isEmpty());
  EXPECT_EQ(splitLines("x\r\n").size(), 1);
  EXPECT_EQ(splitLines("x\r").size(), 1);
}

TEST(Files, AtomicWriteReplacesWholeOrLeavesTargetUntouched) {
  test::TempDir d;
  atomicWriteLines(d.file("F.KSD"), {"one", "two"});
  EXPECT_EQ(d.read("F.KSD"), "one\r\ntwo\r\n");
  // A folder that does not exist: the error names the file and nothing is left behind.
  try {
    atomicWrite(d.file("missing/F.KSD"), "x");
    FAIL() << "no error";
  } catch (const AppError& e) {
    EXPECT_NE(std::string(e.what()).find("missing/F.KSD"), std::string::npos);
  }
  // A read-only folder keeps the old file as it was.
  QFile::setPermissions(d.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  if (!QFile(d.file("probe")).open(QIODevice::WriteOnly)) { // root ignores permissions
    EXPECT_THROW(atomicWrite(d.file("F.KSD"), "new"), AppError);
    EXPECT_EQ(d.read("F.KSD"), "one\r\ntwo\r\n");
  }
  QFile::setPermissions(d.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  EXPECT_EQ(QDir(d.path()).entryList(QDir::Files).size(), d.exists("probe") ? 2 : 1);
}

TEST(Files, CopyIsCheckedAndOntoItselfIsHarmless) {
  test::TempDir d;
  d.write("A", "content");
  copyFileChecked(d.file("A"), d.file("B"));
  EXPECT_EQ(d.read("B"), "content");
  copyFileChecked(d.file("A"), d.file("A"));
  EXPECT_EQ(d.read("A"), "content");
  EXPECT_THROW(copyFileChecked(d.file("none"), d.file("C")), AppError);
  EXPECT_THROW(copyFileChecked(d.file("A"), d.file("nofolder/C")), AppError);
}

TEST(Files, ReadingAMissingFileSaysFileNotFound) {
  try {
    readWholeFile("/nonexistent/P0001.KVT");
    FAIL();
  } catch (const AppError& e) {
    EXPECT_STREQ(e.what(), "/nonexistent/P0001.KVT: File not found");
  }
}
