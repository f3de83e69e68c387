#pragma once
// The headless command line: cotavia fill | export | print-text | print-report | prices | suggest |
// history.
#include "app/core/proposal_ref.h"

#include <QString>
#include <QStringList>
#include <map>
#include <optional>

namespace cotavia {
struct PriceSource;
}

namespace cotavia::cli {

// True when the first argument names a subcommand (or asks for help).
bool hasSubcommand(int argc, char** argv);
// Runs the subcommand; returns the exit status (0 ok, 1 error, 2 bad usage).
int run(int argc, char** argv);

// Parsed options of one subcommand: "--name value" pairs and "--flag" switches.
struct Args {
  const char* command = "";  // the subcommand's name, for its messages
  std::map<QString, QString> values;
  QStringList flags;
  bool has(const QString& name) const { return values.count(name) || flags.contains(name); }
  std::optional<QString> get(const QString& name) const {
    auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
  bool verbose() const { return flags.contains("verbose"); }
};

// Thrown for bad usage (exit status 2).
struct UsageError {
  QString text;
};

// The option's value; throws UsageError when missing.
QString required(const Args& a, const QString& name);
// The proposal a command works on: --dir, --proposal (the name of a file in --dir, no path) and,
// unless `withIdentity` is false, the identity: --identity (a valid CNPJ or CPF, made up to 14
// characters as CNPJCPF.KSD keeps it), else the first line of DIR/CNPJCPF.KSD (its first 14
// characters, as they are). Throws UsageError for a missing option or a path in --proposal, and
// AppError when neither gives an identity, when --identity is not a valid CNPJ or CPF, or when the
// identity cannot be part of a file name.
ProposalRef proposalRef(const Args& a, bool withIdentity = true);
// --out of a price table: a name ending in .xlsx or .csv; throws UsageError otherwise.
void checkTableName(const QString& out);
// Says on standard error, once a printout is made, which file it read when that is not simply
// the saved proposal: the input file copied in again (the saved proposal was used), or a
// proposal never saved (its items without amounts). With --verbose, the file read in any case.
void notePrintedProposal(const Args& a, const ProposalRef& ref);

// Where a price of the price memory came from, as suggest and history write it:
// "Prefeitura de X - Pregão 12/2026 - P0001.KVT".
QString sourceText(const PriceSource& s);

// Subcommands, each in its own file.
int cmdFill(const Args& a);
int cmdExport(const Args& a);
int cmdPrintText(const Args& a);
int cmdPrintReport(const Args& a);
int cmdPrices(const Args& a);
int cmdSuggest(const Args& a);
int cmdHistory(const Args& a);

}  // namespace cotavia::cli
