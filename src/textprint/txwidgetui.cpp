#include "textprint/txwidgetui.h"

#include "platform/dialogs.h"
#include "textprint/txprevi.h"
#include "textprint/txprogr.h"
#include "textprint/txsetup.h"

#include <QApplication>
#include <QProgressBar>
#include <QWidget>

namespace cotavia {

WidgetTxPrintUi::~WidgetTxPrintUi() {
  for (const QPointer<QWidget>& w : desativadas_)
    if (w) w->setEnabled(true);
  delete progr_.data();
}

QWidget* WidgetTxPrintUi::pai() const {
  // A window shown over a modal one (the preview) must belong to it to take input.
  if (QWidget* m = QApplication::activeModalWidget()) return m;
  return dono_.data();
}

bool WidgetTxPrintUi::mostraSetup(TTxPrint& tx, TxSetupValues& values) {
  TTxSetup janela(tx, values, pai());
  if (aoMostrarSetup) aoMostrarSetup(janela);
  if (janela.exec() != QDialog::Accepted) return false;
  values = janela.Valores();
  // A path typed into the printer list: the output is written straight there instead of
  // going through the spooler. Choosing a system printer again brings the spooler back.
  if (const QString porta = janela.PortaDigitada(); !porta.isEmpty()) {
    tx.UsaGerenciadorImpr = false;
    tx.PortaComunicacao = porta;
  } else if (tx.ImpressoraSistema.startsWith(QLatin1Char('/'))) {
    tx.UsaGerenciadorImpr = true;
  }
  return true;
}

void WidgetTxPrintUi::mostraPreview(TTxPrint& tx) {
  TTxPrevi janela(tx, pai());
  if (aoMostrarPreview) aoMostrarPreview(janela);
  janela.exec();
}

void WidgetTxPrintUi::iniciaProgresso(TTxPrint& tx, const QString& caption, const QString& title, qint64 maximum) {
  terminaProgresso(tx);
  // The program's other windows are disabled while the run goes; the progress window alone
  // takes input.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->isEnabled()) {
      w->setEnabled(false);
      desativadas_.append(w);
    }
  progr_ = new TTxProgr(tx, caption, title, maximum, nullptr);
  progr_->setAttribute(Qt::WA_DeleteOnClose, false);
  progr_->setWindowModality(Qt::ApplicationModal);
  if (aoMostrarProgresso) aoMostrarProgresso(*progr_);
  progr_->show();
  // No event processing here: the engine clears the cancel flag after this call, so a click
  // handled now would be lost. The first gauge step lets the events run.
  progr_->repaint();
}

void WidgetTxPrintUi::avancaProgresso(TTxPrint&) {
  if (progr_) {
    progr_->avanca();
    progr_->Progresso->repaint();
  }
  QApplication::processEvents();
}

void WidgetTxPrintUi::terminaProgresso(TTxPrint&) {
  for (const QPointer<QWidget>& w : desativadas_)
    if (w) w->setEnabled(true);
  desativadas_.clear();
  if (progr_) {
    progr_->hide();
    delete progr_.data();
  }
}

void WidgetTxPrintUi::processaEventos() { QApplication::processEvents(); }

void WidgetTxPrintUi::mostraAviso(TTxPrint&, const QString& text) { dialogs().message(text); }

bool WidgetTxPrintUi::perguntaRepetir(TTxPrint&, const QString& status) {
  // Retry (Yes) or Abort (No).
  return dialogs().confirm(status + QStringLiteral("\n\nTentar novamente?"));
}

}  // namespace cotavia
