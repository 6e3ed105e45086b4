#include "ui/View3D.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <cmath>
#include <memory>

#include "io/Elements.h"
#include "numeric/DecimalText.h"
#include "structure/Measure.h"
#include "ui/EventGuard.h"
#include "ui/Settings.h"
#include "ui/ShownText.h"
#include "ui/Widgets.h"

namespace pivora {
namespace {

constexpr int kCanvasSize = 520;
// The narrowest the window is made to fit beside the main window.
constexpr int kLeastWidth = 320;
// A press that moves less than this many pixels is a click, not a drag.
constexpr int kDragStart = 3;
// One notch of the wheel (120 of its units) zooms by a fifth.
constexpr double kZoomPerUnit = 1.2;

const char kVisibleKey[] = "View3D/Visible";
const char kGeometryKey[] = "View3D/Geometry";

}  // namespace

class View3DWindow::CanvasWidget : public QWidget {
  public:
    explicit CanvasWidget(View3DWindow& view) : QWidget(&view), view_(view) {
        setObjectName("View3DCanvas");
        setMouseTracking(false);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(120, 120);
    }
    QSize sizeHint() const override { return {kCanvasSize, kCanvasSize}; }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        Guarded([&] { view_.PaintCanvas(painter); });
    }
    void resizeEvent(QResizeEvent* event) override {
        view_.pictureStale_ = true;
        QWidget::resizeEvent(event);
    }
    void mousePressEvent(QMouseEvent* event) override {
        pressed_ = last_ = event->position().toPoint();
        dragging_ = false;
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        const QPoint now = event->position().toPoint();
        if (!dragging_ && (now - pressed_).manhattanLength() < kDragStart) return;
        dragging_ = true;
        Camera3D& camera = view_.camera_;
        if (event->buttons() & Qt::LeftButton) {
            camera.Turn(last_.x() + 0.5, last_.y() + 0.5, now.x() + 0.5, now.y() + 0.5);
        } else if (event->buttons() & (Qt::RightButton | Qt::MiddleButton)) {
            camera.Pan(now.x() - last_.x(), now.y() - last_.y());
        }
        last_ = now;
        view_.Changed();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (dragging_ || event->button() != Qt::LeftButton) return;
        const int atom = view_.AtomAt(event->position().toPoint());
        const auto& handler =
            (event->modifiers() & Qt::ControlModifier) ? view_.OnMeasure : view_.OnPick;
        if (atom != 0 && handler) Guarded([&] { handler(atom); });
    }
    void wheelEvent(QWheelEvent* event) override {
        const double units = event->angleDelta().y();
        if (units == 0) return;
        const QPointF at = event->position();
        view_.camera_.Zoom(std::pow(kZoomPerUnit, units / 120), at.x(), at.y());
        view_.Changed();
    }
    bool event(QEvent* event) override {
        if (event->type() != QEvent::ToolTip) return QWidget::event(event);
        AnswerToolTip(this, event, [this](QPoint at) { return view_.ToolTipAt(at); });
        return true;
    }

  private:
    View3DWindow& view_;
    QPoint pressed_;
    QPoint last_;
    bool dragging_ = false;
};

View3DWindow::View3DWindow(const Engine& engine) : QMainWindow(nullptr), engine_(engine) {
    setObjectName("View3D");
    setWindowTitle("3-D View (Pivora)");
    // Only the main window keeps the program alive.
    setAttribute(Qt::WA_QuitOnClose, false);
    QFont font("Arial");
    font.setPixelSize(12);
    setFont(font);
    canvas_ = new CanvasWidget(*this);
    setCentralWidget(canvas_);
    BuildMenu();
    resize(kCanvasSize, kCanvasSize + menuBar()->sizeHint().height());
    scene_.Elements = elements_;
}

View3DWindow::~View3DWindow() = default;

QWidget* View3DWindow::Canvas() const {
    return canvas_;
}

const std::vector<Bond>& View3DWindow::Bonds() const {
    static const std::vector<Bond> kNone;
    return DrawsPoints(scene_) ? kNone : engine_.Bonds();
}

void View3DWindow::BuildMenu() {
    QMenu* view = menuBar()->addMenu("&View");
    view->setObjectName("View3DMenu");
    view->setFont(font());
    const auto add = [&](const char* caption, const char* name, QKeySequence key, auto handler) {
        QAction* action = view->addAction(caption);
        action->setObjectName(name);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this,
                [this, handler] { Guarded([&] { handler(); }); });
        return action;
    };
    add("Reset View", "ResetView1", QKeySequence(Qt::Key_Home), [this] { ResetView(); });
    add("Fit to Window", "FitToWindow1", QKeySequence(Qt::Key_F), [this] { FitToWindow(); });
    view->addSeparator();
    add("View Along +X", "ViewAlongX1", QKeySequence(Qt::Key_X), [this] { ViewFrom(Axis::X); });
    add("View Along +Y", "ViewAlongY1", QKeySequence(Qt::Key_Y), [this] { ViewFrom(Axis::Y); });
    add("View Along +Z", "ViewAlongZ1", QKeySequence(Qt::Key_Z), [this] { ViewFrom(Axis::Z); });
    view->setToolTipsVisible(true);
    for (QAction* along : view->actions()) {
        if (along->objectName() == "ViewAlongX1")
            along->setToolTip("Seen from +x, as the YZ pane shows it: y to the right, z up.");
        if (along->objectName() == "ViewAlongY1")
            along->setToolTip("Seen from +y, as the ZX pane shows it: z to the right, x up.");
        if (along->objectName() == "ViewAlongZ1")
            along->setToolTip("Seen from +z, as the XY pane shows it: x to the right, y up.");
    }
}

