#pragma once
// TTxProgr: the small window shown while a print run, a save or a load goes on. It names the
// job, shows a gauge and a six-frame animation, and offers a cancel button that, once the user
// confirms, sets the engine's cancel flag.
#include <QDialog>
#include <QPixmap>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace cotavia {

class TTxPrint;

class TTxProgr : public QDialog {
  Q_OBJECT
 public:
  // `caption` is the activity: "Imprimindo", "Gravando" or "Lendo".
  TTxProgr(TTxPrint& tx, const QString& caption, const QString& title, qint64 maximum, QWidget* parent = nullptr);

  // Advances the gauge by one.
  void avanca();
  qint64 posicao() const { return posicao_; }
  qint64 maximo() const { return maximo_; }
  // Frame of the animation shown now (0 to 5).
  int quadro() const { return quadro_; }
  // The strip the caption chooses: 0 loading, 1 printing, 2 saving.
  int faixa() const { return faixa_; }
  // One animation strip: six 35 x 34 frames side by side on a fuchsia background.
  static QPixmap Faixa(int qual);

  QLabel* NOMEREL;
  QProgressBar* Progresso;
  QPushButton* SpeedButton1;
  QTimer* Timer1;

 public slots:
  // The cancel button: asks "Deseja realmente Cancelar ?" and, on Yes, sets the cancel flag.
  void SpeedButton1Click();

 protected:
  void showEvent(QShowEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void reject() override;

 private:
  void Timer1Timer();
  void atualizaGauge();

  TTxPrint& tx_;
  qint64 maximo_ = 0;
  qint64 posicao_ = 0;
  int quadro_ = 0;
  int faixa_ = 1;
  QPixmap imagem_;
};

}  // namespace cotavia
