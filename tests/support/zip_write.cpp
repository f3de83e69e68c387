#include "support/zip_write.h"

#include <zip.h>
#include <stdexcept>

namespace cotavia::test {

QByteArray zipArchive(const QList<std::pair<QString, QByteArray>>& entries, bool store) {
  zip_error_t err;
  zip_error_init(&err);
  zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &err);
  if (!out) throw std::runtime_error("zip: no buffer");
  zip_source_keep(out);
  zip_t* z = zip_open_from_source(out, ZIP_TRUNCATE, &err);
  if (!z) throw std::runtime_error(std::string("zip: ") + zip_error_strerror(&err));
  for (const auto& [name, data] : entries) {
    // libzip reads the data when the archive is closed: `entries` outlives that.
    zip_source_t* s = zip_source_buffer_create(data.constData(), zip_uint64_t(data.size()), 0, &err);
    const zip_int64_t i = s ? zip_file_add(z, name.toUtf8().constData(), s, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) : -1;
    if (i < 0) {
      if (s) zip_source_free(s);
      zip_discard(z);
      zip_source_free(out);
      throw std::runtime_error("zip: cannot add " + name.toStdString());
    }
    if (store || name == QLatin1String("mimetype")) zip_set_file_compression(z, zip_uint64_t(i), ZIP_CM_STORE, 0);
  }
  if (zip_close(z) != 0) throw std::runtime_error(std::string("zip: ") + zip_strerror(z));
  QByteArray bytes;
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_source_stat(out, &st) == 0 && zip_source_open(out) == 0) {
    bytes.resize(qsizetype(st.size));
    const zip_int64_t n = zip_source_read(out, bytes.data(), st.size);
    bytes.resize(n < 0 ? 0 : qsizetype(n));
    zip_source_close(out);
  }
  zip_source_free(out);
  zip_error_fini(&err);
  return bytes;
}

}  // namespace cotavia::test
