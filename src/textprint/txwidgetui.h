#pragma once
// The text print engine's windows as widgets: the setup window, the preview and the progress
// window, shown by the engine through TxPrintUi.
#include "textprint/txprint.h"
#include "textprint/txprogr.h"

#include <QList>
#include <QPointer>
#include <functional>

class QWidget;

namespace cotavia {

class TTxPrevi;
class TTxSetup;

class WidgetTxPrintUi : public TxPrintUi {
 public:
  // `dono` is the window the engine's windows belong to (the editor); may be null.
  explicit WidgetTxPrintUi(QWidget* dono = nullptr) : dono_(dono) {}
  ~WidgetTxPrintUi() override;

  bool mostraSetup(TTxPrint& tx, TxSetupValues& values) override;
  void mostraPreview(TTxPrint& tx) override;
  void iniciaProgresso(TTxPrint& tx, const QString& caption, const QString& title, qint64 maximum) override;
  void avancaProgresso(TTxPrint& tx) override;
  void terminaProgresso(TTxPrint& tx) override;
  void processaEventos() override;
  bool perguntaRepetir(TTxPrint& tx, const QString& status) override;
  void mostraAviso(TTxPrint& tx, const QString& text) override;

  // The progress window of the run going on (null between runs).
  TTxProgr* progresso() const { return progr_; }
  // Called with each window right before it is shown (tests drive the windows from here; the
  // setup and preview windows are modal).
  std::function<void(TTxSetup&)> aoMostrarSetup;
  std::function<void(TTxPrevi&)> aoMostrarPreview;
  std::function<void(TTxProgr&)> aoMostrarProgresso;

 private:
  QWidget* pai() const;
  QPointer<QWidget> dono_;
  QPointer<TTxProgr> progr_;
  QList<QPointer<QWidget>> desativadas_;
};

}  // namespace cotavia
