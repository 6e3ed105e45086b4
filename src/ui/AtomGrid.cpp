#include "ui/AtomGrid.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>
#include <string_view>
#include <utility>

#include "numeric/DecimalText.h"
#include "ui/ShownText.h"

namespace pivora {
namespace {

constexpr int kColumns = 4;
constexpr int kColumnWidths[kColumns] = {48, 80, 80, 80};
constexpr int kRowHeight = 14;
constexpr int kBlankRows = 9;  // with the header row, the 10 rows of an empty grid
constexpr int kTotalWidth =
    kColumnWidths[0] + kColumnWidths[1] + kColumnWidths[2] + kColumnWidths[3];

// A coordinate too long for its column loses digits from its middle when it
// has a power of ten, so that a residue of 6.1E-17 cannot read as 6.1; any
// other text loses its end, as the view does by default.
class CoordinateDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->text.contains(QLatin1Char('E'))) option->textElideMode = Qt::ElideMiddle;
    }
};

}  // namespace

AtomGridModel::AtomGridModel(QObject* parent, int blankRows)
    : QAbstractTableModel(parent), rows_(blankRows) {}

void AtomGridModel::ShowAtoms(const AtomTable& table) {
    beginResetModel();
    names_ = table.AtomName;
    x_ = table.AtomX;
    y_ = table.AtomY;
    z_ = table.AtomZ;
    rows_ = static_cast<int>(table.LastAtom());
    blank_ = false;
    endResetModel();
}

void AtomGridModel::ReleaseAtoms() {
    beginResetModel();
    names_.clear();
    x_.clear();
    y_.clear();
    z_.clear();
    rows_ = 0;
    blank_ = false;
    endResetModel();
}

namespace {

// rows[1..count] from table, rows[count + 1..] as shown: a table of fewer
// atoms than the grid's rows leaves the rest of the rows alone.
template <typename T>
void TakeRows(SharedVector<T>& shown, const SharedVector<T>& table, std::size_t count) {
    if (table.size() >= shown.size()) {
        shown = table;
        return;
    }
    std::copy(table.begin() + 1, table.begin() + 1 + static_cast<std::ptrdiff_t>(count),
              shown.begin() + 1);
}

}  // namespace

void AtomGridModel::RefreshAtoms(const AtomTable& table, bool withLabels) {
    if (blank_) return;
    const std::size_t count = std::min(table.LastAtom(), static_cast<std::size_t>(rows_));
    if (count == 0) return;
    // Shared, not copied: the arrays cost nothing until the table is written
    // again, which gives the table fresh ones.
    TakeRows(x_, table.AtomX, count);
    TakeRows(y_, table.AtomY, count);
    TakeRows(z_, table.AtomZ, count);
    if (withLabels) TakeRows(names_, table.AtomName, count);
    // One signal for the whole block: the view repaints its visible cells and
    // keeps its current cell and scroll position, which a reset would lose.
    const int lastRow = static_cast<int>(count) - 1;
    emit dataChanged(index(0, withLabels ? 0 : 1), index(lastRow, kColumns - 1), {Qt::DisplayRole});
}

int AtomGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int AtomGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant AtomGridModel::data(const QModelIndex& index, int role) const {
    // The tool tip shows the whole text that a narrow column cuts short, as
    // far as a cell shows any text.
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid() || blank_) {
        return QVariant();
    }
    const auto slot = static_cast<std::size_t>(index.row()) + 1;
    if (slot >= x_.size()) return QVariant();
    const SharedVector<double>* const columns[] = {&x_, &y_, &z_};
    const QString text =
        index.column() == 0
            ? ShownLocalHead(names_[slot])
            : QString::fromStdString(FormatDisplay((*columns[index.column() - 1])[slot]));
    return role == Qt::ToolTipRole ? PlainToolTip(text) : text;
}

QVariant AtomGridModel::headerData(int, Qt::Orientation, int role) const {
    return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
}

