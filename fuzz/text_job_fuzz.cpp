// Text job files: any content is loaded or refused with the engine's error; a loaded job is drawn as the
// preview draws it, exported as text and printed into a printer file; saved again, it loads
// back with the same items and control record.
#include "fuzz_support.h"
#include "textprint/txitem.h"
#include "textprint/txprint.h"

#include <QPicture>
#include <algorithm>
#include <cstdint>

using namespace cotavia;

namespace {

// No windows, nothing recorded.
class QuietUi : public TxPrintUi {
 public:
  bool mostraSetup(TTxPrint&, TxSetupValues&) override { return true; }
  void mostraPreview(TTxPrint&) override {}
  void iniciaProgresso(TTxPrint&, const QString&, const QString&, qint64) override {}
  void avancaProgresso(TTxPrint&) override {}
  void terminaProgresso(TTxPrint&) override {}
  bool perguntaRepetir(TTxPrint&, const QString&) override { return false; }
  void mostraAviso(TTxPrint&, const QString&) override {}
};

QByteArray noBreaks(QByteArray t) {
  for (char& c : t)
    if (c == '\r' || c == '\n') c = ' ';
  return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
  const QString job = fuzz::workFile(QStringLiteral("job.rtx"));
  fuzz::writeBytes(job, content);

  QuietUi ui;
  TTxPrint tx;
  tx.setUi(&ui);
  tx.TestarPorta = false;
  // The printer model and accent mode follow the input's size, so every model sees inputs.
  static const TModelo kModels[] = {TModelo::Epson, TModelo::Rima, TModelo::HP, TModelo::Personalizado};
  tx.Impressora = kModels[size % 4];
  tx.Acentuacao = (size / 4) % 2 ? TAcento::SemAcento : TAcento::Transliterate;
  try {
    if (!tx.LerRelatorio(job)) return 0;
  } catch (const AppError&) {
    return 0;  // refused, the job as it was
  }

  const QList<QByteArray> items = tx.Itens();
  FUZZ_CHECK(std::is_sorted(items.begin(), items.end()));
  for (const QByteArray& it : items) {
    TxItem parsed;
    FUZZ_CHECK(LeItem(it, parsed));
  }
  FUZZ_CHECK(tx.TamanhoQteLinhas >= 1 && tx.TamanhoQteColunas >= 1);

  // The preview: the first pages of the job.
  const int first = items.isEmpty() ? 1 : std::max(PaginaDoItem(items.first()), 0);
  const int last = std::min(first + 2, tx.UltimaPagina());
  for (int p = first; p <= last; ++p) {
    QPicture pic;
    tx.DesenhaPagina(p, pic, true);
  }
  tx.GravarTexto(fuzz::workFile(QStringLiteral("job.txt")));
  // Printer bytes of those pages into a file.
  TxSetupValues v = tx.ValoresSetup();
  v.modelo = tx.Impressora;
  v.paginaInicial = first;
  v.paginaFinal = last;
  v.copias = 1;
  tx.AplicaSetup(v);
  // A job of no items is refused with the engine's error.
  try {
    tx.Imprimir(fuzz::workFile(QStringLiteral("job.prn")));
  } catch (const AppError&) {
    FUZZ_CHECK(items.isEmpty());
  }

  // Saved and loaded again: the same items (line breaks inside a text become blanks).
  const QByteArray title = tx.TitulodoRelatorio;
  const int lines = tx.TamanhoQteLinhas, columns = tx.TamanhoQteColunas;
  const QString copy = fuzz::workFile(QStringLiteral("copy.rtx"));
  FUZZ_CHECK(tx.GravarRelatorio(copy));
  TTxPrint again;
  again.setUi(&ui);
  FUZZ_CHECK(again.LerRelatorio(copy));
  QList<QByteArray> expected;
  for (const QByteArray& it : items) expected.append(noBreaks(it));
  std::sort(expected.begin(), expected.end());
  FUZZ_CHECK(again.Itens() == expected);
  FUZZ_CHECK(again.TitulodoRelatorio == noBreaks(title));
  FUZZ_CHECK(again.TamanhoQteLinhas == lines && again.TamanhoQteColunas == columns);
  return 0;
}