void View3DWindow::closeEvent(QCloseEvent* event) {
    SaveSettings(false);
    QMainWindow::closeEvent(event);
    if (OnClosed) OnClosed();
}

// --- What the main window tells ---

void View3DWindow::ReleaseMolecule() {
    released_ = true;
}

void View3DWindow::MoleculeChanged() {
    released_ = false;
    elementsStale_ = groupsStale_ = extentStale_ = true;
    fitPending_ = true;
    scene_.Picked = 0;
    Changed();
}

void View3DWindow::CoordinatesChanged() {
    groupsStale_ = extentStale_ = true;
    Changed();
}

void View3DWindow::Follow() {
    for (const VectorId id : {VectorId::Vector1, VectorId::Vector2}) {
        const VectorDefinition now = engine_.Selections(id);
        VectorDefinition& seen = vectors_[id == VectorId::Vector1 ? 0 : 1];
        const auto same = [](const AtomGroup& a, const AtomGroup& b) {
            return a.Selection == b.Selection && a.More == b.More;
        };
        if (same(now.Tail, seen.Tail) && same(now.Head, seen.Head)) continue;
        seen = now;
        groupsStale_ = true;
    }
    if (groupsStale_) Changed();
}

void View3DWindow::SetPicked(int atom) {
    if (scene_.Picked == atom) return;
    scene_.Picked = atom;
    Changed();
}

void View3DWindow::SetMeasured(const std::vector<std::int32_t>& atoms) {
    if (scene_.Measured == atoms) return;
    scene_.Measured = atoms;
    Changed();
}

void View3DWindow::Changed() {
    pictureStale_ = true;
    if (isVisible()) canvas_->update();
}

bool View3DWindow::Available() const {
    return !released_;
}

// --- The camera ---

void View3DWindow::ResetView() {
    camera_.ViewFrom(Axis::Z);
    FitToWindow();
}

void View3DWindow::FitToWindow() {
    fitPending_ = true;
    Changed();
}

void View3DWindow::ViewFrom(Axis axis) {
    camera_.ViewFrom(axis);
    Changed();
}

// --- Drawing ---

void View3DWindow::Render() {
    camera_.SetViewport(canvas_->width(), canvas_->height());
    // A failure below (for want of memory) is reported once: the picture
    // counts as drawn, and what failed is made again at the next change.
    pictureStale_ = false;
    // While a new molecule is written into the table, none is shown.
    scene_.Atoms = nullptr;
    if (Available()) {
        const AtomTable& atoms = engine_.Atoms();
        if (elementsStale_) {
            scene_.Elements = {};
            elementsStale_ = false;
            elements_ = ElementsOf(atoms, &io::ElementOfLabel);
            scene_.Elements = elements_;
        }
        scene_.Atoms = &atoms;
        // The engine's, found once a molecule and kept while the distances
        // stay; taken afresh every time, as the engine may have found them
        // again. A large molecule is drawn as points: its bonds are not needed.
        if (!DrawsPoints(scene_)) scene_.Bonds = engine_.Bonds();
        if (groupsStale_) {
            vectors_[0] = engine_.Selections(VectorId::Vector1);
            vectors_[1] = engine_.Selections(VectorId::Vector2);
            scene_.Rings = RingsOf(atoms, vectors_[0], vectors_[1]);
            scene_.Arrows.clear();
            for (int v = 0; v < 2; ++v) {
                // The centroids as the vector's own evaluation takes them; a
                // vector beyond the double range is the main window's failure
                // to report, and has no arrow here.
                try {
                    const auto tail = GroupCentroid(atoms, vectors_[v].Tail);
                    const auto head = GroupCentroid(atoms, vectors_[v].Head);
                    if (tail && head) {
                        scene_.Arrows.push_back({{tail->X, tail->Y, tail->Z},
                                                 {head->X, head->Y, head->Z},
                                                 v == 0 ? kBlue : kRed});
                    }
                } catch (const Error&) {
                }
            }
            groupsStale_ = false;
        }
        if (extentStale_) {
            scene_.Molecule = MoleculeExtent(scene_);
            scene_.AxisLength = AxisLengthFor(scene_.Molecule);
            extentStale_ = false;
        }
        if (fitPending_) {
            camera_.Fit(FitExtent(scene_.Molecule, scene_.AxisLength));
            fitPending_ = false;
        }
    }
    labels_ = renderer_.Render(scene_, camera_, frame_);
    image_ = QImage(reinterpret_cast<const uchar*>(frame_.Pixels()), frame_.Width(),
                    frame_.Height(), frame_.Width() * 4, QImage::Format_RGB32);
}

