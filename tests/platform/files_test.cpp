#include "platform/files.h"
#include "platform/error.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <thread>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace cotavia;

// Every fsync of this program passes through here, so a test sees which files were synced.
namespace {
QStringList g_synced;
}
extern "C" int fsync(int fd) {
  static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
  g_synced << QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(fd)).symLinkTarget();
  return real(fd);
}

TEST(Files, SplitLinesEndsAtCrLfLoneLfAndLoneCr) {
  // "c\r\r\n": a lone CR, then CR LF ending an empty line.
  const QList<QByteArray> want{"a", "b", "c", "", "", "d", "e", "", "last"};
  EXPECT_EQ(splitLines("a\r\nb\nc\r\r\n\r\nd\re\n\rlast"), want);
  EXPECT_TRUE(splitLines("").isEmpty());
  EXPECT_EQ(splitLines("x\r\n").size(), 1);
  EXPECT_EQ(splitLines("x\r").size(), 1);
}

TEST(Files, TheStartOfAFileHoldsItsFirstLinesWhole) {
  QTemporaryDir dir;
  const QString path = dir.filePath("P.KVT");
  // Line ends of every kind, a CR LF split across read blocks, fewer lines than asked, one long line.
  QByteArray blockEdge(64 * 1024 - 1, 'x');
  blockEdge += "\r\nsecond\r\nthird";
  const QByteArray contents[] = {"a\r\nb\nc\r\r\n\r\nd\re\n\rlast", blockEdge, "only\r\ntwo", "",
                                 QByteArray(200 * 1024, 'y') + "\n" + QByteArray(100 * 1024, 'z')};
  for (const QByteArray& content : contents) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
    f.close();
    for (int n : {1, 2, 3, 6}) {
      const QByteArray start = readFileStart(path, n);
      EXPECT_TRUE(content.startsWith(start));
      EXPECT_EQ(splitLines(start).mid(0, n), splitLines(content).mid(0, n))
          << n << " lines of " << content.left(40).constData();
    }
  }
  // A proposal's header is read, not its items.
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(QByteArray("header\r\n").repeated(20) + QByteArray(1 << 20, 'i'));
  f.close();
  EXPECT_LE(readFileStart(path, 6).size(), 64 * 1024);
}

TEST(Files, AtomicWriteReplacesWholeOrLeavesTargetUntouched) {
  test::TempDir d;
  g_synced.clear();
  atomicWriteLines(d.file("F.KSD"), {"one", "two"});
  EXPECT_EQ(d.read("F.KSD"), "one\r\ntwo\r\n");
  // The bytes reached the disk before the rename: the temporary file itself was synced.
  EXPECT_EQ(g_synced.filter(QRegularExpression("/\\.cotavia\\.F\\.KSD\\.[^/]*\\.tmp$")).size(), 1)
      << g_synced.join(' ').toStdString();
  // A folder that does not exist: the error names the file and nothing is left behind.
  try {
    atomicWrite(d.file("missing/F.KSD"), "x");
    FAIL() << "no error";
  } catch (const AppError& e) {
    EXPECT_NE(std::string(e.what()).find("missing/F.KSD"), std::string::npos);
  }
  // A read-only folder keeps the old file as it was.
  QFile::setPermissions(d.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  if (!QFile(d.file("probe")).open(QIODevice::WriteOnly)) {  // root ignores permissions
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

namespace {
QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System); }
}  // namespace

TEST(Files, AFailedStepOfASaveLeavesTheTargetAsItWasAndSaysWhy) {
  test::TempDir d;
  d.write("F.KSD", "old\r\n");
  const test::NoFaults restore;
  // A full disk, and a full quota, at each step.
  for (auto [step, err] :
       {std::pair{FileStep::Create, ENOSPC}, std::pair{FileStep::Write, ENOSPC}, std::pair{FileStep::Sync, ENOSPC},
        std::pair{FileStep::Close, ENOSPC}, std::pair{FileStep::Rename, ENOSPC}, std::pair{FileStep::Write, EDQUOT}}) {
    setFileFaultHook([step, err](FileStep s, const QString&) { return s == step ? err : 0; });
    // Small and large saves, and the bytes of a writer that takes a QIODevice (PDF, report file).
    for (int size : {10, 200000, -1}) {
      const std::string what =
          "step " + std::to_string(int(step)) + ", errno " + std::to_string(err) + ", size " + std::to_string(size);
      try {
        if (size < 0) {
          AtomicFile f(d.file("F.KSD"));
          f.create();
          QIODevice& device = f;
          // A writer going on after a failed write gets failed writes, without Qt's warnings.
          int warnings = 0;
          static int* counted;
          counted = &warnings;
          const QtMessageHandler previous =
              qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) { ++*counted; });
          for (int i = 0; i < 3; ++i) device.write(QByteArray(i ? 100000 : 100, 'n'));
          qInstallMessageHandler(previous);
          EXPECT_EQ(warnings, 0) << what;
          f.commit();
        } else {
          atomicWrite(d.file("F.KSD"), QByteArray(size, 'n'));
        }
        ADD_FAILURE() << what << ": no error";
      } catch (const AppError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::NoSpace) << what;
        EXPECT_EQ(e.what(), d.file("F.KSD").toStdString() + ": sem espaço no disco") << what;
      }
      EXPECT_EQ(d.read("F.KSD"), "old\r\n") << what;
      EXPECT_EQ(filesIn(d.path()), QStringList{"F.KSD"}) << what;
    }
  }
}

