#include "ui/UserGuide.h"

#include <QEvent>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "ui/HelpWindow.h"

namespace pivora {
namespace {

// Room for a picture of the main window at half its size beside the text.
constexpr int kWidth = 760;
constexpr int kHeight = 680;

}  // namespace

QUrl UserGuidePage(Language language) {
    return QUrl(language == Language::English ? QStringLiteral("qrc:/guide/en/index.html")
                                              : QStringLiteral("qrc:/guide/ja/index.html"));
}

UserGuideWindow::UserGuideWindow() : QWidget(nullptr, Qt::Window), Browser(new QTextBrowser(this)) {
    setObjectName("UserGuide");
    // Only the main window keeps the program alive.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(kWidth, kHeight);
    Browser->setObjectName("UserGuideBrowser");
    // Links between the pages and to their sections stay in the browser;
    // a link to the web, should a page hold one, goes to the desktop's.
    Browser->setOpenExternalLinks(true);
    connect(Browser, &QTextBrowser::sourceChanged, this,
            [this] { setWindowTitle(Browser->documentTitle()); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Browser);
    Load();
}

void UserGuideWindow::Load() {
    Browser->setSource(UserGuidePage(CurrentLanguage()));
    // The same page again does not reload, nor report a new source.
    setWindowTitle(Browser->documentTitle());
}

void UserGuideWindow::ShowOver(const QRect& mainFrame) {
    if (!placed_) {
        move(CenteredOver(mainFrame, frameGeometry().size()));
        show();
        // The frame's size is known only once the window is shown.
        move(CenteredOver(mainFrame, frameGeometry().size()));
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void UserGuideWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) Load();
    QWidget::changeEvent(event);
}

}  // namespace pivora
