#include "app/core/item_entry.h"
#include "app/core/price_memory.h"
#include "app/core/save.h"
#include "app/core/supplier.h"
#include "platform/error.h"
#include "platform/files.h"

#include "core_fixtures.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cerrno>
#include <map>

#include <sys/wait.h>
#include <unistd.h>

using namespace cotavia;
using namespace cotavia::test;

namespace {

struct SavedFolder {
  TempDir dir;
  ProposalRef target;
  Proposal proposal;
  SavedFolder() {
    Item a;
    Item b;
    b.number = "0002";
    b.quantity = "30000";
    dir.write("P0001.KVT", joinCrLf(standardHeader()) + itemLine(a) + "\r\n" + itemLine(b) + "\r\n");
    target = {dir.path(), "P0001.KVT", "12345678000190"};
    proposal = loadProposal(dir.file("P0001.KVT"));
  }
  std::string refusal(const Proposal& p, const SupplierData& s = {}) {
    try {
      saveProposal(target, p, s);
    } catch (const AppError& e) {
      return e.what();
    }
    return "no error";
  }
};

}  // namespace

TEST(SupplierFiles, IdentityFile) {
  TempDir dir;
  EXPECT_FALSE(readIdentity(dir.path()));
  EXPECT_FALSE(readIdentityLine(dir.path()));
  dir.write("CNPJCPF.KSD", " \t \r\n12345678000190\r\n");
  EXPECT_FALSE(readIdentity(dir.path()));  // a blank first line is as if there were no file
  EXPECT_EQ(readIdentityLine(dir.path()), QByteArray(" \t "));
  dir.write("CNPJCPF.KSD", "");
  EXPECT_FALSE(readIdentity(dir.path()));
  dir.write("CNPJCPF.KSD", "1234567800019099\n");
  EXPECT_EQ(readIdentity(dir.path()), QByteArray("12345678000190"));  // first 14 characters

  // A CPF typed on first access is stored with three leading zeros; longer texts stay whole.
  EXPECT_EQ(writeIdentity(dir.path(), "12345678901"), "00012345678901");
  EXPECT_EQ(dir.read("CNPJCPF.KSD"), "00012345678901\r\n");
  EXPECT_EQ(readIdentity(dir.path()), QByteArray("00012345678901"));
  EXPECT_EQ(padIdentity("123456789012345"), "123456789012345");
  EXPECT_EQ(padIdentity(""), "00000000000000");

  // Check digits decide first (a CPF is stored with three leading zeros), then the length.
  struct Shown {
    const char *stored, *display;
  };
  for (const Shown& k : {
           Shown{"12345678000195", "CNPJ: 12.345.678/0001-95"},  // valid CNPJ
           Shown{"00012345678909", "CPF: 123.456.789-09"},       // valid CPF as stored
           Shown{"12345678909", "CPF: 123.456.789-09"},          // valid CPF unpadded
           Shown{"00000000000191", "CNPJ: 00.000.000/0001-91"},  // valid CNPJ, and its last 11 a valid CPF
           Shown{"12312345678909", "CNPJ: 12.312.345/6789-09"},  // not a CNPJ, no zeros before a CPF
           Shown{"00012345678901", "CPF: 123.456.789-01"},       // neither, padded as a CPF
           Shown{"12345678000190", "CNPJ: 12.345.678/0001-90"},  // neither: by length
           Shown{"345678000190  ", "CNPJ: 00.345.678/0001-90"},
           Shown{"12345678901   ", "CPF: 123.456.789-01"},
           Shown{"5678901", "CPF: 000.056.789-01"},
       })
    EXPECT_EQ(identityDisplay(k.stored), k.display) << k.stored;
}

