#pragma once
// Shared set-up of the engine tests: a headless engine, recorded dialogs and errors, and no job
// left open between tests (the job state is per process).
#include "platform/dialogs.h"
#include "support/support.h"
#include "textprint/txprint.h"

#include <gtest/gtest.h>

#include <functional>

namespace cotavia::test {

// The text an engine call's error shows (its userMessage); empty when the call throws nothing.
inline QString thrown(const std::function<void()>& call) {
  try {
    call();
  } catch (const AppError& e) {
    return userMessage(e);
  }
  return {};
}

class TxTest : public ::testing::Test {
 protected:
  TxTest() {
    tx.setUi(&ui);
    tx.OnErro = [this](TTxPrint&, const QString& m) { erros << m; };
  }
  ~TxTest() override {
    if (tx.JobAberto()) tx.Abortar();
  }
  // Opens a job with the spooler channel (printer bytes into files, no CUPS needed).
  void abre() {
    tx.UsaGerenciadorImpr = true;
    ASSERT_TRUE(tx.Abrir());
  }
  // The printer file of the open job.
  QByteArray prn() {
    const QString f = dir.file("job.prn");
    EXPECT_TRUE(tx.GravarImpressao(f));
    return dir.read("job.prn");
  }

  TempDir dir;
  HeadlessDialogs dlg;
  DialogsGuard guard{&dlg};
  HeadlessTxPrintUi ui;
  TTxPrint tx;
  QStringList erros;
};

// Epson sequences, written out.
inline const QByteArray kReset =
    "\x1bP\x12\x14\x1b"
    "5\x1b"
    "F\x1b-0";
inline const QByteArray kN10 = "\x12\x1bP";
inline const QByteArray kC17 = "\x1bP\x1b\x0f";
inline const QByteArray kPrologo = QByteArray(
                                       "\x1b"
                                       "2"
                                       "\x1b"
                                       "C"
                                       "\x42") +
                                   kReset + kN10;

}  // namespace cotavia::test
