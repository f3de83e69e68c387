// Page store: the splay coder's bits, the page stream's spill, the record format and its walk,
// and refusal of damaged report files.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>

#include "report/pages/rp_pagestore.h"
#include "report/rp_test_util.h"
#include "support/support.h"

using namespace cotavia;
using namespace cotavia::test;

namespace {

QByteArray streamCompress(const QByteArray& in) {
  TRpStream s(1 << 30);
  {
    TRpCompress c(&s, true);
    for (char ch : in) c.Put(uint8_t(ch));
  }
  QByteArray out(s.Size(), '\0');
  s.Seek(0);
  s.ReadExact(out.data(), out.size());
  return out;
}

// A store of n marked pages saved to a file; returns the file's bytes.
QByteArray savedStore(const TempDir& dir, int n, bool compressed, const QString& name = "r.rpf") {
  TRpPageList list;
  list.SetCompression(compressed);
  list.SetStream(std::make_unique<TRpStream>(100000));
  for (int i = 1; i <= n; ++i) list.AddPage(markedPage(i));
  list.WriteFileHeader();
  list.SaveToFile(dir.file(name));
  return dir.read(name);
}

QString loadError(const TempDir& dir, const QByteArray& bytes) {
  dir.write("bad.rpf", bytes);
  TRpPageList list;
  try {
    list.LoadFromFile(dir.file("bad.rpf"));
  } catch (const ERpError& e) {
    return e.message();
  }
  return QString();
}

}  // namespace

TEST(RpCompress, FreshCoderBitsAndOrder) {
  // Byte 0 is leaf 256, seven lefts then one right below the root: 0,0,0,0,0,0,0,1 least
  // significant bit first.
  EXPECT_EQ(TRpCompress::compressBytes(QByteArray(1, '\0')), QByteArray(1, char(128)));
  EXPECT_EQ(streamCompress(QByteArray(1, '\0')), QByteArray(1, char(128)));
  // Byte 255 sits one level deeper (leaf 511 under node 255): 9 bits, two output bytes.
  EXPECT_EQ(TRpCompress::compressBytes(QByteArray(1, char(255))).size(), 2);
  // Eight bytes of 1-bit codes are impossible on a fresh tree; the output grows by whole bytes.
  EXPECT_TRUE(TRpCompress::compressBytes(QByteArray()).isEmpty());
}

TEST(RpCompress, RoundTripsAndStreamAgreesWithBulk) {
  QRandomGenerator rng(42);
  QList<QByteArray> inputs = {QByteArray(1, 'a'), QByteArray(5000, '\0'), QByteArray(3000, char(255))};
  for (int len : {1, 2, 7, 255, 4096, 100000}) {
    QByteArray r(len, Qt::Uninitialized);
    for (auto& c : r) c = char(rng.bounded(256));
    inputs.append(r);
  }
  QByteArray skewed(20000, Qt::Uninitialized);  // long runs deepen some leaves past 32 levels
  for (int i = 0; i < skewed.size(); ++i) skewed[i] = char(i < 10000 ? i % 256 : (i % 97 == 0 ? 200 : 3));
  inputs.append(skewed);
  for (const QByteArray& in : inputs) {
    const QByteArray coded = TRpCompress::compressBytes(in);
    EXPECT_EQ(coded, streamCompress(in)) << in.size();
    EXPECT_EQ(TRpCompress::expandBytes(coded.constData(), coded.size(), in.size()), in) << in.size();
    // The streaming decoder reads the same bits.
    TRpStream s(1 << 30);
    s.Write(coded.constData(), coded.size());
    s.Seek(0);
    TRpCompress d(&s, false);
    QByteArray back;
    for (int i = 0; i < in.size(); ++i) back.append(char(d.Get()));
    EXPECT_EQ(back, in);
  }
}

