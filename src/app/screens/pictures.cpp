#include "app/screens/pictures.h"

#include <QFile>
#include <QHash>
#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

// The pictures are compiled into this static library; register them before the first use.
static void initPictureResources() { Q_INIT_RESOURCE(pictures); }

namespace cotavia {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return: jump back out.
struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr info) {
  auto* err = reinterpret_cast<JpegError*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

void onJpegMessage(j_common_ptr, int) {}  // warnings of damaged data stay quiet

}  // namespace

QImage decodeJpeg(const QByteArray& bytes, QString* error) {
  if (bytes.isEmpty()) {
    if (error) *error = QStringLiteral("empty picture");
    return {};
  }
  // Everything the error path reads lives on the heap, out of reach of longjmp's register rules.
  struct Decoder {
    jpeg_decompress_struct info{};
    JpegError err{};
    QImage image;
    bool created = false;
  };
  auto d = std::make_unique<Decoder>();
  d->info.err = jpeg_std_error(&d->err.mgr);
  d->err.mgr.error_exit = onJpegError;
  d->err.mgr.emit_message = onJpegMessage;
  if (setjmp(d->err.jump)) {
    if (d->created) jpeg_destroy_decompress(&d->info);
    if (error) *error = QString::fromLatin1(d->err.message);
    return {};
  }
  jpeg_create_decompress(&d->info);
  d->created = true;
  jpeg_mem_src(&d->info, reinterpret_cast<const unsigned char*>(bytes.constData()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&d->info, TRUE);
  d->info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&d->info);
  const JDIMENSION w = d->info.output_width, h = d->info.output_height;
  if (d->info.output_components != 3 || w == 0 || h == 0 || w > 16384 || h > 16384) {
    jpeg_destroy_decompress(&d->info);
    if (error) *error = QStringLiteral("unsupported picture");
    return {};
  }
  d->image = QImage(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB888);
  while (d->info.output_scanline < h) {
    JSAMPROW row = d->image.scanLine(static_cast<int>(d->info.output_scanline));
    jpeg_read_scanlines(&d->info, &row, 1);
  }
  jpeg_finish_decompress(&d->info);
  jpeg_destroy_decompress(&d->info);
  return d->image;
}

QImage picture(const QString& name) {
  static const bool registered = (initPictureResources(), true);
  (void)registered;
  static QHash<QString, QImage> cache;
  auto it = cache.constFind(name);
  if (it != cache.constEnd()) return *it;
  QImage image;
  QFile f(QStringLiteral(":/pictures/") + name + QStringLiteral(".jpg"));
  if (f.open(QIODevice::ReadOnly)) image = decodeJpeg(f.readAll());
  cache.insert(name, image);
  return image;
}

}  // namespace cotavia
