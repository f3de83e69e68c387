// cotavia prices and cotavia fill with spreadsheets, run as the real program on the demo.
#include "cli_run.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <xlsxwriter.h>
#include <QDir>
#include <QFile>

#include <map>

using namespace cotavia::test;

namespace {

const QString kResponse = QStringLiteral("E12345678000195_P0001.KVT");

struct Demo {
  TempDir dir;
  Demo() {
    for (const char* f : {"P0001.KVT", "precos.csv"}) dir.write(f, readFile(QStringLiteral(COTAVIA_DEMO_DIR "/") + f));
  }
  QStringList args(const char* command, const QStringList& extra) const {
    return QStringList{command, "--dir", dir.path(), "--proposal", "P0001.KVT", "--identity", "12345678000195"} + extra;
  }
};

}  // namespace

// Export, import unchanged (nothing changes), edit and import (the edit is priced); extra
// columns are ignored.
TEST(CliPrices, ExportAndImportRoundTrip) {
  Demo d;
  ProgramRun r = cotaviaRun(d.args("prices", {"--out", d.dir.file("out.xlsx")}));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("ainda não foi gravada")) << r.err.toStdString();

  r = cotaviaRun(d.args("fill", {"--prices", d.dir.file("precos.csv")}));
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QByteArray saved = d.dir.read(kResponse);
  for (const char* out : {"out.xlsx", "out.csv"}) {
    r = cotaviaRun(d.args("prices", {"--out", d.dir.file(out), "--verbose"}));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("40 item(ns) gravado(s) em ") + d.dir.file(out).toLocal8Bit() + "\n");
  }
  for (const char* in : {"out.xlsx", "out.csv"}) {
    r = cotaviaRun(d.args("fill", {"--prices", d.dir.file(in)}));
    ASSERT_EQ(r.exitCode, 0) << in << ": " << r.err.toStdString();
    EXPECT_EQ(d.dir.read(kResponse), saved) << in;
    EXPECT_EQ(d.dir.read("P0001.KVT"), saved) << in;
  }

  // The sheet edited: a new price for item 0003 (quantity 300).
  QByteArray csv = d.dir.read("out.csv");
  const qsizetype at = csv.indexOf("\r\n0003;Faber-Castell;0,4500;");
  ASSERT_GE(at, 0);
  csv.replace(at, 28, "\r\n0003;Faber-Castell;0,5000;");
  d.dir.write("out.csv", csv);
  ASSERT_EQ(cotaviaRun(d.args("fill", {"--prices", d.dir.file("out.csv")})).exitCode, 0);
  const QList<QByteArray> before = saved.split('\n'), after = d.dir.read(kResponse).split('\n');
  ASSERT_EQ(before.size(), after.size());
  for (qsizetype i = 0; i < before.size(); ++i) {
    if (!before[i].startsWith("I0003")) {
      EXPECT_EQ(after[i], before[i]);
      continue;
    }
    EXPECT_EQ(after[i].mid(128, 11), "       5000");  // 0,5 x 10000
    EXPECT_EQ(after[i].mid(161, 11), "      15000");  // 300 x 0,50
  }

  EXPECT_EQ(cotaviaRun(d.args("prices", {"--out", d.dir.file("out.txt")})).exitCode, 2);
}

// A refused spreadsheet names its cell on one line and writes nothing.
TEST(CliPrices, SpreadsheetRefusalNamesTheCell) {
  Demo d;
  const QByteArray path = QFile::encodeName(d.dir.file("ruim.xlsx"));
  lxw_workbook* wb = workbook_new(path.constData());
  lxw_worksheet* ws = workbook_add_worksheet(wb, "Precos");
  const char* head[] = {"item", "marca", "preco_unitario", "desconto", "acrescimo"};
  for (int c = 0; c < 5; ++c) worksheet_write_string(ws, 0, lxw_col_t(c), head[c], nullptr);
  worksheet_write_string(ws, 1, 0, "0003", nullptr);
  worksheet_write_number(ws, 1, 2, 0.45, nullptr);
  worksheet_write_string(ws, 2, 0, "0004", nullptr);
  worksheet_write_number(ws, 2, 2, 0.12345, nullptr);
  ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);
  const auto before = folderSnapshot(d.dir.path());
  const ProgramRun r = cotaviaRun(d.args("fill", {"--prices", d.dir.file("ruim.xlsx")}));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.startsWith("cotavia fill: ")) << r.err.toStdString();
  EXPECT_TRUE(r.err.endsWith(path + ": Precos!C3: preço unitário '0,12345' tem mais de 4 casas decimais\n"))
      << r.err.toStdString();
  EXPECT_EQ(folderSnapshot(d.dir.path()), before);
}

// The .xlsx is put together in the system's temporary folder: when that is full, the message
// names it and TMPDIR (not the output's folder), on one line, without the library's own lines.
TEST(CliPrices, AFullTemporaryFolderIsNamed) {
  SmallFileSystem disk(64);
  if (!disk.mounted()) GTEST_SKIP() << "mounting a small file system is not permitted here";
  Demo d;
  ASSERT_EQ(cotaviaRun(d.args("fill", {"--prices", d.dir.file("precos.csv")})).exitCode, 0);
  disk.fill();
  const QByteArray old = qgetenv("TMPDIR");
  qputenv("TMPDIR", QFile::encodeName(disk.path()));
  const ProgramRun r = cotaviaRun(d.args("prices", {"--out", d.dir.file("out.xlsx")}));
  if (old.isEmpty())
    qunsetenv("TMPDIR");
  else
    qputenv("TMPDIR", old);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("pasta temporária do sistema, \"" + QFile::encodeName(disk.path()) + "\"") &&
              r.err.contains("TMPDIR") && r.err.contains("sem espaço no disco"))
      << r.err.toStdString();
  EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
  EXPECT_FALSE(d.dir.exists("out.xlsx"));
}
