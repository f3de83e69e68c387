// Job files and the text export: the control record, loading back, refusal of bad files,
// cancelled and failed saves.
#include "textprint/tx_test_util.h"

#include <QFile>
#include <QRandomGenerator>

using namespace cotavia;
using namespace cotavia::test;

using FilesTest = TxTest;

namespace {
const QByteArray kId = "ARQUIVO DE RELATORIO DE IMPRESSAO TEXTO1";
QByteArray controle(const QByteArray& count, const QByteArray& lines = "000066") {
  return kId + "\r\n<< ESTE  ARQUIVO N\xC3O DEVE SER EDITADO >>\r\n" + count + "\r\nTITLE\r\n" + lines +
         "\r\n000080\r\n6\r\nF10\r\n\r\n";
}
}  // namespace

TEST_F(FilesTest, JobFileControlRecordAndRoundTrip) {
  tx.TitulodoRelatorio = "PROPOSTA";
  abre();
  tx.ImpF(1, 1, "A", TFonte::normal);
  tx.ImpF(2, 1, "B\xC7", TFonte::comp17);
  tx.ImpF(1, 5, "C", TFonte::normal);
  ASSERT_TRUE(tx.GravarRelatorio(dir.file("job.rtx")));
  EXPECT_EQ(kId.size(), 40);
  EXPECT_EQ(dir.read("job.rtx"), kId +
                                     "\r\n<< ESTE  ARQUIVO N\xC3O DEVE SER EDITADO >>\r\n000003\r\nPROPOSTA\r\n"
                                     "000066\r\n000080\r\n6\r\nF10\r\n\r\n"
                                     "0001001001016TA\r\n0001001005016TC\r\n0001002001064TB\xC7\r\n");
  EXPECT_EQ(ui.progressos.last().legenda, "Gravando");
  EXPECT_EQ(ui.progressos.last().titulo, dir.file("job.rtx"));

  // Every job saved loads back into an equal item list, with its page and font settings.
  tx.NovaPagina();
  tx.Box(3, 2, 6, 30, true);
  tx.ImpF(5, 7, "MEIO", TFonte::italico | TFonte::sublinhado | TFonte::comp12);
  tx.TamanhoQteLinhas = 72;
  tx.TamanhoQteColunas = 136;
  tx.TamanhoQteLPP = TLinha::Oito;
  tx.FonteTamanhoPadrao = TSize::S12cpp;
  tx.FonteEstiloPadrao = Snegrito | Ssublinhado;
  ASSERT_TRUE(tx.GravarRelatorio(dir.file("job2.rtx")));
  const QList<QByteArray> saved = tx.Itens();
  tx.Abortar();
  TTxPrint other;
  other.setUi(&ui);
  ASSERT_TRUE(other.LerRelatorio(dir.file("job2.rtx")));
  EXPECT_EQ(other.Itens(), saved);
  EXPECT_EQ(other.TitulodoRelatorio, "PROPOSTA");
  EXPECT_EQ(other.TamanhoQteLinhas, 72);
  EXPECT_EQ(other.TamanhoQteColunas, 136);
  EXPECT_EQ(other.TamanhoQteLPP, TLinha::Oito);
  EXPECT_EQ(other.FonteTamanhoPadrao, TSize::S12cpp);
  EXPECT_EQ(other.FonteEstiloPadrao, TStyle(Snegrito | Ssublinhado));
  EXPECT_EQ(other.SequenciasAtuais().atributoPadrao, 32 + 2 + 4);
  EXPECT_EQ(ui.progressos.last().legenda, "Lendo");
  EXPECT_TRUE(dlg.log.isEmpty());
}

TEST_F(FilesTest, BadJobFilesAreRefusedAndChangeNothing) {
  abre();
  tx.ImpF(1, 1, "KEEP", TFonte::normal);
  tx.TitulodoRelatorio = "ORIGINAL";
  const QList<QByteArray> before = tx.Itens();
  QByteArray wrongId = controle("000001") + "0001001001016TX\r\n";
  wrongId[39] = '2';
  QByteArray random(4096, 0);
  QRandomGenerator rng(7);
  for (char& c : random) c = static_cast<char>(rng.bounded(256));
  const QList<QPair<const char*, QByteArray>> bad = {
      {"wrong identification", wrongId},
      {"empty file", QByteArray()},
      {"short control record", kId + "\r\nx\r\n000001\r\nT\r\n"},
      {"unreadable count", controle("00000X") + "0001001001016TX\r\n"},
      {"zero lines per page", controle("000001", "000000") + "0001001001016TX\r\n"},
      {"huge lines per page", controle("000001", "999999") + "0001001001016TX\r\n"},
      {"key of the wrong width", controle("000002") + "0001001001016TX\r\n001001001016TY\r\n"},
      {"unknown kind", controle("000001") + "0001001001016QX\r\n"},
      {"arbitrary bytes", random},
      {"arbitrary bytes after a good header", controle("000001") + random},
  };
  for (const auto& [what, bytes] : bad) {
    dir.write("bad.rtx", bytes);
    const QString shown = thrown([&] { tx.LerRelatorio(dir.file("bad.rtx")); });
    EXPECT_TRUE(shown.startsWith("Formato do arquivo é inválido...")) << what;
    EXPECT_TRUE(shown.contains(dir.file("bad.rtx"))) << what;
    EXPECT_EQ(tx.Itens(), before) << what;
    EXPECT_EQ(tx.TitulodoRelatorio, "ORIGINAL") << what;
    EXPECT_EQ(tx.TamanhoQteLinhas, 66) << what;
  }
  // Missing files, folders and devices cannot be opened.
  for (const QString& name : {dir.file("missing.rtx"), dir.path(), QString("/dev/zero")})
    EXPECT_EQ(thrown([&] { tx.LerRelatorio(name); }), "Erro na abertura do arquivo...\r\rArquivo: " + name);
  EXPECT_EQ(tx.Itens(), before);
  EXPECT_TRUE(dlg.log.isEmpty());  // the engine shows no box

  // A count that differs from the items: they are loaded, with the control message.
  dlg.clear();
  dir.write("count.rtx", controle("000005") +
                             "0001001001016TA\r\n0001001002016TB\r\n0001001003016TC\r\n"
                             "0001001004016TD\r\n");
  EXPECT_TRUE(tx.LerRelatorio(dir.file("count.rtx")));
  EXPECT_EQ(tx.Itens().size(), 4);
  EXPECT_EQ(ui.avisos, QStringList{"Impressão: Erro no controle, relatório pode causar erro"});
  // Reading stops at the first empty line; items come out sorted.
  dlg.clear();
  dir.write("gap.rtx", controle("000002") + "0002001001016TB\r\n0001001001016TA\r\n\r\n0003001001016TC\r\n");
  EXPECT_TRUE(tx.LerRelatorio(dir.file("gap.rtx")));
  EXPECT_EQ(tx.Itens(), QList<QByteArray>({"0001001001016TA", "0002001001016TB"}));
  EXPECT_EQ(ui.avisos.size(), 1);  // no other note
}

