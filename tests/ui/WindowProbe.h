#pragma once
// The tests' and the benchmarks' handle on the main window's widgets, which
// the window keeps to itself: Ui(window).vectorAtoms[0][0] and so on.

#include "ui/MainWindow.h"

namespace pivora::test {

struct WindowProbe {
    static MainWindow::Widgets& Of(MainWindow& window) { return window.ui_; }
};

inline MainWindow::Widgets& Ui(MainWindow& window) {
    return WindowProbe::Of(window);
}

}  // namespace pivora::test
