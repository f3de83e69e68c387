// cotavia print-report: report file (plain and compressed) and PDF of a proposal folder, and
// the one-line errors.
#include "app/core/core_fixtures.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtEndian>

using namespace cotavia::test;

namespace {

using Outcome = ProgramRun;

Outcome cotaviaRun(const QStringList& args) { return runHeadless(QStringLiteral(COTAVIA_BIN), args); }

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
  makeFolder(dir, 30);  // 27 on page 1, 3 and the summary on page 2
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

  if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "poppler-utils not installed";
  QProcess info;
  info.start("pdfinfo", {dir.file("proposta.pdf")});
  ASSERT_TRUE(info.waitForFinished(30000));
  const QString text = QString::fromUtf8(info.readAllStandardOutput());
  EXPECT_TRUE(text.contains(QRegularExpression(R"(Pages:\s+2\n)"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QRegularExpression(R"(Page size:\s+792 x 612 pts)"))) << text.toStdString();
  QProcess pdftotext;
  pdftotext.start("pdftotext", {dir.file("proposta.pdf"), "-"});
  ASSERT_TRUE(pdftotext.waitForFinished(30000));
  const QString body = QString::fromUtf8(pdftotext.readAllStandardOutput());
  // Header texts as the editor shows them after opening: the file's header and FORNEC.KSD.
  EXPECT_TRUE(body.contains("Papelaria Modelo Ltda"));
  EXPECT_TRUE(body.contains(QString::fromUtf8("PREFEITURA MUNICIPAL DE SÃO TESTE")));
  EXPECT_TRUE(body.contains("300,00"));  // 30 x 10,00

  // The first page has the header and items 1 to 27, the last one items 28 to 30 under the same
  // header, then the grand total.
  auto pageText = [&](int page) {
    QProcess p;
    p.start("pdftotext", {"-f", QString::number(page), "-l", QString::number(page), dir.file("proposta.pdf"), "-"});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
  };
  const QString first = pageText(1), last = pageText(2);
  for (const QString& page : {first, last})
    for (const char* header : {"Licitação - Proposta Eletrônica", "PREFEITURA MUNICIPAL DE SÃO TESTE",
                               "Papelaria Modelo Ltda", "Descrição", "Acréscimo"})
      EXPECT_TRUE(page.contains(QString::fromUtf8(header))) << header;
  for (const char* item : {"0001", "0027"}) EXPECT_TRUE(first.contains(item)) << item;
  EXPECT_FALSE(first.contains("0028"));
  EXPECT_FALSE(first.contains("Total:"));
  for (const char* item : {"0028", "0030", "Total:", "300,00"}) EXPECT_TRUE(last.contains(item)) << item;
  EXPECT_FALSE(last.contains("0027"));

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
  EXPECT_TRUE(r.err.contains((dir.file("P0002.KVT") + ":7: '").toUtf8()) &&
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

// Both printouts print what was saved: a proposal never saved is refused in one line that says
// how to save it, and nothing is written.
TEST(CliPrint, AProposalNeverSavedIsRefusedByBothPrintouts) {
  TempDir dir;
  makeFolder(dir, 2);
  dir.write("P0005.KVT", dir.read("P0001.KVT"));
  for (const QStringList& args : {QStringList{"print-report", "--pdf", dir.file("x.pdf")},
                                  QStringList{"print-text", "--prn", dir.file("x.prn")}}) {
    Outcome r = cotaviaRun(args + QStringList{"--dir", dir.path(), "--proposal", "P0005.KVT"});
    EXPECT_EQ(r.exitCode, 1) << args[0].toStdString();
    const QString err = QString::fromUtf8(r.err);
    EXPECT_TRUE(err.contains("proposta P0005.KVT ainda não foi gravada")) << err.toStdString();
    EXPECT_TRUE(err.contains("cotavia fill")) << err.toStdString();
    EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
  }
  EXPECT_FALSE(dir.exists("x.pdf"));
  EXPECT_FALSE(dir.exists("x.prn"));
}
