#include "textprint/txprogr.h"

#include "platform/dialogs.h"
#include "textprint/txprint.h"

#include <QBitmap>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <climits>

namespace cotavia {

namespace {

constexpr int kQuadroL = 35;
constexpr int kQuadroA = 34;
const QColor kFucsia(255, 0, 255);

void setaVertical(QPainter& p, int x, int topo, int base, bool paraBaixo, const QColor& cor) {
  p.setPen(Qt::NoPen);
  p.setBrush(cor);
  p.drawRect(x - 2, topo, 5, base - topo);
  QPolygon ponta;
  if (paraBaixo)
    ponta << QPoint(x - 6, base) << QPoint(x + 6, base) << QPoint(x, base + 6);
  else
    ponta << QPoint(x - 6, topo) << QPoint(x + 6, topo) << QPoint(x, topo - 6);
  p.drawPolygon(ponta);
}

// Loading: a sheet fills with lines while an arrow climbs out of the disk below it.
void quadroLendo(QPainter& p, int n) {
  p.setPen(QColor(60, 60, 60));
  p.setBrush(Qt::white);
  p.drawRect(3, 1, 19, 24);
  p.setPen(QColor(0, 0, 128));
  for (int l = 0; l <= n && l < 6; ++l) p.drawLine(6, 5 + l * 3, 19, 5 + l * 3);
  p.setPen(Qt::black);
  p.setBrush(QColor(0, 0, 160));
  p.drawRect(18, 22, 15, 11);
  p.setBrush(QColor(200, 200, 200));
  p.drawRect(21, 22, 8, 4);
  setaVertical(p, 27, 8 + (5 - n) * 2, 22, false, QColor(0, 150, 0));
}

// Printing: a printer feeds out a sheet that grows and fills with lines.
void quadroImprimindo(QPainter& p, int n) {
  const int topo = 14 - n * 2;
  p.setPen(QColor(60, 60, 60));
  p.setBrush(Qt::white);
  p.drawRect(8, topo, 18, 16 - topo + 2);
  p.setPen(QColor(0, 0, 128));
  for (int l = 0; l < n; ++l) p.drawLine(11, topo + 3 + l * 2, 23, topo + 3 + l * 2);
  p.setPen(Qt::black);
  p.setBrush(QColor(170, 170, 170));
  p.drawRoundedRect(1, 16, 32, 12, 2, 2);
  p.setBrush(QColor(90, 90, 90));
  p.drawRect(5, 27, 24, 5);
  p.setPen(Qt::NoPen);
  p.setBrush(n % 2 ? QColor(0, 200, 0) : QColor(0, 90, 0));
  p.drawRect(27, 19, 3, 3);
}

// Saving: an arrow goes down from a sheet into a disk.
void quadroGravando(QPainter& p, int n) {
  p.setPen(QColor(60, 60, 60));
  p.setBrush(Qt::white);
  p.drawRect(1, 1, 14, 18);
  p.setPen(QColor(0, 0, 128));
  for (int l = 0; l < 4; ++l) p.drawLine(3, 5 + l * 3, 12, 5 + l * 3);
  p.setPen(Qt::black);
  p.setBrush(QColor(0, 0, 160));
  p.drawRect(14, 16, 19, 17);
  p.setBrush(QColor(200, 200, 200));
  p.drawRect(18, 16, 10, 6);
  p.setBrush(Qt::white);
  p.drawRect(17, 25, 13, 7);
  setaVertical(p, 24, 2, 4 + n * 2, true, QColor(200, 0, 0));
}

}  // namespace

QPixmap TTxProgr::Faixa(int qual) {
  QPixmap faixa(kQuadroL * 6, kQuadroA);
  faixa.fill(kFucsia);
  QPainter p(&faixa);
  for (int n = 0; n < 6; ++n) {
    p.save();
    p.translate(n * kQuadroL, 0);
    p.setClipRect(0, 0, kQuadroL, kQuadroA);
    if (qual == 0)
      quadroLendo(p, n);
    else if (qual == 2)
      quadroGravando(p, n);
    else
      quadroImprimindo(p, n);
    p.restore();
  }
  return faixa;
}

TTxProgr::TTxProgr(TTxPrint& tx, const QString& caption, const QString& title, qint64 maximum, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), tx_(tx), maximo_(maximum) {
  setObjectName(QStringLiteral("TxProgr"));
  setWindowTitle(caption);
  setFixedSize(280, 97);
  if (tx.CorForm.isValid()) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, tx.CorForm);
    setPalette(pal);
    setAutoFillBackground(true);
  }

  NOMEREL = new QLabel(title, this);
  NOMEREL->setObjectName(QStringLiteral("NOMEREL"));
  NOMEREL->setGeometry(15, 6, 250, 17);
  NOMEREL->setTextFormat(Qt::PlainText);
  if (tx.CorFonte.isValid()) {
    QPalette pal = NOMEREL->palette();
    pal.setColor(QPalette::WindowText, tx.CorFonte);
    NOMEREL->setPalette(pal);
  }

  Progresso = new QProgressBar(this);
  Progresso->setObjectName(QStringLiteral("Progresso"));
  Progresso->setGeometry(15, 26, 250, 21);
  Progresso->setAlignment(Qt::AlignCenter);
  Progresso->setStyleSheet(
      QStringLiteral("QProgressBar { background: #ff00ff; border: 1px solid #404040; color: black; }"
                     "QProgressBar::chunk { background: #0000ff; }"));
  atualizaGauge();

  SpeedButton1 = new QPushButton(QStringLiteral("&Cancelar"), this);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton1->setGeometry(180, 60, 85, 25);
  SpeedButton1->setAutoDefault(false);
  connect(SpeedButton1, &QPushButton::clicked, this, &TTxProgr::SpeedButton1Click);

  if (caption == QLatin1String("Gravando"))
    faixa_ = 2;
  else if (caption == QLatin1String("Lendo"))
    faixa_ = 0;
  else
    faixa_ = 1;
  imagem_ = Faixa(faixa_);
  imagem_.setMask(imagem_.createMaskFromColor(kFucsia));

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(500);
  connect(Timer1, &QTimer::timeout, this, &TTxProgr::Timer1Timer);
}