void View3DWindow::PaintCanvas(QPainter& painter) {
    // While a new molecule is written into the table, the last picture stays.
    if ((pictureStale_ && Available()) || image_.isNull()) Render();
    painter.drawImage(0, 0, image_);
    QFont font("Arial");
    font.setPixelSize(13);
    font.setBold(true);
    painter.setFont(font);
    const auto write = [&](const ScreenPoint& at, const QString& name) {
        if (!std::isfinite(at.X) || !std::isfinite(at.Y) || std::abs(at.X) > 1e6 ||
            std::abs(at.Y) > 1e6)
            return;
        const QRectF box(at.X - 20, at.Y - 10, 40, 20);
        // A white halo keeps the name readable over atoms and sticks.
        painter.setPen(QColor(255, 255, 255, 220));
        for (const QPointF offset : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1)})
            painter.drawText(box.translated(offset), Qt::AlignCenter, name);
        painter.setPen(QColor(50, 50, 50));
        painter.drawText(box, Qt::AlignCenter, name);
    };
    write(labels_.X, "+x");
    write(labels_.Y, "+y");
    write(labels_.Z, "+z");
    if (Available() && engine_.Atoms().LastAtom() == 0) {
        painter.setPen(QColor(90, 90, 90));
        painter.setFont(this->font());
        painter.drawText(QRect(0, 0, canvas_->width(), canvas_->height() - 24),
                         Qt::AlignHCenter | Qt::AlignBottom,
                         "Open a molecule (File > Open) to see it here.");
    }
}

QImage View3DWindow::Picture() {
    QImage picture(canvas_->size(), QImage::Format_RGB32);
    QPainter painter(&picture);
    PaintCanvas(painter);
    return picture;
}

int View3DWindow::AtomAt(QPoint point) {
    if (!Available()) return 0;
    if (pictureStale_) Render();
    return pivora::AtomAt(scene_, camera_, point.x() + 0.5, point.y() + 0.5);
}

QString View3DWindow::ToolTipAt(QPoint point) {
    const int atom = AtomAt(point);
    if (atom == 0) return {};
    const AtomTable& atoms = engine_.Atoms();
    const auto coordinate = [](double v) { return QString::fromStdString(FormatDisplay(v)); };
    QString text = QString::number(atom) + ' ' + ShownLocalHead(atoms.AtomName[atom]) + "\nx " +
                   coordinate(atoms.AtomX[atom]) + "\ny " + coordinate(atoms.AtomY[atom]) + "\nz " +
                   coordinate(atoms.AtomZ[atom]);
    const int picked = scene_.Picked;
    if (picked != 0 && picked != atom && atoms.IsAtom(picked)) {
        const long double d = Distance(PositionOf(atoms, static_cast<std::size_t>(picked)),
                                       PositionOf(atoms, static_cast<std::size_t>(atom)));
        text += "\n" + QString::fromStdString(FormatDisplay(d)) + QStringLiteral(" \u00C5 from ") +
                QString::number(picked) + ' ' + ShownLocalHead(atoms.AtomName[picked]);
    }
    return text;
}

// --- Settings ---

void View3DWindow::SaveSettings(bool visible) {
    StoreSetting(kVisibleKey, visible);
    StoreSetting(kGeometryKey, saveGeometry());
}

bool View3DWindow::ShownLastTime() {
    return LoadSetting(kVisibleKey, false);
}

void View3DWindow::PlaceAsLastTime(const QRect& mainFrame) {
    if (restoreGeometry(LoadSettingValue(kGeometryKey).toByteArray())) return;
    // Beside the main window, on the side with more room, made narrower
    // where the screen has not room enough; over the main window's edge only
    // when even that is too little.
    const QScreen* screen = QGuiApplication::screenAt(mainFrame.center());
    const QRect room = screen ? screen->availableGeometry() : mainFrame;
    const int frame = frameGeometry().width() - width();
    const int right = room.right() - mainFrame.right();
    const int left = mainFrame.left() - room.left();
    const int width = std::max(kLeastWidth, std::min(this->width(), std::max(left, right) - frame));
    resize(width, height());
    const int outer = width + frame;
    const int x = right >= left ? std::min(mainFrame.right() + 1, room.right() + 1 - outer)
                                : std::max(mainFrame.left() - outer, room.left());
    move(x, std::max(room.top(), mainFrame.top()));
}

}  // namespace pivora
