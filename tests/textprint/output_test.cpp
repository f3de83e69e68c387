// Print runs: printer bytes, channels, page ranges and copies, cancel and failures, the Grafico
// model on a PDF printer, and the page renderer.
#include "textprint/tx_test_util.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPicture>

using namespace cotavia;
using namespace cotavia::test;

using OutputTest = TxTest;

namespace {
QByteArray bs(int n) { return QByteArray(n, '\b'); }
}  // namespace

TEST_F(OutputTest, PrinterBytesOfAPage) {
  abre();
  tx.ImpF(3, 5, "AB", TFonte::normal);           // two line breaks, 4 blanks
  tx.ImpF(3, 20, "0123456789", TFonte::comp17);  // 17 cpi: backspaced over
  tx.ImpF(3, 23, "Z", TFonte::normal);           // counted from column 20
  tx.ImpF(4, 5, "0123456789ABCDEF", TFonte::normal);
  tx.ImpF(4, 10, "X", TFonte::normal);  // the head is at 21: 11 backspaces
  tx.NovaPagina();
  tx.ImpF(1, 1, "P2", TFonte::normal);
  QByteArray expected = kPrologo;
  expected += "\n\r\n\r    AB";
  expected += QByteArray(13, ' ') + kC17 + "0123456789" + bs(10) + kReset + kN10;
  expected += "   Z";
  expected += "\n\r    0123456789ABCDEF" + bs(11) + "X";
  expected += "\x0c";
  expected += "P2\x0c\x1b@";
  EXPECT_EQ(prn().toHex(' '), expected.toHex(' '));
}

TEST_F(OutputTest, RawCodesAndLineBreaksOfThePort) {
  // A job file can carry raw control items ("C"); they do not move the head.
  dir.write("c.rtx", QByteArray("ARQUIVO DE RELATORIO DE IMPRESSAO TEXTO1\r\nx\r\n000002\r\nT\r\n000066\r\n000080\r\n"
                                "6\r\nF10\r\n\r\n0001001001016C27 69\r\n0001002003016TA\r\n"));
  tx.UsaGerenciadorImpr = false;
  tx.TestarPorta = false;
  ASSERT_TRUE(tx.LerRelatorio(dir.file("c.rtx")));
  tx.PortaComunicacao = dir.file("port.out");
  EXPECT_TRUE(tx.Imprimir());
  EXPECT_EQ(dir.read("port.out").toHex(' '), (kPrologo +
                                              "\x1b"
                                              "E" +
                                              "\r\n  A\x0c\x1b@")
                                                 .toHex(' '));
}

TEST_F(OutputTest, PageRangeCopiesAndBlankPages) {
  tx.PaginaInicial = 2;
  tx.PaginaFinal = 3;
  tx.NumerodeCopias = 2;
  tx.UsaGerenciadorImpr = false;
  tx.TestarPorta = false;
  ASSERT_TRUE(tx.Abrir());
  for (int p = 1; p <= 4; ++p) {
    if (p == 3) {  // page 3 stays empty
      tx.NovaPagina();
      continue;
    }
    tx.ImpF(1, 1, "P" + QByteArray::number(p), TFonte::normal);
    if (p < 4) tx.NovaPagina();
  }
  tx.PortaComunicacao = dir.file("range.out");
  EXPECT_TRUE(tx.Imprimir());
  EXPECT_EQ(dir.read("range.out"), kPrologo + "P2\x0c\x0cP2\x0c\x0c\x1b@");
  ASSERT_EQ(ui.progressos.size(), 1);
  EXPECT_EQ(ui.progressos[0].legenda, "Imprimindo");
  EXPECT_EQ(ui.progressos[0].maximo, 2);
  EXPECT_EQ(ui.progressos[0].passos, 2);

  // A last page beyond the job stops at the job's last page; zero copies send no page.
  TxSetupValues v = tx.ValoresSetup();
  v.paginaInicial = 3;
  v.paginaFinal = 9999;
  v.copias = 1;
  tx.AplicaSetup(v);
  tx.PortaComunicacao = dir.file("tail.out");
  EXPECT_TRUE(tx.Imprimir());
  EXPECT_EQ(dir.read("tail.out"), kPrologo + "\x0cP4\x0c\x1b@");
  v.copias = 0;
  tx.AplicaSetup(v);
  tx.PortaComunicacao = dir.file("none.out");
  EXPECT_TRUE(tx.Imprimir());
  EXPECT_EQ(dir.read("none.out"), kPrologo + "\x1b@");

  // The printer file takes every page once, and puts the working values back.
  tx.PortaComunicacao = "keep";
  EXPECT_TRUE(tx.GravarImpressao(dir.file("all.prn")));
  EXPECT_EQ(dir.read("all.prn"), kPrologo + "P1\x0cP2\x0c\x0cP4\x0c\x1b@");
  EXPECT_EQ(tx.PortaComunicacao, "keep");
  EXPECT_EQ(tx.CopiasTrabalho(), 0);
  EXPECT_EQ(tx.PaginaInicialTrabalho(), 3);
}