void TTxProgr::atualizaGauge() {
  // The gauge works in int; very long runs are scaled down to fit.
  if (maximo_ <= INT_MAX) {
    Progresso->setRange(0, static_cast<int>(qMax<qint64>(maximo_, 0)));
    Progresso->setValue(static_cast<int>(qBound<qint64>(0, posicao_, qMax<qint64>(maximo_, 0))));
  } else {
    const double f = double(INT_MAX) / double(maximo_);
    Progresso->setRange(0, INT_MAX);
    Progresso->setValue(static_cast<int>(qMin<double>(INT_MAX, posicao_ * f)));
  }
}

void TTxProgr::avanca() {
  ++posicao_;
  atualizaGauge();
}

void TTxProgr::showEvent(QShowEvent* e) {
  quadro_ = 0;
  Timer1->start();
  QDialog::showEvent(e);
}

void TTxProgr::Timer1Timer() {
  quadro_ = (quadro_ + 1) % 6;
  update(QRect(15, 54, kQuadroL, kQuadroA));
}

void TTxProgr::paintEvent(QPaintEvent* e) {
  QDialog::paintEvent(e);
  QPainter p(this);
  p.drawPixmap(QPoint(15, 54), imagem_, QRect(quadro_ * kQuadroL, 0, kQuadroL, kQuadroA));
}

void TTxProgr::SpeedButton1Click() {
  if (dialogs().confirm(QStringLiteral("Deseja realmente Cancelar ?"))) tx_.Cancelar(true);
}

void TTxProgr::reject() {
  // Esc or the window's close: the same question as the cancel button; the window itself is
  // closed by the run when it stops.
  SpeedButton1Click();
}

}  // namespace cotavia
