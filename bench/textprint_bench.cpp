// The proposal's text printout of 8999 items (about 750 pages) into the job, then the job's
// printer bytes, job file and text export; prints the milliseconds of each (best of several
// runs). Target: all four together under 300 ms. Then the load of a large job file stored in
// reverse order.
#include "app/core/text_printout.h"
#include "platform/dialogs.h"
#include "textprint/proposal_fixture.h"
#include "textprint/txitem.h"
#include "textprint/txprint.h"
#include "textprint/txstate.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

using namespace cotavia;

namespace {

double ms(const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  HeadlessDialogs dlg;
  DialogsGuard guard(&dlg);
  QTemporaryDir dir;
  const QByteArray id = "12345678000195";
  auto items = test::fixtureItems(8996);
  for (auto& it : items)
    it.description = (it.description + " DE ESCRIT\xD3RIO, EMBALAGEM COM 12 UNIDADES, COR SORTIDA").left(70);
  const auto supplier = test::fixtureSupplier();
  test::writeFixtureProposal(dir.path(), id, "P9999.KVT", test::fixtureHeaders(), items, &supplier);

  const int runs = 5;
  double best[4] = {1e9, 1e9, 1e9, 1e9};
  int pages = 0;
  qsizetype count = 0, prnSize = 0;
  for (int r = 0; r < runs; ++r) {
    TTxPrint tx;
    configureTxPrint1(tx);
    HeadlessTxPrintUi ui;
    tx.setUi(&ui);
    double t[4] = {0, 0, 0, 0};
    ui.aoMostrarPreview = [&](TTxPrint& j) {
      count = j.Itens().size();
      pages = j.UltimaPagina();
      t[1] = ms([&] { j.GravarImpressao(dir.filePath("P.PRN")); });
      t[2] = ms([&] { j.GravarRelatorio(dir.filePath("P.RTX")); });
      t[3] = ms([&] { j.GravarTexto(dir.filePath("P.TXT")); });
    };
    // The job is built until Fechar shows the (headless) preview.
    double untilPreview = 0;
    const auto t0 = std::chrono::steady_clock::now();
    tx.OnPreview = [&](TTxPrint&) {
      untilPreview = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    };
    TextPrintout p;
    p.proposal = {dir.path(), "P9999.KVT", id};
    if (!imprime_licitacao(tx, p)) return 1;
    t[0] = untilPreview;
    prnSize = QFileInfo(dir.filePath("P.PRN")).size();
    for (int i = 0; i < 4; ++i) best[i] = std::min(best[i], t[i]);
  }
  std::printf("text printout of 8999 items: %d pages, %lld job items, %lld printer bytes\n", pages,
              static_cast<long long>(count), static_cast<long long>(prnSize));
  std::printf("  printout into the job : %8.1f ms\n", best[0]);
  std::printf("  printer bytes (.PRN)  : %8.1f ms\n", best[1]);
  std::printf("  job file (.RTX)       : %8.1f ms\n", best[2]);
  std::printf("  text export (.TXT)    : %8.1f ms\n", best[3]);
  std::printf("  all four              : %8.1f ms (target < 300 ms)\n", best[0] + best[1] + best[2] + best[3]);

  // A job file of 400,000 items stored in reverse order loads with one sort.
  {
    QByteArray job = QByteArray(kIdRelatorio) +
                     "\r\n<< ESTE  ARQUIVO N\xC3O DEVE SER EDITADO >>\r\n400000\r\n"
                     "T\r\n000066\r\n000080\r\n6\r\nF10\r\n\r\n";
    job.reserve(job.size() + 400000 * 32);
    for (int i = 399999; i >= 0; --i)
      job += MontaItem(1 + i / 60, 1 + i % 60, 1, 16, 'T', "ITEM EM ORDEM INVERSA") + "\r\n";
    QFile f(dir.filePath("R.RTX"));
    if (!f.open(QIODevice::WriteOnly) || f.write(job) != job.size()) return 1;
    f.close();
    double load = 1e9;
    for (int r = 0; r < 3; ++r) {
      TTxPrint tx;
      HeadlessTxPrintUi ui;
      tx.setUi(&ui);
      load = std::min(load, ms([&] {
                        if (!tx.LerRelatorio(dir.filePath("R.RTX"))) std::exit(1);
                      }));
      if (tx.Itens().size() != 400000 || !std::is_sorted(tx.Itens().begin(), tx.Itens().end())) return 1;
    }
    std::printf("  job file of 400000 items in reverse order loaded: %8.1f ms (target < 2000 ms)\n", load);
  }
  return dlg.log.isEmpty() ? 0 : 1;
}
