// Report files: any content is loaded or refused with a message; the pages of a loaded file are
// read in the order the preview reads them and drawn; saved again, the file is the same bytes.
#include "fuzz_support.h"
#include "report/rp_pagestore.h"

#include <QImage>
#include <QPainter>
#include <cstdint>

using namespace cotavia;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::startApp();
  return 0;
}

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
  QList<int> order = {1, count, count / 2, 2, count - 1, count + 1, 0};
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
  return 0;
}