TEST(RpCompress, KnownBitStreamStaysTheSame) {
  // Report files written earlier must keep loading: the coder's output for a fixed input is
  // pinned (length and SHA-1 of the coded bytes as the coder has always produced them).
  QByteArray in;
  quint32 x = 12345;
  for (int i = 0; i < 40000; ++i) {  // text-like: mostly a few letters, now and then any byte
    x = x * 1103515245u + 12345u;
    const quint32 r = x >> 16;
    in.append(r % 16 == 0 ? char(r >> 8) : "ETAOIN SHRDLU 0123"[r % 18]);
  }
  for (int i = 0; i < 256; ++i) in.append(char(i));       // every leaf once
  for (int i = 0; i < 5000; ++i) in.append(char(i % 2));  // two leaves at the top
  for (int i = 255; i >= 0; --i) in.append(char(i));      // then the deep ones
  const QByteArray coded = TRpCompress::compressBytes(in);
  EXPECT_EQ(coded.size(), 30116);
  EXPECT_EQ(QCryptographicHash::hash(coded, QCryptographicHash::Sha1).toHex(),
            QByteArray("75a29170da9cfbf70de221a8ceffc01c5ec2beba"));
  EXPECT_EQ(streamCompress(in), coded);

  // Pairs of neighbours taken in turn grow codes of close to 60 bits.
  QByteArray pairs;
  for (int rep = 0; rep < 20; ++rep)
    for (int i = 0; i < 256; ++i) pairs.append(char((i / 2) * 2 + (rep & 1)));
  const QByteArray pc = TRpCompress::compressBytes(pairs);
  EXPECT_EQ(TRpCompress::expandBytes(pc.constData(), pc.size(), pairs.size()), pairs);
  EXPECT_EQ(streamCompress(pairs), pc);
}

TEST(RpCompress, RefusesTruncatedOrOverlongData) {
  const QByteArray in(1000, 'x');
  const QByteArray coded = TRpCompress::compressBytes(in);
  EXPECT_THROW(TRpCompress::expandBytes(coded.constData(), coded.size() / 2, in.size()), ERpError);
  // More output than eight bytes per coded byte is refused before anything is allocated.
  EXPECT_THROW(TRpCompress::expandBytes(coded.constData(), 4, 1LL << 40), ERpError);
}

TEST(RpStream, SpillsToATemporaryFileThatHasNoName) {
  // Nothing appears in the temporary folder, even while spilled: a killed program leaves nothing.
  const QStringList before = spillFiles();
  {
    TRpStream s(100000);
    QByteArray block(99999, 'a');
    s.Write(block.constData(), block.size());
    s.Write("b", 1);  // exactly the limit: still in memory
    EXPECT_TRUE(s.InMemory());
    s.Write("c", 1);
    EXPECT_FALSE(s.InMemory());
    EXPECT_TRUE(s.FileName().isEmpty());
    EXPECT_EQ(spillFiles(), before);
    s.Write(block.constData(), block.size());
    // The content survived the move.
    QByteArray back(s.Size(), '\0');
    s.Seek(0);
    s.ReadExact(back.data(), back.size());
    EXPECT_EQ(back.mid(99998, 3), QByteArray("abc"));
    EXPECT_EQ(back.size(), 2 * 99999 + 2);
  }
  EXPECT_EQ(spillFiles(), before);
}

// A temporary folder that is full is named, with TMPDIR, instead of blaming the report's file.
TEST(RpStream, AFullTemporaryFolderIsNamed) {
  SmallFileSystem disk(64);
  if (!disk.mounted()) GTEST_SKIP() << "mounting a small file system is not permitted here";
  disk.fill();
  const QByteArray old = qgetenv("TMPDIR");
  qputenv("TMPDIR", QFile::encodeName(disk.path()));
  TRpStream s(10);
  try {
    s.Write(QByteArray(4096, 'a').constData(), 4096);
    ADD_FAILURE() << "spilled into a full folder";
  } catch (const AppError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::TempFolder);
    const QString text = userMessage(e);
    EXPECT_TRUE(text.contains("pasta temporária do sistema, \"" + disk.path() + "\"") && text.contains("TMPDIR") &&
                text.contains("sem espaço no disco"))
        << text.toStdString();
  }
  if (old.isEmpty())
    qunsetenv("TMPDIR");
  else
    qputenv("TMPDIR", old);
}

TEST(RpPageList, FileLayoutHeaderRecordsAndBackPointers) {
  TempDir dir;
  const QByteArray b = savedStore(dir, 3, false);
  EXPECT_EQ(qFromLittleEndian<qint16>(b.constData()), 3);
  EXPECT_EQ(qFromLittleEndian<qint16>(b.constData() + 2), 305);
  EXPECT_EQ(le32(b, 8), 3);
  EXPECT_EQ(b.at(25), 0);
  qint64 pos = 128;
  for (int n = 1; n <= 3; ++n) {
    EXPECT_EQ(le32(b, pos), n);
    const qint32 next = le32(b, pos + 4);
    EXPECT_EQ(le32(b, next - 4), pos) << "back pointer of page " << n;
    // The raw picture as QDataStream writes it: a big-endian length, then the data.
    EXPECT_EQ(qFromBigEndian<quint32>(b.constData() + pos + 8), quint32(next - pos - 16));
    pos = next;
  }
  EXPECT_EQ(pos, b.size());
  const QByteArray c = savedStore(dir, 3, true, "c.rpf");
  EXPECT_EQ(c.at(25), 1);
}

