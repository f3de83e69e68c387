// Report files: any content is loaded or refused with a message; the pages of a loaded file are
// read in the order the preview reads them; saved again, the file is the same bytes; the report
// printer loads it or refuses it with a message; every page handed out is drawn, and a loaded
// file is exported to PDF.
//
// A custom mutator repairs, for half of the mutated inputs, what the loader checks (page
// numbers, record offsets, picture lengths, back pointers, the pictures' checksums), so that
// mutations also reach the page contents and the programs that read them.
#include "fuzz_support.h"
#include "report/output/rp_export.h"
#include "report/output/rp_printer.h"
#include "report/pages/rp_pagestore.h"

#include <QImage>
#include <QPainter>
#include <QtEndian>
#include <cstdint>
#include <cstring>

using namespace cotavia;

namespace {

constexpr size_t kHeader = 128;

uint32_t le32(const uint8_t* p) { return qFromLittleEndian<quint32>(p); }
void putLe32(uint8_t* p, uint32_t v) { qToLittleEndian<quint32>(v, p); }

// Makes the file's container consistent again after a mutation (uncompressed files only):
// walks the records as far as their next offsets allow, renumbers them, fixes each picture's
// length, checksum and back pointer, cuts what follows the last whole record and sets the page
// count. Returns the new size.
[[maybe_unused]] size_t seal(uint8_t* data, size_t size) {
  if (size < kHeader + 16 || data[25] != 0) return size;
  qToLittleEndian<qint16>(3, data);
  qToLittleEndian<qint16>(305, data + 2);
  size_t pos = kHeader;
  uint32_t pages = 0;
  while (pos + 16 <= size) {
    size_t next = le32(data + pos + 4);
    if (next < pos + 16 || next > size) {
      if (pages > 0 && pos + 16 <= size)
        next = size;  // the last record takes the rest
      else
        break;
    }
    ++pages;
    putLe32(data + pos, pages);
    putLe32(data + pos + 4, uint32_t(next));
    const size_t picLen = next - pos - 16;
    qToBigEndian<quint32>(quint32(picLen), data + pos + 8);
    uint8_t* pic = data + pos + 12;
    if (picLen >= 6 && std::memcmp(pic, "QPIC", 4) == 0) {
      const quint16 cs = qChecksum(QByteArrayView(reinterpret_cast<const char*>(pic + 6), qsizetype(picLen - 6)));
      qToBigEndian<quint16>(cs, pic + 4);
    }
    putLe32(data + next - 4, uint32_t(pos));
    pos = next;
  }
  qToLittleEndian<qint32>(qint32(pages), data + 8);
  return pages > 0 ? pos : size;
}

}  // namespace

#ifdef COTAVIA_LIBFUZZER
extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned seed) {
  size = LLVMFuzzerMutate(data, size, maxSize);
  return seed % 2 ? seal(data, size) : size;
}
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
  const QString file = fuzz::workFile(QStringLiteral("report.rpf"));
  fuzz::writeBytes(file, content);

  TRpPageList list;
  try {
    list.LoadFromFile(file);
  } catch (const ERpError&) {
    return 0;
  }
  const int count = list.PageCount();
  FUZZ_CHECK(count >= 0);
  // First page, last page, then back and forth through the chain.
  const QList<int> order = {1, count, count / 2, 2, count - 1, count + 1, 0};
  QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
  for (int n : order) {
    std::unique_ptr<TRpMetafile> page;
    try {
      page = list.GetPage(n);
    } catch (const ERpError&) {
      continue;  // a damaged page is refused with a message
    }
    FUZZ_CHECK((n >= 1 && n <= count) == (page != nullptr));
    if (page) {
      QPainter painter(&image);
      page->play(&painter);
    }
  }
  const QString copy = fuzz::workFile(QStringLiteral("copy.rpf"));
  list.SaveToFile(copy);
  FUZZ_CHECK(fuzz::readBytes(copy) == content);

  // The preview's way: the report printer loads the file, then the PDF export reads every page.
  if (count <= 16) {
    TRpPrinter printer;
    try {
      printer.Load(file);
      rpExportPdf(printer, fuzz::workFile(QStringLiteral("report.pdf")));
    } catch (const ERpError&) {
    }
  }
  return 0;
}
