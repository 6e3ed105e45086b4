#pragma once
// The atom grid: a read-only table of label, x, y and z under a blank header
// row. The grid keeps its own copy of the rows it shows and writes the
// display form of a coordinate only when Qt asks for a visible cell, so that
// showing a million atoms costs one copy, not three million strings, and the
// grid keeps showing what it was given whatever later happens to the table.

#include <QAbstractTableModel>
#include <QTableView>
#include <cstddef>
#include <string>
#include <vector>

#include "model/AtomTable.h"

namespace pivora {

class AtomGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    // blankRows empty rows until the first ShowAtoms.
    AtomGridModel(QObject* parent, int blankRows);

    // Rows for atoms 1..AtomCount of table: label, then x, y, z (angstrom).
    void ShowAtoms(const AtomTable& table);
    // Rewrites the rows that already hold atoms, 1 up to the smaller of the
    // grid's atom rows and AtomCount, from table: the coordinates, and the
    // labels too when withLabels. The row count, the other rows, the current
    // cell and the scroll position stay. A grid still blank from start-up
    // holds no atom rows and stays blank.
    void RefreshAtoms(const AtomTable& table, bool withLabels);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    void RewriteLabels(const AtomTable& table, std::size_t count);

    int rows_;
    bool blank_ = true;
    std::string labels_;               // all labels back to back, as bytes
    std::vector<std::size_t> starts_;  // row r's label is [starts_[r], starts_[r + 1])
    std::vector<double> xyz_;          // x, y, z of each row in turn
};

// The grid control. Rows and columns are counted as the window sees them:
// row 0 is the header row, rows 1 to RowCount() - 1 hold atoms 1, 2, ...
class TStringGrid : public QTableView {
    Q_OBJECT
  public:
    explicit TStringGrid(QWidget* parent);

    void ShowAtoms(const AtomTable& table) { model_->ShowAtoms(table); }
    // After a rotation: the x, y and z columns of the rows shown.
    void RefreshCoordinates(const AtomTable& table) { model_->RefreshAtoms(table, false); }
    // After a centering: labels and coordinates of the rows shown.
    void RefreshAtoms(const AtomTable& table) { model_->RefreshAtoms(table, true); }

    int RowCount() const { return model_->rowCount() + 1; }
    // The text of a cell; the header row and cells outside the grid are "".
    QString Cells(int column, int row) const;

  private:
    AtomGridModel* model_;
};

}  // namespace pivora
