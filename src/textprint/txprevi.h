#pragma once
// TTxPrevi: the preview window of the text print engine. It draws one page of the open job at a
// time as it would look on continuous paper, pages through the job, zooms, and starts the print
// run, the setup window, the three saves and the load of a saved job.
#include "textprint/txprint.h"

#include <QDialog>
#include <QPicture>
#include <functional>

class QLabel;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QToolButton;
class QAbstractButton;

namespace cotavia {

class TTxPrevi;

// Shows an error of an engine call in a message box, as the engine's texts are always shown.
void mostraErroTx(const AppError& e);

// The paint box that shows the page picture.
class TTxVisor : public QWidget {
  Q_OBJECT
 public:
  explicit TTxVisor(TTxPrevi* previ);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;

 private:
  TTxPrevi* previ_;
};

class TTxPrevi : public QDialog {
  Q_OBJECT
 public:
  explicit TTxPrevi(TTxPrint& tx, QWidget* parent = nullptr);
  ~TTxPrevi() override;

  // ---- State ----
  int Pagina() const { return pagina_; }
  int UltimaPagina() const { return ultima_; }
  double Zoom() const { return zoom_; }
  // Size of the page picture in units.
  QSize Figura() const { return figura_; }
  const QPicture& Picture() const { return picture_; }

  // ---- Actions (the buttons and keys call these) ----
  void Mostrar();             // renders the current page, repaints, sets the caption
  void Repinta();             // sizes VISOR for the zoom and repaints it
  void DefineZoom(double z);  // through the spin field: kept within 20 to 400
  void CEMClick();
  void LARGURAClick();
  void FULLClick();
  void PRIMEIRAClick();
  void ANTERIORClick();
  void PROXIMAClick();
  void ULTIMAClick();
  void DIRETOClick();
  void SETUPClick();
  void IMPRIMIRClick();
  void SALVARClick();
  void ABRIRClick();
  // Click on the page at `pos` (VISOR coordinates): left zooms in, right zooms out.
  void VISORClick(Qt::MouseButton botao, QPoint pos);
  // Saves in the format of the filter's extension (".RTX", ".PRN", ".TXT"), the name's own
  // extension replaced by it; a failure is shown.
  void Salva(const QString& arquivo, const QString& filtro);

  // The "go to page" question; tests replace it. Gives the typed text; false = cancelled. The
  // file choosers are the dialog service's.
  std::function<bool(QString& texto)> pedePagina;

  static QString FiltroSalvar();

  // ---- Controls ----
  QWidget* PanelH;
  QToolButton* CEM;
  QToolButton* LARGURA;
  QToolButton* FULL;
  QLabel* LZoom;
  QSpinBox* ZoomVisor;
  QToolButton* PRIMEIRA;
  QToolButton* ANTERIOR;
  QToolButton* DIRETO;
  QToolButton* PROXIMA;
  QToolButton* ULTIMA;
  QToolButton* SETUP;
  QToolButton* IMPRIMIR;
  QToolButton* SALVAR;
  QToolButton* ABRIR;
  QPushButton* CANCELAR;
  QScrollArea* Scroller;
  TTxVisor* VISOR;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  friend class TTxVisor;
  void montaBarra();
  void aplicaZoomInicial();
  bool teclas(QKeyEvent* k);
  static bool ativo(const QAbstractButton* b);
  void irPara(int pagina);
  int ultimaDoJob() const;

  TTxPrint& tx_;
  QPicture picture_;
  QSize figura_;
  int pagina_ = 1;
  int ultima_ = 1;
  double zoom_ = 100;
  int zoomInicial_ = 100;
  bool remalina_ = false;
  bool mostrado_ = false;
  // Whole page or fit width asked by the options: followed while the window gets its final
  // size (maximising may finish after the window is shown), until the user sets a zoom.
  bool ajusteInicial_ = false;
  bool ajustando_ = false;
};

}  // namespace cotavia