TEST(SupplierFiles, SupplierDataFile) {
  TempDir dir;
  EXPECT_FALSE(supplierDataExists(dir.path()));
  SupplierData d = readSupplierData(dir.path());
  EXPECT_TRUE(d.name.isEmpty() && d.address.isEmpty() && d.city.isEmpty());
  dir.write("FORNEC.KSD", "Papelaria S\xE3o Jos\xE9 Ltda\r\n");
  d = readSupplierData(dir.path());
  EXPECT_EQ(d.name, "Papelaria S\xE3o Jos\xE9 Ltda");
  EXPECT_TRUE(d.address.isEmpty() && d.city.isEmpty());
  writeSupplierData(dir.path(), {"  Nome  ", "", "Cidade"});
  EXPECT_EQ(dir.read("FORNEC.KSD"), "  Nome  \r\n\r\nCidade\r\n");
  d = readSupplierData(dir.path());
  EXPECT_EQ(d.name, "  Nome  ");
  EXPECT_EQ(d.city, "Cidade");
}

// An identity typed or given anew must be a CNPJ or CPF with the right check digits; the refusal
// says which digits to check.
TEST(SupplierFiles, NewIdentityNeedsItsCheckDigits) {
  struct Case {
    QString typed;
    const char* result;  // the identity as kept, or the start of the refusal
  };
  for (const Case& c : {
           Case{"12345678000195", "12345678000195"},
           Case{"11222333000181", "11222333000181"},
           Case{"12345678909", "00012345678909"},
           Case{"52998224725", "00052998224725"},
           Case{"00012345678909", "00012345678909"},  // a CPF as CNPJCPF.KSD keeps it
           Case{"12345678000190", "O CNPJ 12.345.678/0001-90 não é válido: confira os dígitos."},
           Case{"12345678000159", "O CNPJ 12.345.678/0001-59 não é válido"},
           Case{"12345678901", "O CPF 123.456.789-01 não é válido: confira os dígitos."},
           Case{"11111111111", "O CPF 111.111.111-11 não é válido"},  // right sums, never issued
           Case{"00000000000000", "O CPF 000.000.000-00 não é válido"},
           Case{"123", "O CNPJ/CPF 123 não é válido: um CNPJ tem 14 dígitos e um CPF tem 11."},
           Case{"12.345.678/0001-95", "O CNPJ/CPF \"12.345.678/0001-95\" contém caracteres que não são números"},
           Case{QStringLiteral("１２３４５６７８９０９"), "O CNPJ/CPF \"１２３４５６７８９０９\" contém caracteres"},
           Case{"1234567890\n9", "O CNPJ/CPF \"1234567890?9\" contém"},
           Case{"", "Informe o CNPJ (14 dígitos) ou o CPF (11 dígitos)"},
       }) {
    try {
      EXPECT_EQ(newIdentity(c.typed), QByteArray(c.result)) << c.typed.toStdString();
    } catch (const AppError& e) {
      EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(QString::fromUtf8(c.result)))
          << c.typed.toStdString() << ": " << e.what();
    }
  }
  EXPECT_TRUE(isValidCnpj("12345678000195") && isValidCpf("12345678909"));
  EXPECT_FALSE(isValidCnpj("00012345678909") || isValidCpf("1234567890a") || isValidCpf("123456789090"));
}

TEST(Gravar, WritesTheThreeFilesAndReopens) {
  SavedFolder f;
  Proposal p = f.proposal;
  applyItemEntry(p.rows[1], "ACME", 2.5L, 1, 0.5L);
  const SupplierData s{"Papelaria Central", "Rua A, 1", "Curitiba"};
  const QString response = saveProposal(f.target, p, s);
  EXPECT_EQ(response, f.dir.file("E12345678000190_P0001.KVT"));

  const QByteArray written = f.dir.read("E12345678000190_P0001.KVT");
  EXPECT_TRUE(written.endsWith("ACME\r\n"));
  EXPECT_EQ(f.dir.read("P0001.KVT"), written);  // the input file now holds the priced proposal
  EXPECT_EQ(f.dir.read("FORNEC.KSD"), "Papelaria Central\r\nRua A, 1\r\nCuritiba\r\n");

  const Proposal back = loadProposal(f.dir.file("P0001.KVT"));
  EXPECT_EQ(back.rows, p.rows);
  EXPECT_EQ(back.rows[1][ColTotal], "          7,00");  // 3 x 2,5 - 1 + 0,5

  // Saving twice leaves identical files; no temporary file is left behind.
  const auto before = folderSnapshot(f.dir.path());
  saveProposal(f.target, back, s);
  EXPECT_EQ(folderSnapshot(f.dir.path()), before);
  EXPECT_EQ(before.size(), 3u);
}

