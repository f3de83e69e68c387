#pragma once
// TTCotavia2, the proposal editor: the bidding body's header, the supplier's name, address and
// city, the item grid with the item entry panel, the grand total, saving ("Gravar"), exporting
// ("Gerar Arquivo de Proposta"), the price list import and export and "Imprimir".
#include "app/core/proposal_file.h"
#include "app/core/save.h"
#include "pricebook/price_book.h"

#include <QComboBox>
#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace cotavia {

class ItemGridModel;
class ItemGridView;
class TNumEdit;

// The export panel's place list: refreshed each time it opens (a pen drive plugged in meanwhile).
class DriveComboBox : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;
  void showPopup() override;
 signals:
  void aboutToShowPopup();
};

class TTCotavia2 : public QDialog {
  Q_OBJECT
 public:
  // The proposal in the program's folder, named with the start screen's identity text.
  explicit TTCotavia2(const ProposalRef& ref, QWidget* parent = nullptr);
  ~TTCotavia2() override;

  // Mounted removable media (pen drives): mount points under /media and /run/media.
  static std::function<QStringList()> removableMedia;

  // Activation: grid columns, export folder, supplier data, the proposal, the grand total, the
  // print choice and the focus. Runs when the editor is first shown.
  void FormActivate();

  void StringGrid1Enter();  // Enter on the grid: the item panel on the selected row
  void bbtn_okClick();
  void bbtn_cancelarClick();
  void TotalGeral();
  void recomputeItemTotal();  // the numeric fields' Enter
  void bbtn_gravarClick();
  void bbtn_exportarClick();
  void bbtn_importarClick();  // "Imprimir"
  void bbtn_importarPrecosClick();
  void bbtn_exportarPrecosClick();  // "Exportar preços...": the saved prices as .xlsx or .csv
  void bbtn_voltarClick();
  // "Preços anteriores...": the price book's suggestions for the unpriced items, in the review
  // window; the ticked ones are priced as the price list import prices (all or nothing).
  void bbtn_precosAnterioresClick();
  bool applySuggestions(const QList<PriceSuggestion>& ticked, const QList<int>& rows);
  // "Imprimir histórico": the price table of the whole book, in the report preview.
  void bbtn_imprimirHistoricoClick();
  // F3 on the item panel: brand and amounts of the last price shown under the fields.
  void fillLastPrice();

  // The export folder as chosen in the export panel.
  QString exportFolder() const { return exportFolder_; }
  void setExportFolder(const QString& folder);
  // The print choice: the index of ComboBox_TipoImpr (0 text, 1 graphic).
  int printChoice() const;
  // The proposal as the editor holds it (header read from the file, rows from the grid).
  Proposal proposal() const;
  // Where the proposal is saved: this folder, this input file, this identity.
  const ProposalRef& proposalRef() const { return ref_; }
  // Changes not yet saved: rows or supplier fields that differ from what was loaded or saved.
  bool unsavedChanges() const;
  // "Gravar": writes the proposal and the supplier data; on success shows the export panel and
  // returns true; a failure is reported and returns false.
  bool saveEdits();

  // Leaving the editor ("Voltar", the window's close box): with unsaved changes it asks whether
  // to save them first; Cancelar, or a save that fails, keeps the editor open.
  void reject() override;
  // Every way the editor closes: its size and column widths are kept for the next time.
  void done(int r) override;

  ItemGridModel* model = nullptr;
  ItemGridView* StringGrid1 = nullptr;
  QLineEdit *Edit_Orgao = nullptr, *Edit_Endereco = nullptr, *Edit_Modalidade = nullptr, *Edit_Objeto = nullptr,
            *Edit_Entrega = nullptr, *EditAbertura = nullptr;
  QLineEdit *Edit_Fornecedor = nullptr, *Edit_For_Endereco = nullptr, *Edit_For_Cidade = nullptr;
  QPushButton *bbtn_gravar = nullptr, *bbtn_importar = nullptr, *bbtn_voltar = nullptr, *bbtn_importarPrecos = nullptr;
  QPushButton* bbtn_exportarPrecos = nullptr;
  QPushButton *bbtn_precosAnteriores = nullptr, *bbtn_imprimirHistorico = nullptr;
  TNumEdit* NumEdit_TotalGeral = nullptr;
  QComboBox* ComboBox_TipoImpr = nullptr;

  QWidget* Panel_Item = nullptr;
  QLineEdit *Edit_Item = nullptr, *Edit_Codigo = nullptr, *Edit_Nome = nullptr, *Edit_Marca = nullptr,
            *Edit_Unidade = nullptr;
  TNumEdit *NumEdit_Quant = nullptr, *NumEdit_PrUnit = nullptr, *NumEdit_Desconto = nullptr,
           *NumEdit_Acrescimo = nullptr, *NumEdit_Total = nullptr;
  QPushButton *bbtn_ok = nullptr, *bbtn_cancelar = nullptr;
  QLabel* Label_UltimoPreco = nullptr;  // "Último preço: 0,89 - Bic Cristal - Prefeitura de X, 12/03/2026"

  QWidget* Panel_Exporta = nullptr;
  QPushButton* bbtn_exportar = nullptr;
  DriveComboBox* DriveComboBox1 = nullptr;
  QLineEdit* DirectoryListBox1 = nullptr;
  QPushButton* bbtn_pasta = nullptr;

 protected:
  bool eventFilter(QObject* obj, QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void buildHeader();
  void buildGrid();
  void buildItemPanel();
  void buildButtons();
  void buildExportPanel();
  void setTabOrders();
  void fillPlaces();
  EditorState state() const;
  // Reads the proposal and the supplier's data into the screen (FormActivate, and "Gravar" when
  // the user chooses to reload); false when the proposal could not be read (said already).
  bool loadIntoScreen();
  void placeChosen(int index);
  // Resizing: each control keeps its place relative to the window's edges, as a share of the
  // change in width and height for its position (fx, fy) and its size (fw, fh).
  struct Anchor {
    QWidget* widget;
    QRect base;  // at the design size
    double fx, fy, fw, fh;
  };
  void anchor(QWidget* w, double fx, double fy, double fw, double fh);
  void anchorToEdges();
  // The window's size and the grid's column widths, kept between runs.
  void restoreWindowSize();
  void restoreColumnWidths();
  void saveWindowSize();
  // The book at priceBookLocation(), opened on first use. Throws AppError when it cannot be.
  PriceBook& priceBook();
  QString municipality() const;
  void showLastPrice(const GridRow& row);

  ProposalRef ref_;
  Proposal proposal_;  // header texts as read; the rows live in the grid's model
  QString exportFolder_;
  int panelRow_ = -1;        // the grid row the item panel edits
  EditorState saved_;        // what was last loaded or saved
  bool loadFailed_ = false;  // the proposal file was not read whole: saving would drop items
  QByteArray filesStamp_;    // the saved files on disk as this window last read or wrote them
  bool activated_ = false;
  QList<Anchor> anchors_;
  // The controls of the rows under the grid, kept at the lower left or the lower right corner;
  // a control added to those rows joins one of these lists before anchorToEdges() runs.
  QList<QWidget*> bottomLeft_, bottomRight_;
  int descriptionWidth_ = 0;  // the description column's width at the design size
  bool placing_ = false;      // column widths being set by the program, not the user
  std::unique_ptr<PriceBook> book_;
  bool panelWithoutBook_ = false;             // the book could not be opened for the item panel
  std::optional<PriceSuggestion> lastPrice_;  // the item panel's, for F3
};

}  // namespace cotavia
