// A real spooler: a private cupsd with a raw queue whose printer is a listener on loopback. The
// proposal printed through libcups must arrive byte for byte as the printer file holds it.
#include "platform/cups.h"
#include "app/core/text_printout.h"
#include "platform/dialogs.h"
#include "support/cups_server.h"
#include "support/support.h"
#include "textprint/proposal_fixture.h"
#include "textprint/txprint.h"

#include <gtest/gtest.h>
#include <QProcess>

using namespace cotavia;

TEST(CupsPrinting, ProposalArrivesAtTheRawQueueByteForByte) {
  test::LoopbackListener listener;
  ASSERT_TRUE(listener.ok());
  test::PrivateCupsServer server;
  QString error;
  // Never skipped: a machine without CUPS fails here with the reason.
  ASSERT_TRUE(server.start(&error)) << error.toStdString();
  ASSERT_TRUE(server.addRawQueue("MATRIX", listener.port(), true, &error)) << error.toStdString();

  const QList<cups::Destination> dests = cups::destinations();
  ASSERT_EQ(dests.size(), 1);
  EXPECT_EQ(dests[0].name, "MATRIX");
  EXPECT_TRUE(dests[0].isDefault);
  EXPECT_EQ(cups::defaultDestination(), "MATRIX");

  test::TempDir dir;
  const QByteArray id = "12345678000190";
  const auto supplier = test::fixtureSupplier();
  test::writeFixtureProposal(dir.path(), id, "P0001.KVT", test::fixtureHeaders(), test::fixtureItems(80), &supplier);

  HeadlessDialogs dlg;
  DialogsGuard guard(&dlg);
  TTxPrint tx;
  configureTxPrint1(tx);
  tx.TitulodoRelatorio = "PROPOSTA P0001";
  HeadlessTxPrintUi ui;
  tx.setUi(&ui);
  QByteArray prn;
  bool printed = false;
  ui.aoMostrarPreview = [&](TTxPrint& t) {
    ASSERT_TRUE(t.GravarImpressao(dir.file("P0001.PRN")));
    prn = dir.read("P0001.PRN");
    // The setup chose the system's current printer: the default destination.
    printed = t.Imprimir();
  };
  TextPrintout p;
  p.proposal = {dir.path(), "P0001.KVT", id};
  ASSERT_TRUE(imprime_licitacao(tx, p));
  EXPECT_TRUE(printed);
  EXPECT_TRUE(dlg.log.isEmpty()) << dlg.lastText().toStdString();
  ASSERT_TRUE(listener.waitForJobs(1, 60000)) << server.errorLog().toStdString();
  ASSERT_GT(prn.size(), 10000);
  EXPECT_EQ(listener.bytes().size(), prn.size());
  EXPECT_TRUE(listener.bytes() == prn);

  // An unknown queue: the printer named, the cause, what to do; no job, no crash.
  dlg.clear();
  ASSERT_TRUE(tx.Abrir());
  tx.ImpF(1, 1, "X", TFonte::normal);
  tx.ImpressoraSistema = "NOSUCHQUEUE";
  QString shown;
  try {
    tx.Imprimir();
  } catch (const AppError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::Printer);
    shown = userMessage(e);
  }
  EXPECT_TRUE(shown.startsWith(
      QString::fromUtf8("Não foi possível imprimir em \"NOSUCHQUEUE\": não há fila com esse nome no servidor de "
                        "impressão (CUPS: ")))
      << shown.toStdString();
  EXPECT_TRUE(shown.endsWith(
      QString::fromUtf8(". Verifique se a impressora está instalada e ligada, ou escolha outra em Configurar.")))
      << shown.toStdString();
  tx.Abortar();
  server.stop();
}

TEST(CupsPrinting, CommandLineSendsTheJobToTheNamedQueue) {
  test::LoopbackListener listener;
  ASSERT_TRUE(listener.ok());
  test::PrivateCupsServer server;
  QString error;
  ASSERT_TRUE(server.start(&error)) << error.toStdString();
  ASSERT_TRUE(server.addRawQueue("DOTMATRIX", listener.port(), false, &error)) << error.toStdString();
  test::TempDir dir;
  const QByteArray id = "12345678000190";
  const auto supplier = test::fixtureSupplier();
  test::writeFixtureProposal(dir.path(), id, "P0001.KVT", test::fixtureHeaders(), test::fixtureItems(30), &supplier);

  QProcess p;
  p.setProcessEnvironment(QProcessEnvironment::systemEnvironment());  // CUPS_SERVER of the private server
  p.start(COTAVIA_BIN, {"print-text", "--dir", dir.path(), "--proposal", "P0001.KVT", "--prn", dir.file("X.PRN"),
                        "--printer", "DOTMATRIX"});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
  ASSERT_TRUE(listener.waitForJobs(1, 60000)) << server.errorLog().toStdString();
  const QByteArray prn = dir.read("X.PRN");
  ASSERT_FALSE(prn.isEmpty());
  EXPECT_TRUE(listener.bytes() == prn);
  server.stop();
}
