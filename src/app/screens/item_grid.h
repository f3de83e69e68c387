#pragma once
// The editor's item grid: a table model over the proposal's rows (Windows-1252 cell texts,
// converted only for the cells on screen) and the view that shows them a whole row at a time.
#include "app/core/proposal_file.h"

#include <QAbstractTableModel>
#include <QTableView>

namespace cotavia {

class ItemGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // The grid always offers this many rows (item rows plus empty ones), more when the proposal
  // holds more items.
  static constexpr int kMinRows = 8999;

  explicit ItemGridModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;

  // The item rows (grid rows 1, 2, 3 ...; the grid's empty rows after them are not stored).
  const QList<GridRow>& rows() const { return rows_; }
  void setRows(const QList<GridRow>& rows);
  // The row at a grid position; an empty row past the stored ones.
  GridRow row(int index) const;
  // Replaces a stored row; positions past the stored rows are left alone.
  void setRow(int index, const GridRow& row);

  static QString columnTitle(int column);
  static int columnWidth(int column);

 private:
  QList<GridRow> rows_;
};

class ItemGridView : public QTableView {
  Q_OBJECT
 public:
  explicit ItemGridView(QWidget* parent = nullptr);
  // Applies the column titles and widths (done each time the editor opens).
  void setColumns();
  // The selected row (0 = first item), -1 when none.
  int selectedRow() const;
  void selectRow0(int row);
  // The row of the last item (0 when there is none).
  int lastItemRow() const;

 signals:
  // Enter on the grid: open the item panel on the selected row.
  void enterPressed();

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void keyboardSearch(const QString&) override {}  // typing in the grid does nothing
};

}  // namespace cotavia
