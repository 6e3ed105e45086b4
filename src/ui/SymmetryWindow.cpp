#include "ui/SymmetryWindow.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "base/Error.h"
#include "engine/MoleculeSymmetry.h"
#include "numeric/DecimalText.h"
#include "ui/MainWindow.h"
#include "ui/ShownText.h"
#include "ui/Widgets.h"

namespace pivora {
namespace {

// The atoms of an element listed in its row before "…".
constexpr std::size_t kListedAtoms = 6;

const char kHint[] =
    "Select an axis or a plane and set its direction as a vector: it turns with the molecule, "
    "so the Fit buttons lay it on an axis.";

// The columns of the list: the element, the x, y and z of its direction
// (an axis) or normal (a plane), the atoms on it.
constexpr int kAtomsColumn = 4;

// A component of a unit vector, four decimals, with the separator in use;
// a rounding residue shows as 0, not -0.
QString Component(double value) {
    if (std::fabs(value) < 0.00005) value = 0;
    QString text = QString::number(value, 'f', 4);
    text.replace('.', QChar(DecimalSeparator()));
    return text;
}

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

SymmetryWindow::SymmetryWindow(MainWindow& form) : QWidget(&form, Qt::Window), form_(form) {
    setObjectName("SymmetryForm");
    setWindowTitle("Symmetry");
    setFont(form.font());  // a window inherits no font from its parent

    GroupLabel = new QLabel(this);
    GroupLabel->setObjectName("GroupLabel");
    GroupLabel->setTextFormat(Qt::PlainText);
    QFont bold = font();
    bold.setPixelSize(13);
    bold.setBold(true);
    GroupLabel->setFont(bold);
    auto* caption = new QLabel(QString::fromUtf8("Tolerance (\u00c5):"), this);
    Tolerance = new TextBox(this, FormatDisplay(symmetry::kDefaultTolerance));
    Tolerance->setObjectName("Tolerance");
    Tolerance->setFixedWidth(72);
    Tolerance->setToolTip(
        "How far, in angstrom, an atom may lie from its symmetric place. The group follows as you "
        "type.");
    caption->setBuddy(Tolerance);

    Note = new QLabel(this);
    Note->setObjectName("Note");
    Note->setTextFormat(Qt::PlainText);
    Note->setWordWrap(true);
    Note->hide();

    Elements = new QTreeWidget(this);
    Elements->setObjectName("Elements");
    Elements->setColumnCount(5);
    Elements->setHeaderLabels({"Element", "x", "y", "z", "Atoms on it"});
    Elements->headerItem()->setToolTip(
        1, "The direction of an axis or the normal of a plane, a unit vector.");
    for (int column = 1; column < kAtomsColumn; ++column) {
        Elements->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        Elements->setColumnWidth(column, 62);
    }
    Elements->setRootIsDecorated(false);
    Elements->setUniformRowHeights(true);
    Elements->setAllColumnsShowFocus(true);
    Elements->setSelectionMode(QAbstractItemView::SingleSelection);
    Elements->header()->setStretchLastSection(true);
    Elements->setColumnWidth(0, 56);
    // Room between the right-aligned numbers and the atoms after them.
    Elements->setStyleSheet("QTreeView::item { padding-left: 4px; padding-right: 6px; }");

    SetVector1 = new Button(this, "Set as Vector1");
    SetVector1->setObjectName("SetVector1");
    SetVector2 = new Button(this, "Set as Vector2");
    SetVector2->setObjectName("SetVector2");
    Symmetrize = new Button(this, "Symmetrize");
    Symmetrize->setObjectName("Symmetrize");
    Symmetrize->setToolTip(
        "Moves every atom to its exactly symmetric place in this group, as one step that Edit > "
        "Undo takes back. No atom moves farther than the tolerance.");
    StandardFrame = new Button(this, "Standard Frame");
    StandardFrame->setObjectName("StandardFrame");
    StandardFrame->setToolTip(
        "Moves the centre to the origin and turns the principal axis onto +Z and the frame's "
        "X direction onto +X, by the Fit buttons' turns. Your vectors stay as they are.");

    Status = new QLabel(kHint, this);
    Status->setObjectName("Status");
    Status->setTextFormat(Qt::PlainText);
    Status->setWordWrap(true);

    auto* top = new QHBoxLayout;
    top->addWidget(GroupLabel, 1);
    top->addWidget(caption);
    top->addWidget(Tolerance);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SetVector1);
    buttons->addWidget(SetVector2);
    buttons->addStretch(1);
    buttons->addWidget(Symmetrize);
    buttons->addWidget(StandardFrame);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Note);
    layout->addWidget(Elements, 1);
    layout->addLayout(buttons);
    layout->addWidget(Status);
    resize(470, 380);