// The blank header row above the cells; it scrolls sideways with them.
class AtomGridView::Header : public QWidget {
  public:
    explicit Header(AtomGridView* grid) : QWidget(grid), grid_(grid) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        // The corner above the atom numbers, then the columns' sections.
        const int corner = grid_->rowNumberWidth_;
        QStyleOptionHeader blank;
        blank.initFrom(this);
        blank.state |= QStyle::State_Raised | QStyle::State_Horizontal;
        blank.position = QStyleOptionHeader::OnlyOneSection;
        blank.rect = QRect(0, 0, corner, height());
        style()->drawControl(QStyle::CE_Header, &blank, &painter, this);
        painter.setClipRect(corner, 0, width() - corner, height());
        int left = corner - grid_->horizontalScrollBar()->value();
        for (int column = 0; column < kColumns; ++column) {
            QStyleOptionHeader option;
            option.initFrom(this);
            option.state |= QStyle::State_Raised | QStyle::State_Horizontal;
            option.orientation = Qt::Horizontal;
            option.section = column;
            option.position = column == 0              ? QStyleOptionHeader::Beginning
                              : column == kColumns - 1 ? QStyleOptionHeader::End
                                                       : QStyleOptionHeader::Middle;
            option.rect = QRect(left, 0, kColumnWidths[column], height());
            style()->drawControl(QStyle::CE_Header, &option, &painter, this);
            left += kColumnWidths[column];
        }
    }

  private:
    AtomGridView* grid_;
};

// The atom numbers at the left of the rows, as a table view's row header
// shows them, painted for the visible rows only.
class AtomGridView::RowNumbers : public QWidget {
  public:
    explicit RowNumbers(AtomGridView* grid) : QWidget(grid), grid_(grid) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const int first = grid_->verticalScrollBar()->value();
        const int rows = grid_->model_->rowCount();
        const bool blank = !grid_->model_->HoldsAtoms();
        for (int line = 0; line * kRowHeight < height(); ++line) {
            const int row = first + line;
            QStyleOptionHeader option;
            option.initFrom(this);
            option.state |= QStyle::State_Raised;
            option.orientation = Qt::Vertical;
            option.position = QStyleOptionHeader::Middle;
            option.rect = QRect(0, line * kRowHeight, width(), kRowHeight);
            option.textAlignment = Qt::AlignRight | Qt::AlignVCenter;
            // The rows of a blank grid are no atoms yet, and number nothing.
            if (row < rows && !blank) option.text = QString::number(row + 1);
            if (grid_->IsSelected(row)) option.state |= QStyle::State_On;
            style()->drawControl(QStyle::CE_Header, &option, &painter, this);
        }
    }

  private:
    AtomGridView* grid_;
};

AtomGridView::AtomGridView(QWidget* parent)
    : QAbstractScrollArea(parent),
      model_(new AtomGridModel(this, kBlankRows)),
      header_(new Header(this)),
      rowNumbers_(new RowNumbers(this)),
      labelDelegate_(new QStyledItemDelegate(this)),
      coordinateDelegate_(new CoordinateDelegate(this)) {
    setFocusPolicy(Qt::StrongFocus);
    rowNumberWidth_ = RowNumberWidth();
    setViewportMargins(rowNumberWidth_, kRowHeight, 0, 0);
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { AfterReset(); });
    connect(model_, &QAbstractItemModel::dataChanged, viewport(), qOverload<>(&QWidget::update));
    UpdateScrollBars();
}

QString AtomGridView::Cells(int column, int row) const {
    if (row < 1) return QString();
    return model_->data(model_->index(row - 1, column), Qt::DisplayRole).toString();
}

QModelIndex AtomGridView::currentIndex() const {
    return model_->index(currentRow_, currentColumn_);
}

void AtomGridView::setCurrentIndex(const QModelIndex& index) {
    if (index.isValid() && index.model() == model_) {
        currentRow_ = index.row();
        currentColumn_ = index.column();
        ScrollTo(currentRow_);
    } else {
        currentRow_ = currentColumn_ = -1;
    }
    viewport()->update();
}

int AtomGridView::FullRows() const {
    return std::max(1, viewport()->height() / kRowHeight);
}

QRect AtomGridView::CellRect(int row, int column) const {
    int left = -horizontalScrollBar()->value();
    for (int c = 0; c < column; ++c) left += kColumnWidths[c];
    const int top = (row - verticalScrollBar()->value()) * kRowHeight;
    // The grid lines take the last pixel column and row of each cell.
    return QRect(left, top, kColumnWidths[column] - 1, kRowHeight - 1);
}

QModelIndex AtomGridView::CellAt(const QPoint& point) const {
    if (point.y() < 0) return QModelIndex();
    const int row = verticalScrollBar()->value() + point.y() / kRowHeight;
    int x = point.x() + horizontalScrollBar()->value();
    for (int column = 0; column < kColumns; ++column) {
        if (x >= 0 && x < kColumnWidths[column]) return model_->index(row, column);
        x -= kColumnWidths[column];
    }
    return QModelIndex();
}