TEST(RpPageList, ReadsPagesBackWithOneStepPerPage) {
  for (bool compressed : {false, true}) {
    TempDir dir;
    savedStore(dir, 5, compressed);
    TRpPageList list;
    list.LoadFromFile(dir.file("r.rpf"));
    ASSERT_EQ(list.PageCount(), 5);
    EXPECT_EQ(list.Compression(), compressed);
    auto check = [&](int n) {
      auto m = list.GetPage(n);
      ASSERT_TRUE(m);
      EXPECT_EQ(QByteArray(m->data(), m->size()), QByteArray(markedPage(n).data(), markedPage(n).size()));
    };
    check(1);
    EXPECT_EQ(list.WalkSteps(), 1);  // page 1 sits at offset 128
    for (int n = 2; n <= 4; ++n) {
      check(n);
      EXPECT_EQ(list.WalkSteps(), 1) << n;
    }
    check(5);
    check(3);  // from the end: the last record, then two records back
    EXPECT_EQ(list.WalkSteps(), 3);
    EXPECT_FALSE(list.GetPage(0));
    EXPECT_FALSE(list.GetPage(6));
  }
}

TEST(RpPageList, RefusesDamagedFilesNamingTheProblem) {
  TempDir dir;
  const QByteArray good = savedStore(dir, 3, false);
  const qint32 next1 = le32(good, 128 + 4);
  const qint32 next2 = le32(good, next1 + 4);

  EXPECT_TRUE(loadError(dir, good).isEmpty());
  EXPECT_TRUE(loadError(dir, good.left(100)).contains("truncated"));
  EXPECT_TRUE(loadError(dir, good.left(good.size() - 5)).contains("truncated") ||
              loadError(dir, good.left(good.size() - 5)).contains("outside"));
  QByteArray notRpf = good;
  notRpf[2] = 0;
  EXPECT_TRUE(loadError(dir, notRpf).contains("not a report file"));

  QByteArray outside = good;
  setLe32(outside, next1 + 4, 0x7fff0000);
  EXPECT_TRUE(loadError(dir, outside).contains("outside the file"));

  QByteArray loop = good;
  setLe32(loop, next1 + 4, 128);  // page 2 leads back to page 1
  EXPECT_TRUE(loadError(dir, loop).contains("loops"));

  QByteArray order = good;
  setLe32(order, next1, 3);
  setLe32(order, next2, 2);
  EXPECT_TRUE(loadError(dir, order).contains("out of order"));

  QByteArray count = good;
  setLe32(count, 8, 1000000);
  EXPECT_FALSE(loadError(dir, count).isEmpty());
  setLe32(count, 8, -1);
  EXPECT_FALSE(loadError(dir, count).isEmpty());

  QByteArray back = good;
  setLe32(back, next2 - 4, 999);
  EXPECT_TRUE(loadError(dir, back).contains("back pointer"));

  const QByteArray comp = savedStore(dir, 2, true, "c.rpf");
  QByteArray huge = comp;
  setLe32(huge, 128 + 8, 0x7fffffff);
  const QString e = loadError(dir, huge);
  EXPECT_TRUE(e.contains("compressed length")) << e.toStdString();
  EXPECT_TRUE(e.contains("bad.rpf")) << "the message names the file";

  EXPECT_TRUE(loadError(dir, good + QByteArray(40, 'x')).contains("after the last page"));
}

TEST(RpPageList, MissingFileAndUnwritableTargetRaise) {
  TempDir dir;
  TRpPageList list;
  EXPECT_THROW(list.LoadFromFile(dir.file("none.rpf")), ERpError);
  savedStore(dir, 1, false);
  TRpPageList l2;
  l2.LoadFromFile(dir.file("r.rpf"));
  EXPECT_THROW(l2.SaveToFile(dir.file("no/such/folder/x.rpf")), AppError);  // the save's own error says why
}

// A page that could not be stored (here: a read-only stream) is reported to whoever asks first,
// the PDF export reading pages while the report generates, and still to the save that follows:
// a store missing a page is never written as a report file.
TEST(RpPageList, APageThatCouldNotBeStoredIsReportedToEveryReaderAfter) {
  TempDir dir;
  savedStore(dir, 1, false);
  TRpPageList list;
  list.SetStream(TRpStream::openFile(dir.file("r.rpf")));
  list.AddPage(markedPage(1));
  EXPECT_THROW(list.GetPage(1), ERpError);
  EXPECT_THROW(list.SaveToFile(dir.file("out.rpf")), ERpError);
  EXPECT_FALSE(dir.exists("out.rpf"));
}
