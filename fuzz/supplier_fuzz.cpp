// Supplier files: CNPJCPF.KSD and FORNEC.KSD with any content are read without harm; what is
// read and written again reads back the same.
#include "app/core/proposal_file.h"
#include "app/core/supplier.h"
#include "fuzz_support.h"
#include "platform/error.h"

#include <cstdint>

using namespace cotavia;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
  const QString folder = fuzz::workFolder();
  fuzz::writeBytes(fuzz::workFile(kIdentityFileName), content);
  fuzz::writeBytes(fuzz::workFile(kSupplierFileName), content);

  const std::optional<QByteArray> line = readIdentityLine(folder);
  FUZZ_CHECK(line.has_value());
  FUZZ_CHECK(!line->contains('\n'));
  const QByteArray display = identityDisplay(*line);
  FUZZ_CHECK(display.startsWith("CNPJ: ") || display.startsWith("CPF: "));

  if (const std::optional<QByteArray> id = readIdentity(folder)) {
    FUZZ_CHECK(id->size() <= 14 && line->startsWith(*id));
    try {
      checkIdentityForFileName(*id);
      const QString name = responseFileName(*id, QStringLiteral("P0001.KVT"));
      FUZZ_CHECK(!name.contains(QLatin1Char('/')) && !name.contains(QLatin1String("..")));
    } catch (const AppError&) {
    }
    const QByteArray stored = writeIdentity(folder, *id);
    FUZZ_CHECK(stored == padIdentity(*id));
    // Stored again, it is found again, unless its first 14 characters are all blanks or control
    // characters (the rest of the line made it usable): then the next start asks for it anew.
    bool usable = false;
    for (char c : *id) usable = usable || static_cast<unsigned char>(c) > ' ';
    FUZZ_CHECK(readIdentity(folder) == (usable ? std::optional<QByteArray>(stored.left(14)) : std::nullopt));
  }

  FUZZ_CHECK(supplierDataExists(folder));
  const SupplierData d = readSupplierData(folder);
  writeSupplierData(folder, d);
  const SupplierData e = readSupplierData(folder);
  FUZZ_CHECK(e.name == d.name && e.address == d.address && e.city == d.city);
  return 0;
}
