#pragma once
// The atom grid: a read-only table of label, x, y and z under a blank header
// row. The grid keeps copies of the table's arrays, which share the table's
// memory until a command writes the table (SharedVector), and writes the
// display form of a coordinate only when a visible cell is painted: showing
// a million atoms costs neither a copy nor three million strings, and the
// grid keeps showing what it was given whatever later happens to the table.
//
// The grid paints its rows itself. Qt's table view keeps a header section
// for every row, even a hidden header: eight bytes a row, in one block that
// Qt does not survive failing to get. Here nothing in the view grows with
// the rows.

#include <QAbstractScrollArea>
#include <QAbstractTableModel>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "model/AtomTable.h"

class QStyledItemDelegate;

namespace pivora {

class AtomGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    // blankRows empty rows until the first ShowAtoms.
    AtomGridModel(QObject* parent, int blankRows);

    // Rows for atoms 1..AtomCount of table: label, then x, y, z (angstrom).
    // Allocates nothing that grows with the atoms.
    void ShowAtoms(const AtomTable& table);
    // Lets go of the arrays last shown, so that the table may reuse them:
    // the grid is blank until the next ShowAtoms, which must follow before
    // anything is painted.
    void ReleaseAtoms();
    // Rewrites the rows that already hold atoms, 1 up to the smaller of the
    // grid's atom rows and AtomCount, from table: the coordinates, and the
    // labels too when withLabels. The row count, the other rows, the current
    // cell and the scroll position stay. A grid still blank from start-up
    // holds no atom rows and stays blank.
    void RefreshAtoms(const AtomTable& table, bool withLabels);

    // False until the first ShowAtoms: the blank rows of start-up hold no atom.
    bool HoldsAtoms() const { return !blank_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // The display and tool-tip texts: at most a few hundred characters of a
    // label, tool tips as plain text (ShownText.h).
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    int rows_;
    bool blank_ = true;
    // Row r shows slot r + 1 of each: copies of the table's arrays as they
    // were last shown.
    SharedVector<std::string> names_;
    SharedVector<double> x_, y_, z_;
};

// The grid control. Rows and columns are counted as the window sees them:
// row 0 is the header row, rows 1 to RowCount() - 1 hold atoms 1, 2, ...
// The user can make any cell the current one (click, arrow and page keys,
// Home and End, with Ctrl for the first and last row), scroll, and read a
// cell's whole text in its tool tip; nothing can be edited.
class AtomGridView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit AtomGridView(QWidget* parent);

    // As AtomGridModel::ShowAtoms; the first row then shows at the top, and
    // no cell is current.
    void ShowAtoms(const AtomTable& table) { model_->ShowAtoms(table); }
    void ReleaseAtoms() { model_->ReleaseAtoms(); }
    // After a rotation: the x, y and z columns of the rows shown.
    void RefreshCoordinates(const AtomTable& table) { model_->RefreshAtoms(table, false); }
    // After a centering: labels and coordinates of the rows shown.
    void RefreshAtoms(const AtomTable& table) { model_->RefreshAtoms(table, true); }

    int RowCount() const { return model_->rowCount() + 1; }

    // The width of the atom numbers at the left of the rows: enough for the
    // largest atom number, at least three digits.
    int RowNumberWidth() const;
    // The atoms of the selected rows, in increasing order: a click selects
    // one, Ctrl+click adds or removes one, Shift+click a run. The current
    // cell's row counts when nothing else is selected.
    std::vector<int> SelectedAtoms() const;

  signals:
    // A row was double-clicked, or Enter pressed on the current row: atom is
    // its atom number, from 1.
    void AtomPicked(int atom);
    // A row of an atom was Ctrl+clicked (which also adds it to the
    // selection or takes it out): atom is its number, from 1.
    void AtomMeasured(int atom);
    // The width of the atom numbers changed (a molecule of more digits).
    void RowNumberWidthChanged(int width);
    // Right-click: the rows' menu, for the window to fill, at a global point.
    void RowMenuRequested(const QPoint& globalPosition);

  public:
    // The text of a cell; the header row and cells outside the grid are "".
    QString Cells(int column, int row) const;

    // The rows below the header as a model: model row r is grid row r + 1.
    QAbstractItemModel* model() const { return model_; }
    // The current cell in the model's rows and columns; invalid when none.
    QModelIndex currentIndex() const;
    // Makes index the current cell and scrolls it into view; an invalid
    // index leaves no cell current.
    void setCurrentIndex(const QModelIndex& index);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool viewportEvent(QEvent* event) override;

  private:
    class Header;
    class RowNumbers;
    bool IsSelected(int row) const;
    void SelectOnly(int row);
    // The model cell under a point of the viewport; invalid outside cells.
    QModelIndex CellAt(const QPoint& point) const;
    QRect CellRect(int row, int column) const;  // in viewport coordinates
    int FullRows() const;                       // rows that fit whole
    void UpdateScrollBars();
    void ScrollTo(int row);
    void AfterReset();

    AtomGridModel* model_;
    Header* header_;
    RowNumbers* rowNumbers_;
    int rowNumberWidth_ = 0;
    // Selected model rows as runs [first, last], kept apart and in order; a
    // million selected rows are one run.
    std::vector<std::pair<int, int>> selection_;
    int anchorRow_ = -1;  // where a Shift+click run starts
    QStyledItemDelegate* labelDelegate_;
    QStyledItemDelegate* coordinateDelegate_;
    int currentRow_ = -1;  // model row; -1: no current cell
    int currentColumn_ = -1;
};

}  // namespace pivora
