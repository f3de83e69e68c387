// The job: placements, the sorted item list, frames, pages, the calling order and its errors.
#include "textprint/tx_test_util.h"
#include "textprint/txitem.h"

using namespace cotavia;
using cotavia::test::thrown;
using cotavia::test::TxTest;

using EngineTest = TxTest;

TEST_F(EngineTest, CallsOutOfOrderReportTheirNumberedErrors) {
  // Position first: line 0 is refused even without a job, with an error of its own (not OnErro).
  for (auto [l, c] : {std::pair{0, 5}, std::pair{5, 0}})
    EXPECT_EQ(thrown([&] { tx.ImpF(l, c, "X", TFonte::normal); }),
              QString("IMPRESSÃO: Posição de Impressão inválida, Linha/Coluna devem ser > 0"));
  EXPECT_TRUE(erros.isEmpty());
  EXPECT_FALSE(tx.ImpF(1, 1, "X"));
  EXPECT_EQ(tx.NovaPagina(), -1);
  EXPECT_FALSE(tx.Setup());
  EXPECT_FALSE(tx.Fechar());
  EXPECT_FALSE(tx.Abortar());
  EXPECT_EQ(erros, QStringList({"Erro #06 - (IMP/IMPF) Relatório não foi aberto...",
                                "Erro #04 - (NOVA PAGINA) Relatório não foi aberto...",
                                "Erro #05 - (SETUP) Relatório não foi aberto...",
                                "Erro #02 - (FECHAR) Relatório não foi aberto...",
                                "Erro #08 - (ABORTAR) Relatório não foi aberto..."}));
  // Without OnErro the numbered texts are thrown, and no box is shown.
  tx.OnErro = nullptr;
  EXPECT_EQ(thrown([&] { tx.NovaPagina(); }), QString("Erro #04 - (NOVA PAGINA) Relatório não foi aberto..."));
  EXPECT_TRUE(dlg.log.isEmpty());
  tx.OnErro = [this](TTxPrint&, const QString& m) { erros << m; };

  // After Abortar, Fechar does nothing and returns true (the aborted flag from above is set).
  erros.clear();
  EXPECT_TRUE(tx.Fechar());
  EXPECT_TRUE(erros.isEmpty());

  // A second Abrir keeps the items but resets the page number from the properties.
  abre();
  tx.NovaPagina();
  tx.ImpF(1, 1, "A", TFonte::normal);
  tx.NumeroPaginaInicial = 7;
  EXPECT_FALSE(tx.Abrir());
  EXPECT_EQ(erros.last(), "Erro #01 - (ABRIR) Relatório já foi aberto...");
  EXPECT_EQ(tx.Itens(), QList<QByteArray>({"0002001001016TA"}));
  EXPECT_EQ(tx.PaginaAtual(), 7);
  // A second engine has a job of its own: it opens while this one is open, its items apart.
  TTxPrint other;
  other.OnErro = tx.OnErro;
  EXPECT_TRUE(other.Abrir() && other.ImpF(1, 1, "B", TFonte::normal));
  EXPECT_TRUE(tx.Abortar());
  EXPECT_TRUE(tx.Itens().isEmpty());
  EXPECT_EQ(other.Itens(), QList<QByteArray>({"0001001001016TB"}));

  // A cancelled setup abandons the job.
  ui.decideSetup = [](TTxPrint&, TxSetupValues&) { return false; };
  int cancels = 0;
  tx.OnCancel = [&](TTxPrint&) { ++cancels; };
  abre();
  EXPECT_FALSE(tx.Setup());
  EXPECT_EQ(cancels, 1);
  EXPECT_FALSE(tx.ImpF(1, 1, "X", TFonte::normal));
  EXPECT_EQ(erros.last(), "Erro #06 - (IMP/IMPF) Relatório não foi aberto...");
}

