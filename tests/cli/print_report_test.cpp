// cotavia print-report: report file (plain and compressed) and PDF of a proposal folder, and
// the one-line errors.
#include "app/core/core_fixtures.h"
#include "cli_run.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QtEndian>

using namespace cotavia::test;

namespace {

using Outcome = ProgramRun;

// P0001.KVT with `items` priced items, FORNEC.KSD and CNPJCPF.KSD.
void makeFolder(const TempDir& dir, int items) {
  QList<QByteArray> lines = standardHeader();
  for (int i = 1; i <= items; ++i) {
    Item it;
    it.number = QByteArray::number(i).rightJustified(4, '0');
    it.price = "10000";
    it.total = "1000";
    lines << itemLine(it);
  }
  dir.write("P0001.KVT", joinCrLf(lines));
  dir.write("E12345678000190_P0001.KVT", joinCrLf(lines));  // saved
  dir.write("FORNEC.KSD", "Papelaria Modelo Ltda\r\nRua B, 2\r\nLondrina\r\n");
  dir.write("CNPJCPF.KSD", "12345678000190\r\n");
}

qint32 le32(const QByteArray& b, int at) { return qFromLittleEndian<qint32>(b.constData() + at); }
qint16 le16(const QByteArray& b, int at) { return qFromLittleEndian<qint16>(b.constData() + at); }

}  // namespace

