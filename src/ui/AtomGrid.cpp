#include "ui/AtomGrid.h"

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <algorithm>
#include <string_view>

#include "model/DecimalText.h"

namespace pivora {
namespace {

constexpr int kColumns = 4;
constexpr int kColumnWidths[kColumns] = {48, 80, 80, 80};
constexpr int kRowHeight = 14;
constexpr int kBlankRows = 9;  // with the header row, the 10 rows of an empty grid

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
    const std::size_t count = table.LastAtom();
    std::size_t bytes = 0;
    for (std::size_t k = 1; k <= count; ++k) bytes += table.AtomName[k].size();

    // Fresh containers, so that a smaller molecule gives back the memory of
    // a larger one.
    std::string labels;
    labels.reserve(bytes);
    std::vector<std::size_t> starts(count + 1);
    std::vector<double> xyz(3 * count);
    for (std::size_t k = 1; k <= count; ++k) {
        starts[k - 1] = labels.size();
        labels += table.AtomName[k];
        xyz[3 * k - 3] = table.AtomX[k];
        xyz[3 * k - 2] = table.AtomY[k];
        xyz[3 * k - 1] = table.AtomZ[k];
    }
    starts[count] = labels.size();

    beginResetModel();
    labels_ = std::move(labels);
    starts_ = std::move(starts);
    xyz_ = std::move(xyz);
    rows_ = static_cast<int>(count);
    blank_ = false;
    endResetModel();
}

void AtomGridModel::RefreshAtoms(const AtomTable& table, bool withLabels) {
    if (blank_) return;
    const std::size_t count = std::min(table.LastAtom(), static_cast<std::size_t>(rows_));
    if (count == 0) return;
    for (std::size_t k = 1; k <= count; ++k) {
        xyz_[3 * k - 3] = table.AtomX[k];
        xyz_[3 * k - 2] = table.AtomY[k];
        xyz_[3 * k - 1] = table.AtomZ[k];
    }
    if (withLabels) RewriteLabels(table, count);
    // One signal for the whole block: the view repaints its visible cells and
    // keeps its current cell and scroll position, which a reset would lose.
    const int lastRow = static_cast<int>(count) - 1;
    emit dataChanged(index(0, withLabels ? 0 : 1), index(lastRow, kColumns - 1), {Qt::DisplayRole});
}

void AtomGridModel::RewriteLabels(const AtomTable& table, std::size_t count) {
    // Only an open changes labels, and it fills the grid anew; so this is
    // mostly a comparison, and nothing is copied.
    std::size_t firstDifferent = 0;
    for (std::size_t k = 1; k <= count && firstDifferent == 0; ++k) {
        const std::string_view shown(labels_.data() + starts_[k - 1], starts_[k] - starts_[k - 1]);
        if (shown != table.AtomName[k]) firstDifferent = k;
    }
    if (firstDifferent == 0) return;

    const std::size_t rows = static_cast<std::size_t>(rows_);
    std::string labels(labels_, 0, starts_[firstDifferent - 1]);
    std::vector<std::size_t> starts(starts_.begin(), starts_.begin() + firstDifferent);
    starts.resize(rows + 1);
    for (std::size_t k = firstDifferent; k <= rows; ++k) {
        starts[k - 1] = labels.size();
        if (k <= count) {
            labels += table.AtomName[k];
        } else {
            labels.append(labels_, starts_[k - 1], starts_[k] - starts_[k - 1]);
        }
    }
    starts[rows] = labels.size();
    labels_ = std::move(labels);
    starts_ = std::move(starts);
}

int AtomGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int AtomGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant AtomGridModel::data(const QModelIndex& index, int role) const {
    // The tool tip shows the whole text that a narrow column cuts short.
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid() || blank_) {
        return QVariant();
    }
    const auto row = static_cast<std::size_t>(index.row());
    if (index.column() == 0) {
        return QString::fromLocal8Bit(labels_.data() + starts_[row],
                                      static_cast<qsizetype>(starts_[row + 1] - starts_[row]));
    }
    return QString::fromStdString(FormatDisplay(xyz_[3 * row + index.column() - 1]));
}

QVariant AtomGridModel::headerData(int, Qt::Orientation, int role) const {
    return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
}

TStringGrid::TStringGrid(QWidget* parent)
    : QTableView(parent), model_(new AtomGridModel(this, kBlankRows)) {
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(kRowHeight);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView* header = horizontalHeader();
    header->setMinimumSectionSize(0);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setFixedHeight(kRowHeight);
    for (int column = 0; column < kColumns; ++column) {
        setColumnWidth(column, kColumnWidths[column]);
    }
    auto* coordinates = new CoordinateDelegate(this);
    for (int column = 1; column < kColumns; ++column) {
        setItemDelegateForColumn(column, coordinates);
    }
}

QString TStringGrid::Cells(int column, int row) const {
    if (row < 1) return QString();
    return model_->data(model_->index(row - 1, column), Qt::DisplayRole).toString();
}

}  // namespace pivora
