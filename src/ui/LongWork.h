#pragma once
// A file command that may take long (opening or saving a very large file):
// the window painted again at once where a dialog covered it, the wait
// cursor, no other command until the work is done, and a progress dialog
// once the work has run for a second.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

#include "model/Progress.h"

class QEvent;
class QProgressDialog;
class QWidget;

namespace pivora {

class LongWork : public QObject {
  public:
    // Thrown from the report once the user cancelled the work.
    struct Cancelled {};

    // window: the main window, painted here and the dialog's parent. label:
    // the dialog's text, plain. cancellable: the dialog has a Cancel button
    // (and takes Escape), and the report then throws Cancelled; only for
    // work that a throw from its report leaves undone, such as an open.
    LongWork(QWidget* window, QString label, bool cancellable = false);
    // Closes the dialog. What the user did meanwhile (clicks, keys, closing
    // the window) then goes on, in its order, as the next events.
    ~LongWork() override;
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

    // The report to pass to the work. While it runs, the windows are painted
    // and timers run, but user input waits.
    ProgressReport Report();
    // The dialog, once it shows; null before.
    QProgressDialog* Dialog() const;

    // How long the work runs before the dialog shows (1000 ms), and the
    // least time between two rounds of painting (40 ms). For tests.
    static void SetTiming(int showAfterMs, int paintEveryMs);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Heard(std::uint64_t done, std::uint64_t total);
    // Whether watched is the progress dialog, its window or a widget in it.
    bool ForDialog(const QObject* watched) const;

    QPointer<QWidget> window_;
    QString label_;
    bool cancellable_;
    QElapsedTimer clock_;
    qint64 lastPainted_ = 0;
    QPointer<QProgressDialog> dialog_;
    // User input that arrived as posted or sent events, held back.
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> held_;
    bool closeAsked_ = false;
};

}  // namespace pivora
