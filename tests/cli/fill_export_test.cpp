#include "app/core/proposal_file.h"
#include "app/core/save.h"
#include "platform/files.h"

#include "app/core/core_fixtures.h"
#include "cli_run.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QProcess>
#include <QThread>

#include <cerrno>
#include <memory>

#include <sys/stat.h>

#include <map>
#include <tuple>

using namespace cotavia;
using namespace cotavia::test;

namespace {

using Outcome = ProgramRun;

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

  // --verbose reports; --identity overrides the file, a CPF made up to 14 characters as the
  // first-access panel keeps it.
  r = cotaviaRun(f.fill({"--verbose", "--identity", "12345678909"}));
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("10.024,50")) << r.out.toStdString();
  EXPECT_TRUE(f.dir.exists("E00012345678909_P0001.KVT"));
}

TEST(CliFill, RefusalsWriteNothing) {
  Folder f;
  const auto before = folderSnapshot(f.dir.path());
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
    const auto withList = folderSnapshot(f.dir.path());
    Outcome r = cotaviaRun(f.fill());
    EXPECT_EQ(r.exitCode, 1) << c.expected;
    EXPECT_TRUE(r.err.contains(c.expected)) << r.err.toStdString();
    EXPECT_TRUE(oneLine(r.err)) << r.err.toStdString();
    EXPECT_EQ(folderSnapshot(f.dir.path()), withList) << c.expected;
  }
  f.dir.write("precos.csv", before.at("precos.csv"));
  EXPECT_EQ(folderSnapshot(f.dir.path()), before);

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
  // Options the windows would not take: an identity that is not a valid CNPJ or CPF in ASCII
  // digits (one that would leave the folder, full-width digits), supplier fields that FORNEC.KSD
  // cannot hold (an emoji, a line break that would shift its lines, a tab).
  for (const auto& [option, value, expected] : std::initializer_list<std::tuple<const char*, const char*, const char*>>{
           {"--identity", "../../x", "contém caracteres que não são números"},
           {"--identity", "12345678000190", "O CNPJ 12.345.678/0001-90 não é válido: confira os dígitos."},
           {"--identity", "\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x93", "contém caracteres que não são números"},
           {"--supplier", "Papelaria \xF0\x9F\x93\x8E Ltda", "O nome do fornecedor contém \xF0\x9F\x93\x8E"},
           {"--supplier", "Papelaria\r\nRua Falsa, 2", "O nome do fornecedor contém uma quebra de linha"},
           {"--city", "Ita\tpema", "A cidade do fornecedor contém uma tabulação"},
       }) {
    r = cotaviaRun(f.fill({option, QString::fromUtf8(value)}));
    EXPECT_EQ(r.exitCode, 1) << value;
    EXPECT_TRUE(r.err.contains(expected)) << r.err.toStdString();
    EXPECT_TRUE(oneLine(r.err)) << r.err.toStdString();
    EXPECT_EQ(folderSnapshot(f.dir.path()), before) << value;
  }

  // A proposal file that is not one the program can read is refused at open and kept as it
  // was; one a text editor saved as UTF-8 with a byte order mark is read, and saved without it.
  const QString text = QString::fromLatin1(before.at("P0001.KVT"));  // its accents agree with Latin-1
  for (const auto& [content, expected] : std::initializer_list<std::pair<QByteArray, const char*>>{
           {"", "não tem nenhum item"},
           {joinCrLf(standardHeader()), "não tem nenhum item"},
           {QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2), "não tem nenhum item"},
           {"\xEF\xBB\xBF" + text.toUtf8(), nullptr},
       }) {
    Folder h;
    h.dir.write("P0001.KVT", content);
    const auto unsaved = folderSnapshot(h.dir.path());
    r = cotaviaRun(h.fill({"--verbose"}));
    if (!expected) {
      EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
      EXPECT_TRUE(h.dir.read("P0001.KVT").startsWith("CPREFEITURA MUNICIPAL DE S\xC3O TESTE"));
      continue;
    }
    EXPECT_EQ(r.exitCode, 1) << expected;
    EXPECT_TRUE(r.err.contains(expected)) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_EQ(folderSnapshot(h.dir.path()), unsaved) << expected;
  }
}