TEST(Gravar, RefusalsLeaveEveryFileAsItWas) {
  SavedFolder f;
  f.dir.write("FORNEC.KSD", "Antigo\r\n");
  const auto before = folderSnapshot(f.dir.path());
  auto has = [](const std::string& s, const char* part) { return s.find(part) != std::string::npos; };

  Proposal p = f.proposal;  // negative item total
  applyItemEntry(p.rows[1], "", 1, 100, 0);
  std::string e = f.refusal(p, {"Novo", "", ""});
  EXPECT_TRUE(has(e, "item 0002") && has(e, "negativo")) << e;
  EXPECT_EQ(folderSnapshot(f.dir.path()), before);

  p = f.proposal;  // a unit price too wide for its column
  applyItemEntry(p.rows[0], "", 10000000, 0, 0);
  e = f.refusal(p, {"Novo", "", ""});
  EXPECT_TRUE(has(e, "item 0001") && has(e, "grande demais")) << e;
  EXPECT_EQ(folderSnapshot(f.dir.path()), before);

  // An identity that cannot be part of a file name: each refused character on its own.
  for (QByteArray bad : {QByteArray("../../etc/x"), QByteArray("12/34"), QByteArray("12\\34"), QByteArray("12\n34"),
                         QByteArray("12..34"),
                         QByteArray("12\x7f"
                                    "34"),
                         QByteArray("")}) {
    ProposalRef t = f.target;
    t.identity = bad;
    try {
      saveProposal(t, f.proposal, {"Novo", "", ""});
      ADD_FAILURE() << "accepted " << bad.toStdString();
    } catch (const AppError& err) {
      EXPECT_TRUE(has(err.what(), "não pode fazer parte de um nome de arquivo")) << err.what();
    }
    EXPECT_THROW(exportProposal(t, f.dir.path()), AppError);
  }
  EXPECT_EQ(folderSnapshot(f.dir.path()), before);
}

