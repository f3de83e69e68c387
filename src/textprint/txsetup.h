#pragma once
// TTxSetup: the setup window of the text print engine. The user chooses the system printer
// (a CUPS queue), the printer model, the page range, the copies and whether to preview.
#include "platform/cups.h"
#include "textprint/txprint.h"

#include <QDialog>
#include <QList>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace cotavia {

// The up-down arrows beside an edit: they read the edit's number, move it by one within
// their range and write it back. Typing in the edit is not limited by the range.
class TUpDown : public QWidget {
  Q_OBJECT
 public:
  TUpDown(QLineEdit* associado, int minimo, int maximo, QWidget* parent = nullptr);
  int Position() const;
  void setPosition(int v);
  void Click(int passo);
  QToolButton* acima;
  QToolButton* abaixo;

 private:
  QLineEdit* edit_;
  int min_, max_;
};

class TTxSetup : public QDialog {
  Q_OBJECT
 public:
  // Filled from `valores`; `impressoras` is the system's printer list (cups::destinations()
  // when not given).
  TTxSetup(TTxPrint& tx, const TxSetupValues& valores, QWidget* parent = nullptr);
  TTxSetup(TTxPrint& tx, const TxSetupValues& valores, const QList<cups::Destination>& impressoras,
           QWidget* parent = nullptr);

  // The values chosen: the ones given, with what the user changed. Fields left empty (or
  // holding no number) keep the value they came with.
  TxSetupValues Valores() const;
  // Name of the chosen system printer; empty when none is installed. A device or file path
  // typed into the list (it begins with "/") is given as it is: output is then written there.
  QString ImpressoraEscolhida() const;
  // The path typed into the printer list, or empty.
  QString PortaDigitada() const;
  // The printer choice rule: the selected printer becomes the current one and the model is
  // guessed from its name.
  void IMPRESSORASChange();
  bool semImpressoras() const { return impressoras_.isEmpty(); }

  QLabel* Titulo;
  QComboBox* IMPRESSORAS;
  QComboBox* MODELOS;
  QGroupBox* SELPAG;
  QRadioButton* Tudo;
  QRadioButton* Paginas;
  QLabel* LDeAte;
  QLineEdit* PAGINI;
  QLineEdit* PAGFIM;
  QLineEdit* COPIAS;
  TUpDown* UpDown1;
  QCheckBox* PREVIEW;
  QPushButton* CANCELAR;
  QPushButton* OK;

  // Shown in the printer list when the system has no printer.
  static QString semImpressoraTexto();

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void accept() override;
  void reject() override;

 private:
  // The window is built in these steps, in this order.
  void monta();
  void montaTitulo();
  void montaImpressoras();  // the printer list and the model list
  void montaPaginas();
  void montaCopias();  // and the preview choice
  int colunaCopias() const;
  void montaBotoes();
  void aplicaCores();
  void preencheImpressoras();
  void preencheValores();  // model, page range, preview and copies from the values given
  void SELPAGClick();
  void PAGINIExit();

  TTxPrint& tx_;
  TxSetupValues valores_;
  QList<cups::Destination> impressoras_;
  bool mostrado_ = false;
};

}  // namespace cotavia