TEST(CliPrintReport, WritesReportFilesAndAPdfOfEveryPage) {
  TempDir dir;
  makeFolder(dir, 30);  // 26 on page 1, 4 and the summary on page 2
  const QByteArray before = dir.read("P0001.KVT");
  Outcome r = cotaviaRun({"print-report", "--dir", dir.path(), "--proposal", "P0001.KVT", "--rpf",
                          dir.file("plain.RPF"), "--pdf", dir.file("proposta.pdf")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QByteArray plain = dir.read("plain.RPF");
  ASSERT_GE(plain.size(), 128);
  EXPECT_EQ(le16(plain, 0), 3);
  EXPECT_EQ(le16(plain, 2), 305);
  EXPECT_EQ(le32(plain, 8), 2);
  EXPECT_EQ(plain.at(25), 0);
  EXPECT_EQ(le32(plain, 128), 1);            // first record: page 1
  EXPECT_EQ(dir.read("P0001.KVT"), before);  // the proposal is only read

  r = cotaviaRun(
      {"print-report", "--dir", dir.path(), "--proposal", "P0001.KVT", "--rpf", dir.file("packed.RPF"), "--compress"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QByteArray packed = dir.read("packed.RPF");
  ASSERT_GE(packed.size(), 128);
  EXPECT_EQ(le32(packed, 8), 2);
  EXPECT_EQ(packed.at(25), 1);
  EXPECT_LT(packed.size(), plain.size());

  if (!hasPoppler()) GTEST_SKIP() << "poppler-utils not installed";
  const QString text = poppler("pdfinfo", {dir.file("proposta.pdf")});
  EXPECT_TRUE(text.contains(QRegularExpression(R"(Pages:\s+2\n)"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QRegularExpression(R"(Page size:\s+842.25 x 595.5 pts \(A4\))"))) << text.toStdString();
  const QString body = poppler("pdftotext", {dir.file("proposta.pdf"), "-"});
  // Header texts as the editor shows them after opening: the file's header and FORNEC.KSD.
  EXPECT_TRUE(body.contains("Papelaria Modelo Ltda"));
  EXPECT_TRUE(body.contains(QString::fromUtf8("PREFEITURA MUNICIPAL DE SÃO TESTE")));
  EXPECT_TRUE(body.contains("300,00"));  // 30 x 10,00

  // The first page has the header and items 1 to 26, the last one items 27 to 30 under the same
  // header, then the grand total.
  auto pageText = [&](int page) {
    return poppler("pdftotext",
                   {"-f", QString::number(page), "-l", QString::number(page), dir.file("proposta.pdf"), "-"});
  };
  const QString first = pageText(1), last = pageText(2);
  for (const QString& page : {first, last})
    for (const char* header : {"Licitação - Proposta Eletrônica", "PREFEITURA MUNICIPAL DE SÃO TESTE",
                               "Papelaria Modelo Ltda", "Descrição", "Acréscimo"})
      EXPECT_TRUE(page.contains(QString::fromUtf8(header))) << header;
  for (const char* item : {"0001", "0026"}) EXPECT_TRUE(first.contains(item)) << item;
  EXPECT_FALSE(first.contains("0027"));
  EXPECT_FALSE(first.contains("Total:"));
  for (const char* item : {"0027", "0030", "Total:", "300,00"}) EXPECT_TRUE(last.contains(item)) << item;
  EXPECT_FALSE(last.contains("0026"));

  // Every font is embedded, as a subset of the glyphs used (name tagged "ABCDEF+").
  QProcess fonts;
  fonts.start("pdffonts", {dir.file("proposta.pdf")});
  ASSERT_TRUE(fonts.waitForFinished(30000));
  const QStringList rows = QString::fromUtf8(fonts.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).mid(2);
  EXPECT_GE(rows.size(), 2);  // regular and bold at least
  static const QRegularExpression embeddedSubset(R"(^[A-Z]{6}\+LiberationSans\S*\s.*\syes\s+yes\s+yes\s)");
  for (const QString& row : rows) EXPECT_TRUE(embeddedSubset.match(row).hasMatch()) << row.toStdString();
}

TEST(CliPrintReport, ErrorsAreOneLineAndLeaveNoOutput) {
  TempDir dir;
  makeFolder(dir, 2);
  // Missing proposal file: exit 1, naming it.
  Outcome r = cotaviaRun({"print-report", "--dir", dir.path(), "--proposal", "P0404.KVT", "--pdf", dir.file("x.pdf")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("P0404.KVT")) << r.err.toStdString();
  EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
  EXPECT_FALSE(dir.exists("x.pdf"));

  // A bad number: the runtime's message after the file and its line, no file written.
  Item bad;
  bad.quantity = "12a";
  dir.write("P0002.KVT", joinCrLf(standardHeader() << itemLine(bad)));
  dir.write("E12345678000190_P0002.KVT", dir.read("P0002.KVT"));
  r = cotaviaRun({"print-report", "--dir", dir.path(), "--proposal", "P0002.KVT", "--rpf", dir.file("x.RPF")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains((dir.file("E12345678000190_P0002.KVT") + ":7: '").toUtf8()) &&
              r.err.contains("is not a valid floating point value"))
      << r.err.toStdString();
  EXPECT_FALSE(dir.exists("x.RPF"));

  // Unknown queue, nothing asked, no proposal: a usage error or an error, nothing written.
  r = cotaviaRun({"print-report", "--dir", dir.path(), "--proposal", "P0001.KVT", "--printer", "NO_SUCH_QUEUE_X"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("NO_SUCH_QUEUE_X"));
  r = cotaviaRun({"print-report", "--dir", dir.path(), "--proposal", "P0001.KVT"});
  EXPECT_EQ(r.exitCode, 2);
  r = cotaviaRun({"print-report", "--dir", dir.path(), "--pdf", dir.file("x.pdf")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_FALSE(dir.exists("x.pdf"));

  // A proposal without items has no page: no PDF can be made of it; its grand total is 0,00.
  dir.write("P0003.KVT", joinCrLf(standardHeader()));
  dir.write("E12345678000190_P0003.KVT", joinCrLf(standardHeader()));
  r = cotaviaRun(
      {"print-report", "--dir", dir.path(), "--proposal", "P0003.KVT", "--pdf", dir.file("e.pdf"), "--verbose"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("0 página(s), total geral 0,00\n")) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("não tem nenhuma página")) << r.err.toStdString();
  EXPECT_FALSE(dir.exists("e.pdf"));
}

// Both printouts print what was saved. A proposal never saved has no text printout (refused in
// one line that says how to save it, nothing written) and its graphic report shows the input's
// items without amounts, saying so; an input copied in again after the save is not what prints,
// and the report says so.
TEST(CliPrint, WhatEachPrintoutReadsAndSays) {
  TempDir dir;
  makeFolder(dir, 2);
  dir.write("P0005.KVT", dir.read("P0001.KVT"));
  Outcome r = cotaviaRun({"print-text", "--prn", dir.file("x.prn"), "--dir", dir.path(), "--proposal", "P0005.KVT"});
  EXPECT_EQ(r.exitCode, 1);
  QString err = QString::fromUtf8(r.err);
  EXPECT_TRUE(err.contains("proposta P0005.KVT ainda não foi gravada")) << err.toStdString();
  EXPECT_TRUE(err.contains("cotavia fill")) << err.toStdString();
  EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
  EXPECT_FALSE(dir.exists("x.prn"));

  struct Case {
    const char *proposal, *note, *total;
  };
  dir.write("P0001.KVT", joinCrLf(standardHeader()));  // the call copied in again, say
  for (const Case& k : {Case{"P0005.KVT", "o relatório mostra os itens de P0005.KVT sem preços", "0,00"},
                        Case{"P0001.KVT", "foi usada a proposta gravada, E12345678000190_P0001.KVT", "20,00"}}) {
    r = cotaviaRun(
        {"print-report", "--pdf", dir.file("x.pdf"), "--dir", dir.path(), "--proposal", k.proposal, "--verbose"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    err = QString::fromUtf8(r.err);
    EXPECT_TRUE(err.contains(QString::fromUtf8(k.note))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("total geral ") + k.total + "\n")) << err.toStdString();
    EXPECT_TRUE(dir.exists("x.pdf"));
    QFile::remove(dir.file("x.pdf"));
  }
}