void AtomGridView::UpdateScrollBars() {
    const int fullRows = FullRows();
    verticalScrollBar()->setRange(0, std::max(0, model_->rowCount() - fullRows));
    verticalScrollBar()->setPageStep(fullRows);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setRange(0, std::max(0, kTotalWidth - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(kColumnWidths[0]);
}

void AtomGridView::ScrollTo(int row) {
    QScrollBar* bar = verticalScrollBar();
    if (row < bar->value()) {
        bar->setValue(row);
    } else if (row >= bar->value() + FullRows()) {
        bar->setValue(row - FullRows() + 1);
    }
}

int AtomGridView::RowNumberWidth() const {
    const int digits = std::max<int>(3, QString::number(model_->rowCount()).size());
    return fontMetrics().horizontalAdvance(QString(digits, QLatin1Char('0'))) + 10;
}

bool AtomGridView::IsSelected(int row) const {
    for (const auto& [first, last] : selection_) {
        if (row >= first && row <= last) return true;
    }
    return false;
}

void AtomGridView::SelectOnly(int row) {
    selection_.clear();
    if (row >= 0) selection_.push_back({row, row});
    anchorRow_ = row;
}

std::vector<int> AtomGridView::SelectedAtoms() const {
    std::vector<int> atoms;
    auto runs = selection_;
    if (!model_->HoldsAtoms()) return atoms;
    if (runs.empty() && currentRow_ >= 0) runs.push_back({currentRow_, currentRow_});
    std::sort(runs.begin(), runs.end());
    for (const auto& [first, last] : runs) {
        for (int row = first; row <= last; ++row) {
            if (atoms.empty() || atoms.back() < row + 1) atoms.push_back(row + 1);
        }
    }
    return atoms;
}

void AtomGridView::AfterReset() {
    currentRow_ = currentColumn_ = -1;
    selection_.clear();
    anchorRow_ = -1;
    const int width = RowNumberWidth();
    if (width != rowNumberWidth_) {
        rowNumberWidth_ = width;
        setViewportMargins(rowNumberWidth_, kRowHeight, 0, 0);
        emit RowNumberWidthChanged(width);
    }
    rowNumbers_->update();
    UpdateScrollBars();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void AtomGridView::resizeEvent(QResizeEvent*) {
    // Called for the viewport: the header lies in the margin above it.
    const QRect cells = viewport()->geometry();
    header_->setGeometry(cells.left() - rowNumberWidth_, cells.top() - kRowHeight,
                         cells.width() + rowNumberWidth_, kRowHeight);
    rowNumbers_->setGeometry(cells.left() - rowNumberWidth_, cells.top(), rowNumberWidth_,
                             cells.height());
    UpdateScrollBars();
}

void AtomGridView::scrollContentsBy(int, int) {
    viewport()->update();
    header_->update();
    rowNumbers_->update();
}

void AtomGridView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    // The options a table view gives its cells.
    QStyleOptionViewItem base;
    base.initFrom(this);
    base.state &= ~QStyle::State_HasFocus;
    base.font = font();
    base.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    base.textElideMode = Qt::ElideRight;
    base.showDecorationSelected =
        style()->styleHint(QStyle::SH_ItemView_ShowDecorationSelected, nullptr, this);
    base.widget = this;

    const int first = verticalScrollBar()->value();
    const int last = std::min(model_->rowCount(), first + FullRows() + 1) - 1;
    for (int row = first; row <= last; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            QStyleOptionViewItem option = base;
            option.rect = CellRect(row, column);
            if (!option.rect.intersects(event->rect())) continue;
            if (row == currentRow_ && column == currentColumn_) {
                option.state |= QStyle::State_Selected;
                if (hasFocus()) option.state |= QStyle::State_HasFocus;
            } else if (IsSelected(row)) {
                option.state |= QStyle::State_Selected;
            }
            (column == 0 ? labelDelegate_ : coordinateDelegate_)
                ->paint(&painter, option, model_->index(row, column));
        }
    }
    if (last < first) return;
    const int gridHint = style()->styleHint(QStyle::SH_Table_GridLineColor, &base, this);
    painter.setPen(QColor::fromRgba(static_cast<QRgb>(gridHint)));
    const QRect corner = CellRect(last, kColumns - 1);
    const int left = -horizontalScrollBar()->value();
    for (int row = first; row <= last; ++row) {
        const int bottom = CellRect(row, 0).bottom() + 1;
        painter.drawLine(left, bottom, corner.right() + 1, bottom);
    }
    for (int column = 0; column < kColumns; ++column) {
        const int right = CellRect(first, column).right() + 1;
        painter.drawLine(right, 0, right, corner.bottom() + 1);
    }
}

void AtomGridView::keyPressEvent(QKeyEvent* event) {
    const int rows = model_->rowCount();
    int row = std::max(currentRow_, 0);
    int column = std::max(currentColumn_, 0);
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
        case Qt::Key_Up:
            --row;
            break;
        case Qt::Key_Down:
            row += currentRow_ < 0 ? 0 : 1;
            break;
        case Qt::Key_Left:
            --column;
            break;
        case Qt::Key_Right:
            column += currentColumn_ < 0 ? 0 : 1;
            break;
        case Qt::Key_PageUp:
            row -= FullRows();
            break;
        case Qt::Key_PageDown:
            row += FullRows();
            break;
        case Qt::Key_Home:
            if (control) {
                row = 0;
            } else {
                column = 0;
            }
            break;
        case Qt::Key_End:
            if (control) {
                row = rows - 1;
            } else {
                column = kColumns - 1;
            }
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            if (currentRow_ >= 0 && currentRow_ < rows && model_->HoldsAtoms()) {
                emit AtomPicked(currentRow_ + 1);
            }
            return;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    event->accept();
    if (rows == 0) return;
    const int next = std::clamp(row, 0, rows - 1);
    if (event->modifiers() & Qt::ShiftModifier) {
        if (anchorRow_ < 0) anchorRow_ = std::max(currentRow_, 0);
        selection_ = {{std::min(anchorRow_, next), std::max(anchorRow_, next)}};
    } else {
        SelectOnly(-1);
    }
    setCurrentIndex(model_->index(next, std::clamp(column, 0, kColumns - 1)));
    rowNumbers_->update();
}

void AtomGridView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    const QModelIndex cell = CellAt(event->position().toPoint());
    if (event->button() == Qt::RightButton) {
        // The menu acts on the selection; a row outside it becomes the
        // selection first, as in a file manager.
        if (cell.isValid() && !IsSelected(cell.row())) {
            SelectOnly(cell.row());
            setCurrentIndex(cell);
        }
        rowNumbers_->update();
        if (!SelectedAtoms().empty()) emit RowMenuRequested(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton || !cell.isValid()) return;
    const int row = cell.row();
    if (event->modifiers() & Qt::ShiftModifier) {
        const int anchor = anchorRow_ >= 0 ? anchorRow_ : std::max(currentRow_, 0);
        selection_ = {{std::min(anchor, row), std::max(anchor, row)}};
        anchorRow_ = anchor;
    } else if (event->modifiers() & Qt::ControlModifier) {
        if (IsSelected(row)) {
            std::vector<std::pair<int, int>> kept;
            for (const auto& [first, last] : selection_) {
                if (row < first || row > last) {
                    kept.push_back({first, last});
                    continue;
                }
                if (first < row) kept.push_back({first, row - 1});
                if (row < last) kept.push_back({row + 1, last});
            }
            selection_ = std::move(kept);
        } else {
            if (selection_.empty() && currentRow_ >= 0) {
                selection_.push_back({currentRow_, currentRow_});
            }
            selection_.push_back({row, row});
        }
        anchorRow_ = row;
    } else {
        SelectOnly(row);
    }
    setCurrentIndex(cell);
    rowNumbers_->update();
    if ((event->modifiers() & Qt::ControlModifier) && !(event->modifiers() & Qt::ShiftModifier) &&
        model_->HoldsAtoms()) {
        emit AtomMeasured(row + 1);
    }
}

void AtomGridView::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    const QModelIndex cell = CellAt(event->position().toPoint());
    // With Ctrl the press already measured the atom: a double-click then
    // fills no box.
    if (!cell.isValid() || !model_->HoldsAtoms() || (event->modifiers() & Qt::ControlModifier)) {
        return;
    }
    emit AtomPicked(cell.row() + 1);
}

void AtomGridView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void AtomGridView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

bool AtomGridView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QAbstractScrollArea::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex cell = CellAt(help->pos());
    const QString tip = model_->data(cell, Qt::ToolTipRole).toString();
    if (tip.isEmpty()) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(help->globalPos(), tip, viewport(), CellRect(cell.row(), cell.column()));
    }
    return true;
}

}  // namespace pivora