TEST(CliFill, BadUsageExitsWithTwo) {
  Folder f;
  EXPECT_EQ(cotaviaRun({"fill", "--dir", f.dir.path(), "--proposal", "P0001.KVT"}).exitCode, 2);
  EXPECT_EQ(cotaviaRun(f.fill({"--bogus", "1"})).exitCode, 2);
  EXPECT_EQ(cotaviaRun({"export", "--dir", f.dir.path(), "--proposal", "P0001.KVT"}).exitCode, 2);
  // A path in --proposal, for every command that reads a proposal.
  for (const QStringList& c :
       {QStringList{"fill", "--prices", "x"}, {"print-text", "--txt", "x"}, {"print-report", "--pdf", "x"}})
    EXPECT_EQ(cotaviaRun(QStringList{c[0], "--dir", f.dir.path(), "--proposal", "../P0001.KVT"} + c.mid(1)).exitCode, 2)
        << c[0].toStdString();
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

TEST(CliSaves, AFullDiskIsReportedAndChangesNothing) {
  SmallFileSystem disk(64);
  if (!disk.mounted()) GTEST_SKIP() << "mounting a small file system is not permitted here";
  Folder f;
  ASSERT_EQ(cotaviaRun(f.fill()).exitCode, 0);  // the saved proposal the other commands read
  // A copy of the proposal folder on the disk (for fill) and earlier outputs (for the others).
  for (const QString& n : QDir(f.dir.path()).entryList(QDir::Files)) writeFile(disk.file(n), f.dir.read(n));
  for (const char* n : {"out.prn", "out.txt", "out.rtx", "out.rpf", "out.pdf"}) writeFile(disk.file(n), "old");
  disk.fill();
  const auto before = folderSnapshot(disk.path());
  const QStringList from{"--dir", f.dir.path(), "--proposal", "P0001.KVT"};
  const QList<QStringList> runs{
      {"fill", "--dir", disk.path(), "--proposal", "P0001.KVT", "--prices", disk.file("precos.csv"), "--city", "Ita"},
      QStringList{"export"} + from + QStringList{"--to", disk.path()},
      QStringList{"print-text"} + from + QStringList{"--prn", disk.file("out.prn")},
      QStringList{"print-text"} + from + QStringList{"--txt", disk.file("out.txt")},
      QStringList{"print-text"} + from + QStringList{"--rtx", disk.file("out.rtx")},
      QStringList{"print-report"} + from + QStringList{"--rpf", disk.file("out.rpf")},
      QStringList{"print-report"} + from + QStringList{"--pdf", disk.file("out.pdf")},
  };
  for (const QStringList& args : runs) {
    const std::string what = args.join(' ').toStdString();
    Outcome r = cotaviaRun(args);
    EXPECT_EQ(r.exitCode, 1) << what;
    EXPECT_TRUE(r.err.contains("sem espaço no disco")) << what << "\n" << r.err.toStdString();
    EXPECT_EQ(folderSnapshot(disk.path()), before) << what;
  }
}

TEST(CliFill, AFifoWhereAFileShouldBeIsRefusedAtOnce) {
  for (const char* name : {"P0001.KVT", "FORNEC.KSD", "CNPJCPF.KSD", "precos.csv", "E12345678000190_P0001.KVT"}) {
    Folder f;
    const bool response = QByteArray(name).startsWith('E');
    if (response) {
      ASSERT_EQ(cotaviaRun(f.fill()).exitCode, 0);
    }
    QFile::remove(f.dir.file(name));
    ASSERT_EQ(::mkfifo(QFile::encodeName(f.dir.file(name)).constData(), 0644), 0);
    const Outcome r = cotaviaRun(response ? QStringList{"print-text", "--dir", f.dir.path(), "--proposal", "P0001.KVT",
                                                        "--txt", f.dir.file("out.txt")}
                                          : f.fill());
    EXPECT_EQ(r.exitCode, 1) << name;
    EXPECT_TRUE(r.err.contains(QByteArray(name) + ": não é um arquivo comum")) << r.err.toStdString();
  }
}

// Fills of one proposal run at once, each pricing its own item: each waits for the one before to
// finish saving, so every price is kept.
TEST(CliFill, FillsRunAtOnceKeepEveryPrice) {
  Folder f;
  constexpr int kRuns = 8;
  QByteArray content = joinCrLf(standardHeader());
  for (int i = 1; i <= kRuns; ++i) {
    Item it;
    it.number = QByteArray::number(i).rightJustified(4, '0');
    content += itemLine(it) + "\r\n";
  }
  f.dir.write("P0001.KVT", content);
  std::vector<std::unique_ptr<QProcess>> runs;
  for (int i = 1; i <= kRuns; ++i) {
    const QString list = f.dir.file(QStringLiteral("p%1.csv").arg(i));
    writeFile(list, "item;marca;preco_unitario;desconto;acrescimo\r\n" + QByteArray::number(i).rightJustified(4, '0') +
                        ";M" + QByteArray::number(i) + ";" + QByteArray::number(i) + ";;\r\n");
    runs.push_back(std::make_unique<QProcess>());
    runs.back()->start(QStringLiteral(COTAVIA_BIN),
                       {"fill", "--dir", f.dir.path(), "--proposal", "P0001.KVT", "--prices", list});
  }
  for (auto& r : runs) {
    ASSERT_TRUE(r->waitForFinished(60000));
    EXPECT_EQ(r->exitCode(), 0) << r->readAllStandardError().toStdString();
  }
  const Proposal p = loadProposal(f.dir.file("P0001.KVT"));
  ASSERT_EQ(p.rows.size(), kRuns);
  for (int i = 0; i < kRuns; ++i) EXPECT_EQ(p.rows[i][ColBrand].trimmed(), "M" + QByteArray::number(i + 1)) << i;
  EXPECT_EQ(f.dir.read("P0001.KVT"), f.dir.read("E12345678000190_P0001.KVT"));
}

// A name with a byte that is not UTF-8 (Latin-1 "preços") is refused, naming it; no file is
// written under another name.
TEST(CliFill, ANameThatIsNotUtf8IsRefusedNotReplaced) {
  Folder f;
  ASSERT_EQ(cotaviaRun(f.fill()).exitCode, 0);
  const auto before = folderSnapshot(f.dir.path());
  const QStringList from{"--dir", f.dir.path(), "--proposal", "P0001.KVT"};
  const QByteArray latin1 = QFile::encodeName(f.dir.path()) + "/pre\\347os";
  for (const char* out :
       {"print-text --prn", "print-text --txt", "print-text --rtx", "print-report --pdf", "prices --out"}) {
    // The name goes to the program as the bytes it is (QProcess would make UTF-8 of it).
    const QByteArray cmd = "\"$0\" " + QByteArray(out).replace(" ", " --dir \"$1\" --proposal P0001.KVT ") +
                           " \"$(printf '" + latin1 + ".csv')\"";
    Outcome r = runHeadless("/bin/sh", {"-c", QString::fromUtf8(cmd), QStringLiteral(COTAVIA_BIN), f.dir.path()});
    EXPECT_EQ(r.exitCode, 1) << out;
    EXPECT_TRUE(r.err.contains("pre\\xE7os.csv")) << r.err.toStdString();
    EXPECT_EQ(folderSnapshot(f.dir.path()), before) << out;
  }
}

TEST(CliFill, WaitsWhileAnotherSaveOfTheProposalRunsAndFinishesAnInterruptedOne) {
  Folder f;
  const QByteArray input = f.dir.read("P0001.KVT");
  auto elsewhere = std::make_unique<SaveLock>(f.dir.path(), "P0001.KVT");
  QProcess run;
  run.start(QStringLiteral(COTAVIA_BIN), f.fill());
  ASSERT_TRUE(run.waitForStarted());
  QThread::msleep(1500);
  EXPECT_EQ(f.dir.read("P0001.KVT"), input);  // not written while the other save holds the lock
  EXPECT_FALSE(f.dir.exists("E12345678000190_P0001.KVT"));
  elsewhere.reset();  // the other save ends: the waiting command goes on
  ASSERT_TRUE(run.waitForFinished(60000));
  EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
  EXPECT_EQ(f.dir.read("P0001.KVT"), f.dir.read("E12345678000190_P0001.KVT"));
  EXPECT_NE(f.dir.read("P0001.KVT"), input);

  // A save killed between its renames: the response file is new, the input file old. The next
  // command finishes it before reading the proposal.
  Proposal p = loadProposal(f.dir.file("P0001.KVT"));
  p.rows[1][ColBrand] = "Nova";
  {
    const NoFaults restoreHook;
    setFileFaultHook([](FileStep step, const QString& file) {
      return step == FileStep::Rename && file.endsWith("/P0001.KVT") ? EIO : 0;
    });
    EXPECT_THROW(saveProposal({f.dir.path(), "P0001.KVT", "12345678000190"}, p, {}), AppError);
  }
  ASSERT_NE(f.dir.read("P0001.KVT"), f.dir.read("E12345678000190_P0001.KVT"));
  ASSERT_EQ(cotaviaRun({"print-text", "--dir", f.dir.path(), "--proposal", "P0001.KVT", "--txt", f.dir.file("o.txt")})
                .exitCode,
            0);
  EXPECT_EQ(f.dir.read("P0001.KVT"), f.dir.read("E12345678000190_P0001.KVT"));
  EXPECT_EQ(loadProposal(f.dir.file("P0001.KVT")).rows[1][ColBrand].trimmed(), "Nova");
  EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Hidden | QDir::Files).filter(".cotavia."), QStringList());
}
