#include "ui/HelpWindow.h"

#include <QFont>
#include <QPalette>
#include <QPlainTextEdit>
#include <QStringList>
#include <QVBoxLayout>

#include "ui/Startup.h"

namespace pivora {
namespace {

// Outer 364 x 472 on a frame of 4 pixels and a title bar of 23.
constexpr int kClientWidth = 356;
constexpr int kClientHeight = 445;
constexpr int kDesignedLeft = 242;
constexpr int kDesignedTop = 170;

const QString kRule(47, QChar('='));

}  // namespace

QString HelpText() {
    QStringList lines = {
        "<<Pivora>>                       2005-01-06",
        "",
        "This program reads cartesian coordinates of molecules ",
        "and you can define two vectors.",
        "",
        "The origin can be located at a certain atom of interest.",
        "You can make such a translation.",
        "",
        "You can also rotate your molecule to fit these vectors",
        "onto particular axes.  For instance, your vector may be ",
        "adjusted to be parallel to the X axis.",
        "",
        "This is originally developed when we did some EHMO-level ",
        "of MO calculations to adjust the orbital location in an ",
        "appropriate way. For example, dz2 could be located ",
        "parallel to the z axis.  dx2-y2 orbital may also be located ",
        "along the x and y orbitals.",
        "",
        "Finally you should save your new cartesian coordinates.",
        "An example of cartesian coordinate file comes with ",
        "this package.  ",
        "",
        "                                             Best wishes",
    };
    lines << kRule << QString(kProgramNameAndVersion)
          << "To report a problem, send the coordinate file and the steps"
          << "that led to it to the Pivora developers." << kRule;
    return lines.join('\n');
}

QPoint CenteredOver(const QRect& outer, const QSize& size) {
    return QPoint(outer.left() + outer.width() / 2 - size.width() / 2,
                  outer.top() + outer.height() / 2 - size.height() / 2);
}

HelpWindow::HelpWindow() : QWidget(nullptr, Qt::Window), Memo1(new QPlainTextEdit(this)) {
    setObjectName("Form2");
    setWindowTitle("Help (Pivora)");
    // Only the main window keeps the program alive.
    setAttribute(Qt::WA_QuitOnClose, false);
    QFont font("Arial");
    font.setPixelSize(12);
    setFont(font);
    resize(kClientWidth, kClientHeight);
    move(kDesignedLeft, kDesignedTop);

    Memo1->setObjectName("Memo1");
    Memo1->setPlainText(HelpText());
    QPalette palette = Memo1->palette();
    palette.setColor(QPalette::Base, QColor(0, 255, 255));
    Memo1->setPalette(palette);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);
}

void HelpWindow::ShowCenteredOver(const QRect& mainFrame) {
    move(CenteredOver(mainFrame, frameGeometry().size()));
    show();
    // The frame's size is known only once the window is shown.
    move(CenteredOver(mainFrame, frameGeometry().size()));
    raise();
    activateWindow();
}

}  // namespace pivora