    Tolerance->OnChange = [this] { Update(); };
    connect(Elements, &QTreeWidget::currentItemChanged, this, [this] { EnableButtons(); });
    SetVector1->OnClick = [this] { SetAsVector(VectorId::Vector1); };
    SetVector2->OnClick = [this] { SetAsVector(VectorId::Vector2); };
    Symmetrize->OnClick = [this] { SymmetrizeClick(); };
    StandardFrame->OnClick = [this] { StandardFrameClick(); };
    EnableButtons();
}

void SymmetryWindow::ShowBeside(const QRect& mainFrame) {
    show();
    // The frame's size is known only once the window is shown.
    const QRect screen = form_.screen() ? form_.screen()->availableGeometry() : mainFrame;
    const QSize size = frameGeometry().size();
    int left = mainFrame.right() + 1;
    if (left + size.width() > screen.right() + 1) left = mainFrame.left() - size.width();
    if (left < screen.left()) left = screen.right() + 1 - size.width();
    move(left, std::max(screen.top(), mainFrame.top()));
    raise();
    activateWindow();
}

void SymmetryWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Update();
}

void SymmetryWindow::Refresh() {
    if (isVisible()) Update();
}

void SymmetryWindow::Update() {
    const Engine& engine = form_.Commands();
    const std::string text = Tolerance->Text();
    if (known_ && version_ == engine.CoordinatesVersion() && toleranceText_ == text &&
        separator_ == DecimalSeparator()) {
        return;
    }
    known_ = true;
    version_ = engine.CoordinatesVersion();
    toleranceText_ = text;
    separator_ = DecimalSeparator();
    if (statusVersion_ != version_) SetStatus(kHint);

    // The row chosen stays chosen while the group has as many elements: a
    // turn changes the directions, not the elements.
    const int chosen =
        Elements->currentItem() ? Elements->indexOfTopLevelItem(Elements->currentItem()) : -1;
    const std::string before = symbol_;
    Elements->clear();
    choices_.clear();
    symbol_.clear();
    const auto none = [this](const QString& why) {
        GroupLabel->setText("Point group: \u2013");
        ShowNote(why);
        EnableButtons();
    };
    double tolerance = 0;
    try {
        tolerance = ToleranceFromText(text);
    } catch (const Error&) {
        none("Type a tolerance in angstrom above 0 and at most 1, such as 0" +
             QString(QChar(DecimalSeparator())) + "01.");
        return;
    }
    if (engine.Atoms().AtomCount <= 0) {
        none("Open a molecule to see its point group.");
        return;
    }
    const symmetry::PointGroupResult found = PointGroupOf(engine.Atoms(), tolerance);
    if (!found.Found()) {
        none(FromUtf8(found.refusal));
        return;
    }
    const symmetry::PointGroup& group = found.group;
    symbol_ = group.Symbol();
    QString title = "Point group: " + FromUtf8(group.DisplaySymbol());
    if (group.Order() > 0) title += QStringLiteral("   (order %1)").arg(group.Order());
    GroupLabel->setText(title);
    ShowNote(group.family == symmetry::Family::Kh
                 ? QString("A single atom, or atoms all on one point: every line through it "
                           "is an axis.")
                 : QString());

    const auto add = [&](const std::string& symbol, const symmetry::Vec3* direction,
                         const std::string& name, const std::vector<int>& atoms) {
        auto* row = new QTreeWidgetItem(Elements);
        row->setText(0, FromUtf8(symbol));
        for (int k = 0; k < 3; ++k) {
            row->setText(1 + k, direction ? Component((*direction)[static_cast<std::size_t>(k)])
                                          : QString("\u2013"));
            row->setTextAlignment(1 + k, Qt::AlignRight | Qt::AlignVCenter);
        }
        row->setText(kAtomsColumn, AtomList(atoms, false));
        row->setToolTip(kAtomsColumn, PlainToolTip(AtomList(atoms, true)));
        row->setData(0, Qt::UserRole, direction ? static_cast<int>(choices_.size()) : -1);
        if (direction) choices_.push_back({*direction, name});
    };
    for (const symmetry::SymmetryAxis& axis : group.properAxes) {
        const std::string symbol = AxisSymbol(axis, false);
        add(symbol, &axis.direction, symbol + " axis", axis.atoms);
    }
    for (const symmetry::SymmetryAxis& axis : group.improperAxes) {
        const std::string symbol = AxisSymbol(axis, true);
        add(symbol, &axis.direction, symbol + " axis", axis.atoms);
    }
    for (const symmetry::MirrorPlane& plane : group.planes) {
        const std::string symbol = PlaneSymbol(plane);
        add(symbol, &plane.normal, symbol + " normal", plane.atoms);
    }
    if (group.inversion) add("i", nullptr, "", group.atomsAtCentre);
    if (symbol_ == before && chosen >= 0 && chosen < Elements->topLevelItemCount()) {
        Elements->setCurrentItem(Elements->topLevelItem(chosen));
    }
    EnableButtons();
}