TEST_F(FilesTest, SavesThatFailOrAreCancelledKeepTheOldFile) {
  abre();
  for (int i = 1; i <= 10; ++i) tx.ImpF(i, 1, "LINE", TFonte::normal);
  // A line break inside a text would split the job file line: it is saved as a blank.
  tx.ImpF(11, 1, "TWO\r\nLINES", TFonte::normal);
  ASSERT_TRUE(tx.GravarRelatorio(dir.file("br.rtx")));
  tx.Abortar();
  EXPECT_TRUE(tx.LerRelatorio(dir.file("br.rtx")));
  EXPECT_EQ(tx.Itens().size(), 11);
  EXPECT_EQ(tx.Itens().last(), "0001011001016TTWO  LINES");
  EXPECT_TRUE(dlg.log.isEmpty());

  // Cancelled in the progress window: the earlier file stays whole.
  dir.write("keep.rtx", "EARLIER");
  int cancels = 0;
  tx.OnCancel = [&](TTxPrint&) { ++cancels; };
  ui.cancelaAposPassos = 3;
  EXPECT_FALSE(tx.GravarRelatorio(dir.file("keep.rtx")));
  EXPECT_FALSE(tx.GravarTexto(dir.file("keep.rtx")));
  EXPECT_EQ(dir.read("keep.rtx"), "EARLIER");
  EXPECT_EQ(cancels, 2);
  ASSERT_EQ(ui.avisos.size(), 2);
  EXPECT_TRUE(ui.avisos.last().contains(dir.file("keep.rtx")));
  ui.cancelaAposPassos = -1;

  // A folder that does not exist.
  const QString nowhere = dir.file("no/folder/x.rtx");
  const QString semPasta =
      "Erro na abertura do arquivo...\r\rArquivo: " + nowhere + "\r\rarquivo ou pasta não encontrado";
  EXPECT_EQ(thrown([&] { tx.GravarRelatorio(nowhere); }), semPasta);
  EXPECT_EQ(thrown([&] { tx.GravarTexto(nowhere); }), semPasta);

  // OnSave may change the name; an empty name ends the save silently.
  tx.OnSave = [&](TTxPrint&, QString& n) { n = dir.file("renamed.txt"); };
  EXPECT_TRUE(tx.GravarTexto(dir.file("asked.txt")));
  EXPECT_TRUE(QFile::exists(dir.file("renamed.txt")));
  EXPECT_FALSE(QFile::exists(dir.file("asked.txt")));
  tx.OnSave = [](TTxPrint&, QString& n) { n.clear(); };
  dlg.clear();
  EXPECT_FALSE(tx.GravarRelatorio(dir.file("never.rtx")));
  EXPECT_FALSE(QFile::exists(dir.file("never.rtx")));
  EXPECT_TRUE(dlg.log.isEmpty());
  tx.OnLoad = [](TTxPrint&, QString& n) { n.clear(); };
  EXPECT_FALSE(tx.LerRelatorio(dir.file("br.rtx")));
  EXPECT_TRUE(dlg.log.isEmpty());
}

TEST_F(FilesTest, TextExport) {
  abre();
  tx.TamanhoQteLinhas = 4;
  tx.ImpF(2, 5, "AB", TFonte::comp17);
  tx.NovaPagina();
  tx.ImpF(1, 1, "C", TFonte::normal);
  ASSERT_TRUE(tx.GravarTexto(dir.file("a.txt")));
  EXPECT_EQ(dir.read("a.txt"), QByteArray("\r\n    AB\r\n\r\n\r\nC\r\n"));
  tx.Abortar();

  // A later item left of earlier text cuts it; frames become box bytes; raw codes vanish;
  // accents go to the printer's code page.
  abre();
  tx.ImpF(1, 1, "ABCDEF", TFonte::normal);
  tx.ImpF(1, 3, "X", TFonte::normal);
  tx.Box(2, 1, 3, 4, false);
  tx.ImpF(4, 1, "A\xC7\xC3O", TFonte::normal);
  ASSERT_TRUE(tx.GravarTexto(dir.file("b.txt")));
  EXPECT_EQ(dir.read("b.txt"), QByteArray("ABX\r\n\xDA\xC4\xC4\xBF\r\n\xC0\xC4\xC4\xD9\r\nA\x80\xC7O\r\n"));
}