TEST_F(EngineTest, ItemListIsSortedWithFixedKeys) {
  tx.NumeroPaginaInicial = 5;
  abre();
  EXPECT_TRUE(tx.ImpF(3, 10, "LATER", TFonte::comp17));
  EXPECT_TRUE(tx.ImpF(2, 40, "B", TFonte::negrito | TFonte::normal));
  EXPECT_TRUE(tx.ImpF(2, 40, "A", TFonte::italico | TFonte::normal));
  EXPECT_TRUE(tx.ImpF(2, 40, "A", TFonte::italico | TFonte::normal));  // duplicates stay
  EXPECT_TRUE(tx.ImpF(1, 1, "", TFonte::normal));                      // empty text: accepted, nothing added
  EXPECT_TRUE(tx.ImpF(9, 9, "DEFAULT"));                               // empty font: the default set
  EXPECT_EQ(tx.NovaPagina(), 6);
  EXPECT_TRUE(tx.ImpF(1, 1, "TOTAL", TFonte::negrito | TFonte::comp17));
  EXPECT_EQ(tx.Itens(), QList<QByteArray>({"0005002040017TA", "0005002040017TA", "0005002040018TB",
                                           "0005003010064TLATER", "0005009009016TDEFAULT", "0006001001066TTOTAL"}));
  EXPECT_EQ(tx.UltimaPagina(), 6);
  // Keys never grow wider than their fields: such a position is refused.
  for (auto [l, c] : {std::pair{1000, 1}, std::pair{1, 1000}})
    EXPECT_EQ(thrown([&] { tx.ImpF(l, c, "X", TFonte::normal); }),
              QString("IMPRESSÃO: Posição de Impressão inválida, Página até 9999, Linha/Coluna até 999"));
  EXPECT_EQ(tx.Itens().size(), 6);
  tx.Abortar();
  EXPECT_EQ(tx.UltimaPagina(), 9999);
}

TEST_F(EngineTest, BoxAddsFrameLetters) {
  abre();
  tx.Box(4, 1, 12, 80, false);
  const QList<QByteArray>& it = tx.Itens();
  ASSERT_EQ(it.size(), 2 + 2 * 7);
  EXPECT_EQ(it.first(), "0001004001000Ba" + QByteArray(78, '-') + "b");
  EXPECT_EQ(it.last(), "0001012001000Bd" + QByteArray(78, '-') + "c");
  for (int l = 5; l <= 11; ++l) {
    const QByteArray k = "0001" + QByteArray::number(l).rightJustified(3, '0');
    EXPECT_TRUE(it.contains(k + "001000Bi"));
    EXPECT_TRUE(it.contains(k + "080000Bi"));
  }
  tx.Abortar();
  abre();
  tx.Box(1, 1, 3, 3, true);
  EXPECT_EQ(tx.Itens(),
            QList<QByteArray>({"0001001001000BA=B", "0001002001000BI", "0001002003000BI", "0001003001000BD=C"}));
  // Empty or inverted rectangles are refused with the BOX message and add nothing.
  for (auto r : {std::array{4, 1, 4, 80}, std::array{4, 5, 12, 5}, std::array{12, 1, 4, 80}, std::array{0, 1, 3, 9}})
    EXPECT_EQ(thrown([&] { tx.Box(r[0], r[1], r[2], r[3], false); }),
              QString("IMPRESSÃO: Parâmetros inválidos para BOX..."));
  EXPECT_EQ(tx.Itens().size(), 4);
  // Without a job Box adds nothing and reports nothing.
  tx.Abortar();
  erros.clear();
  dlg.clear();
  tx.Box(1, 1, 3, 3, false);
  EXPECT_TRUE(erros.isEmpty());
  EXPECT_TRUE(dlg.log.isEmpty());
}