void SymmetryWindow::ShowNote(const QString& text) {
    Note->setText(text);
    Note->setVisible(!text.isEmpty());
}

void SymmetryWindow::EnableButtons() {
    const QTreeWidgetItem* row = Elements->currentItem();
    const bool direction = row && row->data(0, Qt::UserRole).toInt() >= 0;
    SetVector1->setEnabled(direction);
    SetVector2->setEnabled(direction);
    Symmetrize->setEnabled(!symbol_.empty());
    StandardFrame->setEnabled(!symbol_.empty());
}

QString SymmetryWindow::AtomList(const std::vector<int>& atoms, bool whole) const {
    if (atoms.empty()) return whole ? QString() : QString("none");
    const AtomTable& table = form_.Commands().Atoms();
    QString list;
    const std::size_t shown = whole ? atoms.size() : std::min(atoms.size(), kListedAtoms);
    for (std::size_t i = 0; i < shown; ++i) {
        if (i > 0) list += ", ";
        list += QString::number(atoms[i]) + ' ' + ShownLocalHead(SelectionLabel(table, atoms[i]));
    }
    if (shown < atoms.size()) list += QStringLiteral(", \u2026 (%1 atoms)").arg(atoms.size());
    return list;
}

void SymmetryWindow::SetStatus(const QString& text) {
    Status->setText(text);
    statusVersion_ = form_.Commands().CoordinatesVersion();
}

void SymmetryWindow::SetAsVector(VectorId vector) {
    const QTreeWidgetItem* row = Elements->currentItem();
    const int index = row ? row->data(0, Qt::UserRole).toInt() : -1;
    if (index < 0) return;
    const Choice choice = choices_[static_cast<std::size_t>(index)];
    form_.SetDirectionClick(vector, choice.direction, choice.name);
    SetStatus(QString("%1 now runs along the %2 and turns with the molecule: FitX then FitZ lay "
                      "it on Z, FitY then FitX on X.")
                  .arg(vector == VectorId::Vector1 ? "Vector1" : "Vector2")
                  .arg(FromUtf8(choice.name)));
}

void SymmetryWindow::SymmetrizeClick() {
    const std::string symbol = symbol_;
    const Engine::SymmetrizeReport moved = form_.SymmetrizeClick(Tolerance->Text());
    if (moved.atom == 0) {
        SetStatus(QString("Symmetrized to %1: no atom had to move.").arg(FromUtf8(symbol)));
        return;
    }
    QString distance = QString::number(moved.largestMove, 'g', 3);
    distance.replace('.', QChar(DecimalSeparator()));
    SetStatus(QString::fromUtf8("Symmetrized to %1: atom %2 (%3) moved most, by %4 \u00c5.")
                  .arg(FromUtf8(symbol))
                  .arg(moved.atom)
                  .arg(ShownLocalHead(SelectionLabel(form_.Commands().Atoms(), moved.atom)))
                  .arg(distance));
}

void SymmetryWindow::StandardFrameClick() {
    const std::string symbol = symbol_;
    form_.StandardFrameClick(Tolerance->Text());
    SetStatus(QString("Laid in the standard frame of %1: its centre at the origin, its Z direction "
                      "on +Z, its X direction on +X.")
                  .arg(FromUtf8(symbol)));
}

}  // namespace pivora
