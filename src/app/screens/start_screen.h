#pragma once
// TTCotavia, the start screen: lists the proposal input files of the program's folder, asks for
// the supplier's CNPJ/CPF on first access, deletes a proposal file, shows the tutorial and opens
// the selected proposal in the editor.
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace cotavia {

class TTCotavia : public QWidget {
  Q_OBJECT
 public:
  explicit TTCotavia(QWidget* parent = nullptr);

  // The folder of every proposal file (the program's folder).
  QString folder() const { return folder_; }
  // The identity text as the field holds it (Windows-1252).
  QByteArray identity() const;

  // Activation: lists the folder and reads the identity. Runs once, when the screen first gets
  // the focus; public for tests.
  void FormActivate();
  // Lists the proposal files again (F5), keeping the selection of names still there.
  void refreshList();

  void MaskEditCNPJCPFChange();
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

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  void listFiles(const QStringList& keepSelected);

  QString folder_;
  bool activated_ = false;
  bool identityLoaded_ = false;
};

}  // namespace cotavia