// A job without items (a job file of none, or what an abort left) has no page to send: it
// prints nothing and says so, instead of walking to page 9999 with a form feed each. The last
// page one run stopped at does not hold for the next job loaded.
TEST_F(OutputTest, AnEmptyJobPrintsNothingAndALoweredLastPageIsNotKept) {
  auto job = [](int itens, const QByteArray& linhas) {
    return QByteArray("ARQUIVO DE RELATORIO DE IMPRESSAO TEXTO1\r\nx\r\n") +
           QByteArray::number(itens).rightJustified(6, '0') + "\r\nT\r\n000066\r\n000080\r\n6\r\nF10\r\n\r\n" + linhas;
  };
  TxSetupValues v = tx.ValoresSetup();
  v.paginaInicial = 1;
  v.paginaFinal = 9999;
  v.copias = 1;
  tx.AplicaSetup(v);
  dir.write("empty.rtx", job(0, ""));
  tx.UsaGerenciadorImpr = false;
  tx.TestarPorta = false;
  ASSERT_TRUE(tx.LerRelatorio(dir.file("empty.rtx")));
  tx.PortaComunicacao = dir.file("empty.out");
  EXPECT_EQ(thrown([&] { tx.Imprimir(); }), QString("O relatório não tem nenhuma página: nada foi impresso."));
  EXPECT_FALSE(QFile::exists(dir.file("empty.out")));  // not 9999 form feeds
  EXPECT_TRUE(thrown([&] { tx.GravarImpressao(dir.file("empty.prn")); }).contains("nenhuma página"));
  EXPECT_FALSE(QFile::exists(dir.file("empty.prn")));
  EXPECT_EQ(tx.PortaComunicacao, dir.file("empty.out"));  // the printer file's run puts the port back

  dir.write("two.rtx", job(2, "0001001001016TP1\r\n0002001001016TP2\r\n"));
  dir.write("four.rtx", job(4, "0001001001016TP1\r\n0002001001016TP2\r\n0003001001016TP3\r\n0004001001016TP4\r\n"));
  ASSERT_TRUE(tx.LerRelatorio(dir.file("two.rtx")));
  tx.PortaComunicacao = dir.file("two.out");
  EXPECT_TRUE(tx.Imprimir());
  EXPECT_EQ(dir.read("two.out"), kPrologo + "P1\x0cP2\x0c\x1b@");
  ASSERT_TRUE(tx.LerRelatorio(dir.file("four.rtx")));
  tx.PortaComunicacao = dir.file("four.out");
  EXPECT_TRUE(tx.Imprimir());
  EXPECT_EQ(dir.read("four.out"), kPrologo + "P1\x0cP2\x0cP3\x0cP4\x0c\x1b@");
  EXPECT_EQ(tx.PaginaFinalTrabalho(), 9999);
}

TEST_F(OutputTest, FailuresAndCancelAreReported) {
  abre();
  for (int i = 1; i <= 20; ++i) tx.ImpF(i, 1, "LINE", TFonte::normal);
  // A port that cannot be opened: a sentence naming it and the cause, then "Erro #03"; no pages,
  // false.
  tx.UsaGerenciadorImpr = false;
  tx.PortaComunicacao = dir.file("no/such/folder/port");
  EXPECT_FALSE(tx.Imprimir());
  ASSERT_EQ(erros.size(), 1);
  EXPECT_TRUE(erros[0].startsWith(QString::fromUtf8("Não foi possível gravar em \"%1\": arquivo ou pasta não "
                                                    "encontrado. Verifique")
                                      .arg(dir.file("no/such/folder/port"))))
      << erros[0].toStdString();
  EXPECT_TRUE(erros[0].endsWith("\rErro #03 - I/O 3 " + dir.file("no/such/folder/port"))) << erros[0].toStdString();
  EXPECT_TRUE(ui.progressos.isEmpty());
  // The same for a printer file that cannot be created.
  tx.UsaGerenciadorImpr = true;
  EXPECT_FALSE(tx.GravarImpressao(dir.file("no/such/folder/x.prn")));
  EXPECT_EQ(erros.size(), 2);

  // OnBeforePrint can stop a run before anything is opened.
  tx.UsaGerenciadorImpr = false;
  tx.PortaComunicacao = dir.file("stopped.out");
  tx.OnBeforePrint = [](TTxPrint&, bool& c) { c = false; };
  EXPECT_FALSE(tx.Imprimir());
  EXPECT_FALSE(QFile::exists(dir.file("stopped.out")));
  tx.OnBeforePrint = nullptr;

  // A cancelled printer file keeps the file that was there, and says so.
  dir.write("old.prn", "OLD");
  int cancels = 0;
  tx.OnCancel = [&](TTxPrint&) { ++cancels; };
  ui.cancelaAposPassos = 5;
  EXPECT_FALSE(tx.GravarImpressao(dir.file("old.prn")));
  EXPECT_EQ(dir.read("old.prn"), "OLD");
  EXPECT_EQ(cancels, 1);
  ASSERT_EQ(ui.avisos.size(), 1);
  EXPECT_TRUE(ui.avisos[0].startsWith("Gravação cancelada"));
  // A cancelled print to the port still ends the job on the printer.
  tx.PortaComunicacao = dir.file("cancel.out");
  EXPECT_FALSE(tx.Imprimir());
  const QByteArray out = dir.read("cancel.out");
  EXPECT_TRUE(out.endsWith("\x1b@"));
  EXPECT_EQ(out.count("LINE"), 4);
  ui.cancelaAposPassos = -1;
  tx.OnCancel = nullptr;  // `cancels` ends with this test; the fixture's Abortar fires OnCancel

  // The Grafico model has no printer file.
  tx.Impressora = TModelo::Grafico;
  EXPECT_EQ(thrown([&] { tx.GravarImpressao(dir.file("g.prn")); }),
            QString("Desculpe, mas o modo gráfico não esta disponível..."));
  EXPECT_FALSE(QFile::exists(dir.file("g.prn")));
}

