#pragma once
// A command that may take long (opening or saving a very large file, a long
// recipe): the window painted again at once where a dialog covered it, the
// wait cursor, no other command until the work is done, and a progress
// dialog once the work has run for a second.
//
// What the user types or clicks meanwhile is dropped, not kept for later:
// it was meant for the molecule on the screen, and the work is about to
// change what is on the screen. Only the progress dialog takes input (its
// Cancel button), and Escape anywhere cancels work that can be cancelled.
// Closing the window is not dropped: it happens once the work is done, and
// asks about unsaved changes as always.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

#include "base/Progress.h"

class QEvent;
class QProgressDialog;
class QWidget;

namespace pivora {

class LongWork : public QObject {
  public:
    // Thrown from the report once the user cancelled the work.
    struct Cancelled {};

    // window: the main window, painted here and the dialog's parent. label:
    // the dialog's text, plain. cancellable: the dialog has a Cancel button,
    // Escape cancels, and the report then throws Cancelled; only for work
    // that a throw from its report leaves undone, such as an open.
    LongWork(QWidget* window, QString label, bool cancellable = false);
    // Closes the dialog and drops the input that came meanwhile. A close of
    // the window asked for meanwhile follows as the next event.
    ~LongWork() override;
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

    // The report to pass to the work. While it runs, the windows are painted
    // and timers run; user input is dropped.
    ProgressReport Report();
    // How long the work runs before the dialog shows (1000 ms), and the
    // least time between two rounds of painting (40 ms). For tests.
    static void SetTiming(int showAfterMs, int paintEveryMs);
    // The clock the work's time is read from, in milliseconds from any
    // start; empty: a QElapsedTimer. For tests that play slow work.
    static void SetClock(std::function<qint64()> clock);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Heard(std::uint64_t done, std::uint64_t total);
    qint64 Elapsed() const;
    void ShowDialog();
    // Whether watched is the progress dialog, its window or a widget in it.
    bool ForDialog(const QObject* watched) const;

    QPointer<QWidget> window_;
    QString label_;
    bool cancellable_;
    QElapsedTimer clock_;
    qint64 started_ = 0;
    qint64 lastPainted_ = 0;
    QPointer<QProgressDialog> dialog_;
    bool cancelled_ = false;
    bool closeAsked_ = false;
};

}  // namespace pivora