TEST(Gravar, FailedWritesAreReported) {
  SavedFolder f;
  // The response file's name is taken by a folder: nothing else is written.
  QDir(f.dir.path()).mkdir("E12345678000190_P0001.KVT");
  const auto before = folderSnapshot(f.dir.path());
  EXPECT_THROW(saveProposal(f.target, f.proposal, {"Novo", "", ""}), AppError);
  EXPECT_EQ(folderSnapshot(f.dir.path()), before);
  QDir(f.dir.path()).rmdir("E12345678000190_P0001.KVT");

  // The copy over the input file cannot be made: reported, not silent.
  SavedFolder g;
  QDir(g.dir.path()).mkdir("P0002.KVT");
  ProposalRef t = g.target;
  t.inputFileName = "P0002.KVT";
  try {
    saveProposal(t, g.proposal, {});
    FAIL() << "no error";
  } catch (const AppError& e) {
    EXPECT_NE(std::string(e.what()).find("P0002.KVT"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(g.dir.exists("FORNEC.KSD"));
}

TEST(Export, CopiesTheFileAsLastSaved) {
  SavedFolder f;
  TempDir pen;
  // Nothing saved yet: the missing response file is named.
  try {
    exportProposal(f.target, pen.path());
    FAIL() << "no error";
  } catch (const AppError& e) {
    EXPECT_NE(std::string(e.what()).find("E12345678000190_P0001.KVT: File not found"), std::string::npos) << e.what();
  }
  saveProposal(f.target, f.proposal, {});
  const QByteArray saved = f.dir.read("E12345678000190_P0001.KVT");
  pen.write("E12345678000190_P0001.KVT", "old content");
  EXPECT_EQ(exportProposal(f.target, pen.path()), pen.file("E12345678000190_P0001.KVT"));
  EXPECT_EQ(pen.read("E12345678000190_P0001.KVT"), saved);
  EXPECT_EQ(exportQuestion(exportTargetPath(pen.path(), f.target)),
            "Exportar o Arquivo para: " + pen.path() + "/E12345678000190_P0001.KVT ???");

  // Onto itself (the program's folder by any path): the file stays as it is, and the editor
  // can tell beforehand that nothing would be copied.
  EXPECT_TRUE(exportIsInPlace(f.target, f.dir.path() + "/."));
  EXPECT_FALSE(exportIsInPlace(f.target, pen.path()));
  EXPECT_FALSE(exportIsInPlace(f.target, pen.file("nao/existe")));
  EXPECT_NO_THROW(exportProposal(f.target, f.dir.path()));
  EXPECT_EQ(f.dir.read("E12345678000190_P0001.KVT"), saved);
  // A folder that does not exist.
  EXPECT_THROW(exportProposal(f.target, pen.file("nao/existe")), AppError);

  // A pen drive that takes writes it cannot store: the copy read back is short. The export fails
  // saying so, the copy goes and the file exported before stays.
  const NoFaults restoreHook;
  setFileFaultHook([&](FileStep step, const QString&) {
    if (step == FileStep::ReadBack)
      for (const QString& n : QDir(pen.path()).entryList({"*.tmp"}, QDir::Files | QDir::Hidden))
        QFile::resize(pen.file(n), 100);
    return 0;
  });
  pen.write("E12345678000190_P0001.KVT", "exported before");
  try {
    exportProposal(f.target, pen.path());
    ADD_FAILURE() << "no error";
  } catch (const AppError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::BadCopy);
    EXPECT_NE(userMessage(e).indexOf("o pen drive (ou o disco) pode estar com defeito ou cheio"), -1)
        << userMessage(e).toStdString();
  }
  EXPECT_EQ(QDir(pen.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"E12345678000190_P0001.KVT"});
  EXPECT_EQ(pen.read("E12345678000190_P0001.KVT"), "exported before");
}

// What counts as a change not yet saved: a row or a supplier field that differs from the state
// last loaded or saved; the same content again is no change.
TEST(UnsavedChanges, RowsAndSupplierFieldsAgainstTheSavedState) {
  SavedFolder f;
  const EditorState saved{f.proposal.rows, {"Papelaria", "Rua A", "Cidade"}};
  EXPECT_FALSE(hasUnsavedChanges(saved, saved));
  EditorState ok = saved;
  applyItemEntry(ok.rows[0], "", 0, 0, 0);  // an unpriced item confirmed with empty fields holds zeros
  EXPECT_TRUE(hasUnsavedChanges(saved, ok));
  EditorState again = ok;
  applyItemEntry(again.rows[0], "", 0, 0, 0);
  EXPECT_FALSE(hasUnsavedChanges(ok, again));
  for (QByteArray SupplierData::*field : {&SupplierData::name, &SupplierData::address, &SupplierData::city}) {
    EditorState typed = saved;
    typed.supplier.*field += "x";
    EXPECT_TRUE(hasUnsavedChanges(saved, typed));
  }
}

namespace {
void restore(const QString& folder, const std::map<QString, QByteArray>& files) {
  QDir dir(folder);
  for (const QString& f : dir.entryList(QDir::Files | QDir::Hidden)) dir.remove(f);
  for (const auto& [name, bytes] : files) writeFile(folder + "/" + name, bytes);
}
}  // namespace

// A full disk (or any failure) at any step of a save, or a kill after its decision, leaves the
// three files of the last save or of this one, never a mix, and no file of ours behind.
TEST(Gravar, AFailureAtAnyStepLeavesTheOldSaveOrTheNewOneWhole) {
  SavedFolder f;
  f.dir.write("FORNEC.KSD", "Antigo\r\n");
  Proposal p = f.proposal;
  applyItemEntry(p.rows[1], "ACME", 2.5L, 1, 0.5L);
  const SupplierData s{"Papelaria Central", "Rua A, 1", "Curitiba"};
  const auto before = folderSnapshot(f.dir.path());
  saveProposal(f.target, p, s);
  const auto after = folderSnapshot(f.dir.path());

  const NoFaults restoreHook;
  int finishedLater = 0;
  for (int k = 1;; ++k) {
    restore(f.dir.path(), before);
    int calls = 0;
    setFileFaultHook([&](FileStep, const QString&) { return ++calls == k ? ENOSPC : 0; });
    try {
      saveProposal(f.target, p, s);
      setFileFaultHook({});
      EXPECT_EQ(folderSnapshot(f.dir.path()), after) << k;
      break;
    } catch (const AppError& e) {
      EXPECT_EQ(e.kind(), ErrorKind::NoSpace) << k;
      EXPECT_NE(std::string(e.what()).find("sem espaço no disco"), std::string::npos) << e.what();
    }
    setFileFaultHook({});
    const auto failed = folderSnapshot(f.dir.path());
    if (failed != before) ++finishedLater;
    // What start-up or the next save does.
    finishInterruptedSave(f.dir.path(), "P0001.KVT");
    const auto now = folderSnapshot(f.dir.path());
    EXPECT_TRUE(now == (failed == before ? before : after)) << "fault at step " << k;
  }
  EXPECT_GT(finishedLater, 0);  // some faults came after the decision and were finished later
}

TEST(Gravar, RefusesALinkAtAnyFileItWrites) {
  for (const char* name : {"P0001.KVT", "E12345678000190_P0001.KVT", "FORNEC.KSD"}) {
    SavedFolder f;
    TempDir outside;
    outside.write("passwd", "root:x:0:0\n");
    QFile::remove(f.dir.file(name));
    ASSERT_TRUE(QFile::link(outside.file("passwd"), f.dir.file(name)));
    const auto before = folderSnapshot(f.dir.path());
    try {
      saveProposal(f.target, f.proposal, {"Novo", "", ""});
      ADD_FAILURE() << name << ": no error";
    } catch (const AppError& e) {
      EXPECT_EQ(e.kind(), ErrorKind::Link) << name;
      EXPECT_EQ(e.file(), f.dir.file(name));
    }
    EXPECT_EQ(outside.read("passwd"), "root:x:0:0\n") << name;
    EXPECT_EQ(folderSnapshot(f.dir.path()), before) << name;
    EXPECT_TRUE(QFileInfo(f.dir.file(name)).isSymLink()) << name;
  }
}

TEST(Gravar, RemovesTemporaryAndLockFilesOfProgramsNoLongerRunning) {
  SavedFolder f;
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  const QString dead = QStringLiteral(".cotavia.FORNEC.KSD.%1.0x.tmp").arg(child);
  const QString alive = QStringLiteral(".cotavia.FORNEC.KSD.%1.0x.tmp").arg(::getpid());
  f.dir.write(dead, "half");
  f.dir.write(alive, "being written");
  f.dir.write(".cotavia.P0002.KVT.lock", "");  // left by a killed save of another proposal
  // A save of another proposal killed after its decision: its journal still needs its file.
  const QString pending = QStringLiteral(".cotavia.P0002.KVT.%1.0x.tmp").arg(child);
  f.dir.write(pending, "P0002 priced");
  f.dir.write(".cotavia.P0002.KVT.journal", "cotavia-journal 2\n" + pending.toUtf8() + "\tP0002.KVT\n");
  saveProposal(f.target, f.proposal, {});
  EXPECT_FALSE(f.dir.exists(dead));
  EXPECT_TRUE(f.dir.exists(alive));
  EXPECT_FALSE(f.dir.exists(".cotavia.P0002.KVT.lock"));
  EXPECT_TRUE(f.dir.exists(pending));
  finishInterruptedSaves(f.dir.path());
  EXPECT_EQ(f.dir.read("P0002.KVT"), "P0002 priced");
  // So does an export, in the folder it copies to (a pen drive an export killed halfway wrote to).
  TempDir pen;
  const QString deadCopy = QStringLiteral(".cotavia.E12345678000190_P0001.KVT.%1.0x.tmp").arg(child);
  pen.write(deadCopy, "half a copy");
  exportProposal(f.target, pen.path());
  EXPECT_FALSE(pen.exists(deadCopy));
}

// Any name a folder can hold saves, is finished after a kill and cleaned up; a journal of the
// earlier format is still finished; a name too long for the save's own files is refused first.
TEST(Gravar, AnyFileNameSavesAndAnInterruptedSaveOfItIsFinished) {
  const NoFaults restoreHook;
  for (const QString& name : {QStringLiteral("P\t1.KVT"), QStringLiteral("P\n2.KVT"), QStringLiteral("P\r3 %0A.KVT"),
                              QStringLiteral("P ção 4.KVT")}) {
    const std::string what = name.toStdString();
    SavedFolder f;
    QFile::rename(f.dir.file("P0001.KVT"), f.dir.file(name));
    ProposalRef t = f.target;
    t.inputFileName = name;
    Proposal p = loadProposal(f.dir.file(name));
    applyItemEntry(p.rows[1], "ACME", 2.5L, 1, 0.5L);
    setFileFaultHook([&](FileStep step, const QString& file) {
      return step == FileStep::Rename && file == f.dir.file(name) ? EIO : 0;
    });
    EXPECT_THROW(saveProposal(t, p, {}), AppError) << what;
    setFileFaultHook({});
    finishInterruptedSave(f.dir.path(), name);
    EXPECT_EQ(f.dir.read(name), f.dir.read("E12345678000190_" + name)) << what;
    EXPECT_EQ(loadProposal(f.dir.file(name)).rows, p.rows) << what;
    EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden).filter(".cotavia."), QStringList()) << what;
  }
  // A journal written by the earlier format.
  SavedFolder old;
  old.dir.write(".cotavia.P0001.KVT.1.0x.tmp", "new");
  old.dir.write(".cotavia.P0001.KVT.journal", "cotavia-journal 1\n.cotavia.P0001.KVT.1.0x.tmp\tP0001.KVT\n");
  finishInterruptedSave(old.dir.path(), "P0001.KVT");
  EXPECT_EQ(old.dir.read("P0001.KVT"), "new");
  EXPECT_FALSE(old.dir.exists(".cotavia.P0001.KVT.journal"));

  SavedFolder longName;
  const QString name = QString(235, QChar('P')) + ".KVT";
  QFile::rename(longName.dir.file("P0001.KVT"), longName.dir.file(name));
  const auto before = folderSnapshot(longName.dir.path());
  ProposalRef t = longName.target;
  t.inputFileName = name;
  try {
    saveProposal(t, longName.proposal, {});
    ADD_FAILURE() << "no error";
  } catch (const AppError& e) {
    EXPECT_EQ(e.file(), longName.dir.file(name));
    EXPECT_NE(std::string(e.what()).find("longo demais"), std::string::npos) << e.what();
  }
  EXPECT_EQ(folderSnapshot(longName.dir.path()), before);
}