TEST_F(EngineTest, PageEventsAndClosing) {
  QStringList ev;
  tx.OnNewPage = [&](TTxPrint&, int p) { ev << QString("new %1").arg(p); };
  tx.OnBeforeNewPage = [&](TTxPrint&, int p) { ev << QString("before %1").arg(p); };
  tx.OnPreview = [&](TTxPrint&) { ev << "preview"; };
  tx.OpcoesPreview.Preview = true;
  ui.aoMostrarPreview = [&](TTxPrint& t) {
    ev << QString("shown %1 items, previewing %2").arg(t.Itens().size()).arg(t.PreviewAtivo());
  };
  abre();
  tx.ImpF(1, 1, "A", TFonte::normal);
  EXPECT_EQ(tx.NovaPagina(), 2);
  tx.ImpF(1, 1, "B", TFonte::normal);
  EXPECT_TRUE(tx.Fechar());
  EXPECT_EQ(ev, QStringList({"new 1", "before 1", "new 2", "before 2", "preview", "shown 2 items, previewing 1"}));
  EXPECT_FALSE(tx.JobAberto());
  EXPECT_FALSE(tx.PreviewAtivo());
  EXPECT_TRUE(tx.Itens().isEmpty());
}

TEST_F(EngineTest, SetupTakesTheConfirmedValues) {
  tx.PaginaInicial = 2;
  tx.PaginaFinal = 5;
  tx.NumerodeCopias = 3;
  abre();
  TxSetupValues shown;
  ui.decideSetup = [&](TTxPrint&, TxSetupValues& v) {
    shown = v;
    v.modelo = TModelo::HP;
    v.paginaInicial = 1;
    v.paginaFinal = 9999;
    v.copias = 2;
    v.preview = true;
    return true;
  };
  EXPECT_TRUE(tx.Setup());
  EXPECT_EQ(shown.paginaInicial, 2);
  EXPECT_EQ(shown.paginaFinal, 5);
  EXPECT_EQ(shown.copias, 3);
  EXPECT_EQ(tx.Impressora, TModelo::HP);
  EXPECT_TRUE(tx.OpcoesPreview.Preview);
  EXPECT_EQ(tx.CopiasTrabalho(), 2);
  EXPECT_EQ(tx.SequenciasAtuais().inicializar, QByteArray("\x1b"
                                                          "E"));
  // The published values stay.
  EXPECT_EQ(tx.PaginaInicial, 2);
  EXPECT_EQ(tx.NumerodeCopias, 3);
}

TEST(ModeloPelaImpressora, FirstMatchingRuleWins) {
  EXPECT_EQ(ModeloPelaImpressora("Generic Text Only", TModelo::HP), TModelo::Epson);
  EXPECT_EQ(ModeloPelaImpressora("HP2200", TModelo::Epson), TModelo::HP);
  EXPECT_EQ(ModeloPelaImpressora("EPSON HP", TModelo::Rima), TModelo::Epson);
  EXPECT_EQ(ModeloPelaImpressora("emilia", TModelo::Epson), TModelo::Rima);
  EXPECT_EQ(ModeloPelaImpressora("Genérico", TModelo::HP), TModelo::Epson);
  EXPECT_EQ(ModeloPelaImpressora("Modo gráfico", TModelo::Epson), TModelo::Grafico);
  EXPECT_EQ(ModeloPelaImpressora("MATRIX", TModelo::Rima), TModelo::Rima);
  EXPECT_EQ(PortaPadrao("LPT1:"), "LPT1");
  EXPECT_EQ(PortaPadrao("socket://127.0.0.1:9100"), "socket://127.0.0.1:9100");
}

TEST(TxItem, ReadsOnlyWellFormedLines) {
  TxItem it;
  EXPECT_TRUE(LeItem("0012003045064TAB C", it));
  EXPECT_EQ(it.pagina, 12);
  EXPECT_EQ(it.linha, 3);
  EXPECT_EQ(it.coluna, 45);
  EXPECT_EQ(it.atributo, 64);
  EXPECT_EQ(it.texto, "AB C");
  EXPECT_TRUE(LeItem("0001001001000C", it));
  for (const char* bad :
       {"", "0001001001000", "00010010010a0TX", "0001001001000XA", " 001001001000TA", "0001-01001000TA"})
    EXPECT_FALSE(LeItem(bad, it)) << bad;
  EXPECT_EQ(MontaItem(1, 2, 3, 4, 'B', "x"), "0001002003004Bx");
}