TEST_F(OutputTest, PortTest) {
  // Ports other than LPT1-LPT4 cannot be tested: the test passes without asking.
  for (const char* p : {"COM1", "LPT5", "/dev/usb/lp0"}) {
    EXPECT_TRUE(tx.TestaImpressora(p));
    EXPECT_EQ(tx.MensagemStatus(), QString("Não é possível testar impressora em ") + p);
  }
  abre();
  tx.ImpF(1, 1, "A", TFonte::normal);
  tx.UsaGerenciadorImpr = false;
  tx.TestarPorta = true;
  tx.PortaComunicacao = dir.file("tested.out");
  EXPECT_TRUE(tx.Imprimir());
  EXPECT_EQ(dir.read("tested.out"), kPrologo + "A\x0c\x1b@");
}

TEST_F(OutputTest, GraficoDrawsPagesOnThePrinter) {
  tx.Impressora = TModelo::Grafico;
  abre();
  tx.Box(1, 1, 3, 20, false);
  tx.ImpF(2, 2, "GRAFICO", TFonte::negrito | TFonte::normal);
  tx.NovaPagina();
  tx.ImpF(1, 1, "PAGE 2", TFonte::comp17);
  EXPECT_TRUE(tx.Imprimir(dir.file("out.pdf")));
  const QByteArray pdf = dir.read("out.pdf");
  EXPECT_TRUE(pdf.startsWith("%PDF"));
  EXPECT_EQ(pdf.count("/Type /Page") - pdf.count("/Type /Pages"), 2);
  EXPECT_EQ(ui.progressos.last().passos, 6);  // one per drawn item: 4 frame items, 2 texts
}

TEST_F(OutputTest, PageRendererDrawsFramesAndTextInTheirCells) {
  abre();
  EXPECT_EQ(tx.TamanhoFigura(true), QSize(670, 1086));
  EXPECT_EQ(tx.TamanhoFigura(false), QSize(640, 1056));
  tx.OpcoesPreview.Remalina = true;
  EXPECT_EQ(tx.TamanhoFigura(true), QSize(710, 1056));
  tx.OpcoesPreview.Remalina = false;
  tx.Box(2, 3, 4, 10, false);
  tx.ImpF(3, 5, "MMMM", TFonte::negrito | TFonte::normal);
  QImage img(tx.TamanhoFigura(true), QImage::Format_RGB32);
  img.fill(Qt::red);
  {
    QPainter p(&img);
    EXPECT_TRUE(tx.DesenhaPagina(1, p, true));
  }
  auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 100; };
  // Paper, and the black border.
  EXPECT_EQ(img.pixel(300, 900), qRgb(255, 255, 255));
  EXPECT_TRUE(dark(0, 500));
  // "-" of the top line at y = 15 + 16 + 7 in the cell of column 5; "i" of line 3 at x = 15 + 16 + 4.
  EXPECT_TRUE(dark(15 + 4 * 8 + 3, 15 + 16 + 7));
  EXPECT_TRUE(dark(15 + 2 * 8 + 4, 15 + 2 * 16 + 10));
  EXPECT_FALSE(dark(15 + 2 * 8 + 1, 15 + 2 * 16 + 10));
  // The text lies in its cells of line 3, columns 5 to 8.
  int inside = 0, outside = 0;
  for (int y = 15 + 2 * 16; y < 15 + 3 * 16; ++y) {
    for (int x = 15 + 4 * 8; x < 15 + 8 * 8; ++x) inside += dark(x, y);
    for (int x = 15 + 10 * 8 + 1; x < 15 + 10 * 8 + 20; ++x) outside += dark(x, y);
  }
  EXPECT_GT(inside, 20);
  EXPECT_EQ(outside, 0);
  // The same page into a picture, for the preview.
  QPicture pic;
  EXPECT_TRUE(tx.DesenhaPagina(1, pic, true));
  EXPECT_EQ(pic.boundingRect(), QRect(0, 0, 670, 1086));
}
