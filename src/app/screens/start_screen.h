#pragma once
// TTCotavia, the start screen: lists the proposal input files of the program's folder, asks for
// the supplier's CNPJ/CPF on first access, deletes a proposal file, shows the tutorial and opens
// the selected proposal in the editor.
#include "platform/files.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;

namespace cotavia {

class TTCotavia : public QWidget {
  Q_OBJECT
 public:
  // Works in `folder` (the program's folder, decided at start-up).
  explicit TTCotavia(const ProgramFolder& folder, QWidget* parent = nullptr);

  // The folder of every proposal file (the program's folder).
  QString folder() const { return folder_; }
  // The identity text as the field holds it (Windows-1252).
  QByteArray identity() const;

  // Activation: lists the folder and reads the identity. Runs once, when the screen first gets
  // the focus; public for tests.
  void FormActivate();
  // Lists the proposal files again (F5), keeping the selection of names still there.
  void refreshList();

  // Every edit of the identity field: keeps the digits only (other characters typed or pasted
  // are dropped with a beep, as the numeric fields drop them), at most 14.
  void MaskEditCNPJCPFChange();
  // "Alterar CNPJ/CPF": the first-access panel again, on the current identity.
  void bbtn_alterarCNPJClick();
  // "Confirmar" on the panel (or Enter in the field): the checks of "Visualizar", then the
  // identity is written and shown.
  void bbtn_confirmarCNPJClick();
  // "Cancelar" on the panel while changing: the identity stays as it was.
  void bbtn_cancelarCNPJClick();
  void bbtn_digitarClick();
  void bbtn_excluirClick();
  void Btn_TutorialClick();
  void Btn_FecharClick();

  // The full tutorial text shown by the tutorial panel.
  static QString tutorialText();

  QListWidget* FileListBox1 = nullptr;
  QLineEdit* MaskEditCNPJCPF = nullptr;
  QWidget* Panel_CNPJCPF = nullptr;
  QWidget* Panel_Ajuda = nullptr;
  QPlainTextEdit* Memo_Ajuda = nullptr;
  QPushButton* bbtn_digitar = nullptr;
  QPushButton* bbtn_excluir = nullptr;
  QPushButton* Btn_Tutorial = nullptr;
  QPushButton* Btn_Fechar = nullptr;
  // The identity in use, in its display form ("CNPJ: 12.345.678/0001-90"), and the way to
  // change it.
  QLabel* Label_CNPJCPF = nullptr;
  QPushButton* bbtn_alterarCNPJ = nullptr;
  QPushButton* bbtn_confirmarCNPJ = nullptr;
  QPushButton* bbtn_cancelarCNPJ = nullptr;

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* obj, QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  // Writes the typed identity to CNPJCPF.KSD and shows it; false, after saying why, when it
  // cannot be written.
  bool storeIdentity();
  void listFiles(const QStringList& keepSelected);
  // Makes an entry of the list the current and only selected one.
  void selectOnly(QListWidgetItem* item);
  // Shows the first-access panel (changing: with "Cancelar" and the current identity).
  void showIdentityPanel(bool changing);
  // The identity line under the list, shown while the panel is not.
  void showIdentity();
  // Says so and returns false when the identity cannot be part of a file name.
  bool identityUsable(const QByteArray& id);
  // The identity typed on the panel is a valid CNPJ or CPF (or the one in use, confirmed
  // unchanged); otherwise says which digits to check, puts the focus in the field and returns false.
  bool identityAccepted();

  const ProgramFolder program_;
  QString folder_;  // the program's folder once the screen is activated
  bool activated_ = false;
  bool identityLoaded_ = false;
  QString identityBefore_;  // the identity while the panel changes it
};

}  // namespace cotavia
