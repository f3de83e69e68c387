// cotavia suggest and cotavia history with cotavia fill, run as the real program: a proposal
// saved is remembered, and another municipality's proposal (items in another order, other codes,
// descriptions worded differently) is priced from it.
#include "cli_run.h"
#include "support/support.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <algorithm>

using namespace cotavia::test;

namespace {

// The demo as another municipality's call: items numbered backwards, no prices, every third item
// under a new code, every other description with its first word moved to the end.
QByteArray otherMunicipality(const QByteArray& demo) {
  QList<QByteArray> lines = demo.split('\n');
  QList<QByteArray> out;
  int items = 0;
  for (const QByteArray& l : lines) items += l.startsWith('I');
  int n = 0;
  for (QByteArray l : lines) {
    l = l.chopped(l.endsWith('\r') ? 1 : 0);
    if (out.isEmpty()) l = QByteArray("C    PREFEITURA MUNICIPAL DE OUTRA CIDADE").leftJustified(l.size(), ' ');
    if (l.startsWith('I')) {
      l.replace(1, 4, QByteArray::number(items - n).rightJustified(4, '0'));
      if (n % 3 == 0) l.replace(5, 6, "9" + QByteArray::number(n).rightJustified(5, '0'));
      if (n % 2 == 0) {
        QList<QByteArray> words = l.mid(11, 100).simplified().split(' ');
        words.append(words.takeFirst());
        l.replace(11, 100, words.join(' ').leftJustified(100, ' ', true));
      }
      l = l.left(128);
      ++n;
    }
    out << l;
  }
  return out.join("\r\n");
}

}  // namespace

TEST(CliPriceMemory, SuggestFromWhatWasSaved) {
  TempDir a, b, books;
  const QString book = books.file("precos.sqlite");
  for (const char* f : {"P0001.KVT", "precos.csv"}) a.write(f, readFile(sourceDir() + "/demo/" + f));
  ProgramRun r = cotaviaRun({"fill", "--dir", a.path(), "--proposal", "P0001.KVT", "--identity", "12345678000195",
                             "--prices", a.file("precos.csv"), "--db", book});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.err, QByteArray());

  b.write("P0002.KVT", otherMunicipality(a.read("P0001.KVT")));
  r = cotaviaRun({"suggest", "--dir", b.path(), "--proposal", "P0002.KVT", "--out", b.file("s.csv"), "--db", book});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QList<QByteArray> lines = b.read("s.csv").trimmed().split('\n');
  EXPECT_EQ(lines[0].trimmed(), "item;marca;preco_unitario;desconto;acrescimo;origem;data;encontrado_por");
  const auto count = [&](const char* how) {
    return std::count_if(lines.begin(), lines.end(), [&](const QByteArray& l) { return l.contains(how); });
  };
  EXPECT_GT(count("digo e descri"), 0);               // "código e descrição"
  EXPECT_GT(count("descri\xe7\xe3o semelhante"), 0);  // Windows-1252
  EXPECT_TRUE(lines.value(1).contains("PREFEITURA MUNICIPAL DE SANTA LUZIA DO OESTE")) << lines.value(1).toStdString();

  // Applied as a price list: every suggestion prices its item.
  r = cotaviaRun({"fill", "--dir", b.path(), "--proposal", "P0002.KVT", "--identity", "12345678000195", "--prices",
                  b.file("s.csv"), "--db", book, "--verbose"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.startsWith(QByteArray::number(lines.size() - 1) + " item(ns) com pre")) << r.out.toStdString();

  r = cotaviaRun({"history", "--db", book, "--search", "ESFEROGRAFICA azul"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out.count("Bic Cristal"), 2) << r.out.toStdString();  // both proposals

  // A folder of saved proposals recorded at once into a new book.
  r = cotaviaRun({"history", "--db", books.file("novo.sqlite"), "--import", a.path()});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.startsWith("1 proposta(s) gravada(s)")) << r.out.toStdString();

  // The printed price table; a search that finds nothing writes no file and says so.
  r = cotaviaRun({"history", "--db", book, "--search", "caneta", "--pdf", books.file("h.pdf")});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(books.read("h.pdf").startsWith("%PDF-"));
  r = cotaviaRun({"history", "--db", book, "--search", "parafuso sextavado", "--pdf", books.file("n.pdf")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("Nenhum preço do histórico atende à busca")) << r.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(books.file("n.pdf")));
}