TEST(Files, NothingIsWrittenThroughALinkOrIntoAFifoAndOnlyRegularFilesAreRead) {
  test::TempDir d, outside;
  outside.write("passwd", "keep");
  ASSERT_EQ(
      ::symlink(QFile::encodeName(outside.file("passwd")).constData(), QFile::encodeName(d.file("L.KSD")).constData()),
      0);
  ASSERT_EQ(::mkfifo(QFile::encodeName(d.file("FIFO.KSD")).constData(), 0644), 0);
  for (const auto& [name, kind] : {std::pair{"L.KSD", ErrorKind::Link}, std::pair{"FIFO.KSD", ErrorKind::NotRegular}}) {
    try {
      atomicWrite(d.file(name), "new");
      ADD_FAILURE() << name << ": no error";
    } catch (const AppError& e) {
      EXPECT_EQ(e.kind(), kind) << name;
      EXPECT_EQ(e.file(), d.file(name));
    }
  }
  EXPECT_EQ(outside.read("passwd"), "keep");
  EXPECT_EQ(filesIn(d.path()), QStringList({"FIFO.KSD", "L.KSD"}));
  // Reading: a FIFO, a device or a folder is refused at once; a link the user made is read.
  for (const QString& path : {d.file("FIFO.KSD"), QString("/dev/null"), d.path()}) {
    try {
      readWholeFile(path);
      ADD_FAILURE() << path.toStdString() << ": no error";
    } catch (const AppError& e) {
      EXPECT_EQ(e.kind(), ErrorKind::NotRegular) << path.toStdString();
      EXPECT_NE(std::string(e.what()).find("não é um arquivo comum"), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(readWholeFile(d.file("L.KSD")), "keep");
  // A FIFO with a writer waiting for a reader is refused without being opened: the writer stays
  // waiting.
  std::atomic<int> writer{-1};
  std::thread waiting([&] { writer = ::open(QFile::encodeName(d.file("FIFO.KSD")).constData(), O_WRONLY); });
  QThread::msleep(100);
  EXPECT_THROW(readWholeFile(d.file("FIFO.KSD")), AppError);
  QThread::msleep(200);
  EXPECT_EQ(writer, -1) << "the FIFO was opened";
  const int reader = ::open(QFile::encodeName(d.file("FIFO.KSD")).constData(), O_RDONLY | O_NONBLOCK);
  waiting.join();
  ::close(writer);
  ::close(reader);
}

TEST(Files, ASecondSaveOfTheSameProposalWaitsThenIsRefused) {
  test::TempDir d;
  {
    const SaveLock held(d.path(), "P0001.KVT");
    try {
      SaveLock second(d.path(), "P0001.KVT", 100);
      ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
      EXPECT_EQ(e.kind(), ErrorKind::Busy);
      EXPECT_NE(std::string(e.what()).find("outra gravação desta proposta está em andamento"), std::string::npos);
    }
    const SaveLock other(d.path(), "P0002.KVT", 0);  // another proposal is not held up
  }
  const SaveLock again(d.path(), "P0001.KVT", 0);
  EXPECT_EQ(filesIn(d.path()).size(), 1);
}
