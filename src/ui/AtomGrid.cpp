#include "ui/AtomGrid.h"

#include <QHeaderView>
#include <algorithm>

#include "model/DecimalText.h"

namespace pivora {
namespace {

constexpr int kColumns = 4;
constexpr int kColumnWidths[kColumns] = {48, 80, 80, 80};
constexpr int kRowHeight = 14;
constexpr int kBlankRows = 9;  // with the header row, the 10 rows of an empty grid

}  // namespace

AtomGridModel::AtomGridModel(QObject* parent, int blankRows)
    : QAbstractTableModel(parent), rows_(blankRows) {}

void AtomGridModel::ShowAtoms(const AtomTable& table) {
    // Never read past the arrays, whatever AtomCount says.
    const std::size_t count = table.Capacity() == 0
                                  ? 0
                                  : std::min(static_cast<std::size_t>(std::max(table.AtomCount, 0)),
                                             table.Capacity() - 1);
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

int AtomGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int AtomGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant AtomGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || blank_) return QVariant();
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
}

QString TStringGrid::Cells(int column, int row) const {
    if (row < 1) return QString();
    return model_->data(model_->index(row - 1, column), Qt::DisplayRole).toString();
}

}  // namespace pivora