// A save goes on whatever happens to the book: another program holding it, a damaged file. The
// warning says so; the damaged file is left as it was.
TEST(PriceMemory, SaveWarnsWhenTheBookCannotTakeIt) {
  TempDir dir;
  dir.write("P0001.KVT", readFile(sourceDir() + "/demo/P0001.KVT"));
  const ProposalRef target{dir.path(), "P0001.KVT", "12345678000195"};
  const Proposal p = loadProposal(dir.file("P0001.KVT"));
  const QString book = dir.file("precos.sqlite");
  const PriceBookAt bookAt(book);

  EXPECT_EQ(recordSavedProposal(target, p), QString());  // the book, created
  {
    // Another connection holds the book's write lock.
    QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
    other.setDatabaseName(book);
    ASSERT_TRUE(other.open());
    QSqlQuery(other).exec("BEGIN EXCLUSIVE");
    const QString warning = recordSavedProposal(target, p);
    EXPECT_TRUE(warning.contains("A proposta foi gravada")) << warning.toStdString();
    EXPECT_TRUE(warning.contains("em uso por outro programa")) << warning.toStdString();
    QSqlQuery(other).exec("ROLLBACK");
    other.close();
  }
  QSqlDatabase::removeDatabase("other");

  const QByteArray garbage = QByteArray("isto não é um histórico de preços\n").repeated(200);
  dir.write("damaged.sqlite", garbage);
  setPriceBookLocation(dir.file("damaged.sqlite"));
  saveProposal(target, p, {});
  const QString warning = recordSavedProposal(target, p);
  EXPECT_TRUE(warning.contains("danificado")) << warning.toStdString();
  EXPECT_TRUE(dir.exists("E12345678000195_P0001.KVT"));
  EXPECT_EQ(dir.read("damaged.sqlite"), garbage);
}
