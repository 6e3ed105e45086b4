#pragma once
// HelpWindow: the help window, a page of text beside the main window. Closing it
// only hides it; it does not keep the program running.

#include <QRect>
#include <QString>
#include <QWidget>

class QPlainTextEdit;

namespace pivora {

// The help page, line by line, joined by "\n".
QString HelpText();

// The top-left corner that centers a window of outer size over outer, each
// half rounded toward zero.
QPoint CenteredOver(const QRect& outer, const QSize& size);

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    HelpWindow();

    // Centers the window over mainFrame (the main window's outer rectangle),
    // shows it and brings it to the front, not modal.
    void ShowCenteredOver(const QRect& mainFrame);

    QPlainTextEdit* Memo1;
};

}  // namespace pivora
