#include "app/core/proposal_file.h"

#include "core_fixtures.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QProcess>

#include <map>

using namespace cotavia;
using namespace cotavia::test;

namespace {

using Outcome = ProgramRun;

Outcome cotaviaRun(const QStringList& args) { return runHeadless(QStringLiteral(COTAVIA_BIN), args); }

std::map<QString, QByteArray> snapshot(const QString& folder) {
  std::map<QString, QByteArray> m;
  for (const QString& f : QDir(folder).entryList(QDir::Files)) m[f] = readFile(folder + "/" + f);
  return m;
}

// A proposal folder: P0001.KVT with three items of quantity 10, an identity and supplier data.
struct Folder {
  TempDir dir;
  Folder() {
    QByteArray content = joinCrLf(standardHeader());
    for (const char* n : {"0001", "0002", "0003"}) {
      Item it;
      it.number = n;
      content += itemLine(it) + "\r\n";
    }
    dir.write("P0001.KVT", content);
    dir.write("CNPJCPF.KSD", "12345678000190\r\n");
    dir.write("FORNEC.KSD", "Papelaria Antiga\r\nRua Velha, 1\r\nLondrina\r\n");
    dir.write("precos.csv",
              "item;marca;preco_unitario;desconto;acrescimo\r\n"
              "0001;Bic;2,5;1,00;0,50\r\n"
              "0003;Fabr\xC3\xAD"
              "cio;1.000;;\r\n");
  }
  QStringList fill(const QStringList& extra = {}) const {
    return QStringList{"fill", "--dir", dir.path(), "--proposal", "P0001.KVT", "--prices", dir.file("precos.csv")} +
           extra;
  }
};

bool oneLine(const QByteArray& err) { return err.count('\n') == 1 && err.endsWith('\n'); }

}  // namespace

TEST(CliFill, PricesAndSavesLikeGravar) {
  Folder f;
  Outcome r = cotaviaRun(f.fill({"--city", "S\xC3\xA3o Paulo"}));
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.isEmpty());
  EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();

  const QByteArray response = f.dir.read("E12345678000190_P0001.KVT");
  EXPECT_EQ(f.dir.read("P0001.KVT"), response);
  // Supplier data: the city from the option (Windows-1252 on disk), the rest kept.
  EXPECT_EQ(f.dir.read("FORNEC.KSD"), "Papelaria Antiga\r\nRua Velha, 1\r\nS\xE3o Paulo\r\n");

  const Proposal p = loadProposal(f.dir.file("P0001.KVT"));
  ASSERT_EQ(p.rows.size(), 3);
  EXPECT_EQ(p.rows[0][ColUnitPrice], "    2,5000");
  EXPECT_EQ(p.rows[0][ColTotal], "         24,50");
  EXPECT_EQ(p.rows[0][ColBrand], "Bic");
  EXPECT_EQ(p.rows[1][ColUnitPrice], QByteArray(10, ' '));  // not in the list: unpriced
  EXPECT_EQ(p.rows[2][ColUnitPrice], "1.000,0000");
  EXPECT_EQ(p.rows[2][ColTotal], "     10.000,00");
  EXPECT_EQ(p.rows[2][ColBrand],
            "Fabr\xED"
            "cio");

  // --verbose reports; --identity overrides the file.
  r = cotaviaRun(f.fill({"--verbose", "--identity", "00012345678901"}));
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("10.024,50")) << r.out.toStdString();
  EXPECT_TRUE(f.dir.exists("E00012345678901_P0001.KVT"));
}

TEST(CliFill, RefusalsWriteNothing) {
  Folder f;
  const auto before = snapshot(f.dir.path());
  struct Case {
    QByteArray prices;
    const char* expected;
  };
  const QByteArray head = "item;marca;preco_unitario;desconto;acrescimo\r\n";
  for (const Case& c : {Case{head + "0001;A;1;;\r\n0007;B;1;;\r\n", "precos.csv:3: o item 0007 não está na proposta"},
                        Case{head + "0001;A;1,12345;;\r\n", "precos.csv:2: preço unitário"},
                        Case{head + "0001;A;abc;;\r\n", "precos.csv:2: preço unitário 'abc'"},
                        Case{head + "0001;A;1;-2;\r\n", "precos.csv:2: desconto negativo: '-2'"},
                        Case{head + "0001;A;1;100;\r\n", "precos.csv:2: item 0001: o total do item -90,00"},
                        Case{head + "0001;A;10000000;;\r\n", "precos.csv:2: item 0001:"}}) {
    f.dir.write("precos.csv", c.prices);
    const auto withList = snapshot(f.dir.path());
    Outcome r = cotaviaRun(f.fill());
    EXPECT_EQ(r.exitCode, 1) << c.expected;
    EXPECT_TRUE(r.err.contains(c.expected)) << r.err.toStdString();
    EXPECT_TRUE(oneLine(r.err)) << r.err.toStdString();
    EXPECT_EQ(snapshot(f.dir.path()), withList) << c.expected;
  }
  f.dir.write("precos.csv", before.at("precos.csv"));
  EXPECT_EQ(snapshot(f.dir.path()), before);

  // A bad number in the proposal file: named by file and line.
  Folder g;
  QByteArray content = g.dir.read("P0001.KVT");
  content.replace(content.indexOf("       100000", 6 * 30), 13, "      10x0000");
  g.dir.write("P0001.KVT", content);
  Outcome r = cotaviaRun(g.fill());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("P0001.KVT:7: '      10x0000' is not a valid floating point value"))
      << r.err.toStdString();

  // No identity: neither the file nor the option.
  QFile::remove(g.dir.file("CNPJCPF.KSD"));
  r = cotaviaRun(g.fill());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("CNPJCPF.KSD")) << r.err.toStdString();
  // An identity that would leave the folder.
  r = cotaviaRun(f.fill({"--identity", "../../x"}));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("não pode fazer parte de um nome de arquivo")) << r.err.toStdString();
  EXPECT_EQ(snapshot(f.dir.path()), before);
}

TEST(CliFill, BadUsageExitsWithTwo) {
  Folder f;
  EXPECT_EQ(cotaviaRun({"fill", "--dir", f.dir.path(), "--proposal", "P0001.KVT"}).exitCode, 2);
  EXPECT_EQ(cotaviaRun(f.fill({"--bogus", "1"})).exitCode, 2);
  EXPECT_EQ(cotaviaRun({"export", "--dir", f.dir.path(), "--proposal", "P0001.KVT"}).exitCode, 2);
  EXPECT_EQ(cotaviaRun({"fill", "--dir", f.dir.path(), "--proposal", "../P0001.KVT", "--prices", "x"}).exitCode, 2);
}

TEST(CliExport, CopiesTheSavedResponseFile) {
  Folder f;
  TempDir pen;
  QStringList exp{"export", "--dir", f.dir.path(), "--proposal", "P0001.KVT", "--to", pen.path()};
  // Not saved yet: the missing response file is named.
  Outcome r = cotaviaRun(exp);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("E12345678000190_P0001.KVT: File not found")) << r.err.toStdString();
  EXPECT_TRUE(oneLine(r.err));

  ASSERT_EQ(cotaviaRun(f.fill()).exitCode, 0);
  r = cotaviaRun(exp);
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.isEmpty() && r.err.isEmpty());
  EXPECT_EQ(pen.read("E12345678000190_P0001.KVT"), f.dir.read("E12345678000190_P0001.KVT"));

  r = cotaviaRun({"export", "--dir", f.dir.path(), "--proposal", "P0001.KVT", "--to", pen.file("falta")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("falta")) << r.err.toStdString();
}
