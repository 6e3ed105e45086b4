#pragma once
// The user guide: the program's own pages of HTML and their pictures,
// embedded as resources (:/guide/en/, :/guide/ja/, :/guide/images/), shown
// in a browser window beside the main window in the current language. The
// pages are shipped with the program and never hold text from a file or
// from typing, so they are shown as rich text.

#include <QUrl>
#include <QWidget>

#include "ui/Language.h"

class QTextBrowser;

namespace pivora {

// The first page of the guide in language.
QUrl UserGuidePage(Language language);

class UserGuideWindow : public QWidget {
    Q_OBJECT
  public:
    UserGuideWindow();

    // Shows the window and brings it to the front, not modal: the first time
    // centered over mainFrame (the main window's outer rectangle), later
    // where the user left it.
    void ShowOver(const QRect& mainFrame);

    // The page in its browser; its title is the window's caption.
    QTextBrowser* Browser;

  protected:
    // A change of language shows the guide of the new one at once.
    void changeEvent(QEvent* event) override;

  private:
    void Load();
    bool placed_ = false;
};

}  // namespace pivora
