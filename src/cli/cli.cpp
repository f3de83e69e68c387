#include "cli/cli.h"

#include "app/core/price_memory.h"
#include "app/core/proposal_file.h"
#include "app/core/save.h"
#include "app/core/supplier.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/files.h"
#include "sheets/price_table.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>

namespace cotavia::cli {

namespace {

struct Command {
  const char* name;
  int (*fn)(const Args&);
  QStringList valueOptions;
  QStringList flagOptions;
};

const QList<Command>& commands() {
  static const QList<Command> list = {
      {"fill", cmdFill, {"dir", "proposal", "prices", "supplier", "address", "city", "identity", "db"}, {"verbose"}},
      {"export", cmdExport, {"dir", "proposal", "to", "identity"}, {"verbose"}},
      {"print-text",
       cmdPrintText,
       {"dir", "proposal", "identity", "model", "prn", "rtx", "txt", "printer", "port"},
       {"verbose"}},
      {"print-report",
       cmdPrintReport,
       {"dir", "proposal", "identity", "rpf", "pdf", "printer"},
       {"compress", "verbose"}},
      {"prices", cmdPrices, {"dir", "proposal", "identity", "out"}, {"verbose"}},
      {"suggest", cmdSuggest, {"dir", "proposal", "out", "db"}, {"only-codes", "verbose"}},
      {"history", cmdHistory, {"search", "code", "out", "import", "pdf", "db"}, {"verbose"}},
  };
  return list;
}

const char* kUsage =
    "uso:   cotavia [--dir PASTA]                       abre o programa na PASTA\n"
    "       cotavia fill --dir DIR --proposal P0001.KVT --prices PRECOS.csv|.xlsx|.ods\n"
    "                    [--supplier NAME --address ADDRESS --city CITY] [--identity ID]\n"
    "       cotavia export --dir DIR --proposal P0001.KVT --to FOLDER [--identity ID]\n"
    "       cotavia print-text --dir DIR --proposal P0001.KVT [--identity ID]\n"
    "                    [--model epson|rima|hp|grafico|personalizado]\n"
    "                    [--prn FILE] [--rtx FILE] [--txt FILE] [--printer QUEUE] [--port PATH]\n"
    "       cotavia print-report --dir DIR --proposal P0001.KVT [--identity ID]\n"
    "                    [--rpf FILE] [--compress] [--pdf FILE] [--printer QUEUE]\n"
    "       cotavia prices --dir DIR --proposal P0001.KVT --out PRECOS.xlsx|.csv [--identity ID]\n"
    "       cotavia suggest --dir DIR --proposal P0001.KVT --out SUGESTOES.csv|.xlsx [--only-codes]\n"
    "       cotavia history [--search TEXTO] [--code CODIGO] [--out ARQUIVO.xlsx|.csv] [--pdf ARQUIVO.pdf]\n"
    "       cotavia history --import PASTA\n"
    "Opção de todos os subcomandos: --verbose\n"
    "Histórico de preços (fill, suggest, history): --db postgresql://usuario@servidor/base ou ARQUIVO.sqlite\n"
    "                    (sem --db: a variável COTAVIA_DB, ou ~/.local/share/Cotavia/precos.sqlite)\n";

}  // namespace

bool hasSubcommand(int argc, char** argv) {
  if (argc < 2) return false;
  const char* a = argv[1];
  if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h") || !std::strcmp(a, "help")) return true;
  for (const auto& c : commands())
    if (!std::strcmp(a, c.name)) return true;
  return false;
}

QString required(const Args& a, const QString& name) {
  auto v = a.get(name);
  if (!v || v->isEmpty()) throw UsageError{"falta a opção --" + name};
  return *v;
}

void checkTableName(const QString& out) {
  if (!isPriceTableName(out)) throw UsageError{"--out recebe o nome de um arquivo .xlsx ou .csv"};
}

namespace {

QByteArray identityFor(const Args& a, const QString& dir) {
  QByteArray id;
  if (auto v = a.get("identity")) {
    // Given anew: checked as the first-access panel checks it, and kept as CNPJCPF.KSD would keep it.
    id = newIdentity(*v);
  } else {
    const QString path = joinPath(dir, kIdentityFileName);
    const std::optional<QByteArray> line = readIdentityLine(dir);
    if (!line)
      throw AppError("Não há CNPJ/CPF gravado (" + path.toStdString() + " não existe): informe-o com --identity.");
    const std::optional<QByteArray> read = readIdentity(dir);
    if (!read)
      throw AppError("O CNPJ/CPF gravado em " + path.toStdString() + " está em branco: informe-o com --identity.");
    id = *read;
  }
  checkIdentityForFileName(id);
  return id;
}

}  // namespace

ProposalRef proposalRef(const Args& a, bool withIdentity) {
  ProposalRef ref;
  ref.folder = required(a, "dir");
  ref.inputFileName = required(a, "proposal");
  if (ref.inputFileName.contains('/')) throw UsageError{"--proposal recebe o nome de um arquivo que está em --dir"};
  if (withIdentity) ref.identity = identityFor(a, ref.folder);
  return ref;
}

void notePrintedProposal(const Args& a, const ProposalRef& ref) {
  const PrintedProposal printed = printedProposal(ref);
  QString note;
  if (printed.unpriced)
    note = QStringLiteral("a proposta %1 ainda não foi gravada: o relatório mostra os itens de %1 sem preços.")
               .arg(ref.inputFileName);
  else if (inputDiffersFromSaved(ref))
    note = inputDiffersNote(ref);
  else if (a.verbose())
    note = QStringLiteral("lida a proposta gravada, %1.").arg(printed.fileName);
  if (!note.isEmpty()) std::fprintf(stderr, "cotavia %s: %s\n", a.command, note.toLocal8Bit().constData());
}

int run(int argc, char** argv) {
  const char* name = argv[1];
  if (!std::strcmp(name, "--help") || !std::strcmp(name, "-h") || !std::strcmp(name, "help")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  // Headless: no window is ever opened, but fonts and painting are available.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Success prints nothing and an error one line: Qt's notice about a missing runtime folder
  // (usual for a headless run) is not for the user.
  static QtMessageHandler previousHandler = nullptr;
  previousHandler = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& ctx, const QString& msg) {
    if (msg.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
    if (previousHandler) previousHandler(type, ctx, msg);
  });
  int qargc = 1;
  QGuiApplication app(qargc, argv);

  HeadlessDialogs dlg;
  dlg.echoToStderr = true;
  dlg.defaultAnswer = true;
  DialogsGuard guard(&dlg);

  const Command* cmd = nullptr;
  for (const auto& c : commands())
    if (!std::strcmp(name, c.name)) cmd = &c;

  Args args;
  args.command = cmd->name;
  try {
    for (int i = 2; i < argc; ++i) {
      QString a = QString::fromLocal8Bit(argv[i]);
      if (!a.startsWith("--")) throw UsageError{"argumento inesperado '" + a + "'"};
      QString opt = a.mid(2);
      QString value;
      bool inlineValue = false;
      if (int eq = opt.indexOf('='); eq >= 0) {
        const QByteArray raw(argv[i]);
        value = fileNameFromBytes(raw.mid(raw.indexOf('=') + 1));
        opt = opt.left(eq);
        inlineValue = true;
      }
      if (cmd->flagOptions.contains(opt) && !inlineValue) {
        args.flags << opt;
      } else if (cmd->valueOptions.contains(opt)) {
        if (!inlineValue) {
          if (i + 1 >= argc) throw UsageError{"a opção --" + opt + " precisa de um valor"};
          // A file name with a byte that is not UTF-8 is refused, never taken for another name.
          value = fileNameFromBytes(argv[++i]);
        }
        args.values[opt] = value;
      } else {
        throw UsageError{"a opção --" + opt + " não existe em " + QString::fromLatin1(cmd->name)};
      }
    }
    // A save of this proposal that a kill interrupted is finished before anything reads it.
    const auto dir = args.get("dir"), proposal = args.get("proposal");
    if (dir && proposal && !dir->isEmpty() && !proposal->isEmpty() && !proposal->contains('/'))
      finishInterruptedSave(*dir, *proposal);
    if (const auto db = args.get("db")) {
      if (db->isEmpty()) throw UsageError{"--db precisa de um endereço postgresql://... ou de um arquivo"};
      setPriceBookLocation(*db);
    }
    return cmd->fn(args);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "cotavia %s: uso incorreto: %s. Veja abaixo como usar.\n%s", cmd->name,
                 e.text.toLocal8Bit().constData(), kUsage);
    return 2;
  } catch (const std::exception& e) {
    // The sentence the windows show for the same error, on one line.
    std::fprintf(stderr, "cotavia %s: %s\n", cmd->name, userMessageLine(e).toLocal8Bit().constData());
    return 1;
  }
}

}  // namespace cotavia::cli
